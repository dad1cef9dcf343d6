#pragma once
// A simulated thermometer behind the fourteen D2XX entry points: a model of
// the instrument and of its driver's receive queue, scriptable to misbehave.
// One model, packaged twice: in-process for the tests (InProcessTable.h) and
// as a shared library with the D2XX file name for trying the program. The
// model itself needs nothing of the program.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vexmoor::sim {

// Time as the simulated driver sees it.
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

struct Script {
    // Opening: the first `openFailures` FT_OpenEx calls fail; -1: every one does.
    int openFailures = 0;
    // Calls on a handle that is not open fail with status 1 (FT_INVALID_HANDLE)
    // when true, succeed when false.
    bool refuseCallsWhenClosed = true;
    bool refuseBaudRate = false;
    bool refuseDataCharacteristics = false;

    // Identification: the bytes answering "12 2\r". Empty: the instrument
    // stays silent to it.
    std::string greeting = "Quorvantex Z5 v1.0b\r";
    // The first identify read returns status 4 (with whatever it read). The
    // I/O error also loses the rest of the receive queue, so a repeated
    // request is answered afresh.
    bool firstIdentifyReadStatus4 = false;

    // Measurement.
    SensorState sensor1 = SensorState::Present;
    SensorState sensor2 = SensorState::Present;
    double baseCelsius1 = 21.5;
    double baseCelsius2 = 23.0;
    std::int64_t replyDelayMs = 20;
    // After this many channel replies the instrument falls silent (-1: never).
    int silentAfterReplies = -1;
    // After this many channel replies every FT_Read fails with status 4 (-1: never).
    // The first N channel replies are read normally; a read made once more
    // than N have been sent fails, returning no bytes.
    int readFailAfterReplies = -1;
    // After this many channel replies every FT_Write returns `writeFailStatus`.
    // Identify requests are spared (so 0 still lets detection succeed); a
    // failed write never reaches the instrument, but is in Requests().
    int writeFailAfterReplies = -1;
    std::uint32_t writeFailStatus = 1;
    // Replies used instead of the model's, front first, one per channel request.
    // They are used before `silentAfterReplies` is considered, and each
    // non-empty one counts as a channel reply.
    std::deque<ScriptedReply> scriptedReplies;
    // Entry points the library lacks.
    std::set<std::string> missingEntryPoints;
};

// A well-formed 24-byte reply: status, 'R', 8 resistance chars, ' ', '\r',
// 'T', 8 temperature chars, ' ', '\r', and a final '\n'.
std::vector<std::uint8_t> MakeReply(std::uint8_t status, double ohms, double celsius);
// Pt100 resistance at `celsius`: 100 (1 + 3.9083e-3 t - 5.775e-7 t^2).
double Pt100Ohms(double celsius);

class Instrument {
public:
    explicit Instrument(SimClock& clock, Script script = {});
    // Stops being the in-process table's instrument (see InProcessTable).
    ~Instrument();

    Script& GetScript() { return script_; }
    SimClock& Clock() { return clock_; }

    // Bytes put straight into the receive queue, available at once.
    void InjectBytes(const std::vector<std::uint8_t>& bytes);
    // Bytes that have arrived by now.
    std::size_t QueuedBytes();
    bool IsOpen() const { return open_; }
    // Every entry point called, by name, in order (for checking call sequences).
    const std::vector<std::string>& Calls() const { return calls_; }
    // The requests written, as text: every FT_Write on the open handle, one
    // entry per call, also those that the script made fail.
    const std::vector<std::string>& Requests() const { return requests_; }
    int ChannelRepliesSent() const { return channelReplies_; }
    // Forgets Calls(), Requests() and Trace() (a long run would pile them up).
    void ClearRecords();
    // Every entry point called, with its arguments other than the handle, e.g.
    // "FT_SetTimeouts(500, 500)" or "FT_OpenEx(\"Quorvantex Z5 RevavaZevod\", 2)".
    const std::vector<std::string>& Trace() const { return trace_; }
    // The handle a successful open hands out (the same for every open).
    void* Handle() const;
    // The settings last accepted on the open handle.
    std::uint32_t ReadTimeoutMs() const { return readTimeoutMs_; }
    std::uint32_t WriteTimeoutMs() const { return writeTimeoutMs_; }
    std::uint32_t BaudRate() const { return baudRate_; }

