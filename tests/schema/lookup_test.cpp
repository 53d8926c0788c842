#include "schemafixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using harrow::Oidtable;
using harrow::PtrList;
using harrow::QAttrT;
using harrow::QOC;
using larkspur::test::LoadedTable;
using larkspur::test::LoadFixture;

std::vector<std::string> NamesOf(const PtrList<QAttrT>& types) {
    std::vector<std::string> names;
    for (const QAttrT* type : types) {
        names.push_back(type->Name());
    }
    return names;
}

class EdgeTableTest : public testing::Test {
protected:
    static void SetUpTestSuite() { loaded = new LoadedTable(LoadFixture("edges")); }
    static void TearDownTestSuite() {
        delete loaded;
        loaded = nullptr;
    }

    static const Oidtable& Table() { return *loaded->table; }
    static QAttrT* Type(const std::string& text) { return Table().str2at(text); }
    static QOC* Class(const std::string& text) { return Table().str2oc(text); }

    static std::vector<std::string> MustOf(const std::string& name) {
        PtrList<QAttrT> out;
        Class(name)->Must(out);
        return NamesOf(out);
    }
    static std::vector<std::string> MayOf(const std::string& name) {
        PtrList<QAttrT> out;
        Class(name)->May(out);
        return NamesOf(out);
    }

    static LoadedTable* loaded;
};

LoadedTable* EdgeTableTest::loaded = nullptr;

TEST_F(EdgeTableTest, NamesMatchIgnoringCaseButNotWithBlanks) {
    ASSERT_NE(Type("cn"), nullptr);
    EXPECT_EQ(Type("CN"), Type("cn"));
    EXPECT_EQ(Type("COMMONname"), Type("cn"));
    EXPECT_EQ(Type(" cn"), nullptr);
    EXPECT_EQ(Type("cn "), nullptr);
    EXPECT_EQ(Type("c"), nullptr);
    EXPECT_EQ(Type("cn")->HasName("CommonName"), 1);
    EXPECT_EQ(Type("cn")->HasName("commonName "), 0);
}

TEST_F(EdgeTableTest, EveryWayOfWritingAnOIDFindsTheType) {
    QAttrT* multi = Type("multi");
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(Type("1.3.6.1.4.1.4242.1.3"), multi);
    EXPECT_EQ(Type("acmeAttr.3"), multi);
    EXPECT_EQ(Type("ACME.1.3"), multi);
    EXPECT_EQ(Type(" 2.5.4.100 "), multi);
    EXPECT_EQ(Type("2.5.4.3"), Type("cn"));
    EXPECT_EQ(Type("2.5.4"), nullptr);
}

TEST_F(EdgeTableTest, AnEarlierOIDMatchWinsOverALaterNameMatch) {
    // "shadow" is also named "acmeAttr.3", but "multi" comes first and carries that OID.
    QAttrT* shadow = Type("shadow");
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(Type("acmeAttr.3"), Type("multi"));
    EXPECT_EQ(shadow->HasName("ACMEATTR.3"), 1);
    EXPECT_EQ(Type("9.9.9"), shadow);
}

TEST_F(EdgeTableTest, MalformedAttributeTypeLinesCreateNothing) {
    EXPECT_EQ(Type("fields2"), nullptr);
    EXPECT_EQ(Type("1.1"), nullptr);
    EXPECT_EQ(Type("fields5"), nullptr);
    EXPECT_EQ(Type("1.2"), nullptr);
}

TEST_F(EdgeTableTest, FriendlyNameFallsBackToTheFirstName) {
    EXPECT_EQ(Type("commonName")->FriendlyName(), "Common Name");
    EXPECT_EQ(Type("commonName")->Name(), "cn");
    EXPECT_EQ(Type("sn")->FriendlyName(), "sn");
    EXPECT_EQ(Type("postal")->FriendlyName(), "Postal Address");
}

TEST_F(EdgeTableTest, UnknownSyntaxStillCreatesTheTypeWithoutOne) {
    QAttrT* wrongCase = Type("wrongCase");
    ASSERT_NE(wrongCase, nullptr);
    EXPECT_EQ(wrongCase->Syntax(), nullptr);
    EXPECT_EQ(Table().attr2syntax(wrongCase), nullptr);
    EXPECT_EQ(wrongCase->FriendlyName(), "Wrong Case");
    EXPECT_EQ(Table().attr2syntax(Type("cn")), Table().str2syntax("cis"));
}

TEST_F(EdgeTableTest, ConsecutiveCommasGiveAnEmptyName) {
    QAttrT* gap = Type("third");
    ASSERT_NE(gap, nullptr);
    EXPECT_EQ(Type("first"), gap);
    EXPECT_EQ(std::vector<std::string>(gap->Names().begin(), gap->Names().end()),
              (std::vector<std::string>{"first", "", "third"}));
    EXPECT_EQ(Type(""), gap);
}

