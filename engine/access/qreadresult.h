// QReadResult: the payload of a read request's result notice, the entry that was read. It owns
// the entry until the requester takes it with GetEntry.
#pragma once

#include "harrow32_export.h"

#include <memory>

namespace harrow {

class QEntry;

class HARROW32_EXPORT QReadResult {
public:
    // Takes ownership of the entry.
    explicit QReadResult(QEntry* entry);
    // Holds a copy of the other's entry, if it still has one.
    QReadResult(const QReadResult& other);
    QReadResult& operator=(const QReadResult& other);
    ~QReadResult();

    // Hands the entry over; the caller deletes it. Null once it has been taken.
    QEntry* GetEntry();

private:
    std::unique_ptr<QEntry> entry;
};

} // namespace harrow
