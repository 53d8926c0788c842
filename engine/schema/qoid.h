// QOID: an object identifier held as its sequence of unsigned 32-bit arcs. It owns its arc array;
// copies never share one.
#pragma once

#include "harrow32_export.h"

#include <cstdint>
#include <memory>

namespace harrow {

class HARROW32_EXPORT QOID {
public:
    QOID() = default;
    QOID(const QOID& other);
    QOID& operator=(const QOID& other);
    virtual ~QOID();

    void AppendElement(std::uint32_t arc);
    unsigned int GetCount() const { return count; }
    // The arcs, or null while the OID is empty.
    const std::uint32_t* OID() const { return elements.get(); }

    // 1 when both hold the same arcs in the same order (two empty OIDs are equal), else 0.
    int operator==(const QOID& other) const;

private:
    void CopyArcs(const QOID& other);

    std::unique_ptr<std::uint32_t[]> elements;
    unsigned int count = 0;
};

} // namespace harrow
