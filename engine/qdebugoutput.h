// The engine's diagnostic output stream: schema, DN and form-configuration messages go here,
// one call per message. It writes to stderr unless a sink has been installed (tests capture it).
#pragma once

#include "harrow32_export.h"

#include <functional>
#include <string>

namespace harrow {

class HARROW32_EXPORT QDebugOutput {
public:
    using Sink = std::function<void(const std::string&)>;

    // Sends one message, exactly as given.
    static void Write(const std::string& message);
    // Formats with printf rules, then sends the result as one message.
    static void Writef(const char* format, ...) __attribute__((format(printf, 1, 2)));

    // Replaces the destination; an empty sink restores stderr. Returns the previous sink.
    static Sink SetSink(Sink sink);
};

} // namespace harrow