    // Read timeout of a freshly opened handle: 0, as in the D2XX driver, where
    // it means "no timeout". A read with no timeout waits for the bytes already
    // on their way and returns early only when no more are coming (the
    // simulation cannot wait forever).
    static constexpr std::uint32_t kDefaultReadTimeoutMs = 0;
    static constexpr std::uint32_t kDefaultWriteTimeoutMs = 0;
    // The text of the description the instrument is opened by.
    static constexpr const char* kDescription = "Quorvantex Z5 RevavaZevod";

    // The fourteen entry points' behaviour.
    std::uint32_t FT_Open(int index, void** handle);
    std::uint32_t FT_OpenEx(void* arg, std::uint32_t flags, void** handle);
    std::uint32_t FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags);
    std::uint32_t FT_Close(void* handle);
    std::uint32_t FT_Read(void* handle, void* buffer, std::uint32_t toRead, std::uint32_t* returned);
    std::uint32_t FT_Write(void* handle, void* buffer, std::uint32_t toWrite, std::uint32_t* written);
    std::uint32_t FT_ResetDevice(void* handle);
    std::uint32_t FT_Purge(void* handle, std::uint32_t mask);
    std::uint32_t FT_SetTimeouts(void* handle, std::uint32_t readMs, std::uint32_t writeMs);
    std::uint32_t FT_GetQueueStatus(void* handle, std::uint32_t* rx);
    std::uint32_t FT_SetFlowControl(void* handle, std::uint16_t mode, std::uint8_t xon, std::uint8_t xoff);
    std::uint32_t FT_SetBaudRate(void* handle, std::uint32_t rate);
    std::uint32_t FT_SetDataCharacteristics(void* handle, std::uint8_t bits, std::uint8_t stop, std::uint8_t parity);
    std::uint32_t FT_GetStatus(void* handle, std::uint32_t* rx, std::uint32_t* tx, std::uint32_t* events);

private:
    // Bytes on their way to the receive queue, arriving all at once at `atMs`.
    struct InFlight {
        std::int64_t atMs;
        std::vector<std::uint8_t> bytes;
    };

    // Records the call; true when `handle` is the open one. Otherwise the
    // status the call returns is left in `refusal`.
    bool Enter(const char* name, const std::string& arguments, void* handle, std::uint32_t& refusal);
    // Moves what has arrived by now into the receive queue.
    void Settle();
    // When `count` bytes will have arrived, or nullopt when they never will.
    std::optional<std::int64_t> ArrivalOf(std::size_t count) const;
    void Send(std::vector<std::uint8_t> bytes, std::int64_t delayMs);
    void Receive(const std::uint8_t* bytes, std::size_t length);
    void Answer(const std::string& command);
    std::vector<std::uint8_t> ModelReply(int channel);
    void PurgeReceive();
    void CloseHandle();

    SimClock& clock_;
    Script script_;
    bool open_ = false;
    std::vector<std::string> calls_;
    std::vector<std::string> requests_;
    std::vector<std::string> trace_;
    int channelReplies_ = 0;

    int openExAttempts_ = 0;
    std::deque<std::uint8_t> received_;    // arrived, not read yet
    std::deque<InFlight> inFlight_;        // in arrival order
    std::string line_;                     // request bytes up to the next '\r'
    bool identifyPending_ = false;         // the last request was "12 2"
    bool identifyReadDone_ = false;        // the first identify read has been made
    std::uint32_t readTimeoutMs_ = kDefaultReadTimeoutMs;
    std::uint32_t writeTimeoutMs_ = kDefaultWriteTimeoutMs;
    std::uint32_t baudRate_ = 9600;
    char handleToken_ = 0;                 // its address is the handle
};

} // namespace vexmoor::sim
