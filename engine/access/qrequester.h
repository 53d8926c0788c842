// QRequester: the interface of whatever created a request and wants to hear what happens to it
// (a window of the program). It has no data; it owns every payload it is handed.
#pragma once

#include "access/qduaactivity.h"
#include "access/qrequestmsg.h"
#include "harrow32_export.h"

namespace harrow {

class HARROW32_EXPORT QRequester {
public:
    // Receives one notification. The payload in message belongs to the requester from now on and
    // is deleted with the class that activity names; message itself is gone after the return.
    virtual void OnActivity(QDUAActivity activity, QRequestMsg* message) = 0;

    // Wraps the payload in a message record and hands it to OnActivity synchronously.
    void Notify(QDUAActivity activity, void* payload);

protected:
    // Requesters are never deleted through this interface.
    ~QRequester() = default;
};

} // namespace harrow
