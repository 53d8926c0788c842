// LDAP URLs as they come from the directory, as base points of search classes and as referrals:
// a URL that libldap parses is rebuilt into one that parses again to the same host, port, DN and
// filter, and a base point made from it names that host, port and DN.
#include "fuzzsupport.h"

#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qconnection.h"
#include "access/referralurl.h"
#include "forms/qsearchclass.h"
#include "model/qdn.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using harrow::ldapapi::ParseUrl;
using harrow::ldapapi::UrlDesc;
using larkspur::fuzz::Require;

std::string TextOrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

std::string Parts(const LDAPURLDesc& url) {
    return "host " + TextOrEmpty(url.lud_host) + ", port " + std::to_string(url.lud_port) +
           ", DN " + TextOrEmpty(url.lud_dn) + ", filter " + TextOrEmpty(url.lud_filter);
}

// A URL of another scheme (ldapi) may have no port, 0, where the rebuilt ldap URL has the LDAP
// port, as the connection made for it does.
int RebuiltPort(const LDAPURLDesc& referral) {
    return referral.lud_port != 0 ? referral.lud_port : LDAP_PORT;
}

void CheckReferral(const LDAPURLDesc& referral, const std::string& input) {
    const std::string filter = TextOrEmpty(referral.lud_filter);
    const std::string rebuilt = harrow::ComposeReferralUrl(referral, filter);
    const UrlDesc again = ParseUrl(rebuilt);
    Require(static_cast<bool>(again), "a rebuilt referral URL parses", input + "\n" + rebuilt);
    Require(TextOrEmpty(again->lud_host) == TextOrEmpty(referral.lud_host) &&
                again->lud_port == RebuiltPort(referral) &&
                TextOrEmpty(again->lud_dn) == TextOrEmpty(referral.lud_dn) &&
                TextOrEmpty(again->lud_filter) == filter,
            "a rebuilt referral URL has the same host, port, DN and filter",
            input + "\n" + Parts(referral) + "\n" + rebuilt + "\n" + Parts(*again));
}

// On a manager of its own, since every new host and port adds a connection for good. Its table
// is empty, so DNs keep their RDNs but no pairs: the DN target looks into those.
void CheckBasePoint(const LDAPURLDesc& url, const std::string& input) {
    harrow::QDSManager manager;
    const harrow::QSearchClass searchClass(&manager, "Base", input);
    harrow::QDN base;
    Require(searchClass.IsSpecific(base) == 1, "a URL search class is a base point", input);
    // The manager's first and only connection.
    const harrow::QConnection* connection = manager.BindManager()->ConnectionAt(0);
    Require(connection->ID() == base.GetConnID() &&
                connection->Host() == TextOrEmpty(url.lud_host) &&
                connection->Port() == url.lud_port,
            "a base point is on the URL's host and port", input + "\n" + Parts(url));
    harrow::QDN expected;
    expected.SetDN(&manager, base.GetConnID(), TextOrEmpty(url.lud_dn));
    Require(base.IsSet() == expected.IsSet() && base.GetRDNCount() == expected.GetRDNCount(),
            "a base point has the URL's DN", input + "\n" + Parts(url));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const larkspur::fuzz::Diagnostics unknownTypes;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const UrlDesc url = ParseUrl(input);
    if (!url) {
        return 0;
    }
    CheckReferral(*url, input);
    CheckBasePoint(*url, input);
    return 0;
}
