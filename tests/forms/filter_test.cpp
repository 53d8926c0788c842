#include "access/ldapapi.h"
#include "formfixture.h"
#include "forms/qformfield.h"
#include "forms/qforminput.h"
#include "forms/qsearchclass.h"
#include "support/debugcapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using harrow::QFormField;
using harrow::QFormInput;
using harrow::QSearchClass;
using larkspur::test::DebugCapture;

const char* const kPersonFilter = "(|(objectclass=person)(objectclass=organizationalPerson))";

// Whether libldap's own filter encoder accepts the filter, as ldap_search_ext would; a handle
// that was only initialised is enough, nothing is sent.
bool LibldapEncodes(const std::string& filter) {
    LDAP* handle = nullptr;
    if (ldap_initialize(&handle, "ldap://127.0.0.1:1") != LDAP_SUCCESS) {
        return false;
    }
    berval encoded{};
    const int code =
        ldap_create_assertion_control_value(handle, const_cast<char*>(filter.c_str()), &encoded);
    ber_memfree(encoded.bv_val);
    ldap_unbind_ext(handle, nullptr, nullptr);
    return code == LDAP_SUCCESS;
}

std::string FieldFilter(const QFormField& field) {
    std::string filter = "untouched";
    EXPECT_EQ(1, field.GenerateFilterString(filter));
    EXPECT_TRUE(LibldapEncodes(filter)) << filter;
    return filter;
}

std::string InputFilter(const QFormInput& input) {
    std::string filter;
    EXPECT_EQ(1, input.GenerateFilterString(filter));
    EXPECT_TRUE(LibldapEncodes(filter)) << filter;
    return filter;
}

// The worked examples: Name on cn, Department on ou, Contact on cn and sn, and a person class.
class FilterTest : public larkspur::test::FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        people = ObjectClassClass("People", {"person", "organizationalPerson"});
    }

    std::unique_ptr<QFormInput> PersonInput(QSearchClass* searchClass) {
        return Input(
            "Person", searchClass,
            {Field("Name", {"cn"}), Field("Department", {"ou"}), Field("Contact", {"cn", "sn"})});
    }

    std::string NameFilter(const std::string& value) {
        std::unique_ptr<QFormField> name(Field("Name", {"commonName"}, value));
        return FieldFilter(*name);
    }

    std::unique_ptr<QSearchClass> people;
};

TEST_F(FilterTest, WordsBecomeOneSubstringPattern) {
    EXPECT_EQ("(cn=*smith*)", NameFilter("smith"));
    EXPECT_EQ("(cn=*john*smith*)", NameFilter("  john smith "));
    EXPECT_EQ("(cn=*sm*th*)", NameFilter("sm*th"));
}

// Empty words and repeated asterisks would give "**", which OpenLDAP refuses; typed asterisks
// still act as wildcards, and asterisks alone ask only that the attribute be there.
TEST_F(FilterTest, TypedWildcardsAlwaysParse) {
    ASSERT_FALSE(LibldapEncodes("(cn=*john**smith*)"));
    EXPECT_EQ("(cn=*john*smith*)", NameFilter("john  smith"));
    EXPECT_EQ("(cn=*olivia*holt*)", NameFilter("olivia  holt"));
    EXPECT_EQ("(cn=*hol*)", NameFilter("hol*"));
    EXPECT_EQ("(cn=*olt*)", NameFilter("*olt"));
    EXPECT_EQ("(cn=*ho*t*)", NameFilter("ho*t"));
    EXPECT_EQ("(cn=*smith*)", NameFilter("**smith**"));
    EXPECT_EQ("(cn=*a*b*)", NameFilter("a * ** b"));
    EXPECT_EQ("(cn=*)", NameFilter("*"));
    EXPECT_EQ("(cn=*)", NameFilter(" * ** "));
    std::unique_ptr<QFormField> contact(Field("Contact", {"cn", "sn"}, "**"));
    EXPECT_EQ("(&(cn=*)(sn=*))", FieldFilter(*contact));
}

TEST_F(FilterTest, SeveralAttributeTypesMustAllMatch) {
    std::unique_ptr<QFormField> contact(Field("Contact", {"cn", "2.5.4.4"}, "jones"));
    EXPECT_EQ("(&(cn=*jones*)(sn=*jones*))", FieldFilter(*contact));
}

