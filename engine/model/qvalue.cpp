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
    CopyBytes(other.Value(), other.length);
}

QValue::QValue(QValue&& other) noexcept
    : syntax(other.syntax), length(other.length), bytes(other.bytes) {
    other.length = 0;
}

QValue& QValue::operator=(const QValue& other) {
    if (this != &other) {
        FreeBytes();
        syntax = other.syntax;
        CopyBytes(other.Value(), other.length);
    }
    return *this;
}

QValue::~QValue() {
    FreeBytes();
}

void QValue::CopyBytes(const char* from, unsigned long count) {
    length = static_cast<std::uint32_t>(count);
    if (!IsInline()) {
        bytes.outside = new char[count];
    }
    if (count > 0) {
        std::memcpy(Value(), from, count);
    }
}

void QValue::FreeBytes() {
    if (!IsInline()) {
        delete[] bytes.outside;
    }
    length = 0;
}

void QValue::Print(std::string& out) const {
    if (syntax == nullptr) {
        out.clear();
        return;
    }
    syntax->Print(out, Value(), kWholeText);
}

void QValue::PrintRaw(std::string& out) const {
    if (syntax == nullptr) {
        out.clear();
        return;
    }
    syntax->PrintRaw(out, Value(), kWholeText);
}

int QValue::operator==(const QValue& other) const {
    if (syntax != other.syntax) {
        return 0;
    }
    if (syntax == nullptr) {
        return length == other.length && std::memcmp(Value(), other.Value(), length) == 0;
    }
    return syntax->Compare(*this, other) == 0 ? 1 : 0;
}

} // namespace harrow
