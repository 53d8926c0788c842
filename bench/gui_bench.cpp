// Runs the real program (CLarkspur32App on the offscreen platform) against one throwaway slapd
// holding many people, typing a name into the People form and pressing Enter as a user does, and
// `ldapsearch -x -LLL` with the same filter, alternating which goes first. Each program run is a
// child process of its own, so that its memory starts from the program's empty state. Prints
// the medians as "NAME: VALUE" lines and judges them against the targets.
#include "benchrun.h"

#include "forms/qform.h"
#include "results/LS_EntryListCtrl.h"
#include "search/LS_FormEdit.h"
#include "search/LS_FormWin.h"
#include "search/LS_LHSTabCtrl.h"
#include "shell/Larkspur32.h"
#include "shell/MainFrm.h"
#include "support/bulkdirectory.h"
#include "support/testdata.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using larkspur::bench::Figure;
using larkspur::bench::Median;
using larkspur::bench::ProgramRun;
using larkspur::bench::RunProgram;
using larkspur::test::BulkDirectory;

constexpr double kRatioTarget = 3.0;
constexpr double kRatioGoal = 1.5;
constexpr double kGapTargetMs = 50;
constexpr double kBytesPerEntryTarget = 1024;
constexpr double kSortTargetMs = 300;
// A run that takes longer than this has hung.
constexpr int kRunLimitMs = 15 * 60 * 1000;

// A figure of /proc/self/status in KB; negative when missing.
long StatusKb(const std::string& name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(name + ":", 0) == 0) {
            return std::atol(line.c_str() + name.size() + 1);
        }
    }
    return -1;
}

// Makes the kernel's peak resident size start again from the current one.
bool ResetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5" << std::flush;
    return clear.good();
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The processor time of this thread: on a busy machine a turn of the loop can take long while
// the program waits for a processor, and this tells the two apart.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void Settle(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// The program's working folder and configuration home, as an installed program has them.
bool MakeSandbox(const QTemporaryDir& sandbox, const std::string& registryPath) {
    const QString config = sandbox.path() + QStringLiteral("/config");
    if (!QDir().mkpath(config + QStringLiteral("/Calder Institute")) ||
        !QFile::copy(QString::fromStdString(registryPath),
                     config + QStringLiteral("/Calder Institute/Larkspur.reg"))) {
        return false;
    }
    for (const char* extension : {"gen", "at", "oc"}) {
        const std::string name = std::string("oidtable32.") + extension;
        if (!QFile::copy(QString::fromStdString(larkspur::test::DataPath(name)),
                         sandbox.path() + '/' + QString::fromStdString(name))) {
            return false;
        }
    }
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    return QDir::setCurrent(sandbox.path());
}

LS_FormWin* PeopleForm(const CLarkspur32App& program) {
    LS_LHSTabCtrl* left = program.LeftTabs();
    const auto& windows = left->FormWins();
    for (std::size_t index = 0; index < windows.size(); ++index) {
        if (windows[index]->Form()->Name() == "People") {
            left->SelectForm(static_cast<int>(index) + 1, 0);
            return windows[index].get();
        }
    }
    return nullptr;
}

