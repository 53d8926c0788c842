#include "search/ldifwriter.h"

#include "model/qattr.h"
#include "model/qentry.h"
#include "schema/qattrt.h"

namespace larkspur::search {

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

LdifWriter::LdifWriter(std::FILE* out, std::vector<AttributeColumn> chosen)
    : stream(out), columns(std::move(chosen)) {}

void LdifWriter::Write(const harrow::QEntry& entry) {
    Record(entry);
    std::fwrite(record.data(), 1, record.size(), stream);
}

const std::string& LdifWriter::Record(const harrow::QEntry& entry) {
    record.clear();
    AppendLine("dn", entry.DN().Text());
    for (const harrow::QAttr* attribute : ChosenAttributes(entry, columns)) {
        const std::string name = attribute->Type()->Name();
        for (std::string_view value : ValuesOf(*attribute)) {
            AppendLine(name, value);
        }
    }
    record += '\n';
    return record;
}

void LdifWriter::Finish(int matches, int totalOperations, int failedOperations) {
    std::fprintf(stream, "# matches: %d\n# operations: %d made, %d succeeded, %d failed\n", matches,
                 totalOperations, totalOperations - failedOperations, failedOperations);
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
