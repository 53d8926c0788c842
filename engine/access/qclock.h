// QClock: the wall clock in whole seconds that the connections' idle time-out reads. Tests
// replace its source to move time without sleeping; it owns only that source.
#pragma once

#include "harrow32_export.h"

#include <ctime>
#include <functional>

namespace harrow {

class HARROW32_EXPORT QClock {
public:
    using Source = std::function<std::time_t()>;

    // Seconds since 1 January 1970.
    static std::time_t Now();
    // Replaces the source; an empty source restores the system clock. Returns the previous one.
    static Source SetSource(Source source);
};

} // namespace harrow
