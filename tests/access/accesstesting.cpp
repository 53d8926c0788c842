#include "accesstesting.h"

#include "access/qlogfile.h"
#include "support/testdata.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <regex>
#include <unistd.h>

namespace larkspur::test {

namespace {

// The program ignores SIGPIPE at start-up; the tests stand in for it, since a write to a server
// that has gone away would otherwise end the test process.
class BrokenPipesIgnored : public ::testing::Environment {
public:
    void SetUp() override { std::signal(SIGPIPE, SIG_IGN); }
};

[[maybe_unused]] ::testing::Environment* const brokenPipesIgnored =
    ::testing::AddGlobalTestEnvironment(new BrokenPipesIgnored);

std::string FreshLogPath() {
    static std::atomic<int> serial{0};
    return ::testing::TempDir() + "access-" + std::to_string(::getpid()) + "-" +
           std::to_string(serial++) + ".log";
}

} // namespace

LogCapture::LogCapture() : path(FreshLogPath()) {
    std::remove(path.c_str());
    harrow::QLogFile::Open(path.c_str());
}

LogCapture::~LogCapture() {
    harrow::QLogFile::Close();
    std::remove(path.c_str());
}

std::string LogCapture::Masked() const {
    static const std::regex time(R"(\d\d/\d\d \d\d:\d\d:\d\d)");
    static const std::regex port(R"(Port: \d+)");
    const std::string timeless = std::regex_replace(ReadFile(path), time, "TIME");
    return std::regex_replace(timeless, port, "Port: PORT");
}

ManualClock::ManualClock(std::time_t start)
    : now(start), previous(harrow::QClock::SetSource([this] { return now; })) {}

ManualClock::~ManualClock() {
    harrow::QClock::SetSource(previous);
}

std::string ExpectedLog(const std::string& name) {
    return ReadFile(TestDataPath("access/" + name));
}

} // namespace larkspur::test
