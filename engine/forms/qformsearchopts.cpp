#include "forms/qformsearchopts.h"

namespace harrow {

QFormSearchOpts& QFormSearchOpts::operator=(const QFormSearchOpts& other) {
    automaticContinuation = other.automaticContinuation;
    reservedA = other.reservedA;
    reservedB = other.reservedB;
    reservedC = other.reservedC;
    return *this;
}

} // namespace harrow
