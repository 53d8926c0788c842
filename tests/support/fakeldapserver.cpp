#include "support/fakeldapserver.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <optional>

namespace larkspur::test {

namespace {

constexpr unsigned char kSequence = 0x30;
constexpr unsigned char kSet = 0x31;
constexpr unsigned char kInteger = 0x02;
constexpr unsigned char kOctetString = 0x04;
constexpr unsigned char kEnumerated = 0x0a;
constexpr unsigned char kBindRequest = 0x60;
constexpr unsigned char kBindResponse = 0x61;
constexpr unsigned char kSearchRequest = 0x63;
constexpr unsigned char kSearchEntry = 0x64;
constexpr unsigned char kSearchDone = 0x65;
constexpr int kProtocolError = 2;

std::string Length(std::size_t length) {
    if (length < 0x80) {
        return std::string(1, static_cast<char>(length));
    }
    std::string bytes;
    for (; length > 0; length >>= 8) {
        bytes.insert(bytes.begin(), static_cast<char>(length & 0xff));
    }
    return std::string(1, static_cast<char>(0x80 | bytes.size())) + bytes;
}

std::string Tlv(unsigned char tag, const std::string& content) {
    return std::string(1, static_cast<char>(tag)) + Length(content.size()) + content;
}

std::string Integer(unsigned char tag, int value) {
    std::string bytes;
    do {
        bytes.insert(bytes.begin(), static_cast<char>(value & 0xff));
        value >>= 8;
    } while (value > 0);
    if (static_cast<unsigned char>(bytes.front()) & 0x80) {
        bytes.insert(bytes.begin(), '\0');
    }
    return Tlv(tag, bytes);
}

std::string Message(int messageId, const std::string& operation) {
    return Tlv(kSequence, Integer(kInteger, messageId) + operation);
}

std::string Result(unsigned char tag, int code) {
    return Tlv(tag, Integer(kEnumerated, code) + Tlv(kOctetString, "") + Tlv(kOctetString, ""));
}

// One element read from text at offset: its tag and the span of its content.
struct Element {
    unsigned char tag;
    std::size_t content;
    std::size_t length;
    std::size_t End() const { return content + length; }
};

std::optional<Element> ReadElement(const std::string& text, std::size_t offset) {
    if (offset + 2 > text.size()) {
        return std::nullopt;
    }
    Element element{static_cast<unsigned char>(text[offset]), offset + 2, 0};
    const auto first = static_cast<unsigned char>(text[offset + 1]);
    if (first < 0x80) {
        element.length = first;
    } else {
        const std::size_t count = first & 0x7f;
        if (offset + 2 + count > text.size()) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < count; ++i) {
            element.length =
                (element.length << 8) | static_cast<unsigned char>(text[offset + 2 + i]);
        }
        element.content += count;
    }
    if (element.End() > text.size()) {
        return std::nullopt;
    }
    return element;
}

int IntegerValue(const std::string& text, const Element& element) {
    int value = 0;
    for (std::size_t i = element.content; i < element.End(); ++i) {
        value = (value << 8) | static_cast<unsigned char>(text[i]);
    }
    return value;
}

} // namespace

FakeLdapServer::FakeLdapServer(Behaviour behaviour, std::chrono::milliseconds splitPause)
    : behaviour(behaviour), splitPause(splitPause) {}

FakeLdapServer::~FakeLdapServer() {
    if (server.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake, &one, sizeof one);
        server.join();
    }
    for (const Client& client : clients) {
        ::close(client.socket);
    }
    for (int descriptor : {listener, wake}) {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
    }
}

bool FakeLdapServer::Start(int wantedPort) {
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    wake = eventfd(0, EFD_CLOEXEC);
    const int reuse = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(wantedPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || wake < 0 ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ADD_FAILURE() << "the fake LDAP server could not listen";
        return false;
    }
    port = ntohs(address.sin_port);
    server = std::thread([this] { Serve(); });
    return true;
}

