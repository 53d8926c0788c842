// One form search operation against a real server: the scope its base chooses, the matches and
// final results it reads, the referral URLs it builds, and Abort.
#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "access/qlogfile.h"
#include "forms/qformop.h"
#include "model/qdn.h"
#include "model/qentry.h"
#include "schema/oidtable.h"
#include "searchworld.h"
#include "support/testdata.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <unistd.h>

namespace larkspur::test {
namespace {

using harrow::QFormOp;

class FormOpTest : public SlapdTest {
protected:
    FormOpTest() : SlapdTest("c=GB") {}

    void Configure(TestDirectory& server) override {
        server.LoadLdifFile(TestDataPath("forms/search/operation.ldif"));
        // A base the server does not hold is referred to this URL.
        server.AddGlobalConfig("referral ldap://host2:389/");
    }

    void SetUp() override {
        SlapdTest::SetUp();
        ASSERT_EQ(1, manager.Table()->Load(DataPath("oidtable32").c_str()));
        connId = BoundConnection(manager, directory);
        std::remove(logPath.c_str());
        harrow::QLogFile::Open(logPath.c_str());
    }

    void TearDown() override {
        harrow::QLogFile::Close();
        std::remove(logPath.c_str());
    }

    std::unique_ptr<QFormOp> Op(const std::string& base, const std::string& filter) {
        harrow::QDN dn;
        dn.SetDN(&manager, connId, base);
        return std::make_unique<QFormOp>(&manager, connId, dn, filter);
    }

    ldap* Handle() { return manager.BindManager()->GetLDAPContext(connId); }

    // Hands the operation its messages until its final result.
    void RunToResult(QFormOp& op) {
        while (!op.Finished()) {
            timeval wait{5, 0};
            LDAPMessage* received = nullptr;
            ASSERT_GT(ldap_result(Handle(), op.MessageID(), LDAP_MSG_ONE, &wait, &received), 0);
            harrow::ldapapi::Message message(received);
            harrow::QError* error = nullptr;
            op.ParseMessage(Handle(), message.get(), error);
            delete error;
        }
    }

    std::unique_ptr<QFormOp> Invoked(const std::string& base, const std::string& filter) {
        std::unique_ptr<QFormOp> op = Op(base, filter);
        harrow::QError* error = nullptr;
        EXPECT_EQ(1, op->Invoke(error));
        EXPECT_EQ(nullptr, error);
        delete error;
        return op;
    }

    // The one referral URL of a search that ends in a referral, which counts as a success.
    std::string OnlyReferral(const std::string& base, const std::string& filter) {
        std::unique_ptr<QFormOp> op = Invoked(base, filter);
        RunToResult(*op);
        EXPECT_EQ(1, op->Succeeded());
        harrow::QStringList referrals;
        EXPECT_EQ(1u, op->GetReferrals(referrals));
        return referrals.empty() ? std::string() : referrals.front();
    }

    std::string LogText() const {
        static const std::regex time(R"(\d\d/\d\d \d\d:\d\d:\d\d)");
        static const std::regex port(R"(Port: \d+)");
        return std::regex_replace(std::regex_replace(ReadFile(logPath), time, "TIME"), port,
                                  "Port: PORT");
    }

