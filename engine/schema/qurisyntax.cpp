#include "schema/qurisyntax.h"

#include "schema/schematext.h"

namespace harrow {

QURISyntax::QURISyntax(const std::string& name) : QSyntax(name) {}

QURISyntax::~QURISyntax() = default;

void QURISyntax::Print(std::string& out, const char* value, unsigned long) const {
    const std::string text(TextOf(value));
    const std::string::size_type blank = text.find(' ');
    out = Trimmed(blank == std::string::npos ? text : text.substr(blank + 1));
}

void QURISyntax::PrintRaw(std::string& out, const char* value, unsigned long) const {
    const std::string text(TextOf(value));
    out = Trimmed(text.substr(0, text.find(' ')));
}

int QURISyntax::Compare(const QValue&, const QValue&) const {
    return -1;
}

} // namespace harrow
