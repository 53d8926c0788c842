// QError: the reason a directory operation failed, as one engine error code (0 for success,
// 1793 to 1843), with the sentence shown to the user and written to the log, and the host that
// sentence names where it names one.
#pragma once

#include "access/ldapapi.h"
#include "harrow32_export.h"

#include <cstdint>
#include <string>

namespace harrow {

class HARROW32_EXPORT QError {
public:
    // The engine's own codes.
    static constexpr unsigned long kFirstEngineCode = 1793;
    static constexpr unsigned long kLastEngineCode = 1843;
    // The codes of refused sign-ins and of secure connections that could not be made; the
    // connection sentences name the server's host.
    static constexpr unsigned long kCredentialsRefused = 1839;
    static constexpr unsigned long kCertificateExpired = 1840;
    static constexpr unsigned long kCertificateWrongHost = 1841;
    static constexpr unsigned long kCertificateUnknownAuthority = 1842;
    static constexpr unsigned long kSecureConnectionFailed = 1843;

    QError() = default;
    explicit QError(unsigned long engineCode);
    // Folds an LDAP result code into the engine's codes; an engine code is kept as it is. The
    // message is accepted for the callers' convenience and not looked at.
    QError(int ldapResult, LDAPMessage* message);
    // An error about the connection to host.
    QError(unsigned long engineCode, const std::string& host);
    QError(const QError& other) = default;
    QError& operator=(const QError& other) = default;
    virtual ~QError();

    void Set(unsigned long newCode) { code = static_cast<std::uint32_t>(newCode); }
    unsigned long ErrorCode() const { return code; }
    const std::string& Host() const { return host; }

    // Sets text to the user sentence for the code.
    void Print(std::string& text) const;

private:
    std::uint32_t code = 0;
    std::string host;
};

} // namespace harrow
