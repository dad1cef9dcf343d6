#include "trend/TrendStore.h"

#include <algorithm>
#include <utility>

namespace vexmoor {

TrendStore::Subscription::Subscription(Subscription&& other) noexcept
    : store_(std::exchange(other.store_, nullptr)), id_(other.id_)
{
}

TrendStore::Subscription& TrendStore::Subscription::operator=(Subscription&& other) noexcept
{
    if (this != &other) {
        if (store_ != nullptr) {
            store_->Unsubscribe(id_);
        }
        store_ = std::exchange(other.store_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

TrendStore::Subscription::~Subscription()
{
    if (store_ != nullptr) {
        store_->Unsubscribe(id_);
    }
}

TrendStore::TrendStore(platform::Clock& clock, std::size_t capacity)
    : clock_(clock), capacity_(std::max<std::size_t>(capacity, 1))
{
}

void TrendStore::OnReading(std::uint8_t channel, const DecodedReply& reply)
{
    Reading reading;
    reading.time = clock_.Now();
    reading.channel = channel == 1 ? 1 : 2;
    reading.outcome = reply.outcome;
    if (reply.outcome == ReplyOutcome::Valid) {
        reading.celsius = reply.celsius;
        reading.ohms = reply.ohms;
    }
    if (readings_.size() == capacity_) {
        readings_.pop_front();
    }
    readings_.push_back(reading);
    ++received_;

    // A listener may subscribe or unsubscribe others (or itself) while it is
    // being told: those still subscribed when their turn comes are called, and
    // a listener that ends its own subscription finishes its call first.
    const Reading kept = readings_.back();
    for (auto it = listeners_.begin(); it != listeners_.end();) {
        const std::uint64_t id = it->first;
        const std::shared_ptr<const Listener> listener = it->second;
        (*listener)(kept);
        it = listeners_.upper_bound(id);
    }
}

TrendStore::Subscription TrendStore::Subscribe(Listener listener)
{
    const std::uint64_t id = nextListenerId_++;
    listeners_.emplace(id, std::make_shared<const Listener>(std::move(listener)));
    return Subscription(*this, id);
}

void TrendStore::Unsubscribe(std::uint64_t id)
{
    listeners_.erase(id);
}

} // namespace vexmoor
