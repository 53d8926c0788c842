// Form searches against two real servers: the chain from context matches to the target,
// referrals between the servers and their bound, lost servers, Abort, and failures to start.
#include "searchworld.h"

#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "support/debugcapture.h"
#include "support/drivemanager.h"
#include "support/fakeldapserver.h"
#include "support/testdata.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <memory>
#include <set>

namespace larkspur::test {
namespace {

using Strings = std::vector<std::string>;

constexpr unsigned long kNotEnoughSearchData = 1827;
constexpr unsigned long kSomeOperationsFailed = 1837;

// Successive counts never go down, and the completion repeats the last of them.
void ExpectCountsConsistent(const RecordingRequester& requester) {
    const std::vector<OpCount> counts = requester.OpCounts();
    ASSERT_FALSE(counts.empty());
    for (size_t i = 1; i < counts.size(); ++i) {
        EXPECT_GE(counts[i].first, counts[i - 1].first) << "report " << i;
        EXPECT_GE(counts[i].second, counts[i - 1].second) << "report " << i;
    }
    EXPECT_EQ(1, requester.Completions());
    EXPECT_EQ(counts.back(), requester.Completion());
    EXPECT_EQ(harrow::DUA_COMPLETE, requester.notices.back().activity);
}

int Occurrences(const std::string& text, const std::string& what) {
    int count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// Everyone named Smith on Alpha, sorted.
Strings AlphaSmiths() {
    return Sorted({"cn=John Smith, o=Acme, o=Alpha, c=GB",
                   "cn=Anna Smith, ou=Research, o=Acme, o=Alpha, c=GB",
                   "cn=Peter Smith, o=Zenith, o=Alpha, c=GB"});
}

std::string Expected(const std::string& name) {
    return ReadFile(TestDataPath("forms/search/" + name));
}

TEST_F(FormSearchTest, ChainRunsFromOrganisationsToPeopleOnBothServers) {
    NewSearch("People in organisation", {{"Organisation", "acme"}, {"Name", "smith"}});
    unsigned long error = 0;
    ASSERT_EQ(1, Invoke(error));
    EXPECT_EQ(manager.GetRequest(search->ID()), search.get());
    ASSERT_TRUE(RunToEnd());

    EXPECT_EQ(Sorted({"o=Acme, o=Alpha, c=GB", "o=Acme Beta, o=Beta, c=GB"}),
              Sorted(requester.IntermediateMatches()));
    EXPECT_EQ(Sorted({"cn=John Smith, o=Acme, o=Alpha, c=GB",
                      "cn=Anna Smith, ou=Research, o=Acme, o=Alpha, c=GB",
                      "cn=Jane Smith, o=Acme Beta, o=Beta, c=GB",
                      "cn=Bob Smith, ou=Research, o=Acme Beta, o=Beta, c=GB"}),
              Sorted(requester.Results()));
    // Two organisation searches, then one person search below each organisation found.
    EXPECT_EQ(OpCount(4, 0), requester.Completion());
    ExpectCountsConsistent(requester);
    EXPECT_EQ(1, search->Finished());
    EXPECT_EQ(0, search->Invoked());
    // Poll let go of the finished search.
    EXPECT_EQ(nullptr, manager.GetRequest(search->ID()));
}

TEST_F(FormSearchTest, ResultsArriveOneEntryPerNotice) {
    ASSERT_TRUE(Run("Alpha people", {{"Name", "smith"}}));
    int results = 0;
    for (const Notice& notice : requester.notices) {
        if (notice.activity == harrow::DUA_RESULT) {
            EXPECT_EQ(1u, notice.dns.size());
            ++results;
        }
    }
    EXPECT_EQ(3, results);
    EXPECT_EQ(OpCount(1, 0), requester.Completion());
    ExpectCountsConsistent(requester);
}

TEST_F(FormSearchTest, SecondContextInputIsTriedBelowTheFirstButNotBelowItself) {
    SearchLog log;
    ASSERT_TRUE(
        Run("Three inputs", {{"Organisation", "acme"}, {"Unit", "research"}, {"Name", "smith"}}));

    // Below each organisation the target and the department are searched; below each
    // department only the target, so people in departments are found twice but listed once.
    EXPECT_EQ(Sorted({"cn=John Smith, o=Acme, o=Alpha, c=GB",
                      "cn=Anna Smith, ou=Research, o=Acme, o=Alpha, c=GB",
                      "cn=Jane Smith, o=Acme Beta, o=Beta, c=GB",
                      "cn=Bob Smith, ou=Research, o=Acme Beta, o=Beta, c=GB"}),
              Sorted(requester.Results()));
    EXPECT_EQ(
        Sorted({"o=Acme, o=Alpha, c=GB", "o=Acme Beta, o=Beta, c=GB",
                "ou=Research, o=Acme, o=Alpha, c=GB", "ou=Research, o=Acme Beta, o=Beta, c=GB"}),
        Sorted(requester.IntermediateMatches()));
    EXPECT_EQ(OpCount(8, 0), requester.Completion());
    ExpectCountsConsistent(requester);

    const std::string text = LogText(log);
    EXPECT_EQ(2, Occurrences(text, "LDAP search invoked OK:\nDN: ou=Research"));
    EXPECT_EQ(2, Occurrences(text, "Filter: (&(objectclass=organizationalUnit)(ou=*research*))\n"
                                   "Scope: 2,"));
}

TEST_F(FormSearchTest, EmptyTargetStillSearchesTheFilledContextInput) {
    DebugCapture trace;
    ASSERT_TRUE(Run("Mixed people", {{"Organisation", "acme"}}));

    EXPECT_TRUE(requester.Results().empty());
    EXPECT_EQ(Strings{"o=Acme, o=Alpha, c=GB"}, requester.IntermediateMatches());
    // The target's search failed to build its filter at the base point and below the match;
    // neither counts as an operation.
    EXPECT_EQ(OpCount(1, 0), requester.Completion());
    ExpectCountsConsistent(requester);
    EXPECT_EQ(Expected("empty-target.trace"), trace.Joined());
}

TEST_F(FormSearchTest, ReferralIsFollowedOntoTheOtherServerWithItsFilter) {
    SearchLog log;
    ASSERT_TRUE(Run("Remote people", {{"Name", "smith"}}));

    EXPECT_EQ(Strings({"cn=Jane Smith, o=Acme Beta, o=Beta, c=GB",
                       "cn=Bob Smith, ou=Research, o=Acme Beta, o=Beta, c=GB"}),
              requester.Results());
    EXPECT_EQ(OpCount(2, 0), requester.Completion());
    ExpectCountsConsistent(requester);
    EXPECT_EQ(Expected("remote-people.log"), LogText(log));
}

// Searches that follow referrals and find nobody.
class ReferralBoundsTest : public FormSearchTest {
protected:
    // The form's search made that many operations, none failed, and the log tells why the
    // referral that ended it was not followed.
    void ExpectStoppedAfter(const std::string& form, int operations, const std::string& why) {
        SearchLog log;
        ASSERT_TRUE(Run(form, {{"Name", "smith"}}));

        EXPECT_TRUE(requester.Results().empty());
        EXPECT_EQ(OpCount(operations, 0), requester.Completion());
        ExpectCountsConsistent(requester);
        const std::string text = LogText(log);
        EXPECT_NE(std::string::npos, text.find(Expected(why))) << text;
        EXPECT_EQ(operations, Occurrences(text, "LDAP search invoked OK:"));
    }
};

// The first search and ten followed referrals; the eleventh referral is dropped, neither made nor
// failed.
TEST_F(ReferralBoundsTest, ServersReferringToEachOtherStopAfterTenReferrals) {
    ExpectStoppedAfter("Hop people", 11, "hops-dropped.log");
}

// Alpha refers to Beta, which refers back to where the search began.
TEST_F(ReferralBoundsTest, ReferralBackToASearchAlreadyMadeIsNotFollowed) {
    ExpectStoppedAfter("Loop people", 2, "loop-dropped.log");
}

// Four referrals at every hop, each to a place not searched before, would make 4^10 searches.
TEST_F(ReferralBoundsTest, FanOfReferralsBetweenServersIsBounded) {
    SearchLog log;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Run("Fan people", {{"Name", "smith"}}));
    // Unbounded, it made tens of thousands of searches in 30 s; bounded, it takes a few seconds
    // even with the sanitizers on a busy machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));

    EXPECT_TRUE(requester.Results().empty());
    EXPECT_EQ(OpCount(1 + harrow::QFormSearch::MaxReferrals, 0), requester.Completion());
    ExpectCountsConsistent(requester);
    // Read as it is: the log of a thousand searches is too long to have its ports put back.
    EXPECT_EQ(1, Occurrences(log.RawText(), "Referral not followed, the search has followed "
                                            "1000 referrals; no more are:"));
}

TEST_F(FormSearchTest, EntryReachedFromTwoBasePointsIsListedOnce) {
    ASSERT_TRUE(Run("Overlapping people", {{"Name", "smith"}}));

    EXPECT_EQ(AlphaSmiths(), Sorted(requester.Results()));
    EXPECT_EQ(OpCount(2, 0), requester.Completion());
    ExpectCountsConsistent(requester);
}

// One person in each of 500 organisations on Beta, loaded before it starts.
class ManyOrganisationsTest : public FormSearchTest {
protected:
    static constexpr int kOrganisations = 500;

