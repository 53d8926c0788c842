#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qconnection.h"
#include "access/qdsmanager.h"
#include "model/qentry.h"
#include "schema/oidtable.h"
#include "support/debugcapture.h"
#include "support/testdata.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using harrow::QAttr;
using harrow::QEntry;
using harrow::ldapapi::Message;
using larkspur::test::TestDataPath;
using larkspur::test::TestDirectory;

const char* const kAda = "cn=Ada Moss,ou=People,dc=example,dc=com";

std::vector<std::string> Printed(const QAttr& attr) {
    harrow::QStringList values;
    attr.PrintValues(values);
    return {values.begin(), values.end()};
}

// Entries built from the search-entry messages of a real server, typed by a small schema that
// knows objectClass (in upper case), cn, sn, ou, dc, telephoneNumber, description and
// userPassword.
class EntryTest : public larkspur::test::SlapdTest {
protected:
    void Configure(TestDirectory& dir) override {
        dir.LoadLdifFile(TestDataPath("model/entries.ldif"));
    }

    void SetUp() override {
        SlapdTest::SetUp();
        ASSERT_EQ(1, manager.Table()->Load(TestDataPath("model/entries").c_str()));
        connId = manager.BindManager()->OpenConnection(directory.Host(), directory.Port(), "", "");
        handle.reset(harrow::ldapapi::Init(directory.Host().c_str(), directory.Port()));
        ASSERT_TRUE(handle);
        ASSERT_EQ(1, harrow::ldapapi::SetProtocol(handle.get(), 3));
        ASSERT_EQ(LDAP_SUCCESS, harrow::ldapapi::SimpleBindS(handle.get(), "", ""));
    }

    // The whole result chain of a base-scope read of dn.
    Message Read(const std::string& dn, const std::vector<std::string>& attributes = {}) {
        Message result;
        EXPECT_EQ(LDAP_SUCCESS, harrow::ldapapi::SearchS(handle.get(), dn, LDAP_SCOPE_BASE,
                                                         "(objectClass=*)", attributes, result));
        return result;
    }

    std::unique_ptr<QEntry> FirstEntry(const Message& chain) {
        LDAPMessage* message = ldap_first_entry(handle.get(), chain.get());
        EXPECT_NE(nullptr, message);
        return std::make_unique<QEntry>(&manager, connId, handle.get(), message);
    }

    int References() { return manager.BindManager()->ConnectionAt(0)->RefCount(); }

    harrow::QDSManager manager;
    long connId = -1;
    harrow::ldapapi::Handle handle;
};

TEST_F(EntryTest, KnownAttributesInServerOrderWithTheObjectClassApart) {
    larkspur::test::DebugCapture debug;
    const Message chain = Read(kAda);
    const std::unique_ptr<QEntry> entry = FirstEntry(chain);
    ASSERT_EQ(1, entry->IsSet());
    std::string dn;
    entry->DN().GetDN(dn);
    EXPECT_EQ("cn=Ada Moss, ou=People, dc=example, dc=com", dn);
    EXPECT_EQ(&manager, entry->DS());
    EXPECT_EQ(manager.Table(), entry->Table());
    EXPECT_EQ(connId, entry->GetConnID());

    std::vector<std::string> names;
    for (QEntry::Position pos = entry->GetHeadPosition(); pos != nullptr;) {
        names.push_back(entry->GetNextAttr(pos)->Type()->Name());
    }
    // title and seeAlso are unknown to the schema and silently left out.
    EXPECT_EQ(
        (std::vector<std::string>{"cn", "sn", "telephoneNumber", "description", "userPassword"}),
        names);
    EXPECT_EQ((std::vector<std::string>{"+1 555 0103", "+1 555 0101", "+1 555 0102"}),
              Printed(*entry->QueryGetAttr(manager.Table()->str2at("telephoneNumber"))));
    EXPECT_TRUE(debug.Messages().empty());
}

