#include "schema/qattrt.h"

#include "schema/schematext.h"

#include <algorithm>

namespace harrow {

QAttrT::QAttrT(const QStringList& names, const PtrList<QOID>& oids, QSyntax* syntax,
               const std::string& friendlyName)
    : names(names), friendlyName(friendlyName), syntax(syntax) {
    this->oids.reserve(oids.GetCount());
    for (const QOID* oid : oids) {
        this->oids.push_back(*oid);
    }
}

QAttrT::~QAttrT() = default;

int QAttrT::HasName(const std::string& name) const {
    return ContainsIgnoringCase(names, name) ? 1 : 0;
}

int QAttrT::HasOID(const QOID& oid) const {
    return std::any_of(oids.begin(), oids.end(), [&oid](const QOID& own) { return own == oid; })
               ? 1
               : 0;
}

std::string QAttrT::Name() const {
    return FirstName(names);
}

std::string QAttrT::FriendlyName() const {
    return friendlyName.empty() ? Name() : friendlyName;
}

} // namespace harrow
