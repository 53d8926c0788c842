// QDeliveredEntries: the entries one form search has delivered, by server and DN, so that an
// entry reached along two paths is listed once. It owns the printed DNs it remembers.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace harrow {

class QDSManager;
class QEntry;

class QDeliveredEntries {
public:
    explicit QDeliveredEntries(QDSManager* manager) : manager(manager) {}

    // 1 the first time an entry with that DN (equal as the engine compares DNs) is offered from
    // its server, 0 every time after.
    int Admit(const QEntry& entry);

private:
    int DeliveredBefore(const QEntry& entry,
                        const std::vector<std::pair<long, std::string>>& sameKey) const;

    QDSManager* manager;
    // Server and DN key to the connection and printed DN of each entry delivered under it.
    std::unordered_map<std::string, std::vector<std::pair<long, std::string>>> delivered;
};

} // namespace harrow
