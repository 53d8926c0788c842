#include "forms/qdeliveredentries.h"

#include "forms/searchkeys.h"
#include "model/qentry.h"

#include <cstdint>

#include <functional>

namespace harrow {

namespace {

// FNV-1a, independent of the standard library's string hash.
std::uint64_t Fnv1a(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

} // namespace

int QDeliveredEntries::Admit(const QEntry& entry) {
    std::string dnKey;
    if (!DNKey(entry.DN(), dnKey)) {
        return 1;
    }
    const std::string key = ServerOf(entry.GetConnID()) + dnKey;
    return delivered.emplace(std::hash<std::string>{}(key), Fnv1a(key)).second ? 1 : 0;
}

const std::string& QDeliveredEntries::ServerOf(long connId) {
    auto known = serverOfConnection.find(connId);
    if (known != serverOfConnection.end()) {
        return known->second;
    }
    const std::string server = ServerKey(manager, connId);
    // Fixed width, so that it never runs into the DN key after it.
    const auto number = static_cast<std::uint32_t>(serverIds.size());
    const std::string numbered(reinterpret_cast<const char*>(&number), sizeof number);
    auto id = serverIds.try_emplace(server, numbered).first;
    return serverOfConnection.emplace(connId, id->second).first->second;
}

} // namespace harrow
