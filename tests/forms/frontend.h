// Shared by the front end's tests: runs the built larkspur-search to its end and collects what
// it printed.
#pragma once

#include <string>
#include <vector>

namespace larkspur::test {

using Args = std::vector<std::string>;

struct Outcome {
    // The exit status, or -1 when the program did not exit by itself.
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the program with those arguments, stdin from /dev/null, in this process's environment.
Outcome RunFrontEnd(Args args);
// Reads the file and removes it.
std::string TakeFile(const std::string& path);

} // namespace larkspur::test
