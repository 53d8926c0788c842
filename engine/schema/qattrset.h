// QAttrSet: a named group of attribute types that object-class lines and later sets can name
// instead of listing each type. It points at types owned by the Oidtable.
#pragma once

#include "ptrlist.h"

#include <string>

namespace harrow {

class QAttrT;

class QAttrSet {
public:
    QAttrSet(const std::string& name, const PtrList<QAttrT>& types);

    const std::string& Name() const { return name; }
    const PtrList<QAttrT>& Types() const { return types; }

private:
    std::string name;
    PtrList<QAttrT> types;
};

} // namespace harrow
