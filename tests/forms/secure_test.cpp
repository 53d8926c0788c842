// Form searches and configuration loading against directories as organisations run them: over
// TLS (ldaps:// and StartTLS) with certificates made for the test, behind a sign-in, and with a
// size limit that only paging gets past.
#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "access/qreadcompletionreport.h"
#include "access/qreadentry.h"
#include "access/qreaderrorreport.h"
#include "access/qreadreport.h"
#include "access/qreadresult.h"
#include "access/qrequestmsg.h"
#include "configdirectory.h"
#include "forms/qformconfiguration.h"
#include "frontend.h"
#include "model/qentry.h"
#include "schema/oidtable.h"
#include "searchworld.h"
#include "support/testcertificates.h"
#include "support/testdata.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace larkspur::test {
namespace {

using harrow::ldapapi::Transport;
using Server = TestCertificates::Server;

constexpr const char* kRightPassword = "Lark-spur 42";
constexpr const char* kWrongPassword = "Wrong-Guess 7";

// Entries reach a TLS test server's readers only over TLS, so that finding them proves the
// search was encrypted.
constexpr const char* kTlsOnlyAccess = "access to * by tls_ssf=1 read by * auth";

std::string Person(const std::string& name, const std::string& parent) {
    return "dn: cn=" + name + "," + parent + "\nobjectClass: inetOrgPerson\ncn: " + name +
           "\nsn: " + name.substr(name.find(' ') + 1) + "\n\n";
}

TestCertificates& Certificates() {
    TestCertificates& certificates = TestCertificates::Shared();
    EXPECT_TRUE(certificates.Make());
    return certificates;
}

void ServeTls(TestDirectory& server, Server certificate) {
    TestCertificates& certificates = Certificates();
    server.WithTls(certificates.CertificateFile(certificate), certificates.KeyFile(certificate));
}

// Home and remote serve TLS with the good certificate and show their entries over TLS only;
// remote holds Cara Reed.
void ServeTlsOnly(TestDirectory& home, TestDirectory& remote) {
    for (TestDirectory* server : {&home, &remote}) {
        ServeTls(*server, Server::Good);
        server->AddDatabaseConfig(kTlsOnlyAccess);
    }
    remote.LoadLdif(Person("Cara Reed", "o=Remote,c=GB"));
}

// Counts what a read reports, deleting the payloads.
class ReadRecorder : public harrow::QRequester {
public:
    void OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) override {
        if (activity == harrow::DUA_RESULT) {
            std::unique_ptr<harrow::QReadResult> result(
                static_cast<harrow::QReadResult*>(message->Message()));
            delete result->GetEntry();
            ++entries;
        } else if (activity == harrow::DUA_COMPLETE) {
            delete static_cast<harrow::QReadCompletionReport*>(message->Message());
            complete = true;
        } else if (activity == harrow::DUA_REPORT) {
            delete static_cast<harrow::QReadReport*>(message->Message());
        } else if (activity == harrow::DUA_ERROR) {
            delete static_cast<harrow::QReadErrorReport*>(message->Message());
        }
    }
    int entries = 0;
    bool complete = false;
};

// A manager with the schema. A manager closes the engine's log when it goes, so tests that read
// the log open it after any manager of their own.
class SecureTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A write to a server that has gone away must not end the test process.
        std::signal(SIGPIPE, SIG_IGN);
        ASSERT_EQ(1, manager.Table()->Load(DataPath("oidtable32").c_str()));
    }

    // Puts the form configuration on the home server, its base point reached by homeUrl, with a
    // second, referred base point when elsewhereUrl is given.
    void Configure(TestDirectory& home, const std::string& homeUrl,
                   const std::string& elsewhereUrl = "") {
        const Placeholders values = {{"@HOME_URL@", homeUrl},
                                     {"@SUFFIX@", home.Suffix()},
                                     {"@ELSEWHERE_URL@", elsewhereUrl}};
        ASSERT_TRUE(ApplyConfiguration(home, TestDataPath("forms/secure/config.ldif"), values));
        if (!elsewhereUrl.empty()) {
            ASSERT_TRUE(
                ApplyConfiguration(home, TestDataPath("forms/secure/elsewhere.ldif"), values));
        }
        ASSERT_TRUE(home.ApplyLdif(Person("Anna Reed", "ou=People," + home.Suffix()) +
                                   Person("Ben Reed", "ou=People," + home.Suffix())));
    }

    void Secure(Transport home) {
        manager.BindManager()->SetSecurity(home, Certificates().AuthorityFile());
    }

    int Load(const TestDirectory& home, int port) {
        return manager.Initialise("ou=Forms," + home.Suffix(), TestDirectory::kHost, port);
    }

    std::string LoadErrorSentence() {
        const harrow::QError* error = manager.FormConfig()->LoadError();
        std::string sentence;
        if (error != nullptr) {
            error->Print(sentence);
        }
        return sentence;
    }

    std::vector<std::string> Search(const std::string& name) {
        search = NewFormSearch(manager, requester, "People", {{"Name", name}});
        harrow::QError* error = nullptr;
        const int started = search->Invoke(error);
        if (error != nullptr) {
            error->Print(invokeSentence);
        }
        delete error;
        EXPECT_TRUE(!started || RunManagerToEnd(manager));
        return Sorted(requester.Results());
    }

    void TearDown() override {
        if (search) {
            manager.DeregisterRequest(search->ID());
        }
    }

    std::vector<std::string> ConnectionErrors() const {
        std::vector<std::string> sentences;
        for (const Notice& notice : requester.notices) {
            if (notice.type == harrow::FR_CONNECTION_ERROR && !notice.sentence.empty()) {
                sentences.push_back(notice.sentence);
            }
        }
        return sentences;
    }

    int LastCompletionIncomplete() const {
        for (auto it = requester.notices.rbegin(); it != requester.notices.rend(); ++it) {
            if (it->activity == harrow::DUA_COMPLETE) {
                return it->incomplete;
            }
        }
        return -1;
    }

    harrow::QDSManager manager;
    RecordingRequester requester;
    std::unique_ptr<harrow::QFormSearch> search;
    std::string invokeSentence;
};

