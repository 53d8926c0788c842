#include "schema/qgenoid.h"

namespace harrow {

QGenOID::QGenOID(const std::string& name, const QOID& oid) : QOID(oid), name(name) {}

QGenOID::~QGenOID() = default;

} // namespace harrow
