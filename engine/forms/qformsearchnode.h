// QFormSearchNode: one step of a form search's chain: its search operation, the input to look
// for below the entries it finds, the context inputs still unused, and how many referrals led
// to it. It owns the operation; the inputs belong to the form search.
#pragma once

#include "forms/qformop.h"
#include "harrow32_export.h"
#include "model/qstringlist.h"
#include "ptrlist.h"

#include <memory>
#include <string>

struct ldap;
struct ldapmsg;

namespace harrow {

class QDN;
class QDSManager;
class QEntry;
class QError;
class QFormInput;

class HARROW32_EXPORT QFormSearchNode {
public:
    // next is null for a target search; the remaining pointers are copied.
    QFormSearchNode(QDSManager* manager, long connId, QFormInput* next,
                    const PtrList<QFormInput>& remaining, const QDN& base,
                    const std::string& filter, int referralHops = 0);
    QFormSearchNode(const QFormSearchNode&) = delete;
    QFormSearchNode& operator=(const QFormSearchNode&) = delete;
    virtual ~QFormSearchNode();

    int Invoke(QError*& error) { return operation->Invoke(error); }
    void Abort() { operation->Abort(); }
    int ParseMessage(ldap* handle, ldapmsg* message, QError*& error) {
        return operation->ParseMessage(handle, message, error);
    }
    unsigned GetEntries(PtrList<QEntry>& out) { return operation->GetEntries(out); }
    unsigned GetReferrals(QStringList& out) const { return operation->GetReferrals(out); }
    int IsOwner(ldap* handle, int messageId) const { return operation->IsOwner(handle, messageId); }
    int Invoked() const { return operation->Invoked(); }
    int Finished() const { return operation->Finished(); }
    int Succeeded() const { return operation->Succeeded(); }
    long GetConnID() const { return operation->GetConnID(); }

    int IsTargetSearch() const { return next == nullptr; }
    // next = the input to search for below this step's matches; appends the unused context
    // inputs to out; returns 1.
    int GetContext(QFormInput*& nextInput, PtrList<QFormInput>& out) const;
    // How many referrals were followed to reach this step.
    int ReferralHops() const { return referralHops; }
    QFormOp* Operation() const { return operation.get(); }

private:
    QFormInput* next;
    PtrList<QFormInput> remaining;
    std::unique_ptr<QFormOp> operation;
    int referralHops;
};

} // namespace harrow
