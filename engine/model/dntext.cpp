#include "model/dntext.h"

#include "schema/schematext.h"

namespace harrow::dntext {

// The first character of the trimmed text is not white space, so its first occurrence is where
// the leading white space ends.
std::string TrimmedLeft(const std::string& text) {
    const std::string trimmed = Trimmed(text);
    return trimmed.empty() ? trimmed : text.substr(text.find(trimmed.front()));
}

std::string StrippedLeft(const std::string& text, char c) {
    const std::string::size_type first = text.find_first_not_of(c);
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string StrippedRight(const std::string& text, char c) {
    const std::string::size_type last = text.find_last_not_of(c);
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

std::string::size_type FindUnescaped(const std::string& text, char c) {
    for (std::string::size_type pos = text.find(c); pos != std::string::npos;
         pos = text.find(c, pos + 1)) {
        if (pos == 0 || text[pos - 1] != '\\') {
            return pos;
        }
    }
    return std::string::npos;
}

} // namespace harrow::dntext
