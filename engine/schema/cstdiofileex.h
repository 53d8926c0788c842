// CStdioFileEx: a text file read line by line that can also read logical lines, where a line
// ending in a backslash continues on the next one. It owns the open file.
#pragma once

#include "harrow32_export.h"

#include <fstream>
#include <string>

namespace harrow {

class HARROW32_EXPORT CStdioFileEx : public std::ifstream {
public:
    // Opens the file for reading; is_open() tells whether that worked.
    explicit CStdioFileEx(const std::string& path);
    ~CStdioFileEx() override;

    // Reads one logical line, trimmed, with each continuation joined by exactly one space.
    // 1 when at least one physical line was read, 0 at end of file.
    int ReadExtendedString(std::string& out);
};

} // namespace harrow
