// Captures the engine's diagnostic output stream for the lifetime of the object, one string per
// message, and restores the previous destination afterwards.
#pragma once

#include "qdebugoutput.h"

#include <string>
#include <vector>

namespace larkspur::test {

class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    const std::vector<std::string>& Messages() const { return messages; }
    // All messages joined with "\n" after each, as they would read in a debugger's output.
    std::string Joined() const;
    void Clear() { messages.clear(); }

private:
    std::vector<std::string> messages;
    harrow::QDebugOutput::Sink previous;
};

} // namespace larkspur::test
