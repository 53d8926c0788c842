// LS_EnginePump: wakes the program's engine turn only when the engine has work: a socket it
// waits on turned readable (or writable), something of it fell due, or the program handled an
// event that may have started directory work. It owns a socket notifier per socket the manager
// reports and the one timer for the next turn.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <utility>

class QSocketNotifier;

namespace harrow {
class QDSManager;
}

class LS_EnginePump : public QObject {
    Q_OBJECT

public:
    // turn runs the engine's step; the pump calls it from the event loop.
    explicit LS_EnginePump(std::function<void()> turn);
    ~LS_EnginePump() override;

    // Watches what the manager waits on now and times the next turn by what falls due first.
    // Called after every turn.
    void Arm(const harrow::QDSManager& manager);
    // A turn as soon as the event loop is free.
    void WakeSoon();
    // The engine is about to close this socket: its notifiers go first.
    void Forget(int socket);
    // No more turns and no notifiers, for a manager about to go.
    void Stop();
    // Whether the object is one of the pump's own, whose events must not wake it again.
    bool Owns(const QObject* object) const;

private:
    void OnSocketReady(QSocketNotifier* notifier);

    std::function<void()> turn;
    // Keyed by socket and whether it is watched for writing.
    std::map<std::pair<int, bool>, std::unique_ptr<QSocketNotifier>> notifiers;
    QTimer timer;
};
