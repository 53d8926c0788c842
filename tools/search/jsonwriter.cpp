#include "search/jsonwriter.h"

#include "model/qattr.h"
#include "model/qentry.h"
#include "schema/qattrt.h"
#include "search/ldifwriter.h"

#include <algorithm>

namespace larkspur::search {

JsonWriter::JsonWriter(std::FILE* out, std::vector<AttributeColumn> chosen)
    : stream(out), columns(std::move(chosen)) {}

void JsonWriter::Write(const harrow::QEntry& entry) {
    line = "{";
    const std::string_view dn = entry.DN().Text();
    if (IsUtf8(dn)) {
        AppendString("dn");
        line += ':';
        AppendString(dn);
    } else {
        AppendString("dn;base64");
        line += ':';
        AppendString(Base64(dn));
    }
    for (const harrow::QAttr* attribute : ChosenAttributes(entry, columns)) {
        AppendMember(attribute->Type()->Name(), ValuesOf(*attribute));
    }
    line += "}\n";
    std::fwrite(line.data(), 1, line.size(), stream);
}

void JsonWriter::AppendMember(const std::string& name,
                              const std::vector<std::string_view>& values) {
    const bool text = std::all_of(values.begin(), values.end(), IsUtf8);
    line += ',';
    AppendString(text ? name : name + ";base64");
    line += ":[";
    for (size_t i = 0; i < values.size(); ++i) {
        line += i == 0 ? "" : ",";
        AppendString(text ? std::string(values[i]) : Base64(values[i]));
    }
    line += ']';
}

void JsonWriter::AppendString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    line += '"';
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            line += '\\';
            line += c;
        } else if (byte < 0x20) {
            line += "\\u00";
            line += kHex[byte >> 4];
            line += kHex[byte & 15];
        } else {
            line += c;
        }
    }
    line += '"';
}

} // namespace larkspur::search
