#include "access/qbindmanager.h"
#include "access/qconnection.h"
#include "access/qdsmanager.h"
#include "model/qdn.h"
#include "model/qvalue.h"
#include "schema/oidtable.h"
#include "support/debugcapture.h"
#include "support/testdata.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using harrow::QDN;
using harrow::QRDN;
using harrow::QRDNAttr;
using larkspur::test::DebugCapture;

std::string Printed(const QDN& dn) {
    std::string text = "not emptied";
    EXPECT_EQ(1, dn.GetDN(text));
    return text;
}

std::string Friendly(const QDN& dn) {
    std::string text = "not emptied";
    EXPECT_EQ(1, dn.GetFriendlyDN(text));
    return text;
}

std::string Printed(const QRDN& rdn) {
    std::string text = "not emptied";
    EXPECT_EQ(1, rdn.GetRDNString(text));
    return text;
}

std::string Friendly(const QRDN& rdn) {
    std::string text = "not emptied";
    EXPECT_EQ(1, rdn.GetFriendlyRDNString(text));
    return text;
}

std::vector<std::string> PairTexts(const QRDN& rdn) {
    std::vector<std::string> texts;
    for (QRDN::Position pos = rdn.GetHeadRDNAttr(); pos != nullptr;) {
        std::string text;
        rdn.GetNextRDNAttr(pos)->Print(text);
        texts.push_back(text);
    }
    return texts;
}

std::vector<std::string> RDNTexts(const QDN& dn) {
    std::vector<std::string> texts;
    for (QDN::Position pos = dn.GetHeadRDNPosition(); pos != nullptr;) {
        texts.push_back(Printed(*dn.GetNextRDN(pos)));
    }
    return texts;
}

// DNs resolved through the shipped schema, on one registered (never bound) connection.
class DNTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, manager.Table()->Load(larkspur::test::DataPath("oidtable32").c_str()));
        connId = manager.BindManager()->OpenConnection("127.0.0.1", 389, "", "");
    }

    int References() { return manager.BindManager()->ConnectionAt(0)->RefCount(); }

    // On the heap, since copying a DN re-parses it.
    std::unique_ptr<QDN> Parsed(const std::string& text) {
        auto dn = std::make_unique<QDN>();
        dn->SetDN(&manager, connId, text);
        return dn;
    }

    QRDN ParsedRDN(const std::string& text) { return QRDN(manager.Table(), text); }

    harrow::QDSManager manager;
    long connId = -1;
};

TEST_F(DNTest, SurroundingBlanksAndSlashesAreRemoved) {
    auto plain = Parsed("cn=Alice Archer, ou=People, dc=example, dc=org");
    auto wrapped = Parsed("  /cn=Alice Archer, ou=People, dc=example, dc=org/  ");
    auto doubled = Parsed("//cn=Alice Archer, ou=People, dc=example, dc=org//");
    EXPECT_EQ("cn=Alice Archer, ou=People, dc=example, dc=org", Printed(*wrapped));
    EXPECT_EQ(1, *plain == *wrapped);
    EXPECT_EQ(1, *plain == *doubled);
    EXPECT_EQ(4u, wrapped->GetRDNCount());
}

TEST_F(DNTest, NamesAreReplacedByTheFirstNameOfTheirType) {
    auto dn = Parsed("commonName = Bob ,OU=People,2.5.4.10=Acme");
    EXPECT_EQ("cn=Bob, ou=People, o=Acme", Printed(*dn));
    EXPECT_EQ("Bob, People, Acme", Friendly(*dn));
    // The text stays as it was set, however far it has been parsed.
    EXPECT_EQ("commonName = Bob ,OU=People,2.5.4.10=Acme", dn->Text());
}

TEST_F(DNTest, EscapedCommaStaysInTheValue) {
    auto dn = Parsed("cn=Smith\\, John,o=Acme");
    EXPECT_EQ((std::vector<std::string>{"cn=Smith\\, John", "o=Acme"}), RDNTexts(*dn));
    EXPECT_EQ("Smith\\, John, Acme", Friendly(*dn));
}

TEST_F(DNTest, QuotesDoNotProtectACommaAndNothingIsUnescaped) {
    auto dn = Parsed("cn=\"Smith, John\",o=Caf\\C3\\A9");
    EXPECT_EQ((std::vector<std::string>{"cn=\"Smith", "", "o=Caf\\C3\\A9"}), RDNTexts(*dn));
}

