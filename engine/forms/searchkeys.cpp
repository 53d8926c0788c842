#include "forms/searchkeys.h"

#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "model/qdn.h"
#include "model/qrdn.h"
#include "model/qvalue.h"
#include "schema/schematext.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace harrow {

namespace {

// The attribute type by identity: two types sharing a name are still told apart, as the DN
// comparison tells them apart.
std::string PairKey(const QRDNAttr& pair) {
    const QValue& value = *pair.Value();
    const char* bytes = value.Value();
    const std::string text =
        bytes != nullptr ? std::string(bytes, strnlen(bytes, value.Length())) : std::string();
    return std::to_string(reinterpret_cast<std::uintptr_t>(pair.Type())) + "=" + LowerCased(text);
}

std::string RDNKey(const QRDN& rdn) {
    std::vector<std::string> pairs;
    QRDN::Position pos = rdn.GetHeadRDNAttr();
    while (pos != nullptr) {
        pairs.push_back(PairKey(*rdn.GetNextRDNAttr(pos)));
    }
    std::sort(pairs.begin(), pairs.end());
    std::string key;
    for (const std::string& pair : pairs) {
        key += pair;
        key += '+';
    }
    return key;
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

std::string DNKey(const QDN& dn) {
    std::string key;
    QDN::Position pos = dn.GetHeadRDNPosition();
    while (pos != nullptr) {
        key += RDNKey(*dn.GetNextRDN(pos));
        key += ',';
    }
    return key;
}

} // namespace harrow
