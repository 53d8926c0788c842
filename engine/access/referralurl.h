// The LDAP URL under which the engine passes on and logs a referral: the referred server, base
// and scope with the search's own filter, written so that it parses back to the same parts.
#pragma once

#include "harrow32_export.h"

#include <ldap.h>

#include <string>

namespace harrow {

// "ldap://host:port/dn?objectClass?scope?filter" (ldaps:// for a referral to ldaps://), the
// scope word "sub" for a subtree referral and "one" for any other.
HARROW32_EXPORT std::string ComposeReferralUrl(const LDAPURLDesc& referral,
                                               const std::string& filter);

} // namespace harrow