TEST_F(EdgeTableTest, NamelessTypesAndClassesHaveAnEmptyName) {
    QAttrT* nameless = Type("acmeAttr.4");
    ASSERT_NE(nameless, nullptr);
    EXPECT_EQ(nameless->Name(), "");
    EXPECT_EQ(nameless->FriendlyName(), "Nameless");
    EXPECT_EQ(nameless->HasName(""), 0);

    QOC* namelessClass = Class("acmeClass.11");
    ASSERT_NE(namelessClass, nullptr);
    EXPECT_EQ(namelessClass->Name(), "");
    EXPECT_EQ(namelessClass->Superclass(), Class("root"));
}

TEST_F(EdgeTableTest, ClassesAreFoundByNameOrOID) {
    QOC* root = Class("root");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Class("ROOT"), root);
    EXPECT_EQ(Class("acmeClass.1"), root);
    EXPECT_EQ(Class("1.3.6.1.4.1.4242.2.1"), root);
    EXPECT_EQ(Class("byOid")->Superclass(), root);
    EXPECT_EQ(root->Superclass(), nullptr);
    EXPECT_EQ(Class("cn"), nullptr);
}

TEST_F(EdgeTableTest, ASuperclassDefinedLaterRejectsTheClass) {
    EXPECT_EQ(Class("early"), nullptr);
    EXPECT_EQ(Class("acmeClass.4"), nullptr);
    ASSERT_NE(Class("afterwards"), nullptr);
}

TEST_F(EdgeTableTest, MalformedClassLinesAndUnknownAttributes) {
    EXPECT_EQ(Class("fourFields"), nullptr);
    EXPECT_EQ(MustOf("unknowns"), (std::vector<std::string>{"cn"}));
    EXPECT_TRUE(MayOf("unknowns").empty());
    ASSERT_NE(Class("empty"), nullptr);
    EXPECT_EQ(MustOf("empty"), (std::vector<std::string>{"cn"}));
}

TEST_F(EdgeTableTest, EffectiveListsStartAtTheRootWithoutDuplicates) {
    EXPECT_EQ(MustOf("leaf"), (std::vector<std::string>{"cn", "sn", "multi", "postal"}));
    EXPECT_EQ(MayOf("leaf"), (std::vector<std::string>{"url", "lastType"}));
    QOC* leaf = Class("leaf");
    EXPECT_EQ(leaf->IsMust(Type("cn")), 1);
    EXPECT_EQ(leaf->IsMust(Type("postal")), 1);
    EXPECT_EQ(leaf->IsMust(Type("url")), 0);
    EXPECT_EQ(leaf->IsMay(Type("url")), 1);
    EXPECT_EQ(leaf->IsMay(Type("cn")), 0);
    EXPECT_EQ(Class("middle")->IsMust(Type("multi")), 0);
}

TEST_F(EdgeTableTest, EffectiveListReplacesWhatTheOutputHeld) {
    PtrList<QAttrT> out;
    out.AddTail(Type("url"));
    Class("root")->Must(out);
    EXPECT_EQ(NamesOf(out), (std::vector<std::string>{"cn"}));
}

TEST_F(EdgeTableTest, AttributeSetsContributeTheirTypesInOrder) {
    // Nested = multi, PAIR and Pair = sn, postal: a set may name an earlier set in any case.
    EXPECT_EQ(MustOf("setOnly"), (std::vector<std::string>{"multi", "sn", "postal"}));
}

TEST_F(EdgeTableTest, AllTypesAreReadBeforeTheClasses) {
    // lastType is the last line of the attribute-type file; leaf names it.
    EXPECT_EQ(Class("leaf")->IsMay(Type("lastType")), 1);
}

TEST(EmptyOIDTableTest, AnEmptyOIDMatchesEveryNameThatReachesIt) {
    const auto loaded = LoadFixture("emptyoid");
    const Oidtable& table = *loaded.table;
    QAttrT* orphan = table.str2at("orphan");
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(table.str2at("first")->Name(), "first");
    EXPECT_EQ(table.str2at("named"), orphan);
    EXPECT_EQ(table.str2at("no such type"), orphan);
    EXPECT_EQ(table.str2at("1.2")->Name(), "named");
    EXPECT_EQ(table.str2at("1.3"), nullptr);

    QOC* ghost = table.str2oc("ghost");
    ASSERT_NE(ghost, nullptr);
    EXPECT_EQ(table.str2oc("top"), ghost);
    EXPECT_EQ(table.str2oc("2.5.6.0")->Name(), "top");
}

TEST(EmptyOIDTableTest, TablesListTheirEntriesInFileOrder) {
    const auto loaded = LoadFixture("emptyoid");
    PtrList<QAttrT> types;
    types.AddTail(nullptr);
    loaded.table->GetAttrTypes(types);
    EXPECT_EQ(NamesOf(types), (std::vector<std::string>{"first", "orphan", "named"}));
    PtrList<QOC> classes;
    loaded.table->GetObjectClasses(classes);
    ASSERT_EQ(classes.GetCount(), 2u);
    EXPECT_EQ(classes.GetHead()->Name(), "ghost");
    EXPECT_EQ(classes.GetTail()->Name(), "top");
}

} // namespace
