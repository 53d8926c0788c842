#include "search/searchoptions.h"

#include <termios.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <fstream>

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

// The options that say how to reach and sign in to the server. 1 when args[i] was one of them
// (i then names its last word), 0 when it is none of them, -1 on an error.
int ParseConnectionOption(const std::vector<std::string>& args, size_t& i, SearchOptions& options,
                          std::string& error) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string* {
        if (i + 1 >= args.size()) {
            error = "option " + arg + " needs a value";
            return nullptr;
        }
        return &args[++i];
    };
    ConnectionOptions& connection = options.connection;
    const std::string* given = nullptr;
    if (arg == "-ZZ") {
        if (connection.security != "ldaps") {
            connection.security = "starttls";
        }
        return 1;
    }
    if (arg == "-W") {
        connection.promptPassword = true;
        return 1;
    }
    if (arg != "-H" && arg != "-D" && arg != "-w" && arg != "-y" && arg != "-pagesize") {
        return 0;
    }
    if ((given = value()) == nullptr) {
        return -1;
    }
    if (arg == "-H") {
        return ParseUri(*given, options, error) ? 1 : -1;
    }
    if (arg == "-pagesize") {
        if (!ParsePageSize(*given, connection.pageSize)) {
            error = "invalid page size '" + *given + "'";
            return -1;
        }
        return 1;
    }
    if (arg == "-D") {
        connection.bindDn = *given;
    } else if (arg == "-w") {
        connection.password = *given;
    } else {
        connection.passwordFile = *given;
    }
    return 1;
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
        auto takeValue = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string port;
        const int connectionOption = ParseConnectionOption(args, i, options, error);
        if (connectionOption < 0) {
            return std::nullopt;
        }
        if (connectionOption > 0) {
            continue;
        }
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
           "       [-H URI] [-ZZ] [-D BINDDN [-w PASSWORD | -W | -y FILE]] [-pagesize N]\n"
           "       [-logfile FILE] [-tables DIR] [-stats] [INPUT:]FIELD=VALUE ...\n"
           "Runs one search form of the directory's form configuration and prints the target\n"
           "matches as LDIF, followed by the operation counts as comments.\n"
           "  -server, -port  the server holding the form configuration (port 389 by default)\n"
           "  -H              the server as ldap://HOST[:PORT] or ldaps://HOST[:PORT] (TLS)\n"
           "  -ZZ             require StartTLS on ldap:// servers; certificates are checked\n"
           "                  against the system's authorities, or LDAPTLS_CACERT's file\n"
           "  -D              sign in with this DN, and the password given with -w, asked\n"
           "                  for on the terminal with -W, or read from FILE's first line\n"
           "                  with -y\n"
           "  -pagesize       entries per page of each search (500; 0 turns paging off)\n"
           "  -config         the DN of the configuration subtree\n"
           "  -form           the name of the form to run\n"
           "  -logfile        write the engine's log of directory operations to FILE\n"
           "  -tables         the directory of the oidtable32 files (default: the current\n"
           "                  directory when it has them, else the installed data)\n"
           "  -stats          report the number and the longest duration of Poll calls, and\n"
           "                  the peak memory, on stderr\n"
           "  FIELD=VALUE     a field value for the first input that has FIELD;\n"
           "                  INPUT:FIELD=VALUE sets it on the named input only\n"
           "Exit status: 0 when the search ran to its end, 1 when it could not start,\n"
           "2 for a wrong command line, 3 when a server stopped the search at one of its\n"
           "limits, so that there may be more matches than were printed.\n";
}

} // namespace larkspur::search