// One program run: prints its figures as "NAME: VALUE" lines.
int RunOnce(const std::string& registryPath, const QString& word, int expected) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "bench_gui";
    char* argv[] = {name, nullptr};
    QApplication qtApp(argc, argv);
    QTemporaryDir sandbox;
    if (!sandbox.isValid() || !MakeSandbox(sandbox, registryPath)) {
        std::fprintf(stderr, "the sandbox could not be made\n");
        return 1;
    }
    CLarkspur32App program({"-nosplash"});
    if (!program.InitInstance()) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    LS_FormWin* form = PeopleForm(program);
    if (!form) {
        std::fprintf(stderr, "the People form is missing\n");
        return 1;
    }
    LS_FormEdit* edit = form->Rows().front()->Edit();
    QTest::keyClicks(edit, word);
    Settle(300);

    const CMainFrame* frame = program.GetMainFrame();
    LS_EntryListCtrl* list = program.GetEntryList();
    const LS_EntryListModel* rows = list->Model();
    const long emptyKb = StatusKb("VmRSS");
    const bool peakReset = ResetPeakMemory();
    long sampledPeakKb = emptyKb;
    QEventLoop loop;
    QElapsedTimer clock;
    double firstRowS = -1;
    double allRowsS = -1;
    double largestGapMs = 0;
    double largestGapCpuMs = 0;
    qint64 lastTurnNs = 0;
    double lastTurnCpuMs = 0;
    int turns = 0;
    QObject::connect(rows, &QAbstractItemModel::rowsInserted, &loop, [&] {
        if (firstRowS < 0) {
            firstRowS = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        }
    });
    // A fine timer fires once per turn of the event loop at most: the time between two of its
    // firings is at least the longest turn in between.
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, &loop, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double nowCpuMs = ThreadCpuMs();
        largestGapMs = std::max(largestGapMs, static_cast<double>(now - lastTurnNs) / 1e6);
        largestGapCpuMs = std::max(largestGapCpuMs, nowCpuMs - lastTurnCpuMs);
        lastTurnNs = now;
        lastTurnCpuMs = nowCpuMs;
        if (!peakReset && ++turns % 20 == 0) {
            sampledPeakKb = std::max(sampledPeakKb, StatusKb("VmRSS"));
        }
        if (rows->rowCount() == expected && rows->PendingCount() == 0 && !frame->IsWorking()) {
            allRowsS = static_cast<double>(now) / 1e9;
            loop.quit();
        }
    });
    QTimer::singleShot(kRunLimitMs, &loop, &QEventLoop::quit);

    const double cpuBefore = CpuSeconds();
    const double enterCpuMs = ThreadCpuMs();
    clock.start();
    QTest::keyClick(edit, Qt::Key_Return);
    lastTurnNs = clock.nsecsElapsed();
    lastTurnCpuMs = ThreadCpuMs();
    largestGapMs = static_cast<double>(lastTurnNs) / 1e6;
    largestGapCpuMs = lastTurnCpuMs - enterCpuMs;
    probe.start();
    loop.exec();
    probe.stop();
    const double cpuSeconds = CpuSeconds() - cpuBefore;
    const long peakKb = peakReset ? StatusKb("VmHWM") : sampledPeakKb;
    if (allRowsS < 0) {
        std::fprintf(stderr, "the list showed %d of %d rows\n", rows->rowCount(), expected);
        return 1;
    }

    QHeaderView* header = list->header();
    const QPoint firstColumn(header->sectionSize(0) / 2, header->height() / 2);
    QElapsedTimer sorting;
    const double sortCpuBefore = ThreadCpuMs();
    sorting.start();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, firstColumn);
    const double sortMs = static_cast<double>(sorting.nsecsElapsed()) / 1e6;
    const double sortCpuMs = ThreadCpuMs() - sortCpuBefore;

    std::printf("rows: %d\nfirst_row_s: %.4f\nall_rows_s: %.4f\nlargest_gap_ms: %.2f\n"
                "largest_gap_cpu_ms: %.2f\npeak_above_empty_kb: %ld\ncpu_s: %.4f\n"
                "sort_ms: %.2f\nsort_cpu_ms: %.2f\n",
                rows->rowCount(), firstRowS, allRowsS, largestGapMs, largestGapCpuMs,
                peakKb - emptyKb, cpuSeconds, sortMs, sortCpuMs);
    return 0;
}

int Option(int argc, char** argv, const std::string& name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (argv[i] == name) {
            return std::atoi(argv[i + 1]);
        }
    }
    return fallback;
}

struct Judge {
    int passed = 0;
    int failed = 0;

    void Check(const std::string& what, bool met) {
        (met ? passed : failed) += 1;
        std::printf("target_%s: %s\n", what.c_str(), met ? "met" : "missed");
    }
};

