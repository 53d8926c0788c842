#include "search/ldifwriter.h"

#include "model/qattr.h"
#include "model/qentry.h"
#include "model/qvalue.h"
#include "ptrlist.h"
#include "schema/qattrt.h"

namespace larkspur::search {

namespace {

// Values from the directory end with the zero byte the engine keeps after the text.
std::string_view ValueText(const harrow::QValue& value) {
    unsigned long length = value.Length();
    if (length > 0 && value.Value()[length - 1] == '\0') {
        --length;
    }
    return std::string_view(value.Value(), length);
}

} // namespace

bool NeedsBase64(std::string_view value) {
    if (value.empty()) {
        return false;
    }
    const unsigned char first = static_cast<unsigned char>(value.front());
    if (first == ' ' || first == ':' || first == '<' || value.back() == ' ') {
        return true;
    }
    for (char c : value) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte == '\0' || byte == '\n' || byte == '\r' || byte > 127) {
            return true;
        }
    }
    return false;
}

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned long group = static_cast<unsigned char>(bytes[i]) << 16 |
                                    static_cast<unsigned char>(bytes[i + 1]) << 8 |
                                    static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(group >> 18) & 63];
        out += kDigits[(group >> 12) & 63];
        out += kDigits[(group >> 6) & 63];
        out += kDigits[group & 63];
    }
    if (i < bytes.size()) {
        unsigned long group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) {
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        out += kDigits[(group >> 18) & 63];
        out += kDigits[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

LdifWriter::LdifWriter(std::FILE* out) : stream(out) {}

void LdifWriter::Write(const harrow::QEntry& entry) {
    Record(entry);
    std::fwrite(record.data(), 1, record.size(), stream);
}

const std::string& LdifWriter::Record(const harrow::QEntry& entry) {
    record.clear();
    std::string dn;
    entry.DN().GetDN(dn);
    AppendLine("dn", dn);
    if (entry.ObjectClass() != nullptr) {
        AppendAttribute(*entry.ObjectClass());
    }
    harrow::QEntry::Position pos = entry.GetHeadPosition();
    while (pos != nullptr) {
        AppendAttribute(*entry.GetNextAttr(pos));
    }
    record += '\n';
    return record;
}

void LdifWriter::Comment(const std::string& text) {
    std::fprintf(stream, "# %s\n", text.c_str());
}

void LdifWriter::AppendAttribute(const harrow::QAttr& attribute) {
    const std::string name = attribute.Type()->Name();
    harrow::PtrList<harrow::QValue> values;
    attribute.GetValues(values);
    for (const harrow::QValue* value : values) {
        AppendLine(name, ValueText(*value));
    }
}

void LdifWriter::AppendLine(std::string_view name, std::string_view value) {
    record += name;
    if (NeedsBase64(value)) {
        record += ":: ";
        record += Base64(value);
    } else {
        record += ": ";
        record += value;
    }
    record += '\n';
}

} // namespace larkspur::search
