#include "model/qvalue.h"
#include "schema/oidtable.h"
#include "schema/qlistsyntax.h"
#include "schema/qrfc822syntax.h"
#include "schema/qstringsyntax.h"
#include "schema/qurisyntax.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

using harrow::Oidtable;
using harrow::QSyntax;
using harrow::QValue;

constexpr unsigned long kUnusedLength = 0xFFFFFFFF;

class SyntaxTest : public testing::Test {
protected:
    const QSyntax& Syntax(const std::string& name) const {
        const QSyntax* syntax = table.str2syntax(name);
        EXPECT_NE(syntax, nullptr) << name;
        return *syntax;
    }
    std::string Print(const std::string& name, const char* text) const {
        std::string out = "stale";
        Syntax(name).Print(out, text, kUnusedLength);
        return out;
    }
    std::string PrintRaw(const std::string& name, const char* text) const {
        std::string out = "stale";
        Syntax(name).PrintRaw(out, text, kUnusedLength);
        return out;
    }
    int Compare(const std::string& name, const char* a, const char* b) const {
        QSyntax* syntax = table.str2syntax(name);
        const QValue first(syntax, a, std::strlen(a) + 1);
        const QValue second(syntax, b, std::strlen(b) + 1);
        return syntax->Compare(first, second);
    }

    Oidtable table;
};

TEST_F(SyntaxTest, RegisteredNamesMapToTheirClasses) {
    for (const char* name :
         {"ces", "cis", "CaseExactString", "CaseIgnoreString", "CaseIgnoreIA5String",
          "CountryString", "TelephoneNumber", "FacsimileTelephoneNumber", "ObjectClass"}) {
        EXPECT_NE(dynamic_cast<const harrow::QStringSyntax*>(&Syntax(name)), nullptr) << name;
    }
    EXPECT_NE(dynamic_cast<const harrow::QURISyntax*>(&Syntax("LabeledURI")), nullptr);
    for (const char* name : {"CaseExactList", "CaseIgnoreList", "PostalAddress"}) {
        EXPECT_NE(dynamic_cast<const harrow::QListSyntax*>(&Syntax(name)), nullptr) << name;
    }
}

TEST_F(SyntaxTest, StringsPrintUnchangedAndCompareIgnoringCaseUnderEveryName) {
    EXPECT_EQ(Print("CaseExactString", "  Mixed Case  "), "  Mixed Case  ");
    EXPECT_EQ(PrintRaw("ces", "a$b"), "a$b");
    EXPECT_EQ(Compare("CaseExactString", "Smith", "sMITH"), 0);
    EXPECT_EQ(Compare("ces", "Smith", "SMITH"), 0);
    EXPECT_LT(Compare("cis", "abc", "ABD"), 0);
    EXPECT_GT(Compare("cis", "abd", "ABC"), 0);
    EXPECT_LT(Compare("cis", "ab", "abc"), 0);
    EXPECT_NE(Compare("cis", "Smith", "Smith "), 0);
}

TEST_F(SyntaxTest, LabeledURIShowsTheLabelAndActsOnTheURI) {
    const char* value = "http://example.org/people Staff Directory";
    EXPECT_EQ(Print("LabeledURI", value), "Staff Directory");
    EXPECT_EQ(PrintRaw("LabeledURI", value), "http://example.org/people");
    EXPECT_EQ(Print("LabeledURI", "http://example.org/  spaced label  "), "spaced label");
}

TEST_F(SyntaxTest, LabeledURIWithoutABlankIsBothLabelAndURI) {
    EXPECT_EQ(Print("LabeledURI", "http://example.org/"), "http://example.org/");
    EXPECT_EQ(PrintRaw("LabeledURI", "http://example.org/"), "http://example.org/");
    // Only the space character separates; a tab does not.
    EXPECT_EQ(Print("LabeledURI", "http://example.org/\tlabel\t"), "http://example.org/\tlabel");
    EXPECT_EQ(PrintRaw("LabeledURI", "http://example.org/\tlabel\t"), "http://example.org/\tlabel");
}

TEST_F(SyntaxTest, LabeledURIStartingWithABlankHasNoURI) {
    EXPECT_EQ(Print("LabeledURI", " http://example.org/ Home"), "http://example.org/ Home");
    EXPECT_EQ(PrintRaw("LabeledURI", " http://example.org/ Home"), "");
}

TEST_F(SyntaxTest, LabeledURIsAreNeverEqual) {
    EXPECT_EQ(Compare("LabeledURI", "http://a/ A", "http://a/ A"), -1);
}

TEST_F(SyntaxTest, ListsPrintOneLinePerPart) {
    EXPECT_EQ(Print("PostalAddress", "1 Main St$Springfield$USA"), "1 Main St\nSpringfield\nUSA");
    EXPECT_EQ(Print("PostalAddress", "1 Main St$Springfield$"), "1 Main St\nSpringfield\n");
    EXPECT_EQ(Print("PostalAddress", " a $ b "), " a \n b ");
    EXPECT_EQ(Print("CaseIgnoreList", "no separator"), "no separator");
    EXPECT_EQ(Print("CaseExactList", "$a"), "\na");
    EXPECT_EQ(Print("CaseExactList", "a$$b"), "a\n\nb");
    EXPECT_EQ(PrintRaw("PostalAddress", "a$b"), "a\nb");
}

TEST_F(SyntaxTest, ListsCompareByteForByteEvenWhenIgnoringCase) {
    EXPECT_EQ(Compare("CaseIgnoreList", "a$b", "a$b"), 0);
    EXPECT_EQ(Compare("CaseIgnoreList", "a$b", "A$B"), 1);
    EXPECT_EQ(Compare("PostalAddress", "b", "a"), 1);
}

TEST_F(SyntaxTest, NoBytesPrintAsEmptyText) {
    for (const char* name : {"cis", "LabeledURI", "PostalAddress"}) {
        std::string out = "stale";
        Syntax(name).Print(out, nullptr, kUnusedLength);
        EXPECT_EQ(out, "") << name;
        out = "stale";
        Syntax(name).PrintRaw(out, nullptr, kUnusedLength);
        EXPECT_EQ(out, "") << name;
    }
}

TEST(RFC822SyntaxTest, PrintsUnchangedAndIsNeverEqual) {
    const harrow::QRFC822Syntax syntax("RFC822");
    harrow::QRFC822Syntax copy(syntax);
    copy = syntax;
    EXPECT_EQ(copy.Name(), "RFC822");
    std::string out;
    copy.Print(out, "Someone <someone@example.org>", kUnusedLength);
    EXPECT_EQ(out, "Someone <someone@example.org>");
    copy.PrintRaw(out, "someone@example.org", kUnusedLength);
    EXPECT_EQ(out, "someone@example.org");
    const QValue value(nullptr, "x", 2);
    EXPECT_EQ(copy.Compare(value, value), -1);
}

TEST(SyntaxOwnershipTest, ConcreteSyntaxesAreDeletedThroughTheBase) {
    // Under AddressSanitizer a missing virtual destructor shows up as a leak or a size mismatch.
    const std::unique_ptr<QSyntax> syntax = std::make_unique<harrow::QURISyntax>("LabeledURI");
    EXPECT_EQ(syntax->Name(), "LabeledURI");
}

} // namespace