    harrow::QDSManager manager;
    long connId = -1;
    std::string logPath = ::testing::TempDir() + "formop-" + std::to_string(::getpid()) + ".log";
};

TEST_F(FormOpTest, BaseOfOneComponentIsSearchedOneLevelDeep) {
    std::unique_ptr<QFormOp> op = Invoked("c=GB", "(objectclass=organization)");
    EXPECT_EQ(LDAP_SCOPE_ONELEVEL, op->Scope());
    EXPECT_EQ(1, op->Invoked());
    RunToResult(*op);
    EXPECT_EQ(1, op->Succeeded());
    EXPECT_EQ("--------------------------------------------------------\n"
              "TIMEQFormOp::Invoke()\n"
              "LDAP search invoked OK:\n"
              "DN: c=GB\n"
              "Filter: (objectclass=organization)\n"
              "Scope: 1,\n"
              "Message ID: 2\n"
              "Host: 127.0.0.1\n"
              "Port: PORT\n"
              "--------------------------------------------------------\n"
              "TIMEQFormOp::AddMatchingEntry()\n"
              "Got a match from an LDAP search:\n"
              "Message ID: 2\n"
              "DN: o=Acme,c=GB\n"
              "--------------------------------------------------------\n"
              "TIMEQFormOp::ParseResult()\t\t\t\t\t\n"
              "LDAP search returned a result:\t\t\t\t\t\n"
              "Matches: 1\n"
              "Host: 127.0.0.1\n"
              "Port: PORT\n"
              "DN: c=GB\n"
              "Filter: (objectclass=organization)\n"
              "Scope: 1\n"
              "Message ID: 2\n",
              LogText());
}

TEST_F(FormOpTest, BaseOfTwoComponentsIsSearchedAsASubtree) {
    std::unique_ptr<QFormOp> op = Invoked("o=Acme, c=GB", "(cn=*smith*)");
    EXPECT_EQ(LDAP_SCOPE_SUBTREE, op->Scope());
    RunToResult(*op);
    harrow::PtrList<harrow::QEntry> entries;
    ASSERT_EQ(1u, op->GetEntries(entries));
    std::string dn;
    entries.GetHead()->DN().GetDN(dn);
    EXPECT_EQ("cn=John Smith, o=Acme, c=GB", dn);
    // Taken entries are gone from the operation.
    EXPECT_EQ(1u, op->GetEntries(entries));
    delete entries.RemoveHead();
}

TEST_F(FormOpTest, EmptyBaseIsSearchedOneLevelDeep) {
    std::unique_ptr<QFormOp> op = Invoked("", "(objectclass=*)");
    EXPECT_EQ(LDAP_SCOPE_ONELEVEL, op->Scope());
    RunToResult(*op);
}

TEST_F(FormOpTest, ReferralBecomesAUrlCarryingTheScopeAndFilter) {
    EXPECT_EQ("ldap://host2:389/o=Acme,c=GB?objectClass?sub?(cn=*smith*)",
              OnlyReferral("ou=Moved,o=Acme,c=GB", "(cn=*smith*)"));
    EXPECT_NE(std::string::npos,
              LogText().find("TIMEQFormOp::ParseResult()\t\t\t\t\t\t\t\t\t\n"
                             "Got a referral:\t\t\t\t\t\t\t\t\t\n"
                             "Message ID: 2\t\t\t\t\t\t\t\t\t\n"
                             "URI: ldap://host2:389/o=Acme,c=GB?objectClass?sub?(cn=*smith*)\n"));
}

TEST_F(FormOpTest, OneLevelReferralGetsTheScopeWordOne) {
    EXPECT_EQ("ldap://host2:389/o=Elsewhere?objectClass?one?(cn=*smith*)",
              OnlyReferral("o=Elsewhere", "(cn=*smith*)"));
}

TEST_F(FormOpTest, QuestionMarkInTheFilterSurvivesTheReferralUrl) {
    const std::string referral = OnlyReferral("ou=Moved,o=Acme,c=GB", "(cn=*who?*)");
    EXPECT_EQ("ldap://host2:389/o=Acme,c=GB?objectClass?sub?(cn=*who%3F*)", referral);
    harrow::ldapapi::UrlDesc url = harrow::ldapapi::ParseUrl(referral);
    ASSERT_TRUE(url);
    EXPECT_STREQ("(cn=*who?*)", url->lud_filter);
    EXPECT_STREQ("o=Acme,c=GB", url->lud_dn);
}

TEST_F(FormOpTest, ErrorResultEndsTheOperationUnsuccessfully) {
    std::unique_ptr<QFormOp> op = Invoked("o=Missing,c=GB", "(cn=*)");
    RunToResult(*op);
    EXPECT_EQ(1, op->Finished());
    EXPECT_EQ(0, op->Succeeded());
    EXPECT_NE(std::string::npos, LogText().find("TIMEQFormOp::ParseResult()\t\t\t\t\t\n"
                                                "An LDAP search resulted in error:\t\t\t\t\t\n"
                                                "LDAP error:No such object\n"
                                                "Host: 127.0.0.1\n"
                                                "Port: PORT\n"
                                                "DN: o=Missing, c=GB\n"
                                                "Filter: (cn=*)\n"
                                                "Scope: 2\n"
                                                "Message ID: 2\n"));
}

TEST_F(FormOpTest, ResultThatCannotBeParsedEndsTheOperationAsFailed) {
    std::unique_ptr<QFormOp> op = Invoked("cn=John Smith,o=Acme,c=GB", "(cn=*smith*)");
    timeval wait{5, 0};
    LDAPMessage* received = nullptr;
    ASSERT_GT(ldap_result(Handle(), op->MessageID(), LDAP_MSG_ONE, &wait, &received), 0);
    harrow::ldapapi::Message entry(received);
    ASSERT_EQ(LDAP_RES_SEARCH_ENTRY, ldap_msgtype(entry.get()));
    harrow::QError* error = nullptr;
    // An entry message holds no result for ldap_parse_result to read.
    EXPECT_EQ(0, op->ParseResult(entry.get(), error));
    EXPECT_EQ(nullptr, error);
    EXPECT_EQ(1, op->Finished());
    EXPECT_EQ(0, op->Succeeded());
}

TEST_F(FormOpTest, AbortBeforeInvokeSendsNothingButEndsTheOperation) {
    std::unique_ptr<QFormOp> op = Op("o=Acme,c=GB", "(cn=*)");
    op->Abort();
    EXPECT_EQ(1, op->Finished());
    EXPECT_EQ(0, op->Succeeded());
    EXPECT_EQ(0, op->Invoked());
    EXPECT_EQ(-1, op->MessageID());
    EXPECT_EQ("", LogText());
}

TEST_F(FormOpTest, AbortOfAFinishedOperationLeavesItUnsuccessful) {
    std::unique_ptr<QFormOp> op = Invoked("o=Acme,c=GB", "(cn=*smith*)");
    RunToResult(*op);
    ASSERT_EQ(1, op->Succeeded());
    op->Abort();
    EXPECT_EQ(1, op->Finished());
    EXPECT_EQ(0, op->Succeeded());
}

TEST_F(FormOpTest, OwnerIsTheHandleAndMessageId) {
    std::unique_ptr<QFormOp> op = Op("o=Acme,c=GB", "(cn=*)");
    EXPECT_EQ(0, op->IsOwner(Handle(), -1));
    harrow::QError* error = nullptr;
    ASSERT_EQ(1, op->Invoke(error));
    EXPECT_EQ(1, op->IsOwner(Handle(), op->MessageID()));
    EXPECT_EQ(0, op->IsOwner(Handle(), op->MessageID() + 1));
    EXPECT_EQ(0, op->IsOwner(nullptr, op->MessageID()));
    RunToResult(*op);
}

} // namespace
} // namespace larkspur::test
