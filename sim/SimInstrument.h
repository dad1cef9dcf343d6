#pragma once
// A simulated thermometer behind the fourteen D2XX entry points: the
// instrument (InstrumentModel) and a model of its driver's receive queue,
// scriptable to misbehave. Packaged twice: in-process for the tests
// (InProcessTable.h) and as a shared library with the D2XX file name for
// trying the program. The model itself needs nothing of the program.

#include "InstrumentModel.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vexmoor::sim {

class Instrument {
public:
    explicit Instrument(SimClock& clock, Script script = {});
    // Stops being the in-process table's instrument (see InProcessTable).
    ~Instrument();
    // The model refers to this object's script.
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

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
    int ChannelRepliesSent() const { return model_.ChannelRepliesSent(); }
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
    void PurgeReceive();
    void CloseHandle();

    SimClock& clock_;
    Script script_;
    InstrumentModel model_{clock_, script_};
    bool open_ = false;
    std::vector<std::string> calls_;
    std::vector<std::string> requests_;
    std::vector<std::string> trace_;

    int openExAttempts_ = 0;
    std::deque<std::uint8_t> received_;    // arrived, not read yet
    std::deque<InFlight> inFlight_;        // in arrival order
    bool identifyPending_ = false;         // the last request was "12 2"
    bool identifyReadDone_ = false;        // the first identify read has been made
    std::uint32_t readTimeoutMs_ = kDefaultReadTimeoutMs;
    std::uint32_t writeTimeoutMs_ = kDefaultWriteTimeoutMs;
    std::uint32_t baudRate_ = 9600;
    char handleToken_ = 0;                 // its address is the handle
};

} // namespace vexmoor::sim
