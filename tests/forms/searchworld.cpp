#include "searchworld.h"

#include "access/qbindmanager.h"
#include "access/qerror.h"
#include "access/qlogfile.h"
#include "configdirectory.h"
#include "forms/qform.h"
#include "forms/qformcompletionreport.h"
#include "forms/qformconfiguration.h"
#include "forms/qforminput.h"
#include "forms/qformresult.h"
#include "model/qentry.h"
#include "schema/oidtable.h"
#include "support/testdata.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <regex>
#include <thread>
#include <unistd.h>

namespace larkspur::test {

namespace {

using harrow::PtrList;
using harrow::QEntry;

std::vector<std::string> TakeDNs(PtrList<QEntry>& entries) {
    std::vector<std::string> dns;
    for (QEntry* entry : entries) {
        std::string dn;
        entry->DN().GetDN(dn);
        dns.push_back(dn);
        delete entry;
    }
    entries.RemoveAll();
    return dns;
}

Notice ReadResult(void* payload) {
    std::unique_ptr<harrow::QFormResult> result(static_cast<harrow::QFormResult*>(payload));
    Notice notice;
    PtrList<QEntry> entries;
    result->GetEntries(entries);
    notice.dns = TakeDNs(entries);
    return notice;
}

Notice ReadReport(void* payload) {
    std::unique_ptr<harrow::QFormReport> report(static_cast<harrow::QFormReport*>(payload));
    Notice notice;
    notice.type = report->Type();
    report->GetOpCount(notice.total, notice.failed);
    harrow::QError* error = nullptr;
    report->GetError(error);
    if (error != nullptr) {
        error->Print(notice.sentence);
        delete error;
    }
    PtrList<QEntry> entries;
    report->GetEntries(entries);
    notice.dns = TakeDNs(entries);
    return notice;
}

Notice ReadCompletion(void* payload) {
    std::unique_ptr<harrow::QFormCompletionReport> report(
        static_cast<harrow::QFormCompletionReport*>(payload));
    Notice notice;
    report->GetOpCount(notice.total, notice.failed);
    notice.incomplete = report->Incomplete();
    return notice;
}

std::string FreshLogPath() {
    static std::atomic<int> serial{0};
    return ::testing::TempDir() + "formsearch-" + std::to_string(::getpid()) + "-" +
           std::to_string(serial++) + ".log";
}

std::string ReplacedAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

} // namespace

void RecordingRequester::OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) {
    Notice notice;
    switch (activity) {
    case harrow::DUA_RESULT:
        notice = ReadResult(message->Message());
        break;
    case harrow::DUA_REPORT:
        notice = ReadReport(message->Message());
        break;
    case harrow::DUA_COMPLETE:
        notice = ReadCompletion(message->Message());
        break;
    default:
        break;
    }
    notice.activity = activity;
    notices.push_back(notice);
    if (onNotice) {
        onNotice(notices.back());
    }
}

std::vector<std::string> RecordingRequester::Results() const {
    std::vector<std::string> dns;
    for (const Notice& notice : notices) {
        if (notice.activity == harrow::DUA_RESULT) {
            dns.insert(dns.end(), notice.dns.begin(), notice.dns.end());
        }
    }
    return dns;
}

std::vector<std::string> RecordingRequester::IntermediateMatches() const {
    std::vector<std::string> dns;
    for (const Notice& notice : notices) {
        if (notice.activity == harrow::DUA_REPORT &&
            notice.type == harrow::FR_INTERMEDIATE_MATCHES) {
            dns.insert(dns.end(), notice.dns.begin(), notice.dns.end());
        }
    }
    return dns;
}

std::vector<OpCount> RecordingRequester::OpCounts() const {
    std::vector<OpCount> counts;
    for (const Notice& notice : notices) {
        if (notice.activity == harrow::DUA_REPORT && notice.type == harrow::FR_OPERATION_COUNT) {
            counts.emplace_back(notice.total, notice.failed);
        }
    }
    return counts;
}

int RecordingRequester::Completions() const {
    return static_cast<int>(std::count_if(notices.begin(), notices.end(), [](const Notice& n) {
        return n.activity == harrow::DUA_COMPLETE;
    }));
}

OpCount RecordingRequester::Completion() const {
    for (auto it = notices.rbegin(); it != notices.rend(); ++it) {
        if (it->activity == harrow::DUA_COMPLETE) {
            return {it->total, it->failed};
        }
    }
    return {-1, -1};
}

SearchLog::SearchLog() : path(FreshLogPath()) {
    std::remove(path.c_str());
    harrow::QLogFile::Open(path.c_str());
}

SearchLog::~SearchLog() {
    harrow::QLogFile::Close();
    std::remove(path.c_str());
}

std::string SearchLog::RawText() const {
    return ReadFile(path);
}

std::string SearchLog::Text(int alphaPort, int betaPort) const {
    static const std::regex time(R"(\d\d/\d\d \d\d:\d\d:\d\d)");
    std::string text = std::regex_replace(RawText(), time, "TIME");
    text = ReplacedAll(text, ":" + std::to_string(alphaPort) + "/", ":@ALPHA_PORT@/");
    text = ReplacedAll(text, ":" + std::to_string(betaPort) + "/", ":@BETA_PORT@/");
    text = ReplacedAll(text, "Port: " + std::to_string(alphaPort) + "\n", "Port: @ALPHA_PORT@\n");
    return ReplacedAll(text, "Port: " + std::to_string(betaPort) + "\n", "Port: @BETA_PORT@\n");
}

