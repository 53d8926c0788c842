#include "forms/filterescape.h"

namespace harrow {

namespace {

const char* HexPairFor(char c, bool keepWildcard) {
    switch (c) {
    case '(':
        return "\\28";
    case ')':
        return "\\29";
    case '\\':
        return "\\5c";
    case '\0':
        return "\\00";
    case '*':
        return keepWildcard ? nullptr : "\\2a";
    default:
        return nullptr;
    }
}

std::string Escape(const std::string& text, bool keepWildcard) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        const char* pair = HexPairFor(c, keepWildcard);
        if (pair != nullptr) {
            escaped += pair;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

std::string EscapeFilterPattern(const std::string& text) {
    return Escape(text, true);
}

std::string EscapeFilterValue(const std::string& text) {
    return Escape(text, false);
}

} // namespace harrow
