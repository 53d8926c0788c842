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
#include "qdebugoutput.h"
#include "schema/tablefolders.h"
#include "search/columnchoice.h"
#include "search/entrywriter.h"
#include "search/formchoice.h"
#include "search/searchoptions.h"

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

// The schema is read from "oidtable32" files in the current directory, else from the data
// folders; -tables names the folder to use instead.
bool EnterTablesDirectory(const std::string& tablesDir) {
    if (tablesDir.empty() || chdir(tablesDir.c_str()) == 0) {
        return true;
    }
    std::fprintf(stderr, "larkspur-search: cannot enter the tables directory '%s'\n",
                 tablesDir.c_str());
    return false;
}

std::string TablesNotLoaded(const std::string& tablesDir) {
    // -tables takes the place of the current folder.
    std::string text = "the OID tables could not be loaded from ";
    text += tablesDir.empty() ? "the current folder" : "'" + tablesDir + "'";
    for (const std::string& folder : harrow::OidTableFolders()) {
        text += ", " + folder;
    }
    return text;
}

// Without -v the engine's diagnostic traces are dropped; the program's own messages still go to
// stderr.
class TraceSwitch {
public:
    explicit TraceSwitch(bool verbose) {
        if (!verbose) {
            previous = harrow::QDebugOutput::SetSink([](const std::string&) {});
        }
    }
    ~TraceSwitch() { harrow::QDebugOutput::SetSink(previous); }
    TraceSwitch(const TraceSwitch&) = delete;
    TraceSwitch& operator=(const TraceSwitch&) = delete;

private:
    harrow::QDebugOutput::Sink previous;
};

void Complain(const std::string& text) {
    std::fprintf(stderr, "larkspur-search: %s\n", text.c_str());
}

struct PollStats {
    long calls = 0;
    std::chrono::nanoseconds longest{0};
    // The processor time of the longest call, which a busy machine does not inflate.
    std::chrono::nanoseconds longestCpu{0};
    // The processor time of the whole search, waits included.
    std::chrono::nanoseconds searchCpu{0};
};

