// LS_FormHandler: the requester of one form window's searches: it turns the search's notices
// into status texts, counters, entry list rows and directory tree nodes. It owns the count of
// matches received in the current search.
#pragma once

#include "access/qrequester.h"

class LS_FormHandler : public harrow::QRequester {
public:
    LS_FormHandler() = default;
    LS_FormHandler(const LS_FormHandler&) = delete;
    LS_FormHandler& operator=(const LS_FormHandler&) = delete;
    virtual ~LS_FormHandler();

    // Forgets the matches of the previous search.
    void Reset() { m_nMatches = 0; }
    int Matches() const { return m_nMatches; }

    void OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) override;

private:
    void OnResult(void* payload);
    void OnReport(void* payload);
    void OnComplete(void* payload);

    int m_nMatches = 0;
};
