#include "shell/LS_VCard.h"

#include "platform/LS_Photo.h"

#include "model/qattr.h"
#include "model/qentry.h"
#include "model/qrdn.h"
#include "schema/qattrt.h"

#include <QStringList>

#include <string>

namespace {

const int foldOctets = 75;

const harrow::QAttr* FindAttr(const harrow::QEntry& entry, const char* name) {
    harrow::QEntry::Position position = entry.GetHeadPosition();
    while (position != nullptr) {
        const harrow::QAttr* attr = entry.GetNextAttr(position);
        if (attr->Type() && attr->Type()->HasName(name)) {
            return attr;
        }
    }
    return nullptr;
}

// The values printed, or in their raw form (a link's address rather than its label).
QStringList Values(const harrow::QEntry& entry, const char* name, bool raw = false) {
    QStringList texts;
    if (const harrow::QAttr* attr = FindAttr(entry, name)) {
        harrow::PtrList<harrow::QValue> values;
        attr->GetValues(values);
        for (const harrow::QValue* value : values) {
            std::string text;
            if (raw) {
                value->PrintRaw(text);
            } else {
                value->Print(text);
            }
            texts << QString::fromStdString(text);
        }
    }
    return texts;
}

QString First(const harrow::QEntry& entry, const char* name) {
    const QStringList values = Values(entry, name);
    return values.isEmpty() ? QString() : values.front();
}

// A text value with the four characters that mean something in a card escaped.
QString Escaped(QString text) {
    text.replace('\\', QStringLiteral("\\\\"));
    text.replace(',', QStringLiteral("\\,"));
    text.replace(';', QStringLiteral("\\;"));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    text.replace('\n', QStringLiteral("\\n"));
    return text;
}

QString Components(const QStringList& parts) {
    QStringList escaped;
    for (const QString& part : parts) {
        escaped << Escaped(part);
    }
    return escaped.join(';');
}

// Splits a line into pieces of at most 75 octets, never inside a UTF-8 character.
QByteArray Folded(const QByteArray& line) {
    QByteArray folded;
    qsizetype start = 0;
    int limit = foldOctets;
    while (line.size() - start > limit) {
        qsizetype end = start + limit;
        while (end > start && (static_cast<unsigned char>(line[end]) & 0xc0) == 0x80) {
            --end;
        }
        folded += line.mid(start, end - start) + "\r\n ";
        start = end;
        // The space that continues a line counts against its length.
        limit = foldOctets - 1;
    }
    return folded + line.mid(start) + "\r\n";
}

class Card {
public:
    void Add(const QString& property, const QString& value) {
        text += Folded((property + ':' + value).toUtf8());
    }
    QByteArray text;
};

void AddAddress(Card& card, const harrow::QEntry& entry) {
    for (const QString& postal : Values(entry, "postalAddress")) {
        QStringList lines;
        for (const QString& line : QString(postal).replace('$', '\n').split('\n')) {
            lines << line.trimmed();
        }
        card.Add(QStringLiteral("ADR;TYPE=work"),
                 Components({QString(), QString(), lines.join('\n'), QString(), QString(),
                             QString(), QString()}));
    }
    const QString street = First(entry, "street");
    const QString locality = First(entry, "l");
    const QString region = First(entry, "st");
    const QString code = First(entry, "postalCode");
    if (Values(entry, "postalAddress").isEmpty() &&
        !(street + locality + region + code).isEmpty()) {
        card.Add(
            QStringLiteral("ADR;TYPE=work"),
            Components({QString(), QString(), street, locality, region, code, First(entry, "c")}));
    }
}

void AddPhoto(Card& card, const harrow::QEntry& entry) {
    for (const char* name : {"jpegPhoto", "thumbnailPhoto", "photo"}) {
        const harrow::QAttr* attr = FindAttr(entry, name);
        if (!attr) {
            continue;
        }
        harrow::PtrList<harrow::QValue> values;
        attr->GetValues(values);
        for (const harrow::QValue* value : values) {
            const QByteArray bytes = LS_Photo::Bytes(*value);
            if (!bytes.isEmpty()) {
                card.Add(QStringLiteral("PHOTO"),
                         QStringLiteral("data:") + LS_Photo::MediaType(bytes) +
                             QStringLiteral(";base64,") + QString::fromLatin1(bytes.toBase64()));
                return;
            }
        }
    }
}

} // namespace

QString LS_VCard::DisplayName(const harrow::QEntry& entry) {
    harrow::QRDN rdn;
    entry.DN().GetRDN(rdn);
    harrow::QRDN::Position position = rdn.GetHeadRDNAttr();
    while (position != nullptr) {
        const harrow::QRDNAttr* pair = rdn.GetNextRDNAttr(position);
        if (pair->Type() && pair->Type()->HasName("cn") && pair->Value()) {
            std::string text;
            pair->Value()->Print(text);
            return QString::fromStdString(text);
        }
    }
    const QString cn = First(entry, "cn");
    if (!cn.isEmpty()) {
        return cn;
    }
    std::string friendly;
    rdn.GetFriendlyRDNString(friendly);
    return QString::fromStdString(friendly);
}

QByteArray LS_VCard::Write(const harrow::QEntry& entry) {
    Card card;
    card.Add(QStringLiteral("BEGIN"), QStringLiteral("VCARD"));
    card.Add(QStringLiteral("VERSION"), QStringLiteral("4.0"));
    card.Add(QStringLiteral("FN"), Escaped(DisplayName(entry)));
    const QString surname = First(entry, "sn");
    const QString given = First(entry, "givenName");
    if (!surname.isEmpty() || !given.isEmpty()) {
        card.Add(QStringLiteral("N"),
                 Components({surname, given, QString(), QString(), QString()}));
    }
    const QString organisation = First(entry, "o");
    if (!organisation.isEmpty()) {
        QStringList units{organisation};
        units << Values(entry, "ou");
        card.Add(QStringLiteral("ORG"), Components(units));
    }
    for (const QString& title : Values(entry, "title")) {
        card.Add(QStringLiteral("TITLE"), Escaped(title));
    }
    for (const QString& mail : Values(entry, "mail")) {
        card.Add(QStringLiteral("EMAIL;TYPE=work"), Escaped(mail));
    }
    const std::pair<const char*, const char*> phones[] = {
        {"telephoneNumber", "TEL;TYPE=work,voice"},
        {"mobile", "TEL;TYPE=cell"},
        {"facsimileTelephoneNumber", "TEL;TYPE=work,fax"}};
    for (const auto& [attribute, property] : phones) {
        for (const QString& number : Values(entry, attribute)) {
            card.Add(QString::fromLatin1(property), Escaped(number));
        }
    }
    AddAddress(card, entry);
    for (const QString& uri : Values(entry, "labeledURI", true)) {
        card.Add(QStringLiteral("URL"), uri);
    }
    AddPhoto(card, entry);
    card.Add(QStringLiteral("END"), QStringLiteral("VCARD"));
    return card.text;
}
