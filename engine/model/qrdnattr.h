// QRDNAttr: one attribute-value pair of a relative distinguished name. It owns its value; the
// attribute type belongs to the Oidtable.
#pragma once

#include "harrow32_export.h"

#include <memory>
#include <string>

namespace harrow {

class QAttrT;
class QValue;

class HARROW32_EXPORT QRDNAttr {
public:
    // The value takes the type's syntax and a copy of length bytes.
    QRDNAttr(QAttrT* type, const char* bytes, unsigned long length);
    QRDNAttr(const QRDNAttr&) = delete;
    QRDNAttr& operator=(const QRDNAttr&) = delete;
    virtual ~QRDNAttr();

    // The type's first name, "=", and the printed value, with no blanks.
    void Print(std::string& out) const;

    // Same type (by pointer) and equal values.
    int operator==(const QRDNAttr& other) const;

    QAttrT* Type() const { return type; }
    QValue* Value() const { return value.get(); }

private:
    QAttrT* type;
    std::unique_ptr<QValue> value;
};

} // namespace harrow
