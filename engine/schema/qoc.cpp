#include "schema/qoc.h"

#include "schema/schematext.h"

#include <algorithm>

namespace harrow {

QOC::QOC(const QStringList& names, const QOID& oid, QOC* superclass, const PtrList<QAttrT>& must,
         const PtrList<QAttrT>& may)
    : QOID(oid), names(names), superclass(superclass), must(must), may(may) {}

QOC::~QOC() = default;

std::string QOC::Name() const {
    return FirstName(names);
}

int QOC::HasName(const std::string& name) const {
    return ContainsIgnoringCase(names, name) ? 1 : 0;
}

void QOC::Must(PtrList<QAttrT>& out) const {
    Effective(&QOC::must, out);
}

void QOC::May(PtrList<QAttrT>& out) const {
    Effective(&QOC::may, out);
}

int QOC::IsMust(const QAttrT* type) const {
    return InEffective(&QOC::must, type);
}

int QOC::IsMay(const QAttrT* type) const {
    return InEffective(&QOC::may, type);
}

void QOC::Effective(OwnList own, PtrList<QAttrT>& out) const {
    if (superclass != nullptr) {
        superclass->Effective(own, out);
    } else {
        out.RemoveAll();
    }
    for (QAttrT* type : this->*own) {
        if (out.Find(type) == nullptr) {
            out.AddTail(type);
        }
    }
}

int QOC::InEffective(OwnList own, const QAttrT* type) const {
    for (const QOC* oc = this; oc != nullptr; oc = oc->superclass) {
        if ((oc->*own).Find(type) != nullptr) {
            return 1;
        }
    }
    return 0;
}

} // namespace harrow
