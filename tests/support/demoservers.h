// DemoServers: the bundled demo directory, two throwaway slapd servers on loopback loaded from
// the demo LDIF, with a referral from one to the other. It owns both servers; the tests and the
// demo launcher share it, so both run against the same data and registry settings.
#pragma once

#include "support/testdirectory.h"

#include <string>

namespace larkspur::test {

class DemoServers {
public:
    static constexpr const char* kConfigDN = "ou=Larkspur Forms,dc=calder,dc=example";

    DemoServers();

    // Starts both servers and loads the demo data; false after recording why.
    bool Start();
    TestDirectory& Server1() { return server1; }
    TestDirectory& Server2() { return server2; }
    // The demo's registry file, in regedit's text format, for these servers.
    std::string RegistryText() const;
    // The demo's registry file naming another server as the one to load the forms from.
    static std::string RegistryTextFor(const TestDirectory& server);

private:
    // The demo files name the servers' address and ports through placeholders.
    std::string Filled(const std::string& text) const;
    static std::string Filled(const std::string& text, int port1, int port2);

    TestDirectory server1;
    TestDirectory server2;
};

} // namespace larkspur::test
