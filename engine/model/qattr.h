// QAttr: one attribute of an entry, typed by a schema attribute type, with its values in the
// order they were added. It owns the values; the type belongs to the Oidtable.
#pragma once

#include "harrow32_export.h"
#include "model/qstringlist.h"
#include "model/qvalue.h"
#include "ptrlist.h"

#include <vector>

namespace harrow {

class QAttrT;

class HARROW32_EXPORT QAttr {
public:
    explicit QAttr(QAttrT* type);
    // Copies every value.
    QAttr(const QAttr& other);
    // Takes the other's values; pointers to them stay valid.
    QAttr(QAttr&& other) noexcept;
    QAttr& operator=(const QAttr&) = delete;
    virtual ~QAttr();

    QAttrT* Type() const { return type; }

    // Makes room for count values in all. The values are held side by side: adding one beyond
    // the room moves them all, so whoever knows how many will come says so first.
    void ReserveValues(unsigned int count);
    // Appends a value of the type's syntax holding a copy of length bytes.
    void AddValue(const char* bytes, unsigned long length);
    unsigned int CountValues() const { return static_cast<unsigned int>(values.size()); }
    // Appends this attribute's values to out; they stay owned by the attribute, and in place
    // until a value is added beyond the room made for them.
    void GetValues(PtrList<QValue>& out) const;
    // Appends the display form of every value to out.
    void PrintValues(QStringList& out) const;

private:
    QAttrT* type;
    std::vector<QValue> values;
};

} // namespace harrow
