// The simulated instrument answering on a serial line. See WireServer.h.

#include "WireServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <system_error>

namespace vexmoor::sim {

namespace {

// While no one has the port open, the line reports a hang-up at once; the
// server then looks again this often.
constexpr int kAbsentPeerRetryMs = 5;

} // namespace

WireServer::WireServer(UniqueFd line, Script script)
    : script_(std::move(script)), line_(std::move(line)), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (!line_.Valid() || !wake_.Valid()) {
        throw std::system_error(errno, std::generic_category(), "wire server");
    }
    const int flags = ::fcntl(line_.Get(), F_GETFL);
    ::fcntl(line_.Get(), F_SETFL, flags | O_NONBLOCK);
    thread_ = std::thread([this] { Run(); });
}

WireServer::~WireServer()
{
    HangUp();
}

void WireServer::Wake() const
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wake_.Get(), &one, sizeof one);
}

void WireServer::HangUp()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    Wake();
    if (thread_.joinable()) {
        thread_.join();
    }
    line_.Reset();
    changed_.notify_all();
}

void WireServer::SendNow(std::vector<std::uint8_t> bytes)
{
    {
        const std::lock_guard lock(mutex_);
        outbox_.insert(outbox_.end(), bytes.begin(), bytes.end());
    }
    Wake();
}

std::string WireServer::Heard() const
{
    const std::lock_guard lock(mutex_);
    return heard_;
}

bool WireServer::WaitForHeard(std::size_t count, std::chrono::milliseconds patience) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, patience, [&] { return heard_.size() >= count; });
}

bool WireServer::WaitUntilAllSent(std::chrono::milliseconds patience) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, patience, [&] { return stopping_ || (pending_.empty() && outbox_.empty()); });
}

int WireServer::ChannelRepliesSent() const
{
    const std::lock_guard lock(mutex_);
    return model_.ChannelRepliesSent();
}

void WireServer::EditScript(const std::function<void(Script&)>& edit)
{
    const std::lock_guard lock(mutex_);
    edit(script_);
}

void WireServer::FlushDue(std::int64_t nowMs)
{
    while (!pending_.empty() && pending_.front().atMs <= nowMs) {
        const auto& bytes = pending_.front().bytes;
        outbox_.insert(outbox_.end(), bytes.begin(), bytes.end());
        pending_.pop_front();
    }
    while (!outbox_.empty()) {
        const ssize_t written = ::write(line_.Get(), outbox_.data(), outbox_.size());
        if (written > 0) {
            outbox_.erase(outbox_.begin(), outbox_.begin() + written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // the line takes no more now (or no one is there): later
        }
    }
    if (pending_.empty() && outbox_.empty()) {
        changed_.notify_all();
    }
}

void WireServer::Run()
{
    std::array<std::uint8_t, 4096> chunk{};
    bool peerAbsent = false;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const std::int64_t now = clock_.NowMs();
        FlushDue(now);
        int timeoutMs = -1;
        if (!pending_.empty()) {
            timeoutMs = static_cast<int>(std::clamp<std::int64_t>(pending_.front().atMs - now, 0, INT_MAX));
        }
        if (peerAbsent || !outbox_.empty()) {
            // Nobody there, or the line full: look again shortly.
            timeoutMs = timeoutMs < 0 ? kAbsentPeerRetryMs : std::min(timeoutMs, kAbsentPeerRetryMs);
        }
        const short events = peerAbsent ? short{0} : short{POLLIN};
        lock.unlock();

        std::array<pollfd, 2> fds{pollfd{line_.Get(), events, 0}, pollfd{wake_.Get(), POLLIN, 0}};
        const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
        if (fds[1].revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto drained = ::read(wake_.Get(), &count, sizeof count);
        }

        lock.lock();
        peerAbsent = false;
        if (ready <= 0 || (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        const ssize_t got = ::read(line_.Get(), chunk.data(), chunk.size());
        if (got > 0) {
            const std::span<const std::uint8_t> bytes(chunk.data(), static_cast<std::size_t>(got));
            heard_.append(bytes.begin(), bytes.end());
            const std::int64_t heardAt = clock_.NowMs();
            for (Answer& answer : model_.Hear(bytes)) {
                if (answer.bytes.empty()) {
                    continue;
                }
                std::int64_t at = heardAt + std::max<std::int64_t>(answer.delayMs, 0);
                // One serial line: replies never overtake the ones before them.
                if (!pending_.empty() && pending_.back().atMs > at) {
                    at = pending_.back().atMs;
                }
                pending_.push_back(Pending{at, std::move(answer.bytes)});
            }
            changed_.notify_all();
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            // A pseudo-terminal's master reads EIO while no one has the port open.
            peerAbsent = true;
        }
    }
}

} // namespace vexmoor::sim
