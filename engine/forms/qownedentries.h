// QOwnedEntries: entries held by a form operation, report or result until someone takes them.
// It owns every entry it holds and deletes those nobody took.
#pragma once

#include "harrow32_export.h"
#include "ptrlist.h"

#include <memory>
#include <vector>

namespace harrow {

class QEntry;

class HARROW32_EXPORT QOwnedEntries {
public:
    QOwnedEntries();
    // Takes ownership of every entry in the list (the pointers are copied, the list unchanged).
    explicit QOwnedEntries(const PtrList<QEntry>& entries);
    QOwnedEntries(const QOwnedEntries&) = delete;
    QOwnedEntries& operator=(const QOwnedEntries&) = delete;
    ~QOwnedEntries();

    void Add(std::unique_ptr<QEntry> entry);
    // Moves every entry to the end of out, whose owner now holds them; returns out's count.
    unsigned MoveTo(PtrList<QEntry>& out);
    bool IsEmpty() const { return entries.empty(); }

private:
    std::vector<std::unique_ptr<QEntry>> entries;
};

} // namespace harrow
