// Runs the same search two ways against one throwaway slapd loaded with many people: through the
// larkspur-search front end (the engine's form search, driven as the program's idle loop drives
// it) and through `ldapsearch -x -LLL` with the same base, scope and filter. Prints the wall-time
// ratio, the front end's peak memory per entry and its longest single Poll call. A chained case
// then finds the people below each of many organisations, against the same searches made by
// ldapsearch one after another (the organisations, then one search below each). Last, a search
// whose server answers the bind and falls silent shows how long the longest engine call held the
// front end's loop and how much processor time the wait cost.
#include "benchrun.h"
#include "support/bulkdirectory.h"
#include "support/demoservers.h"
#include "support/fakeldapserver.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using larkspur::bench::Median;
using larkspur::bench::ProgramRun;
using larkspur::bench::RunProgram;
using larkspur::test::BulkDirectory;
using larkspur::test::FakeLdapServer;
using larkspur::test::TestDirectory;

constexpr const char* kSuffix = "o=Bench,c=GB";
constexpr const char* kForms = "ou=Forms,o=Bench,c=GB";
constexpr const char* kOrganisations = "ou=Organisations,o=Bench,c=GB";
constexpr const char* kOrganisationFilter = "(&(objectclass=organization)(o=*org*))";
constexpr const char* kMemberFilter = "(&(objectclass=inetOrgPerson)(cn=*member*))";
constexpr double kRatioTarget = 1.5;
constexpr double kPollTargetMs = 10.0;
constexpr int kStallSeconds = 5;
// larkspur-search's exit status for a search that ended with operations failed.
constexpr int kSomeOperationsFailed = 4;
constexpr double kGapTargetMs = 50.0;
constexpr double kWaitCpuTargetMs = 100.0;

