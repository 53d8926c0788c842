#include "access/qdsmanager.h"

#include "access/ldapapi.h"
#include "access/qclock.h"
#include "access/qconnection.h"
#include "access/qerror.h"
#include "access/qlogfile.h"
#include "access/qrequest.h"
#include "forms/qformconfiguration.h"
#include "schema/oidtable.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <utility>

namespace harrow {

namespace {

constexpr std::uint32_t kLastRequestId = 0xFFFFFFFF;
// How long one Poll keeps reading; each connection still has one message handled.
constexpr std::chrono::milliseconds kPollBudget{2};

} // namespace

class QDSManager::RequestCall {
public:
    explicit RequestCall(QDSManager& manager) : manager(manager) { ++manager.requestCalls; }
    ~RequestCall() {
        if (--manager.requestCalls == 0) {
            manager.DeleteAbortedRequests();
        }
    }
    RequestCall(const RequestCall&) = delete;
    RequestCall& operator=(const RequestCall&) = delete;

private:
    QDSManager& manager;
};

QDSManager::QDSManager()
    : table(std::make_unique<Oidtable>()), formConfig(std::make_unique<QFormConfiguration>(this)) {}

QDSManager::~QDSManager() {
    AbortAndDelete(TakeRequests([](const QRequest*) { return true; }));
    formConfig.reset();
    QLogFile::Close();
}

int QDSManager::PreInitialise() {
    return table->Load("oidtable32") ? 1 : 0;
}

int QDSManager::Initialise(const std::string& subtreeDn, const std::string& host, int port) {
    return formConfig->LoadConfiguration(subtreeDn, host, port) != 0 ? 1 : 0;
}

void QDSManager::Open(const char* logFileName) {
    QLogFile::Open(logFileName);
}

void QDSManager::Log(const char* format, ...) const {
    va_list args;
    va_start(args, format);
    QLogFile::LogV(format, args);
    va_end(args);
}

unsigned long QDSManager::GenRequestID() {
    if (nextRequestId < kLastRequestId) {
        return nextRequestId++;
    }
    nextRequestId = 0;
    return 0;
}

void QDSManager::RegisterRequest(QRequest* request) {
    requests.AddTail(request);
}

void QDSManager::DeregisterRequest(unsigned long id) {
    TakeRequests([id](const QRequest* request) { return request->ID() == id; });
}

QRequest* QDSManager::GetRequest(unsigned long id) const {
    for (QRequest* request : requests) {
        if (request->ID() == id) {
            return request;
        }
    }
    return nullptr;
}

QRequest* QDSManager::GetOpOwner(ldap* handle, int messageId) const {
    for (QRequest* request : requests) {
        if (request->IsTaskOwner(handle, messageId)) {
            return request;
        }
    }
    return nullptr;
}

int QDSManager::Waiting() const {
    for (const QRequest* request : requests) {
        if (!request->Finished()) {
            return 1;
        }
    }
    return 0;
}

int QDSManager::WaitingOn(long connId) const {
    for (const QRequest* request : requests) {
        if (request->WaitingOn(connId)) {
            return 1;
        }
    }
    return 0;
}

void QDSManager::Poll() {
    if (requests.IsEmpty() || polling) {
        return;
    }
    polling = 1;
    moreToRead = false;
    StepBinds();
    const auto deadline = std::chrono::steady_clock::now() + kPollBudget;
    // Connections take turns at going first, so that one busy connection cannot use up every
    // call's budget. By index: a notification may open connections (a referral), which are
    // appended.
    const std::size_t first = firstPolled < bindManager.ConnectionCount() ? firstPolled : 0;
    for (std::size_t index = first; index < bindManager.ConnectionCount(); ++index) {
        PollConnection(*bindManager.ConnectionAt(index), deadline);
    }
    for (std::size_t index = 0; index < first; ++index) {
        PollConnection(*bindManager.ConnectionAt(index), deadline);
    }
    firstPolled = first + 1;
    const TimePoint now = std::chrono::steady_clock::now();
    for (std::size_t index = 0; index < bindManager.ConnectionCount() && !requests.IsEmpty();
         ++index) {
        CheckSilence(*bindManager.ConnectionAt(index), now);
    }
    polling = 0;
}

void QDSManager::StepBinds() {
    bool ended = false;
    for (std::size_t index = 0; index < bindManager.ConnectionCount(); ++index) {
        QConnection& connection = *bindManager.ConnectionAt(index);
        if (!connection.IsBindInProgress()) {
            continue;
        }
        QError* error = nullptr;
        if (connection.ContinueBind(error) >= 0) {
            NotifyBindComplete(connection.ID(), error);
            ended = true;
        }
        delete error;
    }
    if (ended) {
        DeregisterFinished();
    }
}

void QDSManager::NotifyBindComplete(long connId, const QError* error) {
    // Each notification may abort requests, so walk a copy and skip those no longer registered.
    const RequestCall call(*this);
    const PtrList<QRequest> notified = requests;
    for (QRequest* request : notified) {
        if (IsRegistered(request)) {
            request->NotifyBindComplete(connId, error);
        }
    }
}

void QDSManager::DeregisterFinished() {
    TakeRequests([](const QRequest* request) { return request->Finished() != 0; });
}

void QDSManager::PollConnection(QConnection& connection, TimePoint deadline) {
    if (!connection.IsBound() || !WaitingOn(connection.ID())) {
        return;
    }
    for (;;) {
        connection.Touch();
        ldap* handle = connection.GetLDAPContext();
        timeval noWait{0, 0};
        LDAPMessage* received = nullptr;
        const int result = ldap_result(handle, LDAP_RES_ANY, LDAP_MSG_ONE, &noWait, &received);
        ldapapi::Message message(received);
        if (result == -1) {
            ReportResultError(connection);
            return;
        }
        if (result == 0) {
            return;
        }
        connection.HeardFrom(std::chrono::steady_clock::now());
        DispatchMessage(handle, message.get());
        message.reset();
        // A notification may have closed the connection.
        if (requests.IsEmpty() || !connection.IsBound() || !WaitingOn(connection.ID()) ||
            connection.IsReadable(std::chrono::microseconds::zero()) <= 0) {
            return;
        }
        // What is left waits for the next call: the program's window stays responsive however
        // much a search returns.
        if (std::chrono::steady_clock::now() >= deadline) {
            moreToRead = true;
            return;
        }
    }
}

void QDSManager::CheckSilence(QConnection& connection, TimePoint now) {
    if (!connection.IsBound() || !WaitingOn(connection.ID())) {
        connection.StopSilenceClock();
        return;
    }
    if (!connection.SilentSince()) {
        connection.HeardFrom(now);
        return;
    }
    if (now - *connection.SilentSince() < stallTime) {
        return;
    }
    // Restarted first: should nothing end the waiting, the next try is a stall time away.
    connection.HeardFrom(now);
    QLogFile::Log("QDSManager::Poll()");
    QLogFile::LogRaw("No answer from the LDAP server for %lld seconds, its operations are "
                     "abandoned:",
                     static_cast<long long>(stallTime.count()));
    connection.LogHost();
    NotifyConnectionClose(connection.ID());
}

void QDSManager::DispatchMessage(ldap* handle, ldapmsg* message) {
    QRequest* owner = GetOpOwner(handle, ldap_msgid(message));
    if (owner == nullptr) {
        return;
    }
    const RequestCall call(*this);
    QError* error = nullptr;
    owner->HandleLDAPMessage(handle, message, error);
    // The request has reported its error to its requester already.
    delete error;
    // A requester may have aborted its request from inside the notification.
    if (IsRegistered(owner) && owner->Finished()) {
        DeregisterRequest(owner->ID());
    }
}

void QDSManager::ReportResultError(QConnection& connection) {
    ldap* handle = connection.GetLDAPContext();
    const int code = ldapapi::LastResultCode(handle);
    std::string text = ldapapi::LastDiagnostic(handle);
    if (text.empty()) {
        text = ldap_err2string(code);
    }
    QLogFile::Log("QDSManager::Poll()");
    QLogFile::LogRaw("ldap_result returned an error:");
    // The log's readers know the classic numbers (81 for a lost server), not libldap's own.
    QLogFile::LogRaw("Error Code: %d\nError String: %s", ldapapi::ClassicResultCode(code),
                     text.c_str());
    if (code == LDAP_SERVER_DOWN) {
        NotifyConnectionClose(connection.ID());
    }
}

void QDSManager::AbortRequest(unsigned long id) {
    AbortAndDelete(TakeRequests([id](const QRequest* request) { return request->ID() == id; }));
}

void QDSManager::AbortAll() {
    AbortAndDelete(TakeRequests([](const QRequest*) { return true; }));
}

void QDSManager::NotifySocketClose(int socket) {
    const long connId = bindManager.CloseBySocket(socket);
    if (connId == -1 || requests.IsEmpty()) {
        return;
    }
    NotifyRequestsOfClose(connId);
}

void QDSManager::NotifyConnectionClose(long connId) {
    if (requests.IsEmpty()) {
        return;
    }
    NotifyRequestsOfClose(connId);
    bindManager.CloseConnection(connId);
}

void QDSManager::NotifyRequestsOfClose(long connId) {
    // Each notification may abort requests, so walk a copy and skip those no longer registered.
    const RequestCall call(*this);
    const PtrList<QRequest> notified = requests;
    for (QRequest* request : notified) {
        if (IsRegistered(request) && request->WaitingOn(connId)) {
            request->NotifyCloseConnection(connId);
        }
    }
}

void QDSManager::TidyUp() {
    if (!Waiting()) {
        bindManager.TidyUp();
    }
}

void QDSManager::GetWaitSockets(std::vector<WaitSocket>& sockets) const {
    sockets.clear();
    // The program polls only while something is unfinished; a socket it would not read must
    // not wake it.
    if (!Waiting()) {
        return;
    }
    for (std::size_t index = 0; index < bindManager.ConnectionCount(); ++index) {
        const QConnection& connection = *bindManager.ConnectionAt(index);
        int socket = -1;
        bool write = false;
        if (connection.IsBindInProgress() && connection.BindWaitsOn(socket, write)) {
            sockets.push_back({socket, write});
        } else if (connection.IsBound() && WaitingOn(connection.ID())) {
            sockets.push_back({connection.GetSocket(), false});
        }
    }
}

namespace {

// Keeps the earliest of the times offered, as milliseconds from now (never below 0).
class EarliestDue {
public:
    void Offer(std::chrono::steady_clock::duration fromNow) {
        const long milliseconds = static_cast<long>(std::max<std::chrono::milliseconds::rep>(
            0, std::chrono::ceil<std::chrono::milliseconds>(fromNow).count()));
        if (earliest < 0 || milliseconds < earliest) {
            earliest = milliseconds;
        }
    }
    long Milliseconds() const { return earliest; }

private:
    long earliest = -1;
};

} // namespace

long QDSManager::MillisecondsToNextDue() const {
    EarliestDue due;
    if (!Waiting()) {
        // Nothing is polled then; only TidyUp has work: it drops a connection once it has been
        // idle for longer than the idle time-out.
        const std::time_t clock = QClock::Now();
        for (std::size_t index = 0; index < bindManager.ConnectionCount(); ++index) {
            const QConnection& connection = *bindManager.ConnectionAt(index);
            if (connection.IsBound()) {
                due.Offer(std::chrono::seconds(connection.LastUsed() + bindManager.IdleTimeout() +
                                               1 - clock));
            }
        }
        return due.Milliseconds();
    }
    if (moreToRead) {
        return 0;
    }
    const TimePoint now = std::chrono::steady_clock::now();
    for (std::size_t index = 0; index < bindManager.ConnectionCount(); ++index) {
        const QConnection& connection = *bindManager.ConnectionAt(index);
        if (connection.IsBindInProgress()) {
            due.Offer(connection.BindDeadline() - now);
        } else if (connection.IsBound() && WaitingOn(connection.ID())) {
            const auto& silentSince = connection.SilentSince();
            due.Offer(silentSince ? *silentSince + stallTime - now : TimePoint::duration::zero());
        }
    }
    return due.Milliseconds();
}

void QDSManager::WaitForWork(std::chrono::milliseconds limit) const {
    std::vector<WaitSocket> sockets;
    GetWaitSockets(sockets);
    std::vector<pollfd> descriptors;
    for (const WaitSocket& socket : sockets) {
        descriptors.push_back(
            {socket.socket, static_cast<short>(socket.write ? POLLOUT : POLLIN), 0});
    }
    const long due = MillisecondsToNextDue();
    const long wait = due >= 0 && due < limit.count() ? due : static_cast<long>(limit.count());
    ::poll(descriptors.data(), descriptors.size(), static_cast<int>(wait));
}

int QDSManager::ClaimPaging(long connId, const void* owner) {
    const auto [held, claimed] = pagingOwners.try_emplace(connId, owner);
    return claimed || held->second == owner ? 1 : 0;
}

void QDSManager::ReleasePaging(long connId, const void* owner) {
    const auto held = pagingOwners.find(connId);
    if (held != pagingOwners.end() && held->second == owner) {
        pagingOwners.erase(held);
    }
}

void QDSManager::SetSocketCloseWatcher(QSocketCloseWatcher* watcher) {
    bindManager.SetSocketCloseWatcher(watcher);
}

int QDSManager::IsRegistered(const QRequest* request) const {
    return requests.Find(request) != nullptr ? 1 : 0;
}

template <typename Selected> std::vector<QRequest*> QDSManager::TakeRequests(Selected selected) {
    // A request may stand in the list more than once; it is handed back only once.
    std::vector<QRequest*> taken;
    PtrList<QRequest>::Position position = requests.GetHeadPosition();
    while (position != nullptr) {
        const PtrList<QRequest>::Position current = position;
        QRequest* request = requests.GetNext(position);
        if (!selected(request)) {
            continue;
        }
        requests.RemoveAt(current);
        if (std::find(taken.begin(), taken.end(), request) == taken.end()) {
            taken.push_back(request);
        }
    }
    return taken;
}

void QDSManager::AbortAndDelete(const std::vector<QRequest*>& doomed) {
    for (QRequest* request : doomed) {
        request->Abort();
        if (requestCalls > 0) {
            abortedInCalls.push_back(request);
        } else {
            delete request;
        }
    }
}

void QDSManager::DeleteAbortedRequests() {
    const std::vector<QRequest*> doomed = std::exchange(abortedInCalls, {});
    for (QRequest* request : doomed) {
        delete request;
    }
}

} // namespace harrow
