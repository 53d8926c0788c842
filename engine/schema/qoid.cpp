#include "schema/qoid.h"

namespace harrow {

QOID::~QOID() = default;

void QOID::AppendElement(std::uint32_t arc) {
    elements.push_back(arc);
}

int QOID::operator==(const QOID& other) const {
    return elements == other.elements ? 1 : 0;
}

} // namespace harrow
