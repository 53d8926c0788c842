// QDUAActivity: the kind of a request's notification to its requester; the kind tells the
// requester which payload class the notification carries.
#pragma once

namespace harrow {

enum QDUAActivity {
    // A matching entry or a batch of entries (QReadResult*, QFormResult*).
    DUA_RESULT = 0,
    // Progress (QReadReport*, QFormReport*).
    DUA_REPORT = 1,
    // A read that failed to start or ended with an error (QReadErrorReport*).
    DUA_ERROR = 2,
    // The request ended normally (QReadCompletionReport*, QFormCompletionReport*).
    DUA_COMPLETE = 3,
    // Cancel() ran; no payload.
    DUA_CANCELLED = 4,
    // A read request's connection closed; no payload.
    DUA_CONNECTION_CLOSED = 5,
};

} // namespace harrow
