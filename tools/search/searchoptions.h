// The command line of larkspur-search: server, port, configuration DN, form name, field values
// and the optional log file. It owns copies of everything it parsed.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace larkspur::search {

struct FieldValue {
    // Empty when the value goes to the first input that has the field.
    std::string input;
    std::string field;
    std::string value;
};

struct SearchOptions {
    std::string server;
    int port = 389;
    std::string configDn;
    std::string form;
    std::string logFile;
    // The directory holding the oidtable32 files.
    std::string tablesDir;
    std::vector<FieldValue> fields;
    // Timing of the Poll calls on stderr.
    bool stats = false;
    // Seconds a server may stay silent before its operations are given up; 0 for the engine's
    // default.
    int stallSeconds = 0;
};

// Parses argv; on failure returns nothing and sets error to a one-line reason.
std::optional<SearchOptions> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The usage text, ending with a line break.
std::string UsageText(const std::string& program);

} // namespace larkspur::search
