#include "benchrun.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace larkspur::bench {

namespace {

// Counts the lines that start an LDIF record in a stream read in pieces.
class RecordCounter {
public:
    void Feed(const char* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            if (atLineStart && data[i] == 'd') {
                matched = 1;
            } else if (matched == 1 && data[i] == 'n') {
                matched = 2;
            } else if (matched == 2 && data[i] == ':') {
                ++records;
                matched = 0;
            } else {
                matched = 0;
            }
            atLineStart = data[i] == '\n';
        }
    }
    long Records() const { return records; }

private:
    bool atLineStart = true;
    int matched = 0;
    long records = 0;
};

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

} // namespace

ProgramRun RunProgram(const std::vector<std::string>& argv, bool keepOutput, int expectedStatus) {
    const std::string errorsPath = "/tmp/larkspur_bench." + std::to_string(::getpid()) + ".stderr";
    int out[2];
    if (pipe(out) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        std::FILE* errors = std::fopen(errorsPath.c_str(), "w");
        dup2(fileno(errors), STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        std::perror(args[0]);
        _exit(127);
    }
    close(out[1]);
    ProgramRun run;
    RecordCounter counter;
    std::vector<char> buffer(1 << 16);
    for (ssize_t got; (got = read(out[0], buffer.data(), buffer.size())) > 0;) {
        counter.Feed(buffer.data(), static_cast<size_t>(got));
        if (run.firstRecordSeconds < 0 && counter.Records() > 0) {
            run.firstRecordSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        if (keepOutput) {
            run.output.append(buffer.data(), static_cast<size_t>(got));
        }
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    run.records = counter.Records();
    std::ifstream errors(errorsPath);
    run.errors.assign(std::istreambuf_iterator<char>(errors), std::istreambuf_iterator<char>());
    std::remove(errorsPath.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != expectedStatus) {
        std::fprintf(stderr, "%s failed:\n%s", argv[0].c_str(), run.errors.c_str());
        std::exit(1);
    }
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Figure(const std::string& text, const std::string& name) {
    const std::string label = name + ": ";
    for (size_t at = text.find(label); at != std::string::npos; at = text.find(label, at + 1)) {
        if (at == 0 || text[at - 1] == '\n') {
            return std::atof(text.c_str() + at + label.size());
        }
    }
    return -1;
}

} // namespace larkspur::bench
