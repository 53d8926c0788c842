// QValue: one attribute value as bytes with the syntax that prints and compares it. It owns a
// copy of the bytes; the syntax belongs to the Oidtable.
#pragma once

#include "harrow32_export.h"

#include <memory>
#include <string>

namespace harrow {

class QSyntax;

class HARROW32_EXPORT QValue {
public:
    // Copies length bytes; values from LDAP and DNs count their terminating zero byte.
    QValue(QSyntax* syntax, const char* bytes, unsigned long length);
    QValue(const QValue& other);
    QValue& operator=(const QValue& other);
    virtual ~QValue();

    char* Value() const { return data.get(); }
    unsigned long Length() const { return length; }
    QSyntax* Syntax() const { return syntax; }

    // The display form; empty when the value has no syntax.
    void Print(std::string& out) const;
    // The raw form (a link target rather than its label); empty when the value has no syntax.
    void PrintRaw(std::string& out) const;

    // Equal as the shared syntax decides; values without a syntax are equal when their bytes are.
    int operator==(const QValue& other) const;

private:
    void CopyBytes(const char* bytes, unsigned long count);

    std::unique_ptr<char[]> data;
    unsigned long length = 0;
    QSyntax* syntax = nullptr;
};

} // namespace harrow
