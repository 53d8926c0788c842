// QFormOp: one asynchronous LDAP search of a form search, on one connection, below one base,
// with one filter. It owns a copy of the base, the referral URLs and the matches not yet taken.
#pragma once

#include "forms/qownedentries.h"
#include "harrow32_export.h"
#include "model/qdn.h"
#include "model/qstringlist.h"
#include "ptrlist.h"

#include <string>

struct ldap;
struct ldapmsg;

namespace harrow {

class QDSManager;
class QEntry;
class QError;

class HARROW32_EXPORT QFormOp {
public:
    QFormOp(QDSManager* manager, long connId, const QDN& base, const std::string& filter);
    QFormOp(const QFormOp&) = delete;
    QFormOp& operator=(const QFormOp&) = delete;
    ~QFormOp();

    // Sends the search on a bound connection, or holds it until the connection's bind under way
    // ends (BindComplete); never waits. 0 with error set on failure.
    int Invoke(QError*& error);
    // The bind the held search waited for has ended (bindError null: bound): sends the search,
    // or ends the operation unsuccessfully. Returns whether the search went out.
    int BindComplete(const QError* bindError, QError*& error);
    // Keeps the first entry of a search-entry message; 1 when one was kept.
    int AddMatchingEntry(ldapmsg* message, QError*& error);
    // Reads the final result; returns whether it was a success or a referral.
    int ParseResult(ldapmsg* message, QError*& error);
    // Dispatches a message of this operation by its type; other types give 0.
    int ParseMessage(ldap* handle, ldapmsg* message, QError*& error);
    // Abandons the search if it is outstanding; always leaves it finished and unsuccessful.
    void Abort();

    // Moves every match to the end of out (the caller owns them now); returns out's count.
    unsigned GetEntries(PtrList<QEntry>& out);
    // Appends copies of the referral URLs; returns out's count.
    unsigned GetReferrals(QStringList& out) const;
    int IsOwner(ldap* handle, int messageId) const;

    int Invoked() const { return invoked; }
    int AwaitingBind() const { return awaitingBind; }
    int Finished() const { return finished; }
    int Succeeded() const { return succeeded; }
    // 1 when the server stopped the search at a size or time limit: the matches are kept and
    // the operation succeeded, but there may be more.
    int Limited() const { return limited; }
    long GetConnID() const { return connId; }
    int MessageID() const { return messageId; }
    int Scope() const { return scope; }
    const std::string& Filter() const { return filter; }
    const QDN& Base() const { return base; }

private:
    ldap* Handle() const;
    int Send(QError*& error);
    std::string BaseDN() const;
    int SendPage(const std::string& cookie);
    void LogInvocation(int code) const;
    void AddReferral(const std::string& url);
    void LogError(int code) const;
    void LogSuccess() const;
    void LogDetails() const;

    QDSManager* manager;
    long connId;
    QDN base;
    std::string filter;
    int scope = 0;
    int matchCount = 0;
    int messageId = -1;
    int invoked = 0;
    // Invoked, and held until the connection's bind ends.
    int awaitingBind = 0;
    int finished = 0;
    int succeeded = 0;
    int limited = 0;
    QStringList referrals;
    QOwnedEntries matches;
};

} // namespace harrow
