#include "platform/LS_SocketWatcher.h"

#include "qdebugoutput.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Only the peer's close wakes the set: data arriving is left to the engine's own polling, and a
// one-shot watch fires once however long the closed socket stays readable.
constexpr std::uint32_t closeEvents = EPOLLRDHUP | EPOLLONESHOT;

} // namespace

LS_SocketWatcher::LS_SocketWatcher() : watchSet(epoll_create1(EPOLL_CLOEXEC)) {
    if (watchSet < 0) {
        harrow::QDebugOutput::Writef("Failed to create the socket close watch set: %s\n",
                                     std::strerror(errno));
        return;
    }
    notifier = std::make_unique<QSocketNotifier>(watchSet, QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, &LS_SocketWatcher::OnReady);
}

LS_SocketWatcher::~LS_SocketWatcher() {
    notifier.reset();
    if (watchSet >= 0) {
        close(watchSet);
    }
}

void LS_SocketWatcher::SetReceiver(QObject* newReceiver) {
    receiver = newReceiver;
    PostPending();
}

void LS_SocketWatcher::WatchSocket(int socket) {
    if (watchSet < 0 || socket < 0) {
        return;
    }
    epoll_event event{};
    event.events = closeEvents;
    event.data.fd = socket;
    int result = epoll_ctl(watchSet, EPOLL_CTL_ADD, socket, &event);
    if (result != 0 && errno == EEXIST) {
        result = epoll_ctl(watchSet, EPOLL_CTL_MOD, socket, &event);
    }
    if (result != 0) {
        harrow::QDebugOutput::Writef("Failed to watch socket %d for its close: %s\n", socket,
                                     std::strerror(errno));
        return;
    }
    watched[socket] = nextWatch++;
    closed.erase(socket);
    unposted.erase(socket);
}

void LS_SocketWatcher::ForgetSocket(int socket) {
    if (forgetHook) {
        forgetHook(socket);
    }
    if (watched.erase(socket) != 0 && watchSet >= 0) {
        epoll_ctl(watchSet, EPOLL_CTL_DEL, socket, nullptr);
    }
    closed.erase(socket);
    unposted.erase(socket);
}

bool LS_SocketWatcher::TakeNotice(const LS_SocketCloseEvent& notice) {
    const auto found = closed.find(notice.Socket());
    if (found == closed.end() || found->second != notice.Watch()) {
        return false;
    }
    closed.erase(found);
    return true;
}

void LS_SocketWatcher::OnReady() {
    epoll_event events[16];
    int count = 0;
    while ((count = epoll_wait(watchSet, events, 16, 0)) > 0) {
        for (int i = 0; i < count; ++i) {
            const int socket = events[i].data.fd;
            const auto found = watched.find(socket);
            if (found == watched.end()) {
                continue;
            }
            epoll_ctl(watchSet, EPOLL_CTL_DEL, socket, nullptr);
            closed[socket] = found->second;
            unposted[socket] = found->second;
            watched.erase(found);
        }
    }
    PostPending();
}

void LS_SocketWatcher::PostPending() {
    if (!receiver) {
        return;
    }
    for (const auto& [socket, watch] : unposted) {
        QCoreApplication::postEvent(receiver, new LS_SocketCloseEvent(socket, watch));
    }
    unposted.clear();
}