TEST_F(EntryTest, ObjectClassUnderAnyLetterCaseIsKeptApartWithAllItsValues) {
    const Message chain = Read(kAda);
    const std::unique_ptr<QEntry> entry = FirstEntry(chain);
    QAttr* objectClass = entry->ObjectClass();
    ASSERT_NE(nullptr, objectClass);
    EXPECT_EQ(manager.Table()->str2at("objectclass"), objectClass->Type());
    // The server sent the type twice, as objectClass and as lsObjectClassDefinition.
    EXPECT_EQ((std::vector<std::string>{"person", "extensibleObject", "inetOrgPerson", "person"}),
              Printed(*objectClass));
    EXPECT_EQ(nullptr, entry->QueryGetAttr(objectClass->Type()));
    for (QEntry::Position pos = entry->GetHeadPosition(); pos != nullptr;) {
        EXPECT_NE(objectClass, entry->GetNextAttr(pos));
    }
}

TEST_F(EntryTest, ObjectClassAsTheServerSpellsARequestedName) {
    const Message chain = Read(kAda, {"OBJECTclass", "SN"});
    const std::unique_ptr<QEntry> entry = FirstEntry(chain);
    ASSERT_NE(nullptr, entry->ObjectClass());
    EXPECT_EQ((std::vector<std::string>{"person", "extensibleObject"}),
              Printed(*entry->ObjectClass()));
    QEntry::Position pos = entry->GetHeadPosition();
    ASSERT_NE(nullptr, pos);
    EXPECT_EQ("sn", entry->GetNextAttr(pos)->Type()->Name());
    EXPECT_EQ(nullptr, pos);
}

TEST_F(EntryTest, ValuesKeepTheirTerminatingZero) {
    const Message chain = Read(kAda);
    const std::unique_ptr<QEntry> entry = FirstEntry(chain);
    const QAttr* surname = entry->QueryGetAttr(manager.Table()->str2at("surname"));
    ASSERT_NE(nullptr, surname);
    harrow::PtrList<harrow::QValue> values;
    surname->GetValues(values);
    ASSERT_EQ(1u, values.GetCount());
    EXPECT_EQ(4u, values.GetHead()->Length());
    EXPECT_EQ(std::string("Doe", 4), std::string(values.GetHead()->Value(), 4));
}

TEST_F(EntryTest, ZeroByteInsideAValueDoesNotCutItShort) {
    const Message chain = Read(kAda);
    const std::unique_ptr<QEntry> entry = FirstEntry(chain);
    const QAttr* password = entry->QueryGetAttr(manager.Table()->str2at("userPassword"));
    ASSERT_NE(nullptr, password);
    harrow::PtrList<harrow::QValue> values;
    password->GetValues(values);
    ASSERT_EQ(1u, values.GetCount());
    ASSERT_EQ(4u, values.GetHead()->Length());
    EXPECT_EQ(std::string("a\0b", 4), std::string(values.GetHead()->Value(), 4));
    // The syntaxes read values as text, so the display form ends at the zero byte.
    EXPECT_EQ((std::vector<std::string>{"a"}), Printed(*password));
}

TEST_F(EntryTest, EntryHoldsOneReferenceWhileItLives) {
    const Message chain = Read(kAda);
    {
        const std::unique_ptr<QEntry> entry = FirstEntry(chain);
        EXPECT_EQ(1, References());
        const QEntry copy(*entry);
        EXPECT_EQ(2, References());
        EXPECT_EQ(1, copy.IsSet());
        EXPECT_EQ(1, copy.DN() == entry->DN());
        ASSERT_NE(nullptr, copy.ObjectClass());
        EXPECT_NE(entry->ObjectClass(), copy.ObjectClass());
        EXPECT_EQ(Printed(*entry->ObjectClass()), Printed(*copy.ObjectClass()));
        const QAttr* phones = copy.QueryGetAttr(manager.Table()->str2at("telephoneNumber"));
        ASSERT_NE(nullptr, phones);
        EXPECT_EQ(3u, phones->CountValues());
    }
    EXPECT_EQ(0, References());
}

TEST_F(EntryTest, MessageWithoutDNGivesAnUnsetEntry) {
    const Message chain = Read(kAda);
    LDAPMessage* result = ldap_first_message(handle.get(), chain.get());
    while (result != nullptr && ldap_msgtype(result) != LDAP_RES_SEARCH_RESULT) {
        result = ldap_next_message(handle.get(), result);
    }
    ASSERT_NE(nullptr, result);
    const QEntry entry(&manager, connId, handle.get(), result);
    EXPECT_EQ(0, entry.IsSet());
    EXPECT_EQ(nullptr, entry.ObjectClass());
    EXPECT_EQ(nullptr, entry.GetHeadPosition());
    EXPECT_EQ(0, References());
}

} // namespace
