// QResolver: looks up the addresses of one server without holding its caller. A numeric address
// is taken at once; a name is looked up on a helper thread, which signals an event descriptor
// when done. It owns its share of the look-up; a look-up it gives up on ends by itself.
#pragma once

#include <sys/socket.h>

#include <memory>
#include <string>
#include <vector>

namespace harrow {

// One address to connect to.
struct QSocketAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
};

class QResolver {
public:
    QResolver(const std::string& host, int port);
    QResolver(const QResolver&) = delete;
    QResolver& operator=(const QResolver&) = delete;
    ~QResolver();

    // Never waits.
    bool Done() const;
    // Readable once the look-up has ended; -1 when it had ended before it began.
    int WaitSocket() const;
    // Once Done: the addresses in the order the system prefers them; empty when the name does
    // not resolve.
    std::vector<QSocketAddress> Addresses() const;

private:
    struct Lookup;
    std::shared_ptr<Lookup> lookup;
};

} // namespace harrow
