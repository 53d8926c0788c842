#include "support/testcertificates.h"

#include "support/testdata.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace larkspur::test {

namespace {

const char* const kKeyOptions = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

const char* Name(TestCertificates::Server server) {
    switch (server) {
    case TestCertificates::Server::Good:
        return "good";
    case TestCertificates::Server::OtherHost:
        return "otherhost";
    case TestCertificates::Server::Expired:
        return "expired";
    case TestCertificates::Server::UnknownAuthority:
        return "unknown";
    }
    return "good";
}

} // namespace

TestCertificates::~TestCertificates() {
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

TestCertificates& TestCertificates::Shared() {
    static TestCertificates certificates;
    return certificates;
}

bool TestCertificates::Make() {
    if (made) {
        return true;
    }
    std::string pattern = (std::filesystem::temp_directory_path() /
                           ("larkspur-certs-" + std::to_string(getpid()) + "-XXXXXX"))
                              .string();
    if (mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot create a folder for the test certificates";
        return false;
    }
    folder = pattern;
    const std::string local = "IP:127.0.0.1,DNS:localhost";
    made =
        MakeAuthority("ca") && MakeAuthority("stranger") && MakeServer("good", "ca", local, "2") &&
        MakeServer("otherhost", "ca", "DNS:ldap.elsewhere.example", "2") &&
        MakeServer("expired", "ca", local, "-1") && MakeServer("unknown", "stranger", local, "2");
    return made;
}

std::string TestCertificates::CertificateFile(Server server) const {
    return folder + "/" + Name(server) + ".pem";
}

std::string TestCertificates::KeyFile(Server server) const {
    return folder + "/" + Name(server) + ".key";
}

bool TestCertificates::MakeAuthority(const std::string& name) {
    const std::string base = folder + "/" + name;
    return Openssl("req -x509 " + std::string(kKeyOptions) + " -keyout " + base + ".key -out " +
                   base + ".pem -days 2 -subj /CN=Larkspur-" + name);
}

bool TestCertificates::MakeServer(const std::string& name, const std::string& authority,
                                  const std::string& subjectAltName, const std::string& days) {
    const std::string base = folder + "/" + name;
    const std::string ca = folder + "/" + authority;
    std::ofstream(base + ".ext") << "subjectAltName=" << subjectAltName << "\n";
    // A negative validity ends before it starts, which is as expired as a certificate gets.
    return Openssl("req " + std::string(kKeyOptions) + " -keyout " + base + ".key -out " + base +
                   ".csr -subj /CN=" + name) &&
           Openssl("x509 -req -in " + base + ".csr -CA " + ca + ".pem -CAkey " + ca +
                   ".key -CAcreateserial -out " + base + ".pem -days " + days + " -extfile " +
                   base + ".ext");
}

bool TestCertificates::Openssl(const std::string& arguments) {
    std::vector<std::string> argv{"/usr/bin/openssl"};
    for (const std::string& word : Words(arguments)) {
        argv.push_back(word);
    }
    const std::string output = folder + "/openssl.log";
    if (RunProgram(argv, output) == 0) {
        return true;
    }
    ADD_FAILURE() << "openssl " << arguments << " failed:\n" << ReadFile(output);
    return false;
}

} // namespace larkspur::test
