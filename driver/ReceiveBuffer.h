#pragma once
// The driver's own receive queue: bytes taken from the kernel's tty ahead of
// the reads that want them, so that the number waiting can be told without
// asking the kernel (a mocked tty answers FIONREAD with ENOTTY). Bounded:
// once it is full the kernel keeps the rest, and with it its flow control.
// A ring over one fixed allocation; not thread-safe by itself.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vexmoor::serial {

class ReceiveBuffer {
public:
    static constexpr std::size_t kDefaultCapacity = 64 * 1024;

    explicit ReceiveBuffer(std::size_t capacity = kDefaultCapacity);

    std::size_t Size() const { return size_; }
    std::size_t Room() const { return storage_.size() - size_; }

    // Free space right after the queued bytes, in one piece (it may be less
    // than Room() where the ring wraps). Commit what was written into it.
    std::span<std::uint8_t> FreeSpace();
    void Commit(std::size_t count);

    // Moves up to out.size() bytes, oldest first, into `out`; the count moved.
    std::size_t Take(std::span<std::uint8_t> out);
    void Clear();

private:
    std::vector<std::uint8_t> storage_;
    std::size_t head_ = 0;  // the oldest byte
    std::size_t size_ = 0;
};

} // namespace vexmoor::serial
