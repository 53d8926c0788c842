// LS_DisplayEntryHandler: the requester of the entry list's reads: it hands the read entry to
// the entry view and writes the read's progress into the status bar. It has no data.
#pragma once

#include "access/qrequester.h"

class CLarkspur32App;

class LS_DisplayEntryHandler : public harrow::QRequester {
public:
    LS_DisplayEntryHandler() = default;
    LS_DisplayEntryHandler(const LS_DisplayEntryHandler&) = delete;
    LS_DisplayEntryHandler& operator=(const LS_DisplayEntryHandler&) = delete;
    virtual ~LS_DisplayEntryHandler();

    void OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) override;

private:
    // A read whose connection went tells the user and ends.
    static void EndLostRead(CLarkspur32App& app);
};
