// Runs the same search two ways against one throwaway slapd loaded with many people: through the
// larkspur-search front end (the engine's form search, driven as the program's idle loop drives
// it) and through `ldapsearch -x -LLL` with the same base, scope and filter. Prints the wall-time
// ratio, the front end's peak memory per entry and its longest single Poll call. A chained case
// then finds the people below each of many organisations, against the same searches made by
// ldapsearch one after another (the organisations, then one search below each).
#include "support/testdirectory.h"

#include <sys/resource.h>
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

using larkspur::test::TestDirectory;

constexpr const char* kSuffix = "o=Bench,c=GB";
constexpr const char* kPeople = "ou=People,o=Bench,c=GB";
constexpr const char* kForms = "ou=Forms,o=Bench,c=GB";
constexpr const char* kOrganisations = "ou=Organisations,o=Bench,c=GB";
constexpr const char* kOrganisationFilter = "(&(objectclass=organization)(o=*org*))";
constexpr const char* kMemberFilter = "(&(objectclass=inetOrgPerson)(cn=*member*))";
constexpr double kRatioTarget = 1.5;
constexpr double kPollTargetMs = 10.0;

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

// Members below each organisation, for the chained case.
std::string OrganisationsLdif(int organisations, int membersEach) {
    std::ostringstream ldif;
    ldif << "dn: " << kOrganisations << "\nobjectClass: organizationalUnit\nou: Organisations\n\n";
    char number[32];
    for (int i = 1; i <= organisations; ++i) {
        std::snprintf(number, sizeof number, "%05d", i);
        const std::string organisation = std::string("o=Org ") + number + "," + kOrganisations;
        ldif << "dn: " << organisation << "\nobjectClass: organization\no: Org " << number
             << "\n\n";
        for (int j = 1; j <= membersEach; ++j) {
            std::snprintf(number, sizeof number, "%05d-%02d", i, j);
            ldif << "dn: cn=Member " << number << "," << organisation
                 << "\nobjectClass: inetOrgPerson\ncn: Member " << number << "\nsn: " << number
                 << "\n\n";
        }
    }
    return ldif.str();
}

// A form whose base point looks for organisations only, and for people below them.
std::string ChainedConfigLdif(int port) {
    const std::string forms = kForms;
    std::ostringstream ldif;
    ldif << "dn: cn=Chained," << forms << "\nobjectClass: lsRuleSet\ncn: Chained\n\n"
         << "dn: cn=Organisations,cn=Chained," << forms
         << "\nobjectClass: lsSearchClass\ncn: Organisations\n"
         << "lsLDAPURI: ldap://127.0.0.1:" << port << "/" << kOrganisations << "\n"
         << "lsSearchClassList: Organisation\n\n"
         << "dn: cn=Organisation,cn=Chained," << forms
         << "\nobjectClass: lsSearchClass\ncn: Organisation\n"
         << "lsObjectClassDefinition: organization\nlsSearchClassList: Person\n\n"
         << "dn: cn=Person,cn=Chained," << forms << "\nobjectClass: lsSearchClass\ncn: Person\n"
         << "lsObjectClassDefinition: inetOrgPerson\n\n"
         << "dn: cn=Members," << forms << "\nobjectClass: lsSearchForm\ncn: Members\n"
         << "lsRuleSetName: Chained\nlsInputList: Person$Organisation\n\n"
         << "dn: cn=Person,cn=Members," << forms << "\nobjectClass: lsFormInput\ncn: Person\n"
         << "lsSearchClassName: Person\nlsFieldList: Name\n\n"
         << "dn: cn=Name,cn=Person,cn=Members," << forms << "\nobjectClass: lsFormField\n"
         << "cn: Name\nlsFiltAttrList: cn\n\n"
         << "dn: cn=Organisation,cn=Members," << forms
         << "\nobjectClass: lsFormInput\ncn: Organisation\n"
         << "lsSearchClassName: Organisation\nlsFieldList: Name\n\n"
         << "dn: cn=Name,cn=Organisation,cn=Members," << forms << "\nobjectClass: lsFormField\n"
         << "cn: Name\nlsFiltAttrList: o\n";
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
    // Processor time of the program, user and system.
    double cpuSeconds = 0;
    long entries = 0;
    std::string errors;
    // What it printed, where asked for.
    std::string output;
};

