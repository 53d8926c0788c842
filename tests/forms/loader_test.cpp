#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "configdirectory.h"
#include "forms/qform.h"
#include "forms/qformconfiguration.h"
#include "forms/qforminput.h"
#include "forms/qruleset.h"
#include "forms/qsearchclass.h"
#include "formtext.h"
#include "model/qdn.h"
#include "model/qstringlist.h"
#include "schema/oidtable.h"
#include "support/debugcapture.h"
#include "support/fakeldapserver.h"
#include "support/testdata.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace {

using harrow::PtrList;
using harrow::QForm;
using harrow::QFormInput;
using harrow::QRuleSet;
using harrow::QSearchClass;
using harrow::QStringList;
using larkspur::test::DebugCapture;
using larkspur::test::FakeLdapServer;
using larkspur::test::ReadFile;
using larkspur::test::TestDataPath;
using larkspur::test::TestDirectory;

using larkspur::test::BasePointOf;
using larkspur::test::ClassNames;
using larkspur::test::FieldNames;
using larkspur::test::InputNames;
using larkspur::test::Names;

const char* const kSuffix = "dc=larkspur,dc=test";
const char* const kSubtree = "ou=Forms,dc=larkspur,dc=test";

Names FormNames(harrow::QFormConfiguration& config) {
    QStringList names;
    config.GetFormList(names);
    return names;
}

Names SubClassNames(const QSearchClass& searchClass) {
    PtrList<QSearchClass> subClasses;
    searchClass.GetSearchClassList(subClasses);
    return ClassNames(subClasses);
}

std::string ClassFilter(const QSearchClass& searchClass) {
    std::string filter;
    searchClass.GenerateFilterString(filter);
    return filter;
}

// A server holding a configuration, and a manager with the shipped schema to load it with.
class LoaderTest : public ::testing::Test {
protected:
    LoaderTest() : directory(kSuffix) {}

    void SetUp() override {
        ASSERT_EQ(1, manager.Table()->Load(larkspur::test::DataPath("oidtable32").c_str()));
        directory.WithoutSuffixEntry();
        ASSERT_TRUE(directory.Start());
    }

    void Apply(const std::string& fixture) {
        ASSERT_TRUE(larkspur::test::ApplyConfiguration(
            directory, TestDataPath("forms/" + fixture),
            {{"@HOST@", directory.Host()}, {"@SERVER1_PORT@", std::to_string(directory.Port())}}));
    }

    // Loads the forms below the subtree, keeping what the loader said.
    int Initialise(const std::string& subtree = kSubtree) {
        DebugCapture capture;
        const int result = manager.Initialise(subtree, directory.Host(), directory.Port());
        diagnostics = capture.Joined();
        return result;
    }

    harrow::QFormConfiguration& Config() { return *manager.FormConfig(); }

    QForm& Form(const std::string& name) {
        QForm* form = Config().GetForm(name);
        EXPECT_NE(nullptr, form) << name;
        return *form;
    }

    TestDirectory directory;
    harrow::QDSManager manager;
    std::string diagnostics;
};

// Every awkward entry of the edge-case configuration, loaded once per test.
class EdgeConfigTest : public LoaderTest {
protected:
    void SetUp() override {
        LoaderTest::SetUp();
        Apply("edge-config.ldif");
        ASSERT_EQ(1, Initialise());
    }

    QRuleSet& Main() { return *Form("People").RuleSet(); }

    QSearchClass& MainClass(const std::string& name) {
        QSearchClass* searchClass = Main().GetSearchClass(name);
        EXPECT_NE(nullptr, searchClass) << name;
        return *searchClass;
    }
};

TEST_F(EdgeConfigTest, ReportsWhatItSkipsExactly) {
    EXPECT_EQ(ReadFile(TestDataPath("forms/edge-config.expected")), diagnostics);
}

TEST_F(EdgeConfigTest, KeepsTheFormsThatLoadInServerOrder) {
    // Missing First Input, Bad Rule Set and the form one level too deep are skipped. The loader
    // reads in pages, which slapd hands over in the order the entries were made.
    EXPECT_EQ((Names{"People", "Only Unknown Fields", "Twin Form", "Duplicate", "Duplicate",
                     "Escaped Names"}),
              FormNames(Config()));
    EXPECT_EQ("loaded first", Form("Duplicate").TipString());
    EXPECT_EQ(nullptr, Config().GetForm("Missing First Input"));
    EXPECT_EQ(nullptr, Config().GetForm("Buried Form"));
}

TEST_F(EdgeConfigTest, FormKeepsTheInputsAndFieldsThatLoad) {
    QForm& people = Form("People");
    EXPECT_EQ("Find people", people.TipString());
    EXPECT_EQ("Type a name or a telephone number.", people.HelpString());
    // The empty name between "$$" finds no input; Ghost has only unknown types, Absent has no
    // entry and Deep is one level too far down.
    EXPECT_EQ((Names{"Person", "Organisation"}), InputNames(people));
    EXPECT_EQ((Names{"Name", "Phone"}), FieldNames(*people.Target()));
    EXPECT_EQ(&MainClass("Person"), people.Target()->SearchClass());

    // Attribute types are resolved through the schema: an alias and an OID count, unknown
    // names drop out.
    QFormInput* target = nullptr;
    PtrList<QFormInput> context;
    people.BuildInputFields(target, context);
    std::unique_ptr<QFormInput> person(target);
    std::unique_ptr<QFormInput> organisation(context.GetHead());
    person->SetFieldValue("Name", "smith");
    person->SetFieldValue("Phone", "0131");
    std::string filter;
    ASSERT_EQ(1, person->GenerateFilterString(filter));
    EXPECT_EQ("(&(|(objectclass=person)(objectclass=organizationalPerson))"
              "(&(cn=*smith*)(&(telephoneNumber=*0131*)(sn=*0131*))))",
              filter);
}

