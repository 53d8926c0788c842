#include "shell/LS_CmdLineInfo.h"

#include "access/qdsmanager.h"

#include <strings.h>

namespace {

bool IsOption(const char* text) {
    return strcasecmp(text, "noconn") == 0 || strcasecmp(text, "nosplash") == 0 ||
           strcasecmp(text, "logfile") == 0;
}

} // namespace

void LS_CmdLineInfo::ParseCommandLine(const std::vector<std::string>& arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool isLast = i + 1 == arguments.size();
        // A slash also starts every absolute path here, so it only marks the option words;
        // anything else after a slash is a plain argument such as the log file's path.
        const bool dashFlag = argument.size() > 1 && argument[0] == '-';
        const bool slashFlag =
            argument.size() > 1 && argument[0] == '/' && IsOption(argument.c_str() + 1);
        if (dashFlag || slashFlag) {
            ParseParam(argument.c_str() + 1, true, isLast);
        } else {
            ParseParam(argument.c_str(), false, isLast);
        }
    }
}

void LS_CmdLineInfo::ParseParam(const char* param, bool isFlag, bool /*isLast*/) {
    if (isFlag && strcasecmp(param, "noconn") == 0) {
        m_bNoConnect = 1;
        m_lastOption = OPTION_NOCONN;
    } else if (isFlag && strcasecmp(param, "nosplash") == 0) {
        m_bShowSplash = false;
        m_lastOption = OPTION_NOSPLASH;
    } else if (isFlag && strcasecmp(param, "logfile") == 0) {
        m_lastOption = OPTION_LOGFILE;
    } else if (!isFlag && m_lastOption == OPTION_LOGFILE) {
        // The log is process-wide, so it opens before the manager exists and logs its start.
        harrow::QDSManager::Open(param);
    } else {
        m_lastOption = OPTION_NONE;
    }
}
