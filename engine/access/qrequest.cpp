#include "access/qrequest.h"

#include "access/qrequester.h"

namespace harrow {

QRequest::QRequest(QDSManager* manager, unsigned long id, QRequester* requester)
    : manager(manager), requester(requester), id(id) {}

QRequest::~QRequest() = default;

void QRequest::Cancel() {
    Abort();
    Notify(DUA_CANCELLED, nullptr);
}

void QRequest::NotifyBindComplete(long /*connId*/, const QError* /*error*/) {}

void QRequest::Notify(QDUAActivity activity, void* payload) {
    if (requester != nullptr) {
        requester->Notify(activity, payload);
    }
}

} // namespace harrow
