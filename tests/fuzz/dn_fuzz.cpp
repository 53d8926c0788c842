// DNs as servers and the configuration hand them over: whatever the text, a DN's copy equals the
// DN, and the printed form parses back to an equal DN wherever printing can carry the DN.
#include "fuzzsupport.h"

#include "model/qdn.h"
#include "model/qrdn.h"
#include "model/qrdnattr.h"
#include "model/qvalue.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using harrow::QDN;
using harrow::QRDN;
using harrow::QRDNAttr;
using larkspur::fuzz::Require;

std::string Printed(const QDN& dn) {
    std::string text;
    dn.GetDN(text);
    return text;
}

// A "+" that no backslash escapes: a value holds one only when its RDN's rest began with a "+",
// which is then no separator.
bool HasBarePlus(const std::string& value) {
    for (std::string::size_type plus = value.find('+'); plus != std::string::npos;
         plus = value.find('+', plus + 1)) {
        if (plus == 0 || value[plus - 1] != '\\') {
            return true;
        }
    }
    return false;
}

bool PrintsAsStored(const QRDNAttr& pair) {
    std::string shown;
    pair.Value()->Print(shown);
    return shown == pair.Value()->Value() && (shown.empty() || shown.back() != '\\') &&
           !HasBarePlus(shown);
}

// Printing writes each value's display form as it is, unescaped. That parses back to the same
// DN only when every display form is the stored text (a list's "$" prints as a line feed, a
// labeled URI as its label), no value ends in a backslash (which would escape the separator
// printed after it) or holds a bare "+" (which would separate pairs), the printed text does not end
// in a slash (which the parser strips) and the DN is not one RDN without pairs (which prints as the
// empty text, the unset DN).
bool PrintsFaithfully(const QDN& dn, const std::string& printed) {
    if (!printed.empty() && printed.back() == '/') {
        return false;
    }
    unsigned int pairs = 0;
    for (QDN::Position rdnPos = dn.GetHeadRDNPosition(); rdnPos != nullptr;) {
        const QRDN* rdn = dn.GetNextRDN(rdnPos);
        for (QRDN::Position pairPos = rdn->GetHeadRDNAttr(); pairPos != nullptr; ++pairs) {
            if (!PrintsAsStored(*rdn->GetNextRDNAttr(pairPos))) {
                return false;
            }
        }
    }
    return dn.GetRDNCount() != 1 || pairs != 0;
}

void CheckCopies(const QDN& dn, const std::string& input) {
    const QDN constructed(dn);
    Require(constructed.GetRDNCount() == dn.GetRDNCount() && constructed == dn,
            "a copied DN equals the original", input + "\ncopy: " + Printed(constructed));
    QDN assigned;
    assigned = dn;
    Require(assigned.GetRDNCount() == dn.GetRDNCount() && assigned == dn,
            "an assigned DN equals the original", input + "\ncopy: " + Printed(assigned));
}

void CheckReparse(const QDN& dn, const std::string& input) {
    const std::string printed = Printed(dn);
    QDN again;
    again.SetDN(&larkspur::fuzz::Manager(), larkspur::fuzz::ConnectionId(), printed);
    if (PrintsFaithfully(dn, printed)) {
        Require(again.GetRDNCount() == dn.GetRDNCount() && again == dn,
                "the printed DN parses back to an equal DN",
                input + "\nprinted: " + printed + "\nagain: " + Printed(again));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const larkspur::fuzz::Diagnostics unknownTypes;
    // DNs reach the parser as C strings, from libldap or the configuration.
    std::string input(reinterpret_cast<const char*>(data), size);
    input.resize(input.find('\0') == std::string::npos ? size : input.find('\0'));
    QDN dn;
    dn.SetDN(&larkspur::fuzz::Manager(), larkspur::fuzz::ConnectionId(), input);
    std::string friendly;
    dn.GetFriendlyDN(friendly);
    QRDN first;
    dn.GetRDN(first);
    // A labeled URI never equals anything, itself included; there is nothing to compare then.
    if (dn == dn) {
        CheckCopies(dn, input);
        CheckReparse(dn, input);
    }
    return 0;
}
