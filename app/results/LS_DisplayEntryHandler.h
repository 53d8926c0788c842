// LS_DisplayEntryHandler: the requester of the entry list's reads: it hands the read entry to
// the entry view and writes the read's progress into the status bar. It owns nothing: the read
// it answers stays in the entry list's slot.
#pragma once

#include "platform/LS_RequestSlot.h"

#include "access/qreadentry.h"
#include "access/qrequester.h"

class LS_EntryViewCtrl;
class LS_ResultPages;
class LS_StatusReport;

class LS_DisplayEntryHandler : public harrow::QRequester {
public:
    // read is the slot the entry list keeps its read in; the read entry goes to view, which
    // pages brings to the front, and the progress to status. All outlive the handler.
    LS_DisplayEntryHandler(LS_RequestSlot<harrow::QReadEntry>& read, LS_StatusReport& status,
                           LS_EntryViewCtrl& view, LS_ResultPages& pages)
        : m_read(read), m_status(status), m_view(view), m_pages(pages) {}
    LS_DisplayEntryHandler(const LS_DisplayEntryHandler&) = delete;
    LS_DisplayEntryHandler& operator=(const LS_DisplayEntryHandler&) = delete;
    virtual ~LS_DisplayEntryHandler();

    void OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) override;

private:
    // A read whose connection went tells the user and ends.
    void EndLostRead();

    LS_RequestSlot<harrow::QReadEntry>& m_read;
    LS_StatusReport& m_status;
    LS_EntryViewCtrl& m_view;
    LS_ResultPages& m_pages;
};
