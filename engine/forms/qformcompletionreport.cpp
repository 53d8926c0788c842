#include "forms/qformcompletionreport.h"

namespace harrow {

QFormCompletionReport::QFormCompletionReport(int total, int failed, int incompleteResults)
    : totalOperations(total), failedOperations(failed), incomplete(incompleteResults) {}

QFormCompletionReport::~QFormCompletionReport() = default;

int QFormCompletionReport::GetOpCount(int& total, int& failed) const {
    total = totalOperations;
    failed = failedOperations;
    return 1;
}

} // namespace harrow
