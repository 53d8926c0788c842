// Who owns what a form search hands out: entries in reports and results, referral lists and
// errors. Entries hold a reference on their connection, so a connection that closes when the
// last entry goes shows that the entries were deleted.
#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "forms/qformcompletionreport.h"
#include "forms/qformreport.h"
#include "forms/qformresult.h"
#include "model/qentry.h"
#include "schema/oidtable.h"
#include "searchworld.h"
#include "support/testdata.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <string>

namespace larkspur::test {
namespace {

using harrow::PtrList;
using harrow::QEntry;
using harrow::QFormReport;

class FormReportTest : public SlapdTest {
protected:
    FormReportTest() : SlapdTest("o=Alpha,c=GB") {}

    void Configure(TestDirectory& server) override {
        server.LoadLdifFile(TestDataPath("forms/search/alpha.ldif"));
    }

    void SetUp() override {
        SlapdTest::SetUp();
        ASSERT_EQ(1, manager.Table()->Load(DataPath("oidtable32").c_str()));
        connId = BoundConnection(manager, directory);
        ldap* handle = manager.BindManager()->GetLDAPContext(connId);
        ASSERT_EQ(LDAP_SUCCESS,
                  harrow::ldapapi::SearchS(handle, directory.Suffix(), LDAP_SCOPE_SUBTREE,
                                           "(objectclass=inetOrgPerson)", {}, people));
    }

    // Entries built from the people on the server, each holding a reference on the connection.
    PtrList<QEntry> Entries(int count) {
        PtrList<QEntry> entries;
        ldap* handle = manager.BindManager()->GetLDAPContext(connId);
        for (LDAPMessage* entry = ldap_first_entry(handle, people.get());
             entry != nullptr && count > 0; entry = ldap_next_entry(handle, entry), --count) {
            entries.AddTail(new QEntry(&manager, connId, handle, entry));
        }
        EXPECT_EQ(0, count);
        return entries;
    }

    static void Delete(PtrList<QEntry>& entries) {
        for (QEntry* entry : entries) {
            delete entry;
        }
        entries.RemoveAll();
    }

    int Bound() { return manager.BindManager()->IsBound(connId); }

    harrow::QDSManager manager;
    long connId = -1;
    harrow::ldapapi::Message people;
};

TEST_F(FormReportTest, ReportAppendsItsEntriesToTheCallersOnce) {
    PtrList<QEntry> mine = Entries(2);
    PtrList<QEntry> handed = Entries(3);
    auto report =
        std::make_unique<QFormReport>(handed, 0, nullptr, harrow::FR_INTERMEDIATE_MATCHES);
    EXPECT_EQ(5u, report->GetEntries(mine));
    EXPECT_EQ(5u, report->GetEntries(mine));
    EXPECT_EQ(5u, mine.GetCount());
    report.reset();
    // The caller owns all five now: the connection is still referred to.
    EXPECT_EQ(1, Bound());
    Delete(mine);
    EXPECT_EQ(0, Bound());
}

TEST_F(FormReportTest, ReportDeletedUnreadDeletesItsEntries) {
    PtrList<QEntry> handed = Entries(3);
    auto report =
        std::make_unique<QFormReport>(handed, 1, nullptr, harrow::FR_CONTINUATION_REQUEST);
    EXPECT_EQ(1, report->ContinuationRequest());
    EXPECT_EQ(harrow::FR_CONTINUATION_REQUEST, report->Type());
    EXPECT_EQ(1, Bound());
    report.reset();
    EXPECT_EQ(0, Bound());
}

TEST_F(FormReportTest, ResultAppendsItsEntriesToTheCallersOnce) {
    PtrList<QEntry> mine = Entries(1);
    PtrList<QEntry> handed = Entries(2);
    auto result = std::make_unique<harrow::QFormResult>(handed);
    EXPECT_EQ(3u, result->GetEntries(mine));
    EXPECT_EQ(3u, result->GetEntries(mine));
    result.reset();
    EXPECT_EQ(1, Bound());
    Delete(mine);
    EXPECT_EQ(0, Bound());
}

TEST_F(FormReportTest, ResultDeletedUnreadDeletesItsEntries) {
    PtrList<QEntry> unread = Entries(2);
    auto result = std::make_unique<harrow::QFormResult>(unread);
    EXPECT_EQ(1, Bound());
    result.reset();
    EXPECT_EQ(0, Bound());
}

TEST_F(FormReportTest, OnlyOperationCountReportsGiveCounts) {
    PtrList<QEntry> none;
    QFormReport matches(none, 0, nullptr, harrow::FR_INTERMEDIATE_MATCHES);
    int total = 7;
    int failed = 8;
    EXPECT_EQ(0, matches.GetOpCount(total, failed));
    EXPECT_EQ(7, total);
    EXPECT_EQ(8, failed);

    QFormReport counts(5, 2, harrow::FR_OPERATION_COUNT);
    EXPECT_EQ(1, counts.GetOpCount(total, failed));
    EXPECT_EQ(5, total);
    EXPECT_EQ(2, failed);
    EXPECT_EQ(0, counts.ContinuationRequest());
    EXPECT_EQ(nullptr, counts.Node());

    harrow::QFormCompletionReport completion(9, 4);
    EXPECT_EQ(1, completion.GetOpCount(total, failed));
    EXPECT_EQ(9, total);
    EXPECT_EQ(4, failed);
}

TEST_F(FormReportTest, ErrorIsHandedOverAndOutlivesTheReport) {
    QFormReport counts(1, 0, harrow::FR_OPERATION_COUNT);
    harrow::QError sentinel;
    harrow::QError* error = &sentinel;
    counts.GetError(error);
    EXPECT_EQ(nullptr, error);

    auto report =
        std::make_unique<QFormReport>(new harrow::QError(1837UL), harrow::FR_OPERATION_COUNT);
    report->GetError(error);
    ASSERT_NE(nullptr, error);
    report.reset();
    std::string text;
    error->Print(text);
    EXPECT_EQ("Some search operations failed.", text);
    delete error;
}

TEST_F(FormReportTest, ReferralsAreCopiedInAndHandedOutOnce) {
    harrow::QStringList urls;
    urls.push_back("ldap://a:389/o=A");
    urls.push_back("ldap://b:389/o=B");
    QFormReport report(urls, 0, nullptr, harrow::FR_INTERMEDIATE_MATCHES);
    harrow::QStringList out;
    out.push_back("already here");
    EXPECT_EQ(3u, report.GetReferrals(out));
    EXPECT_EQ(3u, report.GetReferrals(out));
    EXPECT_EQ((std::list<std::string>{"already here", "ldap://a:389/o=A", "ldap://b:389/o=B"}),
              out);
    EXPECT_EQ(2u, urls.size());
}

} // namespace
} // namespace larkspur::test
