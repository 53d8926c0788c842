// QFormSearch: the request that runs one filled-in search form as a chain of
// asynchronous LDAP searches across servers, following intermediate matches and
// referrals. It owns the filled inputs it was given and every search step still
// pending or outstanding.
#pragma once

#include "access/qrequest.h"
#include "forms/qdeliveredentries.h"
#include "forms/qformsearchopts.h"
#include "harrow32_export.h"
#include "model/qstringlist.h"
#include "ptrlist.h"

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct ldap;
struct ldapmsg;
struct ldap_url_desc;

namespace harrow {

class QDN;
class QDSManager;
class QEntry;
class QError;
class QForm;
class QFormInput;
class QFormSearchNode;
class QRequester;
class QSearchClass;

class HARROW32_EXPORT QFormSearch : public QRequest {
public:
    // A referral chain longer than this is not followed: servers that refer to
    // each other would otherwise keep a search going forever.
    static constexpr int MaxReferralHops = 10;
    // Referrals followed by one form search in all: servers whose referrals fan out would
    // otherwise multiply its work with every hop.
    static constexpr int MaxReferrals = 1000;
    // Search operations sent and unanswered on one connection; the rest wait their turn. A
    // server closes a connection that has too many (slapd: 100 for an anonymous session).
    static constexpr int MaxOutstandingPerConnection = 50;

    // Takes ownership of target and of every input in context (the pointers are
    // copied).
    QFormSearch(QDSManager* manager, unsigned long requestId, QRequester* requester, QForm* form,
                QFormInput* target, PtrList<QFormInput>& context);
    QFormSearch(const QFormSearch&) = delete;
    QFormSearch& operator=(const QFormSearch&) = delete;
    ~QFormSearch() override;

    // Starts the first searches and registers with the manager; 0 with error set
    // when none could start.
    int Invoke(QError*& error);

    int HandleLDAPMessage(ldap* handle, ldapmsg* message, QError*& error) override;
    int IsTaskOwner(ldap* handle, int messageId) const override;
    int WaitingOn(long connId) const override;
    void Abort() override;
    void NotifyCloseConnection(long connId) override;
    void NotifyBindComplete(long connId, const QError* error) override;

    int TotalOperations() const { return totalOperations; }
    int FailedOperations() const { return failedOperations; }

private:
    using NodeList = std::vector<std::unique_ptr<QFormSearchNode>>;

    void CreateInitialNodes(const PtrList<QSearchClass>& basePoints, int& initFailures);
    int CreateInitialNode(QSearchClass* basePoint, QFormInput* input, std::set<long>& bindsStarted);
    void InvokeOperations(int& attempted, int& failed);
    void AddPendingNode(std::unique_ptr<QFormSearchNode> node);
    void SendPending(int& attempted, int& failed);
    void SendPendingOn(long connId, std::deque<QFormSearchNode*>& waiting, int& attempted,
                       int& failed);
    int SendNode(QFormSearchNode* node);
    void SendPendingAndCount();
    void CountSent(int attempted, int failed);
    int Outstanding(long connId) const;
    PtrList<QFormInput> ContextWithout(const QFormInput* input) const;

    QFormSearchNode* FindNode(ldap* handle, int messageId) const;
    void ProcessTargetMatches(PtrList<QEntry>& entries);
    void DropDelivered(PtrList<QEntry>& entries);
    void ProcessIntermediateMatches(QFormSearchNode* node, PtrList<QEntry>& entries);
    void TrySearch(const QDN& dn, QSearchClass* searchClass, long connId, QFormInput* input,
                   QFormInput* next, const PtrList<QFormInput>& remaining, int referralHops);
    void ProcessReferrals(QFormSearchNode* node, const QStringList& referrals);
    void TryReferral(ldap_url_desc* url, QFormInput* next, const PtrList<QFormInput>& remaining,
                     int referralHops, bool fromSecure);
    // Passes on an error that names a server that could not be reached securely or refused the
    // sign-in, keeping the first for Invoke; other errors are left alone.
    void NoteConnectionError(const QError* error);
    void DropReferral(const std::string& url);
    int ReferralLimitReached(const std::string& url);
    int SearchedBefore(long connId, const QDN& base, const std::string& filter) const;
    // Empty for a base whose DN equals no other.
    std::string PlaceKey(long connId, const QDN& base, const std::string& filter) const;
    void StartNode(std::unique_ptr<QFormSearchNode> node);

    void RemoveNode(const QFormSearchNode* node);
    void RemoveFinishedNodes();
    void SendOpCount();
    void CompleteIfDone();
    // Nothing reaches the requester once the search was aborted; the payload is
    // then dropped.
    template <typename Payload> void Send(QDUAActivity activity, std::unique_ptr<Payload> payload) {
        if (!abandoned) {
            Notify(activity, payload.release());
        }
    }

    QForm* form;
    std::unique_ptr<QFormInput> target;
    std::vector<std::unique_ptr<QFormInput>> context;
    NodeList nodes;
    QFormSearchOpts options;
    int totalOperations = 0;
    int failedOperations = 0;
    // Nodes not yet sent, by connection, in the order they were made; they stay in nodes too.
    std::map<long, std::deque<QFormSearchNode*>> pending;
    // Every search made, as server, base and filter (the base decides the scope); a base whose
    // DN equals no other has none.
    std::set<std::string> searchedPlaces;
    int referralsFollowed = 0;
    bool referralLimitLogged = false;
    // Set while pending nodes are being sent.
    bool sending = false;
    QDeliveredEntries delivered;
    // The step whose message is being handled; it must outlive any notice that
    // arrives while its result is read.
    QFormSearchNode* handling = nullptr;
    // Whether the step being handled was already counted as failed by a close notice.
    bool handlingCounted = false;
    // The step that owned the previous message: consecutive messages mostly share
    // one.
    mutable QFormSearchNode* lastOwner = nullptr;
    bool abandoned = false;
    // Some server stopped its search at a limit.
    bool incomplete = false;
    std::unique_ptr<QError> connectionError;
};

} // namespace harrow
