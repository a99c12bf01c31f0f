#include "platform/ui/Messages.h"

#include <deque>
#include <memory>
#include <mutex>

#include "platform/ui/Forms.h"

namespace {

struct TPosted {
    Int64 Id;
    TControl* Control;
    std::weak_ptr<void> Alive;
    TMessage Message;
};

// Each message rides on a call posted to the application, so that it keeps
// its place among the other posted calls; the call delivers it only when it
// is still in this list, which is what lets a message be taken out again.
struct TPostedQueue {
    std::mutex Lock;
    std::deque<TPosted> Items;
    Int64 NextId = 0;
};

TPostedQueue& Queue() {
    static TPostedQueue queue;
    return queue;
}

void Deliver(Int64 Id) {
    TPosted posted;
    {
        TPostedQueue& q = Queue();
        std::lock_guard<std::mutex> lock(q.Lock);
        auto it = q.Items.begin();
        while (it != q.Items.end() && it->Id != Id) ++it;
        if (it == q.Items.end()) return;
        posted = *it;
        q.Items.erase(it);
    }
    if (posted.Alive.expired()) return;
    posted.Control->Perform(posted.Message.Msg, posted.Message.WParam, posted.Message.LParam);
}

}  // namespace

void PostMessage(TControl* Control, Cardinal Msg, std::intptr_t WParam, std::intptr_t LParam) {
    if (!Control) return;
    Int64 id;
    {
        TPostedQueue& q = Queue();
        std::lock_guard<std::mutex> lock(q.Lock);
        id = q.NextId++;
        q.Items.push_back({id, Control, Control->AliveToken(), TMessage{Msg, WParam, LParam, 0}});
    }
    Application->Post([id] { Deliver(id); });
}

bool RemovePostedMessage(TControl* Control, Cardinal Msg, TMessage* Message) {
    TPostedQueue& q = Queue();
    std::lock_guard<std::mutex> lock(q.Lock);
    for (auto it = q.Items.begin(); it != q.Items.end(); ++it) {
        if (it->Control != Control || it->Message.Msg != Msg || it->Alive.expired()) continue;
        if (Message) *Message = it->Message;
        q.Items.erase(it);
        return true;
    }
    return false;
}
