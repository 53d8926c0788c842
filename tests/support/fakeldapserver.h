// FakeLdapServer: a small LDAP server of the tests' own on 127.0.0.1, for what slapd cannot do
// on demand: accept and never answer, answer the bind and then fall silent, send an entry in two
// parts with a pause between, refuse a version 3 bind. It owns its listening socket, the
// connections it accepted and the thread that serves them.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace larkspur::test {

class FakeLdapServer {
public:
    enum class Behaviour {
        // Accepts connections and reads what comes, answering nothing.
        Silent,
        // Answers every bind with success, and nothing else.
        AnswerBindThenSilent,
        // Answers binds; answers a search with one entry, sending its first half, pausing, then
        // the rest and the final result.
        SplitEntry,
        // Refuses a version 3 bind with protocolError and accepts a version 2 one; answers a
        // search with one entry and the final result.
        RefuseVersion3,
    };

    explicit FakeLdapServer(Behaviour behaviour,
                            std::chrono::milliseconds splitPause = std::chrono::milliseconds(500));
    ~FakeLdapServer();
    FakeLdapServer(const FakeLdapServer&) = delete;
    FakeLdapServer& operator=(const FakeLdapServer&) = delete;

    // Listens on the port (a free one for 0) and starts serving; false after recording a test
    // failure. A port a stopped slapd left is taken over.
    bool Start(int wantedPort = 0);
    int Port() const { return port; }
    std::string Host() const { return "127.0.0.1"; }
    // "ldap://127.0.0.1:PORT/<dn>"
    std::string UrlFor(const std::string& dn) const;

    // What it has been sent so far, counted by the thread that serves.
    int BindsOfVersion(int version) const { return binds[version == 2 ? 0 : 1].load(); }
    int Searches() const { return searches.load(); }

private:
    struct Client {
        int socket;
        std::string received;
    };

    void Serve();
    void Accept();
    bool Read(Client& client);
    void Answer(Client& client, const std::string& message);
    void AnswerSearch(Client& client, int messageId, const std::string& base);
    void Send(const Client& client, const std::string& bytes) const;

    Behaviour behaviour;
    std::chrono::milliseconds splitPause;
    int listener = -1;
    int wake = -1;
    int port = 0;
    std::vector<Client> clients;
    std::thread server;
    std::atomic<int> binds[2] = {0, 0};
    std::atomic<int> searches = 0;
};

} // namespace larkspur::test
