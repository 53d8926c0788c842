// The directory service manager against real slapd servers: Poll's routing and its guards,
// request registration and abort, idle tidying, lost and closed connections, and the
// identifiers it hands out.
#include "accesstesting.h"
#include "searchrequest.h"

#include "access/ldapapi.h"
#include "access/qconnection.h"
#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "schema/oidtable.h"
#include "support/debugcapture.h"
#include "support/drivemanager.h"
#include "support/fakeldapserver.h"
#include "support/testdata.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace larkspur::test {
namespace {

using harrow::QDSManager;
using harrow::QError;

constexpr const char* kPeople = "ou=People,dc=example,dc=com";
constexpr std::size_t kPeopleCount = 5;

// Invokes the request and fails the test with the error's sentence when that fails.
void Invoke(SearchRequest& request) {
    QError* error = nullptr;
    const int invoked = request.Invoke(error);
    std::unique_ptr<QError> owned(error);
    std::string text;
    if (owned) {
        owned->Print(text);
    }
    ASSERT_EQ(invoked, 1) << text;
}

std::vector<Notice> NoticesOf(const RecordingRequester& requester, harrow::QDUAActivity activity) {
    std::vector<Notice> found;
    for (const Notice& notice : requester.notices) {
        if (notice.activity == activity) {
            found.push_back(notice);
        }
    }
    return found;
}

// Sends a search on the handle that no request owns.
int StrayMessage(ldap* handle) {
    int msgid = -1;
    EXPECT_EQ(ldap_search_ext(handle, kPeople, LDAP_SCOPE_BASE, "(objectClass=*)", nullptr, 0,
                              nullptr, nullptr, nullptr, 0, &msgid),
              LDAP_SUCCESS);
    return msgid;
}

// Waits until the socket has something to read, without the library reading it.
bool WaitReadable(int socket) {
    pollfd descriptor{socket, POLLIN, 0};
    return ::poll(&descriptor, 1, 5000) > 0;
}

// Whether the library still delivers a message for msgid on the handle.
bool StillPending(ldap* handle, int msgid) {
    timeval wait{5, 0};
    LDAPMessage* raw = nullptr;
    const int result = ldap_result(handle, msgid, LDAP_MSG_ONE, &wait, &raw);
    harrow::ldapapi::Message message(raw);
    return result > 0 && ldap_msgid(raw) == msgid;
}

// Ends the (paused) server at once, as a crash would, so that whatever it was sent stays
// unanswered.
bool CrashServer(TestDirectory& server) {
    const std::string pid = ReadFile(server.Folder() + "/slapd.pid");
    if (pid.empty() || ::kill(static_cast<pid_t>(std::stol(pid)), SIGKILL) != 0) {
        ADD_FAILURE() << "no slapd process to end";
        return false;
    }
    // Reaps the process; the database and the port stay for Restart.
    return server.Stop();
}

class ManagerTest : public SlapdTest {
protected:
    void Configure(TestDirectory& server) override {
        server.LoadLdifFile(TestDataPath("access/people.ldif"));
    }

    long Open(const std::string& host) {
        return manager.BindManager()->OpenConnection(host, directory.Port(), "", "");
    }
    long Open() { return Open(directory.Host()); }

    harrow::QConnection* Connection(long connId) {
        harrow::QBindManager* binds = manager.BindManager();
        for (std::size_t index = 0; index < binds->ConnectionCount(); ++index) {
            if (binds->ConnectionAt(index)->ID() == connId) {
                return binds->ConnectionAt(index);
            }
        }
        return nullptr;
    }

    void Bind(long connId) {
        QError* error = nullptr;
        harrow::QBindManager* binds = manager.BindManager();
        const int bound = binds->StartBind(connId, error) && binds->BindWait(connId, error);
        delete error;
        ASSERT_EQ(bound, 1);
    }

    // Two searches (journalled, owned by the manager once aborted) sent to a server that then
    // crashes without answering them; returns the first.
    SearchRequest* SearchesLeftUnanswered(long connId, RecordingRequester& requester) {
        Bind(connId);
        auto* first = new SearchRequest(&manager, &requester, connId, kPeople, &journal);
        auto* second = new SearchRequest(&manager, &requester, connId, kPeople, &journal);
        EXPECT_TRUE(directory.Pause());
        Invoke(*first);
        Invoke(*second);
        EXPECT_TRUE(CrashServer(directory));
        return first;
    }

