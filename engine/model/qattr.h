// QAttr: one attribute of an entry, typed by a schema attribute type, with its values in the
// order they were added. It owns the values; the type belongs to the Oidtable.
#pragma once

#include "harrow32_export.h"
#include "model/qstringlist.h"
#include "model/qvalue.h"
#include "ptrlist.h"

namespace harrow {

class QAttrT;

class HARROW32_EXPORT QAttr {
public:
    explicit QAttr(QAttrT* type);
    // Copies every value.
    QAttr(const QAttr& other);
    QAttr& operator=(const QAttr&) = delete;
    virtual ~QAttr();

    QAttrT* Type() const { return type; }

    // Appends a value of the type's syntax holding a copy of length bytes.
    void AddValue(const char* bytes, unsigned long length);
    unsigned int CountValues() const { return static_cast<unsigned int>(values.GetCount()); }
    // Appends this attribute's values to out; they stay owned by the attribute.
    void GetValues(PtrList<QValue>& out) const;
    // Appends the display form of every value to out.
    void PrintValues(QStringList& out) const;

private:
    QAttrT* type;
    PtrList<QValue> values;
};

} // namespace harrow
