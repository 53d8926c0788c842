// LS_CmdLineInfo: what the command line asked for (splash, connection, log file). It owns only
// those flags; the log file it names is opened in the engine as soon as its path is seen.
#pragma once

#include <string>
#include <vector>

class LS_CmdLineInfo {
public:
    enum LastOption { OPTION_NONE = 1, OPTION_NOCONN = 2, OPTION_NOSPLASH = 3, OPTION_LOGFILE = 4 };

    // Hands every argument after the program name to ParseParam, in order.
    void ParseCommandLine(const std::vector<std::string>& arguments);

    // One argument: the text without its leading dash or slash, whether it had one, and whether
    // it is the last argument.
    void ParseParam(const char* param, bool isFlag, bool isLast);

    bool m_bShowSplash = true;
    int m_bNoConnect = 0;
    int m_lastOption = OPTION_NONE;
};