    void SetUp() override {
        std::string ldif = "dn: ou=Many,o=Beta,c=GB\nobjectClass: organizationalUnit\nou: Many\n\n";
        for (int i = 1; i <= kOrganisations; ++i) {
            const std::string number = std::to_string(i);
            const std::string organisation = "o=Org " + number + ",ou=Many,o=Beta,c=GB";
            ldif += "dn: " + organisation + "\nobjectClass: organization\no: Org " + number +
                    "\n\ndn: cn=Member " + number + "," + organisation +
                    "\nobjectClass: inetOrgPerson\ncn: Member " + number + "\nsn: Member\n\n";
        }
        beta.LoadLdif(ldif);
        FormSearchTest::SetUp();
    }
};

// slapd closes a connection with more than 100 requests waiting from an anonymous session. Beta
// is held from the first organisation found until the engine has read the rest, so that the
// searches below them all reach it at once, as they do at a busy server.
TEST_F(ManyOrganisationsTest, ChainBelowFiveHundredOrganisationsFindsEveryone) {
    requester.onNotice = [this](const Notice& notice) {
        if (notice.type == harrow::FR_INTERMEDIATE_MATCHES && !beta.IsPaused()) {
            beta.Pause();
        }
    };
    NewSearch("People in many organisations", {{"Organisation", "org"}, {"Name", "member"}});
    unsigned long error = 0;
    ASSERT_EQ(1, Invoke(error));
    PollFor(1000);
    requester.onNotice = nullptr;
    ASSERT_TRUE(beta.Resume());
    ASSERT_TRUE(RunToEnd());

    const Strings results = requester.Results();
    EXPECT_EQ(static_cast<size_t>(kOrganisations), results.size());
    EXPECT_EQ(static_cast<size_t>(kOrganisations),
              std::set<std::string>(results.begin(), results.end()).size());
    EXPECT_EQ(OpCount(1 + kOrganisations, 0), requester.Completion());
    ExpectCountsConsistent(requester);
}

// slapd pages one search per connection: the searches below the organisations, sent while the
// organisations still come in pages, must not end that paging early.
TEST_F(ManyOrganisationsTest, ChainBelowOrganisationsFoundPageByPageFindsEveryone) {
    manager.SetPageSize(100);
    ASSERT_TRUE(
        Run("People in many organisations", {{"Organisation", "org"}, {"Name", "member"}}));

    const Strings results = requester.Results();
    EXPECT_EQ(static_cast<size_t>(kOrganisations),
              std::set<std::string>(results.begin(), results.end()).size());
    EXPECT_EQ(OpCount(1 + kOrganisations, 0), requester.Completion());
}

// Beta also listens on [::1]; Alpha refers to it there.
class IPv6ReferralTest : public FormSearchTest {
protected:
    void SetUp() override {
        if (!TestDirectory::HasIPv6Loopback()) {
            GTEST_SKIP() << "this machine has no IPv6 loopback address";
        }
        beta.ListenOnIPv6Loopback();
        FormSearchTest::SetUp();
    }
};

TEST_F(IPv6ReferralTest, ReferralToAnIPv6LiteralIsFollowed) {
    ASSERT_TRUE(alpha.ApplyLdif("dn: ou=Six,o=Alpha,c=GB\nobjectClass: referral\n"
                                "objectClass: extensibleObject\nou: Six\nref: " +
                                beta.IPv6Url() + "/o=Beta,c=GB\n"));
    ASSERT_TRUE(Run("IPv6 people", {{"Name", "smith"}}));

    EXPECT_EQ(Sorted({"cn=Jane Smith, o=Acme Beta, o=Beta, c=GB",
                      "cn=Bob Smith, ou=Research, o=Acme Beta, o=Beta, c=GB"}),
              Sorted(requester.Results()));
    EXPECT_EQ(OpCount(2, 0), requester.Completion());
    ExpectCountsConsistent(requester);
}

// Following a referral used to wait for each referred server's bind inside one Poll.
TEST_F(FormSearchTest, ReferralToThreeSilentServersNeverHoldsPoll) {
    manager.BindManager()->SetBindTimeLimit(std::chrono::seconds(1));
    std::vector<std::unique_ptr<FakeLdapServer>> silent;
    std::string change = "dn: ou=Gone,o=Alpha,c=GB\nchangetype: modify\nreplace: ref\n";
    for (int i = 0; i < 3; ++i) {
        silent.push_back(std::make_unique<FakeLdapServer>(FakeLdapServer::Behaviour::Silent));
        ASSERT_TRUE(silent.back()->Start());
        change += "ref: " + silent.back()->UrlFor("o=Gone,c=GB") + "\n";
    }
    ASSERT_TRUE(alpha.ApplyLdif(change));
    NewSearch("Unreachable people", {{"Name", "smith"}});
    unsigned long error = 0;
    ASSERT_EQ(1, Invoke(error));
    const auto longest = DriveUntil(manager, [&] { return manager.Waiting() == 0; });
    // A sanity bound: one Poll used to wait for each referred server's bind in turn.
    EXPECT_LT(longest, std::chrono::milliseconds(500));
    EXPECT_EQ(3u, requester.Results().size());
    EXPECT_EQ(OpCount(5, 3), requester.Completion());
    for (const auto& server : silent) {
        EXPECT_EQ(1, server->BindsOfVersion(3));
    }
}

TEST_F(FormSearchTest, UnreachableReferralIsDroppedAndTheSearchCompletes) {
    ASSERT_TRUE(Run("Unreachable people", {{"Name", "smith"}}));

    EXPECT_EQ(AlphaSmiths(), Sorted(requester.Results()));
    // The referral's server cannot be bound, so no operation was made for it.
    EXPECT_EQ(OpCount(2, 0), requester.Completion());
    ExpectCountsConsistent(requester);
}

// Binds both base points with a first search, then holds Beta so that the second search's
// operation there stays unanswered while Alpha's completes.
class HeldServerTest : public FormSearchTest {
protected:
    void StartWithBetaHeld() {
        ASSERT_TRUE(Run("People", {{"Name", "smith"}}));
        requester.notices.clear();

        ASSERT_TRUE(beta.Pause());
        NewSearch("People", {{"Name", "smith"}});
        unsigned long error = 0;
        ASSERT_EQ(1, Invoke(error));
        PollFor(300);
        ASSERT_EQ(3u, requester.Results().size());
        ASSERT_EQ(0, requester.Completions());
        ASSERT_EQ(1, manager.Waiting());
    }
};

TEST_F(HeldServerTest, ServerLostMidSearchCompletesWithItsOperationFailed) {
    StartWithBetaHeld();
    Crash(beta);
    ASSERT_TRUE(RunToEnd());

    EXPECT_EQ(3u, requester.Results().size());
    EXPECT_EQ(OpCount(2, 1), requester.Completion());
    ExpectCountsConsistent(requester);
    EXPECT_EQ(1, search->Finished());
    EXPECT_EQ(0, search->WaitingOn(ConnectionOf(beta)));
}

TEST_F(HeldServerTest, ServerStoppedMidSearchIsGivenUpAfterTheStallTime) {
    manager.SetStallTime(std::chrono::seconds(2));
    StartWithBetaHeld();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunToEnd());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    ASSERT_TRUE(beta.Resume());

