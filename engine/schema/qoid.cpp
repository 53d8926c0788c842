#include "schema/qoid.h"

#include <algorithm>

namespace harrow {

QOID::QOID(const QOID& other) {
    CopyArcs(other);
}

QOID& QOID::operator=(const QOID& other) {
    if (this != &other) {
        CopyArcs(other);
    }
    return *this;
}

QOID::~QOID() = default;

void QOID::AppendElement(std::uint32_t arc) {
    auto grown = std::make_unique<std::uint32_t[]>(count + 1);
    std::copy(elements.get(), elements.get() + count, grown.get());
    grown[count] = arc;
    elements = std::move(grown);
    ++count;
}

int QOID::operator==(const QOID& other) const {
    if (count != other.count) {
        return 0;
    }
    return std::equal(elements.get(), elements.get() + count, other.elements.get()) ? 1 : 0;
}

void QOID::CopyArcs(const QOID& other) {
    if (other.count == 0) {
        elements.reset();
    } else {
        elements = std::make_unique<std::uint32_t[]>(other.count);
        std::copy(other.elements.get(), other.elements.get() + other.count, elements.get());
    }
    count = other.count;
}

} // namespace harrow
