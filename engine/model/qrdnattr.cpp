#include "model/qrdnattr.h"

#include "model/qvalue.h"
#include "schema/qattrt.h"

namespace harrow {

QRDNAttr::QRDNAttr(QAttrT* type, const char* bytes, unsigned long length)
    : type(type), value(std::make_unique<QValue>(type->Syntax(), bytes, length)) {}

QRDNAttr::~QRDNAttr() = default;

void QRDNAttr::Print(std::string& out) const {
    std::string printed;
    value->Print(printed);
    out = type->Name() + "=" + printed;
}

int QRDNAttr::operator==(const QRDNAttr& other) const {
    return type == other.type && *value == *other.value ? 1 : 0;
}

} // namespace harrow
