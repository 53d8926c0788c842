// QDSManager: the one object through which the program reaches the directory. It owns the
// connection registry, the schema table, the search-form configuration, and the requests it
// aborts; its Poll is the engine's only event step.
#pragma once

#include "access/qbindmanager.h"
#include "harrow32_export.h"
#include "ptrlist.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct ldap;
struct ldapmsg;

namespace harrow {

class Oidtable;
class QConnection;
class QFormConfiguration;
class QRequest;
class QSocketCloseWatcher;

class HARROW32_EXPORT QDSManager {
public:
    // How long a bound server may stay silent while operations wait on it.
    static constexpr std::chrono::seconds kDefaultStallTime{60};

    // A socket the program watches on the engine's behalf: once it is readable (writable when
    // write is set), Poll has work.
    struct WaitSocket {
        int socket;
        bool write;
    };

    QDSManager();
    QDSManager(const QDSManager&) = delete;
    QDSManager& operator=(const QDSManager&) = delete;
    // Aborts and deletes every request still registered, then closes every connection.
    ~QDSManager();

    // Loads the schema from the "oidtable32" files in the current directory, else in the data
    // folders.
    int PreInitialise();
    // Loads the search forms below subtreeDn from the given server.
    int Initialise(const std::string& subtreeDn, const std::string& host, int port);

    // Opens the log file; needs no manager.
    static void Open(const char* logFileName);
    // A timestamped line in the log file.
    void Log(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    Oidtable* Table() { return table.get(); }
    QBindManager* BindManager() { return &bindManager; }
    QFormConfiguration* FormConfig() { return formConfig.get(); }

    unsigned long GenRequestID();

    void RegisterRequest(QRequest* request);
    // Removes every registration with that id without deleting anything.
    void DeregisterRequest(unsigned long id);
    QRequest* GetRequest(unsigned long id) const;
    QRequest* GetOpOwner(ldap* handle, int messageId) const;
    // 1 while some registered request is unfinished.
    int Waiting() const;
    int WaitingOn(long connId) const;

    // Hands the LDAP messages that have arrived to the requests that own them; never blocks, and
    // does nothing when called from inside a notification. One call reads for a few milliseconds
    // at most (beyond one message per connection); the rest waits for the next call.
    void Poll();

    // Abandons, deregisters and deletes the requests with that id. A request aborted from inside
    // one of its notifications is still running, so it is deleted once the manager's call into it
    // has returned.
    void AbortRequest(unsigned long id);
    // Abandons, deregisters and deletes every request, deferring deletion as AbortRequest does.
    void AbortAll();

    // The server closed this socket: closes its connection and tells the requests waiting on it.
    void NotifySocketClose(int socket);
    // Tells the requests waiting on the connection that it is gone, then closes it.
    void NotifyConnectionClose(long connId);
    // Drops idle connections while no request is unfinished.
    void TidyUp();

    // The sockets Poll would read or carry a bind on now; none while no request is unfinished.
    // Between them and MillisecondsToNextDue the program can sleep until Poll has work.
    void GetWaitSockets(std::vector<WaitSocket>& sockets) const;
    // Milliseconds until Poll or TidyUp has work that no socket announces (a bind or a silent
    // server running out of time, data already read, an idle connection to drop): 0 for at
    // once, -1 for nothing.
    long MillisecondsToNextDue() const;
    // Sleeps until Poll or TidyUp has work, or the limit has passed. For programs without an
    // event loop of their own; a window's thread watches GetWaitSockets in its own loop instead.
    void WaitForWork(std::chrono::milliseconds limit) const;
    // A bound server that sends nothing for this long while operations wait on it is given up
    // as lost: its operations end as failed.
    void SetStallTime(std::chrono::seconds time) { stallTime = time; }
    std::chrono::seconds StallTime() const { return stallTime; }

    // Entries per page of every search (the simple paged results control); 0 turns paging off.
    static constexpr int kDefaultPageSize = 500;
    void SetPageSize(int size) { pageSize = size > 0 ? size : 0; }
    int PageSize() const { return pageSize; }
    // slapd keeps the paging state of one search per connection: a second paged search started
    // on it ends the first one's paging, and its next page is refused. So one search at a time
    // pages on a connection (the owner, any token unique to it); the others are sent unpaged.
    // Claiming returns 1 when the owner may page.
    int ClaimPaging(long connId, const void* owner);
    void ReleasePaging(long connId, const void* owner);

    // Registers the program's notification point for closed sockets (null: nothing watched).
    // It must outlive the manager or be replaced first.
    void SetSocketCloseWatcher(QSocketCloseWatcher* watcher);

protected:
    // The identifier GenRequestID hands out next.
    std::uint32_t nextRequestId = 0;

private:
    using TimePoint = std::chrono::steady_clock::time_point;

    void StepBinds();
    void NotifyBindComplete(long connId, const QError* error);
    void DeregisterFinished();
    void PollConnection(QConnection& connection, TimePoint deadline);
    void CheckSilence(QConnection& connection, TimePoint now);
    void DispatchMessage(ldap* handle, ldapmsg* message);
    void ReportResultError(QConnection& connection);
    void NotifyRequestsOfClose(long connId);
    int IsRegistered(const QRequest* request) const;
    template <typename Selected> std::vector<QRequest*> TakeRequests(Selected selected);
    void AbortAndDelete(const std::vector<QRequest*>& doomed);

    // Held while the manager is inside a request; requests aborted meanwhile are deleted when the
    // outermost one ends.
    class RequestCall;
    void DeleteAbortedRequests();

    QBindManager bindManager;
    std::unique_ptr<Oidtable> table;
    std::unique_ptr<QFormConfiguration> formConfig;
    int polling = 0;
    // The connection that the next Poll reads first.
    std::size_t firstPolled = 0;
    // The last Poll ran out of time with messages still to read.
    bool moreToRead = false;
    std::chrono::seconds stallTime = kDefaultStallTime;
    PtrList<QRequest> requests;
    int requestCalls = 0;
    int pageSize = kDefaultPageSize;
    std::map<long, const void*> pagingOwners;
    std::vector<QRequest*> abortedInCalls;
};

} // namespace harrow
