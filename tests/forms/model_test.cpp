#include "access/qbindmanager.h"
#include "access/qconnection.h"
#include "formfixture.h"
#include "forms/qform.h"
#include "forms/qformfield.h"
#include "forms/qforminput.h"
#include "forms/qruleset.h"
#include "forms/qsearchclass.h"
#include "formtext.h"
#include "model/qattr.h"
#include "model/qdn.h"
#include "model/qstringlist.h"

#include <gtest/gtest.h>

#include <cstring>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace {

using harrow::PtrList;
using harrow::QAttr;
using harrow::QDN;
using harrow::QForm;
using harrow::QFormInput;
using harrow::QSearchClass;
using harrow::QStringList;

std::string Filter(const QFormInput& input) {
    std::string filter;
    return input.GenerateFilterString(filter) == 1 ? filter : "no filter";
}

class FormModelTest : public larkspur::test::FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        people = ObjectClassClass("People", {"person"});
    }

    // A form with a Name/Phone target and an Organisation context input.
    std::unique_ptr<QForm> PeopleForm() {
        QFormInput* target = Input("Person", people.get(),
                                   {Field("Name", {"cn"}), Field("Phone", {"telephoneNumber"})})
                                 .release();
        PtrList<QFormInput> context;
        context.AddTail(Input("Organisation", people.get(), {Field("Name", {"o"})}).release());
        return std::make_unique<QForm>("People", target, context, nullptr);
    }

    // An object-class attribute holding the given values, as an entry built from LDAP has it.
    std::unique_ptr<QAttr> ObjectClassAttribute(std::initializer_list<const char*> values) {
        auto attr = std::make_unique<QAttr>(Table()->str2at("objectClass"));
        for (const char* value : values) {
            attr->AddValue(value, std::strlen(value) + 1);
        }
        return attr;
    }

    std::unique_ptr<QSearchClass> people;
};

TEST_F(FormModelTest, SetFieldValueSetsOnlyTheFirstFieldOfThatName) {
    std::unique_ptr<QFormInput> input =
        Input("Person", people.get(), {Field("Name", {"cn"}), Field("Name", {"sn"})});
    EXPECT_EQ(0, input->SetFieldValue("Nom", "smith"));
    EXPECT_EQ("no filter", Filter(*input));
    EXPECT_EQ(1, input->SetFieldValue("Name", "smith"));
    EXPECT_EQ("(&(objectclass=person)(cn=*smith*))", Filter(*input));
}

TEST_F(FormModelTest, GetFieldNamesReplacesWhatTheListHeld) {
    std::unique_ptr<QForm> form = PeopleForm();
    QStringList names;
    names.push_back("left over");
    EXPECT_EQ(2u, form->Target()->GetFieldNames(names));
    EXPECT_EQ((std::list<std::string>{"Name", "Phone"}),
              static_cast<std::list<std::string>&>(names));
}

TEST_F(FormModelTest, EachBuildYieldsIndependentCopies) {
    std::unique_ptr<QForm> form = PeopleForm();
    QFormInput* firstTarget = nullptr;
    QFormInput* secondTarget = nullptr;
    PtrList<QFormInput> firstContext;
    PtrList<QFormInput> secondContext;
    form->BuildInputFields(firstTarget, firstContext);
    form->BuildInputFields(secondTarget, secondContext);
    std::unique_ptr<QFormInput> first(firstTarget);
    std::unique_ptr<QFormInput> second(secondTarget);
    std::unique_ptr<QFormInput> firstOrganisation(firstContext.GetHead());
    std::unique_ptr<QFormInput> secondOrganisation(secondContext.GetHead());
    ASSERT_EQ(1u, firstContext.GetCount());
    ASSERT_EQ(1u, secondContext.GetCount());
    EXPECT_NE(first.get(), form->Target());
    EXPECT_EQ(people.get(), first->SearchClass());

    first->SetFieldValue("Name", "smith");
    firstOrganisation->SetFieldValue("Name", "acme");
    EXPECT_EQ("(&(objectclass=person)(cn=*smith*))", Filter(*first));
    EXPECT_EQ("(&(objectclass=person)(o=*acme*))", Filter(*firstOrganisation));
    EXPECT_EQ("no filter", Filter(*second));
    EXPECT_EQ("no filter", Filter(*secondOrganisation));
    EXPECT_EQ("no filter", Filter(*form->Target()));

    // A copy of a filled input carries the values.
    std::unique_ptr<QFormInput> copyOfFilled(first->CopySelf());
    first->SetFieldValue("Name", "jones");
    EXPECT_EQ("(&(objectclass=person)(cn=*smith*))", Filter(*copyOfFilled));
}

