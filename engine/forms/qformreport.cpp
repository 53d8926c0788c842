#include "forms/qformreport.h"

#include "access/qerror.h"

namespace harrow {

QFormReport::QFormReport(PtrList<QEntry>& list, int continuation, QFormSearchNode* step,
                         QFormReportType kind)
    : node(step), type(kind), entries(list), continuationRequest(continuation) {}

QFormReport::QFormReport(const QStringList& urls, int continuation, QFormSearchNode* step,
                         QFormReportType kind)
    : node(step), type(kind), referrals(urls), continuationRequest(continuation) {}

QFormReport::QFormReport(QError* reason, QFormReportType kind) : type(kind), error(reason) {}

QFormReport::QFormReport(int total, int failed, QFormReportType kind)
    : type(kind), totalOperations(total), failedOperations(failed) {}

QFormReport::~QFormReport() = default;

unsigned QFormReport::GetEntries(PtrList<QEntry>& out) {
    return entries.MoveTo(out);
}

unsigned QFormReport::GetReferrals(QStringList& out) {
    out.splice(out.end(), referrals);
    return static_cast<unsigned>(out.size());
}

void QFormReport::GetError(QError*& out) {
    out = error.release();
}

int QFormReport::GetOpCount(int& total, int& failed) const {
    if (type != FR_OPERATION_COUNT) {
        return 0;
    }
    total = totalOperations;
    failed = failedOperations;
    return 1;
}

} // namespace harrow
