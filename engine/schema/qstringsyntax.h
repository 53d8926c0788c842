// QStringSyntax: a plain text value, printed unchanged and compared ignoring letter case under
// every name it is registered with. It holds nothing but its name.
#pragma once

#include "harrow32_export.h"
#include "schema/qsyntax.h"

namespace harrow {

class HARROW32_EXPORT QStringSyntax : public QSyntax {
public:
    explicit QStringSyntax(const std::string& name);
    QStringSyntax(const QStringSyntax& other) = default;
    QStringSyntax& operator=(const QStringSyntax& other) = default;

    void Print(std::string& out, const char* value, unsigned long length) const override;
    void PrintRaw(std::string& out, const char* value, unsigned long length) const override;
    int Compare(const QValue& a, const QValue& b) const override;

    ~QStringSyntax() override;
};

} // namespace harrow
