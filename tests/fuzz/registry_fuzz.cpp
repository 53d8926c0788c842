// The registry file in regedit's text format, as the program reads it at start-up: reading ends,
// and every line it could not use is reported once, in order, with a line number the file has.
#include "fuzzsupport.h"

#include "platform/LS_Registry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using larkspur::fuzz::Require;

const std::string kOpening = "Ignored malformed line ";

// The line number of a malformed-line report about the named file, or 0 when the message is
// not one.
long ReportedLine(const std::string& message, const std::string& fileName) {
    if (message.compare(0, kOpening.size(), kOpening) != 0 || message.back() != '\n') {
        return 0;
    }
    char* end = nullptr;
    const long number = std::strtol(message.c_str() + kOpening.size(), &end, 10);
    const std::string about = " of registry file " + fileName + ":\n";
    return std::string(end).compare(0, about.size(), about) == 0 ? number : 0;
}

// Reports name lines in ascending order, each of them within the file.
void CheckReports(const std::vector<std::string>& messages, const std::string& fileName,
                  long lineCount) {
    long previous = 0;
    for (const std::string& message : messages) {
        const long line = ReportedLine(message, fileName);
        Require(line > previous && line <= lineCount, "each report names a later line of the file",
                message);
        previous = line;
    }
}

long LineCount(const std::string& input) {
    return static_cast<long>(std::count(input.begin(), input.end(), '\n')) + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string path = larkspur::fuzz::ScratchPath("fuzz.reg");
    larkspur::fuzz::WriteFile(path, input);
    {
        const larkspur::fuzz::Diagnostics diagnostics;
        const auto registry = LS_Registry::FromFile(path);
        CheckReports(diagnostics.Messages(), path, LineCount(input));
    }
    // Parsing the text itself counts what it reports.
    const larkspur::fuzz::Diagnostics diagnostics;
    LS_Registry registry;
    const int malformed = registry.Parse(input, "fuzz.reg");
    Require(malformed == static_cast<int>(diagnostics.Messages().size()),
            "Parse returns the number of lines it reported");
    CheckReports(diagnostics.Messages(), "fuzz.reg", LineCount(input));
    return 0;
}
