// QRequest: the base of every asynchronous directory operation (a read, a form search). It owns
// nothing; it knows its manager and the requester it reports to, neither of which it owns.
#pragma once

#include "access/qduaactivity.h"
#include "harrow32_export.h"

struct ldap;
struct ldapmsg;

namespace harrow {

class QDSManager;
class QError;
class QRequester;

class HARROW32_EXPORT QRequest {
public:
    QRequest(QDSManager* manager, unsigned long id, QRequester* requester);
    QRequest(const QRequest&) = default;
    QRequest& operator=(const QRequest&) = default;
    virtual ~QRequest();

    // Handles one message of this request's operations; the caller keeps and frees the message.
    // A request may set error to a new QError, which the caller deletes.
    virtual int HandleLDAPMessage(ldap* handle, ldapmsg* message, QError*& error) = 0;
    // 1 if the operation with that message id on that handle belongs to this request.
    virtual int IsTaskOwner(ldap* handle, int messageId) const = 0;
    // 1 if the request has an unfinished operation on that connection.
    virtual int WaitingOn(long connId) const = 0;
    // Abandons the outstanding operations without telling the requester.
    virtual void Abort() = 0;
    // Abort() followed by DUA_CANCELLED with no payload.
    virtual void Cancel();
    // The connection has gone: the request ends what it had on it and tells its requester.
    virtual void NotifyCloseConnection(long connId) = 0;
    // The bind of a connection has ended: error is null when it is bound, else why it failed.
    // A request holding operations until that bind ends sends or fails them now; the base does
    // nothing.
    virtual void NotifyBindComplete(long connId, const QError* error);

    unsigned long ID() const { return id; }
    int Invoked() const { return invoked; }
    int Finished() const { return finished; }

protected:
    QDSManager* Manager() const { return manager; }
    QRequester* Requester() const { return requester; }
    // Hands the payload to the requester; it owns the payload from then on.
    void Notify(QDUAActivity activity, void* payload);

    // Set by the derived class: a successful Invoke, and the final result handled.
    int invoked = 0;
    int finished = 0;

private:
    QDSManager* manager;
    QRequester* requester;
    unsigned long id;
};

} // namespace harrow
