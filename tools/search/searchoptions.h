// The command line of larkspur-search: server, port, configuration DN, form name, field values,
// the output chosen and the diagnostics asked for. It owns copies of everything it parsed.
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

enum class OutputFormat { Ldif, Csv, Json, Vcard };

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
    // The directory holding the oidtable32 files; empty to look them up.
    std::string tablesDir;
    std::vector<FieldValue> fields;
    OutputFormat format = OutputFormat::Ldif;
    // The attributes to print, as named on the command line; empty for the default.
    std::vector<std::string> attributes;
    // A registry file whose "Entry List Columns" give the default CSV columns.
    std::string registryFile;
    // List the forms instead of searching.
    bool list = false;
    // The engine's traces on stderr.
    bool verbose = false;
    // Timing of the Poll calls on stderr.
    bool stats = false;
    // Seconds a server may stay silent before its operations are given up; 0 for the engine's
    // default.
    int stallSeconds = 0;
    // Print the usage and stop.
    bool help = false;
};

// Parses argv; on failure returns nothing and sets error to a one-line reason.
std::optional<SearchOptions> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The password to sign in with: -w's, the first line of -y's file, or one asked for on the
// terminal without echo for -W. Nothing (and a reason in error) when it cannot be had.
std::optional<std::string> ReadPassword(const ConnectionOptions& options, std::string& error);

// The usage text, ending with a line break.
std::string UsageText(const std::string& program);

// The program's exit statuses.
constexpr int kAllSucceeded = 0;
constexpr int kCouldNotStart = 1;
constexpr int kWrongCommandLine = 2;
constexpr int kStoppedEarly = 3;
constexpr int kSomeOperationsFailed = 4;

} // namespace larkspur::search
