// QError: the reason a directory operation failed, as one engine error code (0 for success,
// 1793 to 1838), with the sentence shown to the user and written to the log. It owns nothing.
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
    static constexpr unsigned long kLastEngineCode = 1838;

    QError() = default;
    explicit QError(unsigned long engineCode);
    // Folds an LDAP result code into the engine's codes; an engine code is kept as it is. The
    // message is accepted for the callers' convenience and not looked at.
    QError(int ldapResult, LDAPMessage* message);
    QError(const QError& other) = default;
    QError& operator=(const QError& other) = default;
    virtual ~QError();

    void Set(unsigned long newCode) { code = static_cast<std::uint32_t>(newCode); }
    unsigned long ErrorCode() const { return code; }

    // Sets text to the user sentence for the code.
    void Print(std::string& text) const;

private:
    std::uint32_t code = 0;
};

} // namespace harrow
