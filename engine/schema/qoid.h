// QOID: an object identifier held as its sequence of unsigned 32-bit arcs. It owns its arcs;
// copies never share them.
#pragma once

#include "harrow32_export.h"

#include <cstdint>
#include <vector>

namespace harrow {

class HARROW32_EXPORT QOID {
public:
    // The most arcs an OID from the table files may have: generators written in terms of each
    // other could otherwise double an OID on every line.
    static constexpr unsigned int MaxArcs = 1024;

    QOID() = default;
    QOID(const QOID& other) = default;
    QOID& operator=(const QOID& other) = default;
    virtual ~QOID();

    // Amortised constant time: the arcs grow geometrically.
    void AppendElement(std::uint32_t arc);
    unsigned int GetCount() const { return static_cast<unsigned int>(elements.size()); }
    // The arcs, or null while the OID is empty.
    const std::uint32_t* OID() const { return elements.empty() ? nullptr : elements.data(); }

    // 1 when both hold the same arcs in the same order (two empty OIDs are equal), else 0.
    int operator==(const QOID& other) const;

private:
    std::vector<std::uint32_t> elements;
};

} // namespace harrow
