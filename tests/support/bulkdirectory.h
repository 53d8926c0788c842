// BulkDirectory: a throwaway slapd holding many people and one search form, "People", whose only
// field, Name, searches them all, for searches large enough to show how the program copes with
// many results. It owns the server; its registry file is the demo's, naming this server.
#pragma once

#include "support/testdirectory.h"

#include <string>

namespace larkspur::test {

class BulkDirectory {
public:
    static constexpr const char* kSuffix = "dc=calder,dc=example";
    static constexpr const char* kPeople = "ou=People,dc=calder,dc=example";
    // Every person's name holds this word; every tenth person's also holds kTenthWord.
    static constexpr const char* kEveryoneWord = "person";
    static constexpr const char* kTenthWord = "tenth";

    BulkDirectory();

    // Loads the people and starts the server; false after recording why.
    bool Start(int people);
    TestDirectory& Server() { return server; }
    const TestDirectory& Server() const { return server; }
    // The demo's registry file with this server as the one to load the forms from.
    std::string RegistryText() const;
    // The filter the form sends for a name, for comparing with other LDAP clients.
    static std::string FilterFor(const std::string& name);

private:
    TestDirectory server;
};

} // namespace larkspur::test
