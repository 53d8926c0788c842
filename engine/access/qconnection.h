// QConnection: one directory server the engine talks to: host, port, the credentials to bind
// with, and at most one LDAP handle (plus the one a rebind replaced), both owned. Its bind runs
// in steps that never wait on the network: look up the host, connect, secure a TLS connection,
// send the bind, read the reply; it owns the look-up, the socket being connected and the TLS
// handshake while they last.
#pragma once

#include "access/ldapapi.h"
#include "access/qresolver.h"
#include "access/qtlshandshake.h"
#include "harrow32_export.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace harrow {

class QError;
class QSocketCloseWatcher;

class HARROW32_EXPORT QConnection {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Where a bind stands. A secure connection reads the reply to its StartTLS request
    // (StartingTls) and makes its TLS handshake on a helper thread (Handshaking) before it
    // binds; meanwhile the handshake owns the handle, and the connection has none.
    enum class BindStep { None, Resolving, Connecting, StartingTls, Handshaking, Binding };

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

    // Starts a bind of the given protocol version on a fresh handle; nothing waits for the
    // network. 0 with error set when it cannot start.
    int StartBind(QError*& error, int version);
    // As StartBind, but a bound connection is left as it is.
    int RebindAsync(QError*& error, int version);
    // Takes the outstanding bind as far as it can go without waiting: 1 once bound, 0 when it
    // failed (error set, no bind in progress any more), -1 while it still runs.
    int ContinueBind(QError*& error);
    // Waits, at most until the bind's time limit, for the outstanding bind to end.
    int BindWait(QError*& error);
    // Unbinds the handle and drops a bind in progress; the connection can be bound again later.
    void Close();

    int IsBound() const { return bound; }
    int IsBindInProgress() const { return bindInProgress; }
    BindStep CurrentBindStep() const { return step; }
    ldap* GetLDAPContext() const { return ld.get(); }
    std::time_t LastUsed() const { return lastUsed; }
    void Touch();
    // The handle's socket, or -1 without one.
    int GetSocket() const;
    // 0 without a handle; else above 0 when the handle has data to read within the time-out.
    int IsReadable(std::chrono::microseconds timeout);
    void LogHost() const;

    // What the bind in progress waits for: a socket and whether to write to it (else read);
    // false when there is nothing to wait on.
    bool BindWaitsOn(int& socket, bool& write) const;
    // When the bind in progress fails for want of an answer.
    TimePoint BindDeadline() const { return bindDeadline; }

    // The silence of a bound connection that someone waits on: the clock starts when the
    // waiting starts and again with every message heard.
    void HeardFrom(TimePoint now) { silentSince = now; }
    void StopSilenceClock() { silentSince.reset(); }
    const std::optional<TimePoint>& SilentSince() const { return silentSince; }

    long ID() const { return id; }
    const std::string& Host() const { return host; }
    int Port() const { return port; }
    const std::string& BindDN() const { return bindDN; }
    const std::string& Password() const { return password; }
    int RefCount() const { return refCount; }

    // Where a bound connection's socket is handed for close notices; null watches nothing.
    void SetSocketCloseWatcher(QSocketCloseWatcher* watcher);
    // The longest a bind (look-up and connect included) may take.
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
    // One step of the bind in progress, with ContinueBind's result.
    int TakeStep(QError*& error);
    int StepResolving(QError*& error);
    int StepConnecting(QError*& error);
    int StepStartingTls(QError*& error);
    int StepHandshaking(QError*& error);
    int StepBinding(QError*& error);
    bool ConnectToNextAddress();
    int SendBind(QError*& error);
    // The reply to one of the bind's own requests, without waiting: 0 while none has come, else
    // ldap_result's result (-1 when the library failed) with the reply's result code.
    int PollReply(int messageId, int& code) const;
    int ReplyCode(LDAPMessage* reply) const;
    int RetryWithVersion2(QError*& error, int refusal);
    int FailBind(QError*& error, int code);
    int FailTimedOut(QError*& error);
    int FinishBind();
    void DropBindState();
    void RestorePreviousHandle();
    void AbandonBind();
    void LogBindFailure(const char* header, int code) const;
    int StartSecuring(QError*& error);
    int StartHandshake();
    int FailSecuring(QError*& error, ldapapi::TlsFailure failure, int code);
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

    BindStep step = BindStep::None;
    int bindVersion = LDAP_VERSION3;
    // The header of the log record when a bind fails before it reached the server.
    const char* startHeader = "QConnection::StartBind()";
    TimePoint bindDeadline;
    // Looked up once for the connection's life: rebinds and the version 2 retry reuse it.
    std::unique_ptr<QResolver> resolver;
    std::vector<QSocketAddress> addresses;
    std::size_t nextAddress = 0;
    int connectingSocket = -1;
    int startTlsMsgId = -1;
    std::unique_ptr<QTlsHandshake> handshake;
    std::optional<TimePoint> silentSince;

    QSocketCloseWatcher* watcher = nullptr;
    int watchedSocket = -1;
    std::chrono::milliseconds bindTimeLimit;
    ldapapi::Transport transport = ldapapi::Transport::Plain;
    std::string caFile;
    bool anonymousFallback = false;
};

} // namespace harrow
