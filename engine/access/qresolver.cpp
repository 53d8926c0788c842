#include "access/qresolver.h"

#include <netdb.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace harrow {

struct QResolver::Lookup {
    ~Lookup() {
        if (eventSocket >= 0) {
            ::close(eventSocket);
        }
    }

    mutable std::mutex mutex;
    bool done = false;
    std::vector<QSocketAddress> addresses;
    int eventSocket = -1;
};

namespace {

std::vector<QSocketAddress> Resolve(const std::string& host, int port, int flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* found = nullptr;
    std::vector<QSocketAddress> addresses;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        return addresses;
    }
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(sockaddr_storage)) {
            continue;
        }
        QSocketAddress address;
        std::memcpy(&address.address, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        addresses.push_back(address);
    }
    freeaddrinfo(found);
    return addresses;
}

} // namespace

QResolver::QResolver(const std::string& host, int port) : lookup(std::make_shared<Lookup>()) {
    std::vector<QSocketAddress> numeric = Resolve(host, port, AI_NUMERICHOST | AI_NUMERICSERV);
    if (!numeric.empty()) {
        lookup->addresses = std::move(numeric);
        lookup->done = true;
        return;
    }
    lookup->eventSocket = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (lookup->eventSocket < 0) {
        lookup->done = true;
        return;
    }
    // getaddrinfo may wait for a name server for many seconds and cannot be interrupted: it
    // runs where nobody waits for it, and the connection gives up on it after its bind time.
    try {
        std::thread([shared = lookup, host, port] {
            std::vector<QSocketAddress> addresses = Resolve(host, port, AI_NUMERICSERV);
            {
                const std::lock_guard<std::mutex> lock(shared->mutex);
                shared->addresses = std::move(addresses);
                shared->done = true;
            }
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(shared->eventSocket, &one, sizeof one);
        }).detach();
    } catch (const std::system_error&) {
        lookup->done = true;
    }
}

QResolver::~QResolver() = default;

bool QResolver::Done() const {
    const std::lock_guard<std::mutex> lock(lookup->mutex);
    return lookup->done;
}

int QResolver::WaitSocket() const {
    return lookup->eventSocket;
}

std::vector<QSocketAddress> QResolver::Addresses() const {
    const std::lock_guard<std::mutex> lock(lookup->mutex);
    return lookup->addresses;
}

} // namespace harrow
