// Connections and binding against a real slapd: credentials, the version 2 retry, reuse and
// reference counts, refused and hung servers, the idle time-out and the close-notice point.
#include "accesstesting.h"

#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qconnection.h"
#include "access/qerror.h"
#include "support/debugcapture.h"
#include "support/testdata.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace larkspur::test {
namespace {

using harrow::QBindManager;
using harrow::QError;

// The error's code (0 for none); the error is deleted and the pointer cleared.
unsigned long TakeCode(QError*& error) {
    std::unique_ptr<QError> owned(std::exchange(error, nullptr));
    return owned ? owned->ErrorCode() : 0;
}

// Binds and reports the error code (0 on success).
unsigned long Bind(QBindManager& binds, long connId) {
    QError* error = nullptr;
    if (binds.StartBind(connId, error)) {
        binds.BindWait(connId, error);
    }
    return TakeCode(error);
}

// The identity the server sees on the handle: "" for anonymous, else "dn:<bind DN>".
std::string WhoAmI(ldap* handle) {
    berval* identity = nullptr;
    if (ldap_whoami_s(handle, &identity, nullptr, nullptr) != LDAP_SUCCESS) {
        return "<whoami failed>";
    }
    std::string text = identity != nullptr ? std::string(identity->bv_val, identity->bv_len) : "";
    ber_bvfree(identity);
    return text;
}

int ProtocolVersion(ldap* handle) {
    int version = 0;
    ldap_get_option(handle, LDAP_OPT_PROTOCOL_VERSION, &version);
    return version;
}

harrow::QConnection* Connection(QBindManager& binds, long connId) {
    for (std::size_t index = 0; index < binds.ConnectionCount(); ++index) {
        if (binds.ConnectionAt(index)->ID() == connId) {
            return binds.ConnectionAt(index);
        }
    }
    return nullptr;
}

class BindTest : public SlapdTest {
protected:
    void Configure(TestDirectory& server) override {
        server.LoadLdifFile(TestDataPath("access/people.ldif"));
    }

    long Open(const std::string& dn = "", const std::string& password = "") {
        return binds.OpenConnection(directory.Host(), directory.Port(), dn, password);
    }

