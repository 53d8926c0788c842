#include "search/searchrunner.h"

#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "forms/qform.h"
#include "forms/qformcompletionreport.h"
#include "forms/qformconfiguration.h"
#include "forms/qforminput.h"
#include "forms/qformreport.h"
#include "forms/qformresult.h"
#include "forms/qformsearch.h"
#include "model/qentry.h"
#include "search/ldifwriter.h"
#include "search/searchoptions.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace larkspur::search {

namespace {

constexpr int kCouldNotStart = 1;
constexpr int kIncomplete = 3;

using harrow::PtrList;
using harrow::QEntry;
using harrow::QFormInput;

void DeleteEntries(PtrList<QEntry>& entries) {
    for (QEntry* entry : entries) {
        delete entry;
    }
    entries.RemoveAll();
}

// Every filled input of the form: the target first, then the context inputs; owned here until
// the search takes them.
struct FilledInputs {
    QFormInput* target = nullptr;
    PtrList<QFormInput> context;

    ~FilledInputs() {
        delete target;
        for (QFormInput* input : context) {
            delete input;
        }
    }
    // Hands the inputs over to a search.
    void Release() {
        target = nullptr;
        context.RemoveAll();
    }
};

bool HasField(const QFormInput& input, const std::string& field) {
    harrow::QStringList names;
    input.GetFieldNames(names);
    for (const std::string& name : names) {
        if (name == field) {
            return true;
        }
    }
    return false;
}

bool SetField(FilledInputs& inputs, const FieldValue& field) {
    std::vector<QFormInput*> all{inputs.target};
    for (QFormInput* input : inputs.context) {
        all.push_back(input);
    }
    for (QFormInput* input : all) {
        bool named =
            field.input.empty() ? HasField(*input, field.field) : input->Name() == field.input;
        if (named && input->SetFieldValue(field.field, field.value)) {
            return true;
        }
    }
    return false;
}

// The schema is read from "oidtable32" files in the current directory.
bool EnterTablesDirectory(const std::string& tablesDir) {
    std::string dir = tablesDir;
    if (dir.empty()) {
        dir = std::filesystem::exists("oidtable32.gen") ? "." : LARKSPUR_DATA_DIR;
    }
    if (chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "larkspur-search: cannot enter the tables directory '%s'\n",
                     dir.c_str());
        return false;
    }
    return true;
}

struct PollStats {
    long calls = 0;
    std::chrono::nanoseconds longest{0};
    // The processor time of the longest call, which a busy machine does not inflate.
    std::chrono::nanoseconds longestCpu{0};
};

std::chrono::nanoseconds ThreadCpuTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// The program's idle hook: TidyUp, then while anything is outstanding one Poll per turn.
PollStats DriveSearch(harrow::QDSManager& manager) {
    PollStats stats;
    for (;;) {
        manager.TidyUp();
        if (!manager.Waiting()) {
            return stats;
        }
        auto start = std::chrono::steady_clock::now();
        auto startCpu = ThreadCpuTime();
        manager.Poll();
        auto took = std::chrono::steady_clock::now() - start;
        auto tookCpu = ThreadCpuTime() - startCpu;
        ++stats.calls;
        stats.longest = std::max(stats.longest, std::chrono::nanoseconds(took));
        stats.longestCpu = std::max(stats.longestCpu, tookCpu);
        // Between turns the program's event loop looks for window events; here the processor
        // goes to whoever else wants it, the servers included, as spinning against them only
        // slows the search.
        sched_yield();
    }
}

// Read from the process itself: what a parent measures from outside includes the memory of the
// process that was forked to start this program.
long PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

double Milliseconds(std::chrono::nanoseconds duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

harrow::ldapapi::Transport TransportOf(const std::string& security) {
    if (security == "ldaps") {
        return harrow::ldapapi::Transport::Ldaps;
    }
    return security == "starttls" ? harrow::ldapapi::Transport::StartTls
                                  : harrow::ldapapi::Transport::Plain;
}

// Security, sign-in and paging for every connection the search makes; false when the password
// cannot be had.
bool ApplyConnectionOptions(harrow::QDSManager& manager, const SearchOptions& options) {
    const ConnectionOptions& connection = options.connection;
    manager.SetPageSize(connection.pageSize);
    // No certificate file of its own: libldap's configuration (LDAPTLS_CACERT) or the system's.
    manager.BindManager()->SetSecurity(TransportOf(connection.security), "");
    if (connection.bindDn.empty()) {
        return true;
    }
    std::string error;
    const std::optional<std::string> password = ReadPassword(connection, error);
    if (!password) {
        std::fprintf(stderr, "larkspur-search: %s\n", error.c_str());
        return false;
    }
    manager.BindManager()->SetIdentity(options.server, connection.bindDn, *password);
    return true;
}

std::string ErrorText(const harrow::QError* error) {
    std::string text;
    if (error != nullptr) {
        error->Print(text);
    }
    return text;
}

// Tells on stderr, as the program's status bar does, that a server stopped early.
bool ReportIncomplete(const SearchRunner& runner) {
    if (!runner.Incomplete()) {
        return false;
    }
    std::fprintf(stderr,
                 "larkspur-search: The search returned %d matches; the directory stopped it "
                 "early, so there may be more.\n",
                 runner.Matches());
    return true;
}

} // namespace

