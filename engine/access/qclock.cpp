#include "access/qclock.h"

#include <utility>

namespace harrow {

namespace {

QClock::Source& CurrentSource() {
    static QClock::Source source;
    return source;
}

} // namespace

std::time_t QClock::Now() {
    const Source& source = CurrentSource();
    return source ? source() : std::time(nullptr);
}

QClock::Source QClock::SetSource(Source source) {
    return std::exchange(CurrentSource(), std::move(source));
}

} // namespace harrow
