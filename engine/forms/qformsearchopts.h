// QFormSearchOpts: the options a form search carries. Only automatic continuation is read; the
// other three values are kept so that the record has its full shape.
#pragma once

#include "harrow32_export.h"

#include <cstdint>

namespace harrow {

class HARROW32_EXPORT QFormSearchOpts {
public:
    QFormSearchOpts() = default;
    QFormSearchOpts(const QFormSearchOpts& other) = default;
    QFormSearchOpts& operator=(const QFormSearchOpts& other);

    // 1: the search follows intermediate matches itself; 0: they go to the requester.
    int32_t AutomaticContinuation() const { return automaticContinuation; }

private:
    int32_t automaticContinuation = 1;
    int32_t reservedA = -1;
    int32_t reservedB = 1;
    int32_t reservedC = -1;
};

} // namespace harrow
