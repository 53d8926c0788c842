#include "forms/qdeliveredentries.h"

#include "forms/searchkeys.h"
#include "model/qdn.h"
#include "model/qentry.h"

namespace harrow {

int QDeliveredEntries::Admit(const QEntry& entry) {
    const QDN& dn = entry.DN();
    std::vector<std::pair<long, std::string>>& sameKey =
        delivered[ServerKey(manager, dn.GetConnID()) + "\n" + DNKey(dn)];
    if (DeliveredBefore(entry, sameKey)) {
        return 0;
    }
    std::string printed;
    dn.GetDN(printed);
    sameKey.emplace_back(dn.GetConnID(), std::move(printed));
    return 1;
}

// Keys are coarser than the comparison, so an entry sharing one is compared in full.
int QDeliveredEntries::DeliveredBefore(
    const QEntry& entry, const std::vector<std::pair<long, std::string>>& sameKey) const {
    for (const auto& [connId, printed] : sameKey) {
        QDN earlier;
        earlier.SetDN(manager, connId, printed);
        if (earlier == entry.DN()) {
            return 1;
        }
    }
    return 0;
}

} // namespace harrow
