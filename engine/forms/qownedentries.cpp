#include "forms/qownedentries.h"

#include "model/qentry.h"

namespace harrow {

QOwnedEntries::QOwnedEntries() = default;

QOwnedEntries::QOwnedEntries(const PtrList<QEntry>& list) {
    entries.reserve(list.GetCount());
    for (QEntry* entry : list) {
        entries.emplace_back(entry);
    }
}

QOwnedEntries::~QOwnedEntries() = default;

void QOwnedEntries::Add(std::unique_ptr<QEntry> entry) {
    entries.push_back(std::move(entry));
}

unsigned QOwnedEntries::MoveTo(PtrList<QEntry>& out) {
    for (std::unique_ptr<QEntry>& entry : entries) {
        out.AddTail(entry.release());
    }
    entries.clear();
    return static_cast<unsigned>(out.GetCount());
}

} // namespace harrow
