// Appends the arcs of long and short OIDs, once to QOID and once to a reference that reallocates
// its array to the exact new size on every append, and checks that QOID's cost per arc does not
// grow with the OID's length (amortised constant time) while the reference's does.

#include "benchrun.h"
#include "schema/qoid.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr unsigned int kShort = 16;
constexpr unsigned int kLong = harrow::QOID::MaxArcs;
constexpr unsigned int kArcsPerRound = 1u << 21;
constexpr int kRounds = 5;

// The way arcs were appended before: a new array of exactly the new size every time.
class ExactSizeOID {
public:
    void AppendElement(std::uint32_t arc) {
        auto grown = std::make_unique<std::uint32_t[]>(count + 1);
        std::copy(elements.get(), elements.get() + count, grown.get());
        grown[count] = arc;
        elements = std::move(grown);
        ++count;
    }
    unsigned int GetCount() const { return count; }

private:
    std::unique_ptr<std::uint32_t[]> elements;
    unsigned int count = 0;
};

struct Cost {
    double wallNsPerArc;
    double cpuNsPerArc;
};

// Builds OIDs of the given length until kArcsPerRound arcs have been appended.
template <typename OID> Cost AppendRound(unsigned int length) {
    const auto wallStart = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    unsigned long checksum = 0;
    for (unsigned int built = 0; built < kArcsPerRound; built += length) {
        OID oid;
        for (unsigned int arc = 0; arc < length; ++arc) {
            oid.AppendElement(arc);
        }
        checksum += oid.GetCount();
    }
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC * 1e9;
    const std::chrono::duration<double, std::nano> wall =
        std::chrono::steady_clock::now() - wallStart;
    if (checksum == 0) {
        std::printf("nothing appended\n");
    }
    return {wall.count() / kArcsPerRound, cpu / kArcsPerRound};
}

struct Measured {
    double wall;
    double cpu;
};

// Medians of kRounds rounds, the two kinds and lengths alternating so that neither always runs
// first.
template <typename OID> Measured Ratio() {
    std::vector<double> wallRatios;
    std::vector<double> cpuRatios;
    for (int round = 0; round < kRounds; ++round) {
        const bool longFirst = round % 2 == 1;
        const Cost first = AppendRound<OID>(longFirst ? kLong : kShort);
        const Cost second = AppendRound<OID>(longFirst ? kShort : kLong);
        const Cost& longCost = longFirst ? first : second;
        const Cost& shortCost = longFirst ? second : first;
        wallRatios.push_back(longCost.wallNsPerArc / shortCost.wallNsPerArc);
        cpuRatios.push_back(longCost.cpuNsPerArc / shortCost.cpuNsPerArc);
    }
    return {larkspur::bench::Median(wallRatios), larkspur::bench::Median(cpuRatios)};
}

} // namespace

int main() {
    const Measured reference = Ratio<ExactSizeOID>();
    const Measured qoid = Ratio<harrow::QOID>();
    std::printf("reference_long_to_short_cost_per_arc_wall: %.2f\n", reference.wall);
    std::printf("reference_long_to_short_cost_per_arc_cpu: %.2f\n", reference.cpu);
    std::printf("qoid_long_to_short_cost_per_arc_wall: %.2f\n", qoid.wall);
    std::printf("qoid_long_to_short_cost_per_arc_cpu: %.2f\n", qoid.cpu);
    // A 64 times longer OID may cost somewhat more per arc (cache), never in proportion.
    const int passed = (qoid.cpu < 4.0 ? 1 : 0) + (qoid.cpu < reference.cpu ? 1 : 0);
    std::printf("oidappend: %d passed, %d failed\n", passed, 2 - passed);
    return passed == 2 ? 0 : 1;
}
