// Runs the same search two ways against one throwaway slapd loaded with many people: through the
// larkspur-search front end (the engine's form search, driven as the program's idle loop drives
// it) and through `ldapsearch -x -LLL` with the same base, scope and filter. Prints the wall-time
// ratio, the front end's peak memory per entry and its longest single Poll call. Then runs a
// search whose server answers the bind and falls silent, and prints how long the longest engine
// call held the front end's loop and how much processor time the wait cost.
#include "support/fakeldapserver.h"
#include "support/testdirectory.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using larkspur::test::FakeLdapServer;
using larkspur::test::TestDirectory;

constexpr const char* kSuffix = "o=Bench,c=GB";
constexpr const char* kPeople = "ou=People,o=Bench,c=GB";
constexpr const char* kForms = "ou=Forms,o=Bench,c=GB";
constexpr double kRatioTarget = 1.5;
constexpr double kPollTargetMs = 10.0;
constexpr int kStallSeconds = 5;
constexpr double kGapTargetMs = 50.0;
constexpr double kWaitCpuTargetMs = 100.0;

// Every tenth person carries the word "Tenth", so "tenth" matches a tenth of them and "person"
// matches them all.
std::string PeopleLdif(int people) {
    std::ostringstream ldif;
    ldif << "dn: " << kPeople << "\nobjectClass: organizationalUnit\nou: People\n\n";
    char number[16];
    for (int i = 1; i <= people; ++i) {
        std::snprintf(number, sizeof number, "%06d", i);
        const std::string cn = std::string("Person ") + number + (i % 10 == 0 ? " Tenth" : "");
        ldif << "dn: cn=" << cn << "," << kPeople << "\nobjectClass: inetOrgPerson\ncn: " << cn
             << "\nsn: " << number << "\nmail: person" << i << "@bench.example\n"
             << "telephoneNumber: +44 1234 " << number << "\n\n";
    }
    return ldif.str();
}

// A second form whose one base point is on the silent server.
std::string SilentFormLdif(const FakeLdapServer& silent) {
    const std::string forms = kForms;
    std::ostringstream ldif;
    ldif << "dn: cn=Silent," << forms << "\nobjectClass: lsRuleSet\ncn: Silent\n\n"
         << "dn: cn=People,cn=Silent," << forms << "\nobjectClass: lsSearchClass\ncn: People\n"
         << "lsLDAPURI: " << silent.UrlFor(kPeople) << "\nlsSearchClassList: Person\n\n"
         << "dn: cn=Person,cn=Silent," << forms << "\nobjectClass: lsSearchClass\ncn: Person\n"
         << "lsObjectClassDefinition: inetOrgPerson\n\n"
         << "dn: cn=Silent People," << forms << "\nobjectClass: lsSearchForm\n"
         << "cn: Silent People\nlsRuleSetName: Silent\nlsInputList: Person\n\n"
         << "dn: cn=Person,cn=Silent People," << forms << "\nobjectClass: lsFormInput\n"
         << "cn: Person\nlsSearchClassName: Person\nlsFieldList: Name\n\n"
         << "dn: cn=Name,cn=Person,cn=Silent People," << forms << "\nobjectClass: lsFormField\n"
         << "cn: Name\nlsFiltAttrList: cn\n";
    return ldif.str();
}

std::string ConfigLdif(int port) {
    const std::string forms = kForms;
    std::ostringstream ldif;
    ldif << "dn: " << forms << "\nobjectClass: organizationalUnit\nou: Forms\n\n"
         << "dn: cn=Bench," << forms << "\nobjectClass: lsRuleSet\ncn: Bench\n\n"
         << "dn: cn=People,cn=Bench," << forms << "\nobjectClass: lsSearchClass\ncn: People\n"
         << "lsLDAPURI: ldap://127.0.0.1:" << port << "/" << kPeople << "\n"
         << "lsSearchClassList: Person\n\n"
         << "dn: cn=Person,cn=Bench," << forms << "\nobjectClass: lsSearchClass\ncn: Person\n"
         << "lsObjectClassDefinition: inetOrgPerson\n\n"
         << "dn: cn=People," << forms << "\nobjectClass: lsSearchForm\ncn: People\n"
         << "lsRuleSetName: Bench\nlsInputList: Person\n\n"
         << "dn: cn=Person,cn=People," << forms << "\nobjectClass: lsFormInput\ncn: Person\n"
         << "lsSearchClassName: Person\nlsFieldList: Name\n\n"
         << "dn: cn=Name,cn=Person,cn=People," << forms << "\nobjectClass: lsFormField\n"
         << "cn: Name\nlsFiltAttrList: cn\n";
    return ldif.str();
}

