#include "search/columnchoice.h"

#include "schema/oidtable.h"
#include "schema/schematext.h"
#include "search/searchoptions.h"

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace larkspur::search {

namespace {

struct RegistryColumn {
    std::string attribute;
    // The column's ":RDN": the value in the entry's RDN comes first.
    bool preferRdn = false;
};

constexpr const char* kKey =
    "[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Entry List Columns]";

void AppendUtf8(char32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xc0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xe0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3f));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    }
}

// regedit saves UTF-16 with a byte order mark; files written by hand are UTF-8.
std::string AsUtf8(const std::string& raw) {
    if (raw.rfind("\xff\xfe", 0) != 0) {
        return raw.rfind("\xef\xbb\xbf", 0) == 0 ? raw.substr(3) : raw;
    }
    std::string text;
    for (size_t i = 2; i + 1 < raw.size(); i += 2) {
        char32_t unit = static_cast<unsigned char>(raw[i]) | static_cast<unsigned char>(raw[i + 1])
                                                                 << 8;
        if (unit >= 0xd800 && unit < 0xdc00 && i + 3 < raw.size()) {
            const char32_t low = static_cast<unsigned char>(raw[i + 2]) |
                                 static_cast<unsigned char>(raw[i + 3]) << 8;
            unit = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
            i += 2;
        }
        AppendUtf8(unit, text);
    }
    return text;
}

// A quoted text with regedit's escapes \\ and \", starting at position; false when malformed.
bool ReadQuoted(const std::string& line, size_t& position, std::string& text) {
    if (position >= line.size() || line[position] != '"') {
        return false;
    }
    text.clear();
    for (++position; position < line.size(); ++position) {
        char c = line[position];
        if (c == '"') {
            ++position;
            return true;
        }
        if (c == '\\' && position + 1 < line.size()) {
            c = line[++position];
        }
        text += c;
    }
    return false;
}

// The string values of the key, by name in lower case (value names ignore letter case).
std::map<std::string, std::string> KeyValues(const std::string& text, bool& found) {
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    bool inKey = false;
    found = false;
    for (std::string line; std::getline(lines, line);) {
        line = harrow::Trimmed(line);
        if (!line.empty() && line.front() == '[') {
            inKey = harrow::EqualsIgnoringCase(line, kKey);
            found = found || inKey;
            continue;
        }
        size_t position = 0;
        std::string name;
        std::string value;
        if (inKey && ReadQuoted(line, position, name) && position < line.size() &&
            line[position] == '=' && ReadQuoted(line, ++position, value)) {
            values[harrow::LowerCased(name)] = value;
        }
    }
    return values;
}

// The columns in "Column List" order; nothing, with error set, when the file cannot be read or
// does not hold the key, the list or one of its columns.
std::optional<std::vector<RegistryColumn>> ReadEntryListColumns(const std::string& path,
                                                                std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read the registry file '" + path + "'";
        return std::nullopt;
    }
    const std::string raw{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    bool found = false;
    const std::map<std::string, std::string> values = KeyValues(AsUtf8(raw), found);
    const auto list = values.find("column list");
    if (!found || list == values.end()) {
        error =
            "the registry file '" + path + "' has no \"Entry List Columns\" with a \"Column List\"";
        return std::nullopt;
    }
    std::vector<RegistryColumn> columns;
    harrow::QStringList names;
    names.SetSplitString(list->second, ',');
    for (const std::string& name : names) {
        const auto column = values.find(harrow::LowerCased(harrow::Trimmed(name)));
        harrow::QStringList parts;
        if (column != values.end()) {
            parts.SetSplitString(column->second, ':');
        }
        if (parts.empty() || parts.front().empty()) {
            error =
                "the registry file '" + path + "' has no column \"" + harrow::Trimmed(name) + "\"";
            return std::nullopt;
        }
        columns.push_back({parts.front(), parts.size() > 1 && *std::next(parts.begin()) == "RDN"});
    }
    return columns;
}

} // namespace

std::optional<std::vector<AttributeColumn>>
ChooseColumns(const SearchOptions& options, const harrow::Oidtable& table, std::string& error) {
    std::vector<RegistryColumn> wanted;
    for (const std::string& name : options.attributes) {
        wanted.push_back({name, false});
    }
    if (wanted.empty() && options.format == OutputFormat::Csv) {
        if (options.registryFile.empty()) {
            wanted = {{"cn", false}, {"mail", false}, {"telephoneNumber", false}};
        } else if (auto columns = ReadEntryListColumns(options.registryFile, error)) {
            wanted = std::move(*columns);
        } else {
            return std::nullopt;
        }
    }
    std::vector<AttributeColumn> columns;
    for (const RegistryColumn& column : wanted) {
        const harrow::QAttrT* type = table.str2at(column.attribute);
        if (type == nullptr) {
            error = "unknown attribute type '" + column.attribute + "'";
            return std::nullopt;
        }
        columns.push_back({column.attribute, type, column.preferRdn});
    }
    return columns;
}

} // namespace larkspur::search