std::chrono::nanoseconds CpuTime(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

std::chrono::nanoseconds ThreadCpuTime() {
    return CpuTime(CLOCK_THREAD_CPUTIME_ID);
}

// The program's idle hook: TidyUp, then while anything is outstanding one Poll per turn.
PollStats DriveSearch(harrow::QDSManager& manager) {
    PollStats stats;
    const std::chrono::nanoseconds processStart = CpuTime(CLOCK_PROCESS_CPUTIME_ID);
    for (;;) {
        manager.TidyUp();
        if (!manager.Waiting()) {
            stats.searchCpu = CpuTime(CLOCK_PROCESS_CPUTIME_ID) - processStart;
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
        // Asleep until a socket of the engine wakes or something falls due: a silent server
        // costs no processor time. A search this Poll ended has nothing left to wait for.
        if (manager.Waiting()) {
            manager.WaitForWork(std::chrono::seconds(1));
        }
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
        Complain(error);
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
    Complain("The search returned " + std::to_string(runner.Matches()) +
             " matches; the directory stopped it early, so there may be more.");
    return true;
}

} // namespace

SearchRunner::SearchRunner(EntryWriter& out) : writer(out) {}

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

namespace {

// A fresh manager with the schema and the forms loaded; null after saying why.
std::unique_ptr<harrow::QDSManager> LoadedManager(const SearchOptions& options) {
    if (!options.logFile.empty()) {
        harrow::QDSManager::Open(std::filesystem::absolute(options.logFile).c_str());
    }
    if (!EnterTablesDirectory(options.tablesDir)) {
        return nullptr;
    }
    auto manager = std::make_unique<harrow::QDSManager>();
    if (options.stallSeconds > 0) {
        manager->SetStallTime(std::chrono::seconds(options.stallSeconds));
    }
    if (!manager->PreInitialise()) {
        Complain(TablesNotLoaded(options.tablesDir));
        return nullptr;
    }
    if (!ApplyConnectionOptions(*manager, options)) {
        return nullptr;
    }
    if (!manager->Initialise(options.configDn, options.server, options.port)) {
        Complain("the form configuration could not be loaded from " + options.server + ":" +
                 std::to_string(options.port));
        // A refused password or a certificate that does not verify is worth telling as such.
        const harrow::QError* why = manager->FormConfig()->LoadError();
        if (why != nullptr && why->ErrorCode() >= harrow::QError::kCredentialsRefused) {
            Complain(ErrorText(why));
        }
        return nullptr;
    }
    return manager;
}

// Some operations failed outweighs a server that stopped early.
int SearchStatus(const SearchOptions& options, const SearchRunner& runner) {
    const int total = runner.TotalOperations();
    const int failed = runner.FailedOperations();
    if (options.verbose && options.format != OutputFormat::Ldif) {
        Complain("matches: " + std::to_string(runner.Matches()) + "; operations: " +
                 std::to_string(total) + " made, " + std::to_string(total - failed) +
                 " succeeded, " + std::to_string(failed) + " failed");
    }
    if (failed > 0) {
        Complain(std::to_string(failed) + " of " + std::to_string(total) + " operations failed");
        return kSomeOperationsFailed;
    }
    return ReportIncomplete(runner) ? kStoppedEarly : kAllSucceeded;
}

} // namespace

int RunFormSearch(const SearchOptions& original) {
    SearchOptions options = original;
    // Relative paths mean the caller's folder, which -tables leaves.
    if (!options.registryFile.empty()) {
        options.registryFile = std::filesystem::absolute(options.registryFile);
    }
    TraceSwitch traces(options.verbose);
    auto manager = LoadedManager(options);
    if (!manager) {
        return kCouldNotStart;
    }
    if (options.list) {
        std::fputs(FormList(*manager->FormConfig()).c_str(), stdout);
        return kAllSucceeded;
    }
    std::string note;
    std::string error;
    harrow::QForm* form = ChooseForm(*manager->FormConfig(), options.form, note, error);
    if (form == nullptr) {
        Complain(error);
        return kCouldNotStart;
    }
    if (!note.empty()) {
        Complain(note);
    }
    auto columns = ChooseColumns(options, *manager->Table(), error);
    if (!columns) {
        Complain(error);
        return kCouldNotStart;
    }
    FilledInputs inputs;
    form->BuildInputFields(inputs.target, inputs.context);
    for (const FieldValue& field : options.fields) {
        if (!SetField(inputs, field)) {
            Complain("form '" + form->Name() + "' has no field '" + field.field + "'");
            return kCouldNotStart;
        }
    }

    const std::unique_ptr<EntryWriter> writer =
        MakeEntryWriter(options.format, stdout, std::move(*columns));
    SearchRunner runner(*writer);
    auto search = std::make_unique<harrow::QFormSearch>(
        manager.get(), manager->GenRequestID(), &runner, form, inputs.target, inputs.context);
    inputs.Release();
    harrow::QError* startError = nullptr;
    const auto invokeStart = std::chrono::steady_clock::now();
    const int started = search->Invoke(startError);
    const auto invokeTook = std::chrono::steady_clock::now() - invokeStart;
    if (!started) {
        Complain("the search could not start: " + ErrorText(startError));
        delete startError;
        return kCouldNotStart;
    }
    PollStats stats = DriveSearch(*manager);
    manager->DeregisterRequest(search->ID());
    search.reset();

    writer->Finish(runner.Matches(), runner.TotalOperations(), runner.FailedOperations());
    std::fflush(stdout);
    if (options.stats) {
        std::fprintf(stderr,
                     "poll calls: %ld\nlongest poll: %.3f ms\nlongest poll cpu: %.3f ms\n"
                     "invoke: %.3f ms\nsearch cpu: %.3f ms\npeak memory: %ld KB\n",
                     stats.calls, Milliseconds(stats.longest), Milliseconds(stats.longestCpu),
                     Milliseconds(invokeTook), Milliseconds(stats.searchCpu), PeakResidentKb());
    }
    return SearchStatus(options, runner);
}

} // namespace larkspur::search
