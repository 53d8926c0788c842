// TestCertificates: a throwaway test certificate authority and server certificates, made with
// openssl when first asked for. It owns their private folder and removes it when it goes.
#pragma once

#include <string>

namespace larkspur::test {

class TestCertificates {
public:
    // The certificates the tests need; every one except Good fails verification in its own way.
    enum class Server {
        Good,            // for 127.0.0.1 and localhost, from the test authority
        OtherHost,       // for ldap.elsewhere.example only
        Expired,         // for 127.0.0.1, from the test authority, validity over yesterday
        UnknownAuthority // for 127.0.0.1, from an authority no client trusts
    };

    TestCertificates() = default;
    ~TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    // One set per test program: making keys costs more than reusing them.
    static TestCertificates& Shared();

    // Makes everything; false after recording a test failure with openssl's output.
    bool Make();
    // The test authority's certificate (PEM), which clients are told to trust.
    std::string AuthorityFile() const { return folder + "/ca.pem"; }
    std::string CertificateFile(Server server) const;
    std::string KeyFile(Server server) const;

private:
    bool MakeAuthority(const std::string& name);
    bool MakeServer(const std::string& name, const std::string& authority,
                    const std::string& subjectAltName, const std::string& days);
    bool Openssl(const std::string& arguments);

    std::string folder;
    bool made = false;
};

} // namespace larkspur::test
