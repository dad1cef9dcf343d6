#pragma once
// Every reading of the program's run, in the order the polling cycle decoded
// them, with the wall-clock time it was stored at. Bounded: once full, the
// oldest reading drops out for each new one. Lives as long as the program, so
// the trend window finds the whole run whenever it opens.

#include "link/Protocol.h"
#include "measure/ReadingSink.h"
#include "platform/Clock.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace vexmoor {

struct Reading {
    platform::WallTime time;
    std::uint8_t channel = 1;  // 1 or 2
    ReplyOutcome outcome = ReplyOutcome::OtherStatus;
    double celsius = 0.0;      // meaningful only for Valid
    double ohms = 0.0;         // 0.0 unless Valid
};

class TrendStore final : public ReadingSink {
public:
    // Eight days at the polling rate of one reply a second.
    static constexpr std::size_t kDefaultCapacity = 8u * 86400u;

    using Listener = std::function<void(const Reading&)>;

    // Unsubscribes when it goes. Must not outlive its store.
    class Subscription {
    public:
        Subscription() = default;
        Subscription(TrendStore& store, std::uint64_t id) : store_(&store), id_(id) {}
        Subscription(Subscription&& other) noexcept;
        Subscription& operator=(Subscription&& other) noexcept;
        Subscription(const Subscription&) = delete;
        Subscription& operator=(const Subscription&) = delete;
        ~Subscription();

    private:
        TrendStore* store_ = nullptr;
        std::uint64_t id_ = 0;
    };

    // `capacity`: the most readings kept (at least 1). Memory grows with the
    // readings kept, not with the capacity.
    explicit TrendStore(platform::Clock& clock, std::size_t capacity = kDefaultCapacity);
    TrendStore(const TrendStore&) = delete;
    TrendStore& operator=(const TrendStore&) = delete;

    // Keeps the reading with the clock's time, then tells every listener.
    // Channel 1 is channel 1, any other value channel 2.
    void OnReading(std::uint8_t channel, const DecodedReply& reply) override;

    // Oldest first.
    const std::deque<Reading>& Readings() const { return readings_; }
    std::size_t Capacity() const { return capacity_; }
    // Readings received in the whole run, including those dropped since.
    std::uint64_t Received() const { return received_; }

    // `listener` is called after each new reading has been kept.
    [[nodiscard]] Subscription Subscribe(Listener listener);

private:
    void Unsubscribe(std::uint64_t id);

    platform::Clock& clock_;
    std::size_t capacity_;
    std::deque<Reading> readings_;
    std::uint64_t received_ = 0;
    std::map<std::uint64_t, std::shared_ptr<const Listener>> listeners_;
    std::uint64_t nextListenerId_ = 1;
};

} // namespace vexmoor
