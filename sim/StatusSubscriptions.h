#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace kova::sim {

// Which status objects a vehicle's subscribers want, from the subscription messages its status
// socket (an XPUB) reads: a first byte 1 (subscribe) or 0 (unsubscribe), then the prefix. A subscriber
// wants an object when a prefix it holds is a byte prefix of the object's index text (frame 1); the
// empty prefix wants everything. The socket passes a prefix on only when the first subscriber takes it
// and its unsubscription only when the last one drops it, so a set is all that is needed. The objects
// are those of publishedObjects(), by their position there. Plain object, one thread.
class StatusSubscriptions {
public:
    StatusSubscriptions();

    // Takes one message read from the status socket; true when the wanted objects may have changed.
    // Anything that is not a subscription message is ignored.
    bool apply(const void* data, std::size_t size);

    // Whether any subscriber wants the object at `position` of publishedObjects().
    bool wants(std::size_t position) const { return wanted_[position]; }
    // Whether any subscriber wants any object at all.
    bool wantsAny() const { return wantedCount_ > 0; }

private:
    void recompute();

    std::set<std::string> prefixes_;
    std::vector<bool> wanted_;
    std::size_t wantedCount_ = 0;
};

}  // namespace kova::sim
