// Helpers of the access tests: a log file captured for one test with its timestamps and ports
// masked, a clock that only moves when told to, and a close-notice point that records its calls.
#pragma once

#include "access/qclock.h"
#include "access/qsocketclosewatcher.h"

#include <ctime>
#include <string>
#include <vector>

namespace larkspur::test {

// Opens the engine's log on a fresh file and closes it again when it goes.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The log so far with every "dd/mm hh:mm:ss" replaced by "TIME" and every port number after
    // "Port: " by "PORT".
    std::string Masked() const;

private:
    std::string path;
};

// Replaces the engine's clock for its lifetime.
class ManualClock {
public:
    explicit ManualClock(std::time_t start = 1'700'000'000);
    ~ManualClock();
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    void Advance(std::time_t seconds) { now += seconds; }
    std::time_t Now() const { return now; }

private:
    std::time_t now;
    harrow::QClock::Source previous;
};

class RecordingWatcher : public harrow::QSocketCloseWatcher {
public:
    void WatchSocket(int socket) override { watched.push_back(socket); }
    void ForgetSocket(int socket) override { forgotten.push_back(socket); }

    std::vector<int> watched;
    std::vector<int> forgotten;
};

// The expected text of a log file below tests/data/access/.
std::string ExpectedLog(const std::string& name);

} // namespace larkspur::test
