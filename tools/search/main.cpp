// larkspur-search: runs one search form of the directory's form configuration from the command
// line and prints the target matches as LDIF, CSV, JSON lines or vCards, or lists the forms.
#include "search/searchoptions.h"
#include "search/searchrunner.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // A server that goes away mid-search must not end the program through a broken pipe.
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string program = "larkspur-search";
    std::string error;
    const auto options = larkspur::search::ParseOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), error.c_str(),
                     larkspur::search::UsageText(program).c_str());
        return larkspur::search::kWrongCommandLine;
    }
    if (options->help) {
        std::fputs(larkspur::search::UsageText(program).c_str(), stdout);
        return larkspur::search::kAllSucceeded;
    }
    return larkspur::search::RunFormSearch(*options);
}