TEST_F(DNTest, EmptyRDNsFromDoubledLeadingAndTrailingCommas) {
    auto doubled = Parsed("cn=a,,o=b");
    EXPECT_EQ(3u, doubled->GetRDNCount());
    EXPECT_EQ("cn=a, , o=b", Printed(*doubled));

    auto leading = Parsed(",cn=a");
    EXPECT_EQ((std::vector<std::string>{"", "cn=a"}), RDNTexts(*leading));
    EXPECT_EQ(", a", Friendly(*leading));

    auto trailing = Parsed("cn=a,");
    EXPECT_EQ((std::vector<std::string>{"cn=a", ""}), RDNTexts(*trailing));
}

TEST_F(DNTest, MultiValuedRDNPrintsItsPairsInReverse) {
    auto dn = Parsed("commonName=1+SURNAME=2,o=Acme");
    EXPECT_EQ("sn=2 + cn=1, o=Acme", Printed(*dn));
    EXPECT_EQ("2, 1, Acme", Friendly(*dn));

    QRDN three = ParsedRDN("cn=a + sn=b + o=c");
    EXPECT_EQ((std::vector<std::string>{"cn=a", "sn=b", "o=c"}), PairTexts(three));
    EXPECT_EQ("o=c + sn=b + cn=a", Printed(three));
    EXPECT_EQ("c, b, a", Friendly(three));
    EXPECT_EQ("", Friendly(QRDN()));
}

TEST_F(DNTest, EscapedPlusStaysInTheValue) {
    QRDN rdn = ParsedRDN("cn=a\\+b+sn=c");
    EXPECT_EQ((std::vector<std::string>{"cn=a\\+b", "sn=c"}), PairTexts(rdn));
}

TEST_F(DNTest, PlusAtTheStartOfTheRestIsNoSeparator) {
    DebugCapture debug;
    QRDN rdn = ParsedRDN("cn=a++sn=b");
    EXPECT_EQ((std::vector<std::string>{"cn=a"}), PairTexts(rdn));
    EXPECT_EQ((std::vector<std::string>{"Failed to recognize attribute type: +sn\n"}),
              debug.Messages());
}

TEST_F(DNTest, ValueBytesAreTheTextAndItsTerminatingZero) {
    QRDN rdn = ParsedRDN("cn=  Alice  ");
    QRDN::Position pos = rdn.GetHeadRDNAttr();
    const harrow::QValue* value = rdn.GetNextRDNAttr(pos)->Value();
    ASSERT_EQ(6u, value->Length());
    EXPECT_EQ(std::string("Alice", 6), std::string(value->Value(), value->Length()));
}

TEST_F(DNTest, PairsWithoutTypeOrUnknownTypeAreLeftOut) {
    DebugCapture debug;
    auto dn = Parsed("noequals+=novalue+cn=kept+favouriteColour=blue, x-unknown=1, sn=Smith");
    EXPECT_EQ("cn=kept, , sn=Smith", Printed(*dn));
    EXPECT_EQ(larkspur::test::ReadFile(larkspur::test::TestDataPath("model/unknown_types.txt")),
              debug.Joined());
}

TEST_F(DNTest, UnsetDNPrintsEmpty) {
    QDN dn;
    EXPECT_EQ(0, dn.IsSet());
    EXPECT_EQ("", Friendly(dn));
    EXPECT_EQ("", Printed(dn));
    EXPECT_EQ(-1, dn.GetConnID());
    EXPECT_EQ(nullptr, dn.DS());
    EXPECT_EQ(nullptr, dn.Table());
}

TEST_F(DNTest, EmptyTextLeavesTheDNUnsetButHoldingItsReference) {
    QDN dn;
    EXPECT_EQ(1, dn.SetDN(&manager, connId, ""));
    EXPECT_EQ(0, dn.IsSet());
    EXPECT_EQ(0u, dn.GetRDNCount());
    EXPECT_EQ(&manager, dn.DS());
    EXPECT_EQ(connId, dn.GetConnID());
    EXPECT_EQ(1, References());
    dn.UnsetDN();
    EXPECT_EQ(0, References());
    EXPECT_EQ(-1, dn.GetConnID());
    EXPECT_EQ(nullptr, dn.DS());
}

