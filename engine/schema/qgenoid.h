// QGenOID: a named OID prefix from the generator file, so that OIDs in the table files can be
// written as "name.arc". It owns its name and arcs.
#pragma once

#include "harrow32_export.h"
#include "schema/qoid.h"

#include <string>

namespace harrow {

class HARROW32_EXPORT QGenOID : public QOID {
public:
    QGenOID(const std::string& name, const QOID& oid);
    QGenOID(const QGenOID& other) = default;
    QGenOID& operator=(const QGenOID& other) = default;
    ~QGenOID() override;

    const std::string& Name() const { return name; }

private:
    std::string name;
};

} // namespace harrow
