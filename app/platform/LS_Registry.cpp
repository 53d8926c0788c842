#include "platform/LS_Registry.h"

#include "platform/LS_RegistryText.h"

#include "qdebugoutput.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

std::string LS_RegistryText::Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string LS_RegistryText::Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

namespace {

using LS_RegistryText::Lower;
using LS_RegistryText::Trim;

const char* const unicodeHeader = "Windows Registry Editor Version 5.00";
const char* const ansiHeader = "REGEDIT4";

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const size_t length = std::strlen(prefix);
    return text.size() >= length && Lower(text.substr(0, length)) == prefix;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower >= 'a' && lower <= 'f') {
        return lower - 'a' + 10;
    }
    return -1;
}

std::optional<unsigned long> ParseHexNumber(const std::string& text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    unsigned long number = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        number = number * 16 + static_cast<unsigned long>(digit);
    }
    return number;
}

// Comma-separated two-digit hex bytes, as regedit writes binary and typed data.
std::optional<std::string> ParseHexBytes(const std::string& text) {
    std::string bytes;
    if (Trim(text).empty()) {
        return bytes;
    }
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const auto byte = ParseHexNumber(Trim(text.substr(start, comma - start)), 2);
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(*byte));
        start = comma + 1;
    }
    return bytes;
}

std::string Utf16ToUtf8(const std::string& bytes) {
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    const QByteArray utf8 = QString::fromUtf16(units.data(), units.size()).toUtf8();
    return std::string(utf8.constData(), utf8.size());
}

std::string LittleEndian(unsigned long number, int byteCount) {
    std::string bytes;
    for (int i = 0; i < byteCount; ++i) {
        bytes.push_back(static_cast<char>((number >> (8 * i)) & 0xff));
    }
    return bytes;
}

// The file's text as UTF-8, whether it was saved as UTF-8 or, as regedit saves it, UTF-16.
std::string DecodeFile(const QByteArray& raw) {
    if (raw.startsWith("\xff\xfe")) {
        return Utf16ToUtf8(std::string(raw.constData() + 2, raw.size() - 2));
    }
    if (raw.startsWith("\xef\xbb\xbf")) {
        return std::string(raw.constData() + 3, raw.size() - 3);
    }
    return std::string(raw.constData(), raw.size());
}

// Physical lines joined into logical ones: regedit continues long hex data with a trailing
// backslash. Each logical line keeps the number of its first physical line.
std::vector<std::pair<int, std::string>> LogicalLines(const std::string& text) {
    std::vector<std::pair<int, std::string>> lines;
    bool continuing = false;
    int number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        ++number;
        start = end + 1;
        line = continuing ? Trim(line) : line;
        if (continuing) {
            lines.back().second += line;
        } else {
            lines.emplace_back(number, line);
        }
        std::string& current = lines.back().second;
        const std::string trimmed = Trim(current);
        continuing = !trimmed.empty() && trimmed.back() == '\\' && trimmed.front() != ';';
        if (continuing) {
            current = trimmed.substr(0, trimmed.size() - 1);
        }
    }
    return lines;
}

} // namespace

// Understands one logical line of the file at a time, keeping the key that value lines go to.
class LS_Registry::LineParser {
public:
    explicit LineParser(LS_Registry& registry) : registry(registry) {}

    // False when the line is malformed.
    bool Parse(const std::string& line) {
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == ';') {
            return true;
        }
        if (trimmed == unicodeHeader) {
            unicode = true;
            return true;
        }
        if (trimmed == ansiHeader) {
            unicode = false;
            return true;
        }
        if (trimmed.front() == '[') {
            return ParseKey(trimmed);
        }
        return ParseValue(trimmed);
    }

private:
    bool ParseKey(const std::string& line) {
        if (line.back() != ']') {
            return false;
        }
        std::string path = line.substr(1, line.size() - 2);
        const bool deleting = !path.empty() && path.front() == '-';
        if (deleting) {
            path.erase(0, 1);
        }
        if (!ValidKeyPath(path)) {
            return false;
        }
        if (deleting) {
            registry.DeleteKey(path);
            currentKey.reset();
        } else {
            registry.AddKey(path);
            currentKey = path;
        }
        return true;
    }

    static bool ValidKeyPath(const std::string& path) {
        return !path.empty() && path.front() != '\\' && path.back() != '\\' &&
               path.find("\\\\") == std::string::npos;
    }

    bool ParseValue(const std::string& line) {
        if (!currentKey) {
            return false;
        }
        size_t position = 0;
        std::string name;
        if (line.front() == '@') {
            position = 1;
        } else if (!ReadQuoted(line, position, name)) {
            return false;
        }
        position = line.find_first_not_of(" \t", position);
        if (position == std::string::npos || line[position] != '=') {
            return false;
        }
        const std::string data = Trim(line.substr(position + 1));
        Key& key = registry.AddKey(*currentKey);
        if (data == "-") {
            key.values.erase(Lower(name));
            return true;
        }
        const auto value = ParseData(data);
        if (!value) {
            return false;
        }
        key.values[Lower(name)] = *value;
        return true;
    }

    // Reads a double-quoted text with regedit's two escapes, \\ and \", from position onwards;
    // position ends just after the closing quote.
    static bool ReadQuoted(const std::string& line, size_t& position, std::string& text) {
        if (position >= line.size() || line[position] != '"') {
            return false;
        }
        for (size_t i = position + 1; i < line.size(); ++i) {
            const char c = line[i];
            if (c == '"') {
                position = i + 1;
                return true;
            }
            if (c == '\\') {
                if (i + 1 >= line.size() || (line[i + 1] != '\\' && line[i + 1] != '"')) {
                    return false;
                }
                text.push_back(line[++i]);
            } else {
                text.push_back(c);
            }
        }
        return false;
    }

    std::optional<Value> ParseData(const std::string& data) const {
        if (!data.empty() && data.front() == '"') {
            return ParseString(data);
        }
        if (StartsWithNoCase(data, "dword:")) {
            const auto number = ParseHexNumber(data.substr(6), 8);
            if (!number) {
                return std::nullopt;
            }
            return Value{LS_REG_DWORD, LittleEndian(*number, 4)};
        }
        if (StartsWithNoCase(data, "hex:")) {
            const auto bytes = ParseHexBytes(data.substr(4));
            if (!bytes) {
                return std::nullopt;
            }
            return Value{LS_REG_BINARY, *bytes};
        }
        if (StartsWithNoCase(data, "hex(")) {
            return ParseTypedHex(data);
        }
        return std::nullopt;
    }

    static std::optional<Value> ParseString(const std::string& data) {
        size_t position = 0;
        std::string text;
        if (!ReadQuoted(data, position, text) || position != data.size()) {
            return std::nullopt;
        }
        text.push_back('\0');
        return Value{LS_REG_SZ, text};
    }

    std::optional<Value> ParseTypedHex(const std::string& data) const {
        const size_t close = data.find("):");
        if (close == std::string::npos) {
            return std::nullopt;
        }
        const auto type = ParseHexNumber(data.substr(4, close - 4), 8);
        const auto bytes = ParseHexBytes(data.substr(close + 2));
        if (!type || !bytes) {
            return std::nullopt;
        }
        const bool text = *type == LS_REG_EXPAND_SZ || *type == LS_REG_MULTI_SZ;
        return Value{*type, text && unicode ? Utf16ToUtf8(*bytes) : *bytes};
    }

    LS_Registry& registry;
    std::optional<std::string> currentKey;
    bool unicode = true;
};

