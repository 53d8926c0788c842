#include "access/qconnection.h"

#include "access/qbindmanager.h"
#include "access/qclock.h"
#include "access/qerror.h"
#include "access/qlogfile.h"
#include "access/qsocketclosewatcher.h"
#include "schema/schematext.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace harrow {

namespace {

constexpr unsigned long kInternalError = 1825;
constexpr unsigned long kInvalidInformation = 1826;
constexpr unsigned long kTimeLimitReached = 1829;
constexpr unsigned long kServiceBusy = 1833;
// How much longer than the bind's time limit libldap may wait inside a TLS handshake.
constexpr std::chrono::seconds kHandshakeBackstop{1};

// Whether the socket can be written to (or has failed) without waiting.
bool IsWritable(int socket) {
    pollfd descriptor{socket, POLLOUT, 0};
    return ::poll(&descriptor, 1, 0) > 0;
}

int SocketError(int socket) {
    int failure = 0;
    socklen_t length = sizeof failure;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &failure, &length) != 0) {
        return errno;
    }
    return failure;
}

} // namespace

QConnection::QConnection(long id, const std::string& host, int port, const std::string& bindDN,
                         const std::string& password)
    : id(id), host(host), port(port), bindDN(bindDN), password(password),
      bindTimeLimit(QBindManager::kDefaultBindTimeLimit) {}

QConnection::~QConnection() {
    if (bound) {
        Close();
    }
    DropBindState();
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
    bindVersion = version;
    startHeader = rebinding ? " *** QConnection::RebindAsync()" : "QConnection::StartBind()";
    bindDeadline = std::chrono::steady_clock::now() + bindTimeLimit;
    nextAddress = 0;
    if (addresses.empty()) {
        if (!resolver) {
            resolver = std::make_unique<QResolver>(host, port);
        }
        step = BindStep::Resolving;
    } else if (ConnectToNextAddress()) {
        step = BindStep::Connecting;
    } else {
        return FailBind(error, LDAP_SERVER_DOWN);
    }
    // A numeric address on this machine gets as far as sending the bind at once.
    if (ContinueBind(error) == 0) {
        return 0;
    }
    Touch();
    return 1;
}

int QConnection::StartSecuring(QError*& error) {
    if (transport == ldapapi::Transport::Plain) {
        return SendBind(error);
    }
    // The bind's time limit ends a handshake that takes too long, with the error every silent
    // server gets; libldap's own limit is only a backstop for the helper thread.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        bindDeadline - std::chrono::steady_clock::now());
    ldapapi::SetTimeLimit(ld.get(),
                          std::max(left, std::chrono::milliseconds(1)) + kHandshakeBackstop);
    ldapapi::RequireVerifiedTls(ld.get(), caFile);
    if (transport == ldapapi::Transport::Ldaps) {
        return StartHandshake();
    }
    const int code = ldapapi::StartTlsRequest(ld.get(), startTlsMsgId);
    if (code != LDAP_SUCCESS) {
        return FailSecuring(error, ldapapi::TlsFailure::None, code);
    }
    step = BindStep::StartingTls;
    return -1;
}

int QConnection::StepStartingTls(QError*& error) {
    int code = LDAP_OTHER;
    if (PollReply(startTlsMsgId, code) == 0) {
        return -1;
    }
    if (code != LDAP_SUCCESS) {
        return FailSecuring(error, ldapapi::TlsFailure::None, code);
    }
    return StartHandshake();
}

int QConnection::StartHandshake() {
    handshake = std::make_unique<QTlsHandshake>(std::move(ld));
    step = BindStep::Handshaking;
    return -1;
}

int QConnection::StepHandshaking(QError*& error) {
    if (!handshake->Done()) {
        return -1;
    }
    QTlsHandshake::Outcome outcome = handshake->Finish();
    handshake.reset();
    ld = std::move(outcome.session);
    if (outcome.code != LDAP_SUCCESS) {
        return FailSecuring(error, outcome.failure, outcome.code);
    }
    return SendBind(error);
}

