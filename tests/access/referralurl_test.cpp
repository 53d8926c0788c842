#include "access/ldapapi.h"
#include "access/referralurl.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using harrow::ComposeReferralUrl;
using harrow::ldapapi::ParseUrl;
using harrow::ldapapi::UrlDesc;

std::string TextOrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

TEST(ReferralUrlTest, NamesServerBaseScopeAndFilter) {
    const UrlDesc referral = ParseUrl("ldap://127.0.0.1:3890/o=Test??sub");
    ASSERT_TRUE(referral);
    EXPECT_EQ("ldap://127.0.0.1:3890/o=Test?objectClass?sub?(cn=*a*)",
              ComposeReferralUrl(*referral, "(cn=*a*)"));
    const UrlDesc ipv6 = ParseUrl("ldap://[::1]:389/o=Test");
    ASSERT_TRUE(ipv6);
    EXPECT_EQ("ldap://[::1]:389/o=Test?objectClass?one?(objectclass=*)",
              ComposeReferralUrl(*ipv6, "(objectclass=*)"));
}

// Found by fuzzing: hosts were written unescaped, so a colon (an IPv6 literal, an ldapi socket
// path) or a slash in the host garbled the rebuilt URL.
TEST(ReferralUrlTest, RebuiltURLsParseBackToTheSameParts) {
    for (const char* url : {"ldapi://ldapcis://063.0.0.1:389/ou=Lp", "ldap://[fe80::1%25eth0]/",
                            "ldap://a%2Fb%3Fc:1/o=x%3Fy", "ldap:///o=Test"}) {
        SCOPED_TRACE(url);
        const UrlDesc referral = ParseUrl(url);
        ASSERT_TRUE(referral);
        const std::string rebuilt = ComposeReferralUrl(*referral, "(cn=a?b%)");
        const UrlDesc again = ParseUrl(rebuilt);
        ASSERT_TRUE(again) << rebuilt;
        EXPECT_EQ(TextOrEmpty(referral->lud_host), TextOrEmpty(again->lud_host));
        // An ldapi URL has no port; the rebuilt ldap URL has the LDAP port.
        EXPECT_EQ(referral->lud_port != 0 ? referral->lud_port : LDAP_PORT, again->lud_port);
        EXPECT_EQ(TextOrEmpty(referral->lud_dn), TextOrEmpty(again->lud_dn));
        EXPECT_EQ("(cn=a?b%)", TextOrEmpty(again->lud_filter));
    }
}

} // namespace
