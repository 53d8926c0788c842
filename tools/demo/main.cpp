// larkspur-demo: runs Larkspur32 against the bundled demo directory. It starts the two demo
// servers, gives the program a private working folder (the OID tables) and a private
// configuration home (the registry file), waits for the program to end and then stops the
// servers and removes the folders, so the user's own configuration is never touched.
#include "support/demoservers.h"
#include "support/testdata.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using larkspur::test::DataPath;
using larkspur::test::DemoServers;

namespace {

volatile pid_t program = -1;

// A demo stopped from outside stops the program first, so that the servers still go after it.
void ForwardStop(int signalNumber) {
    if (program > 0) {
        kill(program, signalNumber);
    }
}

void ForwardStopSignals() {
    struct sigaction forward = {};
    forward.sa_handler = ForwardStop;
    sigemptyset(&forward.sa_mask);
    sigaction(SIGTERM, &forward, nullptr);
    sigaction(SIGHUP, &forward, nullptr);
    // Ctrl+C reaches the program from the terminal itself; the demo waits for it to end.
    std::signal(SIGINT, SIG_IGN);
}

// A private folder with "work" (the program's current folder) and "config" (its configuration
// home); empty when it cannot be made.
std::string MakeSandbox() {
    std::string pattern = (fs::temp_directory_path() / "larkspur-demo-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        return {};
    }
    std::error_code failure;
    fs::create_directories(fs::path(pattern) / "work", failure);
    fs::create_directories(fs::path(pattern) / "config" / "Calder Institute", failure);
    return failure ? std::string() : pattern;
}

bool CopyOidTables(const fs::path& work) {
    std::error_code failure;
    for (const char* extension : {".gen", ".at", ".oc"}) {
        const std::string name = std::string("oidtable32") + extension;
        fs::copy_file(DataPath(name), work / name, failure);
        if (failure) {
            std::fprintf(stderr, "larkspur-demo: cannot copy %s: %s\n", name.c_str(),
                         failure.message().c_str());
            return false;
        }
    }
    return true;
}

bool WriteRegistry(const fs::path& config, const std::string& text) {
    std::ofstream file(config / "Calder Institute" / "Larkspur.reg", std::ios::binary);
    file << text;
    return static_cast<bool>(file.flush());
}

// Runs the program in the sandbox and returns its exit status.
int RunProgram(const std::string& path, const std::vector<std::string>& arguments,
               const fs::path& sandbox) {
    std::vector<char*> argv;
    std::string programPath = path;
    argv.push_back(programPath.data());
    std::vector<std::string> kept = arguments;
    for (std::string& argument : kept) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const std::string work = (sandbox / "work").string();
    const std::string config = (sandbox / "config").string();

    const pid_t child = fork();
    if (child < 0) {
        std::perror("larkspur-demo: fork");
        return 1;
    }
    if (child == 0) {
        std::signal(SIGINT, SIG_DFL);
        if (chdir(work.c_str()) != 0 || setenv("XDG_CONFIG_HOME", config.c_str(), 1) != 0) {
            _exit(127);
        }
        execv(argv[0], argv.data());
        std::perror("larkspur-demo: cannot start Larkspur32");
        _exit(127);
    }
    program = child;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    program = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: larkspur-demo <Larkspur32 program> [its options]\n");
        return 2;
    }
    ForwardStopSignals();
    DemoServers demo;
    if (!demo.Start()) {
        std::fprintf(stderr, "larkspur-demo: the demo directory did not start\n");
        return 1;
    }
    const std::string sandbox = MakeSandbox();
    if (sandbox.empty() || !CopyOidTables(fs::path(sandbox) / "work") ||
        !WriteRegistry(fs::path(sandbox) / "config", demo.RegistryText())) {
        std::fprintf(stderr, "larkspur-demo: cannot prepare the private folder %s\n",
                     sandbox.c_str());
        return 1;
    }
    std::printf("Demo directory: %s (forms, Calder Institute) and %s (Fenwick Laboratories)\n",
                demo.Server1().Url().c_str(), demo.Server2().Url().c_str());
    std::fflush(stdout);

    const int status =
        RunProgram(argv[1], std::vector<std::string>(argv + 2, argv + argc), fs::path(sandbox));
    std::error_code ignored;
    fs::remove_all(sandbox, ignored);
    return status;
}
