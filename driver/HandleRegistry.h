#pragma once
// The driver's live handles. A handle is a number made to look like a
// pointer: it is looked up here and never dereferenced, so a null, stale or
// made-up handle is simply not found. Numbers are never given out twice in a
// process, so a handle closed long ago cannot name a port opened since.
// Thread-safe.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace vexmoor::serial {

template <typename Object>
class HandleRegistry {
public:
    using Handle = void*;

    Handle Add(std::shared_ptr<Object> object)
    {
        const std::lock_guard lock(mutex_);
        const std::uintptr_t number = kFirst + issued_++;
        objects_.emplace(number, std::move(object));
        return reinterpret_cast<Handle>(number);
    }

    // The object behind `handle`, or null.
    std::shared_ptr<Object> Find(Handle handle) const
    {
        const std::lock_guard lock(mutex_);
        const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        return found == objects_.end() ? nullptr : found->second;
    }

    // Takes `handle` out of the registry; the object it named, or null.
    std::shared_ptr<Object> Remove(Handle handle)
    {
        const std::lock_guard lock(mutex_);
        const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == objects_.end()) {
            return nullptr;
        }
        std::shared_ptr<Object> object = std::move(found->second);
        objects_.erase(found);
        return object;
    }

private:
    // Far from small integers and from what a null or freshly zeroed handle holds.
    static constexpr std::uintptr_t kFirst = 0x5E41'0001;

    mutable std::mutex mutex_;
    std::map<std::uintptr_t, std::shared_ptr<Object>> objects_;
    std::uintptr_t issued_ = 0;
};

} // namespace vexmoor::serial
