#include "model/qattr.h"

#include "schema/qattrt.h"

namespace harrow {

QAttr::QAttr(QAttrT* type) : type(type) {}

QAttr::QAttr(const QAttr& other) : type(other.type) {
    for (QValue* value : other.values) {
        values.AddTail(new QValue(*value));
    }
}

QAttr::~QAttr() {
    for (QValue* value : values) {
        delete value;
    }
}

void QAttr::AddValue(const char* bytes, unsigned long length) {
    values.AddTail(new QValue(type->Syntax(), bytes, length));
}

void QAttr::GetValues(PtrList<QValue>& out) const {
    for (QValue* value : values) {
        out.AddTail(value);
    }
}

void QAttr::PrintValues(QStringList& out) const {
    for (QValue* value : values) {
        std::string text;
        value->Print(text);
        out.push_back(text);
    }
}

} // namespace harrow
