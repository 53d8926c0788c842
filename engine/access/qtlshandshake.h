// QTlsHandshake: makes the TLS handshake of one connected session on a helper thread, so that
// nobody waits on the network for it. It owns the session while the handshake runs, and the
// thread; giving up on a handshake cuts its socket, which ends the thread at once.
#pragma once

#include "access/ldapapi.h"

#include <atomic>
#include <thread>

namespace harrow {

class QTlsHandshake {
public:
    // How a handshake ended.
    struct Outcome {
        // The session, secured when code is LDAP_SUCCESS.
        ldapapi::Handle session;
        int code = LDAP_OTHER;
        // Why the server's certificate was refused, as far as libldap told.
        ldapapi::TlsFailure failure = ldapapi::TlsFailure::None;
    };

    // Starts at once on the session, whose TLS options and time limit are set already.
    explicit QTlsHandshake(ldapapi::Handle session);
    QTlsHandshake(const QTlsHandshake&) = delete;
    QTlsHandshake& operator=(const QTlsHandshake&) = delete;
    // Gives up on a handshake that has not ended, and frees the session.
    ~QTlsHandshake();

    // Never waits.
    bool Done() const { return done.load(std::memory_order_acquire); }
    // Readable once the handshake has ended; -1 when it ended before the constructor returned.
    int WaitSocket() const { return doneSignal; }
    // Once Done: the session back, with how the handshake went.
    Outcome Finish();

private:
    void Run();

    Outcome outcome;
    int socket;
    int doneSignal = -1;
    std::atomic<bool> done = false;
    std::thread worker;
};

} // namespace harrow