TEST_F(SecureTest, LdapsLoadsSearchesReadsAndFollowsAnLdapsReferral) {
    TestDirectory home("o=Home,c=GB");
    TestDirectory remote("o=Remote,c=GB");
    ServeTlsOnly(home, remote);
    ASSERT_TRUE(home.Start() && remote.Start());
    Configure(home, home.LdapsUrl(), remote.LdapsUrl() + "/o=Remote,c=GB");
    Secure(Transport::Ldaps);

    ASSERT_EQ(1, Load(home, home.LdapsPort())) << LoadErrorSentence();
    EXPECT_EQ(Sorted({"cn=Anna Reed, ou=People, o=Home, c=GB",
                      "cn=Ben Reed, ou=People, o=Home, c=GB", "cn=Cara Reed, o=Remote, c=GB"}),
              Search("Reed"));
    EXPECT_EQ(OpCount(3, 0), requester.Completion());

    const long connId = manager.BindManager()->OpenConnection(
        TestDirectory::kHost, home.LdapsPort(), "", "", Transport::Ldaps);
    harrow::QDN dn;
    ASSERT_EQ(1, dn.SetDN(&manager, connId, "cn=Ben Reed,ou=People,o=Home,c=GB"));
    ReadRecorder reader;
    harrow::QReadEntry read(&manager, manager.GenRequestID(), &reader, dn);
    harrow::QError* error = nullptr;
    EXPECT_EQ(1, read.Invoke(error));
    delete error;
    EXPECT_TRUE(RunManagerToEnd(manager));
    EXPECT_EQ(1, reader.entries);
    EXPECT_TRUE(reader.complete);
}

TEST_F(SecureTest, StartTlsFollowsReferralsOverTlsAndNeverInPlainText) {
    TestDirectory home("o=Home,c=GB");
    TestDirectory remote("o=Remote,c=GB");
    TestDirectory plain("o=Plain,c=GB");
    ServeTlsOnly(home, remote);
    plain.LoadLdif(Person("Dan Reed", "o=Plain,c=GB"));
    ASSERT_TRUE(home.Start() && remote.Start() && plain.Start());
    Configure(home, home.Url(), remote.Url() + "/o=Remote,c=GB");
    Secure(Transport::StartTls);
    ASSERT_EQ(1, Load(home, home.Port())) << LoadErrorSentence();

    EXPECT_EQ(Sorted({"cn=Anna Reed, ou=People, o=Home, c=GB",
                      "cn=Ben Reed, ou=People, o=Home, c=GB", "cn=Cara Reed, o=Remote, c=GB"}),
              Search("Reed"));

    // The same referral to a server without TLS is counted failed rather than followed.
    ASSERT_TRUE(home.ApplyLdif("dn: ou=Elsewhere,o=Home,c=GB\nchangetype: modify\nreplace: ref\n"
                               "ref: " +
                               plain.Url() + "/o=Plain,c=GB\n"));
    requester.notices.clear();
    manager.DeregisterRequest(search->ID());
    EXPECT_EQ(
        Sorted({"cn=Anna Reed, ou=People, o=Home, c=GB", "cn=Ben Reed, ou=People, o=Home, c=GB"}),
        Search("Reed"));
    EXPECT_EQ(OpCount(3, 1), requester.Completion());
    EXPECT_EQ(std::vector<std::string>{"No secure connection could be made to the directory "
                                       "server 127.0.0.1."},
              ConnectionErrors());
}

