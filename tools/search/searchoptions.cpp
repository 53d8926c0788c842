#include "search/searchoptions.h"

#include <charconv>

namespace larkspur::search {

namespace {

bool ParsePort(const std::string& text, int& port) {
    const char* end = text.data() + text.size();
    auto [last, ec] = std::from_chars(text.data(), end, port);
    return ec == std::errc() && last == end && port > 0 && port < 65536;
}

// "Input:Field=value" names the input; "Field=value" leaves it to the first input with the
// field. A colon in a plain field name is kept when no input name was meant.
FieldValue ParseFieldValue(const std::string& text, size_t equals) {
    FieldValue field;
    std::string name = text.substr(0, equals);
    field.value = text.substr(equals + 1);
    size_t colon = name.find(':');
    if (colon != std::string::npos) {
        field.input = name.substr(0, colon);
        name = name.substr(colon + 1);
    }
    field.field = name;
    return field;
}

bool ParseSeconds(const std::string& text, int& seconds) {
    const char* end = text.data() + text.size();
    auto [last, ec] = std::from_chars(text.data(), end, seconds);
    return ec == std::errc() && last == end && seconds > 0;
}

} // namespace

std::optional<SearchOptions> ParseOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    SearchOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto takeValue = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string port;
        if (arg == "-server" || arg == "-s") {
            if (!takeValue(options.server)) {
                return std::nullopt;
            }
        } else if (arg == "-port" || arg == "-p") {
            if (!takeValue(port)) {
                return std::nullopt;
            }
            if (!ParsePort(port, options.port)) {
                error = "invalid port '" + port + "'";
                return std::nullopt;
            }
        } else if (arg == "-config" || arg == "-c") {
            if (!takeValue(options.configDn)) {
                return std::nullopt;
            }
        } else if (arg == "-form" || arg == "-f") {
            if (!takeValue(options.form)) {
                return std::nullopt;
            }
        } else if (arg == "-logfile") {
            if (!takeValue(options.logFile)) {
                return std::nullopt;
            }
        } else if (arg == "-tables") {
            if (!takeValue(options.tablesDir)) {
                return std::nullopt;
            }
        } else if (arg == "-timeout") {
            std::string seconds;
            if (!takeValue(seconds)) {
                return std::nullopt;
            }
            if (!ParseSeconds(seconds, options.stallSeconds)) {
                error = "invalid time-out '" + seconds + "'";
                return std::nullopt;
            }
        } else if (arg == "-stats") {
            options.stats = true;
        } else if (size_t equals = arg.find('='); equals != std::string::npos && arg[0] != '-') {
            options.fields.push_back(ParseFieldValue(arg, equals));
        } else {
            error = "unknown argument '" + arg + "'";
            return std::nullopt;
        }
    }
    if (options.server.empty() || options.configDn.empty() || options.form.empty()) {
        error = "-server, -config and -form are required";
        return std::nullopt;
    }
    return options;
}

std::string UsageText(const std::string& program) {
    return "usage: " + program +
           " -server HOST [-port PORT] -config CONFIG_DN -form FORM\n"
           "       [-logfile FILE] [-tables DIR] [-timeout SECONDS] [-stats]\n"
           "       [INPUT:]FIELD=VALUE ...\n"
           "Runs one search form of the directory's form configuration and prints the target\n"
           "matches as LDIF, followed by the operation counts as comments.\n"
           "  -server, -port  the server holding the form configuration (port 389 by default)\n"
           "  -config         the DN of the configuration subtree\n"
           "  -form           the name of the form to run\n"
           "  -logfile        write the engine's log of directory operations to FILE\n"
           "  -tables         the directory of the oidtable32 files (default: the current\n"
           "                  directory when it has them, else the installed data)\n"
           "  -timeout        give up the operations of a server that sends nothing for\n"
           "                  SECONDS (60 by default); they count as failed\n"
           "  -stats          report the number and the longest duration of Poll calls, the\n"
           "                  processor time of the search and the peak memory, on stderr\n"
           "  FIELD=VALUE     a field value for the first input that has FIELD;\n"
           "                  INPUT:FIELD=VALUE sets it on the named input only\n"
           "Exit status: 0 when the search ran to its end, 1 when it could not start,\n"
           "2 for a wrong command line.\n";
}

} // namespace larkspur::search
