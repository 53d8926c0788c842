// The read-entry request end to end against a real slapd: its notices with their payloads, the
// exact log records, busy and repeated invocations, re-binding after the idle time-out,
// referrals, cancelling and lost connections.
#include "accesstesting.h"
#include "searchrequest.h"

#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qconnection.h"
#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "access/qreadcompletionreport.h"
#include "access/qreadentry.h"
#include "access/qreaderrorreport.h"
#include "access/qreadreport.h"
#include "access/qreadresult.h"
#include "access/qrequester.h"
#include "model/qentry.h"
#include "schema/oidtable.h"
#include "support/debugcapture.h"
#include "support/drivemanager.h"
#include "support/fakeldapserver.h"
#include "support/testdata.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace larkspur::test {
namespace {

using harrow::QDN;
using harrow::QDUAActivity;
using harrow::QEntry;
using harrow::QError;
using harrow::QReadEntry;

constexpr const char* kAda = "cn=Ada Moss,ou=People,dc=example,dc=com";

// One notice as the requester saw it, with what its payload carried.
struct ReadNotice {
    QDUAActivity activity = harrow::DUA_RESULT;
    bool hadPayload = false;
    int reportType = -1;
    unsigned long errorCode = 0;
    std::string dn;
    std::string host;
    std::unique_ptr<QEntry> entry;
};

std::string Printed(const QDN& dn) {
    std::string text;
    dn.GetDN(text);
    return text;
}

// Unpacks and deletes every payload by the class its activity names.
class ReadRequester : public harrow::QRequester {
public:
    void OnActivity(QDUAActivity activity, harrow::QRequestMsg* message) override {
        ReadNotice notice;
        notice.activity = activity;
        notice.hadPayload = message->Message() != nullptr;
        switch (activity) {
        case harrow::DUA_REPORT: {
            std::unique_ptr<harrow::QReadReport> report(
                static_cast<harrow::QReadReport*>(message->Message()));
            notice.reportType = report->Type();
            notice.dn = Printed(report->DN());
            notice.host = report->Host();
            break;
        }
        case harrow::DUA_RESULT: {
            std::unique_ptr<harrow::QReadResult> result(
                static_cast<harrow::QReadResult*>(message->Message()));
            notice.entry.reset(result->GetEntry());
            EXPECT_EQ(nullptr, result->GetEntry());
            break;
        }
        case harrow::DUA_ERROR: {
            std::unique_ptr<harrow::QReadErrorReport> report(
                static_cast<harrow::QReadErrorReport*>(message->Message()));
            notice.errorCode = report->Error().ErrorCode();
            notice.dn = Printed(report->DN());
            notice.host = report->Host();
            break;
        }
        case harrow::DUA_COMPLETE: {
            std::unique_ptr<harrow::QReadCompletionReport> report(
                static_cast<harrow::QReadCompletionReport*>(message->Message()));
            notice.dn = Printed(report->DN());
            notice.host = report->Host();
            break;
        }
        case harrow::DUA_CANCELLED:
        case harrow::DUA_CONNECTION_CLOSED:
            break;
        }
        notices.push_back(std::move(notice));
        if (onNotice) {
            onNotice(notices.back());
        }
    }

    std::vector<QDUAActivity> Activities() const {
        std::vector<QDUAActivity> activities;
        for (const ReadNotice& notice : notices) {
            activities.push_back(notice.activity);
        }
        return activities;
    }

    // Runs inside the notification, after the notice was recorded.
    std::function<void(const ReadNotice&)> onNotice;
    std::vector<ReadNotice> notices;
};

class ReadEntryTest : public SlapdTest {
protected:
    void Configure(TestDirectory& server) override {
        server.LoadLdifFile(TestDataPath("access/read.ldif"));
    }

    void SetUp() override {
        SlapdTest::SetUp();
        ASSERT_EQ(1, manager.Table()->Load(DataPath("oidtable32").c_str()));
        connId = manager.BindManager()->OpenConnection(directory.Host(), directory.Port(), "", "");
    }

    void TearDown() override { manager.AbortAll(); }

    // A request for dn on the test server's connection; the requester (the test) deletes it.
    std::unique_ptr<QReadEntry> Request(const std::string& text) {
        QDN dn;
        dn.SetDN(&manager, connId, text);
        return std::make_unique<QReadEntry>(&manager, manager.GenRequestID(), &requester, dn);
    }

