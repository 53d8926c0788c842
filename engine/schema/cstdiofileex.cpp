#include "schema/cstdiofileex.h"

#include "schema/schematext.h"

namespace harrow {

CStdioFileEx::CStdioFileEx(const std::string& path) : std::ifstream(path) {}

CStdioFileEx::~CStdioFileEx() = default;

int CStdioFileEx::ReadExtendedString(std::string& out) {
    out.clear();
    int read = 0;
    std::string physical;
    while (std::getline(*this, physical)) {
        read = 1;
        const std::string line = Trimmed(physical);
        if (line.empty() || line.back() != '\\') {
            out += line;
            break;
        }
        out += TrimmedRight(line.substr(0, line.size() - 1));
        out += ' ';
    }
    return read;
}

} // namespace harrow
