// QRFC822Syntax: a mail address, printed unchanged and never equal to another value. No syntax
// name maps to it. It holds nothing but its name.
#pragma once

#include "harrow32_export.h"
#include "schema/qsyntax.h"

namespace harrow {

class HARROW32_EXPORT QRFC822Syntax : public QSyntax {
public:
    explicit QRFC822Syntax(const std::string& name);
    QRFC822Syntax(const QRFC822Syntax& other) = default;
    QRFC822Syntax& operator=(const QRFC822Syntax& other) = default;

    void Print(std::string& out, const char* value, unsigned long length) const override;
    void PrintRaw(std::string& out, const char* value, unsigned long length) const override;
    int Compare(const QValue& a, const QValue& b) const override;

    ~QRFC822Syntax() override;
};

} // namespace harrow
