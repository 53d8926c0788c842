#include "search/vcardwriter.h"

#include "model/qattr.h"
#include "model/qentry.h"
#include "schema/oidtable.h"
#include "schema/schematext.h"

namespace larkspur::search {

namespace {

// The text values of the named attribute, in server order.
std::vector<std::string_view> TextValues(const harrow::QEntry& entry, const char* name) {
    const harrow::QAttr* attribute =
        entry.Table() == nullptr ? nullptr : FindAttribute(entry, entry.Table()->str2at(name));
    std::vector<std::string_view> values;
    if (attribute != nullptr) {
        for (std::string_view value : ValuesOf(*attribute)) {
            if (IsUtf8(value)) {
                values.push_back(value);
            }
        }
    }
    return values;
}

std::string First(const std::vector<std::string_view>& values) {
    return values.empty() ? std::string() : std::string(values.front());
}

bool IsOrganisation(const harrow::QEntry& entry) {
    for (std::string_view objectClass : TextValues(entry, "objectClass")) {
        const std::string name(objectClass);
        if (harrow::EqualsIgnoringCase(name, "organization") ||
            harrow::EqualsIgnoringCase(name, "organizationalUnit")) {
            return true;
        }
    }
    return false;
}

// The name to show: cn, else the organisation's or unit's name, else the DN.
std::string FormattedName(const harrow::QEntry& entry) {
    for (const char* name : {"cn", "o", "ou"}) {
        if (const std::vector<std::string_view> values = TextValues(entry, name); !values.empty()) {
            return std::string(values.front());
        }
    }
    return entry.DN().Text();
}

// A labeledURI value is the URI, optionally followed by a space and a label.
std::string_view UriOf(std::string_view labeledUri) {
    return labeledUri.substr(0, labeledUri.find(' '));
}

} // namespace

std::string VcardText(std::string_view value) {
    std::string text;
    for (char c : value) {
        if (c == '\\' || c == ',' || c == ';') {
            text += '\\';
            text += c;
        } else if (c == '\n') {
            text += "\\n";
        } else if (c != '\r') {
            text += c;
        }
    }
    return text;
}

VcardWriter::VcardWriter(std::FILE* out) : stream(out) {}

void VcardWriter::Write(const harrow::QEntry& entry) {
    card.clear();
    AppendLine("BEGIN", "VCARD");
    AppendLine("VERSION", "4.0");
    if (IsOrganisation(entry)) {
        AppendLine("KIND", "org");
    }
    AppendLine("FN", VcardText(FormattedName(entry)));
    const std::string surname = First(TextValues(entry, "sn"));
    const std::string given = First(TextValues(entry, "givenName"));
    if (!surname.empty() || !given.empty()) {
        AppendLine("N", VcardText(surname) + ";" + VcardText(given) + ";;;");
    }
    const std::string organisation = First(TextValues(entry, "o"));
    const std::string unit = First(TextValues(entry, "ou"));
    if (!organisation.empty() && !IsOrganisation(entry)) {
        AppendLine("ORG", VcardText(organisation) + (unit.empty() ? "" : ";" + VcardText(unit)));
    }
    const std::pair<const char*, const char*> properties[] = {
        {"title", "TITLE"},
        {"mail", "EMAIL"},
        {"telephoneNumber", "TEL;VALUE=text;TYPE=work"},
        {"mobile", "TEL;VALUE=text;TYPE=cell"},
        {"facsimileTelephoneNumber", "TEL;VALUE=text;TYPE=fax"},
        {"description", "NOTE"},
    };
    for (const auto& [attribute, property] : properties) {
        for (std::string_view value : TextValues(entry, attribute)) {
            AppendLine(property, VcardText(value));
        }
    }
    for (std::string_view value : TextValues(entry, "labeledURI")) {
        AppendLine("URL", std::string(UriOf(value)));
    }
    AppendLine("END", "VCARD");
    std::fwrite(card.data(), 1, card.size(), stream);
}

// Folding never splits a UTF-8 sequence: a line breaks before a byte that starts a character.
void VcardWriter::AppendLine(const std::string& name, const std::string& value) {
    const std::string line = name + ":" + value;
    constexpr size_t kLongest = 75;
    size_t lineLength = 0;
    for (char c : line) {
        const bool startsCharacter = (static_cast<unsigned char>(c) & 0xc0) != 0x80;
        if (startsCharacter && lineLength >= kLongest - 3) {
            card += "\r\n ";
            lineLength = 1;
        }
        card += c;
        ++lineLength;
    }
    card += "\r\n";
}

} // namespace larkspur::search
