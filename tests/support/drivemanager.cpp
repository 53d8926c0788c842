#include "support/drivemanager.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace larkspur::test {

std::chrono::steady_clock::duration DriveUntil(harrow::QDSManager& manager,
                                               const std::function<bool()>& done,
                                               std::chrono::seconds limit) {
    std::chrono::steady_clock::duration longest{};
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        const auto start = std::chrono::steady_clock::now();
        manager.Poll();
        longest = std::max(longest, std::chrono::steady_clock::now() - start);
        manager.WaitForWork(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(done()) << "still not done after " << limit.count() << " s";
    return longest;
}

} // namespace larkspur::test