TEST_F(FilterTest, BlankValueTakesNoPart) {
    std::unique_ptr<QFormField> blank(Field("Name", {"cn"}, " \t "));
    std::string filter = "untouched";
    EXPECT_EQ(0, blank->GenerateFilterString(filter));
    EXPECT_EQ("untouched", filter);
}

// Typed filter syntax is escaped as RFC 4515 hex pairs; only "*" keeps its wildcard meaning.
TEST_F(FilterTest, FilterSyntaxInValuesIsEscaped) {
    EXPECT_EQ("(cn=*a\\28b*)", NameFilter("a(b"));
    EXPECT_EQ("(cn=*Smith*\\28Sales\\29*)", NameFilter("Smith (Sales)"));
    EXPECT_EQ("(cn=*x\\29\\28objectclass=*)", NameFilter("x)(objectclass=*"));
    EXPECT_EQ("(cn=*back\\5cslash*)", NameFilter("back\\slash"));
    EXPECT_EQ("(cn=*nul\\00byte*)", NameFilter(std::string("nul\0byte", 8)));
}

TEST_F(FilterTest, SearchClassMatchesItsObjectClasses) {
    std::string filter;
    EXPECT_EQ(1, people->GenerateFilterString(filter));
    EXPECT_EQ(kPersonFilter, filter);
    EXPECT_TRUE(LibldapEncodes(filter));

    std::unique_ptr<QSearchClass> organisation = ObjectClassClass("Org", {"organization"});
    EXPECT_EQ(1, organisation->GenerateFilterString(filter));
    EXPECT_EQ("(objectclass=organization)", filter);
    EXPECT_TRUE(LibldapEncodes(filter));
}

TEST_F(FilterTest, InputFiltersFromTheWorkedExamples) {
    std::unique_ptr<QFormInput> input = PersonInput(people.get());
    input->SetFieldValue("Name", "smith");
    EXPECT_EQ(std::string("(&") + kPersonFilter + "(cn=*smith*))", InputFilter(*input));

    input->SetFieldValue("Department", "physics");
    EXPECT_EQ(std::string("(&") + kPersonFilter + "(&(cn=*smith*)(ou=*physics*)))",
              InputFilter(*input));

    input->SetFieldValue("Contact", "jones");
    EXPECT_EQ(std::string("(&") + kPersonFilter +
                  "(&(cn=*smith*)(ou=*physics*)(&(cn=*jones*)(sn=*jones*))))",
              InputFilter(*input));
}

TEST_F(FilterTest, OrganisationClassWithOneField) {
    std::unique_ptr<QSearchClass> organisation = ObjectClassClass("Org", {"organization"});
    std::unique_ptr<QFormInput> input =
        Input("Organisation", organisation.get(), {Field("Name", {"cn"}, "acme")});
    EXPECT_EQ("(&(objectclass=organization)(cn=*acme*))", InputFilter(*input));
}

TEST_F(FilterTest, BasePointClassContributesNothing) {
    QSearchClass basePoint(&manager, "Base", "ldap://127.0.0.1:389/o=Acme,c=GB");
    std::unique_ptr<QFormInput> input =
        Input("Organisation", &basePoint, {Field("Name", {"cn"}, "acme")});
    EXPECT_EQ("(&(cn=*acme*))", InputFilter(*input));
}

TEST_F(FilterTest, FinishedFilterGoesToTheDiagnostics) {
    std::unique_ptr<QFormInput> input = PersonInput(people.get());
    input->SetFieldValue("Name", "smith");
    DebugCapture capture;
    InputFilter(*input);
    EXPECT_EQ(std::vector<std::string>{std::string("Generate filter:\n(&") + kPersonFilter +
                                       "(cn=*smith*))\n"},
              capture.Messages());
}

TEST_F(FilterTest, InputWithoutValuesHasNoFilter) {
    std::unique_ptr<QFormInput> input = PersonInput(people.get());
    input->SetFieldValue("Department", "   ");
    DebugCapture capture;
    std::string filter = "stale";
    EXPECT_EQ(0, input->GenerateFilterString(filter));
    EXPECT_EQ(std::vector<std::string>{"Failed to generate filter for form input 'Person'\n"},
              capture.Messages());
}

// Found by fuzzing: two blanks between words gave "**", which libldap's filter encoder refuses.
TEST_F(FilterTest, RunsOfBlanksGiveOneWildcard) {
    EXPECT_EQ("(cn=*Alpha*Mixed*)", NameFilter("Alpha  Mixed"));
}

} // namespace
