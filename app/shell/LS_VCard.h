// LS_VCard: an entry as a vCard 4.0 object (RFC 6350), for saving the person in the entry view
// to an address book. It owns nothing; the entry stays the caller's.
#pragma once

#include <QByteArray>
#include <QString>

namespace harrow {
class QEntry;
}

class LS_VCard {
public:
    // The card's text, lines ended with CRLF and folded at 75 octets, in UTF-8.
    static QByteArray Write(const harrow::QEntry& entry);
    // The card's display name: the common name in the RDN, else the first one, else the RDN.
    static QString DisplayName(const harrow::QEntry& entry);
};
