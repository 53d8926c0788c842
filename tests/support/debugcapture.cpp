#include "support/debugcapture.h"

namespace larkspur::test {

DebugCapture::DebugCapture() {
    previous = harrow::QDebugOutput::SetSink(
        [this](const std::string& message) { messages.push_back(message); });
}

DebugCapture::~DebugCapture() {
    harrow::QDebugOutput::SetSink(std::move(previous));
}

std::string DebugCapture::Joined() const {
    std::string all;
    for (const std::string& message : messages) {
        all += message;
        all += '\n';
    }
    return all;
}

} // namespace larkspur::test
