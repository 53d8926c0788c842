#include "forms/searchkeys.h"

#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "model/qdn.h"
#include "model/qrdn.h"
#include "model/qvalue.h"
#include "schema/schematext.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace harrow {

namespace {

// Fixed-width pieces keep a key unambiguous whatever bytes the values hold.
void AppendNumber(std::string& key, std::uint64_t number) {
    key.append(reinterpret_cast<const char*>(&number), sizeof number);
}

// The value's bytes as its syntax compares them; false where it compares equal to nothing.
bool AppendValue(const QValue& value, std::string& key) {
    const std::string raw =
        value.Value() != nullptr ? std::string(value.Value(), value.Length()) : std::string();
    std::string compared = raw;
    if (value.Syntax() != nullptr) {
        if (!(value == value)) {
            return false;
        }
        const std::string folded = LowerCased(raw);
        if (folded != raw && value == QValue(value.Syntax(), folded.data(), folded.size())) {
            compared = folded;
        }
    }
    AppendNumber(key, compared.size());
    key += compared;
    return true;
}

// The type by identity, as the DN comparison tells types apart.
bool PairKey(const QRDNAttr& pair, std::string& key) {
    AppendNumber(key, reinterpret_cast<std::uintptr_t>(pair.Type()));
    return AppendValue(*pair.Value(), key);
}

bool AppendRDN(const QRDN& rdn, std::string& key) {
    std::vector<std::string> pairs;
    QRDN::Position pos = rdn.GetHeadRDNAttr();
    while (pos != nullptr) {
        pairs.emplace_back();
        if (!PairKey(*rdn.GetNextRDNAttr(pos), pairs.back())) {
            return false;
        }
    }
    // The comparison matches pairs in any order.
    std::sort(pairs.begin(), pairs.end());
    AppendNumber(key, pairs.size());
    for (const std::string& pair : pairs) {
        key += pair;
    }
    return true;
}

} // namespace

std::string ServerKey(QDSManager* manager, long connId) {
    std::string host;
    std::string bindDN;
    std::string password;
    int port = 0;
    if (!manager->BindManager()->GetConnectionInfo(connId, host, &port, bindDN, password)) {
        return std::string();
    }
    return LowerCased(host) + ":" + std::to_string(port);
}

bool DNKey(const QDN& dn, std::string& key) {
    key.clear();
    // A search keys every entry it delivers; keeping each one's parsed DN would cost several
    // times the entry.
    return dn.VisitRDNs([&key](const QRDN& rdn) { return AppendRDN(rdn, key); });
}

} // namespace harrow
