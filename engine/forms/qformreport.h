// QFormReport: the payload of a form search's progress notice: intermediate matches, a
// continuation request or the operation counts. It owns its entries, referrals and error.
#pragma once

#include "forms/qownedentries.h"
#include "harrow32_export.h"
#include "model/qstringlist.h"
#include "ptrlist.h"

#include <cstdint>
#include <memory>

namespace harrow {

class QEntry;
class QError;
class QFormSearchNode;

enum QFormReportType : int32_t {
    FR_INTERMEDIATE_MATCHES = 0,
    FR_CONTINUATION_REQUEST = 1,
    FR_OPERATION_COUNT = 3,
    // A server could not be reached securely or refused the sign-in; carries the error, whose
    // sentence names the host where it names one.
    FR_CONNECTION_ERROR = 4,
};

class HARROW32_EXPORT QFormReport {
public:
    // Takes ownership of the entries (the pointers are copied).
    QFormReport(PtrList<QEntry>& entries, int continuation, QFormSearchNode* node,
                QFormReportType type);
    // Copies the referral URLs.
    QFormReport(const QStringList& referrals, int continuation, QFormSearchNode* node,
                QFormReportType type);
    // Takes ownership of the error.
    QFormReport(QError* error, QFormReportType type);
    QFormReport(int total, int failed, QFormReportType type);
    QFormReport(const QFormReport&) = delete;
    QFormReport& operator=(const QFormReport&) = delete;
    ~QFormReport();

    QFormReportType Type() const { return type; }
    // Moves every entry to the end of out (the caller owns them now); returns out's count.
    unsigned GetEntries(PtrList<QEntry>& out);
    // Appends the referrals to out and forgets them; returns out's count.
    unsigned GetReferrals(QStringList& out);
    // Hands the error over (null when there is none); the report no longer owns it.
    void GetError(QError*& error);
    // For an operation-count report sets both and returns 1; otherwise 0, both untouched.
    int GetOpCount(int& total, int& failed) const;
    int ContinuationRequest() const { return continuationRequest; }
    // The search step to continue from (continuation requests only).
    QFormSearchNode* Node() const { return node; }

private:
    QFormSearchNode* node = nullptr;
    QFormReportType type;
    QOwnedEntries entries;
    QStringList referrals;
    std::unique_ptr<QError> error;
    int continuationRequest = 0;
    int totalOperations = 0;
    int failedOperations = 0;
};

} // namespace harrow
