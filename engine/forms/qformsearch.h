// QFormSearch: the request that runs one filled-in search form as a chain of
// asynchronous LDAP searches across servers, following intermediate matches and
// referrals. It owns the filled inputs it was given and every search step still
// pending or outstanding.
#pragma once

#include "access/qrequest.h"
#include "forms/qformsearchopts.h"
#include "harrow32_export.h"
#include "model/qstringlist.h"
#include "ptrlist.h"

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

    int TotalOperations() const { return totalOperations; }
    int FailedOperations() const { return failedOperations; }

private:
    using NodeList = std::vector<std::unique_ptr<QFormSearchNode>>;

    void CreateInitialNodes(const PtrList<QSearchClass>& basePoints, int& initFailures);
    int CreateInitialNode(QSearchClass* basePoint, QFormInput* input, std::set<long>& bindsStarted);
    void InvokeOperations(int& attempted, int& failed);
    PtrList<QFormInput> ContextWithout(const QFormInput* input) const;

    QFormSearchNode* FindNode(ldap* handle, int messageId) const;
    void ProcessTargetMatches(PtrList<QEntry>& entries);
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
