// LS_FormHandler: the requester of one form window's searches: it turns the search's notices
// into status texts, counters, entry list rows and directory tree nodes. It owns the count of
// matches received in the current search.
#pragma once

#include "access/qrequester.h"

#include <QString>

namespace harrow {
class QFormCompletionReport;
class QFormReport;
} // namespace harrow
class LS_DITCtrl;
class LS_EntryListCtrl;
class LS_StatusReport;

class LS_FormHandler : public harrow::QRequester {
public:
    // The matches go to list, the intermediate matches to tree and the progress to status; all
    // outlive the handler.
    LS_FormHandler(LS_StatusReport& status, LS_EntryListCtrl& list, LS_DITCtrl& tree)
        : m_status(status), m_list(list), m_tree(tree) {}
    LS_FormHandler(const LS_FormHandler&) = delete;
    LS_FormHandler& operator=(const LS_FormHandler&) = delete;
    virtual ~LS_FormHandler();

    // Forgets the matches of the previous search.
    void Reset() {
        m_nMatches = 0;
        m_connectionError.clear();
    }
    int Matches() const { return m_nMatches; }

    void OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) override;

private:
    void OnResult(void* payload);
    void OnReport(void* payload);
    void OnComplete(void* payload);
    void OnConnectionError(harrow::QFormReport& report);
    QString CompletionText(const harrow::QFormCompletionReport& report) const;

    LS_StatusReport& m_status;
    LS_EntryListCtrl& m_list;
    LS_DITCtrl& m_tree;
    int m_nMatches = 0;
    // The sentence of the last server that could not be reached securely or refused the
    // sign-in; it stays beside the final status.
    QString m_connectionError;
};
