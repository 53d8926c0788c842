#include "platform/LS_RegistryWriter.h"

#include "platform/LS_RegistryText.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

namespace {

const char* const fileHeader = "Windows Registry Editor Version 5.00";
const QByteArray utf16Mark("\xff\xfe", 2);
const QByteArray utf8Mark("\xef\xbb\xbf", 3);

using LS_RegistryText::Lower;
using LS_RegistryText::Trim;

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            quoted.push_back('\\');
        }
        quoted.push_back(c);
    }
    return quoted + '"';
}

// The key a header line opens, lower-cased; nothing for any other line.
std::optional<std::string> HeaderKey(const std::string& line) {
    const std::string trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') {
        return std::nullopt;
    }
    return Lower(trimmed.substr(1, trimmed.size() - 2));
}

// The name of the value a line sets, lower-cased ("@" for the default value); nothing for
// blank lines, comments and anything else.
std::optional<std::string> ValueName(const std::string& line) {
    const std::string trimmed = Trim(line);
    if (trimmed.empty()) {
        return std::nullopt;
    }
    if (trimmed.front() == '@') {
        return std::string("@");
    }
    if (trimmed.front() != '"') {
        return std::nullopt;
    }
    std::string name;
    for (size_t i = 1; i < trimmed.size(); ++i) {
        if (trimmed[i] == '"') {
            return Lower(name);
        }
        if (trimmed[i] == '\\' && i + 1 < trimmed.size()) {
            ++i;
        }
        name.push_back(trimmed[i]);
    }
    return std::nullopt;
}

bool Continues(const std::string& line) {
    const std::string trimmed = Trim(line);
    return !trimmed.empty() && trimmed.back() == '\\' && trimmed.front() != ';';
}

std::string HexBytes(const QByteArray& bytes) {
    std::string text;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        static const char digits[] = "0123456789abcdef";
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (i > 0) {
            text.push_back(',');
        }
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0xf]);
    }
    return text;
}

} // namespace

LS_RegistryWriter::LS_RegistryWriter(std::string path) : m_path(std::move(path)) {}

void LS_RegistryWriter::Set(const std::string& keyPath, const std::string& name, std::string data) {
    for (Change& change : m_changes) {
        if (Lower(change.keyPath) == Lower(keyPath) && Lower(change.name) == Lower(name)) {
            change.data = std::move(data);
            return;
        }
    }
    m_changes.push_back({keyPath, name, std::move(data)});
}

void LS_RegistryWriter::SetString(const std::string& keyPath, const std::string& name,
                                  const std::string& text) {
    Set(keyPath, name, Quoted(text));
}

void LS_RegistryWriter::SetNumber(const std::string& keyPath, const std::string& name,
                                  unsigned long number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08lx", number & 0xffffffffUL);
    Set(keyPath, name, std::string("dword:") + digits);
}

void LS_RegistryWriter::SetBinary(const std::string& keyPath, const std::string& name,
                                  const QByteArray& bytes) {
    Set(keyPath, name, "hex:" + HexBytes(bytes));
}

std::string LS_RegistryWriter::Apply(const std::string& text) const {
    const std::string newline = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    if (lines.empty()) {
        lines.push_back(fileHeader);
    }

    std::vector<bool> done(m_changes.size(), false);
    // Where each key's new values go: after its last value line, or after its header.
    std::map<std::string, size_t> insertAt;
    std::optional<std::string> key;
    std::vector<std::string> result;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto header = HeaderKey(lines[i])) {
            key = *header;
            result.push_back(lines[i]);
            insertAt[*key] = result.size();
            continue;
        }
        const auto name = key ? ValueName(lines[i]) : std::nullopt;
        if (!name) {
            result.push_back(lines[i]);
            continue;
        }
        size_t last = i;
        while (Continues(lines[last]) && last + 1 < lines.size()) {
            ++last;
        }
        bool replaced = false;
        for (size_t c = 0; c < m_changes.size() && !replaced; ++c) {
            const Change& change = m_changes[c];
            if (Lower(change.keyPath) == *key && Lower(change.name) == *name) {
                result.push_back(Quoted(change.name) + "=" + change.data);
                done[c] = true;
                replaced = true;
            }
        }
        if (!replaced) {
            result.insert(result.end(), lines.begin() + static_cast<std::ptrdiff_t>(i),
                          lines.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        }
        i = last;
        insertAt[*key] = result.size();
    }

    // New values of existing keys, from the last position backwards so that none moves.
    std::vector<std::pair<size_t, std::string>> inserts;
    std::vector<std::string> newKeys;
    std::map<std::string, std::vector<std::string>> newKeyLines;
    for (size_t c = 0; c < m_changes.size(); ++c) {
        if (done[c]) {
            continue;
        }
        const Change& change = m_changes[c];
        const std::string line = Quoted(change.name) + "=" + change.data;
        const auto at = insertAt.find(Lower(change.keyPath));
        if (at != insertAt.end()) {
            inserts.emplace_back(at->second, line);
        } else {
            if (!newKeyLines.count(Lower(change.keyPath))) {
                newKeys.push_back(change.keyPath);
            }
            newKeyLines[Lower(change.keyPath)].push_back(line);
        }
    }
    std::stable_sort(inserts.begin(), inserts.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    // Lines for the same place keep their order.
    for (auto it = inserts.begin(); it != inserts.end();) {
        auto end = std::find_if(it, inserts.end(),
                                [&](const auto& insert) { return insert.first != it->first; });
        std::vector<std::string> group;
        for (auto member = it; member != end; ++member) {
            group.push_back(member->second);
        }
        result.insert(result.begin() + static_cast<std::ptrdiff_t>(it->first), group.begin(),
                      group.end());
        it = end;
    }

    const bool endedWithNewline = text.empty() || text.back() == '\n';
    std::string output;
    for (size_t i = 0; i < result.size(); ++i) {
        output += result[i];
        if (i + 1 < result.size() || endedWithNewline) {
            output += newline;
        }
    }
    for (const std::string& keyPath : newKeys) {
        if (!output.empty() && output.back() != '\n') {
            output += newline;
        }
        output += newline + "[" + keyPath + "]" + newline;
        for (const std::string& line : newKeyLines[Lower(keyPath)]) {
            output += line + newline;
        }
    }
    return output;
}

bool LS_RegistryWriter::Save() const {
    QByteArray raw;
    QFile existing(QString::fromStdString(m_path));
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            return false;
        }
        raw = existing.readAll();
    }
    // Written back in the encoding it was read in.
    QByteArray mark;
    std::string text;
    if (raw.startsWith(utf16Mark)) {
        mark = utf16Mark;
        const QString decoded = QString::fromUtf16(
            reinterpret_cast<const char16_t*>(raw.constData() + 2), (raw.size() - 2) / 2);
        text = decoded.toStdString();
    } else {
        mark = raw.startsWith(utf8Mark) ? utf8Mark : QByteArray();
        text = std::string(raw.constData() + mark.size(), raw.size() - mark.size());
    }
    const std::string changed = Apply(text);
    QByteArray output = mark;
    if (mark == utf16Mark) {
        const QString encoded = QString::fromStdString(changed);
        output.append(reinterpret_cast<const char*>(encoded.utf16()), encoded.size() * 2);
    } else {
        output.append(changed.data(), static_cast<qsizetype>(changed.size()));
    }
    QSaveFile file(QString::fromStdString(m_path));
    return file.open(QIODevice::WriteOnly) && file.write(output) == output.size() && file.commit();
}
