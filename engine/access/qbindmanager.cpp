#include "access/qbindmanager.h"

#include "access/qclock.h"
#include "access/qconnection.h"
#include "access/qerror.h"
#include "access/qlogfile.h"
#include "qdebugoutput.h"
#include "schema/schematext.h"

namespace harrow {

namespace {

constexpr unsigned long kInternalError = 1825;
constexpr long kLastConnectionId = 0x7FFFFFFF;
constexpr int kCurrentVersion = 3;

} // namespace

QBindManager::QBindManager() = default;

QBindManager::~QBindManager() {
    for (const auto& connection : connections) {
        connection->Close();
    }
}

long QBindManager::OpenConnection(const std::string& host, int port, const std::string& bindDN,
                                  const std::string& password) {
    return OpenConnection(host, port, bindDN, password, TransportFor("ldap", false));
}

long QBindManager::OpenConnection(const std::string& host, int port, const std::string& bindDN,
                                  const std::string& password, ldapapi::Transport transport) {
    for (const auto& connection : connections) {
        if (connection->Matches(host, port, bindDN, password)) {
            connection->IncRef();
            connection->RequireSecurity(transport);
            return connection->ID();
        }
    }
    auto connection =
        std::make_unique<QConnection>(TakeConnectionId(), host, port, bindDN, password);
    connection->SetSocketCloseWatcher(watcher);
    connection->SetBindTimeLimit(bindTimeLimit);
    connection->SetTransport(transport, certificates);
    if (bindDN.empty()) {
        ApplyIdentity(*connection);
    }
    connections.push_back(std::move(connection));
    return connections.back()->ID();
}

void QBindManager::ApplyIdentity(QConnection& connection) const {
    if (identityDN.empty()) {
        return;
    }
    connection.SetCredentials(identityDN, identityPassword);
    connection.SetAnonymousFallback(!EqualsIgnoringCase(connection.Host(), identityHost));
}

void QBindManager::SetIdentity(const std::string& homeHost, const std::string& bindDN,
                               const std::string& password) {
    identityHost = homeHost;
    identityDN = bindDN;
    identityPassword = password;
}

void QBindManager::SetSecurity(ldapapi::Transport home, const std::string& caFile) {
    homeTransport = home;
    certificates = caFile;
}

ldapapi::Transport QBindManager::TransportFor(const std::string& scheme, bool fromSecure) const {
    if (EqualsIgnoringCase(scheme, "ldaps")) {
        return ldapapi::Transport::Ldaps;
    }
    const bool secure = fromSecure || homeTransport != ldapapi::Transport::Plain;
    return secure ? ldapapi::Transport::StartTls : ldapapi::Transport::Plain;
}

int QBindManager::IsSecure(long connId) const {
    const QConnection* connection = Find(connId);
    return connection != nullptr && connection->IsSecure() ? 1 : 0;
}

ldapapi::Handle QBindManager::OpenSession(const std::string& host, int port, QError*& error) {
    // A connection that is never registered does the securing and the sign-in.
    QConnection session(-1, host, port, "", "");
    session.SetBindTimeLimit(bindTimeLimit);
    session.SetTransport(homeTransport, certificates);
    ApplyIdentity(session);
    if (!session.StartBind(error, kCurrentVersion) || !session.BindWait(error)) {
        return ldapapi::Handle();
    }
    return session.ReleaseHandle();
}

long QBindManager::TakeConnectionId() {
    const long id = nextConnectionId;
    nextConnectionId = id == kLastConnectionId ? 0 : id + 1;
    return id;
}

void QBindManager::AddRef(long connId) {
    QConnection* connection = Find(connId);
    if (connection == nullptr) {
        QDebugOutput::Write("QBindManager::AddRef called on an unknown connection identifier!\n");
        return;
    }
    connection->IncRef();
}

void QBindManager::LoseRef(long connId) {
    if (connId == -1) {
        return;
    }
    QConnection* connection = Find(connId);
    if (connection == nullptr) {
        QDebugOutput::Write("QBindManager::LoseRef\nCalled on an unknown connection identifier!\n");
        return;
    }
    if (connection->DecRef() == 0) {
        connection->Close();
    }
}

int QBindManager::StartBind(long connId, QError*& error) {
    QConnection* connection = FindForBinding(connId, error);
    if (connection == nullptr) {
        return 0;
    }
    return connection->IsBound() ? 1 : connection->StartBind(error, kCurrentVersion);
}

int QBindManager::BindAsync(long connId, QError*& error) {
    if (Find(connId) == nullptr) {
        QDebugOutput::Write("QBindManager::BindAsync called on a non-existent connection id!\n");
    }
    QConnection* connection = FindForBinding(connId, error);
    // A bound connection is left as it is.
    return connection != nullptr ? connection->RebindAsync(error, kCurrentVersion) : 0;
}

int QBindManager::BindWait(long connId, QError*& error) {
    QConnection* connection = FindForBinding(connId, error);
    return connection != nullptr ? connection->BindWait(error) : 0;
}

int QBindManager::BindInBackground(long connId, QError*& error) {
    QConnection* connection = FindForBinding(connId, error);
    if (connection == nullptr) {
        return 0;
    }
    if (connection->IsBound() || connection->IsBindInProgress()) {
        return 1;
    }
    return connection->StartBind(error, kCurrentVersion);
}

int QBindManager::IsBindInProgress(long connId) const {
    const QConnection* connection = Find(connId);
    return connection != nullptr ? connection->IsBindInProgress() : 0;
}

int QBindManager::IsBound(long connId) const {
    const QConnection* connection = Find(connId);
    return connection != nullptr ? connection->IsBound() : 0;
}

ldap* QBindManager::GetLDAPContext(long connId) const {
    const QConnection* connection = Find(connId);
    return connection != nullptr ? connection->GetLDAPContext() : nullptr;
}

int QBindManager::GetConnectionInfo(long connId, std::string& host, int* port, std::string& bindDN,
                                    std::string& password) const {
    const QConnection* connection = Find(connId);
    if (connection == nullptr) {
        return 0;
    }
    host = connection->Host();
    if (port != nullptr) {
        *port = connection->Port();
    }
    bindDN = connection->BindDN();
    password = connection->Password();
    return 1;
}

void QBindManager::LogConnection(long connId) const {
    const QConnection* connection = Find(connId);
    if (connection == nullptr) {
        QLogFile::LogRaw("Failed to locate connection:\nID: %ld", connId);
        return;
    }
    connection->LogHost();
}

void QBindManager::CloseConnection(long connId) {
    for (const auto& connection : connections) {
        if (connection->ID() == connId) {
            connection->Close();
        }
    }
}

long QBindManager::CloseBySocket(int socket) {
    if (socket < 0) {
        return -1;
    }
    for (const auto& connection : connections) {
        if (connection->GetSocket() == socket) {
            connection->Close();
            return connection->ID();
        }
    }
    return -1;
}

void QBindManager::TidyUp() {
    const std::time_t now = QClock::Now();
    for (const auto& connection : connections) {
        if (connection->IsBound() && connection->LastUsed() < now - idleTimeout) {
            connection->Close();
            QLogFile::Log("QBindManager::TidyUp");
            QLogFile::LogRaw("Idle time out. Dropped connection:");
            connection->LogHost();
        }
    }
}

void QBindManager::SetSocketCloseWatcher(QSocketCloseWatcher* newWatcher) {
    watcher = newWatcher;
    for (const auto& connection : connections) {
        connection->SetSocketCloseWatcher(newWatcher);
    }
}

void QBindManager::SetBindTimeLimit(std::chrono::milliseconds limit) {
    bindTimeLimit = limit;
    for (const auto& connection : connections) {
        connection->SetBindTimeLimit(limit);
    }
}

QConnection* QBindManager::FindForBinding(long connId, QError*& error) const {
    QConnection* connection = Find(connId);
    if (connection == nullptr) {
        error = new QError(kInternalError);
    }
    return connection;
}

QConnection* QBindManager::Find(long connId) const {
    for (const auto& connection : connections) {
        if (connection->ID() == connId) {
            return connection.get();
        }
    }
    return nullptr;
}

} // namespace harrow
