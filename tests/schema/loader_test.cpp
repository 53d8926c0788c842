#include "schemafixture.h"

#include "schema/cstdiofileex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

using harrow::CStdioFileEx;
using harrow::Oidtable;
using harrow::PtrList;
using harrow::QAttrT;
using harrow::QOC;
using larkspur::test::DataPath;
using larkspur::test::DebugCapture;
using larkspur::test::ExpectedText;
using larkspur::test::FixtureStem;
using larkspur::test::LoadFixture;
using larkspur::test::LoadTable;
using larkspur::test::ReadFile;
using larkspur::test::TestDataPath;

std::vector<std::string> LogicalLines(const std::string& path) {
    CStdioFileEx file(path);
    EXPECT_TRUE(file.is_open()) << path;
    std::vector<std::string> lines;
    std::string line = "stale";
    while (file.ReadExtendedString(line)) {
        lines.push_back(line);
    }
    EXPECT_EQ(line, "");
    return lines;
}

TEST(LogicalLineTest, ContinuationsJoinWithExactlyOneSpace) {
    EXPECT_EQ(LogicalLines(TestDataPath("schema/logical-lines.txt")),
              (std::vector<std::string>{
                  "plain line",
                  "padded line",
                  "joined rest",
                  "spaces before after",
                  "tab after tab",
                  "# comment swallowed",
                  "a\\b keeps its backslash",
                  "three parts here",
                  "",
                  // A lone backslash continues with nothing; the file ends after a continuation.
                  " last ",
              }));
}

TEST(LogicalLineTest, CarriageReturnsAreWhiteSpace) {
    EXPECT_EQ(LogicalLines(TestDataPath("schema/crlf-lines.txt")),
              (std::vector<std::string>{"crlf next", "plain", "no newline at end"}));
}

TEST(LogicalLineTest, AMissingFileDoesNotOpen) {
    CStdioFileEx file(TestDataPath("schema/no-such-file.txt"));
    EXPECT_FALSE(file.is_open());
    std::string line = "stale";
    EXPECT_EQ(file.ReadExtendedString(line), 0);
    EXPECT_EQ(line, "");
}

TEST(LoaderTest, EveryDiagnosticOfTheEdgeTableIsExact) {
    const auto loaded = LoadFixture("edges");
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(loaded.diagnostics, ReadFile(TestDataPath("schema/edges.expected")));
}

// Found by fuzzing: generators that each double the one before made loading grow with the
// square of the arcs. OIDs of more than 1024 arcs are now rejected, each line with a diagnostic.
TEST(LoaderTest, DoublingGeneratorsStopAtTheArcLimit) {
    const auto loaded = LoadFixture("doubling");
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(loaded.diagnostics, ReadFile(TestDataPath("schema/doubling.expected")));
    const QAttrT* longest = loaded.table->str2at("longest");
    ASSERT_NE(longest, nullptr);
    EXPECT_EQ(longest->OIDs().front().GetCount(), 1024u);
    EXPECT_EQ(loaded.table->str2at("g11"), longest);
    EXPECT_EQ(loaded.table->str2at("tooLong"), nullptr);
    EXPECT_EQ(loaded.table->str2at("oneTooLongOfTwo"), nullptr);
    EXPECT_EQ(loaded.table->str2oc("deep"), nullptr);
    // A look-up past the limit matches no entry by OID, not even one with an empty OID.
    EXPECT_EQ(loaded.table->str2at("g11.1"), nullptr);
    EXPECT_EQ(larkspur::test::Resolved(*loaded.table, "g12"), std::vector<std::uint32_t>{});
}

TEST(LoaderTest, MissingGeneratorFileStopsBeforeTheOtherFiles) {
    const std::string stem = FixtureStem("nogenerators");
    const auto loaded = LoadTable(stem);
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.diagnostics, ExpectedText("missing-gen.expected", stem));
    PtrList<QAttrT> types;
    loaded.table->GetAttrTypes(types);
    PtrList<QOC> classes;
    loaded.table->GetObjectClasses(classes);
    EXPECT_TRUE(types.IsEmpty());
    EXPECT_TRUE(classes.IsEmpty());
}

TEST(LoaderTest, MissingAttributeTypeFileKeepsTheGenerators) {
    const std::string stem = FixtureStem("noattributes");
    const auto loaded = LoadTable(stem);
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.diagnostics, ExpectedText("missing-at.expected", stem));
    EXPECT_EQ(larkspur::test::Resolved(*loaded.table, "acme.1"),
              (std::vector<std::uint32_t>{1, 3, 6, 1, 4, 1, 4242, 1}));
    EXPECT_EQ(loaded.table->str2oc("top"), nullptr);
}

