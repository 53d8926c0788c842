// The search front end as a script runs it: its exit statuses, its form list and form names, its
// outputs read back by parsers of their own (Python's json and csv, python-ldap's LDIF reader),
// where it finds the OID tables, and the program as installed by cmake --install.
#include "frontend.h"
#include "searchworld.h"

#include "support/demoservers.h"
#include "support/fakeldapserver.h"
#include "support/testdata.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace larkspur::test {
namespace {

namespace fs = std::filesystem;

constexpr int kCouldNotStart = 1;
constexpr int kWrongCommandLine = 2;
constexpr int kSomeOperationsFailed = 4;

// The output read back by the independent parsers and printed the same way for every format.
std::string ReadBack(const std::string& format, const std::string& output) {
    const std::string path = ::testing::TempDir() + "readback-" + std::to_string(::getpid());
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        EXPECT_NE(nullptr, file);
        std::fwrite(output.data(), 1, output.size(), file);
        std::fclose(file);
    }
    const Outcome outcome =
        RunProgram({"/usr/bin/python3", LARKSPUR_READBACK_SCRIPT, format, path});
    std::remove(path.c_str());
    EXPECT_EQ(0, outcome.status) << format << ": " << outcome.err;
    return outcome.out;
}

// A fresh empty folder below the test's temporary folder.
std::string NewFolder(const std::string& name) {
    const fs::path folder =
        fs::path(::testing::TempDir()) / ("frontend-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder.string();
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
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
        {{"-server", "h", "-list"}, "-server and -config are required"},
        {{"-server", "h", "-config", "o=x", "-form", "f", "-o", "xml"},
         "unknown output format 'xml' (ldif, csv, json or vcard)"},
        {{"-server", "h", "-config", "o=x", "-form", "f", "-attrs", " , "},
         "-attrs names no attribute"},
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

TEST(FrontEndCommandLine, HelpPrintsTheUsageWithTheExitStatusesAndSucceeds) {
    for (const char* help : {"--help", "-help", "-h"}) {
        const Outcome outcome = RunFrontEnd({"-server", "h", help});
        EXPECT_EQ(0, outcome.status);
        EXPECT_EQ("usage: larkspur-search -server HOST [-port PORT] -config CONFIG_DN -form FORM",
                  FirstLine(outcome.out));
        EXPECT_NE(std::string::npos, outcome.out.find("4 when some operations failed"));
        EXPECT_EQ("", outcome.err);
    }
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
    // Without -v the engine's traces stay quiet.
    EXPECT_EQ("", outcome.err);
    const std::string log = TakeFile(logPath);
    EXPECT_NE(std::string::npos, log.find("LDAP search invoked OK:")) << log;

    const Outcome verbose = Search("Alpha people", {"Name=smith", "-v"});
    EXPECT_EQ(0, verbose.status) << verbose.err;
    EXPECT_EQ(outcome.out, verbose.out);
    EXPECT_NE(std::string::npos, verbose.err.find("Generate filter")) << verbose.err;
}

// Beta's place is taken by a server that answers the bind and then nothing: the front end gives
// its operation up after the time-out, exits by itself with the counts, and sleeps meanwhile.
TEST_F(FrontEndTest, SilentServerIsGivenUpAfterTheTimeOutWithoutSpendingProcessorTime) {
    ASSERT_TRUE(beta.Stop());
    FakeLdapServer silent(FakeLdapServer::Behaviour::AnswerBindThenSilent);
    ASSERT_TRUE(silent.Start(beta.Port()));
    const Outcome outcome = Search("People", {"Name=smith", "-timeout", "5", "-stats"});
    EXPECT_EQ(4, outcome.status) << outcome.err;
    EXPECT_NE(std::string::npos, outcome.out.find("# operations: 2 made, 1 succeeded, 1 failed"))
        << outcome.out;
    const std::string cpu = "search cpu: ";
    const auto at = outcome.err.find(cpu);
    ASSERT_NE(std::string::npos, at) << outcome.err;
    // A sanity bound (the benchmark measures): the front end used to spin a core meanwhile.
    EXPECT_LT(std::stod(outcome.err.substr(at + cpu.size())), 1000.0) << outcome.err;
    EXPECT_EQ(1, silent.Searches());
}

TEST_F(FrontEndTest, SearchThatCannotStartExitsWithOne) {
    const std::vector<std::pair<Outcome, std::string>> cases = {
        {Search("Alpha people", {"Name=smith"}, 1),
         "the form configuration could not be loaded from 127.0.0.1:1"},
        {Search("Nobody's form", {"Name=smith"}), "no form named 'Nobody's form'; the forms are:"},
        {Search("Alpha people", {"Height=2m"}), "form 'Alpha people' has no field 'Height'"},
        {Search("No base", {"Name=smith"}),
         "the search could not start: Not enough search data supplied."},
    };
    for (const auto& [outcome, reason] : cases) {
        EXPECT_EQ(kCouldNotStart, outcome.status) << reason;
        // Without -v no engine trace comes before the program's own message.
        EXPECT_EQ("larkspur-search: " + reason, FirstLine(outcome.err));
        EXPECT_EQ("", outcome.out) << reason;
    }
}

// The front end against the demo directory, as a user runs it after scripts/demo. The servers
// are shared by the tests of the suite, which only read them.
class FrontEndDemoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        demo = new DemoServers;
        if (!demo->Start()) {
            GTEST_SKIP() << "the demo directory did not start";
        }
        ASSERT_TRUE(demo->Server1().ApplyLdif(
            "dn: cn=Olivia Holt,ou=Physics,o=Calder Institute,dc=calder,dc=example\n"
            "changetype: modify\n"
            "add: description\n"
            "description:: " +
            std::string("RsOtc2ljYSwgInF1YW50dW0iOyBsYWI=") + // "Física, \"quantum\"; lab"
            "\n-\nadd: jpegPhoto\njpegPhoto:: /9j/4AAQSkZJRgAB\n"));
    }
    static void TearDownTestSuite() {
        delete demo;
        demo = nullptr;
    }

    static Args Server(DemoServers& servers) {
        return {
            "-server", TestDirectory::kHost,   "-port",   std::to_string(servers.Server1().Port()),
            "-config", DemoServers::kConfigDN, "-tables", DataPath("")};
    }
    static Outcome Demo(const Args& more, const Place& place = {}) {
        Args args = Server(*demo);
        args.insert(args.end(), more.begin(), more.end());
        return RunFrontEnd(args, place);
    }

    static std::string Expected(const std::string& name) {
        return ReadFile(TestDataPath("forms/frontend/" + name));
    }

    static DemoServers* demo;
};

