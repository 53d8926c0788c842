// QSocketCloseWatcher: the notification point through which the program learns that a server
// closed the socket of a bound connection. The program implements and owns it.
#pragma once

#include "harrow32_export.h"

namespace harrow {

class HARROW32_EXPORT QSocketCloseWatcher {
public:
    virtual ~QSocketCloseWatcher() = default;

    // A bind completed on this socket. When the peer closes it, call
    // QDSManager::NotifySocketClose with the socket exactly once, from the event loop.
    virtual void WatchSocket(int socket) = 0;
    // The engine is about to close this socket itself (it may be reused at once): stop
    // watching it and report nothing. May be called from inside NotifySocketClose.
    virtual void ForgetSocket(int socket) = 0;
};

} // namespace harrow
