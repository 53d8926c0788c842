// Test-only requests for the access tests: a subtree search that records what happens to it in a
// journal that outlives it, and a requester that keeps every notification it receives.
#pragma once

#include "access/qdsmanager.h"
#include "access/qrequest.h"
#include "access/qrequester.h"

#include <functional>
#include <string>
#include <vector>

namespace larkspur::test {

// One notification as the requester saw it. messageId and dn come from the payload.
struct Notice {
    harrow::QDUAActivity activity;
    unsigned long requestId;
    int messageId;
    std::string dn;
    int resultCode;
};

// The payload of DUA_RESULT (an entry) and DUA_COMPLETE (the final result).
struct SearchPayload {
    unsigned long requestId;
    int messageId;
    std::string dn;
    int resultCode;
};

class RecordingRequester : public harrow::QRequester {
public:
    void OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) override;

    // Runs after a notice has been recorded, inside the notification.
    std::function<void(const Notice&)> onNotice;

    std::vector<Notice> notices;
    int Count(harrow::QDUAActivity activity) const;
};

class SearchRequest : public harrow::QRequest {
public:
    SearchRequest(harrow::QDSManager* manager, harrow::QRequester* requester, long connId,
                  std::string base, std::vector<std::string>* journal = nullptr);
    ~SearchRequest() override;

    // Binds the connection if need be, sends the search and registers the request.
    int Invoke(harrow::QError*& error);

    int HandleLDAPMessage(ldap* handle, ldapmsg* message, harrow::QError*& error) override;
    int IsTaskOwner(ldap* handle, int messageId) const override;
    int WaitingOn(long connId) const override;
    void Abort() override;
    void NotifyCloseConnection(long connId) override;

    int MessageID() const { return msgid; }
    long ConnID() const { return connId; }

private:
    void Record(const std::string& event) const;
    ldap* Handle() const;

    long connId;
    std::string base;
    std::vector<std::string>* journal;
    int msgid = -1;
};

// Polls until nothing is waiting; fails the test instead of looping for good.
bool PollUntilDone(harrow::QDSManager& manager);

} // namespace larkspur::test