// The medians of one size, by figure name.
std::map<std::string, double> RunSize(const BulkDirectory& bulk, const std::string& self,
                                      const std::string& registryPath, const std::string& word,
                                      int expected, int runs) {
    const std::vector<std::string> program = {self, "--child", registryPath, word,
                                              std::to_string(expected)};
    const std::vector<std::string> reference = {"ldapsearch",
                                                "-x",
                                                "-LLL",
                                                "-H",
                                                bulk.Server().Url(),
                                                "-b",
                                                BulkDirectory::kPeople,
                                                "-s",
                                                "sub",
                                                BulkDirectory::FilterFor(word)};
    // Fills the server's caches.
    RunProgram(reference);
    std::map<std::string, std::vector<double>> figures;
    for (int run = 0; run < runs; ++run) {
        ProgramRun mine;
        ProgramRun theirs;
        if (run % 2 == 0) {
            mine = RunProgram(program, true);
            theirs = RunProgram(reference);
        } else {
            theirs = RunProgram(reference);
            mine = RunProgram(program, true);
        }
        if (Figure(mine.output, "rows") != expected || theirs.records != expected) {
            std::fprintf(stderr, "expected %d matches; the program showed %.0f, ldapsearch %ld\n",
                         expected, Figure(mine.output, "rows"), theirs.records);
            std::exit(1);
        }
        for (const char* name :
             {"first_row_s", "all_rows_s", "largest_gap_ms", "largest_gap_cpu_ms",
              "peak_above_empty_kb", "cpu_s", "sort_ms", "sort_cpu_ms"}) {
            figures[name].push_back(Figure(mine.output, name));
        }
        figures["ldapsearch_first_entry_s"].push_back(theirs.firstRecordSeconds);
        figures["ldapsearch_all_entries_s"].push_back(theirs.seconds);
        figures["ldapsearch_cpu_s"].push_back(theirs.cpuSeconds);
        figures["all_rows_ratio"].push_back(Figure(mine.output, "all_rows_s") / theirs.seconds);
    }
    std::map<std::string, double> medians;
    for (const auto& [name, values] : figures) {
        medians[name] = Median(values);
    }
    medians["memory_per_entry_bytes"] = medians["peak_above_empty_kb"] * 1024.0 / expected;
    return medians;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--child") {
        return RunOnce(argv[2], QString::fromUtf8(argv[3]), std::atoi(argv[4]));
    }
    const int people = Option(argc, argv, "--people", 100000);
    const int runs = std::max(1, Option(argc, argv, "--runs", 3));
    std::signal(SIGPIPE, SIG_IGN);
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        std::perror("/proc/self/exe");
        return 1;
    }

    BulkDirectory bulk;
    if (!bulk.Start(people)) {
        std::fprintf(stderr, "the benchmark server did not start\n");
        return 1;
    }
    const std::string registryPath = "/tmp/bench_gui." + std::to_string(::getpid()) + ".reg";
    std::ofstream(registryPath) << bulk.RegistryText();
    std::printf("%d people, median of %d runs each\n", people, runs);

    Judge judge;
    for (const auto& [word, expected] :
         {std::pair<std::string, int>{BulkDirectory::kTenthWord, people / 10},
          std::pair<std::string, int>{BulkDirectory::kEveryoneWord, people}}) {
        const std::map<std::string, double> medians =
            RunSize(bulk, self, registryPath, word, expected, runs);
        for (const auto& [name, value] : medians) {
            std::printf("%s_%d: %.4g\n", name.c_str(), expected, value);
        }
        const std::string size = std::to_string(expected);
        judge.Check("largest_gap_ms_" + size, medians.at("largest_gap_ms") <= kGapTargetMs);
        if (expected == people) {
            judge.Check("all_rows_ratio_" + size, medians.at("all_rows_ratio") <= kRatioTarget);
            std::printf("goal_all_rows_ratio_%s: %s\n", size.c_str(),
                        medians.at("all_rows_ratio") <= kRatioGoal ? "met" : "missed");
            judge.Check("memory_per_entry_bytes_" + size,
                        medians.at("memory_per_entry_bytes") < kBytesPerEntryTarget);
            judge.Check("sort_ms_" + size, medians.at("sort_ms") < kSortTargetMs);
        }
    }
    std::remove(registryPath.c_str());
    std::printf("bench_gui: %d passed, %d failed\n", judge.passed, judge.failed);
    return judge.failed == 0 ? 0 : 1;
}