    QBindManager binds;
};

TEST_F(BindTest, AnonymousAndSimpleBindsUseTheirCredentials) {
    const long anonymous = Open();
    ASSERT_EQ(Bind(binds, anonymous), 0u);
    EXPECT_EQ(binds.IsBound(anonymous), 1);
    EXPECT_EQ(WhoAmI(binds.GetLDAPContext(anonymous)), "");

    QBindManager other;
    const long root = other.OpenConnection(directory.Host(), directory.Port(), directory.RootDN(),
                                           directory.RootPassword());
    ASSERT_EQ(Bind(other, root), 0u);
    EXPECT_EQ(WhoAmI(other.GetLDAPContext(root)), "dn:" + directory.RootDN());
    EXPECT_EQ(ProtocolVersion(other.GetLDAPContext(root)), 3);
}

TEST_F(BindTest, RefusedBindIsRetriedWithVersion2AndReportedBound) {
    LogCapture log;
    // A name the server cannot parse is refused, but not as a wrong password.
    const long connId = Open("not a DN", "any password");
    ASSERT_EQ(Bind(binds, connId), 0u);
    EXPECT_EQ(binds.IsBound(connId), 1);
    EXPECT_EQ(ProtocolVersion(binds.GetLDAPContext(connId)), 2);
    EXPECT_EQ(log.Masked(), ExpectedLog("refused_bind.log"));
}

// A version 2 bind would be refused the same way, so a wrong password is said to be one.
TEST_F(BindTest, WrongPasswordIsRefusedAsSuchWithoutARetry) {
    const long connId = Open(directory.RootDN(), "wrong password");
    EXPECT_EQ(Bind(binds, connId), 1839u);
    EXPECT_EQ(binds.IsBound(connId), 0);
}

TEST_F(BindTest, OpenConnectionReusesAndCountsReferences) {
    const long first = Open();
    EXPECT_EQ(Open(directory.RootDN(), "other credentials"), first);
    EXPECT_NE(binds.OpenConnection(directory.Host(), directory.Port() + 1, "", ""), first);
    EXPECT_EQ(binds.OpenConnection("LocalHost", 389, "", ""),
              binds.OpenConnection("localhost", 389, "", ""));

    // The reuse counted one reference, AddRef a second.
    ASSERT_EQ(Bind(binds, first), 0u);
    binds.AddRef(first);
    binds.LoseRef(first);
    EXPECT_EQ(binds.IsBound(first), 1);
    binds.LoseRef(first);
    EXPECT_EQ(binds.IsBound(first), 0);
    EXPECT_EQ(binds.GetLDAPContext(first), nullptr);

    // Closed, not removed: it binds again under the same id, and a LoseRef at 0 closes it.
    ASSERT_EQ(Bind(binds, first), 0u);
    EXPECT_EQ(binds.IsBound(first), 1);
    binds.LoseRef(first);
    EXPECT_EQ(binds.IsBound(first), 0);

    std::string host, dn, password;
    int port = 0;
    ASSERT_EQ(binds.GetConnectionInfo(first, host, &port, dn, password), 1);
    EXPECT_EQ(host, directory.Host());
    EXPECT_EQ(port, directory.Port());
    EXPECT_EQ(dn, "");
}

TEST_F(BindTest, BindWaitNeedsABindAndLeavesABoundConnectionAlone) {
    const long connId = Open();
    QError* error = nullptr;
    EXPECT_EQ(binds.BindWait(connId, error), 0);
    EXPECT_EQ(TakeCode(error), 1825u);

    // Held, so that the bind is still under way however quickly a loopback server answers.
    ASSERT_TRUE(directory.Pause());
    ASSERT_EQ(binds.StartBind(connId, error), 1);
    for (auto start : {&QBindManager::StartBind, &QBindManager::BindAsync}) {
        EXPECT_EQ((binds.*start)(connId, error), 0);
        EXPECT_EQ(TakeCode(error), 1833u);
    }
    ASSERT_TRUE(directory.Resume());
    ASSERT_EQ(binds.BindWait(connId, error), 1);

    // A hung server would time the wait out: a bound connection is not waited for at all.
    binds.SetBindTimeLimit(std::chrono::milliseconds(200));
    ASSERT_TRUE(directory.Pause());
    EXPECT_EQ(binds.BindWait(connId, error), 1);
    EXPECT_EQ(binds.StartBind(connId, error), 1);
    EXPECT_EQ(error, nullptr);
    ASSERT_TRUE(directory.Resume());
}

TEST_F(BindTest, RefusedConnectionFailsToStartAndLeavesNoBindInProgress) {
    const long connId = Open();
    ASSERT_TRUE(directory.Stop());
    LogCapture log;
    EXPECT_EQ(Bind(binds, connId), 1838u);
    EXPECT_EQ(Bind(binds, connId), 1838u) << "a second attempt must not find a bind in progress";
    EXPECT_EQ(binds.IsBound(connId), 0);
    EXPECT_EQ(log.Masked(), ExpectedLog("refused_connection.log"));

    ASSERT_TRUE(directory.Restart());
    EXPECT_EQ(Bind(binds, connId), 0u);
    EXPECT_EQ(binds.IsBound(connId), 1);
}

TEST_F(BindTest, HungServerTimesTheBindOut) {
    binds.SetBindTimeLimit(std::chrono::milliseconds(500));
    const long connId = Open();
    ASSERT_TRUE(directory.Pause());
    LogCapture log;
    QError* error = nullptr;
    ASSERT_EQ(binds.StartBind(connId, error), 1);
    EXPECT_EQ(binds.BindWait(connId, error), 0);
    EXPECT_EQ(TakeCode(error), 1829u);
    EXPECT_EQ(binds.IsBound(connId), 0);
    EXPECT_EQ(Connection(binds, connId)->IsBindInProgress(), 0);
    EXPECT_EQ(log.Masked(), ExpectedLog("bind_timeout.log"));

    ASSERT_TRUE(directory.Resume());
    EXPECT_EQ(Bind(binds, connId), 0u);
    EXPECT_EQ(binds.IsBound(connId), 1);
}

TEST_F(BindTest, IdleConnectionIsDroppedAfterThirtySeconds) {
    ManualClock clock;
    LogCapture log;
    const long connId = Open();
    ASSERT_EQ(Bind(binds, connId), 0u);

    clock.Advance(30);
    binds.TidyUp();
    EXPECT_EQ(binds.IsBound(connId), 1);
    EXPECT_EQ(log.Masked(), "");

    clock.Advance(1);
    binds.TidyUp();
    EXPECT_EQ(binds.IsBound(connId), 0);
    EXPECT_EQ(log.Masked(), ExpectedLog("idle_timeout.log"));

    ASSERT_EQ(Bind(binds, connId), 0u);
    EXPECT_EQ(binds.IsBound(connId), 1);
}

TEST_F(BindTest, CloseNoticePointWatchesBoundSocketsOnly) {
    RecordingWatcher watcher;
    binds.SetSocketCloseWatcher(&watcher);
    const long numeric = Open();
    const long named = binds.OpenConnection("localhost", directory.Port(), "", "");
    ASSERT_NE(numeric, named);
    EXPECT_TRUE(watcher.watched.empty());
    ASSERT_EQ(Bind(binds, numeric), 0u);
    ASSERT_EQ(Bind(binds, named), 0u);
    const int numericSocket = Connection(binds, numeric)->GetSocket();
    const int namedSocket = Connection(binds, named)->GetSocket();
    EXPECT_EQ(watcher.watched, (std::vector<int>{numericSocket, namedSocket}));

    EXPECT_EQ(binds.CloseBySocket(namedSocket), named);
    EXPECT_EQ(binds.IsBound(named), 0);
    EXPECT_EQ(binds.IsBound(numeric), 1);
    EXPECT_EQ(watcher.forgotten, std::vector<int>{namedSocket});
    EXPECT_EQ(binds.CloseBySocket(namedSocket), -1);

    // A notice point registered later takes over what is bound now.
    RecordingWatcher successor;
    binds.SetSocketCloseWatcher(&successor);
    EXPECT_EQ(watcher.forgotten, (std::vector<int>{namedSocket, numericSocket}));
    EXPECT_EQ(successor.watched, std::vector<int>{numericSocket});
    binds.LoseRef(numeric);
    EXPECT_EQ(successor.forgotten, std::vector<int>{numericSocket});
    binds.SetSocketCloseWatcher(nullptr);
}

class TestBindManager : public QBindManager {
public:
    void SetNextConnectionId(long id) { nextConnectionId = id; }
};

TEST(BindManagerIds, ConnectionIdAfterTheLargestIsZero) {
    TestBindManager binds;
    binds.SetNextConnectionId(0x7FFFFFFF);
    EXPECT_EQ(binds.OpenConnection("one.example", 389, "", ""), 0x7FFFFFFF);
    EXPECT_EQ(binds.OpenConnection("two.example", 389, "", ""), 0);
    EXPECT_EQ(binds.OpenConnection("three.example", 389, "", ""), 1);
}

TEST(BindManagerIds, UnknownIdsGiveNeutralResultsAndTraces) {
    QBindManager binds;
    LogCapture log;
    DebugCapture traces;
    binds.LoseRef(-1);
    EXPECT_TRUE(traces.Messages().empty());
    binds.AddRef(4);
    binds.LoseRef(4);
    QError* error = nullptr;
    EXPECT_EQ(binds.BindAsync(4, error), 0);
    EXPECT_EQ(traces.Messages(),
              (std::vector<std::string>{
                  "QBindManager::AddRef called on an unknown connection identifier!\n",
                  "QBindManager::LoseRef\nCalled on an unknown connection identifier!\n",
                  "QBindManager::BindAsync called on a non-existent connection id!\n"}));
    EXPECT_EQ(TakeCode(error), 1825u);

    for (long connId : {-1L, 4L}) {
        EXPECT_EQ(binds.StartBind(connId, error), 0);
        EXPECT_EQ(TakeCode(error), 1825u);
        EXPECT_EQ(binds.BindWait(connId, error), 0);
        EXPECT_EQ(TakeCode(error), 1825u);
    }
    EXPECT_EQ(binds.IsBound(4), 0);
    EXPECT_EQ(binds.GetLDAPContext(4), nullptr);
    std::string host, dn, password;
    EXPECT_EQ(binds.GetConnectionInfo(4, host, nullptr, dn, password), 0);
    binds.LogConnection(4);
    EXPECT_EQ(log.Masked(), "Failed to locate connection:\nID: 4\n");
}

TEST(BindManagerIds, ConnectionWithoutHostCannotBind) {
    QBindManager binds;
    const long connId = binds.OpenConnection("", 389, "", "");
    EXPECT_EQ(Bind(binds, connId), 1826u);
}

} // namespace
} // namespace larkspur::test