    // Invoke's result, with the code of any error it handed back in errorCode.
    int Invoke(QReadEntry& request, unsigned long* errorCode = nullptr) {
        QError* error = nullptr;
        const int result = request.Invoke(error);
        const std::unique_ptr<QError> owned(error);
        if (errorCode != nullptr) {
            *errorCode = owned ? owned->ErrorCode() : 0;
        }
        return result;
    }

    void Bind() {
        QError* error = nullptr;
        harrow::QBindManager* binds = manager.BindManager();
        const int bound = binds->StartBind(connId, error) && binds->BindWait(connId, error);
        delete error;
        ASSERT_EQ(1, bound);
    }

    // Ends the paused server at once, as a crash would, leaving what it was sent unanswered.
    void CrashPausedServer() {
        const std::string pid = ReadFile(directory.Folder() + "/slapd.pid");
        ASSERT_FALSE(pid.empty());
        ASSERT_EQ(0, ::kill(static_cast<pid_t>(std::stol(pid)), SIGKILL));
        ASSERT_TRUE(directory.Stop());
    }

    // Polls for a while, for messages that should not come.
    void PollBriefly() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < until) {
            manager.Poll();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    harrow::QDSManager manager;
    ReadRequester requester;
    long connId = -1;
};

TEST_F(ReadEntryTest, ReadsTheWholeEntryWithReportResultAndCompletion) {
    Bind();
    LogCapture log;
    const std::unique_ptr<QReadEntry> request = Request(kAda);
    ASSERT_EQ(1, Invoke(*request));
    EXPECT_EQ(1, request->Invoked());
    EXPECT_EQ(request.get(), manager.GetRequest(request->ID()));
    ASSERT_EQ(1u, requester.notices.size());
    ASSERT_TRUE(PollUntilDone(manager));

    EXPECT_EQ(
        (std::vector<QDUAActivity>{harrow::DUA_REPORT, harrow::DUA_RESULT, harrow::DUA_COMPLETE}),
        requester.Activities());
    const ReadNotice& report = requester.notices[0];
    EXPECT_EQ(harrow::READ_INVOKED, report.reportType);
    EXPECT_EQ("cn=Ada Moss, ou=People, dc=example, dc=com", report.dn);
    EXPECT_EQ("127.0.0.1", report.host);
    const ReadNotice& complete = requester.notices[2];
    EXPECT_TRUE(complete.hadPayload);
    EXPECT_EQ(report.dn, complete.dn);
    EXPECT_EQ("127.0.0.1", complete.host);

    const QEntry& entry = *requester.notices[1].entry;
    ASSERT_EQ(1, entry.IsSet());
    EXPECT_EQ(connId, entry.GetConnID());
    EXPECT_EQ(report.dn, Printed(entry.DN()));
    harrow::QStringList classes;
    entry.ObjectClass()->PrintValues(classes);
    EXPECT_EQ((std::vector<std::string>{"inetOrgPerson"}),
              std::vector<std::string>(classes.begin(), classes.end()));
    std::vector<std::string> printed;
    for (QEntry::Position pos = entry.GetHeadPosition(); pos != nullptr;) {
        const harrow::QAttr* attr = entry.GetNextAttr(pos);
        harrow::QStringList values;
        attr->PrintValues(values);
        for (const std::string& value : values) {
            printed.push_back(attr->Type()->Name() + ": " + value);
        }
    }
    EXPECT_EQ((std::vector<std::string>{
                  "cn: Ada Moss", "sn: Moss", "givenName: Ada", "telephoneNumber: +1 555 0102",
                  "telephoneNumber: +1 555 0101", "mail: ada.moss@example.com",
                  "postalAddress: 1 Main Street\nSpringfield"}),
              printed);

    EXPECT_EQ(0, request->Invoked());
    EXPECT_EQ(1, request->Finished());
    EXPECT_EQ(nullptr, manager.GetRequest(request->ID()));
    EXPECT_EQ(ExpectedLog("read_entry.log"), log.Masked());

    // A copied result holds an entry of its own.
    harrow::QReadResult original(new QEntry(entry));
    harrow::QReadResult copy(original);
    const std::unique_ptr<QEntry> fromCopy(copy.GetEntry());
    const std::unique_ptr<QEntry> fromOriginal(original.GetEntry());
    ASSERT_NE(nullptr, fromCopy);
    ASSERT_NE(nullptr, fromOriginal);
    EXPECT_NE(fromCopy.get(), fromOriginal.get());
    EXPECT_EQ(1, fromCopy->DN() == fromOriginal->DN());
    EXPECT_EQ(nullptr, harrow::QReadResult(copy).GetEntry());
}

TEST_F(ReadEntryTest, MissingEntryEndsWithTheMappedError) {
    LogCapture log;
    const std::unique_ptr<QReadEntry> request = Request("cn=Nobody,ou=People,dc=example,dc=com");
    ASSERT_EQ(1, Invoke(*request));
    ASSERT_TRUE(PollUntilDone(manager));
    EXPECT_EQ((std::vector<QDUAActivity>{harrow::DUA_REPORT, harrow::DUA_ERROR}),
              requester.Activities());
    const ReadNotice& error = requester.notices[1];
    EXPECT_EQ(1794u, error.errorCode);
    EXPECT_EQ("cn=Nobody, ou=People, dc=example, dc=com", error.dn);
    EXPECT_EQ("127.0.0.1", error.host);
    EXPECT_EQ(1, request->Finished());
    EXPECT_EQ(nullptr, manager.GetRequest(request->ID()));
    EXPECT_EQ(ExpectedLog("read_missing.log"), log.Masked());
}

TEST_F(ReadEntryTest, BusyWhileRunningAndReadsAgainOnceComplete) {
    Bind();
    const std::unique_ptr<QReadEntry> request = Request(kAda);
    ASSERT_EQ(1, Invoke(*request));
    LogCapture log;
    unsigned long code = 0;
    EXPECT_EQ(0, Invoke(*request, &code));
    EXPECT_EQ(1833u, code);
    EXPECT_EQ(1u, requester.notices.size());
    EXPECT_EQ("", log.Masked());
    ASSERT_TRUE(PollUntilDone(manager));
    ASSERT_EQ(3u, requester.notices.size());

    ASSERT_EQ(1, Invoke(*request, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(request.get(), manager.GetRequest(request->ID()));
    ASSERT_TRUE(PollUntilDone(manager));
    EXPECT_EQ(
        (std::vector<QDUAActivity>{harrow::DUA_REPORT, harrow::DUA_RESULT, harrow::DUA_COMPLETE,
                                   harrow::DUA_REPORT, harrow::DUA_RESULT, harrow::DUA_COMPLETE}),
        requester.Activities());
    EXPECT_EQ(ExpectedLog("read_again.log"), log.Masked());
}

TEST_F(ReadEntryTest, ConnectionDroppedWhenIdleIsBoundAgainBeforeTheSearch) {
    ManualClock clock;
    const std::unique_ptr<QReadEntry> request = Request(kAda);
    ASSERT_EQ(1, Invoke(*request));
    ASSERT_TRUE(PollUntilDone(manager));
    LogCapture log;
    clock.Advance(31);
    manager.TidyUp();
    ASSERT_EQ(0, manager.BindManager()->IsBound(connId));

    ASSERT_EQ(1, Invoke(*request));
    EXPECT_EQ(1, request->WaitingOn(connId));
    ASSERT_TRUE(PollUntilDone(manager));
    EXPECT_EQ(1, manager.BindManager()->IsBound(connId));
    ASSERT_EQ(6u, requester.notices.size());
    EXPECT_EQ(harrow::DUA_RESULT, requester.notices[4].activity);
    EXPECT_EQ(connId, requester.notices[4].entry->GetConnID());
    EXPECT_EQ(harrow::DUA_COMPLETE, requester.notices[5].activity);
    EXPECT_EQ(ExpectedLog("read_after_idle.log"), log.Masked());
}

TEST_F(ReadEntryTest, ReferralFinishesTheRequestWithLogLinesOnly) {
    LogCapture log;
    const std::unique_ptr<QReadEntry> request = Request("ou=Elsewhere,dc=example,dc=com");
    ASSERT_EQ(1, Invoke(*request));
    ASSERT_TRUE(PollUntilDone(manager));
    EXPECT_EQ(0, manager.Waiting());
    EXPECT_EQ(1, request->Finished());
    EXPECT_EQ(nullptr, manager.GetRequest(request->ID()));
    EXPECT_EQ((std::vector<QDUAActivity>{harrow::DUA_REPORT}), requester.Activities());
    EXPECT_EQ(ExpectedLog("read_referral.log"), log.Masked());
}

TEST_F(ReadEntryTest, CancelNotifiesWithoutPayloadAndStaysRegistered) {
    Bind();
    auto* request = Request(kAda).release();
    ASSERT_TRUE(directory.Pause());
    ASSERT_EQ(1, Invoke(*request));
    request->Cancel();
    ASSERT_EQ((std::vector<QDUAActivity>{harrow::DUA_REPORT, harrow::DUA_CANCELLED}),
              requester.Activities());
    EXPECT_FALSE(requester.notices[1].hadPayload);
    EXPECT_EQ(request, manager.GetRequest(request->ID()));
    EXPECT_EQ(1, manager.Waiting());
    ASSERT_TRUE(directory.Resume());
    // The search was abandoned: its answer never reaches the requester.
    PollBriefly();
    EXPECT_EQ(2u, requester.notices.size());
    manager.AbortRequest(request->ID());
    EXPECT_EQ(0, manager.Waiting());
}

TEST_F(ReadEntryTest, CancelFromTheInvokedNoticeAbandonsTheSearch) {
    const std::unique_ptr<QReadEntry> request = Request(kAda);
    requester.onNotice = [&](const ReadNotice& notice) {
        if (notice.activity == harrow::DUA_REPORT) {
            request->Cancel();
        }
    };
    ASSERT_EQ(1, Invoke(*request));
    PollBriefly();
    EXPECT_EQ((std::vector<QDUAActivity>{harrow::DUA_REPORT, harrow::DUA_CANCELLED}),
              requester.Activities());
    manager.DeregisterRequest(request->ID());
}

TEST_F(ReadEntryTest, LostConnectionSendsConnectionClosed) {
    Bind();
    auto* request = Request(kAda).release();
    ASSERT_TRUE(directory.Pause());
    ASSERT_EQ(1, Invoke(*request));
    CrashPausedServer();
    manager.Poll();
    ASSERT_EQ((std::vector<QDUAActivity>{harrow::DUA_REPORT, harrow::DUA_CONNECTION_CLOSED}),
              requester.Activities());
    EXPECT_FALSE(requester.notices[1].hadPayload);
    EXPECT_EQ(0, manager.BindManager()->IsBound(connId));
    EXPECT_EQ(request, manager.GetRequest(request->ID()));
    EXPECT_EQ(0, request->Finished());
    const unsigned long id = request->ID();
    manager.AbortRequest(id);
    EXPECT_EQ(nullptr, manager.GetRequest(id));
}

TEST_F(ReadEntryTest, ClosedSocketNoticeSendsConnectionClosed) {
    Bind();
    const std::unique_ptr<QReadEntry> request = Request(kAda);
    ASSERT_TRUE(directory.Pause());
    ASSERT_EQ(1, Invoke(*request));
    const int socket = harrow::ldapapi::Socket(manager.BindManager()->GetLDAPContext(connId));
    // The connection is closed before the request hears of it.
    manager.NotifySocketClose(socket);
    ASSERT_EQ((std::vector<QDUAActivity>{harrow::DUA_REPORT, harrow::DUA_CONNECTION_CLOSED}),
              requester.Activities());
    EXPECT_EQ(0, manager.BindManager()->IsBound(connId));
    manager.DeregisterRequest(request->ID());
    ASSERT_TRUE(directory.Resume());
}

TEST_F(ReadEntryTest, SearchThatCannotBeSentIsReportedAndNotRegistered) {
    Bind();
    // The library finds the socket unusable when it sends the search.
    ASSERT_EQ(0, ::shutdown(harrow::ldapapi::Socket(manager.BindManager()->GetLDAPContext(connId)),
                            SHUT_RDWR));
    LogCapture log;
    const std::unique_ptr<QReadEntry> request = Request(kAda);
    unsigned long code = 0;
    EXPECT_EQ(1, Invoke(*request, &code));
    EXPECT_NE(0u, code);
    ASSERT_EQ((std::vector<QDUAActivity>{harrow::DUA_ERROR}), requester.Activities());
    EXPECT_EQ(code, requester.notices[0].errorCode);
    EXPECT_EQ("cn=Ada Moss, ou=People, dc=example, dc=com", requester.notices[0].dn);
    EXPECT_EQ(0, request->Invoked());
    EXPECT_EQ(nullptr, manager.GetRequest(request->ID()));
    EXPECT_EQ(ExpectedLog("read_not_sent.log"), log.Masked());
}

TEST_F(ReadEntryTest, DNWithoutConnectionCannotBeRead) {
    DebugCapture unresolvedTypes;
    QDN dn;
    dn.SetDN(nullptr, -1, kAda);
    QReadEntry request(&manager, manager.GenRequestID(), &requester, dn);
    unsigned long code = 0;
    EXPECT_EQ(0, Invoke(request, &code));
    EXPECT_EQ(1825u, code);
    EXPECT_TRUE(requester.notices.empty());
    EXPECT_EQ(nullptr, manager.GetRequest(request.ID()));
}

TEST_F(ReadEntryTest, DeletingARequestSendsNothingAndReleasesItsDN) {
    {
        const std::unique_ptr<QReadEntry> request = Request(kAda);
        EXPECT_EQ(1, manager.BindManager()->ConnectionAt(0)->RefCount());
    }
    EXPECT_EQ(0, manager.BindManager()->ConnectionAt(0)->RefCount());
    EXPECT_TRUE(requester.notices.empty());
}

// A read told that its connection closed must never own a later read's messages: message ids
// start again on the rebound connection, and the old read stays registered until it is aborted.
TEST_F(ReadEntryTest, ReadToldOfItsClosedConnectionNeverTakesOverALaterRead) {
    Bind();
    const std::unique_ptr<QReadEntry> stale = Request(kAda);
    ASSERT_TRUE(directory.Pause());
    ASSERT_EQ(1, Invoke(*stale));
    manager.NotifySocketClose(
        harrow::ldapapi::Socket(manager.BindManager()->GetLDAPContext(connId)));
    ASSERT_TRUE(directory.Resume());
    ASSERT_EQ((std::vector<QDUAActivity>{harrow::DUA_REPORT, harrow::DUA_CONNECTION_CLOSED}),
              requester.Activities());

    ReadRequester later;
    QDN dn;
    dn.SetDN(&manager, connId, kAda);
    QReadEntry fresh(&manager, manager.GenRequestID(), &later, dn);
    QError* error = nullptr;
    ASSERT_EQ(1, fresh.Invoke(error));
    delete error;
    DriveUntil(manager, [&] { return fresh.Finished() != 0; });
    EXPECT_EQ(
        (std::vector<QDUAActivity>{harrow::DUA_REPORT, harrow::DUA_RESULT, harrow::DUA_COMPLETE}),
        later.Activities());
    EXPECT_EQ(2u, requester.notices.size());
    EXPECT_EQ(0, stale->IsTaskOwner(manager.BindManager()->GetLDAPContext(connId), 2));
    manager.DeregisterRequest(stale->ID());
}

// Reads against a server of the tests' own that misbehaves on purpose.
class MisbehavingServerReadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, manager.Table()->Load(DataPath("oidtable32").c_str())); }
    void TearDown() override { manager.AbortAll(); }