TEST_F(DNTest, BlanksOrSlashesOnlyGiveOneRDNWithoutPairs) {
    for (const char* text : {"   ", "//", " / "}) {
        auto dn = Parsed(text);
        EXPECT_EQ(1, dn->IsSet()) << text;
        ASSERT_EQ(1u, dn->GetRDNCount()) << text;
        QDN::Position pos = dn->GetHeadRDNPosition();
        EXPECT_EQ(nullptr, dn->GetNextRDN(pos)->GetHeadRDNAttr()) << text;
        EXPECT_EQ("", Printed(*dn)) << text;
    }
}

TEST_F(DNTest, GetRDNCopiesTheFirstRDNOrLeavesTheOutputAlone) {
    auto dn = Parsed("cn=a+sn=b,o=c");
    QRDN first = ParsedRDN("o=old");
    EXPECT_EQ(1, dn->GetRDN(first));
    EXPECT_EQ("sn=b + cn=a", Printed(first));

    QDN none;
    QRDN untouched = ParsedRDN("o=old");
    EXPECT_EQ(0, none.GetRDN(untouched));
    EXPECT_EQ("o=old", Printed(untouched));
}

// Visiting parses what is not parsed yet without keeping it, so it must give the RDNs the walk
// gives, whether or not they were parsed before.
TEST_F(DNTest, VisitingGivesTheRDNsOfTheWalkAndStopsWhenAsked) {
    auto dn = Parsed("cn=a+sn=b,o=c,dc=d");
    const auto visited = [&dn](int limit) {
        std::vector<std::string> texts;
        const bool whole = dn->VisitRDNs([&](const QRDN& rdn) {
            texts.push_back(Printed(rdn));
            return static_cast<int>(texts.size()) < limit;
        });
        texts.push_back(whole ? "whole" : "stopped");
        return texts;
    };
    const std::vector<std::string> all = {"sn=b + cn=a", "o=c", "dc=d", "whole"};
    EXPECT_EQ(all, visited(10));
    EXPECT_EQ((std::vector<std::string>{"sn=b + cn=a", "o=c", "stopped"}), visited(2));
    EXPECT_EQ((std::vector<std::string>{"sn=b + cn=a", "o=c", "dc=d"}), RDNTexts(*dn));
    EXPECT_EQ(all, visited(10));
    EXPECT_EQ((std::vector<std::string>{"sn=b + cn=a", "stopped"}), visited(1));
}

TEST_F(DNTest, RDNsCompareWithoutRegardToPairOrder) {
    EXPECT_EQ(1, ParsedRDN("cn=a+sn=b") == ParsedRDN("SN=B + commonName=A"));
    EXPECT_EQ(0, ParsedRDN("cn=a+sn=b") == ParsedRDN("cn=a+sn=c"));
    EXPECT_EQ(0, ParsedRDN("cn=a+sn=b") == ParsedRDN("cn=a"));
    // Duplicates match one for one.
    EXPECT_EQ(0, ParsedRDN("cn=a+cn=a") == ParsedRDN("cn=a+cn=b"));
    EXPECT_EQ(1, ParsedRDN("cn=a+cn=b") == ParsedRDN("cn=b+cn=a"));
    // The same text under two types is not the same pair.
    EXPECT_EQ(0, ParsedRDN("cn=a") == ParsedRDN("sn=a"));
    EXPECT_EQ(1, QRDN() == QRDN());
}

TEST_F(DNTest, DNsCompareRDNByRDNInPlace) {
    EXPECT_EQ(1, *Parsed("cn=A,o=B") == *Parsed("CN=a, O=b"));
    EXPECT_EQ(0, *Parsed("cn=a,o=b") == *Parsed("o=b,cn=a"));
    EXPECT_EQ(0, *Parsed("cn=a,o=b") == *Parsed("cn=a"));
    EXPECT_EQ(1, QDN() == QDN());
}

