#include "search/searchoptions.h"

#include <termios.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string_view>

namespace larkspur::search {

namespace {

// One option of the command line: its spellings, the name of its value (null for a switch),
// its help and what it sets. New options are one more row of the table.
struct Option {
    std::vector<std::string_view> names;
    const char* valueName;
    const char* help;
    // Applies the value (empty for a switch); false, with error set, for a value it refuses.
    std::function<bool(SearchOptions& options, const std::string& value, std::string& error)> apply;
};

// An option whose value is kept as it is.
auto Sets(std::string SearchOptions::*field) {
    return [field](SearchOptions& options, const std::string& value, std::string&) {
        options.*field = value;
        return true;
    };
}

// An option without a value that turns a flag on.
auto Switches(bool SearchOptions::*flag) {
    return [flag](SearchOptions& options, const std::string&, std::string&) {
        options.*flag = true;
        return true;
    };
}

bool ParsePort(const std::string& text, int& port) {
    const char* end = text.data() + text.size();
    auto [last, ec] = std::from_chars(text.data(), end, port);
    return ec == std::errc() && last == end && port > 0 && port < 65536;
}

bool ParseSeconds(const std::string& text, int& seconds) {
    const char* end = text.data() + text.size();
    auto [last, ec] = std::from_chars(text.data(), end, seconds);
    return ec == std::errc() && last == end && seconds > 0;
}

std::optional<OutputFormat> ParseFormat(const std::string& text) {
    if (text == "ldif") {
        return OutputFormat::Ldif;
    }
    if (text == "csv") {
        return OutputFormat::Csv;
    }
    if (text == "json") {
        return OutputFormat::Json;
    }
    if (text == "vcard") {
        return OutputFormat::Vcard;
    }
    return std::nullopt;
}

// Names separated by commas; blank pieces are dropped.
std::vector<std::string> SplitNames(const std::string& text) {
    std::vector<std::string> names;
    std::string_view rest = text;
    for (;;) {
        const std::string_view::size_type comma = rest.find(',');
        std::string_view name = rest.substr(0, comma);
        while (!name.empty() && name.front() == ' ') {
            name.remove_prefix(1);
        }
        while (!name.empty() && name.back() == ' ') {
            name.remove_suffix(1);
        }
        if (!name.empty()) {
            names.emplace_back(name);
        }
        if (comma == std::string_view::npos) {
            return names;
        }
        rest.remove_prefix(comma + 1);
    }
}

// "-H ldap[s]://host[:port]": the server, its port (389 or 636 by default) and whether TLS
// starts at once.
bool ParseUri(const std::string& uri, SearchOptions& options, std::string& error) {
    const std::string ldaps = "ldaps://";
    const std::string ldap = "ldap://";
    const bool secure = uri.rfind(ldaps, 0) == 0;
    if (!secure && uri.rfind(ldap, 0) != 0) {
        error = "invalid URI '" + uri + "': it must start with ldap:// or ldaps://";
        return false;
    }
    std::string rest = uri.substr(secure ? ldaps.size() : ldap.size());
    rest = rest.substr(0, rest.find('/'));
    const size_t colon = rest.rfind(':');
    options.server = rest.substr(0, colon);
    options.port = secure ? 636 : 389;
    if (colon != std::string::npos && !ParsePort(rest.substr(colon + 1), options.port)) {
        error = "invalid port in URI '" + uri + "'";
        return false;
    }
    if (secure) {
        options.connection.security = "ldaps";
    }
    if (options.server.empty()) {
        error = "URI '" + uri + "' names no host";
        return false;
    }
    return true;
}

bool ParsePageSize(const std::string& text, int& size) {
    const char* end = text.data() + text.size();
    auto [last, ec] = std::from_chars(text.data(), end, size);
    return ec == std::errc() && last == end && size >= 0;
}

std::optional<std::string> PromptPassword(std::string& error) {
    std::FILE* terminal = std::fopen("/dev/tty", "r+");
    if (terminal == nullptr) {
        error = "-W needs a terminal to ask for the password";
        return std::nullopt;
    }
    std::fputs("Enter LDAP Password: ", terminal);
    std::fflush(terminal);
    termios saved{};
    const int fd = fileno(terminal);
    const bool canHide = tcgetattr(fd, &saved) == 0;
    if (canHide) {
        termios hidden = saved;
        hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(fd, TCSAFLUSH, &hidden);
    }
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, terminal) != nullptr;
    if (canHide) {
        tcsetattr(fd, TCSAFLUSH, &saved);
    }
    std::fputs("\n", terminal);
    std::fclose(terminal);
    std::string password(line);
    if (!password.empty() && password.back() == '\n') {
        password.pop_back();
    }
    if (!read) {
        error = "no password was given";
        return std::nullopt;
    }
    return password;
}

const std::vector<Option>& Options() {
    static const std::vector<Option> options = {
        {{"-server", "-s"},
         "HOST",
         "the server holding the form configuration",
         Sets(&SearchOptions::server)},
        {{"-port", "-p"},
         "PORT",
         "its port (389 by default)",
         [](SearchOptions& o, const std::string& v, std::string& error) {
             if (!ParsePort(v, o.port)) {
                 error = "invalid port '" + v + "'";
                 return false;
             }
             return true;
         }},
        {{"-H"},
         "URI",
         "the server as ldap://HOST[:PORT] or ldaps://HOST[:PORT]\n"
         "(TLS from the start, port 636 by default)",
         [](SearchOptions& o, const std::string& v, std::string& error) {
             return ParseUri(v, o, error);
         }},
        {{"-ZZ"},
         nullptr,
         "require StartTLS on ldap:// servers; certificates are\n"
         "checked against the system's authorities, or\n"
         "LDAPTLS_CACERT's file",
         [](SearchOptions& o, const std::string&, std::string&) {
             if (o.connection.security != "ldaps") {
                 o.connection.security = "starttls";
             }
             return true;
         }},
        {{"-D"},
         "BINDDN",
         "sign in with this DN and the password of -w, -W or -y",
         [](SearchOptions& o, const std::string& v, std::string&) {
             o.connection.bindDn = v;
             return true;
         }},
        {{"-w"},
         "PASSWORD",
         "the password to sign in with",
         [](SearchOptions& o, const std::string& v, std::string&) {
             o.connection.password = v;
             return true;
         }},
        {{"-W"},
         nullptr,
         "ask for the password on the terminal",
         [](SearchOptions& o, const std::string&, std::string&) {
             o.connection.promptPassword = true;
             return true;
         }},
        {{"-y"},
         "FILE",
         "read the password from the first line of FILE",
         [](SearchOptions& o, const std::string& v, std::string&) {
             o.connection.passwordFile = v;
             return true;
         }},
        {{"-pagesize"},
         "N",
         "entries per page of each search (500; 0 turns paging\n"
         "off)",
         [](SearchOptions& o, const std::string& v, std::string& error) {
             if (!ParsePageSize(v, o.connection.pageSize)) {
                 error = "invalid page size '" + v + "'";
                 return false;
             }
             return true;
         }},
        {{"-config", "-c"},
         "CONFIG_DN",
         "the DN of the configuration subtree",
         Sets(&SearchOptions::configDn)},
        {{"-form", "-f"},
         "FORM",
         "the form to run; one that matches only ignoring letter\n"
         "case is used, with a note on stderr",
         Sets(&SearchOptions::form)},
        {{"-list"},
         nullptr,
         "list the forms, one a line: the name, a tab, then each\n"
         "input with its fields (Input: Field, Field; Input: Field)",
         Switches(&SearchOptions::list)},
        {{"-o"},
         "FORMAT",
         "the output: ldif (the default), csv, json (one object a\n"
         "line) or vcard (vCard 4.0)",
         [](SearchOptions& o, const std::string& v, std::string& error) {
             const std::optional<OutputFormat> format = ParseFormat(v);
             if (!format) {
                 error = "unknown output format '" + v + "' (ldif, csv, json or vcard)";
                 return false;
             }
             o.format = *format;
             return true;
         }},
        {{"-attrs"},
         "A,B,C",
         "print only these attributes; for CSV the columns\n"
         "(default: the \"Entry List Columns\" of -registry, else\n"
         "cn,mail,telephoneNumber)",
         [](SearchOptions& o, const std::string& v, std::string& error) {
             o.attributes = SplitNames(v);
             if (o.attributes.empty()) {
                 error = "-attrs names no attribute";
                 return false;
             }
             return true;
         }},
        {{"-registry"},
         "FILE",
         "a registry file (regedit text) for the CSV columns",
         Sets(&SearchOptions::registryFile)},
        {{"-tables"},
         "DIR",
         "the folder of the oidtable32 files, in place of the\n"
         "current folder (then $XDG_DATA_HOME/larkspur, then each\n"
         "$XDG_DATA_DIRS/larkspur)",
         Sets(&SearchOptions::tablesDir)},
        {{"-logfile"},
         "FILE",
         "write the engine's log of directory operations to FILE",
         Sets(&SearchOptions::logFile)},
        {{"-timeout"},
         "SECONDS",
         "give up the operations of a server that sends nothing\n"
         "for SECONDS (60 by default); they count as failed",
         [](SearchOptions& o, const std::string& v, std::string& error) {
             if (!ParseSeconds(v, o.stallSeconds)) {
                 error = "invalid time-out '" + v + "'";
                 return false;
             }
             return true;
         }},
        {{"-v"},
         nullptr,
         "show the engine's diagnostic traces and the counts on\n"
         "stderr",
         Switches(&SearchOptions::verbose)},
        {{"-stats"},
         nullptr,
         "report the number and the longest duration of Poll\n"
         "calls, the processor time of the search and the peak\n"
         "memory, on stderr",
         Switches(&SearchOptions::stats)},
        {{"-help", "-h", "--help"},
         nullptr,
         "print this text and exit",
         Switches(&SearchOptions::help)},
    };
    return options;
}

const Option* FindOption(std::string_view arg) {
    for (const Option& option : Options()) {
        for (std::string_view name : option.names) {
            if (name == arg) {
                return &option;
            }
        }
    }
    return nullptr;
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

bool CheckRequired(const SearchOptions& options, std::string& error) {
    if (options.help) {
        return true;
    }
    if (options.list) {
        if (options.server.empty() || options.configDn.empty()) {
            error = "-server and -config are required";
            return false;
        }
        return true;
    }
    if (options.server.empty() || options.configDn.empty() || options.form.empty()) {
        error = "-server, -config and -form are required";
        return false;
    }
    return true;
}

std::string OptionHelp(const Option& option) {
    std::string spelling;
    for (std::string_view name : option.names) {
        spelling += spelling.empty() ? "  " : ", ";
        spelling += name;
    }
    if (option.valueName != nullptr) {
        spelling += std::string(" ") + option.valueName;
    }
    constexpr size_t kHelpColumn = 22;
    const std::string indent(kHelpColumn, ' ');
    std::string text = spelling;
    text += spelling.size() < kHelpColumn ? std::string(kHelpColumn - spelling.size(), ' ')
                                          : "\n" + indent;
    for (const char* c = option.help; *c != '\0'; ++c) {
        text += *c;
        if (*c == '\n') {
            text += indent;
        }
    }
    return text + "\n";
}

} // namespace

std::optional<std::string> ReadPassword(const ConnectionOptions& options, std::string& error) {
    if (options.promptPassword) {
        return PromptPassword(error);
    }
    if (options.passwordFile.empty()) {
        return options.password;
    }
    std::ifstream file(options.passwordFile);
    std::string password;
    if (!file || !std::getline(file, password)) {
        error = "cannot read the password file '" + options.passwordFile + "'";
        return std::nullopt;
    }
    return password;
}

std::optional<SearchOptions> ParseOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    SearchOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (const Option* option = FindOption(arg)) {
            std::string value;
            if (option->valueName != nullptr) {
                if (i + 1 >= args.size()) {
                    error = "option " + arg + " needs a value";
                    return std::nullopt;
                }
                value = args[++i];
            }
            if (!option->apply(options, value, error)) {
                return std::nullopt;
            }
        } else if (size_t equals = arg.find('='); equals != std::string::npos && arg[0] != '-') {
            options.fields.push_back(ParseFieldValue(arg, equals));
        } else {
            error = "unknown argument '" + arg + "'";
            return std::nullopt;
        }
    }
    if (!CheckRequired(options, error)) {
        return std::nullopt;
    }
    return options;
}

