// QReadEntry: the request that reads one directory entry with all its attributes, given its DN,
// and reports it to its requester. It owns its copy of the DN and the entry while it is built.
#pragma once

#include "access/qrequest.h"
#include "harrow32_export.h"
#include "model/qdn.h"

#include <memory>
#include <string>

struct ldap;
struct ldapmsg;

namespace harrow {

class QDSManager;
class QEntry;
class QError;
class QRequester;

class HARROW32_EXPORT QReadEntry : public QRequest {
public:
    QReadEntry(QDSManager* manager, unsigned long id, QRequester* requester, const QDN& dn);
    QReadEntry(const QReadEntry&) = delete;
    QReadEntry& operator=(const QReadEntry&) = delete;
    ~QReadEntry() override;

    // Sends the search and registers the request; on a connection that is not bound yet it
    // starts or joins the bind and registers the read, which goes out once the bind ends. 0 with
    // error set when it cannot start; 1 otherwise, also when the search could not be sent (error
    // is then set as well and the requester has had DUA_ERROR).
    int Invoke(QError*& error);

    int HandleLDAPMessage(ldap* handle, ldapmsg* message, QError*& error) override;
    int IsTaskOwner(ldap* handle, int messageId) const override;
    int WaitingOn(long connId) const override;
    void Abort() override;
    void NotifyCloseConnection(long connId) override;
    void NotifyBindComplete(long connId, const QError* error) override;

    const QDN& DN() const { return dn; }
    // The host of the DN's connection; empty when it has none.
    std::string Host() const;

private:
    ldap* GetLDAPContext() const;
    void SendSearch(QError*& error);
    void EndHeldRead();
    int ParseEntry(ldap* handle, ldapmsg* message, QError*& error);
    int ParseResult(ldap* handle, ldapmsg* message, QError*& error);
    int ParseReferral(ldap* handle, ldapmsg* message, QError*& error);
    void LogReferral(const std::string& url) const;

    QDN dn;
    int msgid = -1;
    bool awaitingBind = false;
    std::unique_ptr<QEntry> entry;
};

} // namespace harrow
