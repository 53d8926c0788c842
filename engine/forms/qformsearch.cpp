#include "forms/qformsearch.h"

#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "access/qlogfile.h"
#include "forms/qform.h"
#include "forms/qformcompletionreport.h"
#include "forms/qforminput.h"
#include "forms/qformreport.h"
#include "forms/qformresult.h"
#include "forms/qformsearchnode.h"
#include "forms/qruleset.h"
#include "forms/qsearchclass.h"
#include "forms/searchkeys.h"
#include "model/qentry.h"
#include "qdebugoutput.h"

#include <algorithm>

namespace harrow {

namespace {

constexpr unsigned long kInvalidInformation = 1826;
constexpr unsigned long kNotEnoughSearchData = 1827;
constexpr unsigned long kSomeOperationsFailed = 1837;

std::string ErrorText(const QError& error) {
    std::string text;
    error.Print(text);
    return text;
}

} // namespace

QFormSearch::QFormSearch(QDSManager* manager, unsigned long requestId, QRequester* requester,
                         QForm* searchForm, QFormInput* targetInput,
                         PtrList<QFormInput>& contextInputs)
    : QRequest(manager, requestId, requester), form(searchForm), target(targetInput),
      delivered(manager) {
    for (QFormInput* input : contextInputs) {
        context.emplace_back(input);
    }
}

QFormSearch::~QFormSearch() {
    if (!Finished()) {
        Abort();
    }
    nodes.clear();
}

int QFormSearch::Invoke(QError*& error) {
    error = nullptr;
    invoked = 1;
    totalOperations = 0;
    failedOperations = 0;
    abandoned = false;
    incomplete = false;
    connectionError.reset();

    PtrList<QSearchClass> searchClasses;
    form->RuleSet()->GetSearchClasses(searchClasses);
    PtrList<QSearchClass> basePoints;
    for (QSearchClass* searchClass : searchClasses) {
        QDN basePoint;
        if (searchClass->IsSpecific(basePoint)) {
            basePoints.AddTail(searchClass);
        }
    }
    if (basePoints.IsEmpty()) {
        QDebugOutput::Writef(
            "Form search invocation failed : no base points found for form '%s'.\n",
            form->Name().c_str());
        error = new QError(kNotEnoughSearchData);
        invoked = 0;
        return 0;
    }

    int initFailures = 0;
    CreateInitialNodes(basePoints, initFailures);
    if (nodes.empty()) {
        QDebugOutput::Writef("Form search invocation failed : no initial searches "
                             "possible for form '%s'.\n",
                             form->Name().c_str());
        error = connectionError ? new QError(*connectionError) : new QError(kNotEnoughSearchData);
        invoked = 0;
        return 0;
    }
    if (initFailures > 0) {
        QDebugOutput::Writef("Some search operations failed to initiate: '%d' ops failed.\n",
                             initFailures);
    }

    int attempted = 0;
    int failed = 0;
    InvokeOperations(attempted, failed);
    if (failed == attempted) {
        error = connectionError ? new QError(*connectionError) : new QError(kSomeOperationsFailed);
        invoked = 0;
        return 0;
    }
    Manager()->RegisterRequest(this);
    return 1;
}

void QFormSearch::CreateInitialNodes(const PtrList<QSearchClass>& basePoints, int& initFailures) {
    // Several base points (and the target and its context inputs) often share one
    // server; its bind is started once, as a second start would find the first
    // still under way.
    std::set<long> bindsStarted;
    std::vector<QFormInput*> inputs{target.get()};
    for (const std::unique_ptr<QFormInput>& input : context) {
        inputs.push_back(input.get());
    }
    for (QFormInput* input : inputs) {
        for (QSearchClass* basePoint : basePoints) {
            if (basePoint->CanSearchFor(input->SearchClass())) {
                initFailures += CreateInitialNode(basePoint, input, bindsStarted) ? 0 : 1;
            }
        }
    }
}

int QFormSearch::CreateInitialNode(QSearchClass* basePoint, QFormInput* input,
                                   std::set<long>& bindsStarted) {
    QFormInput* next = input == target.get() ? nullptr : target.get();
    PtrList<QFormInput> remaining = ContextWithout(input);

    std::string filter;
    if (!input->GenerateFilterString(filter)) {
        QDebugOutput::Writef("Search filter generation failed : search class '%s'\n",
                             basePoint->Name().c_str());
        return 0;
    }
    QDN base;
    basePoint->IsSpecific(base);
    long connId = base.GetConnID();
    if (bindsStarted.count(connId) == 0) {
        QError* bindError = nullptr;
        if (!Manager()->BindManager()->BindInBackground(connId, bindError)) {
            QDebugOutput::Writef("Bind failed: connection id '%d', error was:\n%s\n",
                                 static_cast<int>(connId), ErrorText(*bindError).c_str());
            NoteConnectionError(bindError);
            delete bindError;
            return 0;
        }
        bindsStarted.insert(connId);
    }
    AddPendingNode(
        std::make_unique<QFormSearchNode>(Manager(), connId, next, remaining, base, filter));
    return 1;
}

PtrList<QFormInput> QFormSearch::ContextWithout(const QFormInput* input) const {
    PtrList<QFormInput> remaining;
    for (const std::unique_ptr<QFormInput>& candidate : context) {
        if (candidate.get() != input) {
            remaining.AddTail(candidate.get());
        }
    }
    return remaining;
}

void QFormSearch::InvokeOperations(int& attempted, int& failed) {
    attempted = 0;
    failed = 0;
    SendPending(attempted, failed);
    CountSent(attempted, failed);
}

// Every new node waits its turn here; it counts as made only once it is sent.
void QFormSearch::AddPendingNode(std::unique_ptr<QFormSearchNode> node) {
    const QFormOp& operation = *node->Operation();
    const std::string place = PlaceKey(node->GetConnID(), operation.Base(), operation.Filter());
    if (!place.empty()) {
        searchedPlaces.insert(place);
    }
    pending[node->GetConnID()].push_back(node.get());
    nodes.push_back(std::move(node));
}

void QFormSearch::SendPending(int& attempted, int& failed) {
    // Sending can wait for a bind, during which a lost connection may be reported: the queues
    // are then left to the send already under way.
    if (sending) {
        return;
    }
    sending = true;
    for (auto it = pending.begin(); it != pending.end();) {
        SendPendingOn(it->first, it->second, attempted, failed);
        it = it->second.empty() ? pending.erase(it) : std::next(it);
    }
    sending = false;
}

void QFormSearch::SendPendingOn(long connId, std::deque<QFormSearchNode*>& waiting, int& attempted,
                                int& failed) {
    int unanswered = Outstanding(connId);
    while (!abandoned && !waiting.empty() && unanswered < MaxOutstandingPerConnection) {
        QFormSearchNode* node = waiting.front();
        waiting.pop_front();
        ++attempted;
        if (SendNode(node)) {
            ++unanswered;
        } else {
            ++failed;
            RemoveNode(node);
        }
    }
}

int QFormSearch::SendNode(QFormSearchNode* node) {
    QError* error = nullptr;
    if (node->Invoke(error)) {
        return 1;
    }
    QDebugOutput::Writef("Search operation invocation failed: error given was '%s'.\n",
                         error != nullptr ? ErrorText(*error).c_str() : "");
    NoteConnectionError(error);
    delete error;
    return 0;
}

void QFormSearch::SendPendingAndCount() {
    if (abandoned || pending.empty()) {
        return;
    }
    int attempted = 0;
    int failed = 0;
    SendPending(attempted, failed);
    if (attempted > 0) {
        CountSent(attempted, failed);
    }
}

void QFormSearch::CountSent(int attempted, int failed) {
    totalOperations += attempted;
    failedOperations += failed;
    SendOpCount();
}

int QFormSearch::Outstanding(long connId) const {
    return static_cast<int>(std::count_if(nodes.begin(), nodes.end(), [connId](const auto& node) {
        return node->Invoked() && !node->Finished() && node->GetConnID() == connId;
    }));
}

int QFormSearch::HandleLDAPMessage(ldap* handle, ldapmsg* message, QError*& error) {
    QFormSearchNode* node = FindNode(handle, ldap_msgid(message));
    if (node == nullptr) {
        error = new QError(kInvalidInformation);
        return 0;
    }
    handling = node;
    handlingCounted = false;
    int ok = node->ParseMessage(handle, message, error);
    if (node->Finished() && node->Operation()->Limited()) {
        incomplete = true;
    }
    if (!ok) {
        if (node->Finished() && !node->Succeeded() && !handlingCounted) {
            ++failedOperations;
            SendOpCount();
        }
    } else if (!abandoned) {
        PtrList<QEntry> entries;
        if (node->GetEntries(entries) > 0) {
            if (node->IsTargetSearch()) {
                ProcessTargetMatches(entries);
            } else {
                ProcessIntermediateMatches(node, entries);
            }
        }
        QStringList referrals;
        if (node->GetReferrals(referrals) > 0) {
            ProcessReferrals(node, referrals);
        }
        SendOpCount();
    }
    handling = nullptr;
    if (node->Finished()) {
        RemoveNode(node);
        SendPendingAndCount();
    }
    CompleteIfDone();
    return ok;
}

QFormSearchNode* QFormSearch::FindNode(ldap* handle, int messageId) const {
    if (lastOwner != nullptr && lastOwner->IsOwner(handle, messageId)) {
        return lastOwner;
    }
    for (const std::unique_ptr<QFormSearchNode>& node : nodes) {
        if (node->IsOwner(handle, messageId)) {
            lastOwner = node.get();
            return lastOwner;
        }
    }
    return nullptr;
}

void QFormSearch::ProcessTargetMatches(PtrList<QEntry>& entries) {
    DropDelivered(entries);
    if (!entries.IsEmpty()) {
        Send(DUA_RESULT, std::make_unique<QFormResult>(entries));
    }
}

// An entry reached from two base points, or from a base point and below a context match, is
// listed once.
void QFormSearch::DropDelivered(PtrList<QEntry>& entries) {
    PtrList<QEntry>::Position pos = entries.GetHeadPosition();
    while (pos != nullptr) {
        const PtrList<QEntry>::Position at = pos;
        QEntry* entry = entries.GetNext(pos);
        if (!delivered.Admit(*entry)) {
            entries.RemoveAt(at);
            delete entry;
        }
    }
}

void QFormSearch::ProcessIntermediateMatches(QFormSearchNode* node, PtrList<QEntry>& entries) {
    QFormInput* next = nullptr;
    PtrList<QFormInput> remaining;
    node->GetContext(next, remaining);
    if (!options.AutomaticContinuation()) {
        Send(DUA_REPORT, std::make_unique<QFormReport>(entries, 1, node, FR_CONTINUATION_REQUEST));
        return;
    }
    for (QEntry* entry : entries) {
        QSearchClass* searchClass = form->RuleSet()->FindSearchClass(entry);
        if (searchClass == nullptr) {
            continue;
        }
        long connId = node->GetConnID();
        int hops = node->ReferralHops();
        TrySearch(entry->DN(), searchClass, connId, next, next, remaining, hops);
        SendOpCount();
        for (QFormInput* input : remaining) {
            TrySearch(entry->DN(), searchClass, connId, input, next, remaining, hops);
        }
    }
    Send(DUA_REPORT, std::make_unique<QFormReport>(entries, 0, nullptr, FR_INTERMEDIATE_MATCHES));
}

void QFormSearch::TrySearch(const QDN& dn, QSearchClass* searchClass, long connId,
                            QFormInput* input, QFormInput* next,
                            const PtrList<QFormInput>& remaining, int referralHops) {
    if (abandoned || !searchClass->CanSearchFor(input->SearchClass())) {
        return;
    }
    QFormInput* newNext = input == next ? nullptr : next;
    PtrList<QFormInput> newRemaining = remaining;
    newRemaining.Remove(input);

    std::string filter;
    if (!input->GenerateFilterString(filter)) {
        QDebugOutput::Writef("Search filter generation failed : search class '%s'\n",
                             searchClass->Name().c_str());
        return;
    }
    QError* error = nullptr;
    if (!Manager()->BindManager()->BindInBackground(connId, error)) {
        QDebugOutput::Writef("Bind failed: error was:\n%s\n", ErrorText(*error).c_str());
        NoteConnectionError(error);
        delete error;
        return;
    }
    StartNode(std::make_unique<QFormSearchNode>(Manager(), connId, newNext, newRemaining, dn,
                                                filter, referralHops));
}

void QFormSearch::ProcessReferrals(QFormSearchNode* node, const QStringList& referrals) {
    for (const std::string& url : referrals) {
        if (abandoned) {
            return;
        }
        if (node->ReferralHops() >= MaxReferralHops) {
            DropReferral(url);
            continue;
        }
        if (ReferralLimitReached(url)) {
            continue;
        }
        ldapapi::UrlDesc desc = ldapapi::ParseUrl(url);
        if (!desc) {
            QLogFile::Log("Failed to parse a returned referral:\n%s\n", url.c_str());
            continue;
        }
        QFormInput* next = nullptr;
        PtrList<QFormInput> remaining;
        node->GetContext(next, remaining);
        TryReferral(desc.get(), next, remaining, node->ReferralHops() + 1,
                    Manager()->BindManager()->IsSecure(node->GetConnID()) != 0);
    }
}

void QFormSearch::DropReferral(const std::string& url) {
    QLogFile::Log("QFormSearch::ProcessReferrals()\t\t\t\t\t\n"
                  "Referral not followed, the chain has reached %d "
                  "hops:\t\t\t\t\t\nURI: %s",
                  MaxReferralHops, url.c_str());
}

int QFormSearch::ReferralLimitReached(const std::string& url) {
    if (referralsFollowed < MaxReferrals) {
        return 0;
    }
    if (!referralLimitLogged) {
        QLogFile::Log("QFormSearch::ProcessReferrals()\t\t\t\t\t\n"
                      "Referral not followed, the search has followed %d referrals; no more "
                      "are:\t\t\t\t\t\nURI: %s",
                      MaxReferrals, url.c_str());
        referralLimitLogged = true;
    }
    return 1;
}

// Servers that refer to each other would otherwise send the search round in circles.
int QFormSearch::SearchedBefore(long connId, const QDN& base, const std::string& filter) const {
    const std::string place = PlaceKey(connId, base, filter);
    if (place.empty() || searchedPlaces.count(place) == 0) {
        return 0;
    }
    std::string host;
    std::string bindDN;
    std::string password;
    int port = 0;
    Manager()->BindManager()->GetConnectionInfo(connId, host, &port, bindDN, password);
    std::string dn;
    base.GetDN(dn);
    QLogFile::Log("QFormSearch::TryReferral()\t\t\t\t\t\n"
                  "Referral not followed, the same search was made before:\t\t\t\t\t\n"
                  "Host: %s\nPort: %d\nDN: %s\nFilter: %s",
                  host.c_str(), port, dn.c_str(), filter.c_str());
    return 1;
}

std::string QFormSearch::PlaceKey(long connId, const QDN& base, const std::string& filter) const {
    std::string dnKey;
    if (!DNKey(base, dnKey)) {
        return std::string();
    }
    return ServerKey(Manager(), connId) + "\n" + dnKey + "\n" + filter;
}

void QFormSearch::TryReferral(ldap_url_desc* url, QFormInput* next,
                              const PtrList<QFormInput>& remaining, int referralHops,
                              bool fromSecure) {
    const std::string host = url->lud_host != nullptr ? url->lud_host : "";
    const std::string dn = url->lud_dn != nullptr ? url->lud_dn : "";
    const std::string scheme = url->lud_scheme != nullptr ? url->lud_scheme : "ldap";
    const std::string noCredential;
    QBindManager* binds = Manager()->BindManager();
    // A search that reached its server over TLS never goes on in plain text.
    long connId = binds->OpenConnection(host, url->lud_port, noCredential, noCredential,
                                        binds->TransportFor(scheme, fromSecure));
    if (connId == -1) {
        return;
    }
    QDN base;
    if (!base.SetDN(Manager(), connId, dn)) {
        QLogFile::Log("QFormSearch::TryReferral()\t\t\t\t\t\n"
                      "Failed to process referral, problem with DN:\t\t\t\t\t\nDN: %s",
                      dn.c_str());
        return;
    }
    const std::string filter = url->lud_filter != nullptr ? url->lud_filter : "";
    if (SearchedBefore(connId, base, filter)) {
        return;
    }
    QError* error = nullptr;
    if (!binds->BindInBackground(connId, error)) {
        // A referral that cannot be followed securely counts as a failed operation.
        if (error != nullptr && error->ErrorCode() >= QError::kCredentialsRefused) {
            ++totalOperations;
            ++failedOperations;
            NoteConnectionError(error);
            SendOpCount();
        }
        delete error;
        return;
    }
    ++referralsFollowed;
    StartNode(std::make_unique<QFormSearchNode>(Manager(), connId, next, remaining, base, filter,
                                                referralHops));
}

void QFormSearch::StartNode(std::unique_ptr<QFormSearchNode> node) {
    AddPendingNode(std::move(node));
    SendPendingAndCount();
}

void QFormSearch::NoteConnectionError(const QError* error) {
    if (error == nullptr || error->ErrorCode() < QError::kCredentialsRefused) {
        return;
    }
    if (!connectionError) {
        connectionError = std::make_unique<QError>(*error);
    }
    Send(DUA_REPORT, std::make_unique<QFormReport>(new QError(*error), FR_CONNECTION_ERROR));
}

int QFormSearch::IsTaskOwner(ldap* handle, int messageId) const {
    return FindNode(handle, messageId) != nullptr;
}

int QFormSearch::WaitingOn(long connId) const {
    return std::any_of(nodes.begin(), nodes.end(), [connId](const auto& node) {
        return node->Invoked() && !node->Finished() && node->GetConnID() == connId;
    });
}

void QFormSearch::Abort() {
    // Often comes from inside one of this search's own notices, with its handling still on the
    // stack: the manager deletes the search only after that returns, and from here on the
    // handling starts and sends nothing.
    abandoned = true;
    pending.clear();
    for (const std::unique_ptr<QFormSearchNode>& node : nodes) {
        node->Abort();
    }
    RemoveFinishedNodes();
}

void QFormSearch::NotifyCloseConnection(long connId) {
    int aborted = 0;
    for (const std::unique_ptr<QFormSearchNode>& node : nodes) {
        if (node->Invoked() && !node->Finished() && node->GetConnID() == connId) {
            node->Abort();
            ++aborted;
            // The step being handled (the notice may come from its own result) is counted
            // here once and leaves the list when its handling ends.
            handlingCounted = handlingCounted || node.get() == handling;
        }
    }
    if (aborted > 0) {
        RemoveFinishedNodes();
        failedOperations += aborted;
        SendOpCount();
    }
    if (handling == nullptr) {
        SendPendingAndCount();
        CompleteIfDone();
    }
}

void QFormSearch::NotifyBindComplete(long connId, const QError* error) {
    if (abandoned || Finished()) {
        return;
    }
    int held = 0;
    int failed = 0;
    for (const std::unique_ptr<QFormSearchNode>& node : nodes) {
        QFormOp* operation = node->Operation();
        if (node->GetConnID() != connId || !operation->AwaitingBind()) {
            continue;
        }
        ++held;
        QError* sendError = nullptr;
        if (!operation->BindComplete(error, sendError)) {
            const QError* reason = error != nullptr ? error : sendError;
            QDebugOutput::Writef("Search operation invocation failed: error given was '%s'.\n",
                                 reason != nullptr ? ErrorText(*reason).c_str() : "");
            ++failed;
        }
        delete sendError;
    }
    if (held == 0) {
        return;
    }
    if (failed > 0) {
        // Told as when the bind fails to start: a secure connection or a sign-in that failed
        // is worth the user's knowing why.
        NoteConnectionError(error);
        failedOperations += failed;
        RemoveFinishedNodes();
        SendOpCount();
    }
    CompleteIfDone();
}

void QFormSearch::RemoveNode(const QFormSearchNode* node) {
    if (lastOwner == node) {
        lastOwner = nullptr;
    }
    auto it = std::find_if(nodes.begin(), nodes.end(),
                           [node](const auto& candidate) { return candidate.get() == node; });
    if (it != nodes.end()) {
        nodes.erase(it);
    }
}

void QFormSearch::RemoveFinishedNodes() {
    // The step being handled stays alive until its handling ends, which removes
    // it.
    if (lastOwner != handling) {
        lastOwner = nullptr;
    }
    std::erase_if(nodes,
                  [this](const auto& node) { return node.get() != handling && node->Finished(); });
}

void QFormSearch::SendOpCount() {
    Send(DUA_REPORT,
         std::make_unique<QFormReport>(totalOperations, failedOperations, FR_OPERATION_COUNT));
}

void QFormSearch::CompleteIfDone() {
    if (abandoned || Finished() || !nodes.empty()) {
        return;
    }
    finished = 1;
    invoked = 0;
    Send(DUA_COMPLETE, std::make_unique<QFormCompletionReport>(totalOperations, failedOperations,
                                                               incomplete ? 1 : 0));
}

} // namespace harrow
