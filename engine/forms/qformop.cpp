#include "forms/qformop.h"

#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "access/qlogfile.h"
#include "access/referralurl.h"
#include "model/qentry.h"

#include <vector>

namespace harrow {

namespace {

constexpr unsigned long kInternalError = 1825;

// A base of fewer than two RDNs (the root, a country) is only searched one
// level deep.
int ScopeFor(const QDN& base) {
    return base.GetRDNCount() < 2 ? LDAP_SCOPE_ONELEVEL : LDAP_SCOPE_SUBTREE;
}

} // namespace

QFormOp::QFormOp(QDSManager* dsManager, long connectionId, const QDN& searchBase,
                 const std::string& searchFilter)
    : manager(dsManager), connId(connectionId), base(searchBase), filter(searchFilter) {}

QFormOp::~QFormOp() = default;

ldap* QFormOp::Handle() const {
    return manager->BindManager()->GetLDAPContext(connId);
}

std::string QFormOp::BaseDN() const {
    std::string dn;
    base.GetDN(dn);
    return dn;
}

int QFormOp::Invoke(QError*& error) {
    error = nullptr;
    matchCount = 0;
    const QBindManager* binds = manager->BindManager();
    if (binds->IsBound(connId)) {
        return Send(error);
    }
    if (!binds->IsBindInProgress(connId)) {
        error = new QError(kInternalError);
        return 0;
    }
    // Poll carries the bind on and hands its end to BindComplete.
    invoked = 1;
    awaitingBind = 1;
    return 1;
}

int QFormOp::BindComplete(const QError* bindError, QError*& error) {
    error = nullptr;
    if (!awaitingBind) {
        return 0;
    }
    awaitingBind = 0;
    if (bindError == nullptr && Send(error)) {
        return 1;
    }
    finished = 1;
    succeeded = 0;
    return 0;
}

int QFormOp::Send(QError*& error) {
    scope = ScopeFor(base);
    limited = 0;
    const int code = SendPage("");
    invoked = 1;
    if (code != LDAP_SUCCESS) {
        error = new QError(code, nullptr);
        return 0;
    }
    return 1;
}

int QFormOp::SendPage(const std::string& cookie) {
    const int pageSize = manager->PageSize();
    const ldapapi::Control page = ldapapi::PageControl(Handle(), pageSize, cookie);
    LDAPControl* serverControls[] = {page.get(), nullptr};
    const bool paged = pageSize > 0 && page && manager->ClaimPaging(connId, this);
    const int code =
        ldap_search_ext(Handle(), BaseDN().c_str(), scope, filter.c_str(), nullptr, 0,
                        paged ? serverControls : nullptr, nullptr, nullptr, -1, &messageId);
    LogInvocation(code);
    return code;
}

void QFormOp::LogInvocation(int code) const {
    QLogFile::Log("QFormOp::Invoke()");
    if (code != LDAP_SUCCESS) {
        std::string text;
        QError(code, nullptr).Print(text);
        QLogFile::LogRaw("LDAP search invocation failed:");
        QLogFile::LogRaw("LDAP error: %s", text.c_str());
        QLogFile::LogRaw("DN: %s\nFilter: %s\nScope: %d\nMessage ID: %d", BaseDN().c_str(),
                         filter.c_str(), scope, messageId);
    } else {
        QLogFile::LogRaw("LDAP search invoked OK:");
        QLogFile::LogRaw("DN: %s\nFilter: %s\nScope: %d,\nMessage ID: %d", BaseDN().c_str(),
                         filter.c_str(), scope, messageId);
    }
    manager->BindManager()->LogConnection(connId);
}

int QFormOp::AddMatchingEntry(ldapmsg* message, QError*& /*error*/) {
    ldap* handle = Handle();
    for (LDAPMessage* entry = ldap_first_entry(handle, message); entry != nullptr;
         entry = ldap_next_entry(handle, entry)) {
        auto match = std::make_unique<QEntry>(manager, connId, handle, entry);
        if (!match->IsSet()) {
            continue;
        }
        // The server's own text: reprinting the parsed DN for every match would cost a large
        // search more than building its entries.
        const std::string dn = ldapapi::EntryDN(handle, entry);
        QLogFile::Log("QFormOp::AddMatchingEntry()");
        QLogFile::LogRaw("Got a match from an LDAP search:");
        QLogFile::LogRaw("Message ID: %d", ldap_msgid(message));
        QLogFile::LogRaw("DN: %s", dn.c_str());
        matches.Add(std::move(match));
        ++matchCount;
        return 1;
    }
    return 0;
}

int QFormOp::ParseResult(ldapmsg* message, QError*& /*error*/) {
    int code = 0;
    std::vector<std::string> referralUrls;
    std::string pageCookie;
    if (!ldapapi::ParseResult(Handle(), message, code, referralUrls, pageCookie)) {
        // A result that cannot be read will never be followed by another: the
        // search ends here.
        QLogFile::Log("QFormOp::ParseResult()\t\t\t\t\t\nldap_parse_result "
                      "failed:\t\t\t\t\t\n"
                      "Message ID: %d",
                      messageId);
        finished = 1;
        succeeded = 0;
        return 0;
    }
    if (code == LDAP_SUCCESS && !pageCookie.empty()) {
        // A page has ended and the server holds more: the same operation asks for the next.
        if (SendPage(pageCookie) == LDAP_SUCCESS) {
            return 1;
        }
        code = LDAP_OTHER;
    }
    manager->ReleasePaging(connId, this);
    if (ldapapi::IsLimitExceeded(code)) {
        succeeded = 1;
        limited = 1;
        LogError(code);
    } else if (code == LDAP_REFERRAL) {
        succeeded = 1;
        for (const std::string& url : referralUrls) {
            AddReferral(url);
        }
    } else if (code != LDAP_SUCCESS) {
        succeeded = 0;
        LogError(code);
        if (code == LDAP_UNAVAILABLE || code == LDAP_SERVER_DOWN) {
            manager->NotifyConnectionClose(connId);
        }
    } else {
        succeeded = 1;
        LogSuccess();
    }
    finished = 1;
    return succeeded;
}

void QFormOp::AddReferral(const std::string& url) {
    ldapapi::UrlDesc desc = ldapapi::ParseUrl(url);
    if (!desc) {
        QLogFile::Log("QFormOp::ParseResult()\t\t\t\t\t\t\t\t\t\nldap_url_parse failed:"
                      "\t\t\t\t\t\t\t\t\t\nMessage ID: %d\t\t\t\t\t\t\t\t\t\nURI: %s",
                      messageId, url.c_str());
        return;
    }
    std::string followUp = ComposeReferralUrl(*desc, filter);
    QLogFile::Log("QFormOp::ParseResult()\t\t\t\t\t\t\t\t\t\nGot a "
                  "referral:\t\t\t\t\t\t\t\t\t\n"
                  "Message ID: %d\t\t\t\t\t\t\t\t\t\nURI: %s",
                  messageId, followUp.c_str());
    referrals.push_back(std::move(followUp));
}

void QFormOp::LogError(int code) const {
    QLogFile::Log("QFormOp::ParseResult()\t\t\t\t\t\nAn LDAP search resulted in "
                  "error:\t\t\t\t\t\n"
                  "LDAP error:%s",
                  ldap_err2string(code));
    LogDetails();
}

void QFormOp::LogSuccess() const {
    QLogFile::Log("QFormOp::ParseResult()\t\t\t\t\t\nLDAP search returned a "
                  "result:\t\t\t\t\t\n"
                  "Matches: %d",
                  matchCount);
    LogDetails();
}

void QFormOp::LogDetails() const {
    std::string host;
    std::string bindDN;
    std::string password;
    int port = 0;
    manager->BindManager()->GetConnectionInfo(connId, host, &port, bindDN, password);
    QLogFile::LogRaw("Host: %s\nPort: %d\nDN: %s\nFilter: %s\nScope: %d\nMessage ID: %d",
                     host.c_str(), port, BaseDN().c_str(), filter.c_str(), scope, messageId);
}

int QFormOp::ParseMessage(ldap* /*handle*/, ldapmsg* message, QError*& error) {
    switch (ldap_msgtype(message)) {
    case LDAP_RES_SEARCH_ENTRY:
        return AddMatchingEntry(message, error);
    case LDAP_RES_SEARCH_RESULT:
        return ParseResult(message, error);
    default:
        return 0;
    }
}

void QFormOp::Abort() {
    awaitingBind = 0;
    if (messageId != -1 && invoked && !finished) {
        ldap* handle = Handle();
        if (handle != nullptr) {
            ldap_abandon_ext(handle, messageId, nullptr, nullptr);
        }
    }
    finished = 1;
    succeeded = 0;
    manager->ReleasePaging(connId, this);
}

unsigned QFormOp::GetEntries(PtrList<QEntry>& out) {
    return matches.MoveTo(out);
}

unsigned QFormOp::GetReferrals(QStringList& out) const {
    out.insert(out.end(), referrals.begin(), referrals.end());
    return static_cast<unsigned>(out.size());
}

int QFormOp::IsOwner(ldap* handle, int id) const {
    return messageId != -1 && id == messageId && handle == Handle();
}

} // namespace harrow