DemoServers* FrontEndDemoTest::demo = nullptr;

TEST_F(FrontEndDemoTest, ListPrintsEachFormWithItsInputsAndFields) {
    const Outcome outcome = Demo({"-list"});
    EXPECT_EQ(0, outcome.status) << outcome.err;
    EXPECT_EQ(Expected("demo-forms.list"), outcome.out);
    EXPECT_EQ("", outcome.err);
}

TEST_F(FrontEndDemoTest, FormNamesMatchIgnoringCaseWithANoteElseTheFormsAreListed) {
    const Outcome exact = Demo({"-form", "People", "Name=holt"});
    const Outcome folded = Demo({"-form", "pEOPLE", "Name=holt"});
    EXPECT_EQ(0, folded.status) << folded.err;
    EXPECT_EQ(exact.out, folded.out);
    EXPECT_EQ("larkspur-search: using the form 'People' for 'pEOPLE'\n", folded.err);

    const Outcome unknown = Demo({"-form", "Persons", "Name=holt"});
    EXPECT_EQ(kCouldNotStart, unknown.status);
    EXPECT_EQ(Expected("unknown-form.err"), unknown.err);
    EXPECT_EQ("", unknown.out);
}

// LDIF and JSON carry every attribute and must read back the same; CSV and vCard carry what
// they were asked for.
TEST_F(FrontEndDemoTest, EveryOutputReadsBackWithAnIndependentParser) {
    const Outcome ldif = Demo({"-form", "People", "Name=holt"});
    EXPECT_EQ(0, ldif.status) << ldif.err;
    EXPECT_EQ(Expected("holt.ldif"), ldif.out);
    const Outcome json = Demo({"-form", "People", "-o", "json", "Name=holt"});
    EXPECT_EQ(0, json.status) << json.err;
    EXPECT_EQ(Expected("holt.entries"), ReadBack("ldif", ldif.out));
    EXPECT_EQ(Expected("holt.entries"), ReadBack("json", json.out));

    const Outcome csv = Demo({"-form", "People", "-o", "csv", "Name=o"});
    EXPECT_EQ(0, csv.status) << csv.err;
    EXPECT_EQ(Expected("people.csv-rows"), ReadBack("csv", csv.out));
    const Outcome chosen =
        Demo({"-form", "People", "-o", "csv", "-attrs", "sn,DESCRIPTION", "Name=holt"});
    EXPECT_EQ("sn | DESCRIPTION\nHolt | Física, \"quantum\"; lab\n", ReadBack("csv", chosen.out));
    const std::string folder = NewFolder("registry");
    const std::string registry = folder + "/Larkspur.reg";
    {
        std::FILE* file = std::fopen(registry.c_str(), "wb");
        ASSERT_NE(nullptr, file);
        const std::string text = demo->RegistryText();
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    const Outcome columns =
        Demo({"-form", "People", "-o", "csv", "-registry", registry, "Name=holt"});
    EXPECT_EQ(0, columns.status) << columns.err;
    EXPECT_EQ(Expected("holt-registry.csv-rows"), ReadBack("csv", columns.out));

    const Outcome vcard = Demo({"-form", "People", "-o", "vcard", "Name=holt"});
    EXPECT_EQ(0, vcard.status) << vcard.err;
    EXPECT_EQ(Expected("holt.vcard-properties"), ReadBack("vcard", vcard.out));
    fs::remove_all(folder);
}

TEST_F(FrontEndDemoTest, TheOidTablesComeFromTheCurrentFolderElseTheDataFolders) {
    const std::string folder = NewFolder("tables");
    const std::string home = folder + "/home";
    const std::string system = folder + "/system";
    const Args list = {
        "-server", TestDirectory::kHost,   "-port", std::to_string(demo->Server1().Port()),
        "-config", DemoServers::kConfigDN, "-list"};
    const Place nowhere{folder, {"XDG_DATA_HOME=" + home, "XDG_DATA_DIRS=" + system}};
    const Outcome missing = RunFrontEnd(list, nowhere);
    EXPECT_EQ(kCouldNotStart, missing.status);
    EXPECT_EQ("larkspur-search: the OID tables could not be loaded from the current folder, " +
                  home + "/larkspur, " + system + "/larkspur\n",
              missing.err);

    fs::create_directories(system + "/larkspur");
    for (const char* extension : {".gen", ".at", ".oc"}) {
        const std::string name = std::string("oidtable32") + extension;
        fs::copy_file(DataPath(name), system + "/larkspur/" + name);
    }
    const Outcome found = RunFrontEnd(list, nowhere);
    EXPECT_EQ(0, found.status) << found.err;
    EXPECT_EQ(Expected("demo-forms.list"), found.out);

    // Tables in the current folder come first: these empty ones know none of the
    // configuration's object classes, so no form loads.
    for (const char* extension : {".gen", ".at", ".oc"}) {
        std::FILE* file = std::fopen((folder + "/oidtable32" + extension).c_str(), "w");
        ASSERT_NE(nullptr, file);
        std::fclose(file);
    }
    const Outcome current = RunFrontEnd(list, nowhere);
    EXPECT_EQ(0, current.status) << current.err;
    EXPECT_EQ("", current.out);
    fs::remove_all(folder);
}

// The installed program, started from a folder of its own, finds its library and its tables.
TEST_F(FrontEndDemoTest, InstalledProgramRunsFromAnotherFolder) {
    const std::string prefix = NewFolder("prefix");
    const Outcome installed =
        RunProgram({LARKSPUR_CMAKE_PROGRAM, "--install", LARKSPUR_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(0, installed.status) << installed.out << installed.err;
    const std::string work = NewFolder("work");
    const Place place{work,
                      {"XDG_DATA_HOME=" + work, "XDG_DATA_DIRS=" + prefix + "/share",
                       "LD_LIBRARY_PATH=" + prefix + "/" + LARKSPUR_INSTALL_LIBDIR}};
    Args args = {prefix + "/bin/larkspur-search",
                 "-server",
                 TestDirectory::kHost,
                 "-port",
                 std::to_string(demo->Server1().Port()),
                 "-config",
                 DemoServers::kConfigDN,
                 "-form",
                 "people",
                 "-o",
                 "json",
                 "Name=holt"};
    const Outcome outcome = RunProgram(args, place);
    EXPECT_EQ(0, outcome.status) << outcome.err;
    EXPECT_EQ(Expected("holt.entries"), ReadBack("json", outcome.out));
    for (const char* file :
         {"share/man/man1/larkspur-search.1.gz", "share/man/man1/Larkspur32.1.gz",
          "share/larkspur/larkspur.schema", "share/applications/org.calder.Larkspur.desktop",
          "share/metainfo/org.calder.Larkspur.metainfo.xml",
          "share/icons/hicolor/48x48/apps/org.calder.Larkspur.png",
          "share/icons/hicolor/scalable/apps/org.calder.Larkspur.svg"}) {
        EXPECT_TRUE(fs::exists(prefix + "/" + file)) << file;
    }
    const std::string library = prefix + "/" + LARKSPUR_INSTALL_LIBDIR + "/libHarrow32.so";
    EXPECT_EQ("libHarrow32.so.1", fs::read_symlink(library).string());
    EXPECT_EQ("libHarrow32.so.1.0.0", fs::read_symlink(library + ".1").string());
    fs::remove_all(work);
    fs::remove_all(prefix);
}

// A base point whose entry does not exist fails its operation; the search still ends.
TEST(FrontEndFailingBasePoint, SomeOperationsFailedExitsWithFour) {
    DemoServers servers;
    ASSERT_TRUE(servers.Start());
    ASSERT_TRUE(servers.Server1().ApplyLdif(
        "dn: cn=Fenwick Laboratories,cn=Directory,ou=Larkspur Forms,dc=calder,dc=example\n"
        "changetype: modify\nreplace: lsLDAPURI\nlsLDAPURI: " +
        servers.Server2().UrlFor("ou=Nowhere,dc=fenwick,dc=example") + "\n"));
    Args args = {"-server",  TestDirectory::kHost,
                 "-port",    std::to_string(servers.Server1().Port()),
                 "-config",  DemoServers::kConfigDN,
                 "-tables",  DataPath(""),
                 "-form",    "People",
                 "Name=holt"};
    const Outcome outcome = RunFrontEnd(args);
    EXPECT_EQ(kSomeOperationsFailed, outcome.status) << outcome.err;
    EXPECT_EQ("larkspur-search: 1 of 2 operations failed\n", outcome.err);
    EXPECT_NE(std::string::npos, outcome.out.find("dn: cn=Olivia Holt,ou=Physics,"));
}

} // namespace
} // namespace larkspur::test