std::unique_ptr<LS_Registry> LS_Registry::FromFile(const std::string& path) {
    auto registry = std::make_unique<LS_Registry>();
    QFile file(QString::fromStdString(path));
    if (file.open(QIODevice::ReadOnly)) {
        registry->Parse(DecodeFile(file.readAll()), path);
    }
    return registry;
}

int LS_Registry::Parse(const std::string& text, const std::string& sourceName) {
    LineParser parser(*this);
    int malformed = 0;
    for (const auto& [number, line] : LogicalLines(text)) {
        if (!parser.Parse(line)) {
            ++malformed;
            harrow::QDebugOutput::Writef("Ignored malformed line %d of registry file %s:\n%s\n",
                                         number, sourceName.c_str(), line.c_str());
        }
    }
    return malformed;
}

LS_Registry::Key& LS_Registry::AddKey(const std::string& keyPath) {
    // Like an import into the registry, a key brings every key above it into being.
    for (size_t slash = keyPath.find('\\'); slash != std::string::npos;
         slash = keyPath.find('\\', slash + 1)) {
        keys[Lower(keyPath.substr(0, slash))];
    }
    return keys[Lower(keyPath)];
}

void LS_Registry::DeleteKey(const std::string& keyPath) {
    const std::string lower = Lower(keyPath);
    const std::string below = lower + "\\";
    for (auto it = keys.begin(); it != keys.end();) {
        const bool inside = it->first == lower || it->first.compare(0, below.size(), below) == 0;
        it = inside ? keys.erase(it) : std::next(it);
    }
}

bool LS_Registry::HasKey(const std::string& keyPath) const {
    return keys.count(Lower(keyPath)) != 0;
}

const LS_Registry::Value* LS_Registry::FindValue(const std::string& keyPath,
                                                 const std::string& valueName) const {
    const auto key = keys.find(Lower(keyPath));
    if (key == keys.end()) {
        return nullptr;
    }
    const auto value = key->second.values.find(Lower(valueName));
    return value == key->second.values.end() ? nullptr : &value->second;
}

unsigned long LS_Registry::SubKeyCount(const std::string& keyPath) const {
    const std::string below = Lower(keyPath) + "\\";
    return static_cast<unsigned long>(std::count_if(keys.begin(), keys.end(), [&](const auto& key) {
        return key.first.compare(0, below.size(), below) == 0 &&
               key.first.find('\\', below.size()) == std::string::npos;
    }));
}

unsigned long LS_Registry::ValueCount(const std::string& keyPath) const {
    const auto key = keys.find(Lower(keyPath));
    return key == keys.end() ? 0 : static_cast<unsigned long>(key->second.values.size());
}

LS_RegistryKey::LS_RegistryKey(const LS_Registry& registry, std::string keyPath)
    : registry(registry), path(std::move(keyPath)) {}

std::unique_ptr<LS_RegistryKey> LS_RegistryKey::OpenSubKey(const std::string& name) const {
    const std::string subPath = path + "\\" + name;
    if (name.empty() || !registry.HasKey(subPath)) {
        return nullptr;
    }
    return std::make_unique<LS_RegistryKey>(registry, subPath);
}

bool LS_RegistryKey::QueryValue(const std::string& name, unsigned long& type, void* data,
                                unsigned long& size) const {
    const LS_Registry::Value* value = registry.FindValue(path, name);
    if (!value) {
        return false;
    }
    const unsigned long capacity = size;
    type = value->type;
    size = static_cast<unsigned long>(value->data.size());
    if (!data) {
        return true;
    }
    if (capacity < size) {
        return false;
    }
    std::memcpy(data, value->data.data(), value->data.size());
    return true;
}

bool LS_RegistryKey::QueryInfo(unsigned long& subKeys, unsigned long& values) const {
    if (!registry.HasKey(path)) {
        return false;
    }
    subKeys = registry.SubKeyCount(path);
    values = registry.ValueCount(path);
    return true;
}
