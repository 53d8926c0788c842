#include "access/qconnection.h"

#include "access/qbindmanager.h"
#include "access/qclock.h"
#include "access/qerror.h"
#include "access/qlogfile.h"
#include "access/qsocketclosewatcher.h"
#include "schema/schematext.h"

#include <poll.h>
#include <sys/time.h>

#include <utility>
#include <vector>

namespace harrow {

namespace {

constexpr unsigned long kInternalError = 1825;
constexpr unsigned long kInvalidInformation = 1826;
constexpr unsigned long kTimeLimitReached = 1829;
constexpr unsigned long kServiceBusy = 1833;

// Short enough that a bind reply is seen at once, long enough not to spin the processor.
constexpr std::chrono::milliseconds kBindWaitSlice{5};

} // namespace

QConnection::QConnection(long id, const std::string& host, int port, const std::string& bindDN,
                         const std::string& password)
    : id(id), host(host), port(port), bindDN(bindDN), password(password),
      bindTimeLimit(QBindManager::kDefaultBindTimeLimit) {}

QConnection::~QConnection() {
    if (bound) {
        Close();
    }
}

int QConnection::Matches(const std::string& otherHost, int otherPort, const std::string&,
                         const std::string&) const {
    return otherPort == port && EqualsIgnoringCase(otherHost, host) ? 1 : 0;
}

int QConnection::IncRef() {
    return ++refCount;
}

int QConnection::DecRef() {
    if (refCount > 0) {
        --refCount;
    }
    return refCount;
}

int QConnection::StartBind(QError*& error, int version) {
    return BeginBind(error, version, false);
}

int QConnection::RebindAsync(QError*& error, int version) {
    if (bound) {
        return 1;
    }
    return BeginBind(error, version, true);
}

int QConnection::BeginBind(QError*& error, int version, bool rebinding) {
    if (bindInProgress) {
        error = new QError(kServiceBusy);
        return 0;
    }
    if (host.empty()) {
        error = new QError(kInvalidInformation);
        return 0;
    }
    bindInProgress = 1;
    if (ld) {
        previousLd = std::move(ld);
    }
    ld.reset(ldapapi::Init(host.c_str(), port, transport));
    if (!ld) {
        if (rebinding) {
            QLogFile::Log(" *** QConnection::RebindAsync()");
        }
        QLogFile::LogRaw("Failed to bind to LDAP server:");
        LogHost();
        RestorePreviousHandle();
        error = new QError(kInvalidInformation);
        return 0;
    }
    ConfigureHandle(version);
    const char* header = rebinding ? " *** QConnection::RebindAsync()" : "QConnection::StartBind()";
    // The TLS handshake of an ldaps:// server happens as the bind connects.
    const ldapapi::TlsFailureListener tlsFailures(IsSecure());
    if (!SecureHandle(error, tlsFailures)) {
        LogSecurityFailure(header, *error);
        RestorePreviousHandle();
        return 0;
    }
    const int messageId = ldapapi::SimpleBind(ld.get(), bindDN.c_str(), password.c_str());
    if (messageId < 0) {
        // Nothing reached the server (it refused the connection, say): the bind never started.
        const int code = ldapapi::LastResultCode(ld.get());
        error = ConnectFailure(tlsFailures.Failure(), code);
        if (error->ErrorCode() >= QError::kCertificateExpired) {
            LogSecurityFailure(header, *error);
        } else {
            LogBindFailure(header, code);
        }
        RestorePreviousHandle();
        return 0;
    }
    bindMsgId = messageId;
    Touch();
    return 1;
}

void QConnection::ConfigureHandle(int version) {
    ldapapi::SetProtocol(ld.get(), version);
    // Without it a server that never completes the TCP handshake holds the connect for minutes.
    ldapapi::SetTimeLimit(ld.get(), bindTimeLimit);
}

int QConnection::SecureHandle(QError*& error, const ldapapi::TlsFailureListener& tlsFailures) {
    if (transport == ldapapi::Transport::Plain) {
        return 1;
    }
    ldapapi::RequireVerifiedTls(ld.get(), caFile);
    if (transport != ldapapi::Transport::StartTls) {
        return 1;
    }
    // A short synchronous step, bounded by the handle's time limit like the connect itself.
    const int code = ldapapi::StartTls(ld.get());
    if (code == LDAP_SUCCESS) {
        return 1;
    }
    error = ConnectFailure(tlsFailures.Failure(), code);
    if (error->ErrorCode() < QError::kCertificateExpired) {
        // The server answered but would not switch: never fall back to plain text.
        delete error;
        error = new QError(QError::kSecureConnectionFailed, host);
    }
    return 0;
}

QError* QConnection::ConnectFailure(ldapapi::TlsFailure failure, int code) const {
    switch (failure) {
    case ldapapi::TlsFailure::Expired:
        return new QError(QError::kCertificateExpired, host);
    case ldapapi::TlsFailure::WrongHost:
        return new QError(QError::kCertificateWrongHost, host);
    case ldapapi::TlsFailure::UnknownAuthority:
        return new QError(QError::kCertificateUnknownAuthority, host);
    case ldapapi::TlsFailure::Other:
        return new QError(QError::kSecureConnectionFailed, host);
    case ldapapi::TlsFailure::None:
        break;
    }
    return new QError(code, nullptr);
}

void QConnection::LogSecurityFailure(const char* header, const QError& failure) const {
    std::string sentence;
    failure.Print(sentence);
    QLogFile::Log("%s", header);
    QLogFile::LogRaw("Failed to make a secure connection to the LDAP server:");
    QLogFile::LogRaw("Error: %s", sentence.c_str());
    LogHost();
}

void QConnection::SetTransport(ldapapi::Transport newTransport, const std::string& certificates) {
    transport = newTransport;
    caFile = certificates;
}

void QConnection::SetCredentials(const std::string& dn, const std::string& secret) {
    bindDN = dn;
    password = secret;
}

ldapapi::Handle QConnection::ReleaseHandle() {
    ForgetSocket();
    bound = 0;
    return std::move(ld);
}

void QConnection::RequireSecurity(ldapapi::Transport secure) {
    if (IsSecure() || secure == ldapapi::Transport::Plain) {
        return;
    }
    transport = secure;
    // What was bound in plain text must not carry the secure search.
    if (bound) {
        Close();
    }
}

void QConnection::RestorePreviousHandle() {
    ld = std::move(previousLd);
    bindInProgress = 0;
}

int QConnection::BindWait(QError*& error) {
    Touch();
    if (bound) {
        return 1;
    }
    if (!bindInProgress) {
        error = new QError(kInternalError);
        return 0;
    }
    ldapapi::Message reply;
    const int received = WaitForReply(reply);
    if (received == 0) {
        return FailTimedOut(error);
    }
    const int code = ReplyCode(reply.get());
    if (received > 0 && code == LDAP_INVALID_CREDENTIALS) {
        // A version 2 bind would be refused the same way.
        if (!RefuseCredentials(error)) {
            return 0;
        }
    } else if (received > 0 && code != LDAP_SUCCESS) {
        if (!RetryWithVersion2(error, code)) {
            return 0;
        }
    } else if (received < 0 && code != LDAP_SUCCESS) {
        bindInProgress = 0;
        error = new QError(code, nullptr);
        return 0;
    }
    reply.reset();
    return FinishBind();
}

int QConnection::WaitForReply(ldapapi::Message& reply) {
    // A bounded wait: a server that accepts the connection but never answers must not hold the
    // program for good.
    const auto deadline = std::chrono::steady_clock::now() + bindTimeLimit;
    for (;;) {
        timeval slice = ldapapi::ToTimeval(kBindWaitSlice);
        LDAPMessage* received = nullptr;
        const int result = ldap_result(ld.get(), bindMsgId, LDAP_MSG_ONE, &slice, &received);
        reply.reset(received);
        if (result != 0 || std::chrono::steady_clock::now() >= deadline) {
            return result;
        }
    }
}

int QConnection::ReplyCode(LDAPMessage* reply) const {
    int code = LDAP_OTHER;
    std::vector<std::string> referrals;
    if (reply == nullptr || !ldapapi::ParseResult(ld.get(), reply, code, referrals)) {
        return ldapapi::LastResultCode(ld.get());
    }
    return code;
}

int QConnection::RetryWithVersion2(QError*& error, int refusal) {
    LogBindFailure("QConnection::BindWait()", refusal);
    QLogFile::Log("QConnection::BindWait");
    QLogFile::LogRaw("Attempting to bind using LDAP_VERSION2.");
    LogHost();
    bindInProgress = 0;
    // The version 2 reply is not waited for; it reaches Poll later and belongs to no request.
    QError* retryError = nullptr;
    if (RebindAsync(retryError, LDAP_VERSION2)) {
        return 1;
    }
    delete retryError;
    AbandonBind();
    error = new QError(refusal, nullptr);
    return 0;
}

int QConnection::RefuseCredentials(QError*& error) {
    LogBindFailure("QConnection::BindWait()", LDAP_INVALID_CREDENTIALS);
    bindInProgress = 0;
    if (!anonymousFallback || bindDN.empty()) {
        error = new QError(QError::kCredentialsRefused);
        return 0;
    }
    QLogFile::Log("QConnection::BindWait");
    QLogFile::LogRaw("Attempting to bind anonymously.");
    LogHost();
    bindDN.clear();
    password.clear();
    // As with the version 2 retry, the anonymous bind's reply is not waited for.
    QError* retryError = nullptr;
    if (RebindAsync(retryError, LDAP_VERSION3)) {
        return 1;
    }
    error = retryError;
    return 0;
}

int QConnection::FailTimedOut(QError*& error) {
    LogBindFailure("QConnection::BindWait()", LDAP_TIMEOUT);
    AbandonBind();
    bindInProgress = 0;
    error = new QError(kTimeLimitReached);
    return 0;
}

int QConnection::FinishBind() {
    bound = 1;
    previousLd.reset();
    WatchSocket();
    Touch();
    bindInProgress = 0;
    return 1;
}

void QConnection::AbandonBind() {
    if (ld) {
        ldap_abandon_ext(ld.get(), bindMsgId, nullptr, nullptr);
    }
}

void QConnection::LogBindFailure(const char* header, int code) const {
    QLogFile::Log("%s", header);
    QLogFile::LogRaw("Failed to bind to LDAP server:");
    QLogFile::LogRaw("LDAP Error: %s", ldap_err2string(code));
    LogHost();
}

void QConnection::Close() {
    ForgetSocket();
    ld.reset();
    bound = 0;
}

void QConnection::Touch() {
    lastUsed = QClock::Now();
}

int QConnection::GetSocket() const {
    return ldapapi::Socket(ld.get());
}

int QConnection::IsReadable(std::chrono::microseconds timeout) {
    if (!ld) {
        return 0;
    }
    Touch();
    // The library may already hold bytes it read ahead; the socket would not show them.
    if (HasBufferedData()) {
        return 1;
    }
    pollfd descriptor{GetSocket(), POLLIN, 0};
    if (descriptor.fd < 0) {
        return 0;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(timeout);
    return ::poll(&descriptor, 1, static_cast<int>(wait.count()));
}

bool QConnection::HasBufferedData() const {
    Sockbuf* buffer = nullptr;
    if (ldap_get_option(ld.get(), LDAP_OPT_SOCKBUF, &buffer) != LDAP_OPT_SUCCESS ||
        buffer == nullptr) {
        return false;
    }
    return ber_sockbuf_ctrl(buffer, LBER_SB_OPT_DATA_READY, nullptr) > 0;
}

void QConnection::LogHost() const {
    QLogFile::LogRaw("Host: %s\nPort: %d", host.c_str(), port);
}

void QConnection::SetSocketCloseWatcher(QSocketCloseWatcher* newWatcher) {
    ForgetSocket();
    watcher = newWatcher;
    if (bound) {
        WatchSocket();
    }
}

void QConnection::WatchSocket() {
    const int socket = GetSocket();
    if (watcher == nullptr || socket < 0) {
        return;
    }
    watchedSocket = socket;
    watcher->WatchSocket(socket);
}

void QConnection::ForgetSocket() {
    if (watcher == nullptr || watchedSocket < 0) {
        return;
    }
    const int socket = std::exchange(watchedSocket, -1);
    watcher->ForgetSocket(socket);
}

} // namespace harrow
