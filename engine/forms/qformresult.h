// QFormResult: the payload of a form search's result notice, the entries that matched the
// target input. It owns them until the requester takes them with GetEntries.
#pragma once

#include "forms/qownedentries.h"
#include "harrow32_export.h"
#include "ptrlist.h"

namespace harrow {

class QEntry;

class HARROW32_EXPORT QFormResult {
public:
    // Takes ownership of the entries (the pointers are copied).
    explicit QFormResult(PtrList<QEntry>& entries);
    QFormResult(const QFormResult&) = delete;
    QFormResult& operator=(const QFormResult&) = delete;
    ~QFormResult();

    // Moves every entry to the end of out (the caller owns them now); returns out's count.
    unsigned GetEntries(PtrList<QEntry>& out);

private:
    QOwnedEntries entries;
};

} // namespace harrow