    EXPECT_EQ(3u, requester.Results().size());
    EXPECT_EQ(OpCount(2, 1), requester.Completion());
    ExpectCountsConsistent(requester);
    EXPECT_EQ(0, manager.BindManager()->IsBound(ConnectionOf(beta)));
}

TEST_F(HeldServerTest, AbortSendsNothingMore) {
    StartWithBetaHeld();
    SearchLog log;
    const size_t noticesBefore = requester.notices.size();
    manager.AbortRequest(search->ID());
    // The manager deleted the search.
    search.release();
    ASSERT_TRUE(beta.Resume());
    PollFor(300);

    EXPECT_EQ(noticesBefore, requester.notices.size());
    EXPECT_EQ(0, requester.Completions());
    EXPECT_EQ(0, manager.Waiting());
    EXPECT_EQ("", LogText(log));
}

// The user presses Abort in a message box that a notice opened: the requester aborts the search
// from inside that notice, while the search is still handling what caused it.
class AbortInsideNoticeTest : public HeldServerTest {
protected:
    // Aborts at the first notice that matches; from then on the search belongs to the manager,
    // which deletes it.
    void AbortAt(std::function<bool(const Notice&)> matches, std::function<void()> abort) {
        requester.onNotice = [this, matches, abort](const Notice& notice) {
            if (noticesAtAbort == 0 && matches(notice)) {
                noticesAtAbort = requester.notices.size();
                abortedId = search->ID();
                abort();
                search.release();
            }
        };
    }