// Each certificate that cannot be verified fails the connection with its own sentence, over
// ldaps:// and StartTLS alike, and the log names it.
TEST_F(SecureTest, CertificatesThatCannotBeVerifiedFailWithTheirReason) {
    const std::vector<std::pair<Server, std::string>> cases = {
        {Server::Expired, "The certificate of the directory server 127.0.0.1 has expired."},
        {Server::OtherHost,
         "The certificate of the directory server 127.0.0.1 was made for another host name."},
        {Server::UnknownAuthority,
         "The certificate of the directory server 127.0.0.1 comes from an unknown authority."}};
    for (const auto& [certificate, sentence] : cases) {
        TestDirectory server("o=Home,c=GB");
        ServeTls(server, certificate);
        ASSERT_TRUE(server.Start());
        for (Transport transport : {Transport::Ldaps, Transport::StartTls}) {
            SearchLog log;
            harrow::QDSManager fresh;
            fresh.BindManager()->SetSecurity(transport, Certificates().AuthorityFile());
            const int port = transport == Transport::Ldaps ? server.LdapsPort() : server.Port();
            EXPECT_EQ(0, fresh.Initialise("ou=Forms,o=Home,c=GB", TestDirectory::kHost, port));
            const harrow::QError* error = fresh.FormConfig()->LoadError();
            std::string printed;
            if (error != nullptr) {
                error->Print(printed);
            }
            EXPECT_EQ(sentence, printed) << "transport " << static_cast<int>(transport);
            EXPECT_NE(std::string::npos, log.Text(0, 0).find("Error: " + sentence));
        }
    }
}

// Handshakes run at the same time, each on a thread of its own; each connection still hears why
// its own server's certificate was refused.
TEST_F(SecureTest, HandshakesAtTheSameTimeEachReportTheirOwnCertificate) {
    TestDirectory expired("o=Home,c=GB");
    TestDirectory otherHost("o=Home,c=GB");
    ServeTls(expired, Server::Expired);
    ServeTls(otherHost, Server::OtherHost);
    ASSERT_TRUE(expired.Start());
    ASSERT_TRUE(otherHost.Start());
    harrow::QBindManager* binds = manager.BindManager();
    binds->SetSecurity(Transport::Ldaps, Certificates().AuthorityFile());
    const std::vector<std::pair<int, unsigned long>> cases = {
        {expired.LdapsPort(), harrow::QError::kCertificateExpired},
        {otherHost.LdapsPort(), harrow::QError::kCertificateWrongHost}};
    std::vector<long> connections;
    for (const auto& [port, code] : cases) {
        connections.push_back(
            binds->OpenConnection(TestDirectory::kHost, port, "", "", Transport::Ldaps));
        harrow::QError* error = nullptr;
        EXPECT_EQ(1, binds->StartBind(connections.back(), error));
        delete error;
    }
    for (std::size_t index = 0; index < cases.size(); ++index) {
        harrow::QError* error = nullptr;
        EXPECT_EQ(0, binds->BindWait(connections[index], error));
        ASSERT_NE(nullptr, error);
        EXPECT_EQ(cases[index].second, error->ErrorCode()) << "port " << cases[index].first;
        delete error;
    }
}

TEST_F(SecureTest, SignInLoadsAndSearchesAndAWrongPasswordIsRefused) {
    TestDirectory home("o=Home,c=GB");
    home.RequireSignIn(kRightPassword);
    ASSERT_TRUE(home.Start());
    Configure(home, home.Url());

    {
        SearchLog log;
        harrow::QDSManager refused;
        refused.BindManager()->SetIdentity(TestDirectory::kHost, home.ReaderDN(), kWrongPassword);
        EXPECT_EQ(0, refused.Initialise("ou=Forms,o=Home,c=GB", TestDirectory::kHost, home.Port()));
        ASSERT_NE(nullptr, refused.FormConfig()->LoadError());
        std::string sentence;
        refused.FormConfig()->LoadError()->Print(sentence);
        EXPECT_EQ("The directory refused the name or password.", sentence);
        EXPECT_EQ(std::string::npos, log.Text(0, 0).find(kWrongPassword));
    }
    SearchLog log;
    // Without a sign-in the server answers nothing.
    EXPECT_EQ(0, Load(home, home.Port()));

    manager.BindManager()->SetIdentity(TestDirectory::kHost, home.ReaderDN(), kRightPassword);
    ASSERT_EQ(1, Load(home, home.Port()));
    EXPECT_EQ(
        Sorted({"cn=Anna Reed, ou=People, o=Home, c=GB", "cn=Ben Reed, ou=People, o=Home, c=GB"}),
        Search("Reed"));
    const std::string written = log.Text(home.Port(), 0);
    EXPECT_NE(std::string::npos, written.find("Got a match"));
    EXPECT_EQ(std::string::npos, written.find(kRightPassword));
}

