// LS_RegistryText: the text rules the registry file's reader and writer share: names match
// ignoring letter case, and blanks round a line do not count. It owns nothing.
#pragma once

#include <string>

namespace LS_RegistryText {

std::string Lower(std::string text);
std::string Trim(const std::string& text);

} // namespace LS_RegistryText