double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

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
Run Measure(const std::vector<std::string>& argv, bool keepOutput = false) {
    const std::string errorsPath =
        "/tmp/bench_formsearch." + std::to_string(::getpid()) + ".stderr";
    int out[2];
    if (pipe(out) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const auto start = std::chrono::steady_clock::now();
    const double cpuBefore = ChildrenCpuSeconds();
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
    Run run;
    std::vector<char> buffer(1 << 16);
    for (ssize_t got; (got = read(out[0], buffer.data(), buffer.size())) > 0;) {
        counter.Feed(buffer.data(), static_cast<size_t>(got));
        if (keepOutput) {
            run.output.append(buffer.data(), static_cast<size_t>(got));
        }
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = ChildrenCpuSeconds() - cpuBefore;
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

// The DNs of the records that ldapsearch printed without line wrapping.
std::vector<std::string> PrintedDNs(const std::string& ldif) {
    std::vector<std::string> dns;
    std::istringstream lines(ldif);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("dn: ", 0) == 0) {
            dns.push_back(line.substr(4));
        }
    }
    return dns;
}

std::vector<std::string> LdapsearchArgs(const TestDirectory& server, const std::string& base,
                                        const std::string& filter) {
    return {"ldapsearch", "-x", "-LLL", "-o", "ldif-wrap=no", "-H",
            server.Url(), "-b", base,   "-s", "sub",          filter};
}

// The searches the form search makes, made by ldapsearch one after another: the organisations,
// then the members below each one found. Entries counts the members.
Run LdapsearchChain(const TestDirectory& server) {
    const auto start = std::chrono::steady_clock::now();
    const Run organisations =
        Measure(LdapsearchArgs(server, kOrganisations, kOrganisationFilter), true);
    Run chain;
    chain.cpuSeconds = organisations.cpuSeconds;
    for (const std::string& dn : PrintedDNs(organisations.output)) {
        const Run members = Measure(LdapsearchArgs(server, dn, kMemberFilter));
        chain.entries += members.entries;
        chain.cpuSeconds += members.cpuSeconds;
    }
    chain.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return chain;
}

struct ChainedResult {
    long matches = 0;
    double frontSeconds = 0;
    double frontCpuSeconds = 0;
    double ldapsearchSeconds = 0;
    double ldapsearchCpuSeconds = 0;
};

// Alternates which goes first, so that neither always meets the server's caches cold.
ChainedResult RunChainedCase(const TestDirectory& server, int runs) {
    const std::vector<std::string> front = {LARKSPUR_SEARCH_PROGRAM,
                                            "-server",
                                            server.Host(),
                                            "-port",
                                            std::to_string(server.Port()),
                                            "-config",
                                            kForms,
                                            "-form",
                                            "Members",
                                            "Organisation:Name=org",
                                            "Person:Name=member"};
    Measure(front);
    ChainedResult result;
    std::vector<double> frontTimes;
    std::vector<double> frontCpu;
    std::vector<double> referenceTimes;
    std::vector<double> referenceCpu;
    for (int i = 0; i < runs; ++i) {
        Run mine;
        Run theirs;
        if (i % 2 == 0) {
            mine = Measure(front);
            theirs = LdapsearchChain(server);
        } else {
            theirs = LdapsearchChain(server);
            mine = Measure(front);
        }
        if (mine.entries != theirs.entries) {
            std::fprintf(stderr, "chained: the front end found %ld entries, ldapsearch %ld\n",
                         mine.entries, theirs.entries);
            std::exit(1);
        }
        result.matches = mine.entries;
        frontTimes.push_back(mine.seconds);
        frontCpu.push_back(mine.cpuSeconds);
        referenceTimes.push_back(theirs.seconds);
        referenceCpu.push_back(theirs.cpuSeconds);
    }
    result.frontSeconds = Median(frontTimes);
    result.frontCpuSeconds = Median(frontCpu);
    result.ldapsearchSeconds = Median(referenceTimes);
    result.ldapsearchCpuSeconds = Median(referenceCpu);
    return result;
}

void PrintChained(const ChainedResult& result, int organisations, int membersEach) {
    std::printf("\nchained_organisations: %d\n", organisations);
    std::printf("chained_members_each: %d\n", membersEach);
    std::printf("chained_matches: %ld\n", result.matches);
    std::printf("chained_front_end_wall_s: %.3f\n", result.frontSeconds);
    std::printf("chained_front_end_cpu_s: %.3f\n", result.frontCpuSeconds);
    std::printf("chained_ldapsearch_wall_s: %.3f\n", result.ldapsearchSeconds);
    std::printf("chained_ldapsearch_cpu_s: %.3f\n", result.ldapsearchCpuSeconds);
    std::printf("chained_ratio: %.3f\n", result.frontSeconds / result.ldapsearchSeconds);
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
    const int organisations = Option(argc, argv, "--organisations", 2000);
    const int membersEach = Option(argc, argv, "--members", 10);
    std::signal(SIGPIPE, SIG_IGN);

    // Only the size limit is raised: the chained case must get by with slapd's default limit on
    // requests waiting per connection.
    TestDirectory server(kSuffix);
    server.AddGlobalConfig("sizelimit unlimited");
    server.LoadLdif(PeopleLdif(people));
    server.LoadLdif(OrganisationsLdif(organisations, membersEach));
    if (!server.Start() || !server.ApplyLdif(ConfigLdif(server.Port())) ||
        !server.ApplyLdif(ChainedConfigLdif(server.Port()))) {
        std::fprintf(stderr, "the benchmark server did not start\n");
        return 1;
    }
    std::printf("%d people, median of %d runs each\n\n", people, runs);
    std::printf("%8s %11s %12s %6s %10s %12s %13s %15s\n", "matches", "front end", "ldapsearch",
                "ratio", "peak RSS", "RSS/entry", "longest Poll", "its CPU time");
    bool met = true;
    int passed = 0;
    int failed = 0;
    for (const auto& [word, expected] : {std::pair<std::string, int>{"tenth", people / 10},
                                         std::pair<std::string, int>{"person", people}}) {
        if (expected == 0) {
            continue;
        }
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
        const bool caseMet = ratio <= kRatioTarget && result.longestPollMs <= kPollTargetMs;
        met = met && caseMet;
        ++(caseMet ? passed : failed);
    }
    std::printf("\ntargets (ratio <= %.1f, no Poll call over %.0f ms): %s\n", kRatioTarget,
                kPollTargetMs, met ? "met" : "missed");

    // The chained case has no speed target; it passes when every member is found.
    const ChainedResult chained = RunChainedCase(server, runs);
    PrintChained(chained, organisations, membersEach);
    ++(chained.matches == static_cast<long>(organisations) * membersEach ? passed : failed);
    std::printf("\nformsearch: %d passed, %d failed\n", passed, failed);
    return 0;
}
