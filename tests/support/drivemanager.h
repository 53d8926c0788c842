// DriveUntil: runs a directory service manager as the search front end does (a Poll, then asleep
// until the engine has work) for the tests that time how long single Poll calls take. It owns
// nothing.
#pragma once

#include "access/qdsmanager.h"

#include <chrono>
#include <functional>

namespace larkspur::test {

// Drives the manager until done() holds or the limit has passed (a test failure); returns the
// longest single Poll call.
std::chrono::steady_clock::duration
DriveUntil(harrow::QDSManager& manager, const std::function<bool()>& done,
           std::chrono::seconds limit = std::chrono::seconds(20));

} // namespace larkspur::test