TEST(LoaderTest, MissingObjectClassFileKeepsTheTypes) {
    const std::string stem = FixtureStem("noclasses");
    const auto loaded = LoadTable(stem);
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.diagnostics, ExpectedText("missing-oc.expected", stem));
    ASSERT_NE(loaded.table->str2at("cn"), nullptr);
    EXPECT_EQ(loaded.table->str2at("1.3.6.1.4.1.4242.3"), loaded.table->str2at("cn"));
}

TEST(LoaderTest, NothingAtAllIsReportedForTheGeneratorFile) {
    const std::string stem = FixtureStem("absent");
    const auto loaded = LoadTable(stem);
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.diagnostics, ExpectedText("missing-gen.expected", stem));
}

TEST(SyntaxRegistryTest, ThirteenSyntaxesUnderTheirExactNames) {
    const Oidtable table;
    const std::vector<std::string> names = {"ces",
                                            "cis",
                                            "CaseExactString",
                                            "CaseIgnoreString",
                                            "CaseIgnoreIA5String",
                                            "CountryString",
                                            "TelephoneNumber",
                                            "FacsimileTelephoneNumber",
                                            "LabeledURI",
                                            "ObjectClass",
                                            "CaseExactList",
                                            "CaseIgnoreList",
                                            "PostalAddress"};
    for (const std::string& name : names) {
        ASSERT_NE(table.str2syntax(name), nullptr) << name;
        EXPECT_EQ(table.str2syntax(name)->Name(), name);
    }
    EXPECT_EQ(table.str2syntax("CES"), nullptr);
    EXPECT_EQ(table.str2syntax("cis "), nullptr);
    EXPECT_EQ(table.str2syntax("RFC822"), nullptr);
    EXPECT_EQ(table.str2syntax(""), nullptr);
    EXPECT_EQ(table.attr2syntax(nullptr), nullptr);
}

// The form configuration's directory schema, as name -> dotted OID with its macros expanded.
std::vector<std::pair<std::string, std::string>>
LarkspurSchemaDefinitions(const std::string& kind) {
    const std::string text = ReadFile(DataPath("ldap/larkspur.schema"));
    std::map<std::string, std::string> macros;
    const std::regex macro(R"(objectidentifier\s+(\S+)\s+(\S+))");
    for (std::sregex_iterator it(text.begin(), text.end(), macro), end; it != end; ++it) {
        std::string value = (*it)[2];
        const auto colon = value.find(':');
        if (colon != std::string::npos) {
            value = macros.at(value.substr(0, colon)) + "." + value.substr(colon + 1);
        }
        macros[(*it)[1]] = value;
    }
    std::vector<std::pair<std::string, std::string>> definitions;
    const std::regex definition(kind + R"(\s*\(\s*(\w+):(\d+)\s+NAME\s+'(\w+)')");
    for (std::sregex_iterator it(text.begin(), text.end(), definition), end; it != end; ++it) {
        definitions.emplace_back((*it)[3], macros.at((*it)[1]) + "." + std::string((*it)[2]));
    }
    return definitions;
}

class ShippedTableTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        loaded = new larkspur::test::LoadedTable(LoadTable(DataPath("oidtable32")));
    }
    static void TearDownTestSuite() {
        delete loaded;
        loaded = nullptr;
    }
    static const Oidtable& Table() { return *loaded->table; }

    static larkspur::test::LoadedTable* loaded;
};

larkspur::test::LoadedTable* ShippedTableTest::loaded = nullptr;

TEST_F(ShippedTableTest, LoadsWithoutAnyDiagnostic) {
    EXPECT_EQ(loaded->result, 1);
    EXPECT_EQ(loaded->diagnostics, "");
}

TEST_F(ShippedTableTest, DefinesTheUserSchemaClasses) {
    for (const char* name :
         {"top", "person", "organizationalPerson", "inetOrgPerson", "residentialPerson",
          "organization", "organizationalUnit", "country", "locality", "dcObject", "domain",
          "groupOfNames", "labeledURIObject"}) {
        EXPECT_NE(Table().str2oc(name), nullptr) << name;
    }
    EXPECT_EQ(Table().str2oc("2.16.840.1.113730.3.2.2"), Table().str2oc("inetorgperson"));
    EXPECT_EQ(Table().str2oc("2.5.6.6"), Table().str2oc("person"));
    EXPECT_EQ(Table().str2oc("0.9.2342.19200300.100.4.13"), Table().str2oc("domain"));
    EXPECT_EQ(Table().str2oc("1.3.6.1.4.1.1466.344"), Table().str2oc("dcObject"));
    EXPECT_EQ(Table().str2oc("1.3.6.1.4.1.250.3.15"), Table().str2oc("labeledURIObject"));
}