TEST_F(SecureTest, PagingGetsPastTheSizeLimitAndWithoutItTheResultsAreMarkedIncomplete) {
    TestDirectory big("o=Big,c=GB");
    big.AddGlobalConfig("sizelimit size.soft=100 size.hard=100 size.prtotal=unlimited");
    ASSERT_TRUE(big.Start());
    Configure(big, big.Url());
    std::ostringstream people;
    for (int i = 0; i < 1000; ++i) {
        people << Person("Member " + std::to_string(1000 + i), "ou=People,o=Big,c=GB");
    }
    ASSERT_TRUE(big.ApplyLdif(people.str()));
    ASSERT_EQ(1, Load(big, big.Port()));

    EXPECT_EQ(1000u, Search("Member").size());
    EXPECT_EQ(0, LastCompletionIncomplete());
    EXPECT_EQ(OpCount(1, 0), requester.Completion());

    manager.DeregisterRequest(search->ID());
    requester.notices.clear();
    manager.SetPageSize(0);
    EXPECT_EQ(100u, Search("Member").size());
    EXPECT_EQ(1, LastCompletionIncomplete());
    EXPECT_EQ(OpCount(1, 0), requester.Completion()) << "a search stopped at a limit succeeded";
}

// The front end over ldaps:// and StartTLS with a sign-in from a password file, and its exit
// statuses for a refused password and for a search the server stopped at its size limit.
TEST_F(SecureTest, FrontEndSignsInOverTlsAndExitsWithThreeWhenStoppedEarly) {
    TestDirectory home("o=Home,c=GB");
    ServeTls(home, Server::Good);
    home.AddDatabaseConfig(kTlsOnlyAccess);
    home.RequireSignIn(kRightPassword);
    // Enough for every level of the form configuration, not for the three people.
    home.AddGlobalConfig("sizelimit size.soft=2 size.hard=2 size.prtotal=unlimited");
    ASSERT_TRUE(home.Start());
    Configure(home, home.Url());
    ASSERT_TRUE(home.ApplyLdif(Person("Cal Reed", "ou=People,o=Home,c=GB")));
    const std::string right = ::testing::TempDir() + "right-password";
    const std::string wrong = ::testing::TempDir() + "wrong-password";
    std::ofstream(right) << kRightPassword << "\n";
    std::ofstream(wrong) << kWrongPassword << "\n";
    ::setenv("LDAPTLS_CACERT", Certificates().AuthorityFile().c_str(), 1);
    auto run = [&](const std::string& uri, Args options) {
        Args args = {
            "-H",      uri,          "-config", "ou=Forms,o=Home,c=GB", "-form",    "People",
            "-tables", DataPath(""), "-D",      home.ReaderDN(),        "Name=Reed"};
        args.insert(args.end(), options.begin(), options.end());
        return RunFrontEnd(args);
    };
    const std::string ldaps = home.LdapsUrl();
    const std::string startTls = home.Url();
    const std::string allPeople = "# matches: 3";

    const Outcome overLdaps = run(ldaps, {"-y", right});
    EXPECT_EQ(0, overLdaps.status) << overLdaps.err;
    EXPECT_NE(std::string::npos, overLdaps.out.find(allPeople)) << overLdaps.out;

    const Outcome overStartTls = run(startTls, {"-ZZ", "-y", right});
    EXPECT_EQ(0, overStartTls.status) << overStartTls.err;
    EXPECT_NE(std::string::npos, overStartTls.out.find(allPeople)) << overStartTls.out;

    const Outcome refused = run(ldaps, {"-y", wrong});
    EXPECT_EQ(1, refused.status);
    EXPECT_NE(std::string::npos,
              refused.err.find("larkspur-search: The directory refused the name or password.\n"))
        << refused.err;

    const Outcome stopped = run(ldaps, {"-w", kRightPassword, "-pagesize", "0"});
    EXPECT_EQ(3, stopped.status) << stopped.err;
    EXPECT_NE(std::string::npos, stopped.out.find("# matches: 2")) << stopped.out;
    EXPECT_NE(std::string::npos,
              stopped.err.find("larkspur-search: The search returned 2 matches; the directory "
                               "stopped it early, so there may be more.\n"))
        << stopped.err;
    ::unsetenv("LDAPTLS_CACERT");
    std::remove(right.c_str());
    std::remove(wrong.c_str());
}

} // namespace
} // namespace larkspur::test
