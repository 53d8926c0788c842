// QListSyntax: a list of lines separated by "$", as in a postal address, shown one line per part
// and compared byte for byte. It holds nothing but its name.
#pragma once

#include "harrow32_export.h"
#include "schema/qsyntax.h"

namespace harrow {

class HARROW32_EXPORT QListSyntax : public QSyntax {
public:
    explicit QListSyntax(const std::string& name);

    // Every "$" becomes one line feed; the parts are not trimmed.
    void Print(std::string& out, const char* value, unsigned long length) const override;
    // 0 when the texts are equal byte for byte, else 1.
    int Compare(const QValue& a, const QValue& b) const override;

    ~QListSyntax() override;
};

} // namespace harrow
