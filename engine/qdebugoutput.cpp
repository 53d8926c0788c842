#include "qdebugoutput.h"

#include <cstdarg>
#include <cstdio>
#include <utility>
#include <vector>

namespace harrow {

namespace {

QDebugOutput::Sink& CurrentSink() {
    static QDebugOutput::Sink sink;
    return sink;
}

} // namespace

void QDebugOutput::Write(const std::string& message) {
    const Sink& sink = CurrentSink();
    if (sink) {
        sink(message);
        return;
    }
    std::fwrite(message.data(), 1, message.size(), stderr);
    std::fflush(stderr);
}

void QDebugOutput::Writef(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) {
        va_end(args);
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    Write(std::string(buffer.data(), static_cast<size_t>(length)));
}

QDebugOutput::Sink QDebugOutput::SetSink(Sink sink) {
    return std::exchange(CurrentSink(), std::move(sink));
}

} // namespace harrow