TEST_F(DNTest, RDNAssignmentRebuildsThePairsFromTheirPrintedValues) {
    QRDN source = ParsedRDN("cn=a+sn=b");
    QRDN target = ParsedRDN("o=x+ou=y+l=z");
    target = source;
    EXPECT_EQ((std::vector<std::string>{"cn=a", "sn=b"}), PairTexts(target));
    QRDN::Position mine = target.GetHeadRDNAttr();
    QRDN::Position theirs = source.GetHeadRDNAttr();
    const QRDNAttr* copied = target.GetNextRDNAttr(mine);
    const QRDNAttr* original = source.GetNextRDNAttr(theirs);
    EXPECT_EQ(original->Type(), copied->Type());
    EXPECT_NE(original->Value(), copied->Value());
    EXPECT_EQ(2u, copied->Value()->Length());
}

TEST_F(DNTest, AssignmentCopiesWithItsOwnReference) {
    auto source = Parsed("cn=a+sn=b,o=c");
    EXPECT_EQ(1, References());
    {
        QDN copy;
        copy = *source;
        EXPECT_EQ(1, copy.IsSet());
        EXPECT_EQ(&manager, copy.DS());
        EXPECT_EQ(connId, copy.GetConnID());
        EXPECT_EQ(2, References());
        EXPECT_EQ(1, copy == *source);
        EXPECT_EQ("sn=b + cn=a, o=c", Printed(copy));
        QDN constructed(copy);
        EXPECT_EQ(3, References());
        EXPECT_EQ("sn=b + cn=a, o=c", Printed(constructed));
    }
    EXPECT_EQ(1, References());
    const QDN& same = *source;
    *source = same;
    EXPECT_EQ(1, References());
    EXPECT_EQ("sn=b + cn=a, o=c", Printed(*source));
}

// Found by fuzzing: a copy re-parsed the printed form, which is unescaped, so a value ending in a
// backslash swallowed the next RDN, a lone RDN without pairs became no DN, and display forms
// (a list's "$" shown as a line feed) replaced the values.
TEST_F(DNTest, ACopyEqualsTheOriginalWhateverItsPrintedForm) {
    DebugCapture unknownTypes;
    for (const char* text : {"c=\\ ,", "c=\\ ,o=Acme", "x", "unknownType=1",
                             "postalAddress=1 Main St$Springfield", "cn=a\\ +sn=b,o=c"}) {
        SCOPED_TRACE(text);
        auto original = Parsed(text);
        const QDN constructed(*original);
        QDN assigned;
        assigned = *original;
        EXPECT_EQ(original->GetRDNCount(), constructed.GetRDNCount());
        EXPECT_EQ(1, constructed == *original);
        EXPECT_EQ(1, assigned == *original);
        EXPECT_EQ(original->IsSet(), assigned.IsSet());
        EXPECT_EQ(Printed(*original), Printed(assigned));
    }
    // A labeled URI equals nothing, so its copy shows only in the bytes: the URI stays.
    QRDN link = ParsedRDN("labeledURI=http://example.org/ Home");
    QRDN copied;
    copied = link;
    QRDN::Position pos = copied.GetHeadRDNAttr();
    EXPECT_STREQ("http://example.org/ Home", copied.GetNextRDNAttr(pos)->Value()->Value());
}

TEST_F(DNTest, SettingAgainReleasesTheFormerReference) {
    const long other = manager.BindManager()->OpenConnection("127.0.0.2", 389, "", "");
    auto dn = Parsed("cn=a");
    dn->SetDN(&manager, other, "cn=b");
    EXPECT_EQ(0, References());
    EXPECT_EQ(1, manager.BindManager()->ConnectionAt(1)->RefCount());
    EXPECT_EQ("cn=b", Printed(*dn));
}

TEST(DNWithoutManagerTest, ParsesTheStructureWithoutPairsOrReferences) {
    DebugCapture debug;
    QDN dn;
    EXPECT_EQ(1, dn.SetDN(nullptr, 7, "cn=a+sn=b, o=c"));
    EXPECT_EQ(1, dn.IsSet());
    EXPECT_EQ(2u, dn.GetRDNCount());
    EXPECT_EQ(7, dn.GetConnID());
    EXPECT_EQ(nullptr, dn.Table());
    EXPECT_EQ(", ", Printed(dn));
    EXPECT_EQ(3u, debug.Messages().size());
    QDN copy(dn);
    EXPECT_EQ(2u, copy.GetRDNCount());
    dn.UnsetDN();
    EXPECT_EQ(-1, dn.GetConnID());
}

} // namespace
