// QSchemaIndex: finds a schema entry by name (ignoring letter case) or by OID in constant time,
// giving the entry that a walk through the table in order would meet first. It points at
// entries owned by the Oidtable.
#pragma once

#include "model/qstringlist.h"
#include "schema/qoid.h"
#include "schema/schematext.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace harrow {

template <typename T> class QSchemaIndex {
public:
    // Registers the entry at the next table position. A key that an earlier entry already holds
    // stays with that entry.
    void Add(T* entry, const QStringList& names, const std::vector<const QOID*>& oids) {
        const Slot slot{nextPosition++, entry};
        for (const std::string& name : names) {
            byName.try_emplace(LowerCased(name), slot);
        }
        for (const QOID* oid : oids) {
            byOID.try_emplace(Key(*oid), slot);
        }
    }

    // The earliest entry that has the name or carries the OID, or null.
    T* Find(const std::string& name, const QOID& oid) const {
        const auto named = byName.find(LowerCased(name));
        const auto numbered = byOID.find(Key(oid));
        const Slot* best = named == byName.end() ? nullptr : &named->second;
        if (numbered != byOID.end() &&
            (best == nullptr || numbered->second.position < best->position)) {
            best = &numbered->second;
        }
        return best == nullptr ? nullptr : best->entry;
    }

private:
    struct Slot {
        std::size_t position;
        T* entry;
    };

    static std::u32string Key(const QOID& oid) {
        const std::uint32_t* arcs = oid.OID();
        return arcs == nullptr ? std::u32string() : std::u32string(arcs, arcs + oid.GetCount());
    }

    std::unordered_map<std::string, Slot> byName;
    std::unordered_map<std::u32string, Slot> byOID;
    std::size_t nextPosition = 0;
};

} // namespace harrow
