// LS_StatusReport: how a window or a request handler tells the user something through the main
// frame: the status text, a search's progress, the flash of the status pane and the request
// counters. Whoever holds the frame implements it; it owns nothing.
#pragma once

class QString;

class LS_StatusReport {
public:
    LS_StatusReport() = default;
    LS_StatusReport(const LS_StatusReport&) = delete;
    LS_StatusReport& operator=(const LS_StatusReport&) = delete;
    virtual ~LS_StatusReport() = default;

    virtual void SetStatusText(const QString& text) = 0;
    // A search's progress, shown at display rate.
    virtual void SetProgressText(const QString& text) = 0;
    virtual void FlashStatus() = 0;
    // Negative requests made leave the counters empty.
    virtual void SetCounters(int requestsMade, int requestsFailed) = 0;
};
