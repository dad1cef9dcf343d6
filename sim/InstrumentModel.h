#pragma once
// The simulated thermometer itself, as its serial line sees it: request bytes
// in, reply bytes out, each reply leaving after its delay. One model of the
// instrument, used twice: behind the in-process D2XX stand-in (Instrument,
// SimInstrument.h) and on a real serial line (WireServer.h).

#include <cstdint>
#include <deque>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace vexmoor::sim {

// Time as the simulation sees it.
class SimClock {
public:
    virtual ~SimClock() = default;
    virtual std::int64_t NowMs() = 0;
    // A blocking read waits here; a manual clock just moves on.
    virtual void WaitUntilMs(std::int64_t deadlineMs) = 0;
};

class ManualClock final : public SimClock {
public:
    std::int64_t NowMs() override { return nowMs; }
    void WaitUntilMs(std::int64_t deadlineMs) override
    {
        if (deadlineMs > nowMs) {
            nowMs = deadlineMs;
        }
    }
    void Advance(std::int64_t ms) { nowMs += ms; }
    std::int64_t nowMs = 0;
};

class SteadyClock final : public SimClock {
public:
    std::int64_t NowMs() override;
    void WaitUntilMs(std::int64_t deadlineMs) override;
};

// What a sensor reports.
enum class SensorState : std::uint8_t { Present, Missing, OverRange };

// One reply the instrument gives instead of its own, in the order requests
// come. Empty `bytes` = no reply at all to that request.
struct ScriptedReply {
    std::vector<std::uint8_t> bytes;
    std::int64_t delayMs = 20;
};

// How the simulation behaves. The fields marked "driver" concern the D2XX
// stand-in only (Instrument); the others are the instrument's own and hold
// wherever it answers, on a serial line too (WireServer).
struct Script {
    // Driver. Opening: the first `openFailures` FT_OpenEx calls fail; -1: every one does.
    int openFailures = 0;
    // Driver. Calls on a handle that is not open fail with status 1
    // (FT_INVALID_HANDLE) when true, succeed when false.
    bool refuseCallsWhenClosed = true;
    // Driver.
    bool refuseBaudRate = false;
    bool refuseDataCharacteristics = false;

    // Identification: the bytes answering "12 2\r". Empty: the instrument
    // stays silent to it.
    std::string greeting = "Quorvantex Z5 v1.0b\r";
    // Driver. The first identify read returns status 4 (with whatever it
    // read). The I/O error also loses the rest of the receive queue, so a
    // repeated request is answered afresh.
    bool firstIdentifyReadStatus4 = false;

    // Measurement.
    SensorState sensor1 = SensorState::Present;
    SensorState sensor2 = SensorState::Present;
    double baseCelsius1 = 21.5;
    double baseCelsius2 = 23.0;
    std::int64_t replyDelayMs = 20;
    // After this many channel replies the instrument falls silent (-1: never).
    int silentAfterReplies = -1;
    // Driver. After this many channel replies every FT_Read fails with status
    // 4 (-1: never). The first N channel replies are read normally; a read
    // made once more than N have been sent fails, returning no bytes.
    int readFailAfterReplies = -1;
    // Driver. After this many channel replies every FT_Write returns
    // `writeFailStatus`. Identify requests are spared (so 0 still lets
    // detection succeed); a failed write never reaches the instrument, but is
    // in Requests().
    int writeFailAfterReplies = -1;
    std::uint32_t writeFailStatus = 1;
    // Replies used instead of the model's, front first, one per channel request.
    // They are used before `silentAfterReplies` is considered, and each
    // non-empty one counts as a channel reply.
    std::deque<ScriptedReply> scriptedReplies;
    // Driver. Entry points the library lacks.
    std::set<std::string> missingEntryPoints;
};

// A well-formed 24-byte reply: status, 'R', 8 resistance chars, ' ', '\r',
// 'T', 8 temperature chars, ' ', '\r', and a final '\n'.
std::vector<std::uint8_t> MakeReply(std::uint8_t status, double ohms, double celsius);
// Pt100 resistance at `celsius`: 100 (1 + 3.9083e-3 t - 5.775e-7 t^2).
double Pt100Ohms(double celsius);

// The requests the instrument understands.
enum class RequestKind : std::uint8_t { Identify, Channel1, Channel2 };

// The instrument's answer to one request: the bytes it sends back after
// `delayMs` (none when it stays silent to it).
struct Answer {
    RequestKind request;
    std::vector<std::uint8_t> bytes;
    std::int64_t delayMs = 0;
};

class InstrumentModel {
public:
    // Reads `script` as it is at each request, so it may be changed between them.
    InstrumentModel(SimClock& clock, Script& script);

    // Bytes arriving from the host. Each request they complete (the bytes up
    // to a '\r') gets its Answer, in order; what the instrument does not
    // understand gets none.
    std::vector<Answer> Hear(std::span<const std::uint8_t> bytes);
    // Forgets a request cut off halfway (the line was closed under it).
    void ForgetPartialRequest() { line_.clear(); }
    // Channel replies sent so far (scripted ones included, unless empty).
    int ChannelRepliesSent() const { return channelReplies_; }

private:
    std::vector<std::uint8_t> ModelReply(int channel);

    SimClock& clock_;
    Script& script_;
    std::string line_;  // request bytes up to the next '\r'
    int channelReplies_ = 0;
};

} // namespace vexmoor::sim
