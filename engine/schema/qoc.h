// QOC: an object class of the schema: its names (the first is canonical), its own OID (the base
// part), its superclass and its own mandatory and optional attribute types. It points at the
// superclass and the types, which belong to the Oidtable.
#pragma once

#include "harrow32_export.h"
#include "model/qstringlist.h"
#include "ptrlist.h"
#include "schema/qoid.h"

#include <string>

namespace harrow {

class QAttrT;

class HARROW32_EXPORT QOC : public QOID {
public:
    // Copies the OID, the names in order and both lists of type pointers in order.
    QOC(const QStringList& names, const QOID& oid, QOC* superclass, const PtrList<QAttrT>& must,
        const PtrList<QAttrT>& may);
    QOC(const QOC&) = delete;
    QOC& operator=(const QOC&) = delete;
    ~QOC() override;

    // The first name; empty for a class without names.
    std::string Name() const;
    // 1 when one of the names equals the text ignoring letter case (no trimming), else 0.
    int HasName(const std::string& name) const;
    QOC* Superclass() const { return superclass; }
    const QStringList& Names() const { return names; }

    // Replaces out with the effective mandatory (optional) types: inherited ones first, the
    // root-most class first, each type once.
    void Must(PtrList<QAttrT>& out) const;
    void May(PtrList<QAttrT>& out) const;
    // 1 when the type, by pointer, is in the effective mandatory (optional) list, else 0.
    int IsMust(const QAttrT* type) const;
    int IsMay(const QAttrT* type) const;

private:
    using OwnList = PtrList<QAttrT> QOC::*;
    void Effective(OwnList own, PtrList<QAttrT>& out) const;
    int InEffective(OwnList own, const QAttrT* type) const;

    QStringList names;
    QOC* superclass;
    PtrList<QAttrT> must;
    PtrList<QAttrT> may;
};

} // namespace harrow