TEST_F(EdgeConfigTest, InputWithOnlyUnknownFieldsIsDropped) {
    EXPECT_EQ((Names{"Person"}), InputNames(Form("Only Unknown Fields")));
}

TEST_F(EdgeConfigTest, NamesAreMatchedExactlyNotAsFilterSyntax) {
    // "Person (main)" and "Name\ (full)" only load when escaped; "St*" must not find "Stray".
    QForm& escaped = Form("Escaped Names");
    EXPECT_EQ((Names{"Person (main)"}), InputNames(escaped));
    EXPECT_EQ((Names{"Name\\ (full)"}), FieldNames(*escaped.Target()));
}

TEST_F(EdgeConfigTest, SearchClassesOfOneLevelInServerOrder) {
    PtrList<QSearchClass> classes;
    Main().GetSearchClasses(classes);
    // Nothing defines nothing, Hidden is one level too deep.
    EXPECT_EQ((Names{"Base", "Person", "Hybrid", "Org", "Group", "Late", "Broken URL"}),
              ClassNames(classes));
    EXPECT_EQ("(|(objectclass=person)(objectclass=organizationalPerson))",
              ClassFilter(MainClass("Person")));
}

TEST_F(EdgeConfigTest, SubClassesResolveWithinTheRuleSet) {
    // "Nobody$Person" adds Person; "Org$Group" adds only Org; Late is defined after Org.
    EXPECT_EQ((Names{"Person", "Org"}), SubClassNames(MainClass("Base")));
    EXPECT_EQ(1, MainClass("Base").CanSearchFor(&MainClass("Org")));
    EXPECT_EQ(0, MainClass("Base").CanSearchFor(&MainClass("Group")));
    EXPECT_EQ((Names{"Late"}), SubClassNames(MainClass("Org")));
}

TEST_F(EdgeConfigTest, BasePointsAreBoundToTheirServer) {
    const larkspur::test::BasePoint base = BasePointOf(manager, MainClass("Base"));
    EXPECT_EQ(1, base.specific);
    EXPECT_EQ("dc=larkspur, dc=test", base.dn);
    EXPECT_EQ(directory.Host(), base.host);
    EXPECT_EQ(directory.Port(), base.port);

    // Object classes win over a URL.
    EXPECT_EQ(0, BasePointOf(manager, MainClass("Hybrid")).specific);
    EXPECT_EQ("(objectclass=organization)", ClassFilter(MainClass("Hybrid")));

    const larkspur::test::BasePoint broken = BasePointOf(manager, MainClass("Broken URL"));
    EXPECT_EQ(1, broken.specific);
    EXPECT_EQ(0, broken.set);
}

TEST_F(EdgeConfigTest, FirstOfTwoRuleSetsWithOneNameCounts) {
    QForm& twin = Form("Twin Form");
    ASSERT_NE(nullptr, twin.RuleSet());
    EXPECT_EQ("Twin", twin.RuleSet()->Name());
    EXPECT_NE(nullptr, twin.RuleSet()->GetSearchClass("Person"));
    EXPECT_EQ(nullptr, twin.RuleSet()->GetSearchClass("Other"));
    // Stranger's class belongs to the discarded definition.
    EXPECT_EQ((Names{"Person"}), InputNames(twin));
}

TEST_F(LoaderTest, SubtreeWithoutRuleSetsOrFormsLoadsEmpty) {
    Apply("empty-config.ldif");
    EXPECT_EQ(1, Initialise());
    EXPECT_EQ(Names{}, FormNames(Config()));
    EXPECT_EQ("", diagnostics);
}

TEST_F(LoaderTest, MissingSubtreeFailsInitialise) {
    Apply("empty-config.ldif");
    EXPECT_EQ(0, Initialise("ou=Nowhere,dc=larkspur,dc=test"));
    EXPECT_EQ(ReadFile(TestDataPath("forms/missing-subtree.expected")), diagnostics);
    EXPECT_EQ(Names{}, FormNames(Config()));
}

TEST_F(LoaderTest, ServerDownFailsInitialiseQuietly) {
    Apply("edge-config.ldif");
    ASSERT_TRUE(directory.Stop());
    EXPECT_EQ(0, Initialise());
    EXPECT_EQ("", diagnostics);
    EXPECT_EQ(Names{}, FormNames(Config()));
}

TEST_F(LoaderTest, HungServerFailsInitialiseQuietly) {
    Apply("edge-config.ldif");
    manager.BindManager()->SetBindTimeLimit(std::chrono::milliseconds(200));
    ASSERT_TRUE(directory.Pause());
    const int loaded = Initialise();
    ASSERT_TRUE(directory.Resume());
    EXPECT_EQ(0, loaded);
    EXPECT_EQ("", diagnostics);
    EXPECT_EQ(Names{}, FormNames(Config()));
}

// Start-up waits on the load, so it must end however long the server stays silent.
TEST_F(LoaderTest, ServerSilentAfterTheBindFailsInitialiseAfterTheStallTime) {
    FakeLdapServer silent(FakeLdapServer::Behaviour::AnswerBindThenSilent);
    ASSERT_TRUE(silent.Start());
    manager.SetStallTime(std::chrono::seconds(1));
    DebugCapture capture;
    EXPECT_EQ(0, manager.Initialise(kSubtree, silent.Host(), silent.Port()));
}

} // namespace
