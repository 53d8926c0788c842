// QSyntax: how the values of an attribute type are printed and compared. The Oidtable owns one
// object per registered syntax name; values and types only point at it.
#pragma once

#include "harrow32_export.h"

#include <string>

namespace harrow {

class QValue;

class HARROW32_EXPORT QSyntax {
public:
    explicit QSyntax(const std::string& name);
    QSyntax(const QSyntax& other) = default;
    QSyntax& operator=(const QSyntax& other) = default;

    // The name the syntax is registered under in the Oidtable.
    const std::string& Name() const { return name; }

    // The display form of one value. The bytes are read up to their terminating zero; length is
    // not used (callers pass 0xFFFFFFFF).
    virtual void Print(std::string& out, const char* value, unsigned long length) const = 0;
    // The form a program acts on, such as a link target; by default the display form.
    virtual void PrintRaw(std::string& out, const char* value, unsigned long length) const;
    // 0 when the two values are equal under this syntax.
    virtual int Compare(const QValue& a, const QValue& b) const = 0;

    // Syntaxes are owned and deleted through this base.
    virtual ~QSyntax();

protected:
    // The text of a value, empty for a value without bytes.
    static const char* TextOf(const QValue& value);
    static const char* TextOf(const char* value) { return value == nullptr ? "" : value; }

private:
    std::string name;
};

} // namespace harrow
