#include "search/LS_FormHandler.h"

#include "platform/LS_StatusReport.h"
#include "platform/LS_StringTable.h"
#include "platform/Resource.h"
#include "results/LS_EntryListCtrl.h"
#include "search/LS_DITCtrl.h"

#include "access/qerror.h"
#include "forms/qformcompletionreport.h"
#include "forms/qformreport.h"
#include "forms/qformresult.h"
#include "model/qentry.h"
#include "ptrlist.h"

#include <memory>

LS_FormHandler::~LS_FormHandler() = default;

void LS_FormHandler::OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) {
    switch (activity) {
    case harrow::DUA_RESULT:
        OnResult(message->Message());
        break;
    case harrow::DUA_REPORT:
        OnReport(message->Message());
        break;
    case harrow::DUA_COMPLETE:
        OnComplete(message->Message());
        break;
    default:
        break;
    }
}

void LS_FormHandler::OnResult(void* payload) {
    const std::unique_ptr<harrow::QFormResult> result(static_cast<harrow::QFormResult*>(payload));
    harrow::PtrList<harrow::QEntry> entries;
    m_nMatches += static_cast<int>(result->GetEntries(entries));
    m_status.SetProgressText(QString::asprintf(
        LS_StringTable::Load(res::IDS_SEARCH_PROGRESS).toUtf8().constData(), m_nMatches));
    m_list.AddEntries(entries);
}

void LS_FormHandler::OnReport(void* payload) {
    const std::unique_ptr<harrow::QFormReport> report(static_cast<harrow::QFormReport*>(payload));
    if (report->Type() == harrow::FR_INTERMEDIATE_MATCHES) {
        harrow::PtrList<harrow::QEntry> entries;
        report->GetEntries(entries);
        for (harrow::QEntry* entry : entries) {
            const std::unique_ptr<harrow::QEntry> owned(entry);
            m_tree.AddEntry(*owned, 1);
        }
    } else if (report->Type() == harrow::FR_CONNECTION_ERROR) {
        OnConnectionError(*report);
    } else if (report->Type() == harrow::FR_OPERATION_COUNT) {
        int made = 0;
        int failed = 0;
        report->GetOpCount(made, failed);
        m_status.SetCounters(made, failed);
    }
}

void LS_FormHandler::OnComplete(void* payload) {
    const std::unique_ptr<harrow::QFormCompletionReport> report(
        static_cast<harrow::QFormCompletionReport*>(payload));
    m_status.SetStatusText(CompletionText(*report));
    m_status.FlashStatus();
}

QString LS_FormHandler::CompletionText(const harrow::QFormCompletionReport& report) const {
    int total = 0;
    int failed = 0;
    report.GetOpCount(total, failed);
    QString text =
        report.Incomplete()
            ? QString::asprintf(
                  LS_StringTable::Load(res::IDS_SEARCH_INCOMPLETE).toUtf8().constData(), m_nMatches)
            : QString::asprintf(LS_StringTable::Load(res::IDS_SEARCH_COMPLETE).toUtf8().constData(),
                                m_nMatches, total - failed, failed);
    if (!m_connectionError.isEmpty()) {
        text += (text.endsWith(' ') ? QString() : QStringLiteral(" ")) + m_connectionError;
    }
    return text;
}

void LS_FormHandler::OnConnectionError(harrow::QFormReport& report) {
    harrow::QError* error = nullptr;
    report.GetError(error);
    const std::unique_ptr<harrow::QError> owned(error);
    if (!owned) {
        return;
    }
    std::string sentence;
    owned->Print(sentence);
    m_connectionError = QString::fromStdString(sentence);
    m_status.SetStatusText(m_connectionError);
    m_status.FlashStatus();
}
