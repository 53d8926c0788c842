// LS_RequestSlot: a window's hold on the one request it last started. It owns the request while
// the request is not registered with the manager; the manager deletes a request it aborts, so
// the slot hears of that deletion and forgets the request instead of keeping a stale pointer.
#pragma once

#include "access/qdsmanager.h"

#include <utility>

template <typename Request> class LS_RequestSlot {
public:
    LS_RequestSlot() = default;
    LS_RequestSlot(const LS_RequestSlot&) = delete;
    LS_RequestSlot& operator=(const LS_RequestSlot&) = delete;
    ~LS_RequestSlot() { Delete(); }

    // The request held, or null.
    Request* Get() const { return request; }

    // Replaces the request held (see Delete) with a new one made from the arguments.
    template <typename... Arguments>
    Request* Create(harrow::QDSManager* manager, Arguments&&... arguments) {
        Delete();
        auto* made = new Tracked(manager, std::forward<Arguments>(arguments)...);
        made->slot = this;
        request = made;
        return request;
    }

    // Ends the hold: a request still registered is aborted by the manager, which deletes it;
    // any other is deleted here.
    void Delete() {
        Request* doomed = request;
        if (!doomed) {
            return;
        }
        harrow::QDSManager* manager = static_cast<Tracked*>(doomed)->manager;
        if (manager && manager->GetRequest(doomed->ID()) != nullptr) {
            manager->AbortRequest(doomed->ID());
        } else {
            delete doomed;
        }
        request = nullptr;
    }

private:
    class Tracked : public Request {
    public:
        template <typename... Arguments>
        explicit Tracked(harrow::QDSManager* owner, Arguments&&... arguments)
            : Request(owner, std::forward<Arguments>(arguments)...), manager(owner) {}
        ~Tracked() override {
            if (slot && slot->request == this) {
                slot->request = nullptr;
            }
        }

        LS_RequestSlot* slot = nullptr;
        harrow::QDSManager* manager;
    };

    Request* request = nullptr;
};