std::string FakeLdapServer::UrlFor(const std::string& dn) const {
    return "ldap://" + Host() + ":" + std::to_string(port) + "/" + dn;
}

void FakeLdapServer::Serve() {
    for (;;) {
        std::vector<pollfd> descriptors{{wake, POLLIN, 0}, {listener, POLLIN, 0}};
        for (const Client& client : clients) {
            descriptors.push_back({client.socket, POLLIN, 0});
        }
        if (::poll(descriptors.data(), descriptors.size(), -1) < 0 || descriptors[0].revents) {
            return;
        }
        if (descriptors[1].revents & POLLIN) {
            Accept();
        }
        // Walked backwards, so that a client that hung up can go at once.
        for (std::size_t i = descriptors.size(); i-- > 2;) {
            if (descriptors[i].revents != 0 && !Read(clients[i - 2])) {
                ::close(clients[i - 2].socket);
                clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i - 2));
            }
        }
    }
}

void FakeLdapServer::Accept() {
    const int socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket >= 0) {
        clients.push_back({socket, {}});
    }
}

bool FakeLdapServer::Read(Client& client) {
    char buffer[4096];
    const ssize_t count = ::recv(client.socket, buffer, sizeof buffer, 0);
    if (count <= 0) {
        return false;
    }
    client.received.append(buffer, static_cast<std::size_t>(count));
    while (const std::optional<Element> message = ReadElement(client.received, 0)) {
        const std::string whole = client.received.substr(0, message->End());
        client.received.erase(0, message->End());
        Answer(client, whole);
    }
    return true;
}

void FakeLdapServer::Answer(Client& client, const std::string& message) {
    const std::optional<Element> envelope = ReadElement(message, 0);
    const std::optional<Element> id = ReadElement(message, envelope->content);
    if (!id) {
        return;
    }
    const int messageId = IntegerValue(message, *id);
    const std::optional<Element> operation = ReadElement(message, id->End());
    if (!operation) {
        return;
    }
    if (operation->tag == kBindRequest) {
        const std::optional<Element> version = ReadElement(message, operation->content);
        const int number = version ? IntegerValue(message, *version) : 3;
        ++binds[number == 2 ? 0 : 1];
        if (behaviour == Behaviour::Silent) {
            return;
        }
        const bool refused = behaviour == Behaviour::RefuseVersion3 && number == 3;
        Send(client, Message(messageId, Result(kBindResponse, refused ? kProtocolError : 0)));
    } else if (operation->tag == kSearchRequest) {
        ++searches;
        const std::optional<Element> base = ReadElement(message, operation->content);
        if (base &&
            (behaviour == Behaviour::SplitEntry || behaviour == Behaviour::RefuseVersion3)) {
            AnswerSearch(client, messageId, message.substr(base->content, base->length));
        }
    }
}

void FakeLdapServer::AnswerSearch(Client& client, int messageId, const std::string& base) {
    const std::string attributes = Tlv(
        kSequence,
        Tlv(kSequence, Tlv(kOctetString, "objectClass") + Tlv(kSet, Tlv(kOctetString, "person"))) +
            Tlv(kSequence, Tlv(kOctetString, "cn") + Tlv(kSet, Tlv(kOctetString, "Split"))) +
            Tlv(kSequence, Tlv(kOctetString, "sn") + Tlv(kSet, Tlv(kOctetString, "Split"))));
    const std::string entry =
        Message(messageId, Tlv(kSearchEntry, Tlv(kOctetString, base) + attributes));
    const std::string done = Message(messageId, Result(kSearchDone, 0));
    if (behaviour == Behaviour::SplitEntry) {
        Send(client, entry.substr(0, entry.size() / 2));
        std::this_thread::sleep_for(splitPause);
        Send(client, entry.substr(entry.size() / 2) + done);
    } else {
        Send(client, entry + done);
    }
}

void FakeLdapServer::Send(const Client& client, const std::string& bytes) const {
    [[maybe_unused]] const ssize_t sent =
        ::send(client.socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

} // namespace larkspur::test
