#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "forms/qform.h"
#include "forms/qformconfiguration.h"
#include "forms/qforminput.h"
#include "forms/qruleset.h"
#include "forms/qsearchclass.h"
#include "formtext.h"
#include "model/qdn.h"
#include "model/qentry.h"
#include "model/qstringlist.h"
#include "searchworld.h"
#include "support/debugcapture.h"
#include "support/demoservers.h"
#include "support/testdata.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <list>
#include <memory>
#include <string>

namespace {

using harrow::PtrList;
using harrow::QDN;
using harrow::QForm;
using harrow::QFormInput;
using harrow::QRuleSet;
using harrow::QSearchClass;
using harrow::QStringList;
using larkspur::test::TestDirectory;

using larkspur::test::ClassNames;
using larkspur::test::FieldNames;
using larkspur::test::Names;

const char* const kSubtree = "ou=Larkspur Forms,dc=calder,dc=example";

Names Sorted(Names names) {
    names.sort();
    return names;
}

// The people's names (the value of each DN's first RDN), sorted, duplicates kept.
Names PeopleNames(const std::vector<std::string>& dns) {
    Names names;
    for (const std::string& dn : dns) {
        const auto start = dn.find('=') + 1;
        names.push_back(dn.substr(start, dn.find(',') - start));
    }
    return Sorted(names);
}

// The demo directory on its two servers, loaded the way the program starts: the schema from
// the current directory, then the forms from server 1.
class DemoTest : public ::testing::Test {
protected:
    DemoTest() : calder(demo.Server1()), fenwick(demo.Server2()) {}

    void SetUp() override {
        ASSERT_TRUE(demo.Start());

        const std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(larkspur::test::DataPath(""));
        const int preInitialised = manager.PreInitialise();
        std::filesystem::current_path(previous);
        ASSERT_EQ(1, preInitialised);

        larkspur::test::DebugCapture capture;
        ASSERT_EQ(1, manager.Initialise(kSubtree, calder.Host(), calder.Port()));
        EXPECT_EQ("", capture.Joined());
    }

    QForm& Form(const std::string& name) {
        QForm* form = manager.FormConfig()->GetForm(name);
        EXPECT_NE(nullptr, form) << name;
        return *form;
    }

    QSearchClass& Class(QRuleSet& ruleSet, const std::string& name) {
        QSearchClass* searchClass = ruleSet.GetSearchClass(name);
        EXPECT_NE(nullptr, searchClass) << name;
        return *searchClass;
    }

    // The server and base DN that a base-point class names.
    std::string BasePoint(const QSearchClass& searchClass) {
        const larkspur::test::BasePoint base = larkspur::test::BasePointOf(manager, searchClass);
        if (base.specific == 0) {
            return "not a base point";
        }
        return base.host + ":" + std::to_string(base.port) + " " + base.dn;
    }

    // The search class that the rule set gives an entry read from the Fenwick server.
    std::string ClassOfEntry(QRuleSet& ruleSet, const std::string& dn) {
        const harrow::ldapapi::Handle session(
            harrow::ldapapi::Init(fenwick.Host().c_str(), fenwick.Port()));
        harrow::ldapapi::SetProtocol(session.get(), LDAP_VERSION3);
        EXPECT_EQ(LDAP_SUCCESS, harrow::ldapapi::SimpleBindS(session.get(), nullptr, nullptr));
        harrow::ldapapi::Message chain;
        EXPECT_EQ(LDAP_SUCCESS, harrow::ldapapi::SearchS(session.get(), dn, LDAP_SCOPE_BASE,
                                                         "(objectclass=*)", {}, chain));
        QDN base;
        Class(ruleSet, "Fenwick Laboratories").IsSpecific(base);
        const harrow::QEntry entry(&manager, base.GetConnID(), session.get(),
                                   ldap_first_entry(session.get(), chain.get()));
        const QSearchClass* found = ruleSet.FindSearchClass(&entry);
        return found != nullptr ? found->Name() : "none";
    }

