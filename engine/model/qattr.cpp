#include "model/qattr.h"

#include "schema/qattrt.h"

namespace harrow {

QAttr::QAttr(QAttrT* type) : type(type) {}

QAttr::QAttr(const QAttr& other) : type(other.type), values(other.values) {}

QAttr::QAttr(QAttr&& other) noexcept : type(other.type), values(std::move(other.values)) {}

QAttr::~QAttr() = default;

void QAttr::ReserveValues(unsigned int count) {
    values.reserve(count);
}

void QAttr::AddValue(const char* bytes, unsigned long length) {
    values.emplace_back(type->Syntax(), bytes, length);
}

void QAttr::GetValues(PtrList<QValue>& out) const {
    for (const QValue& value : values) {
        // The list holds modifiable pointers; nothing is changed here.
        out.AddTail(const_cast<QValue*>(&value));
    }
}

void QAttr::PrintValues(QStringList& out) const {
    for (const QValue& value : values) {
        std::string text;
        value.Print(text);
        out.push_back(text);
    }
}

} // namespace harrow
