#include "schema/qattrset.h"

namespace harrow {

QAttrSet::QAttrSet(const std::string& name, const PtrList<QAttrT>& types)
    : name(name), types(types) {}

} // namespace harrow