    // Starts the server and a read of an entry on it; Invoke must return at once.
    std::unique_ptr<QReadEntry>
    StartRead(FakeLdapServer& server,
              harrow::ldapapi::Transport transport = harrow::ldapapi::Transport::Plain) {
        EXPECT_TRUE(server.Start());
        const long connId =
            manager.BindManager()->OpenConnection(server.Host(), server.Port(), "", "", transport);
        QDN dn;
        dn.SetDN(&manager, connId, "cn=Split,o=Fake");
        auto request =
            std::make_unique<QReadEntry>(&manager, manager.GenRequestID(), &requester, dn);
        QError* error = nullptr;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(1, request->Invoke(error));
        // A sanity bound: the call used to wait for the whole bind time.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
        delete error;
        return request;
    }

    harrow::QDSManager manager;
    ReadRequester requester;
};

TEST_F(MisbehavingServerReadTest, RefusedVersion3BindFallsBackToVersion2AndTheReadFollows) {
    FakeLdapServer server(FakeLdapServer::Behaviour::RefuseVersion3);
    const std::unique_ptr<QReadEntry> request = StartRead(server);
    DriveUntil(manager, [&] { return request->Finished() != 0; });
    EXPECT_EQ(
        (std::vector<QDUAActivity>{harrow::DUA_REPORT, harrow::DUA_RESULT, harrow::DUA_COMPLETE}),
        requester.Activities());
    EXPECT_EQ(1, server.BindsOfVersion(3));
    EXPECT_EQ(1, server.BindsOfVersion(2));
}

