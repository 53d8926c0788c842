// Shared by the front end's tests: runs a program (the built larkspur-search, say) to its end
// and collects what it printed.
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

// Where and how a program runs: its folder (empty for the test's own) and the environment
// variables set ("NAME=value") or removed ("NAME") on top of the test's.
struct Place {
    std::string folder;
    std::vector<std::string> environment;
};

// Runs the program args[0] with the rest as its arguments, stdin from /dev/null.
Outcome RunProgram(Args args, const Place& place = {});
// Runs larkspur-search with those arguments.
Outcome RunFrontEnd(Args args, const Place& place = {});
// Reads the file and removes it.
std::string TakeFile(const std::string& path);

} // namespace larkspur::test
