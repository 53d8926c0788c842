#include "access/qreadentry.h"

#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "access/qlogfile.h"
#include "access/qreadcompletionreport.h"
#include "access/qreaderrorreport.h"
#include "access/qreadreport.h"
#include "access/qreadresult.h"
#include "access/referralurl.h"
#include "model/qentry.h"

#include <string>
#include <vector>

namespace harrow {

namespace {

constexpr const char* kReadFilter = "(objectClass=*)";
constexpr unsigned long kBusy = 1833;

} // namespace

QReadEntry::QReadEntry(QDSManager* manager, unsigned long id, QRequester* requester, const QDN& dn)
    : QRequest(manager, id, requester), dn(dn) {}

QReadEntry::~QReadEntry() = default;

int QReadEntry::Invoke(QError*& error) {
    error = nullptr;
    if (invoked == 1 && finished == 0) {
        error = new QError(kBusy);
        return 0;
    }
    QBindManager* binds = Manager()->BindManager();
    const long connId = dn.GetConnID();
    if (!binds->IsBound(connId) && !binds->BindInBackground(connId, error)) {
        return 0;
    }
    if (!binds->IsBound(connId)) {
        // Held until the bind ends: Poll carries it on and NotifyBindComplete sends the search.
        awaitingBind = true;
        invoked = 1;
        finished = 0;
        Manager()->RegisterRequest(this);
        return 1;
    }
    SendSearch(error);
    return 1;
}

void QReadEntry::NotifyBindComplete(long connId, const QError* error) {
    if (!awaitingBind || connId != dn.GetConnID()) {
        return;
    }
    awaitingBind = false;
    if (error != nullptr) {
        EndHeldRead();
        Notify(DUA_ERROR, new QReadErrorReport(*error, dn, Host()));
        return;
    }
    QError* sendError = nullptr;
    SendSearch(sendError);
    delete sendError;
}

// A read held for its bind is registered already; once it ends, Poll deregisters it.
void QReadEntry::EndHeldRead() {
    finished = 1;
    invoked = 0;
}

void QReadEntry::SendSearch(QError*& error) {
    std::string base;
    dn.GetDN(base);
    const int code = ldap_search_ext(GetLDAPContext(), base.c_str(), LDAP_SCOPE_BASE, kReadFilter,
                                     nullptr, 0, nullptr, nullptr, nullptr, -1, &msgid);
    const std::string host = Host();
    if (code != LDAP_SUCCESS) {
        msgid = -1;
        error = new QError(code, nullptr);
        std::string sentence;
        error->Print(sentence);
        QLogFile::Log("QReadEntry::Invoke");
        QLogFile::LogRaw("LDAP search (read) invocation failed:");
        QLogFile::LogRaw("LDAP Error: %s", sentence.c_str());
        QLogFile::LogRaw("DN: %s", base.c_str());
        QLogFile::LogRaw("Filter: %s", kReadFilter);
        QLogFile::LogRaw("Host: %s", host.c_str());
        if (invoked == 1) {
            EndHeldRead();
        }
        Notify(DUA_ERROR, new QReadErrorReport(*error, dn, host));
        return;
    }
    QLogFile::Log("QReadEntry::Invoke");
    QLogFile::LogRaw("LDAP search (read) invoked OK:");
    QLogFile::LogRaw("Message ID: %d", msgid);
    QLogFile::LogRaw("DN: %s", base.c_str());
    QLogFile::LogRaw("Filter: %s", kReadFilter);
    QLogFile::LogRaw("Host: %s", host.c_str());
    // Registered before the requester hears of it, so that a Cancel from inside the
    // notification finds the search to abandon.
    const bool registered = invoked == 1;
    invoked = 1;
    finished = 0;
    if (!registered) {
        Manager()->RegisterRequest(this);
    }
    Notify(DUA_REPORT, new QReadReport(READ_INVOKED, dn, host));
}

int QReadEntry::HandleLDAPMessage(ldap* handle, ldapmsg* message, QError*& error) {
    switch (ldap_msgtype(message)) {
    case LDAP_RES_SEARCH_ENTRY:
        return ParseEntry(handle, message, error);
    case LDAP_RES_SEARCH_RESULT:
        return ParseResult(handle, message, error);
    case LDAP_RES_SEARCH_REFERENCE:
        return ParseReferral(handle, message, error);
    default:
        return 0;
    }
}

int QReadEntry::ParseEntry(ldap* handle, ldapmsg* message, QError*& /*error*/) {
    entry = std::make_unique<QEntry>(Manager(), dn.GetConnID(), handle, message);
    if (entry->IsSet() != 1) {
        entry.reset();
        return 0;
    }
    Notify(DUA_RESULT, new QReadResult(entry.release()));
    return 1;
}

// A base-scope read has no use for continuation references.
int QReadEntry::ParseReferral(ldap* /*handle*/, ldapmsg* /*message*/, QError*& /*error*/) {
    return 0;
}

int QReadEntry::ParseResult(ldap* handle, ldapmsg* message, QError*& /*error*/) {
    int code = LDAP_SUCCESS;
    std::vector<std::string> referrals;
    if (!ldapapi::ParseResult(handle, message, code, referrals)) {
        QLogFile::Log("QReadEntry::ParseResult()");
        QLogFile::LogRaw("ldap_parse_result failed:");
        QLogFile::LogRaw("Message ID: %d", msgid);
        return 0;
    }
    void* payload = nullptr;
    QDUAActivity activity = DUA_COMPLETE;
    if (code == LDAP_REFERRAL) {
        LogReferral(referrals.empty() ? std::string() : referrals.front());
    } else if (code != LDAP_SUCCESS) {
        QLogFile::Log("QReadEntry::ParseResult()");
        QLogFile::LogRaw("An LDAP search resulted in error:");
        QLogFile::LogRaw("Message ID: %d", msgid);
        QLogFile::LogRaw("LDAP error: %s", ldap_err2string(code));
        activity = DUA_ERROR;
        payload = new QReadErrorReport(QError(code, message), dn, Host());
    } else {
        QLogFile::Log("QReadEntry::ParseResult()");
        QLogFile::LogRaw("LDAP search (read) returned a result:");
        QLogFile::LogRaw("Message ID: %d", msgid);
        payload = new QReadCompletionReport(dn, Host());
    }
    // Finished before the requester hears of it, so that it may invoke the read again at once.
    finished = 1;
    invoked = 0;
    msgid = -1;
    if (payload != nullptr) {
        Notify(activity, payload);
    }
    return 1;
}

// The referral is not followed; it is only written to the log.
void QReadEntry::LogReferral(const std::string& url) const {
    const ldapapi::UrlDesc target = ldapapi::ParseUrl(url);
    QLogFile::Log("QReadEntry::ParseResult()");
    if (!target) {
        QLogFile::LogRaw("ldap_url_parse failed:");
        QLogFile::LogRaw("Message ID: %d", msgid);
        QLogFile::LogRaw("URI: %s", url.c_str());
        return;
    }
    const std::string composed = ComposeReferralUrl(*target, "(objectclass=*)");
    QLogFile::LogRaw("Got a referral:");
    QLogFile::LogRaw("Message ID: %d", msgid);
    QLogFile::LogRaw("URI: %s", composed.c_str());
}

int QReadEntry::IsTaskOwner(ldap* handle, int messageId) const {
    return handle == GetLDAPContext() && messageId == msgid ? 1 : 0;
}

int QReadEntry::WaitingOn(long connId) const {
    return connId == dn.GetConnID() && invoked == 1 && finished == 0 ? 1 : 0;
}

void QReadEntry::Abort() {
    awaitingBind = false;
    if (msgid == -1 || invoked != 1 || finished != 0) {
        return;
    }
    // The connection may already be closed when it is the reason for the abort.
    if (ldap* handle = GetLDAPContext()) {
        ldap_abandon_ext(handle, msgid, nullptr, nullptr);
    }
}

void QReadEntry::NotifyCloseConnection(long connId) {
    if (WaitingOn(connId) != 1) {
        return;
    }
    Abort();
    // Message ids start again once the connection is bound anew: the old one must never take
    // over a later read's messages.
    msgid = -1;
    Notify(DUA_CONNECTION_CLOSED, nullptr);
}

ldap* QReadEntry::GetLDAPContext() const {
    return Manager()->BindManager()->GetLDAPContext(dn.GetConnID());
}

std::string QReadEntry::Host() const {
    std::string host;
    std::string bindDN;
    std::string password;
    int port = 0;
    Manager()->BindManager()->GetConnectionInfo(dn.GetConnID(), host, &port, bindDN, password);
    return host;
}

} // namespace harrow
