// QFormCompletionReport: the payload of a form search's completion notice, carrying how many
// search operations the whole search started and how many of them failed.
#pragma once

#include "harrow32_export.h"

namespace harrow {

class HARROW32_EXPORT QFormCompletionReport {
public:
    // incomplete: some server stopped its search at a size or time limit.
    QFormCompletionReport(int total, int failed, int incomplete = 0);
    virtual ~QFormCompletionReport();

    // Sets both counts; returns 1.
    int GetOpCount(int& total, int& failed) const;
    int TotalOperations() const { return totalOperations; }
    int FailedOperations() const { return failedOperations; }
    // 1 when the matches may not be all there are, because a server stopped early.
    int Incomplete() const { return incomplete; }

private:
    int totalOperations;
    int failedOperations;
    int incomplete;
};

} // namespace harrow
