// Running a program as a benchmark's reference or subject: its output read and its LDIF records
// counted as they come, its wall, first-record and processor times taken. It owns nothing.
#pragma once

#include <string>
#include <vector>

namespace larkspur::bench {

struct ProgramRun {
    double seconds = 0;
    // From the start until the first LDIF record began; negative when none came.
    double firstRecordSeconds = -1;
    // User and system time of the program.
    double cpuSeconds = 0;
    long records = 0;
    std::string output;
    std::string errors;
};

// Runs argv[0] (looked up on PATH) with stderr kept and, unless keepOutput, stdout only counted;
// ends the benchmark with its stderr when the program exits with any other status than
// expectedStatus.
ProgramRun RunProgram(const std::vector<std::string>& argv, bool keepOutput = false,
                      int expectedStatus = 0);

double Median(std::vector<double> values);

// The number after "NAME: " in a program's "NAME: VALUE" lines; negative when missing.
double Figure(const std::string& text, const std::string& name);

} // namespace larkspur::bench
