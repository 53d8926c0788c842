#include "access/qtlshandshake.h"

#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <system_error>
#include <utility>

namespace harrow {

QTlsHandshake::QTlsHandshake(ldapapi::Handle session) : socket(ldapapi::Socket(session.get())) {
    outcome.session = std::move(session);
    doneSignal = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (doneSignal >= 0) {
        try {
            worker = std::thread([this] { Run(); });
            return;
        } catch (const std::system_error&) {
            ::close(std::exchange(doneSignal, -1));
        }
    }
    // Without a thread to spare the handshake is made here, bounded by the session's time limit.
    Run();
}

QTlsHandshake::~QTlsHandshake() {
    if (worker.joinable()) {
        // The handshake waits inside libldap for the server's part, and an end of input is
        // the one thing that stops it early. Writing stays open, so that nothing the session
        // still sends raises SIGPIPE.
        if (!Done() && socket >= 0) {
            ::shutdown(socket, SHUT_RD);
        }
        worker.join();
    }
    if (doneSignal >= 0) {
        ::close(doneSignal);
    }
}

QTlsHandshake::Outcome QTlsHandshake::Finish() {
    if (worker.joinable()) {
        worker.join();
    }
    return std::move(outcome);
}

void QTlsHandshake::Run() {
    const ldapapi::TlsFailureListener listener;
    outcome.code = ldapapi::InstallTls(outcome.session.get());
    outcome.failure = listener.Failure();
    done.store(true, std::memory_order_release);
    if (doneSignal >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(doneSignal, &one, sizeof one);
    }
}

} // namespace harrow
