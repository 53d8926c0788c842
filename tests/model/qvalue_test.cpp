#include "model/qattr.h"
#include "model/qstringlist.h"
#include "model/qvalue.h"
#include "schema/oidtable.h"
#include "support/testdata.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using harrow::QAttr;
using harrow::QValue;

class ValueTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, table.Load(larkspur::test::DataPath("oidtable32").c_str()));
    }

    // A value as it comes from LDAP: the text and its terminating zero.
    QValue Text(const char* syntaxName, const char* text) {
        return QValue(table.str2syntax(syntaxName), text, std::strlen(text) + 1);
    }

    harrow::Oidtable table;
};

TEST_F(ValueTest, EqualityIsDecidedByTheSharedSyntax) {
    EXPECT_EQ(1, Text("CaseIgnoreString", "Alice") == Text("CaseIgnoreString", "aLICE"));
    EXPECT_EQ(1, Text("CaseExactString", "Alice") == Text("CaseExactString", "alice"));
    EXPECT_EQ(0, Text("CaseIgnoreString", "Alice") == Text("CaseIgnoreString", "Alicia"));
    EXPECT_EQ(0, Text("CaseIgnoreList", "a$b") == Text("CaseIgnoreList", "A$b"));
    EXPECT_EQ(1, Text("CaseIgnoreList", "a$b") == Text("CaseIgnoreList", "a$b"));
    const QValue link = Text("LabeledURI", "http://example.org Example");
    EXPECT_EQ(0, link == link);
}

TEST_F(ValueTest, ValuesOfDifferentSyntaxesAreNeverEqual) {
    EXPECT_EQ(0, Text("cis", "same") == Text("CaseIgnoreString", "same"));
    EXPECT_EQ(0, QValue(nullptr, "same", 5) == Text("cis", "same"));
    EXPECT_EQ(0, Text("cis", "same") == QValue(nullptr, "same", 5));
}

TEST_F(ValueTest, ValuesWithoutSyntaxAreEqualWhenTheirBytesAre) {
    EXPECT_EQ(1, QValue(nullptr, "a\0b", 3) == QValue(nullptr, "a\0b", 3));
    EXPECT_EQ(0, QValue(nullptr, "a\0b", 3) == QValue(nullptr, "a\0c", 3));
    EXPECT_EQ(0, QValue(nullptr, "ab", 2) == QValue(nullptr, "ab", 3));
    EXPECT_EQ(0, QValue(nullptr, "A", 2) == QValue(nullptr, "a", 2));
    EXPECT_EQ(1, QValue(nullptr, nullptr, 0) == QValue(nullptr, nullptr, 0));
}

TEST_F(ValueTest, PrintingFollowsTheSyntaxAndIsEmptyWithoutOne) {
    std::string out = "not emptied";
    QValue(nullptr, "text", 5).Print(out);
    EXPECT_EQ("", out);
    out = "not emptied";
    QValue(nullptr, "text", 5).PrintRaw(out);
    EXPECT_EQ("", out);

    const QValue link = Text("LabeledURI", "http://example.org The Example");
    link.Print(out);
    EXPECT_EQ("The Example", out);
    link.PrintRaw(out);
    EXPECT_EQ("http://example.org", out);

    Text("PostalAddress", "1 Main St$Springfield").Print(out);
    EXPECT_EQ("1 Main St\nSpringfield", out);
}

TEST_F(ValueTest, ValueOwnsACopyOfExactlyItsBytes) {
    char bytes[] = "abc";
    const QValue value(table.str2syntax("cis"), bytes, sizeof bytes);
    bytes[0] = 'x';
    ASSERT_EQ(4u, value.Length());
    EXPECT_NE(bytes, value.Value());
    EXPECT_EQ(std::string("abc", 4), std::string(value.Value(), value.Length()));
    const QValue copy(value);
    EXPECT_NE(value.Value(), copy.Value());
    EXPECT_EQ(1, copy == value);
}

// Short values are kept inside the value and long ones apart: copies, assignments between the
// two and moves keep every byte, and a copy never shares its bytes.
TEST_F(ValueTest, ShortAndLongValuesKeepTheirBytesThroughCopiesAndMoves) {
    const std::string sixteen("fifteen letters", 16);
    const std::string seventeen("sixteen letters!", 17);
    for (const std::string& bytes : {std::string(), sixteen, seventeen}) {
        const QValue value(nullptr, bytes.data(), bytes.size());
        ASSERT_NE(nullptr, value.Value());
        EXPECT_EQ(bytes, std::string(value.Value(), value.Length()));
        QValue copy(value);
        EXPECT_NE(value.Value(), copy.Value());
        EXPECT_EQ(1, copy == value);
        const QValue moved(std::move(copy));
        EXPECT_EQ(bytes, std::string(moved.Value(), moved.Length()));
        for (const std::string& other : {sixteen, seventeen}) {
            QValue assigned(nullptr, other.data(), other.size());
            assigned = value;
            EXPECT_EQ(bytes, std::string(assigned.Value(), assigned.Length()));
        }
    }
}

TEST_F(ValueTest, AttributeValuesTakeTheTypesSyntaxInOrder) {
    QAttr attr(table.str2at("telephoneNumber"));
    EXPECT_EQ(0u, attr.CountValues());
    attr.AddValue("+1 555 0100", 12);
    attr.AddValue("+1 555 0199", 12);
    ASSERT_EQ(2u, attr.CountValues());

    harrow::PtrList<QValue> values;
    QValue held(nullptr, "held", 5);
    values.AddTail(&held);
    attr.GetValues(values);
    ASSERT_EQ(3u, values.GetCount());
    EXPECT_EQ(&held, values.GetHead());
    EXPECT_EQ(table.str2syntax("TelephoneNumber"), values.GetTail()->Syntax());

    harrow::QStringList printed;
    printed.push_back("kept");
    attr.PrintValues(printed);
    EXPECT_EQ((std::vector<std::string>{"kept", "+1 555 0100", "+1 555 0199"}),
              std::vector<std::string>(printed.begin(), printed.end()));
}

TEST_F(ValueTest, AttributeValuesStayInPlaceWhenTheAttributeMovesAndCopiesAreDeep) {
    QAttr attr(table.str2at("mail"));
    attr.ReserveValues(2);
    attr.AddValue("ada@example.com", 16);
    attr.AddValue("ada.moss@mail.example.com", 26);
    harrow::PtrList<QValue> before;
    attr.GetValues(before);

    const QAttr moved(std::move(attr));
    harrow::PtrList<QValue> after;
    moved.GetValues(after);
    EXPECT_EQ(std::vector<QValue*>(before.begin(), before.end()),
              std::vector<QValue*>(after.begin(), after.end()));

    const QAttr copy(moved);
    harrow::PtrList<QValue> copied;
    copy.GetValues(copied);
    ASSERT_EQ(2u, copied.GetCount());
    EXPECT_NE(after.GetTail(), copied.GetTail());
    EXPECT_NE(after.GetTail()->Value(), copied.GetTail()->Value());
    EXPECT_EQ(1, *after.GetTail() == *copied.GetTail());
}

TEST_F(ValueTest, AttributeWithoutValuesPrintsNothing) {
    const QAttr attr(table.str2at("cn"));
    harrow::QStringList printed;
    attr.PrintValues(printed);
    EXPECT_TRUE(printed.empty());
    harrow::PtrList<QValue> values;
    attr.GetValues(values);
    EXPECT_TRUE(values.IsEmpty());
}

} // namespace
