// LS_ObjectClassDisplay: the entry view's rules for one object class, its display items in the
// configured order. It owns the items; the class belongs to the schema.
#pragma once

#include "results/LS_DisplayItem.h"

#include <memory>
#include <vector>

namespace harrow {
class QOC;
}

class LS_ObjectClassDisplay {
public:
    explicit LS_ObjectClassDisplay(harrow::QOC* objectClass);
    LS_ObjectClassDisplay(const LS_ObjectClassDisplay&) = delete;
    LS_ObjectClassDisplay& operator=(const LS_ObjectClassDisplay&) = delete;
    virtual ~LS_ObjectClassDisplay();

    void AddItem(std::unique_ptr<LS_DisplayItem> item);
    // Replaces items with this display's items, which it keeps owning.
    void GetItems(std::vector<const LS_DisplayItem*>& items) const;
    bool IsEmpty() const { return m_items.empty(); }

    harrow::QOC* Class() const { return m_pClass; }

private:
    harrow::QOC* m_pClass;
    std::vector<std::unique_ptr<LS_DisplayItem>> m_items;
};
