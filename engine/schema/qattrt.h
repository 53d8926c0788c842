// QAttrT: an attribute type of the schema: its names (the first is canonical), its OIDs, its
// syntax and a friendly name for people. It owns its copies of the names and OIDs; the syntax
// belongs to the Oidtable.
#pragma once

#include "harrow32_export.h"
#include "model/qstringlist.h"
#include "ptrlist.h"
#include "schema/qoid.h"

#include <string>
#include <vector>

namespace harrow {

class QSyntax;

class HARROW32_EXPORT QAttrT {
public:
    // Copies the names in order and every OID; keeps the syntax pointer (null for none).
    QAttrT(const QStringList& names, const PtrList<QOID>& oids, QSyntax* syntax,
           const std::string& friendlyName);
    QAttrT(const QAttrT&) = delete;
    QAttrT& operator=(const QAttrT&) = delete;
    ~QAttrT();

    // 1 when one of the names equals the text ignoring letter case (no trimming), else 0.
    int HasName(const std::string& name) const;
    // 1 when one of the OIDs equals the given one, else 0.
    int HasOID(const QOID& oid) const;

    // The first name; empty for a type without names.
    std::string Name() const;
    // The friendly name, or the first name when the table gave none.
    std::string FriendlyName() const;
    QSyntax* Syntax() const { return syntax; }

    const QStringList& Names() const { return names; }
    const std::vector<QOID>& OIDs() const { return oids; }

private:
    QStringList names;
    std::string friendlyName;
    std::vector<QOID> oids;
    QSyntax* syntax;
};

} // namespace harrow
