#include "forms/qformsearchnode.h"

namespace harrow {

QFormSearchNode::QFormSearchNode(QDSManager* manager, long connId, QFormInput* nextInput,
                                 const PtrList<QFormInput>& unused, const QDN& base,
                                 const std::string& filter, int hops)
    : next(nextInput), remaining(unused),
      operation(std::make_unique<QFormOp>(manager, connId, base, filter)), referralHops(hops) {}

QFormSearchNode::~QFormSearchNode() = default;

int QFormSearchNode::GetContext(QFormInput*& nextInput, PtrList<QFormInput>& out) const {
    nextInput = next;
    for (QFormInput* input : remaining) {
        out.AddTail(input);
    }
    return 1;
}

} // namespace harrow
