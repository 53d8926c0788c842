// Shared by the form search tests: two throwaway servers, Alpha and Beta, holding people,
// organisations, referrals to each other and the search-form configuration, a manager loaded from
// them, a requester that records every notification, and the engine's log captured with the
// servers' ports put back as placeholders.
#pragma once

#include "access/qdsmanager.h"
#include "access/qrequester.h"
#include "forms/qformreport.h"
#include "forms/qformsearch.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace larkspur::test {

// One notification as the requester saw it.
struct Notice {
    harrow::QDUAActivity activity = harrow::DUA_ERROR;
    // Reports only.
    harrow::QFormReportType type = harrow::FR_INTERMEDIATE_MATCHES;
    // Operation counts and completions.
    int total = -1;
    int failed = -1;
    // The printed DNs of the entries carried.
    std::vector<std::string> dns;
    // Completions: whether a server stopped early.
    int incomplete = 0;
    // Connection error reports: the error's sentence.
    std::string sentence;
};

using OpCount = std::pair<int, int>;

// Records every notification and deletes its payload, as the program's form handler does.
class RecordingRequester : public harrow::QRequester {
public:
    void OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) override;

    // The DNs of every result, in arrival order.
    std::vector<std::string> Results() const;
    // The DNs of every intermediate-matches report, in arrival order.
    std::vector<std::string> IntermediateMatches() const;
    std::vector<OpCount> OpCounts() const;
    int Completions() const;
    // The last completion's counts, or (-1, -1).
    OpCount Completion() const;

    std::vector<Notice> notices;
    // Called after each notice is recorded, for tests that act in the middle of a search.
    std::function<void(const Notice&)> onNotice;
};

// The engine's log on a fresh file for one test, closed when it goes.
class SearchLog {
public:
    SearchLog();
    ~SearchLog();
    SearchLog(const SearchLog&) = delete;
    SearchLog& operator=(const SearchLog&) = delete;

    // The log so far, every "dd/mm hh:mm:ss" replaced by "TIME" and the servers' ports by
    // "@ALPHA_PORT@" and "@BETA_PORT@".
    std::string Text(int alphaPort, int betaPort) const;
    // The log so far as written.
    std::string RawText() const;

private:
    std::string path;
};

class FormSearchTest : public ::testing::Test {
protected:
    static constexpr const char* kConfigDn = "ou=Forms,o=Alpha,c=GB";

    void SetUp() override;
    void TearDown() override;

    // A search of the named form with those field values ("Field" or "Input:Field" keys); it
    // is kept in search.
    harrow::QFormSearch& NewSearch(const std::string& form,
                                   const std::vector<std::pair<std::string, std::string>>& values);
    // A new search that starts and runs to its end.
    bool Run(const std::string& form,
             const std::vector<std::pair<std::string, std::string>>& values);
    // Invokes the search; returns its result and sets errorCode (0 without an error).
    int Invoke(unsigned long& errorCode);
    // Drives the manager as the program's idle loop does until nothing is outstanding; false
    // when that takes unreasonably long.
    bool RunToEnd();
    // Polls for a while, for notifications that should not come, or for a server to answer.
    void PollFor(int milliseconds);
    // Ends the server at once, as a crash would, leaving what it was sent unanswered.
    static void Crash(TestDirectory& server);
    // The connection id of the server's base point connection.
    long ConnectionOf(const TestDirectory& server);
    std::string LogText(const SearchLog& log) const { return log.Text(alpha.Port(), beta.Port()); }

    TestDirectory alpha{"o=Alpha,c=GB"};
    TestDirectory beta{"o=Beta,c=GB"};
    harrow::QDSManager manager;
    RecordingRequester requester;
    std::unique_ptr<harrow::QFormSearch> search;
};

using FieldValues = std::vector<std::pair<std::string, std::string>>;

// A search of the named form of the manager's configuration with those field values ("Field"
// or "Input:Field" keys), reporting to the requester.
std::unique_ptr<harrow::QFormSearch> NewFormSearch(harrow::QDSManager& manager,
                                                   harrow::QRequester& requester,
                                                   const std::string& form,
                                                   const FieldValues& values);
// Drives the manager as the program's idle loop does until nothing is outstanding; false when
// that takes unreasonably long.
bool RunManagerToEnd(harrow::QDSManager& manager);

// Opens and binds an anonymous connection to the server; its id.
long BoundConnection(harrow::QDSManager& manager, const TestDirectory& server);

// The DNs as a sorted list, for searches whose servers answer in either order.
std::vector<std::string> Sorted(std::vector<std::string> dns);

} // namespace larkspur::test
