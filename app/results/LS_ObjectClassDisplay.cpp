#include "results/LS_ObjectClassDisplay.h"

#include <utility>

LS_ObjectClassDisplay::LS_ObjectClassDisplay(harrow::QOC* objectClass) : m_pClass(objectClass) {}

LS_ObjectClassDisplay::~LS_ObjectClassDisplay() = default;

void LS_ObjectClassDisplay::AddItem(std::unique_ptr<LS_DisplayItem> item) {
    m_items.push_back(std::move(item));
}

void LS_ObjectClassDisplay::GetItems(std::vector<const LS_DisplayItem*>& items) const {
    items.clear();
    for (const std::unique_ptr<LS_DisplayItem>& item : m_items) {
        items.push_back(item.get());
    }
}
