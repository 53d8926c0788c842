#include "results/LS_DisplayEntryHandler.h"

#include "platform/LS_StatusReport.h"
#include "platform/LS_StringTable.h"
#include "platform/Resource.h"
#include "results/LS_EntryViewCtrl.h"
#include "results/LS_ResultPages.h"

#include "access/qreadcompletionreport.h"
#include "access/qreaderrorreport.h"
#include "access/qreadreport.h"
#include "access/qreadresult.h"
#include "model/qdn.h"

#include <memory>
#include <string>

namespace {

std::string FriendlyDN(const harrow::QDN& dn) {
    std::string text;
    dn.GetFriendlyDN(text);
    return text;
}

QString Formatted(unsigned int stringId, const std::string& first, const std::string& second) {
    return QString::asprintf(LS_StringTable::Load(stringId).toUtf8().constData(), first.c_str(),
                             second.c_str());
}

} // namespace

LS_DisplayEntryHandler::~LS_DisplayEntryHandler() = default;

void LS_DisplayEntryHandler::OnActivity(harrow::QDUAActivity activity,
                                        harrow::QRequestMsg* message) {
    switch (activity) {
    case harrow::DUA_RESULT: {
        const std::unique_ptr<harrow::QReadResult> result(
            static_cast<harrow::QReadResult*>(message->Message()));
        m_view.SetEntry(result->GetEntry());
        m_pages.ShowEntryView();
        break;
    }
    case harrow::DUA_REPORT: {
        const std::unique_ptr<harrow::QReadReport> report(
            static_cast<harrow::QReadReport*>(message->Message()));
        if (report->Type() == harrow::READ_INVOKED) {
            m_status.SetStatusText(
                Formatted(res::IDS_READING_ENTRY, FriendlyDN(report->DN()), report->Host()));
        }
        break;
    }
    case harrow::DUA_ERROR: {
        const std::unique_ptr<harrow::QReadErrorReport> report(
            static_cast<harrow::QReadErrorReport*>(message->Message()));
        m_status.SetStatusText(
            Formatted(res::IDS_READ_ENTRY_ERROR, FriendlyDN(report->DN()), report->Host()));
        m_status.FlashStatus();
        break;
    }
    case harrow::DUA_COMPLETE: {
        const std::unique_ptr<harrow::QReadCompletionReport> report(
            static_cast<harrow::QReadCompletionReport*>(message->Message()));
        m_status.SetStatusText(
            QString::asprintf(LS_StringTable::Load(res::IDS_READ_ENTRY_DONE).toUtf8().constData(),
                              FriendlyDN(report->DN()).c_str()));
        break;
    }
    case harrow::DUA_CONNECTION_CLOSED:
        EndLostRead();
        break;
    default:
        break;
    }
}

void LS_DisplayEntryHandler::EndLostRead() {
    const harrow::QReadEntry* read = m_read.Get();
    if (!read) {
        return;
    }
    m_status.SetStatusText(
        Formatted(res::IDS_READ_ENTRY_ERROR, FriendlyDN(read->DN()), read->Host()));
    m_status.FlashStatus();
    // The engine keeps a read whose connection went until it is aborted, and the program would
    // stay working, polling for an answer that cannot come, until the user pressed Abort.
    m_read.Delete();
}