void FormSearchTest::SetUp() {
    // A write to a server that has gone away must not end the test process.
    std::signal(SIGPIPE, SIG_IGN);
    alpha.LoadLdifFile(TestDataPath("forms/search/alpha.ldif"));
    beta.LoadLdifFile(TestDataPath("forms/search/beta.ldif"));
    ASSERT_TRUE(alpha.Start());
    ASSERT_TRUE(beta.Start());
    const Placeholders ports = {{"@ALPHA_PORT@", std::to_string(alpha.Port())},
                                {"@BETA_PORT@", std::to_string(beta.Port())},
                                // Nothing listens on port 1 of the loopback address.
                                {"@DEAD_PORT@", "1"}};
    ASSERT_TRUE(ApplyConfiguration(alpha, TestDataPath("forms/search/config.ldif"), ports));
    ASSERT_TRUE(
        ApplyConfiguration(alpha, TestDataPath("forms/search/referrals-alpha.ldif"), ports));
    ASSERT_TRUE(ApplyConfiguration(beta, TestDataPath("forms/search/referrals-beta.ldif"), ports));
    ASSERT_EQ(1, manager.Table()->Load(DataPath("oidtable32").c_str()));
    ASSERT_EQ(1, manager.Initialise(kConfigDn, TestDirectory::kHost, alpha.Port()));
}

void FormSearchTest::TearDown() {
    if (search) {
        manager.DeregisterRequest(search->ID());
        search.reset();
    }
}

harrow::QFormSearch&
FormSearchTest::NewSearch(const std::string& formName,
                          const std::vector<std::pair<std::string, std::string>>& values) {
    search = NewFormSearch(manager, requester, formName, values);
    return *search;
}

std::unique_ptr<harrow::QFormSearch> NewFormSearch(harrow::QDSManager& manager,
                                                   harrow::QRequester& requester,
                                                   const std::string& formName,
                                                   const FieldValues& values) {
    harrow::QForm* form = manager.FormConfig()->GetForm(formName);
    EXPECT_NE(nullptr, form) << formName;
    harrow::QFormInput* target = nullptr;
    PtrList<harrow::QFormInput> context;
    form->BuildInputFields(target, context);
    for (const auto& [key, value] : values) {
        const auto colon = key.find(':');
        const std::string inputName = colon == std::string::npos ? "" : key.substr(0, colon);
        const std::string field = colon == std::string::npos ? key : key.substr(colon + 1);
        int set = 0;
        if (inputName.empty() || inputName == target->Name()) {
            set = target->SetFieldValue(field, value);
        }
        for (harrow::QFormInput* input : context) {
            if (!set && (inputName.empty() || inputName == input->Name())) {
                set = input->SetFieldValue(field, value);
            }
        }
        EXPECT_EQ(1, set) << key;
    }
    return std::make_unique<harrow::QFormSearch>(&manager, manager.GenRequestID(), &requester, form,
                                                 target, context);
}

bool FormSearchTest::Run(const std::string& form,
                         const std::vector<std::pair<std::string, std::string>>& values) {
    NewSearch(form, values);
    unsigned long error = 0;
    const int started = Invoke(error);
    EXPECT_EQ(1, started) << "error " << error;
    return started && RunToEnd();
}

int FormSearchTest::Invoke(unsigned long& errorCode) {
    harrow::QError* error = nullptr;
    const int started = search->Invoke(error);
    errorCode = error != nullptr ? error->ErrorCode() : 0;
    delete error;
    return started;
}

bool FormSearchTest::RunToEnd() {
    return RunManagerToEnd(manager);
}

bool RunManagerToEnd(harrow::QDSManager& manager) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        manager.TidyUp();
        if (!manager.Waiting()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        manager.Poll();
        manager.WaitForWork(std::chrono::milliseconds(100));
    }
}

void FormSearchTest::PollFor(int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
        manager.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void FormSearchTest::Crash(TestDirectory& server) {
    const std::string pid = ReadFile(server.Folder() + "/slapd.pid");
    ASSERT_FALSE(pid.empty());
    ASSERT_EQ(0, ::kill(static_cast<pid_t>(std::stol(pid)), SIGKILL));
    ASSERT_TRUE(server.Stop());
}

long FormSearchTest::ConnectionOf(const TestDirectory& server) {
    return manager.BindManager()->OpenConnection(TestDirectory::kHost, server.Port(), "", "");
}

long BoundConnection(harrow::QDSManager& manager, const TestDirectory& server) {
    harrow::QBindManager* binds = manager.BindManager();
    const long connId = binds->OpenConnection(TestDirectory::kHost, server.Port(), "", "");
    harrow::QError* error = nullptr;
    EXPECT_EQ(1, binds->StartBind(connId, error) && binds->BindWait(connId, error));
    delete error;
    return connId;
}

std::vector<std::string> Sorted(std::vector<std::string> dns) {
    std::sort(dns.begin(), dns.end());
    return dns;
}

} // namespace larkspur::test