TEST_F(MisbehavingServerReadTest, SilentServerFailsTheReadAfterTheBindTime) {
    manager.BindManager()->SetBindTimeLimit(std::chrono::seconds(1));
    FakeLdapServer server(FakeLdapServer::Behaviour::Silent);
    const std::unique_ptr<QReadEntry> request = StartRead(server);
    EXPECT_EQ(1, manager.Waiting());
    const auto longest = DriveUntil(manager, [&] { return !requester.notices.empty(); });
    EXPECT_LT(longest, std::chrono::milliseconds(500));
    ASSERT_EQ((std::vector<QDUAActivity>{harrow::DUA_ERROR}), requester.Activities());
    EXPECT_EQ(1829u, requester.notices[0].errorCode);
    EXPECT_EQ(0, manager.Waiting());
    EXPECT_EQ(nullptr, manager.GetRequest(request->ID()));
    EXPECT_EQ(0, server.Searches());
}

// The StartTLS request and the TLS handshake wait on the server as a bind does, within its time.
TEST_F(MisbehavingServerReadTest, SilentSecureServerFailsTheReadAfterTheBindTime) {
    manager.BindManager()->SetBindTimeLimit(std::chrono::seconds(1));
    for (const auto transport :
         {harrow::ldapapi::Transport::StartTls, harrow::ldapapi::Transport::Ldaps}) {
        SCOPED_TRACE(transport == harrow::ldapapi::Transport::Ldaps ? "ldaps" : "StartTLS");
        requester.notices.clear();
        FakeLdapServer server(FakeLdapServer::Behaviour::Silent);
        const auto start = std::chrono::steady_clock::now();
        const std::unique_ptr<QReadEntry> request = StartRead(server, transport);
        const auto longest = DriveUntil(manager, [&] { return !requester.notices.empty(); });
        // Sanity bounds: Poll used to wait inside the handshake for the whole bind time.
        EXPECT_LT(longest, std::chrono::milliseconds(200));
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
        ASSERT_EQ((std::vector<QDUAActivity>{harrow::DUA_ERROR}), requester.Activities());
        EXPECT_EQ(1829u, requester.notices[0].errorCode);
        EXPECT_EQ(0, manager.Waiting());
    }
}