std::string UsageText(const std::string& program) {
    std::string text =
        "usage: " + program +
        " -server HOST [-port PORT] -config CONFIG_DN -form FORM\n"
        "       [-H URI] [-ZZ] [-D BINDDN [-w PASSWORD | -W | -y FILE]]\n"
        "       [-pagesize N] [-o ldif|csv|json|vcard] [-attrs A,B,C] [-registry FILE]\n"
        "       [-tables DIR] [-logfile FILE] [-timeout SECONDS] [-v] [-stats]\n"
        "       [INPUT:]FIELD=VALUE ...\n"
        "   or: " +
        program +
        " -server HOST [-port PORT] -config CONFIG_DN -list\n"
        "Runs one search form of the directory's form configuration and prints "
        "the target\n"
        "matches, or lists the forms.\n";
    for (const Option& option : Options()) {
        text += OptionHelp(option);
    }
    text += "  FIELD=VALUE         a field value for the first input that has FIELD;\n"
            "  INPUT:FIELD=VALUE   sets it on the named input only\n"
            "Exit status: 0 when every operation of the search succeeded, 1 when the search\n"
            "could not start, 2 for a wrong command line, 3 when a server stopped the search\n"
            "at one of its limits (there may be more matches), 4 when some operations failed.\n";
    return text;
}

} // namespace larkspur::search
