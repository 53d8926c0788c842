// QConnection: one directory server the engine talks to: host, port, the credentials to bind
// with, and at most one LDAP handle (plus the one a rebind replaced), both owned.
#pragma once

#include "access/ldapapi.h"
#include "harrow32_export.h"

#include <chrono>
#include <ctime>
#include <string>

namespace harrow {

class QError;
class QSocketCloseWatcher;

class HARROW32_EXPORT QConnection {
public:
    QConnection(long id, const std::string& host, int port, const std::string& bindDN,
                const std::string& password);
    QConnection(const QConnection&) = delete;
    QConnection& operator=(const QConnection&) = delete;
    virtual ~QConnection();

    // Same port and the same host ignoring letter case; credentials are not compared.
    int Matches(const std::string& otherHost, int otherPort, const std::string& otherBindDN,
                const std::string& otherPassword) const;

    int IncRef();
    // Never goes below 0; returns the new count.
    int DecRef();

    // Sends a bind of the given protocol version on a fresh handle.
    int StartBind(QError*& error, int version);
    // As StartBind, but a bound connection is left as it is.
    int RebindAsync(QError*& error, int version);
    // Waits, for a bounded time, for the outstanding bind to be answered.
    int BindWait(QError*& error);
    // Unbinds the handle; the connection can be bound again later.
    void Close();

    int IsBound() const { return bound; }
    int IsBindInProgress() const { return bindInProgress; }
    ldap* GetLDAPContext() const { return ld.get(); }
    std::time_t LastUsed() const { return lastUsed; }
    void Touch();
    // The handle's socket, or -1 without one.
    int GetSocket() const;
    // 0 without a handle; else above 0 when the handle has data to read within the time-out.
    int IsReadable(std::chrono::microseconds timeout);
    void LogHost() const;

    long ID() const { return id; }
    const std::string& Host() const { return host; }
    int Port() const { return port; }
    const std::string& BindDN() const { return bindDN; }
    const std::string& Password() const { return password; }
    int RefCount() const { return refCount; }

    // Where a bound connection's socket is handed for close notices; null watches nothing.
    void SetSocketCloseWatcher(QSocketCloseWatcher* watcher);
    // The longest a bind (connect included) is waited for.
    void SetBindTimeLimit(std::chrono::milliseconds limit) { bindTimeLimit = limit; }

    // How the server is reached, and the PEM certificates its TLS certificate must verify
    // against (the system's when empty).
    void SetTransport(ldapapi::Transport newTransport, const std::string& certificates);
    ldapapi::Transport Transport() const { return transport; }
    bool IsSecure() const { return transport != ldapapi::Transport::Plain; }
    // Makes a plain connection secure from its next bind on; a secure one is left as it is.
    void RequireSecurity(ldapapi::Transport secure);
    // Whether refused credentials are given up for one anonymous bind, as on servers other than
    // the one the credentials were made for.
    void SetAnonymousFallback(bool fallback) { anonymousFallback = fallback; }
    void SetCredentials(const std::string& dn, const std::string& secret);
    // Hands the bound handle over to the caller; the connection is left closed.
    ldapapi::Handle ReleaseHandle();

private:
    int BeginBind(QError*& error, int version, bool rebinding);
    void ConfigureHandle(int version);
    void RestorePreviousHandle();
    int WaitForReply(ldapapi::Message& reply);
    int ReplyCode(LDAPMessage* reply) const;
    int RetryWithVersion2(QError*& error, int refusal);
    int FailTimedOut(QError*& error);
    int FinishBind();
    void AbandonBind();
    void LogBindFailure(const char* header, int code) const;
    int SecureHandle(QError*& error, const ldapapi::TlsFailureListener& tlsFailures);
    QError* ConnectFailure(ldapapi::TlsFailure failure, int code) const;
    void LogSecurityFailure(const char* header, const QError& error) const;
    int RefuseCredentials(QError*& error);
    bool HasBufferedData() const;
    void WatchSocket();
    void ForgetSocket();

    long id;
    int bound = 0;
    int bindInProgress = 0;
    std::time_t lastUsed = 0;
    int refCount = 0;
    int bindMsgId = -1;
    std::string host;
    int port;
    std::string bindDN;
    std::string password;
    ldapapi::Handle ld;
    ldapapi::Handle previousLd;

    QSocketCloseWatcher* watcher = nullptr;
    int watchedSocket = -1;
    std::chrono::milliseconds bindTimeLimit;
    ldapapi::Transport transport = ldapapi::Transport::Plain;
    std::string caFile;
    bool anonymousFallback = false;
};

} // namespace harrow
