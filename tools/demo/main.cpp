// larkspur-demo: runs Larkspur32 against the bundled demo directory. It starts the two demo
// servers, gives the program a private working folder (the OID tables) and a private
// configuration home (the registry file), waits for the program to end and then stops the
// servers and removes the folders, so the user's own configuration is never touched. It prints
// the larkspur-search command that searches the same servers meanwhile; with -search it runs
// larkspur-search against them instead of the program.
#include "support/demoservers.h"
#include "support/testdata.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The front end's options that name the demo's configuration and the shipped OID tables.
std::vector<std::string> SearchOptions(DemoServers& demo) {
    return {"-server", larkspur::test::TestDirectory::kHost,
            "-port",   std::to_string(demo.Server1().Port()),
            "-config", DemoServers::kConfigDN,
            "-tables", DataPath("")};
}

std::string ShellQuoted(const std::string& word) {
    if (word.find_first_of(" '\"\\$`") == std::string::npos) {
        return word;
    }
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// larkspur-search is built beside this program.
std::string FrontEndPath() {
    std::error_code failure;
    const fs::path self = fs::read_symlink("/proc/self/exe", failure);
    return failure ? std::string("larkspur-search")
                   : (self.parent_path() / "larkspur-search").string();
}

void PrintSearchCommand(DemoServers& demo) {
    std::string command = ShellQuoted(FrontEndPath());
    for (const std::string& option : SearchOptions(demo)) {
        command += " " + ShellQuoted(option);
    }
    std::printf("Search it from a script meanwhile:\n  %s -form People Name=holt\n",
                command.c_str());
}

// Runs the program and returns its exit status; a folder and a configuration home, when given,
// are the program's current folder and $XDG_CONFIG_HOME.
int RunProgram(const std::string& path, const std::vector<std::string>& arguments,
               const std::string& work = {}, const std::string& config = {}) {
    std::vector<char*> argv;
    std::string programPath = path;
    argv.push_back(programPath.data());
    std::vector<std::string> kept = arguments;
    for (std::string& argument : kept) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0) {
        std::perror("larkspur-demo: fork");
        return 1;
    }
    if (child == 0) {
        std::signal(SIGINT, SIG_DFL);
        if ((!work.empty() && chdir(work.c_str()) != 0) ||
            (!config.empty() && setenv("XDG_CONFIG_HOME", config.c_str(), 1) != 0)) {
            _exit(127);
        }
        execv(argv[0], argv.data());
        std::fprintf(stderr, "larkspur-demo: cannot start %s: %s\n", argv[0], std::strerror(errno));
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
    const bool search = argc > 1 && std::string(argv[1]) == "-search";
    if (search) {
        ++argv;
        --argc;
    }
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: larkspur-demo <Larkspur32 program> [its options]\n"
                     "       larkspur-demo -search <larkspur-search program> [its options]\n");
        return 2;
    }
    ForwardStopSignals();
    DemoServers demo;
    if (!demo.Start()) {
        std::fprintf(stderr, "larkspur-demo: the demo directory did not start\n");
        return 1;
    }
    if (search) {
        std::vector<std::string> options = SearchOptions(demo);
        options.insert(options.end(), argv + 2, argv + argc);
        return RunProgram(argv[1], options);
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
    PrintSearchCommand(demo);
    std::fflush(stdout);

    const int status =
        RunProgram(argv[1], std::vector<std::string>(argv + 2, argv + argc),
                   (fs::path(sandbox) / "work").string(), (fs::path(sandbox) / "config").string());
    std::error_code ignored;
    fs::remove_all(sandbox, ignored);
    return status;
}
