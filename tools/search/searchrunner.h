// SearchRunner: the requester of one command-line form search. It prints target matches as they
// arrive, keeps the latest operation counts, and owns (and deletes) every payload it receives.
#pragma once

#include "access/qrequester.h"

#include <chrono>

namespace larkspur::search {

class EntryWriter;
struct SearchOptions;

class SearchRunner : public harrow::QRequester {
public:
    explicit SearchRunner(EntryWriter& writer);

    void OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) override;

    bool Complete() const { return complete; }
    int Matches() const { return matches; }
    int TotalOperations() const { return totalOperations; }
    int FailedOperations() const { return failedOperations; }
    // A server stopped its search at a limit: there may be more matches.
    bool Incomplete() const { return incomplete; }

private:
    void TakeResult(void* payload);
    void TakeReport(void* payload);
    void TakeCompletion(void* payload);

    EntryWriter& writer;
    bool complete = false;
    int matches = 0;
    int totalOperations = 0;
    int failedOperations = 0;
    bool incomplete = false;
};

// Loads the schema and the forms, then lists the forms or runs the form search by driving Poll
// as the program's idle loop does, and prints the matches and the counts. Returns the program's
// exit status.
int RunFormSearch(const SearchOptions& options);

} // namespace larkspur::search
