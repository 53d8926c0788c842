#include "support/demoservers.h"

#include "support/testdata.h"

#include <cstdio>

namespace larkspur::test {

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

std::string EightHexDigits(int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(number));
    return digits;
}

// The change records of the LDIF text whose DN ends with the suffix.
std::string PhotosOf(const std::string& ldif, const std::string& suffix) {
    std::string records;
    size_t start = 0;
    while (start < ldif.size()) {
        size_t end = ldif.find("\n\n", start);
        end = end == std::string::npos ? ldif.size() : end + 2;
        const std::string record = ldif.substr(start, end - start);
        const size_t dnEnd = record.find('\n');
        if (record.compare(0, 4, "dn: ") == 0 && dnEnd != std::string::npos &&
            dnEnd >= suffix.size() &&
            record.compare(dnEnd - suffix.size(), suffix.size(), suffix) == 0) {
            records += record;
        }
        start = end;
    }
    return records;
}

} // namespace

DemoServers::DemoServers() : server1("dc=calder,dc=example"), server2("dc=fenwick,dc=example") {
    server1.WithoutSuffixEntry();
    server2.WithoutSuffixEntry();
}

std::string DemoServers::Filled(const std::string& text) const {
    return Filled(text, server1.Port(), server2.Port());
}

std::string DemoServers::Filled(const std::string& text, int port1, int port2) {
    std::string filled = Replaced(text, "@HOST@", TestDirectory::kHost);
    filled = Replaced(filled, "@SERVER1_PORT@", std::to_string(port1));
    filled = Replaced(filled, "@SERVER2_PORT@", std::to_string(port2));
    return Replaced(filled, "@SERVER1_PORT_HEX@", EightHexDigits(port1));
}

bool DemoServers::Start() {
    // The data names both servers' ports, which are known only once both run.
    if (!server1.Start() || !server2.Start() ||
        !server1.ApplyLdif(Filled(ReadFile(DataPath("ldif/demo-server1.ldif")))) ||
        !server2.ApplyLdif(Filled(ReadFile(DataPath("ldif/demo-server2.ldif"))))) {
        return false;
    }
    // The portraits are drawn when the program is built; without it the people have none.
    const std::string photos = ReadFile(LARKSPUR_DEMO_PHOTOS);
    return photos.empty() || (server1.ApplyLdif(PhotosOf(photos, "dc=calder,dc=example")) &&
                              server2.ApplyLdif(PhotosOf(photos, "dc=fenwick,dc=example")));
}

std::string DemoServers::RegistryText() const {
    return Filled(ReadFile(DataPath("demo/Larkspur.reg.in")));
}

std::string DemoServers::RegistryTextFor(const TestDirectory& server) {
    return Filled(ReadFile(DataPath("demo/Larkspur.reg.in")), server.Port(), server.Port());
}

} // namespace larkspur::test