    // Runs the form to its end; no operation may fail.
    Names FoundPeople(const std::string& form, const larkspur::test::FieldValues& values) {
        larkspur::test::RecordingRequester requester;
        std::unique_ptr<harrow::QFormSearch> search =
            larkspur::test::NewFormSearch(manager, requester, form, values);
        harrow::QError* error = nullptr;
        const int started = search->Invoke(error);
        delete error;
        EXPECT_EQ(1, started);
        EXPECT_TRUE(started && larkspur::test::RunManagerToEnd(manager));
        EXPECT_EQ(0, requester.Completion().second);
        return PeopleNames(requester.Results());
    }

    larkspur::test::DemoServers demo;
    TestDirectory& calder;
    TestDirectory& fenwick;
    harrow::QDSManager manager;
};

TEST_F(DemoTest, OffersTheDemoForms) {
    QStringList names;
    manager.FormConfig()->GetFormList(names);
    EXPECT_EQ((Names{"Organisations", "Partner staff", "People", "People in an organisation"}),
              Sorted(names));
}

TEST_F(DemoTest, PeopleFormSearchesNameDepartmentAndTelephone) {
    QForm& people = Form("People");
    EXPECT_EQ("Directory", people.RuleSet()->Name());
    EXPECT_EQ("Find people by name, department or telephone number", people.TipString());
    EXPECT_FALSE(people.HelpString().empty());
    EXPECT_EQ((Names{"Name", "Department", "Telephone"}), FieldNames(*people.Target()));

    QFormInput* target = nullptr;
    PtrList<QFormInput> context;
    people.BuildInputFields(target, context);
    std::unique_ptr<QFormInput> person(target);
    EXPECT_TRUE(context.IsEmpty());
    person->SetFieldValue("Department", "physics");
    person->SetFieldValue("Telephone", "496");
    std::string filter;
    ASSERT_EQ(1, person->GenerateFilterString(filter));
    EXPECT_EQ("(&(|(objectclass=person)(objectclass=organizationalPerson)"
              "(objectclass=inetOrgPerson))(&(ou=*physics*)(telephoneNumber=*496*)))",
              filter);
}

TEST_F(DemoTest, OrganisationsFormSearchesOrganisations) {
    QForm& organisations = Form("Organisations");
    EXPECT_EQ((Names{"Name", "Town"}), FieldNames(*organisations.Target()));
    EXPECT_EQ("Organisation", organisations.Target()->SearchClass()->Name());
}

TEST_F(DemoTest, PeopleInAnOrganisationSearchesBelowTheOrganisationsFound) {
    QForm& form = Form("People in an organisation");
    QRuleSet& directory = *form.RuleSet();
    PtrList<QFormInput> context;
    form.Context(context);
    ASSERT_EQ(1u, context.GetCount());
    QSearchClass* organisation = context.GetHead()->SearchClass();
    EXPECT_EQ(&Class(directory, "Organisation"), organisation);
    EXPECT_EQ(&Class(directory, "Person"), form.Target()->SearchClass());
    EXPECT_EQ((Names{"Organisation"}), FieldNames(*context.GetHead()));

    EXPECT_EQ(1, Class(directory, "Calder Institute").CanSearchFor(organisation));
    EXPECT_EQ(1, Class(directory, "Fenwick Laboratories").CanSearchFor(organisation));
    EXPECT_EQ(1, organisation->CanSearchFor(form.Target()->SearchClass()));
    // People are never looked for straight from a base point.
    EXPECT_EQ(0, Class(directory, "Calder Institute").CanSearchFor(form.Target()->SearchClass()));
    EXPECT_EQ(0,
              Class(directory, "Fenwick Laboratories").CanSearchFor(form.Target()->SearchClass()));
}

TEST_F(DemoTest, BasePointsLieOnBothServers) {
    QRuleSet& directory = *Form("People").RuleSet();
    PtrList<QSearchClass> classes;
    directory.GetSearchClasses(classes);
    EXPECT_EQ(Sorted({"Calder Institute", "Fenwick Laboratories", "Person", "Organisation",
                      "Department"}),
              Sorted(ClassNames(classes)));
    const std::string host = TestDirectory::kHost;
    EXPECT_EQ(host + ":" + std::to_string(calder.Port()) + " dc=calder, dc=example",
              BasePoint(Class(directory, "Calder Institute")));
    EXPECT_EQ(host + ":" + std::to_string(fenwick.Port()) + " dc=fenwick, dc=example",
              BasePoint(Class(directory, "Fenwick Laboratories")));
    EXPECT_EQ("not a base point", BasePoint(Class(directory, "Person")));

    QRuleSet& partners = *Form("Partner staff").RuleSet();
    EXPECT_EQ(host + ":" + std::to_string(calder.Port()) +
                  " o=Fenwick Laboratories, dc=calder, dc=example",
              BasePoint(Class(partners, "Fenwick Laboratories via Calder")));
}

TEST_F(DemoTest, EntriesFoundOnTheServerGetTheirSearchClass) {
    QRuleSet& directory = *Form("People").RuleSet();
    EXPECT_EQ("Organisation",
              ClassOfEntry(directory, "o=Fenwick Laboratories,dc=fenwick,dc=example"));
    EXPECT_EQ("Department",
              ClassOfEntry(directory, "ou=Research,o=Fenwick Laboratories,dc=fenwick,dc=example"));
    EXPECT_EQ("Person", ClassOfEntry(directory, "cn=Fiona Fairbairn,ou=Research,"
                                                "o=Fenwick Laboratories,dc=fenwick,dc=example"));
    EXPECT_EQ("none", ClassOfEntry(directory, "dc=fenwick,dc=example"));
}

// What a user types goes into the filter as wildcards that OpenLDAP accepts.
TEST_F(DemoTest, TypedWildcardsFindTheRightPeople) {
    EXPECT_EQ((Names{"Nicholas Smith", "Olivia Holt"}), FoundPeople("People", {{"Name", "hol*"}}));
    EXPECT_EQ((Names{"Olivia Holt"}), FoundPeople("People", {{"Name", "*olt"}}));
    EXPECT_EQ((Names{"Olivia Holt"}), FoundPeople("People", {{"Name", "olivia  holt"}}));
    EXPECT_EQ((Names{"Alice Thornton", "Nicholas Smith", "Olivia Holt"}),
              FoundPeople("People", {{"Name", "ho*t"}}));
    EXPECT_EQ((Names{"Nicholas Smith"}), FoundPeople("People", {{"Name", "**smith**"}}));
    // Everyone on both servers, each once.
    const Names everyone = FoundPeople("People", {{"Name", "*"}});
    EXPECT_EQ(42u, everyone.size());
    EXPECT_EQ(everyone.end(), std::adjacent_find(everyone.begin(), everyone.end()));
}

// The README's example: only people below an organisation called Calder, each once.
TEST_F(DemoTest, PeopleInCalderOrganisationsWhoseNamesHaveAnE) {
    EXPECT_EQ(
        (Names{"Adrian Pemberton", "Alice Thornton", "Beatrice Hughes", "Imogen Bennett",
               "Joanna Carmichael", "Katherine Morgan", "Laurence Vance", "Margaret Kowalski",
               "Martin Fernandes", "Owen Mercer", "Patrick Zielinski", "Priya Chen",
               "Rachel Baxter", "Rupert Ingram", "Simon Whitfield", "Teresa Jones", "Una Rowe",
               "Victor Fletcher"}),
        FoundPeople("People in an organisation", {{"Organisation", "Calder"}, {"Name", "e"}}));
    EXPECT_EQ("Name the organisation, then the person. People are looked for below every "
              "organisation that matches.",
              Form("People in an organisation").HelpString());
}

} // namespace