TEST_F(ShippedTableTest, InheritanceFollowsTheStandardSchema) {
    const QOC* inetOrgPerson = Table().str2oc("inetOrgPerson");
    ASSERT_NE(inetOrgPerson, nullptr);
    EXPECT_EQ(inetOrgPerson->IsMust(Table().str2at("objectClass")), 1);
    EXPECT_EQ(inetOrgPerson->IsMust(Table().str2at("cn")), 1);
    EXPECT_EQ(inetOrgPerson->IsMust(Table().str2at("sn")), 1);
    EXPECT_EQ(inetOrgPerson->IsMay(Table().str2at("mail")), 1);
    EXPECT_EQ(inetOrgPerson->IsMay(Table().str2at("postalAddress")), 1);
    EXPECT_EQ(inetOrgPerson->IsMay(Table().str2at("telephoneNumber")), 1);
    EXPECT_EQ(Table().str2oc("organization")->IsMay(Table().str2at("fax")), 1);
    EXPECT_EQ(Table().str2oc("residentialPerson")->IsMust(Table().str2at("l")), 1);
}

TEST_F(ShippedTableTest, AttributesCarryTheirStandardOIDsAndSyntaxes) {
    const auto syntaxOf = [](const char* name) {
        const QAttrT* type = Table().str2at(name);
        return type == nullptr || type->Syntax() == nullptr ? std::string()
                                                            : type->Syntax()->Name();
    };
    EXPECT_EQ(Table().str2at("2.5.4.3"), Table().str2at("commonName"));
    EXPECT_EQ(Table().str2at("0.9.2342.19200300.100.1.3"), Table().str2at("mail"));
    EXPECT_EQ(Table().str2at("1.3.6.1.4.1.250.1.57"), Table().str2at("labeledURI"));
    EXPECT_EQ(Table().str2at("2.16.840.1.113730.3.1.241"), Table().str2at("displayName"));
    EXPECT_EQ(syntaxOf("labeledURI"), "LabeledURI");
    EXPECT_EQ(syntaxOf("postalAddress"), "PostalAddress");
    EXPECT_EQ(syntaxOf("homePostalAddress"), "PostalAddress");
    EXPECT_EQ(syntaxOf("telephoneNumber"), "TelephoneNumber");
    EXPECT_EQ(syntaxOf("facsimileTelephoneNumber"), "FacsimileTelephoneNumber");
    EXPECT_EQ(Table().str2at("mail")->FriendlyName(), "E-mail address");
    EXPECT_EQ(Table().str2at("telephoneNumber")->FriendlyName(), "Telephone Number");
    PtrList<QAttrT> types;
    Table().GetAttrTypes(types);
    for (const QAttrT* type : types) {
        EXPECT_NE(type->Syntax(), nullptr) << type->Name();
        EXPECT_NE(type->FriendlyName(), type->Name()) << type->Name();
    }
}

TEST_F(ShippedTableTest, DefinesTheFormConfigurationSchema) {
    ASSERT_NE(Table().str2at("cn"), nullptr);
    const auto attributes = LarkspurSchemaDefinitions("attributetype");
    const auto classes = LarkspurSchemaDefinitions("objectclass");
    ASSERT_EQ(attributes.size(), 10u);
    ASSERT_EQ(classes.size(), 5u);
    for (const auto& [name, oid] : attributes) {
        const QAttrT* type = Table().str2at(name);
        ASSERT_NE(type, nullptr) << name;
        EXPECT_EQ(type->Name(), name);
        EXPECT_EQ(Table().str2at(oid), type) << oid;
    }
    for (const auto& [name, oid] : classes) {
        const QOC* oc = Table().str2oc(name);
        ASSERT_NE(oc, nullptr) << name;
        EXPECT_EQ(oc->Name(), name);
        EXPECT_EQ(Table().str2oc(oid), oc) << oid;
        EXPECT_EQ(oc->IsMust(Table().str2at("cn")), 1) << name;
    }
}

} // namespace