int QConnection::FailSecuring(QError*& error, ldapapi::TlsFailure failure, int code) {
    error = ConnectFailure(failure, code);
    if (transport == ldapapi::Transport::StartTls &&
        error->ErrorCode() < QError::kCertificateExpired) {
        // The server answered but would not switch: never fall back to plain text.
        delete error;
        error = new QError(QError::kSecureConnectionFailed, host);
    }
    LogSecurityFailure(startHeader, *error);
    DropBindState();
    RestorePreviousHandle();
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
    return new QError(ldapapi::ClassicResultCode(code), nullptr);
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

int QConnection::ContinueBind(QError*& error) {
    if (bound) {
        return 1;
    }
    if (!bindInProgress) {
        error = new QError(kInternalError);
        return 0;
    }
    for (;;) {
        const BindStep before = step;
        const int progress = TakeStep(error);
        if (progress >= 0) {
            return progress;
        }
        if (step == before) {
            break;
        }
    }
    if (std::chrono::steady_clock::now() >= bindDeadline) {
        return FailTimedOut(error);
    }
    return -1;
}

int QConnection::TakeStep(QError*& error) {
    switch (step) {
    case BindStep::Resolving:
        return StepResolving(error);
    case BindStep::Connecting:
        return StepConnecting(error);
    case BindStep::StartingTls:
        return StepStartingTls(error);
    case BindStep::Handshaking:
        return StepHandshaking(error);
    case BindStep::Binding:
        return StepBinding(error);
    case BindStep::None:
        break;
    }
    return FailBind(error, LDAP_LOCAL_ERROR);
}

int QConnection::StepResolving(QError*& error) {
    if (!resolver->Done()) {
        return -1;
    }
    addresses = resolver->Addresses();
    resolver.reset();
    if (!ConnectToNextAddress()) {
        return FailBind(error, LDAP_SERVER_DOWN);
    }
    step = BindStep::Connecting;
    return -1;
}

bool QConnection::ConnectToNextAddress() {
    while (nextAddress < addresses.size()) {
        const QSocketAddress& target = addresses[nextAddress++];
        // Non-blocking from the start: neither the connect nor any later read or write of the
        // session may hold the caller.
        const int socket =
            ::socket(target.address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (socket < 0) {
            continue;
        }
        if (::connect(socket, reinterpret_cast<const sockaddr*>(&target.address), target.length) ==
                0 ||
            errno == EINPROGRESS) {
            connectingSocket = socket;
            return true;
        }
        ::close(socket);
    }
    return false;
}

int QConnection::StepConnecting(QError*& error) {
    if (!IsWritable(connectingSocket)) {
        return -1;
    }
    if (SocketError(connectingSocket) != 0) {
        ::close(std::exchange(connectingSocket, -1));
        if (!ConnectToNextAddress()) {
            return FailBind(error, LDAP_SERVER_DOWN);
        }
        return -1;
    }
    ld.reset(ldapapi::InitOnSocket(std::exchange(connectingSocket, -1), host, port));
    if (!ld) {
        QLogFile::Log("%s", startHeader);
        QLogFile::LogRaw("Failed to bind to LDAP server:");
        LogHost();
        DropBindState();
        RestorePreviousHandle();
        error = new QError(kInvalidInformation);
        return 0;
    }
    ldapapi::SetProtocol(ld.get(), bindVersion);
    return StartSecuring(error);
}

int QConnection::SendBind(QError*& error) {
    const int messageId = ldapapi::SimpleBind(ld.get(), bindDN.c_str(), password.c_str());
    if (messageId < 0) {
        return FailBind(error, ldapapi::LastResultCode(ld.get()));
    }
    bindMsgId = messageId;
    step = BindStep::Binding;
    // The version 2 retry is not waited for: its reply reaches Poll later and belongs to no
    // request, and what is sent behind it reaches the server after it.
    if (bindVersion == LDAP_VERSION2) {
        return FinishBind();
    }
    return -1;
}

int QConnection::StepBinding(QError*& error) {
    int code = LDAP_OTHER;
    const int result = PollReply(bindMsgId, code);
    if (result == 0) {
        return -1;
    }
    // A version 2 bind would be refused the same way.
    if (result > 0 && code == LDAP_INVALID_CREDENTIALS) {
        return RefuseCredentials(error);
    }
    if (result > 0 && code != LDAP_SUCCESS) {
        return RetryWithVersion2(error, code);
    }
    if (result < 0 && code != LDAP_SUCCESS) {
        return FailBind(error, code);
    }
    return FinishBind();
}

int QConnection::PollReply(int messageId, int& code) const {
    timeval noWait{0, 0};
    LDAPMessage* received = nullptr;
    const int result = ldap_result(ld.get(), messageId, LDAP_MSG_ONE, &noWait, &received);
    const ldapapi::Message reply(received);
    if (result != 0) {
        code = ReplyCode(reply.get());
    }
    return result;
}

int QConnection::ReplyCode(LDAPMessage* reply) const {
    int code = LDAP_OTHER;
    std::vector<std::string> referrals;
    if (reply == nullptr || !ldapapi::ParseResult(ld.get(), reply, code, referrals)) {
        return ldapapi::LastResultCode(ld.get());
    }
    return code;
}

int QConnection::BindWait(QError*& error) {
    Touch();
    for (;;) {
        const int progress = ContinueBind(error);
        if (progress >= 0) {
            return progress;
        }
        int socket = -1;
        bool write = false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            bindDeadline - std::chrono::steady_clock::now());
        const int wait = static_cast<int>(std::max<long>(1, left.count()));
        if (BindWaitsOn(socket, write)) {
            pollfd descriptor{socket, static_cast<short>(write ? POLLOUT : POLLIN), 0};
            ::poll(&descriptor, 1, wait);
        } else {
            ::poll(nullptr, 0, wait);
        }
    }
}

int QConnection::RetryWithVersion2(QError*& error, int refusal) {
    LogBindFailure("QConnection::BindWait()", refusal);
    QLogFile::Log("QConnection::BindWait");
    QLogFile::LogRaw("Attempting to bind using LDAP_VERSION2.");
    LogHost();
    bindInProgress = 0;
    step = BindStep::None;
    QError* retryError = nullptr;
    if (RebindAsync(retryError, LDAP_VERSION2)) {
        return bound ? 1 : -1;
    }
    delete retryError;
    AbandonBind();
    error = new QError(refusal, nullptr);
    return 0;
}

int QConnection::RefuseCredentials(QError*& error) {
    LogBindFailure("QConnection::BindWait()", LDAP_INVALID_CREDENTIALS);
    bindInProgress = 0;
    step = BindStep::None;
    if (!anonymousFallback || bindDN.empty()) {
        RestorePreviousHandle();
        error = new QError(QError::kCredentialsRefused);
        return 0;
    }
    QLogFile::Log("QConnection::BindWait");
    QLogFile::LogRaw("Attempting to bind anonymously.");
    LogHost();
    bindDN.clear();
    password.clear();
    QError* retryError = nullptr;
    if (RebindAsync(retryError, LDAP_VERSION3)) {
        return bound ? 1 : -1;
    }
    error = retryError;
    return 0;
}

int QConnection::FailBind(QError*& error, int code) {
    LogBindFailure(startHeader, code);
    DropBindState();
    RestorePreviousHandle();
    error = new QError(code, nullptr);
    return 0;
}

int QConnection::FailTimedOut(QError*& error) {
    LogBindFailure("QConnection::BindWait()", LDAP_TIMEOUT);
    AbandonBind();
    DropBindState();
    RestorePreviousHandle();
    error = new QError(kTimeLimitReached);
    return 0;
}

int QConnection::FinishBind() {
    bound = 1;
    step = BindStep::None;
    previousLd.reset();
    WatchSocket();
    Touch();
    bindInProgress = 0;
    silentSince.reset();
    return 1;
}

void QConnection::DropBindState() {
    if (connectingSocket >= 0) {
        ::close(std::exchange(connectingSocket, -1));
    }
    handshake.reset();
    startTlsMsgId = -1;
    step = BindStep::None;
    bindInProgress = 0;
}

void QConnection::RestorePreviousHandle() {
    ld = std::move(previousLd);
}

void QConnection::AbandonBind() {
    if (ld && step == BindStep::Binding) {
        ldap_abandon_ext(ld.get(), bindMsgId, nullptr, nullptr);
    }
}

void QConnection::LogBindFailure(const char* header, int code) const {
    QLogFile::Log("%s", header);
    QLogFile::LogRaw("Failed to bind to LDAP server:");
    QLogFile::LogRaw("LDAP Error: %s", ldap_err2string(code));
    LogHost();
}

bool QConnection::BindWaitsOn(int& socket, bool& write) const {
    switch (step) {
    case BindStep::Resolving:
        socket = resolver->WaitSocket();
        write = false;
        break;
    case BindStep::Connecting:
        socket = connectingSocket;
        write = true;
        break;
    case BindStep::StartingTls:
    case BindStep::Binding:
        socket = GetSocket();
        write = false;
        break;
    case BindStep::Handshaking:
        socket = handshake->WaitSocket();
        write = false;
        break;
    case BindStep::None:
        socket = -1;
        break;
    }
    return socket >= 0;
}

void QConnection::Close() {
    ForgetSocket();
    if (bindInProgress) {
        DropBindState();
        previousLd.reset();
    }
    ld.reset();
    bound = 0;
    silentSince.reset();
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
