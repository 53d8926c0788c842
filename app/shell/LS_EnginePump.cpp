#include "shell/LS_EnginePump.h"

#include "access/qdsmanager.h"

#include <QSocketNotifier>

#include <algorithm>
#include <set>
#include <vector>

LS_EnginePump::LS_EnginePump(std::function<void()> runTurn) : turn(std::move(runTurn)) {
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, [this] { turn(); });
}

LS_EnginePump::~LS_EnginePump() = default;

void LS_EnginePump::Arm(const harrow::QDSManager& manager) {
    std::vector<harrow::QDSManager::WaitSocket> sockets;
    manager.GetWaitSockets(sockets);
    std::set<std::pair<int, bool>> wanted;
    for (const harrow::QDSManager::WaitSocket& socket : sockets) {
        wanted.insert({socket.socket, socket.write});
    }
    for (auto it = notifiers.begin(); it != notifiers.end();) {
        it = wanted.count(it->first) != 0 ? std::next(it) : notifiers.erase(it);
    }
    for (const auto& key : wanted) {
        std::unique_ptr<QSocketNotifier>& notifier = notifiers[key];
        if (!notifier) {
            notifier = std::make_unique<QSocketNotifier>(
                key.first, key.second ? QSocketNotifier::Write : QSocketNotifier::Read);
            QSocketNotifier* raw = notifier.get();
            connect(raw, &QSocketNotifier::activated, this, [this, raw] { OnSocketReady(raw); });
        }
        notifier->setEnabled(true);
    }
    const long due = manager.MillisecondsToNextDue();
    if (due < 0) {
        timer.stop();
    } else {
        timer.start(static_cast<int>(std::min<long>(due, 24L * 60 * 60 * 1000)));
    }
}

void LS_EnginePump::OnSocketReady(QSocketNotifier* notifier) {
    // Quiet until the turn has read what woke it; the next Arm listens again.
    notifier->setEnabled(false);
    WakeSoon();
}

void LS_EnginePump::WakeSoon() {
    if (!timer.isActive() || timer.remainingTime() > 0) {
        timer.start(0);
    }
}

void LS_EnginePump::Stop() {
    timer.stop();
    notifiers.clear();
}

void LS_EnginePump::Forget(int socket) {
    notifiers.erase({socket, false});
    notifiers.erase({socket, true});
}

bool LS_EnginePump::Owns(const QObject* object) const {
    if (object == &timer || object == this) {
        return true;
    }
    for (const auto& [key, notifier] : notifiers) {
        if (object == notifier.get()) {
            return true;
        }
    }
    return false;
}
