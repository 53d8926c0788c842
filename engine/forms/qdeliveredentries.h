// QDeliveredEntries: the entries one form search has delivered, by server and DN, so that an
// entry reached along two paths is listed once. It owns a fingerprint of each.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <utility>

namespace harrow {

class QDSManager;
class QEntry;

// Two independent 64-bit hashes of the server stand-in and DN key of an entry: a search may
// deliver hundreds of thousands of entries, and the keys themselves would double what it holds
// per entry, while two different entries sharing both hashes is as good as impossible.
using EntryFingerprint = std::pair<std::uint64_t, std::uint64_t>;

// Cannot throw, so that a set of fingerprints keeps no hash beside each one. Outside the class
// that holds the set, whose members would see its noexcept only once that class is complete.
struct EntryFingerprintHash {
    std::size_t operator()(const EntryFingerprint& print) const noexcept {
        return static_cast<std::size_t>(print.first);
    }
};

class QDeliveredEntries {
public:
    explicit QDeliveredEntries(QDSManager* manager) : manager(manager) {}

    // 1 the first time an entry with that DN (equal as the engine compares DNs) is offered from
    // its server, 0 every time after.
    int Admit(const QEntry& entry);

private:
    // A short stand-in for the entry's server, the same for every connection to it.
    const std::string& ServerOf(long connId);

    QDSManager* manager;
    std::map<long, std::string> serverOfConnection;
    std::map<std::string, std::string> serverIds;
    std::unordered_set<EntryFingerprint, EntryFingerprintHash> delivered;
};

} // namespace harrow
