// LS_SocketWatcher: the program's notification point for sockets the server closes. It watches
// each socket the engine hands over and posts one LS_SocketCloseEvent per closed socket to the
// main frame; it owns the kernel watch set and the notifier on it.
#pragma once

#include "access/qsocketclosewatcher.h"

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

// The private notice that a server closed a socket, carrying the socket.
class LS_SocketCloseEvent : public QEvent {
public:
    static constexpr QEvent::Type SocketClose = static_cast<QEvent::Type>(QEvent::User + 1);

    LS_SocketCloseEvent(int socket, std::uint64_t watch)
        : QEvent(SocketClose), socket(socket), watch(watch) {}

    int Socket() const { return socket; }
    // Which watch of the socket saw it close; a socket number can be watched again once reused.
    std::uint64_t Watch() const { return watch; }

private:
    int socket;
    std::uint64_t watch;
};

class LS_SocketWatcher : public QObject, public harrow::QSocketCloseWatcher {
    Q_OBJECT

public:
    LS_SocketWatcher();
    ~LS_SocketWatcher() override;

    // Where notices go; notices seen while there is none wait for one.
    void SetReceiver(QObject* receiver);
    // Told of every socket the engine is about to close, before it goes.
    void SetForgetHook(std::function<void(int)> hook) { forgetHook = std::move(hook); }

    void WatchSocket(int socket) override;
    void ForgetSocket(int socket) override;

    bool IsWatching(int socket) const { return watched.count(socket) != 0; }
    // Whether a delivered notice still stands, that is its socket has not been forgotten or
    // watched anew since it was posted. A notice stands only once.
    bool TakeNotice(const LS_SocketCloseEvent& notice);

private:
    void OnReady();
    void PostPending();

    int watchSet = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    std::uint64_t nextWatch = 1;
    std::map<int, std::uint64_t> watched;  // socket -> its current watch
    std::map<int, std::uint64_t> closed;   // seen closed, notice not yet taken
    std::map<int, std::uint64_t> unposted; // seen closed while there was no receiver
    QPointer<QObject> receiver;
    std::function<void(int)> forgetHook;
};
