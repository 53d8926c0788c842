#include "support/bulkdirectory.h"

#include "support/demoservers.h"

#include <cstdio>
#include <sstream>

namespace larkspur::test {

namespace {

std::string PeopleLdif(int people) {
    std::ostringstream ldif;
    ldif << "dn: " << BulkDirectory::kPeople << "\nobjectClass: organizationalUnit\nou: People\n\n";
    char number[16];
    for (int i = 1; i <= people; ++i) {
        std::snprintf(number, sizeof number, "%06d", i);
        const std::string name = std::string("Person ") + number + (i % 10 == 0 ? " Tenth" : "");
        ldif << "dn: cn=" << name << "," << BulkDirectory::kPeople
             << "\nobjectClass: inetOrgPerson\ncn: " << name << "\nsn: " << number
             << "\nmail: person" << i << "@calder.example\ntelephoneNumber: +44 131 " << number
             << "\n\n";
    }
    return ldif.str();
}

std::string FormsLdif(const TestDirectory& server) {
    const std::string forms = DemoServers::kConfigDN;
    const std::string ruleSet = "cn=Bulk," + forms;
    std::ostringstream ldif;
    ldif << "dn: " << forms << "\nobjectClass: organizationalUnit\nou: Larkspur Forms\n\n"
         << "dn: " << ruleSet << "\nobjectClass: lsRuleSet\ncn: Bulk\n\n"
         << "dn: cn=People," << ruleSet << "\nobjectClass: lsSearchClass\ncn: People\n"
         << "lsLDAPURI: " << server.UrlFor(BulkDirectory::kPeople) << "\n"
         << "lsSearchClassList: Person\n\n"
         << "dn: cn=Person," << ruleSet << "\nobjectClass: lsSearchClass\ncn: Person\n"
         << "lsObjectClassDefinition: inetOrgPerson\n\n"
         << "dn: cn=People," << forms << "\nobjectClass: lsSearchForm\ncn: People\n"
         << "lsRuleSetName: Bulk\nlsInputList: Person\n\n"
         << "dn: cn=Person,cn=People," << forms << "\nobjectClass: lsFormInput\ncn: Person\n"
         << "lsSearchClassName: Person\nlsFieldList: Name\n\n"
         << "dn: cn=Name,cn=Person,cn=People," << forms << "\nobjectClass: lsFormField\n"
         << "cn: Name\nlsFiltAttrList: cn\n";
    return ldif.str();
}

} // namespace

BulkDirectory::BulkDirectory() : server(kSuffix) {
    server.AddGlobalConfig("sizelimit unlimited");
}

bool BulkDirectory::Start(int people) {
    server.LoadLdif(PeopleLdif(people));
    // The forms name the server's port, which is known only once it runs.
    return server.Start() && server.ApplyLdif(FormsLdif(server));
}

std::string BulkDirectory::RegistryText() const {
    return DemoServers::RegistryTextFor(server);
}

std::string BulkDirectory::FilterFor(const std::string& name) {
    return "(&(objectclass=inetOrgPerson)(cn=*" + name + "*))";
}

} // namespace larkspur::test
