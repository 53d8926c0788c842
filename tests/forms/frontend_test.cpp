// The search front end as a script runs it: its exit status for a wrong command line and for a
// search that cannot start, and its LDIF and counts for a search against real servers.
#include "frontend.h"
#include "searchworld.h"

#include "support/testdata.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace larkspur::test {
namespace {

constexpr int kCouldNotStart = 1;
constexpr int kWrongCommandLine = 2;

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// The engine's traces come first on stderr; the program's own message is the last line.
std::string LastLine(const std::string& text) {
    const std::string body = text.substr(0, text.find_last_not_of('\n') + 1);
    return body.substr(body.rfind('\n') + 1);
}

TEST(FrontEndCommandLine, WrongCommandLineExitsWithTwoAndTheUsage) {
    const std::vector<std::pair<Args, std::string>> cases = {
        {{}, "-server, -config and -form are required"},
        {{"-server", "localhost", "-config", "o=x"}, "-server, -config and -form are required"},
        {{"-server"}, "option -server needs a value"},
        {{"-server", "h", "-port", "70000", "-config", "o=x", "-form", "f"},
         "invalid port '70000'"},
        {{"-server", "h", "-config", "o=x", "-form", "f", "-verbose"},
         "unknown argument '-verbose'"},
    };
    for (const auto& [args, reason] : cases) {
        const Outcome outcome = RunFrontEnd(args);
        EXPECT_EQ(kWrongCommandLine, outcome.status) << reason;
        EXPECT_EQ("larkspur-search: " + reason, FirstLine(outcome.err));
        EXPECT_NE(std::string::npos, outcome.err.find("\nusage: larkspur-search -server HOST"))
            << outcome.err;
        EXPECT_EQ("", outcome.out) << reason;
    }
}

TEST(FrontEndCommandLine, HelpPrintsTheUsageAndSucceeds) {
    const Outcome outcome = RunFrontEnd({"--help"});
    EXPECT_EQ(0, outcome.status);
    EXPECT_EQ("usage: larkspur-search -server HOST [-port PORT] -config CONFIG_DN -form FORM",
              FirstLine(outcome.out));
    EXPECT_EQ("", outcome.err);
}

// The front end against the two servers of the form search tests, with their configuration.
class FrontEndTest : public FormSearchTest {
protected:
    Outcome Search(const std::string& form, const Args& fields, int port = 0) {
        Args args = {"-server", TestDirectory::kHost,
                     "-port",   std::to_string(port != 0 ? port : alpha.Port()),
                     "-config", kConfigDn,
                     "-form",   form,
                     "-tables", DataPath("")};
        args.insert(args.end(), fields.begin(), fields.end());
        return RunFrontEnd(args);
    }
};

TEST_F(FrontEndTest, SearchPrintsTheMatchesAsLdifThenTheCounts) {
    const std::string logPath =
        ::testing::TempDir() + "frontend-" + std::to_string(::getpid()) + ".log";
    const Outcome outcome = Search("Alpha people", {"Name=smith", "-logfile", logPath});
    EXPECT_EQ(0, outcome.status) << outcome.err;
    EXPECT_EQ(ReadFile(TestDataPath("forms/search/alpha-people.ldif")), outcome.out);
    EXPECT_EQ(std::string::npos, outcome.err.find("larkspur-search:")) << outcome.err;
    const std::string log = TakeFile(logPath);
    EXPECT_NE(std::string::npos, log.find("LDAP search invoked OK:")) << log;
}

TEST_F(FrontEndTest, SearchThatCannotStartExitsWithOne) {
    const std::vector<std::pair<Outcome, std::string>> cases = {
        {Search("Alpha people", {"Name=smith"}, 1),
         "the form configuration could not be loaded from 127.0.0.1:1"},
        {Search("Nobody's form", {"Name=smith"}), "no form named 'Nobody's form'"},
        {Search("Alpha people", {"Height=2m"}), "form 'Alpha people' has no field 'Height'"},
        {Search("No base", {"Name=smith"}),
         "the search could not start: Not enough search data supplied."},
    };
    for (const auto& [outcome, reason] : cases) {
        EXPECT_EQ(kCouldNotStart, outcome.status) << reason;
        EXPECT_EQ("larkspur-search: " + reason, LastLine(outcome.err));
        EXPECT_EQ("", outcome.out) << reason;
    }
}

} // namespace
} // namespace larkspur::test
