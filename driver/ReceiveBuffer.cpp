// The driver's receive queue. See ReceiveBuffer.h.

#include "ReceiveBuffer.h"

#include <algorithm>
#include <cassert>

namespace vexmoor::serial {

ReceiveBuffer::ReceiveBuffer(std::size_t capacity) : storage_(capacity) {}

std::span<std::uint8_t> ReceiveBuffer::FreeSpace()
{
    const std::size_t tail = (head_ + size_) % storage_.size();
    const std::size_t contiguous = tail >= head_ && size_ < storage_.size() ? storage_.size() - tail : Room();
    return {storage_.data() + tail, std::min(contiguous, Room())};
}

void ReceiveBuffer::Commit(std::size_t count)
{
    assert(count <= Room());
    size_ += std::min(count, Room());
}

std::size_t ReceiveBuffer::Take(std::span<std::uint8_t> out)
{
    const std::size_t count = std::min(out.size(), size_);
    const std::size_t first = std::min(count, storage_.size() - head_);
    std::copy_n(storage_.begin() + static_cast<std::ptrdiff_t>(head_), first, out.begin());
    std::copy_n(storage_.begin(), count - first, out.begin() + static_cast<std::ptrdiff_t>(first));
    head_ = (head_ + count) % storage_.size();
    size_ -= count;
    if (size_ == 0) {
        head_ = 0;  // the next arrivals get the whole space in one piece
    }
    return count;
}

void ReceiveBuffer::Clear()
{
    head_ = 0;
    size_ = 0;
}

} // namespace vexmoor::serial
