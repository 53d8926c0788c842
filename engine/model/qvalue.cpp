#include "model/qvalue.h"

#include "schema/qsyntax.h"

#include <cstring>

namespace harrow {

namespace {

// The syntaxes read the bytes as zero-terminated text and ignore the length.
constexpr unsigned long kWholeText = 0xFFFFFFFFUL;

} // namespace

QValue::QValue(QSyntax* syntax, const char* bytes, unsigned long length) : syntax(syntax) {
    CopyBytes(bytes, length);
}

QValue::QValue(const QValue& other) : syntax(other.syntax) {
    CopyBytes(other.data.get(), other.length);
}

QValue& QValue::operator=(const QValue& other) {
    if (this != &other) {
        syntax = other.syntax;
        CopyBytes(other.data.get(), other.length);
    }
    return *this;
}

QValue::~QValue() = default;

void QValue::CopyBytes(const char* bytes, unsigned long count) {
    data = std::make_unique<char[]>(count);
    if (count > 0) {
        std::memcpy(data.get(), bytes, count);
    }
    length = count;
}

void QValue::Print(std::string& out) const {
    if (syntax == nullptr) {
        out.clear();
        return;
    }
    syntax->Print(out, data.get(), kWholeText);
}

void QValue::PrintRaw(std::string& out) const {
    if (syntax == nullptr) {
        out.clear();
        return;
    }
    syntax->PrintRaw(out, data.get(), kWholeText);
}

int QValue::operator==(const QValue& other) const {
    if (syntax != other.syntax) {
        return 0;
    }
    if (syntax == nullptr) {
        return length == other.length && std::memcmp(data.get(), other.data.get(), length) == 0;
    }
    return syntax->Compare(*this, other) == 0 ? 1 : 0;
}

} // namespace harrow
