// QRequestMsg: the record that carries one notification's payload to a requester. It does not
// own the payload; the requester that receives it does.
#pragma once

#include "harrow32_export.h"

namespace harrow {

class HARROW32_EXPORT QRequestMsg {
public:
    explicit QRequestMsg(void* payload) : payload(payload) {}

    void* Message() const { return payload; }

private:
    void* payload;
};

} // namespace harrow