// A second form whose one base point is on the silent server.
std::string SilentFormLdif(const FakeLdapServer& silent) {
    const std::string forms = larkspur::test::DemoServers::kConfigDN;
    const std::string ruleSet = "cn=Silent," + forms;
    std::ostringstream ldif;
    ldif << "dn: " << ruleSet << "\nobjectClass: lsRuleSet\ncn: Silent\n\n"
         << "dn: cn=People," << ruleSet << "\nobjectClass: lsSearchClass\ncn: People\n"
         << "lsLDAPURI: " << silent.UrlFor(BulkDirectory::kPeople) << "\n"
         << "lsSearchClassList: Person\n\n"
         << "dn: cn=Person," << ruleSet << "\nobjectClass: lsSearchClass\ncn: Person\n"
         << "lsObjectClassDefinition: inetOrgPerson\n\n"
         << "dn: cn=Silent People," << forms << "\nobjectClass: lsSearchForm\n"
         << "cn: Silent People\nlsRuleSetName: Silent\nlsInputList: Person\n\n"
         << "dn: cn=Person,cn=Silent People," << forms << "\nobjectClass: lsFormInput\n"
         << "cn: Person\nlsSearchClassName: Person\nlsFieldList: Name\n\n"
         << "dn: cn=Name,cn=Person,cn=Silent People," << forms << "\nobjectClass: lsFormField\n"
         << "cn: Name\nlsFiltAttrList: cn\n";
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
    ldif << "dn: " << forms << "\nobjectClass: organizationalUnit\nou: Forms\n\n"
         << "dn: cn=Chained," << forms << "\nobjectClass: lsRuleSet\ncn: Chained\n\n"
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

struct CaseResult {
    long matches = 0;
    double frontSeconds = 0;
    double ldapsearchSeconds = 0;
    long peakKb = 0;
    double longestPollMs = 0;
    double longestPollCpuMs = 0;
};

// larkspur-search reads the project's own OID tables, wherever the benchmark is started from.
std::vector<std::string> FrontEndCommand(const TestDirectory& server, const std::string& configDn,
                                         const std::vector<std::string>& search) {
    std::vector<std::string> command = {LARKSPUR_SEARCH_PROGRAM,
                                        "-tables",
                                        LARKSPUR_TABLES_DIR,
                                        "-server",
                                        server.Host(),
                                        "-port",
                                        std::to_string(server.Port()),
                                        "-config",
                                        configDn};
    command.insert(command.end(), search.begin(), search.end());
    return command;
}

// Takes the front end's own figures from a run with -stats.
void AddStatistics(const ProgramRun& run, CaseResult& result) {
    using larkspur::bench::Figure;
    result.peakKb = std::max(result.peakKb, static_cast<long>(Figure(run.errors, "peak memory")));
    result.longestPollMs = std::max(result.longestPollMs, Figure(run.errors, "longest poll"));
    result.longestPollCpuMs =
        std::max(result.longestPollCpuMs, Figure(run.errors, "longest poll cpu"));
}

CaseResult RunCase(const TestDirectory& server, const std::string& word, int runs) {
    const std::vector<std::string> front = FrontEndCommand(
        server, larkspur::test::DemoServers::kConfigDN, {"-form", "People", "Name=" + word});
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
ProgramRun LdapsearchChain(const TestDirectory& server) {
    const auto start = std::chrono::steady_clock::now();
    const ProgramRun organisations =
        RunProgram(LdapsearchArgs(server, kOrganisations, kOrganisationFilter), true);
    ProgramRun chain;
    chain.cpuSeconds = organisations.cpuSeconds;
    for (const std::string& dn : PrintedDNs(organisations.output)) {
        const ProgramRun members = RunProgram(LdapsearchArgs(server, dn, kMemberFilter));
        chain.records += members.records;
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
    const std::vector<std::string> front = FrontEndCommand(
        server, kForms, {"-form", "Members", "Organisation:Name=org", "Person:Name=member"});
    RunProgram(front);
    ChainedResult result;
    std::vector<double> frontTimes;
    std::vector<double> frontCpu;
    std::vector<double> referenceTimes;
    std::vector<double> referenceCpu;
    for (int i = 0; i < runs; ++i) {
        ProgramRun mine;
        ProgramRun theirs;
        if (i % 2 == 0) {
            mine = RunProgram(front);
            theirs = LdapsearchChain(server);
        } else {
            theirs = LdapsearchChain(server);
            mine = RunProgram(front);
        }
        if (mine.records != theirs.records) {
            std::fprintf(stderr, "chained: the front end found %ld entries, ldapsearch %ld\n",
                         mine.records, theirs.records);
            std::exit(1);
        }
        result.matches = mine.records;
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

// The search of a server that answers the bind and then nothing, given up after the stall time:
// the longest engine call (the front end's loop does nothing else, so it is the loop's longest
// gap), the longest Poll and the processor time of the wait, each the worst of the runs.
bool RunSilentCase(const TestDirectory& server, int runs) {
    using larkspur::bench::Figure;
    double longestPollMs = 0;
    double longestGapMs = 0;
    double waitCpuMs = 0;
    for (int i = 0; i < runs; ++i) {
        const ProgramRun run =
            RunProgram(FrontEndCommand(server, larkspur::test::DemoServers::kConfigDN,
                                       {"-form", "Silent People", "Name=tenth", "-timeout",
                                        std::to_string(kStallSeconds), "-stats"}),
                       false, kSomeOperationsFailed);
        const double pollMs = Figure(run.errors, "longest poll");
        longestPollMs = std::max(longestPollMs, pollMs);
        longestGapMs = std::max({longestGapMs, pollMs, Figure(run.errors, "invoke")});
        waitCpuMs = std::max(waitCpuMs, Figure(run.errors, "search cpu"));
    }
    std::printf("silent server longest Poll: %.2f ms\n", longestPollMs);
    std::printf("silent server longest event-loop gap: %.2f ms\n", longestGapMs);
    std::printf("silent server processor time while waiting %d s: %.2f ms\n", kStallSeconds,
                waitCpuMs);
    const int failed =
        (longestGapMs > kGapTargetMs ? 1 : 0) + (waitCpuMs > kWaitCpuTargetMs ? 1 : 0);
    std::printf("silent server: %d passed, %d failed\n", 2 - failed, failed);
    return failed == 0;
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

    BulkDirectory bulk;
    const TestDirectory& server = bulk.Server();
    FakeLdapServer silent(FakeLdapServer::Behaviour::AnswerBindThenSilent);
    if (!silent.Start() || !bulk.Start(people) ||
        !bulk.Server().ApplyLdif(SilentFormLdif(silent))) {
        std::fprintf(stderr, "the benchmark server did not start\n");
        return 1;
    }
    std::printf("%d people, median of %d runs each\n\n", people, runs);
    std::printf("%8s %11s %12s %6s %10s %12s %13s %15s\n", "matches", "front end", "ldapsearch",
                "ratio", "peak RSS", "RSS/entry", "longest Poll", "its CPU time");
    bool met = true;
    int passed = 0;
    int failed = 0;
    for (const auto& [word, expected] :
         {std::pair<std::string, int>{BulkDirectory::kTenthWord, people / 10},
          std::pair<std::string, int>{BulkDirectory::kEveryoneWord, people}}) {
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
    std::printf("\ntargets (ratio <= %.1f, no Poll call over %.0f ms): %s\n\n", kRatioTarget,
                kPollTargetMs, met ? "met" : "missed");

    // Only the size limit is raised: the chained case must get by with slapd's default limit on
    // requests waiting per connection. It has no speed target and passes when every member is
    // found.
    TestDirectory chainedServer(kSuffix);
    chainedServer.AddGlobalConfig("sizelimit unlimited");
    chainedServer.LoadLdif(OrganisationsLdif(organisations, membersEach));
    if (!chainedServer.Start() ||
        !chainedServer.ApplyLdif(ChainedConfigLdif(chainedServer.Port()))) {
        std::fprintf(stderr, "the chained benchmark server did not start\n");
        return 1;
    }
    const ChainedResult chained = RunChainedCase(chainedServer, runs);
    PrintChained(chained, organisations, membersEach);
    ++(chained.matches == static_cast<long>(organisations) * membersEach ? passed : failed);
    std::printf("\n");
    ++(RunSilentCase(server, runs) ? passed : failed);
    std::printf("\nformsearch: %d passed, %d failed\n", passed, failed);
    return 0;
}
