#include "schema/qstringsyntax.h"

#include "schema/schematext.h"

namespace harrow {

QStringSyntax::QStringSyntax(const std::string& name) : QSyntax(name) {}

QStringSyntax::~QStringSyntax() = default;

void QStringSyntax::Print(std::string& out, const char* value, unsigned long) const {
    out = TextOf(value);
}

void QStringSyntax::PrintRaw(std::string& out, const char* value, unsigned long) const {
    out = TextOf(value);
}

int QStringSyntax::Compare(const QValue& a, const QValue& b) const {
    return CompareIgnoringCase(TextOf(a), TextOf(b));
}

} // namespace harrow
