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

// How the front end reaches and signs in to the server, as ldapsearch's options say it.
struct ConnectionOptions {
    // "none", "starttls" (-ZZ) or "ldaps" (an ldaps:// URI given with -H).
    std::string security = "none";
    std::string bindDn;
    // The password as given with -w; -W asks for it and -y reads it from a file instead.
    std::string password;
    bool promptPassword = false;
    std::string passwordFile;
    // Entries per page; 0 turns paging off.
    int pageSize = 500;
};

struct SearchOptions {
    std::string server;
    int port = 389;
    ConnectionOptions connection;
    std::string configDn;
    std::string form;
    std::string logFile;
    // The directory holding the oidtable32 files.
    std::string tablesDir;
    std::vector<FieldValue> fields;
    // Timing of the Poll calls on stderr.
    bool stats = false;
};

// Parses argv; on failure returns nothing and sets error to a one-line reason.
std::optional<SearchOptions> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The password to sign in with: -w's, the first line of -y's file, or one asked for on the
// terminal without echo for -W. Nothing (and a reason in error) when it cannot be had.
std::optional<std::string> ReadPassword(const ConnectionOptions& options, std::string& error);

// The usage text, ending with a line break.
std::string UsageText(const std::string& program);

} // namespace larkspur::search
