// QBindManager: the registry of every directory server connection, named by connection id, with
// binding, reference counting and the idle time-out. It owns all its connections.
#pragma once

#include "access/ldapapi.h"
#include "harrow32_export.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace harrow {

class QConnection;
class QError;
class QSocketCloseWatcher;

class HARROW32_EXPORT QBindManager {
public:
    // A bind that gets no answer within this time fails with "Time limit reached.".
    static constexpr std::chrono::milliseconds kDefaultBindTimeLimit{10000};

    QBindManager();
    QBindManager(const QBindManager&) = delete;
    QBindManager& operator=(const QBindManager&) = delete;
    virtual ~QBindManager();

    // Reuses a connection to the same host and port (counting the reuse) or registers a new
    // one; nothing is sent to the server.
    long OpenConnection(const std::string& host, int port, const std::string& bindDN,
                        const std::string& password);
    // As above for a server reached over the given transport; a plain connection that is
    // reused for a secure one becomes secure.
    long OpenConnection(const std::string& host, int port, const std::string& bindDN,
                        const std::string& password, ldapapi::Transport transport);

    // The sign-in of the start-up server's host: every new connection without credentials of
    // its own binds with it; on other hosts it falls back to anonymous once when refused.
    void SetIdentity(const std::string& homeHost, const std::string& bindDN,
                     const std::string& password);
    // How the start-up server is reached, and the PEM certificates TLS must verify against (the
    // system's when empty). Any secure setting makes ldap:// servers use StartTLS.
    void SetSecurity(ldapapi::Transport home, const std::string& caFile);
    ldapapi::Transport HomeTransport() const { return homeTransport; }
    // The transport for a server named by a URL of that scheme, reached from a secure or a plain
    // place: never less secure than either.
    ldapapi::Transport TransportFor(const std::string& scheme, bool fromSecure) const;
    int IsSecure(long connId) const;
    // A synchronous session to host and port, secured and signed in as a connection there would
    // be; null with error set when that failed.
    ldapapi::Handle OpenSession(const std::string& host, int port, QError*& error);
    void AddRef(long connId);
    // Closes the connection when its count reaches 0; -1 is ignored.
    void LoseRef(long connId);

    int StartBind(long connId, QError*& error);
    int BindAsync(long connId, QError*& error);
    int BindWait(long connId, QError*& error);
    // 1 when the connection is bound or binding, or a bind could be started (Poll carries it
    // on); 0 with error set otherwise. Unlike StartBind, a bind under way is joined.
    int BindInBackground(long connId, QError*& error);

    int IsBound(long connId) const;
    int IsBindInProgress(long connId) const;
    ldap* GetLDAPContext(long connId) const;
    int GetConnectionInfo(long connId, std::string& host, int* port, std::string& bindDN,
                          std::string& password) const;
    void LogConnection(long connId) const;

    void CloseConnection(long connId);
    // Closes the first connection on that socket; returns its id, or -1.
    long CloseBySocket(int socket);
    // Closes every bound connection idle for longer than the idle time-out.
    void TidyUp();

    // The connections in creation order; they stay registered until the manager goes.
    std::size_t ConnectionCount() const { return connections.size(); }
    QConnection* ConnectionAt(std::size_t index) const { return connections[index].get(); }

    // Moves the watching of bound sockets to another notification point (null: none).
    void SetSocketCloseWatcher(QSocketCloseWatcher* newWatcher);
    void SetBindTimeLimit(std::chrono::milliseconds limit);
    std::chrono::milliseconds BindTimeLimit() const { return bindTimeLimit; }
    // Seconds a bound connection may stay unused before TidyUp drops it.
    int IdleTimeout() const { return idleTimeout; }

protected:
    // The id the next new connection gets.
    long nextConnectionId = 0;

private:
    QConnection* Find(long connId) const;
    // The connection, or null with error 1825 for an id that is not registered.
    QConnection* FindForBinding(long connId, QError*& error) const;
    long TakeConnectionId();
    void ApplyIdentity(QConnection& connection) const;

    std::vector<std::unique_ptr<QConnection>> connections;
    int idleTimeout = 30;

    QSocketCloseWatcher* watcher = nullptr;
    std::chrono::milliseconds bindTimeLimit = kDefaultBindTimeLimit;
    std::string identityHost;
    std::string identityDN;
    std::string identityPassword;
    ldapapi::Transport homeTransport = ldapapi::Transport::Plain;
    std::string certificates;
};

} // namespace harrow