struct Run {
    double seconds = 0;
    long entries = 0;
    std::string errors;
};

// Counts the lines that start an LDIF record in a stream read in pieces.
class RecordCounter {
public:
    void Feed(const char* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            if (atLineStart && data[i] == 'd') {
                matched = 1;
            } else if (matched == 1 && data[i] == 'n') {
                matched = 2;
            } else if (matched == 2 && data[i] == ':') {
                ++records;
                matched = 0;
            } else {
                matched = 0;
            }
            atLineStart = data[i] == '\n';
        }
    }
    long Records() const { return records; }

private:
    bool atLineStart = true;
    int matched = 0;
    long records = 0;
};

// Runs the program with its output read (and its records counted) as it comes, stderr kept in
// a file, and its wall time measured.
Run Measure(const std::vector<std::string>& argv) {
    const std::string errorsPath =
        "/tmp/bench_formsearch." + std::to_string(::getpid()) + ".stderr";
    int out[2];
    if (pipe(out) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        std::FILE* errors = std::fopen(errorsPath.c_str(), "w");
        dup2(fileno(errors), STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        std::perror(args[0]);
        _exit(127);
    }
    close(out[1]);
    RecordCounter counter;
    std::vector<char> buffer(1 << 16);
    for (ssize_t got; (got = read(out[0], buffer.data(), buffer.size())) > 0;) {
        counter.Feed(buffer.data(), static_cast<size_t>(got));
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.entries = counter.Records();
    std::ifstream errors(errorsPath);
    run.errors.assign(std::istreambuf_iterator<char>(errors), std::istreambuf_iterator<char>());
    std::remove(errorsPath.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed:\n%s", argv[0].c_str(), run.errors.c_str());
        std::exit(1);
    }
    return run;
}

// The value after "label: " in the front end's statistics.
double Statistic(const std::string& errors, const std::string& label) {
    const auto at = errors.find(label + ": ");
    return at == std::string::npos ? -1 : std::atof(errors.c_str() + at + label.size() + 2);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct CaseResult {
    long matches = 0;
    double frontSeconds = 0;
    double ldapsearchSeconds = 0;
    long peakKb = 0;
    double longestPollMs = 0;
    double longestPollCpuMs = 0;
};

// Takes the front end's own figures from a run with -stats.
void AddStatistics(const Run& run, CaseResult& result) {
    result.peakKb =
        std::max(result.peakKb, static_cast<long>(Statistic(run.errors, "peak memory")));
    result.longestPollMs = std::max(result.longestPollMs, Statistic(run.errors, "longest poll"));
    result.longestPollCpuMs =
        std::max(result.longestPollCpuMs, Statistic(run.errors, "longest poll cpu"));
}

CaseResult RunCase(const TestDirectory& server, const std::string& word, int runs) {
    const std::string port = std::to_string(server.Port());
    const std::vector<std::string> front = {LARKSPUR_SEARCH_PROGRAM,
                                            "-server",
                                            server.Host(),
                                            "-port",
                                            port,
                                            "-config",
                                            kForms,
                                            "-form",
                                            "People",
                                            "Name=" + word};
    // Timing every Poll call costs two system calls a call, so the timed runs go without it.
    std::vector<std::string> frontWithStats = front;
    frontWithStats.push_back("-stats");
    const std::vector<std::string> reference = {
        "ldapsearch", "-x",    "-LLL", "-H",  server.Url(),
        "-b",         kPeople, "-s",   "sub", "(&(objectclass=inetOrgPerson)(cn=*" + word + "*))"};
    // One untimed run of each fills the server's caches.
    Measure(front);
    Measure(reference);
    CaseResult result;
    std::vector<double> frontTimes;
    std::vector<double> referenceTimes;
    for (int i = 0; i < runs; ++i) {
        const Run mine = Measure(front);
        const Run theirs = Measure(reference);
        if (mine.entries != theirs.entries) {
            std::fprintf(stderr, "the front end found %ld entries, ldapsearch %ld\n", mine.entries,
                         theirs.entries);
            std::exit(1);
        }
        result.matches = mine.entries;
        frontTimes.push_back(mine.seconds);
        referenceTimes.push_back(theirs.seconds);
        AddStatistics(Measure(frontWithStats), result);
    }
    result.frontSeconds = Median(frontTimes);
    result.ldapsearchSeconds = Median(referenceTimes);
    return result;
}

// The search of a server that answers the bind and then nothing, given up after the stall time:
// the longest engine call (the front end's loop does nothing else, so it is the loop's longest
// gap), the longest Poll and the processor time of the wait, each the worst of the runs. Prints
// the figures and returns how many targets were missed.
int RunSilentCase(const TestDirectory& server, int runs) {
    double longestPollMs = 0;
    double longestGapMs = 0;
    double waitCpuMs = 0;
    double waitSeconds = 0;
    for (int i = 0; i < runs; ++i) {
        const Run run =
            Measure({LARKSPUR_SEARCH_PROGRAM, "-server", server.Host(), "-port",
                     std::to_string(server.Port()), "-config", kForms, "-form", "Silent People",
                     "Name=tenth", "-timeout", std::to_string(kStallSeconds), "-stats"});
        const double pollMs = Statistic(run.errors, "longest poll");
        longestPollMs = std::max(longestPollMs, pollMs);
        longestGapMs = std::max({longestGapMs, pollMs, Statistic(run.errors, "invoke")});
        waitCpuMs = std::max(waitCpuMs, Statistic(run.errors, "search cpu"));
        waitSeconds = std::max(waitSeconds, run.seconds);
    }
    std::printf("silent server wait: %.2f s (stall time %d s)\n", waitSeconds, kStallSeconds);
    std::printf("silent server longest Poll: %.2f ms\n", longestPollMs);
    std::printf("silent server longest event-loop gap: %.2f ms\n", longestGapMs);
    std::printf("silent server processor time while waiting: %.2f ms\n", waitCpuMs);
    const int missed =
        (longestGapMs > kGapTargetMs ? 1 : 0) + (waitCpuMs > kWaitCpuTargetMs ? 1 : 0);
    std::printf("silent server: %d passed, %d failed\n", 2 - missed, missed);
    return missed;
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

    TestDirectory server(kSuffix);
    server.AddGlobalConfig("sizelimit unlimited");
    server.LoadLdif(PeopleLdif(people));
    FakeLdapServer silent(FakeLdapServer::Behaviour::AnswerBindThenSilent);
    if (!silent.Start() || !server.Start() || !server.ApplyLdif(ConfigLdif(server.Port())) ||
        !server.ApplyLdif(SilentFormLdif(silent))) {
        std::fprintf(stderr, "the benchmark server did not start\n");
        return 1;
    }
    std::printf("%d people, median of %d runs each\n\n", people, runs);
    std::printf("%8s %11s %12s %6s %10s %12s %13s %15s\n", "matches", "front end", "ldapsearch",
                "ratio", "peak RSS", "RSS/entry", "longest Poll", "its CPU time");
    bool met = true;
    for (const auto& [word, expected] : {std::pair<std::string, int>{"tenth", people / 10},
                                         std::pair<std::string, int>{"person", people}}) {
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
    std::printf("\ntargets (ratio <= %.1f, no Poll call over %.0f ms): %s\n\n", kRatioTarget,
                kPollTargetMs, met ? "met" : "missed");
    RunSilentCase(server, runs);
    return 0;
}
