#include "searchrequest.h"

#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qerror.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace larkspur::test {

void RecordingRequester::OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) {
    Notice notice{activity, 0, -1, {}, -1};
    auto* payload = static_cast<SearchPayload*>(message->Message());
    if (payload != nullptr) {
        notice.requestId = payload->requestId;
        notice.messageId = payload->messageId;
        notice.dn = payload->dn;
        notice.resultCode = payload->resultCode;
        delete payload;
    }
    notices.push_back(notice);
    if (onNotice) {
        onNotice(notice);
    }
}

int RecordingRequester::Count(harrow::QDUAActivity activity) const {
    int count = 0;
    for (const Notice& notice : notices) {
        count += notice.activity == activity ? 1 : 0;
    }
    return count;
}

SearchRequest::SearchRequest(harrow::QDSManager* manager, harrow::QRequester* requester,
                             long connId, std::string base, std::vector<std::string>* journal)
    : QRequest(manager, manager->GenRequestID(), requester), connId(connId), base(std::move(base)),
      journal(journal) {}

SearchRequest::~SearchRequest() {
    Record("deleted " + std::to_string(ID()));
}

int SearchRequest::Invoke(harrow::QError*& error) {
    harrow::QBindManager* binds = Manager()->BindManager();
    if (!binds->IsBound(connId) &&
        (!binds->StartBind(connId, error) || !binds->BindWait(connId, error))) {
        return 0;
    }
    const int code = ldap_search_ext(Handle(), base.c_str(), LDAP_SCOPE_SUBTREE, "(objectClass=*)",
                                     nullptr, 0, nullptr, nullptr, nullptr, 0, &msgid);
    if (code != LDAP_SUCCESS) {
        error = new harrow::QError(code, nullptr);
        return 0;
    }
    invoked = 1;
    finished = 0;
    Manager()->RegisterRequest(this);
    return 1;
}

int SearchRequest::HandleLDAPMessage(ldap* handle, ldapmsg* message, harrow::QError*& error) {
    const int messageId = ldap_msgid(message);
    switch (ldap_msgtype(message)) {
    case LDAP_RES_SEARCH_ENTRY:
        Notify(harrow::DUA_RESULT,
               new SearchPayload{ID(), messageId, harrow::ldapapi::EntryDN(handle, message), 0});
        return 1;
    case LDAP_RES_SEARCH_RESULT: {
        int code = LDAP_OTHER;
        std::vector<std::string> referrals;
        harrow::ldapapi::ParseResult(handle, message, code, referrals);
        finished = 1;
        invoked = 0;
        msgid = -1;
        if (code != LDAP_SUCCESS) {
            error = new harrow::QError(code, nullptr);
        }
        Notify(harrow::DUA_COMPLETE, new SearchPayload{ID(), messageId, {}, code});
        return 1;
    }
    default:
        return 0;
    }
}

int SearchRequest::IsTaskOwner(ldap* handle, int messageId) const {
    return handle != nullptr && handle == Handle() && messageId == msgid ? 1 : 0;
}

int SearchRequest::WaitingOn(long otherConnId) const {
    return otherConnId == connId && invoked && !finished ? 1 : 0;
}

void SearchRequest::Abort() {
    Record("aborted " + std::to_string(ID()));
    if (msgid != -1 && invoked && !finished && Handle() != nullptr) {
        ldap_abandon_ext(Handle(), msgid, nullptr, nullptr);
    }
}

void SearchRequest::NotifyCloseConnection(long otherConnId) {
    if (!WaitingOn(otherConnId)) {
        return;
    }
    Abort();
    // Ends the operation so that the request no longer waits on the lost connection.
    invoked = 0;
    msgid = -1;
    Notify(harrow::DUA_CONNECTION_CLOSED, nullptr);
}

void SearchRequest::Record(const std::string& event) const {
    if (journal != nullptr) {
        journal->push_back(event);
    }
}

ldap* SearchRequest::Handle() const {
    return Manager()->BindManager()->GetLDAPContext(connId);
}

bool PollUntilDone(harrow::QDSManager& manager) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (manager.Waiting()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "requests still waiting after 30 seconds";
            return false;
        }
        manager.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace larkspur::test
