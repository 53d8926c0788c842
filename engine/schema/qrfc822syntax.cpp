#include "schema/qrfc822syntax.h"

namespace harrow {

QRFC822Syntax::QRFC822Syntax(const std::string& name) : QSyntax(name) {}

QRFC822Syntax::~QRFC822Syntax() = default;

void QRFC822Syntax::Print(std::string& out, const char* value, unsigned long) const {
    out = TextOf(value);
}

void QRFC822Syntax::PrintRaw(std::string& out, const char* value, unsigned long) const {
    out = TextOf(value);
}

int QRFC822Syntax::Compare(const QValue&, const QValue&) const {
    return -1;
}

} // namespace harrow
