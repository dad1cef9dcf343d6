#pragma once
// The simulated instrument on a serial line: it listens on a file descriptor
// (the master side of a pseudo-terminal whose slave side is the serial port
// the host opens, see MockedSerialPorts.h) and answers there as the
// instrument does on its wire: requests in, the greeting and the 24-byte
// frames out, each after its delay. The instrument is the same InstrumentModel
// that answers behind the D2XX stand-in; only the instrument's own script
// fields apply here. POSIX only.

#include "InstrumentModel.h"
#include "driver/UniqueFd.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vexmoor::sim {

using serial::UniqueFd;

class WireServer {
public:
    // Serves `line` on a thread of its own, on the steady clock.
    explicit WireServer(UniqueFd line, Script script = {});
    // Stops serving and closes the line (HangUp).
    ~WireServer();
    WireServer(const WireServer&) = delete;
    WireServer& operator=(const WireServer&) = delete;

    // Puts bytes on the line at once, ahead of the replies still to come
    // (flow-control characters, line noise).
    void SendNow(std::vector<std::uint8_t> bytes);
    // Every byte heard from the host so far, in order.
    std::string Heard() const;
    // Waits until at least `count` bytes have been heard; false after `patience`.
    bool WaitForHeard(std::size_t count, std::chrono::milliseconds patience) const;
    // Waits until every reply due has been written to the line; false after `patience`.
    bool WaitUntilAllSent(std::chrono::milliseconds patience) const;
    int ChannelRepliesSent() const;
    // Changes the script between requests.
    void EditScript(const std::function<void(Script&)>& edit);
    // The server's side of the line, to look at (its terminal settings are the
    // port's); -1 after HangUp.
    int Line() const { return line_.Get(); }

    // Stops serving and closes the server's side of the line. The port hangs
    // up once no other descriptor of this side is open.
    void HangUp();

private:
    struct Pending {
        std::int64_t atMs;
        std::vector<std::uint8_t> bytes;
    };

    void Run();
    void Wake() const;
    // Under the lock: replies whose time has come go to the outbox, which is
    // written as far as the line takes it.
    void FlushDue(std::int64_t nowMs);

    SteadyClock clock_;
    Script script_;
    InstrumentModel model_{clock_, script_};
    UniqueFd line_;
    UniqueFd wake_;  // an eventfd: stop, or new bytes to send

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::string heard_;
    std::deque<Pending> pending_;          // replies on their way, in order
    std::vector<std::uint8_t> outbox_;     // due, not yet taken by the line
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace vexmoor::sim
