#include "access/qrequester.h"

namespace harrow {

void QRequester::Notify(QDUAActivity activity, void* payload) {
    QRequestMsg message(payload);
    OnActivity(activity, &message);
}

} // namespace harrow
