#include "access/referralurl.h"

#include <cctype>
#include <string_view>

namespace harrow {

namespace {

const char* TextOrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

std::string PercentEscaped(char c) {
    static const char* const digits = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    return {'%', digits[byte >> 4], digits[byte & 0xF]};
}

const char* ScopeWord(int scope) {
    return scope == LDAP_SCOPE_SUBTREE ? "sub" : "one";
}

// Percent-escaped except for letters, digits and "-._~"; an IPv6 literal, with its colons,
// goes in brackets, without which the port could not be told apart.
std::string UrlHost(const char* host) {
    const std::string name = TextOrEmpty(host);
    const bool literal = name.find(':') != std::string::npos;
    std::string escaped;
    for (char c : name) {
        const bool plain = std::isalnum(static_cast<unsigned char>(c)) != 0 ||
                           std::string_view("-._~").find(c) != std::string_view::npos ||
                           (literal && c == ':');
        escaped += plain ? std::string(1, c) : PercentEscaped(c);
    }
    return literal ? "[" + escaped + "]" : escaped;
}

// "%" and "?" would split or garble the URL; everything else a DN or a filter may hold stays as
// it is.
std::string EscapeUrlPart(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        escaped += c == '%' || c == '?' ? PercentEscaped(c) : std::string(1, c);
    }
    return escaped;
}

} // namespace

std::string ComposeReferralUrl(const LDAPURLDesc& referral, const std::string& filter) {
    // A referral to ldaps:// stays on TLS.
    const bool secure =
        referral.lud_scheme != nullptr && std::string(referral.lud_scheme) == "ldaps";
    return std::string(secure ? "ldaps://" : "ldap://") + UrlHost(referral.lud_host) + ":" +
           std::to_string(referral.lud_port) + "/" + EscapeUrlPart(TextOrEmpty(referral.lud_dn)) +
           "?objectClass?" + ScopeWord(referral.lud_scope) + "?" + EscapeUrlPart(filter);
}

} // namespace harrow
