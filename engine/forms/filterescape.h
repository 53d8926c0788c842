// Escaping of text placed inside LDAP search filters, so that typed values and configured names
// can never change a filter's structure. Owns nothing.
#pragma once

#include <string>

namespace harrow {

// Escapes "(", ")", "\" and NUL as RFC 4515 hex pairs and keeps "*", the wildcard a user types.
std::string EscapeFilterPattern(const std::string& text);
// Escapes "*" as well: a name is matched for equality, never as a pattern.
std::string EscapeFilterValue(const std::string& text);

} // namespace harrow
