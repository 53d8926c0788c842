// QFormCompletionReport: the payload of a form search's completion notice, carrying how many
// search operations the whole search started and how many of them failed.
#pragma once

#include "harrow32_export.h"

namespace harrow {

class HARROW32_EXPORT QFormCompletionReport {
public:
    QFormCompletionReport(int total, int failed);
    virtual ~QFormCompletionReport();

    // Sets both counts; returns 1.
    int GetOpCount(int& total, int& failed) const;
    int TotalOperations() const { return totalOperations; }
    int FailedOperations() const { return failedOperations; }

private:
    int totalOperations;
    int failedOperations;
};

} // namespace harrow
