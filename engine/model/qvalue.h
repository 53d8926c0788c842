// QValue: one attribute value as bytes with the syntax that prints and compares it. It owns a
// copy of the bytes; the syntax belongs to the Oidtable.
#pragma once

#include "harrow32_export.h"

#include <cstdint>
#include <string>

namespace harrow {

class QSyntax;

class HARROW32_EXPORT QValue {
public:
    // Copies length bytes; values from LDAP and DNs count their terminating zero byte.
    QValue(QSyntax* syntax, const char* bytes, unsigned long length);
    QValue(const QValue& other);
    // Takes the other's bytes, leaving it empty; a value's bytes may live inside it, so that
    // Value() of a moved value points elsewhere than before.
    QValue(QValue&& other) noexcept;
    QValue& operator=(const QValue& other);
    virtual ~QValue();

    char* Value() const { return IsInline() ? bytes.inside : bytes.outside; }
    unsigned long Length() const { return length; }
    QSyntax* Syntax() const { return syntax; }

    // The display form; empty when the value has no syntax.
    void Print(std::string& out) const;
    // The raw form (a link target rather than its label); empty when the value has no syntax.
    void PrintRaw(std::string& out) const;

    // Equal as the shared syntax decides; values without a syntax are equal when their bytes are.
    int operator==(const QValue& other) const;

private:
    // Most values of an entry (names, numbers, object classes) are this short: kept inside the
    // value they cost no allocation of their own, which would take more than their bytes.
    static constexpr std::uint32_t kInsideBytes = 16;

    bool IsInline() const { return length <= kInsideBytes; }
    void CopyBytes(const char* from, unsigned long count);
    void FreeBytes();

    QSyntax* syntax = nullptr;
    std::uint32_t length = 0;
    // Value() hands out writable bytes from a const value, as it always has.
    mutable union {
        char* outside;
        char inside[kInsideBytes];
    } bytes{};
};

} // namespace harrow