// Closing a connection whose handshake waits on a silent server ends the handshake there and then.
TEST_F(MisbehavingServerReadTest, ClosingAConnectionInItsTlsHandshakeEndsItAtOnce) {
    FakeLdapServer server(FakeLdapServer::Behaviour::Silent);
    const std::unique_ptr<QReadEntry> request =
        StartRead(server, harrow::ldapapi::Transport::Ldaps);
    const harrow::QConnection& connection = *manager.BindManager()->ConnectionAt(0);
    DriveUntil(manager, [&] {
        return connection.CurrentBindStep() == harrow::QConnection::BindStep::Handshaking;
    });
    const auto start = std::chrono::steady_clock::now();
    manager.BindManager()->CloseConnection(connection.ID());
    // A sanity bound well below the bind time the handshake would otherwise wait.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(0, connection.IsBindInProgress());
    EXPECT_EQ(nullptr, connection.GetLDAPContext());
    manager.DeregisterRequest(request->ID());
}

TEST_F(MisbehavingServerReadTest, ServerSilentAfterItsBindIsGivenUpAfterTheStallTime) {
    manager.SetStallTime(std::chrono::seconds(1));
    FakeLdapServer server(FakeLdapServer::Behaviour::AnswerBindThenSilent);
    const std::unique_ptr<QReadEntry> request = StartRead(server);
    DriveUntil(manager, [&] { return requester.notices.size() == 1; });
    LogCapture log;
    const auto start = std::chrono::steady_clock::now();
    DriveUntil(manager, [&] { return requester.notices.size() == 2; });
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ((std::vector<QDUAActivity>{harrow::DUA_REPORT, harrow::DUA_CONNECTION_CLOSED}),
              requester.Activities());
    EXPECT_EQ(ExpectedLog("stalled_server.log"), log.Masked());
    EXPECT_EQ(1, server.Searches());
    // A read told of its closed connection stays registered until it is taken away.
    manager.DeregisterRequest(request->ID());
}

} // namespace
} // namespace larkspur::test
