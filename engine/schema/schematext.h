// Text helpers for schema names: white-space trimming and letter-case folding in the C locale,
// so that names compare the same way wherever the engine matches them.
#pragma once

#include "harrow32_export.h"
#include "model/qstringlist.h"

#include <string>

namespace harrow {

// Without leading and trailing white space (space, tab, line feed, carriage return, vertical
// tab, form feed).
HARROW32_EXPORT std::string Trimmed(const std::string& text);
// Without trailing white space.
HARROW32_EXPORT std::string TrimmedRight(const std::string& text);
// ASCII letters folded to lower case; every other byte kept.
HARROW32_EXPORT std::string LowerCased(const std::string& text);
// Negative, 0 or positive as the texts compare with their letters folded to lower case.
HARROW32_EXPORT int CompareIgnoringCase(const char* a, const char* b);
HARROW32_EXPORT bool EqualsIgnoringCase(const std::string& a, const std::string& b);

// Whether one of the names equals the text ignoring letter case (no trimming).
HARROW32_EXPORT bool ContainsIgnoringCase(const QStringList& names, const std::string& name);
// The first name of a list, empty when there is none.
HARROW32_EXPORT std::string FirstName(const QStringList& names);

} // namespace harrow
