// Text helpers of the DN and RDN parsers; internal to the engine.
#pragma once

#include <string>

namespace harrow::dntext {

// Without leading white space (as schema names are trimmed).
std::string TrimmedLeft(const std::string& text);
// Without any c at the left or right end.
std::string StrippedLeft(const std::string& text, char c);
std::string StrippedRight(const std::string& text, char c);

// The first c at position 0 or not immediately preceded by a backslash, or npos.
std::string::size_type FindUnescaped(const std::string& text, char c);

} // namespace harrow::dntext