TEST_F(FormModelTest, ContextHandsOutTheFormsOwnInputs) {
    std::unique_ptr<QForm> form = PeopleForm();
    PtrList<QFormInput> own;
    form->Context(own);
    form->Context(own);
    ASSERT_EQ(2u, own.GetCount());
    EXPECT_EQ("Organisation", own.GetHead()->Name());
    EXPECT_EQ(own.GetHead(), own.GetTail());
}

TEST_F(FormModelTest, SubClassesAreKnownByIdentityNotByName) {
    std::unique_ptr<QSearchClass> organisation = ObjectClassClass("Org", {"organization"});
    std::unique_ptr<QSearchClass> lookalike = ObjectClassClass("People", {"person"});
    organisation->AddSearchClass(people.get());
    EXPECT_EQ(1, organisation->CanSearchFor(people.get()));
    EXPECT_EQ(0, organisation->CanSearchFor(lookalike.get()));
    EXPECT_EQ(0, people->CanSearchFor(organisation.get()));

    PtrList<QSearchClass> subClasses;
    subClasses.AddTail(lookalike.get());
    EXPECT_EQ(1u, organisation->GetSearchClassList(subClasses));
    EXPECT_EQ(people.get(), subClasses.GetHead());
}

TEST_F(FormModelTest, ObjectClassesMatchBySchemaIdentity) {
    std::unique_ptr<QSearchClass> pilots = ObjectClassClass("Pilots", {"pilotPerson"});
    EXPECT_EQ(1, pilots->HasObjectClass(Table()->str2oc("newPilotPerson")));
    EXPECT_EQ(0, pilots->HasObjectClass(Table()->str2oc("person")));

    EXPECT_EQ(1, pilots->HasObjectClass(ObjectClassAttribute({"top", "NEWPILOTPERSON"}).get()));
    EXPECT_EQ(1, people->HasObjectClass(ObjectClassAttribute({"top", "2.5.6.6"}).get()));
    EXPECT_EQ(1, people->HasObjectClass(ObjectClassAttribute({"x521.6"}).get()));
    EXPECT_EQ(0, people->HasObjectClass(ObjectClassAttribute({"top", "organization"}).get()));
    EXPECT_EQ(0, people->HasObjectClass(ObjectClassAttribute({"personality"}).get()));
    EXPECT_EQ(0, people->HasObjectClass(ObjectClassAttribute({}).get()));
}

TEST_F(FormModelTest, ObjectClassClassHasNoBasePoint) {
    QDN out;
    EXPECT_EQ(0, people->IsSpecific(out));
    EXPECT_EQ(0, out.IsSet());
}

TEST_F(FormModelTest, BasePointFromAUrlIsBoundToItsServer) {
    QSearchClass url(&manager, "Acme", "ldap://127.0.0.1:3890/o=Acme%20Ltd,c=GB");
    const larkspur::test::BasePoint base = larkspur::test::BasePointOf(manager, url);
    EXPECT_EQ(1, base.specific);
    EXPECT_EQ("o=Acme Ltd, c=GB", base.dn);
    EXPECT_EQ("127.0.0.1", base.host);
    EXPECT_EQ(3890, base.port);
    EXPECT_EQ("", base.bindDn);
    EXPECT_EQ("", base.password);
}

TEST_F(FormModelTest, BasePointFromExplicitParts) {
    QSearchClass parts(&manager, "Acme", "o=Acme,c=GB", "127.0.0.1", 3891, "cn=reader,o=Acme,c=GB",
                       "secret");
    const larkspur::test::BasePoint base = larkspur::test::BasePointOf(manager, parts);
    EXPECT_EQ(1, base.specific);
    EXPECT_EQ("o=Acme, c=GB", base.dn);
    EXPECT_EQ(3891, base.port);
    EXPECT_EQ("cn=reader,o=Acme,c=GB", base.bindDn);
    EXPECT_EQ("secret", base.password);
}

TEST_F(FormModelTest, UnparsableUrlLeavesASpecificClassWithoutBasePoint) {
    QSearchClass basePoint(&manager, "Broken", "not a url");
    QDN base;
    EXPECT_EQ(1, basePoint.IsSpecific(base));
    EXPECT_EQ(0, base.IsSet());
    EXPECT_EQ(-1, base.GetConnID());
    EXPECT_EQ(0u, manager.BindManager()->ConnectionCount());
}

} // namespace
