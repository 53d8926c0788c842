#include "access/referralurl.h"

namespace harrow {

namespace {

const char* TextOrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

const char* ScopeWord(int scope) {
    return scope == LDAP_SCOPE_SUBTREE ? "sub" : "one";
}

// "%" and "?" would split or garble the URL; everything else a DN or a filter may hold stays as
// it is.
std::string EscapeUrlPart(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '%') {
            escaped += "%25";
        } else if (c == '?') {
            escaped += "%3F";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

std::string ComposeReferralUrl(const LDAPURLDesc& referral, const std::string& filter) {
    return "ldap://" + std::string(TextOrEmpty(referral.lud_host)) + ":" +
           std::to_string(referral.lud_port) + "/" + EscapeUrlPart(TextOrEmpty(referral.lud_dn)) +
           "?objectClass?" + ScopeWord(referral.lud_scope) + "?" + EscapeUrlPart(filter);
}

} // namespace harrow
