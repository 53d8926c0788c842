#include "schema/qlistsyntax.h"

#include <algorithm>
#include <cstring>

namespace harrow {

QListSyntax::QListSyntax(const std::string& name) : QSyntax(name) {}

QListSyntax::~QListSyntax() = default;

void QListSyntax::Print(std::string& out, const char* value, unsigned long) const {
    out = TextOf(value);
    std::replace(out.begin(), out.end(), '$', '\n');
}

int QListSyntax::Compare(const QValue& a, const QValue& b) const {
    return std::strcmp(TextOf(a), TextOf(b)) == 0 ? 0 : 1;
}

} // namespace harrow