SearchRunner::SearchRunner(LdifWriter& out) : writer(out) {}

void SearchRunner::OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) {
    switch (activity) {
    case harrow::DUA_RESULT:
        TakeResult(message->Message());
        break;
    case harrow::DUA_REPORT:
        TakeReport(message->Message());
        break;
    case harrow::DUA_COMPLETE:
        TakeCompletion(message->Message());
        break;
    default:
        break;
    }
}

void SearchRunner::TakeResult(void* payload) {
    std::unique_ptr<harrow::QFormResult> result(static_cast<harrow::QFormResult*>(payload));
    PtrList<QEntry> entries;
    result->GetEntries(entries);
    for (const QEntry* entry : entries) {
        writer.Write(*entry);
        ++matches;
    }
    DeleteEntries(entries);
}

void SearchRunner::TakeReport(void* payload) {
    std::unique_ptr<harrow::QFormReport> report(static_cast<harrow::QFormReport*>(payload));
    report->GetOpCount(totalOperations, failedOperations);
    PtrList<QEntry> entries;
    report->GetEntries(entries);
    DeleteEntries(entries);
}

void SearchRunner::TakeCompletion(void* payload) {
    std::unique_ptr<harrow::QFormCompletionReport> report(
        static_cast<harrow::QFormCompletionReport*>(payload));
    report->GetOpCount(totalOperations, failedOperations);
    incomplete = report->Incomplete() != 0;
    complete = true;
}

int RunFormSearch(const SearchOptions& options) {
    if (!options.logFile.empty()) {
        harrow::QDSManager::Open(std::filesystem::absolute(options.logFile).c_str());
    }
    if (!EnterTablesDirectory(options.tablesDir)) {
        return kCouldNotStart;
    }
    auto manager = std::make_unique<harrow::QDSManager>();
    if (!manager->PreInitialise()) {
        std::fprintf(stderr, "larkspur-search: the OID tables could not be loaded\n");
        return kCouldNotStart;
    }
    if (!ApplyConnectionOptions(*manager, options)) {
        return kCouldNotStart;
    }
    if (!manager->Initialise(options.configDn, options.server, options.port)) {
        std::fprintf(stderr,
                     "larkspur-search: the form configuration could not be loaded from "
                     "%s:%d\n",
                     options.server.c_str(), options.port);
        // A refused password or a certificate that does not verify is worth telling as such.
        const harrow::QError* why = manager->FormConfig()->LoadError();
        if (why != nullptr && why->ErrorCode() >= harrow::QError::kCredentialsRefused) {
            std::fprintf(stderr, "larkspur-search: %s\n", ErrorText(why).c_str());
        }
        return kCouldNotStart;
    }
    harrow::QForm* form = manager->FormConfig()->GetForm(options.form);
    if (form == nullptr) {
        std::fprintf(stderr, "larkspur-search: no form named '%s'\n", options.form.c_str());
        return kCouldNotStart;
    }
    FilledInputs inputs;
    form->BuildInputFields(inputs.target, inputs.context);
    for (const FieldValue& field : options.fields) {
        if (!SetField(inputs, field)) {
            std::fprintf(stderr, "larkspur-search: form '%s' has no field '%s'\n",
                         options.form.c_str(), field.field.c_str());
            return kCouldNotStart;
        }
    }

    LdifWriter writer(stdout);
    SearchRunner runner(writer);
    auto search = std::make_unique<harrow::QFormSearch>(
        manager.get(), manager->GenRequestID(), &runner, form, inputs.target, inputs.context);
    inputs.Release();
    harrow::QError* error = nullptr;
    if (!search->Invoke(error)) {
        std::fprintf(stderr, "larkspur-search: the search could not start: %s\n",
                     ErrorText(error).c_str());
        delete error;
        return kCouldNotStart;
    }
    PollStats stats = DriveSearch(*manager);
    manager->DeregisterRequest(search->ID());
    search.reset();

    writer.Comment("matches: " + std::to_string(runner.Matches()));
    writer.Comment("operations: " + std::to_string(runner.TotalOperations()) + " made, " +
                   std::to_string(runner.TotalOperations() - runner.FailedOperations()) +
                   " succeeded, " + std::to_string(runner.FailedOperations()) + " failed");
    std::fflush(stdout);
    if (options.stats) {
        std::fprintf(stderr,
                     "poll calls: %ld\nlongest poll: %.3f ms\nlongest poll cpu: %.3f ms\n"
                     "peak memory: %ld KB\n",
                     stats.calls, Milliseconds(stats.longest), Milliseconds(stats.longestCpu),
                     PeakResidentKb());
    }
    return ReportIncomplete(runner) ? kIncomplete : 0;
}

} // namespace larkspur::search
