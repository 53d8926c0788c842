#include "schema/qsyntax.h"

#include "model/qvalue.h"

namespace harrow {

QSyntax::QSyntax(const std::string& name) : name(name) {}

QSyntax::~QSyntax() = default;

void QSyntax::PrintRaw(std::string& out, const char* value, unsigned long length) const {
    Print(out, value, length);
}

const char* QSyntax::TextOf(const QValue& value) {
    return TextOf(value.Value());
}

} // namespace harrow
