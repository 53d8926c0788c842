#include "schema/schematext.h"

#include <algorithm>
#include <cctype>

namespace harrow {

namespace {

bool IsWhiteSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

int FoldedByte(char c) {
    const int byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte;
}

} // namespace

std::string Trimmed(const std::string& text) {
    std::string::size_type begin = 0;
    while (begin < text.size() && IsWhiteSpace(text[begin])) {
        ++begin;
    }
    return TrimmedRight(text.substr(begin));
}

std::string TrimmedRight(const std::string& text) {
    std::string::size_type end = text.size();
    while (end > 0 && IsWhiteSpace(text[end - 1])) {
        --end;
    }
    return text.substr(0, end);
}

std::string LowerCased(const std::string& text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(FoldedByte(c));
    }
    return lower;
}

int CompareIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const int difference = FoldedByte(*a) - FoldedByte(*b);
        if (difference != 0 || *a == '\0') {
            return difference;
        }
    }
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::string::size_type i = 0; i < a.size(); ++i) {
        if (FoldedByte(a[i]) != FoldedByte(b[i])) {
            return false;
        }
    }
    return true;
}

bool ContainsIgnoringCase(const QStringList& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&name](const std::string& own) { return EqualsIgnoringCase(own, name); });
}

std::string FirstName(const QStringList& names) {
    return names.empty() ? std::string() : names.front();
}

} // namespace harrow
