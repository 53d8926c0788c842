// Runs the same search two ways against one throwaway slapd loaded with many people: through the
// larkspur-search front end (the engine's form search, driven as the program's idle loop drives
// it) and through `ldapsearch -x -LLL` with the same base, scope and filter. Prints the wall-time
// ratio, the front end's peak memory per entry and its longest single Poll call.
#include "benchrun.h"
#include "support/bulkdirectory.h"
#include "support/demoservers.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using larkspur::bench::Median;
using larkspur::bench::ProgramRun;
using larkspur::bench::RunProgram;
using larkspur::test::BulkDirectory;
using larkspur::test::TestDirectory;

constexpr double kRatioTarget = 1.5;
constexpr double kPollTargetMs = 10.0;

struct CaseResult {
    long matches = 0;
    double frontSeconds = 0;
    double ldapsearchSeconds = 0;
    long peakKb = 0;
    double longestPollMs = 0;
    double longestPollCpuMs = 0;
};

// Takes the front end's own figures from a run with -stats.
void AddStatistics(const ProgramRun& run, CaseResult& result) {
    using larkspur::bench::Figure;
    result.peakKb = std::max(result.peakKb, static_cast<long>(Figure(run.errors, "peak memory")));
    result.longestPollMs = std::max(result.longestPollMs, Figure(run.errors, "longest poll"));
    result.longestPollCpuMs =
        std::max(result.longestPollCpuMs, Figure(run.errors, "longest poll cpu"));
}

CaseResult RunCase(const TestDirectory& server, const std::string& word, int runs) {
    const std::string port = std::to_string(server.Port());
    const std::vector<std::string> front = {LARKSPUR_SEARCH_PROGRAM,
                                            "-server",
                                            server.Host(),
                                            "-port",
                                            port,
                                            "-config",
                                            larkspur::test::DemoServers::kConfigDN,
                                            "-form",
                                            "People",
                                            "Name=" + word};
    // Timing every Poll call costs two system calls a call, so the timed runs go without it.
    std::vector<std::string> frontWithStats = front;
    frontWithStats.push_back("-stats");
    const std::vector<std::string> reference = {"ldapsearch",
                                                "-x",
                                                "-LLL",
                                                "-H",
                                                server.Url(),
                                                "-b",
                                                BulkDirectory::kPeople,
                                                "-s",
                                                "sub",
                                                BulkDirectory::FilterFor(word)};
    // One untimed run of each fills the server's caches.
    RunProgram(front);
    RunProgram(reference);
    CaseResult result;
    std::vector<double> frontTimes;
    std::vector<double> referenceTimes;
    for (int i = 0; i < runs; ++i) {
        const ProgramRun mine = RunProgram(front);
        const ProgramRun theirs = RunProgram(reference);
        if (mine.records != theirs.records) {
            std::fprintf(stderr, "the front end found %ld entries, ldapsearch %ld\n", mine.records,
                         theirs.records);
            std::exit(1);
        }
        result.matches = mine.records;
        frontTimes.push_back(mine.seconds);
        referenceTimes.push_back(theirs.seconds);
        AddStatistics(RunProgram(frontWithStats), result);
    }
    result.frontSeconds = Median(frontTimes);
    result.ldapsearchSeconds = Median(referenceTimes);
    return result;
}

int Option(int argc, char** argv, const std::string& name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (argv[i] == name) {
            return std::atoi(argv[i + 1]);
        }
    }
    return fallback;
}

} // namespace

int main(int argc, char** argv) {
    const int people = Option(argc, argv, "--people", 100000);
    const int runs = std::max(1, Option(argc, argv, "--runs", 3));
    std::signal(SIGPIPE, SIG_IGN);

    BulkDirectory bulk;
    const TestDirectory& server = bulk.Server();
    if (!bulk.Start(people)) {
        std::fprintf(stderr, "the benchmark server did not start\n");
        return 1;
    }
    std::printf("%d people, median of %d runs each\n\n", people, runs);
    std::printf("%8s %11s %12s %6s %10s %12s %13s %15s\n", "matches", "front end", "ldapsearch",
                "ratio", "peak RSS", "RSS/entry", "longest Poll", "its CPU time");
    bool met = true;
    for (const auto& [word, expected] :
         {std::pair<std::string, int>{BulkDirectory::kTenthWord, people / 10},
          std::pair<std::string, int>{BulkDirectory::kEveryoneWord, people}}) {
        const CaseResult result = RunCase(server, word, runs);
        if (result.matches != expected) {
            std::fprintf(stderr, "'%s' matched %ld entries, not %d\n", word.c_str(), result.matches,
                         expected);
            return 1;
        }
        const double ratio = result.frontSeconds / result.ldapsearchSeconds;
        std::printf("%8ld %10.3fs %11.3fs %6.2f %8ldKB %10.1f B %11.2f ms %12.2f ms\n",
                    result.matches, result.frontSeconds, result.ldapsearchSeconds, ratio,
                    result.peakKb, result.peakKb * 1024.0 / result.matches, result.longestPollMs,
                    result.longestPollCpuMs);
        met = met && ratio <= kRatioTarget && result.longestPollMs <= kPollTargetMs;
    }
    std::printf("\ntargets (ratio <= %.1f, no Poll call over %.0f ms): %s\n", kRatioTarget,
                kPollTargetMs, met ? "met" : "missed");
    return 0;
}