    QDSManager manager;
    std::vector<std::string> journal;
};

TEST_F(ManagerTest, PollRoutesEveryMessageToItsOwnerOnSeveralServers) {
    TestDirectory second;
    second.LoadLdifFile(TestDataPath("access/people.ldif"));
    ASSERT_TRUE(second.Start());
    const long near = Open();
    const long far = manager.BindManager()->OpenConnection(second.Host(), second.Port(), "", "");

    RecordingRequester requester;
    SearchRequest one(&manager, &requester, near, kPeople);
    SearchRequest two(&manager, &requester, near, kPeople);
    SearchRequest three(&manager, &requester, far, kPeople);
    for (SearchRequest* request : {&one, &two, &three}) {
        Invoke(*request);
    }
    const std::vector<int> messageIds{one.MessageID(), two.MessageID(), three.MessageID()};
    ASSERT_TRUE(PollUntilDone(manager));

    for (std::size_t index = 0; index < messageIds.size(); ++index) {
        std::set<std::string> dns;
        int completions = 0;
        for (const Notice& notice : requester.notices) {
            if (notice.requestId != one.ID() + index) {
                continue;
            }
            EXPECT_EQ(notice.messageId, messageIds[index]);
            if (notice.activity == harrow::DUA_RESULT) {
                dns.insert(notice.dn);
            } else {
                EXPECT_EQ(notice.activity, harrow::DUA_COMPLETE);
                EXPECT_EQ(notice.resultCode, LDAP_SUCCESS);
                ++completions;
            }
        }
        EXPECT_EQ(dns.size(), kPeopleCount) << "request " << index;
        EXPECT_EQ(completions, 1) << "request " << index;
    }
    // Finished requests are deregistered, not deleted.
    EXPECT_EQ(manager.GetRequest(one.ID()), nullptr);
    EXPECT_EQ(manager.Waiting(), 0);
    EXPECT_TRUE(journal.empty());
}

TEST_F(ManagerTest, MessageThatNoRequestOwnsIsDropped) {
    const long connId = Open();
    RecordingRequester requester;
    SearchRequest request(&manager, &requester, connId, kPeople);
    Invoke(request);
    const int stray = StrayMessage(manager.BindManager()->GetLDAPContext(connId));
    ASSERT_TRUE(PollUntilDone(manager));
    EXPECT_EQ(requester.Count(harrow::DUA_RESULT), static_cast<int>(kPeopleCount));
    for (const Notice& notice : requester.notices) {
        EXPECT_NE(notice.messageId, stray);
    }
}

TEST_F(ManagerTest, PollWithoutRequestsOrWaitersReadsNothing) {
    ManualClock clock;
    const long idle = Open();
    const long busy = Open("localhost");
    Bind(idle);
    Bind(busy);
    ldap* idleHandle = manager.BindManager()->GetLDAPContext(idle);
    const int stray = StrayMessage(idleHandle);
    ASSERT_TRUE(WaitReadable(Connection(idle)->GetSocket()));
    const std::time_t bound = clock.Now();
    clock.Advance(5);

    manager.Poll();
    EXPECT_EQ(Connection(idle)->LastUsed(), bound);

    // A request on the other connection: the idle one is still not read.
    RecordingRequester requester;
    SearchRequest request(&manager, &requester, busy, kPeople);
    Invoke(request);
    ASSERT_TRUE(PollUntilDone(manager));
    EXPECT_EQ(Connection(idle)->LastUsed(), bound);
    EXPECT_TRUE(StillPending(idleHandle, stray));
}

TEST_F(ManagerTest, PollFromInsideANotificationReturnsAtOnce) {
    const long connId = Open();
    RecordingRequester requester;
    std::size_t nestedPolls = 0;
    requester.onNotice = [&](const Notice&) {
        const std::size_t before = requester.notices.size();
        manager.Poll();
        EXPECT_EQ(requester.notices.size(), before);
        ++nestedPolls;
    };
    SearchRequest request(&manager, &requester, connId, kPeople);
    Invoke(request);
    ASSERT_TRUE(PollUntilDone(manager));
    EXPECT_EQ(nestedPolls, kPeopleCount + 1);
    EXPECT_EQ(requester.Count(harrow::DUA_COMPLETE), 1);
}

TEST_F(ManagerTest, AbortAllInsideANotificationDeletesTheRequestsOnceThePollCallReturns) {
    const long connId = Open();
    RecordingRequester requester;
    requester.onNotice = [&](const Notice&) { manager.AbortAll(); };
    auto* first = new SearchRequest(&manager, &requester, connId, kPeople, &journal);
    auto* second = new SearchRequest(&manager, &requester, connId, kPeople, &journal);
    Invoke(*first);
    Invoke(*second);
    const std::string firstId = std::to_string(first->ID());
    const std::string secondId = std::to_string(second->ID());

    ASSERT_TRUE(PollUntilDone(manager));
    EXPECT_EQ(requester.notices.size(), 1u);
    // Deleted only once Poll's call into the first has returned.
    EXPECT_EQ(journal, (std::vector<std::string>{"aborted " + firstId, "aborted " + secondId,
                                                 "deleted " + firstId, "deleted " + secondId}));
    EXPECT_EQ(manager.GetRequest(std::stoul(firstId)), nullptr);
}

TEST_F(ManagerTest, AbortRequestInsideANotificationLeavesTheOthersRunning) {
    const long connId = Open();
    RecordingRequester doomedRequester;
    RecordingRequester survivorRequester;
    auto* doomed = new SearchRequest(&manager, &doomedRequester, connId, kPeople, &journal);
    const unsigned long doomedId = doomed->ID();
    doomedRequester.onNotice = [&](const Notice&) { manager.AbortRequest(doomedId); };
    SearchRequest survivor(&manager, &survivorRequester, connId, kPeople);
    Invoke(*doomed);
    Invoke(survivor);

    ASSERT_TRUE(PollUntilDone(manager));
    EXPECT_EQ(doomedRequester.notices.size(), 1u);
    EXPECT_EQ(survivorRequester.Count(harrow::DUA_RESULT), static_cast<int>(kPeopleCount));
    EXPECT_EQ(survivorRequester.Count(harrow::DUA_COMPLETE), 1);
    const std::string id = std::to_string(doomedId);
    EXPECT_EQ(journal, (std::vector<std::string>{"aborted " + id, "deleted " + id}));
}

TEST_F(ManagerTest, TidyUpKeepsConnectionsWhileARequestIsUnfinished) {
    ManualClock clock;
    const long connId = Open();
    RecordingRequester requester;
    SearchRequest request(&manager, &requester, connId, kPeople);
    Invoke(request);
    clock.Advance(100);
    manager.TidyUp();
    EXPECT_EQ(manager.BindManager()->IsBound(connId), 1);

    ASSERT_TRUE(PollUntilDone(manager));
    clock.Advance(100);
    manager.TidyUp();
    EXPECT_EQ(manager.BindManager()->IsBound(connId), 0);
}

TEST_F(ManagerTest, StoppedServerClosesTheConnectionForEveryWaitingRequest) {
    RecordingRequester requester;
    const long connId = Open();
    SearchRequest* first = nullptr;
    ASSERT_NO_FATAL_FAILURE(first = SearchesLeftUnanswered(connId, requester));

    LogCapture log;
    manager.Poll();
    const auto closed = NoticesOf(requester, harrow::DUA_CONNECTION_CLOSED);
    EXPECT_EQ(closed.size(), 2u);
    EXPECT_EQ(requester.notices.size(), 2u);
    EXPECT_EQ(manager.BindManager()->IsBound(connId), 0);
    EXPECT_EQ(log.Masked(), ExpectedLog("server_down.log"));
    // Told, not deregistered: the requests stay until they are aborted.
    EXPECT_EQ(manager.GetRequest(first->ID()), first);

    EXPECT_EQ(journal, (std::vector<std::string>{"aborted 0", "aborted 1"}));

    ASSERT_TRUE(directory.Restart());
    Bind(connId);
    EXPECT_EQ(manager.BindManager()->IsBound(connId), 1);
    manager.AbortAll();
    EXPECT_EQ(journal.size(), 6u);
}

TEST_F(ManagerTest, AbortAllFromAConnectionClosedNoticeIsSurvived) {
    RecordingRequester requester;
    requester.onNotice = [&](const Notice&) { manager.AbortAll(); };
    ASSERT_NO_FATAL_FAILURE(SearchesLeftUnanswered(Open(), requester));

    manager.Poll();
    EXPECT_EQ(requester.notices.size(), 1u);
    EXPECT_EQ(journal, (std::vector<std::string>{"aborted 0", "aborted 0", "aborted 1", "deleted 0",
                                                 "deleted 1"}));
    EXPECT_EQ(manager.Waiting(), 0);
}

TEST_F(ManagerTest, HungServerNeverBlocksPoll) {
    const long connId = Open();
    Bind(connId);
    RecordingRequester requester;
    SearchRequest request(&manager, &requester, connId, kPeople);
    ASSERT_TRUE(directory.Pause());
    Invoke(request);
    for (int round = 0; round < 20; ++round) {
        manager.Poll();
    }
    EXPECT_TRUE(requester.notices.empty());
    EXPECT_EQ(manager.Waiting(), 1);

    ASSERT_TRUE(directory.Resume());
    ASSERT_TRUE(PollUntilDone(manager));
    EXPECT_EQ(requester.Count(harrow::DUA_COMPLETE), 1);
}

// libldap left alone would wait on a blocking socket for the rest of the message.
TEST(ManagerMisbehavingServer, HalfSentMessageNeverHoldsPoll) {
    FakeLdapServer server(FakeLdapServer::Behaviour::SplitEntry, std::chrono::seconds(1));
    ASSERT_TRUE(server.Start());
    QDSManager manager;
    const long connId = manager.BindManager()->OpenConnection(server.Host(), server.Port(), "", "");
    QError* error = nullptr;
    ASSERT_EQ(1, manager.BindManager()->StartBind(connId, error));
    ASSERT_EQ(1, manager.BindManager()->BindWait(connId, error));
    RecordingRequester requester;
    SearchRequest request(&manager, &requester, connId, "o=Fake");
    Invoke(request);
    const auto longest = DriveUntil(manager, [&] { return manager.Waiting() == 0; });
    // A sanity bound: Poll used to wait for the rest of the message.
    EXPECT_LT(longest, std::chrono::milliseconds(500));
    EXPECT_EQ(requester.Count(harrow::DUA_RESULT), 1);
    EXPECT_EQ(requester.Count(harrow::DUA_COMPLETE), 1);
    ASSERT_FALSE(requester.notices.empty());
    EXPECT_EQ(requester.notices.front().dn, "o=Fake");
}

TEST_F(ManagerTest, SocketCloseNoticeClosesTheRightConnection) {
    RecordingWatcher watcher;
    manager.SetSocketCloseWatcher(&watcher);
    const long numeric = Open();
    const long named = Open("localhost");
    Bind(numeric);
    Bind(named);
    ASSERT_EQ(watcher.watched.size(), 2u);
    const int namedSocket = Connection(named)->GetSocket();

    RecordingRequester onNamed;
    RecordingRequester onNumeric;
    SearchRequest namedRequest(&manager, &onNamed, named, kPeople);
    SearchRequest numericRequest(&manager, &onNumeric, numeric, kPeople);
    ASSERT_TRUE(directory.Pause());
    Invoke(namedRequest);
    Invoke(numericRequest);

    manager.NotifySocketClose(namedSocket + 1000);
    EXPECT_EQ(manager.BindManager()->IsBound(named), 1);
    manager.NotifySocketClose(namedSocket);
    EXPECT_EQ(manager.BindManager()->IsBound(named), 0);
    EXPECT_EQ(manager.BindManager()->IsBound(numeric), 1);
    EXPECT_EQ(watcher.forgotten, std::vector<int>{namedSocket});
    EXPECT_EQ(onNamed.Count(harrow::DUA_CONNECTION_CLOSED), 1);
    EXPECT_TRUE(onNumeric.notices.empty());

    // The closed request stays registered and unfinished until its requester removes it.
    manager.DeregisterRequest(namedRequest.ID());
    ASSERT_TRUE(directory.Resume());
    ASSERT_TRUE(PollUntilDone(manager));
    EXPECT_EQ(onNumeric.Count(harrow::DUA_COMPLETE), 1);
    manager.SetSocketCloseWatcher(nullptr);
}

TEST(ManagerRegistry, DestructorAbortsAndDeletesEachRegisteredRequestOnce) {
    std::vector<std::string> journal;
    RecordingRequester requester;
    {
        QDSManager manager;
        auto* first = new SearchRequest(&manager, &requester, -1, kPeople, &journal);
        auto* second = new SearchRequest(&manager, &requester, -1, kPeople, &journal);
        manager.RegisterRequest(first);
        manager.RegisterRequest(second);
        manager.RegisterRequest(first);
        EXPECT_EQ(manager.Waiting(), 1);
    }
    EXPECT_EQ(journal,
              (std::vector<std::string>{"aborted 0", "deleted 0", "aborted 1", "deleted 1"}));
    EXPECT_TRUE(requester.notices.empty());
}

TEST(ManagerRegistry, DeregisterKeepsTheRequestAndAbortRequestDeletesIt) {
    std::vector<std::string> journal;
    RecordingRequester requester;
    QDSManager manager;
    SearchRequest kept(&manager, &requester, -1, kPeople, &journal);
    auto* aborted = new SearchRequest(&manager, &requester, -1, kPeople, &journal);
    manager.RegisterRequest(&kept);
    manager.RegisterRequest(aborted);
    manager.RegisterRequest(&kept);
    EXPECT_EQ(manager.GetRequest(aborted->ID()), aborted);

    manager.DeregisterRequest(kept.ID());
    EXPECT_EQ(manager.GetRequest(kept.ID()), nullptr);
    manager.AbortRequest(aborted->ID());
    EXPECT_EQ(manager.GetRequest(1), nullptr);
    EXPECT_EQ(journal, (std::vector<std::string>{"aborted 1", "deleted 1"}));
    EXPECT_EQ(manager.Waiting(), 0);
    manager.Poll();
    manager.AbortAll();
    EXPECT_EQ(journal.size(), 2u);
}

TEST(ManagerRegistry, CancelAbortsAndSendsAnEmptyNotice) {
    std::vector<std::string> journal;
    RecordingRequester requester;
    QDSManager manager;
    SearchRequest request(&manager, &requester, -1, kPeople, &journal);
    request.Cancel();
    ASSERT_EQ(requester.notices.size(), 1u);
    EXPECT_EQ(requester.notices[0].activity, harrow::DUA_CANCELLED);
    EXPECT_EQ(requester.notices[0].messageId, -1);
    EXPECT_EQ(journal, std::vector<std::string>{"aborted 0"});
}

class TestManager : public QDSManager {
public:
    void SetNextRequestId(std::uint32_t id) { nextRequestId = id; }
};

TEST(ManagerRegistry, RequestIdentifiersWrapToZero) {
    TestManager manager;
    EXPECT_EQ(manager.GenRequestID(), 0u);
    EXPECT_EQ(manager.GenRequestID(), 1u);
    manager.SetNextRequestId(0xFFFFFFFE);
    EXPECT_EQ(manager.GenRequestID(), 0xFFFFFFFEu);
    EXPECT_EQ(manager.GenRequestID(), 0u);
    EXPECT_EQ(manager.GenRequestID(), 0u);
    EXPECT_EQ(manager.GenRequestID(), 1u);
}

TEST(ManagerSchema, PreInitialiseLoadsTheTablesOfTheCurrentDirectory) {
    const std::filesystem::path previous = std::filesystem::current_path();
    QDSManager loaded;
    std::filesystem::current_path(DataPath(""));
    EXPECT_EQ(loaded.PreInitialise(), 1);
    EXPECT_NE(loaded.Table()->str2at("cn"), nullptr);

    QDSManager missing;
    DebugCapture traces;
    std::filesystem::current_path(::testing::TempDir());
    EXPECT_EQ(missing.PreInitialise(), 0);
    std::filesystem::current_path(previous);
}

} // namespace
} // namespace larkspur::test
