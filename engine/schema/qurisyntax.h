// QURISyntax: a labeled URI ("URI label words"): the label is shown, the URI is what a program
// opens. It holds nothing but its name.
#pragma once

#include "harrow32_export.h"
#include "schema/qsyntax.h"

namespace harrow {

class HARROW32_EXPORT QURISyntax : public QSyntax {
public:
    explicit QURISyntax(const std::string& name);
    QURISyntax(const QURISyntax& other) = default;
    QURISyntax& operator=(const QURISyntax& other) = default;

    // The label: the text after the first space, or the whole text when there is none, trimmed.
    void Print(std::string& out, const char* value, unsigned long length) const override;
    // The URI: the text before the first space, or the whole text when there is none, trimmed.
    void PrintRaw(std::string& out, const char* value, unsigned long length) const override;
    // Labeled URIs are never equal, not even to themselves.
    int Compare(const QValue& a, const QValue& b) const override;

    ~QURISyntax() override;
};

} // namespace harrow
