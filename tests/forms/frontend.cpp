#include "frontend.h"

#include "support/testdata.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

namespace larkspur::test {

namespace {

std::vector<char*> PointerArray(Args& strings) {
    std::vector<char*> pointers;
    for (std::string& text : strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::vector<std::string> Environment(const Place& place) {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string text = *variable;
        const std::string name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const std::string& change : place.environment) {
            replaced = replaced || change.substr(0, change.find('=')) == name;
        }
        if (!replaced) {
            variables.push_back(text);
        }
    }
    for (const std::string& change : place.environment) {
        if (change.find('=') != std::string::npos) {
            variables.push_back(change);
        }
    }
    return variables;
}

} // namespace

std::string TakeFile(const std::string& path) {
    std::string text = ReadFile(path);
    std::remove(path.c_str());
    return text;
}

Outcome RunProgram(Args args, const Place& place) {
    const std::string base = ::testing::TempDir() + "frontend-" + std::to_string(::getpid());
    const std::string outPath = base + ".out";
    const std::string errPath = base + ".err";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!place.folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&files, place.folder.c_str());
    }
    std::vector<char*> argv = PointerArray(args);
    std::vector<std::string> variables = Environment(place);
    std::vector<char*> envp = PointerArray(variables);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &files, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    Outcome outcome;
    EXPECT_EQ(0, spawned) << argv[0];
    int status = 0;
    if (spawned == 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        outcome.status = WEXITSTATUS(status);
    }
    outcome.out = TakeFile(outPath);
    outcome.err = TakeFile(errPath);
    return outcome;
}

Outcome RunFrontEnd(Args args, const Place& place) {
    args.insert(args.begin(), LARKSPUR_SEARCH_PROGRAM);
    return RunProgram(args, place);
}

} // namespace larkspur::test
