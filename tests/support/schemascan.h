// The schema look-up done the slow, obvious way: a walk through the table in order, testing the
// name and the OID of each entry. Tests and benchmarks hold the indexed look-ups against it.
#pragma once

#include "ptrlist.h"
#include "schema/oidtable.h"

#include <memory>
#include <string>

namespace larkspur::test {

inline bool CarriesOID(const harrow::QAttrT& type, const harrow::QOID& oid) {
    return type.HasOID(oid) != 0;
}

inline bool CarriesOID(const harrow::QOC& oc, const harrow::QOID& oid) {
    return (oc == oid) != 0;
}

// The first entry of entries, in order, that has the text as a name or carries the OID the
// table resolves it to; null when there is none.
template <typename T>
T* ScanFor(const harrow::Oidtable& table, const harrow::PtrList<T>& entries,
           const std::string& text) {
    const std::unique_ptr<harrow::QOID> oid(table.str2oid(text));
    for (T* entry : entries) {
        if (entry->HasName(text) || CarriesOID(*entry, *oid)) {
            return entry;
        }
    }
    return nullptr;
}

} // namespace larkspur::test