    // Once aborted, the search sent nothing more and nothing was left waiting.
    void ExpectNothingAfterAbort() {
        ASSERT_NE(0u, noticesAtAbort) << "the notice to abort at never came";
        PollFor(300);
        EXPECT_EQ(noticesAtAbort, requester.notices.size());
        EXPECT_EQ(0, requester.Completions());
        EXPECT_EQ(0, manager.Waiting());
        EXPECT_EQ(nullptr, manager.GetRequest(abortedId));
    }

    size_t noticesAtAbort = 0;
    unsigned long abortedId = 0;
};

TEST_F(AbortInsideNoticeTest, AbortAllInsideAResult) {
    AbortAt([](const Notice& notice) { return notice.activity == harrow::DUA_RESULT; },
            [this] { manager.AbortAll(); });
    ASSERT_TRUE(Run("People in organisation", {{"Organisation", "acme"}, {"Name", "smith"}}));

    ExpectNothingAfterAbort();
    EXPECT_EQ(1u, requester.Results().size());
}

TEST_F(AbortInsideNoticeTest, AbortRequestInsideTheCountOfAStepStartedBelowAMatch) {
    // The base points' two searches are counted before the search registers; a third
    // operation is one started below an organisation found.
    AbortAt(
        [](const Notice& notice) {
            return notice.activity == harrow::DUA_REPORT &&
                   notice.type == harrow::FR_OPERATION_COUNT && notice.total == 3;
        },
        [this] { manager.AbortRequest(search->ID()); });
    ASSERT_TRUE(Run("People in organisation", {{"Organisation", "acme"}, {"Name", "smith"}}));

    ExpectNothingAfterAbort();
    EXPECT_TRUE(requester.Results().empty());
    EXPECT_TRUE(requester.IntermediateMatches().empty());
}

TEST_F(AbortInsideNoticeTest, AbortAllInsideTheCountOfALostConnection) {
    StartWithBetaHeld();
    AbortAt(
        [](const Notice& notice) {
            return notice.activity == harrow::DUA_REPORT &&
                   notice.type == harrow::FR_OPERATION_COUNT && notice.failed == 1;
        },
        [this] { manager.AbortAll(); });
    Crash(beta);
    ASSERT_TRUE(RunToEnd());

    ExpectNothingAfterAbort();
    EXPECT_EQ(3u, requester.Results().size());
}

TEST_F(FormSearchTest, ConnectionLostWhileOneOfItsMessagesIsHandled) {
    const long betaConnection = ConnectionOf(beta);
    bool noticeGiven = false;
    // The close notice reaches the search from inside the handling of Beta's first match.
    requester.onNotice = [&](const Notice& notice) {
        if (!noticeGiven && notice.activity == harrow::DUA_RESULT &&
            notice.dns.front().find("o=Beta") != std::string::npos) {
            noticeGiven = true;
            manager.NotifyConnectionClose(betaConnection);
        }
    };
    ASSERT_TRUE(Run("Remote people", {{"Name", "smith"}}));

    ASSERT_TRUE(noticeGiven);
    EXPECT_EQ(Strings{"cn=Jane Smith, o=Acme Beta, o=Beta, c=GB"}, requester.Results());
    // The referred search was aborted and counted once.
    EXPECT_EQ(OpCount(2, 1), requester.Completion());
    ExpectCountsConsistent(requester);
}

TEST_F(FormSearchTest, FormWithoutBasePointsCannotStart) {
    DebugCapture trace;
    NewSearch("No base", {{"Name", "smith"}});
    unsigned long error = 0;
    EXPECT_EQ(0, Invoke(error));
    EXPECT_EQ(kNotEnoughSearchData, error);
    EXPECT_EQ("Form search invocation failed : no base points found for form 'No base'.\n\n",
              trace.Joined());
    EXPECT_TRUE(requester.notices.empty());
    EXPECT_EQ(nullptr, manager.GetRequest(search->ID()));
}

TEST_F(FormSearchTest, TargetNoBasePointMaySearchForCannotStart) {
    DebugCapture trace;
    NewSearch("Organisations", {{"Organisation", "acme"}});
    unsigned long error = 0;
    EXPECT_EQ(0, Invoke(error));
    EXPECT_EQ(kNotEnoughSearchData, error);
    EXPECT_EQ(
        "Form search invocation failed : no initial searches possible for form 'Organisations'.\n",
        trace.Messages().back());
    EXPECT_TRUE(requester.notices.empty());
    EXPECT_EQ(0, manager.Waiting());
}

TEST_F(FormSearchTest, EmptyFormCannotStart) {
    NewSearch("People", {});
    unsigned long error = 0;
    EXPECT_EQ(0, Invoke(error));
    EXPECT_EQ(kNotEnoughSearchData, error);
}

TEST_F(FormSearchTest, EveryOperationFailingToStartFailsTheSearch) {
    const long connId = BoundConnection(manager, alpha);
    // The library finds the socket unusable when it sends the search.
    ASSERT_EQ(0, ::shutdown(harrow::ldapapi::Socket(manager.BindManager()->GetLDAPContext(connId)),
                            SHUT_RDWR));
    DebugCapture trace;
    NewSearch("Alpha people", {{"Name", "smith"}});
    unsigned long error = 0;
    EXPECT_EQ(0, Invoke(error));
    EXPECT_EQ(kSomeOperationsFailed, error);
    EXPECT_EQ(0u, trace.Messages().back().rfind("Search operation invocation failed: error given "
                                                "was 'A directory server connection was lost.",
                                                0));
    EXPECT_EQ(std::vector<OpCount>{OpCount(1, 1)}, requester.OpCounts());
    EXPECT_EQ(0, requester.Completions());
    EXPECT_EQ(nullptr, manager.GetRequest(search->ID()));
    EXPECT_EQ(1, manager.BindManager()->IsBound(connId));
}

// A hung server no longer holds Invoke for the bind time: the search starts at once and ends,
// failed, when the bind's time runs out.
TEST_F(FormSearchTest, SilentBasePointEndsTheSearchAsFailedAfterTheBindTime) {
    DebugCapture trace;
    manager.BindManager()->SetBindTimeLimit(std::chrono::seconds(1));
    ASSERT_TRUE(alpha.Pause());
    NewSearch("Alpha people", {{"Name", "smith"}});
    unsigned long error = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(1, Invoke(error));
    // A sanity bound: Invoke used to wait for the whole bind time.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    ASSERT_TRUE(RunToEnd());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    ASSERT_TRUE(alpha.Resume());

    EXPECT_EQ("Search operation invocation failed: error given was 'Time limit reached.'.\n",
              trace.Messages().back());
    EXPECT_EQ((std::vector<OpCount>{OpCount(1, 0), OpCount(1, 1)}), requester.OpCounts());
    EXPECT_EQ(OpCount(1, 1), requester.Completion());
    EXPECT_EQ(nullptr, manager.GetRequest(search->ID()));
}

} // namespace
} // namespace larkspur::test
