// The simulated D2XX driver in front of the instrument: its receive queue and
// its entry points. See SimInstrument.h and sim/README.md for what is modelled.

#include "SimInstrument.h"

#include "InProcessCurrent.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace vexmoor::sim {

namespace {

// The driver's and the instrument's numbers below are written out here on
// purpose, not taken from the program's link/D2xxTypes.h and link/Protocol.h:
// were one of the program's constants wrong, a simulator sharing it would
// agree with the mistake and no test would notice. Only the entry points'
// names and types come from the program's list (EntryPoints.h), and a wrong
// type there fails to build against the model's own signatures.

// D2XX statuses the simulation returns.
constexpr std::uint32_t kOk = 0;
constexpr std::uint32_t kInvalidHandle = 1;
constexpr std::uint32_t kDeviceNotFound = 2;
constexpr std::uint32_t kDeviceNotOpened = 3;
constexpr std::uint32_t kIoError = 4;
constexpr std::uint32_t kInvalidParameter = 6;
constexpr std::uint32_t kInvalidBaudRate = 7;

constexpr std::uint32_t kOpenBySerialNumber = 1;
constexpr std::uint32_t kOpenByDescription = 2;
constexpr std::uint32_t kListNumberOnly = 0x80000000u;
constexpr std::uint32_t kListByIndex = 0x40000000u;
constexpr std::uint32_t kListAll = 0x20000000u;
constexpr std::uint32_t kPurgeRx = 1;

constexpr const char* kSerialNumber = "QZ5SIM01";

std::string Quoted(const std::uint8_t* bytes, std::size_t length)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<char>(bytes[i]);
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        default:
            if (bytes[i] < 0x20 || bytes[i] >= 0x7F) {
                static constexpr char kHex[] = "0123456789ABCDEF";
                out += "\\x";
                out.push_back(kHex[bytes[i] >> 4]);
                out.push_back(kHex[bytes[i] & 0x0F]);
            } else {
                out.push_back(c);
            }
        }
    }
    return out + "\"";
}

std::string Quoted(const char* text)
{
    if (text == nullptr) {
        return "null";
    }
    return Quoted(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
}

std::string Hex(std::uint32_t value)
{
    std::array<char, 16> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value, 16);
    (void)error;
    return "0x" + std::string(text.data(), end);
}

} // namespace

// ---- the instrument -------------------------------------------------------

Instrument::Instrument(SimClock& clock, Script script) : clock_(clock), script_(std::move(script)) {}

Instrument::~Instrument()
{
    if (detail::inProcessInstrument == this) {
        detail::inProcessInstrument = nullptr;
    }
}

void* Instrument::Handle() const
{
    return const_cast<char*>(&handleToken_);
}

void Instrument::ClearRecords()
{
    calls_.clear();
    requests_.clear();
    trace_.clear();
}

void Instrument::InjectBytes(const std::vector<std::uint8_t>& bytes)
{
    Settle();
    received_.insert(received_.end(), bytes.begin(), bytes.end());
}

std::size_t Instrument::QueuedBytes()
{
    Settle();
    return received_.size();
}

bool Instrument::Enter(const char* name, const std::string& arguments, void* handle, std::uint32_t& refusal)
{
    calls_.emplace_back(name);
    trace_.push_back(std::string(name) + "(" + arguments + ")");
    if (open_ && handle == Handle()) {
        return true;
    }
    refusal = script_.refuseCallsWhenClosed ? kInvalidHandle : kOk;
    return false;
}

void Instrument::Settle()
{
    const std::int64_t now = clock_.NowMs();
    while (!inFlight_.empty() && inFlight_.front().atMs <= now) {
        const auto& bytes = inFlight_.front().bytes;
        received_.insert(received_.end(), bytes.begin(), bytes.end());
        inFlight_.pop_front();
    }
}

std::optional<std::int64_t> Instrument::ArrivalOf(std::size_t count) const
{
    if (received_.size() >= count) {
        return clock_.NowMs();
    }
    std::size_t have = received_.size();
    for (const auto& chunk : inFlight_) {
        have += chunk.bytes.size();
        if (have >= count) {
            return chunk.atMs;
        }
    }
    return std::nullopt;
}

void Instrument::Send(std::vector<std::uint8_t> bytes, std::int64_t delayMs)
{
    if (bytes.empty()) {
        return;
    }
    std::int64_t at = clock_.NowMs() + std::max<std::int64_t>(delayMs, 0);
    // One serial line: bytes never overtake the ones sent before them.
    if (!inFlight_.empty() && inFlight_.back().atMs > at) {
        at = inFlight_.back().atMs;
    }
    inFlight_.push_back(InFlight{at, std::move(bytes)});
}

void Instrument::PurgeReceive()
{
    received_.clear();
    inFlight_.clear();
}

void Instrument::CloseHandle()
{
    open_ = false;
    PurgeReceive();
    model_.ForgetPartialRequest();
}

void Instrument::Receive(const std::uint8_t* bytes, std::size_t length)
{
    for (Answer& answer : model_.Hear({bytes, length})) {
        identifyPending_ = answer.request == RequestKind::Identify;
        Send(std::move(answer.bytes), answer.delayMs);
    }
}

// ---- entry points ---------------------------------------------------------

std::uint32_t Instrument::FT_Open(int index, void** handle)
{
    calls_.emplace_back("FT_Open");
    trace_.push_back("FT_Open(" + std::to_string(index) + ")");
    if (handle == nullptr) {
        return kInvalidParameter;
    }
    if (script_.openFailures == -1 || index != 0) {
        return kDeviceNotFound;
    }
    if (open_) {
        return kDeviceNotOpened;  // already open: the driver refuses a second open
    }
    open_ = true;
    readTimeoutMs_ = kDefaultReadTimeoutMs;
    writeTimeoutMs_ = kDefaultWriteTimeoutMs;
    baudRate_ = 9600;
    *handle = Handle();
    return kOk;
}

std::uint32_t Instrument::FT_OpenEx(void* arg, std::uint32_t flags, void** handle)
{
    const bool byText = flags == kOpenByDescription || flags == kOpenBySerialNumber;
    calls_.emplace_back("FT_OpenEx");
    trace_.push_back("FT_OpenEx(" + (byText ? Quoted(static_cast<const char*>(arg)) : Hex(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(arg)))) +
                     ", " + std::to_string(flags) + ")");
    ++openExAttempts_;
    if (handle == nullptr) {
        return kInvalidParameter;
    }
    if (script_.openFailures == -1 || openExAttempts_ <= script_.openFailures) {
        return kDeviceNotFound;
    }
    const char* wanted = flags == kOpenByDescription ? kDescription : kSerialNumber;
    if (!byText || arg == nullptr || std::strcmp(static_cast<const char*>(arg), wanted) != 0) {
        return kDeviceNotFound;
    }
    if (open_) {
        return kDeviceNotOpened;
    }
    open_ = true;
    readTimeoutMs_ = kDefaultReadTimeoutMs;
    writeTimeoutMs_ = kDefaultWriteTimeoutMs;
    baudRate_ = 9600;
    *handle = Handle();
    return kOk;
}

std::uint32_t Instrument::FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags)
{
    calls_.emplace_back("FT_ListDevices");
    trace_.push_back("FT_ListDevices(" + Hex(flags) + ")");
    const bool present = script_.openFailures != -1;
    const char* text = (flags & kOpenBySerialNumber) != 0 ? kSerialNumber : kDescription;
    if ((flags & kListNumberOnly) != 0) {
        if (arg1 == nullptr) {
            return kInvalidParameter;
        }
        *static_cast<std::uint32_t*>(arg1) = present ? 1 : 0;
        return kOk;
    }
    if ((flags & kListByIndex) != 0) {
        const auto index = reinterpret_cast<std::uintptr_t>(arg1);
        if (!present || index != 0) {
            return kDeviceNotFound;
        }
        if (arg2 == nullptr) {
            return kInvalidParameter;
        }
        std::memcpy(arg2, text, std::strlen(text) + 1);
        return kOk;
    }
    if ((flags & kListAll) != 0) {
        if (arg1 == nullptr || arg2 == nullptr) {
            return kInvalidParameter;
        }
        auto** buffers = static_cast<char**>(arg1);
        if (present) {
            std::memcpy(buffers[0], text, std::strlen(text) + 1);
        }
        *static_cast<std::uint32_t*>(arg2) = present ? 1 : 0;
        return kOk;
    }
    return kInvalidParameter;
}

std::uint32_t Instrument::FT_Close(void* handle)
{
    std::uint32_t refusal = kOk;
    if (!Enter("FT_Close", "", handle, refusal)) {
        return refusal;
    }
    CloseHandle();
    return kOk;
}

std::uint32_t Instrument::FT_Read(void* handle, void* buffer, std::uint32_t toRead, std::uint32_t* returned)
{
    std::uint32_t refusal = kOk;
    if (!Enter("FT_Read", std::to_string(toRead), handle, refusal)) {
        if (refusal == kOk && returned != nullptr) {
            *returned = 0;  // nothing behind a handle that is not open
        }
        return refusal;
    }
    if (returned == nullptr || (buffer == nullptr && toRead > 0)) {
        return kInvalidParameter;
    }
    if (script_.readFailAfterReplies >= 0 && model_.ChannelRepliesSent() > script_.readFailAfterReplies) {
        *returned = 0;
        return kIoError;
    }
    const bool firstIdentifyRead = identifyPending_ && !identifyReadDone_;
    if (identifyPending_) {
        identifyReadDone_ = true;
    }

    Settle();
    if (received_.size() < toRead) {
        const std::optional<std::int64_t> arrival = ArrivalOf(toRead);
        if (readTimeoutMs_ == 0) {
            // No timeout: wait for the bytes on their way, as long as they come.
            if (arrival) {
                clock_.WaitUntilMs(*arrival);
            } else if (!inFlight_.empty()) {
                clock_.WaitUntilMs(inFlight_.back().atMs);
            }
        } else {
            const std::int64_t deadline = clock_.NowMs() + readTimeoutMs_;
            clock_.WaitUntilMs(arrival && *arrival < deadline ? *arrival : deadline);
        }
        Settle();
    }
    const std::size_t count = std::min<std::size_t>(toRead, received_.size());
    std::copy_n(received_.begin(), count, static_cast<std::uint8_t*>(buffer));
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(count));
    *returned = static_cast<std::uint32_t>(count);

    if (firstIdentifyRead && script_.firstIdentifyReadStatus4) {
        // The I/O error loses whatever else the driver held.
        PurgeReceive();
        return kIoError;
    }
    return kOk;
}

std::uint32_t Instrument::FT_Write(void* handle, void* buffer, std::uint32_t toWrite, std::uint32_t* written)
{
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::uint32_t refusal = kOk;
    if (!Enter("FT_Write", bytes == nullptr ? "null" : Quoted(bytes, toWrite), handle, refusal)) {
        if (refusal == kOk && written != nullptr) {
            *written = toWrite;  // accepted, and lost: nothing is there to hear it
        }
        return refusal;
    }
    if (written == nullptr || (bytes == nullptr && toWrite > 0)) {
        return kInvalidParameter;
    }
    const std::string text(reinterpret_cast<const char*>(bytes), toWrite);
    requests_.push_back(text);
    // The identify request is spared, so that "fail after 0 replies" still
    // lets the instrument be detected.
    const bool identify = text == "12 2\r";
    if (!identify && script_.writeFailAfterReplies >= 0 &&
        model_.ChannelRepliesSent() >= script_.writeFailAfterReplies) {
        *written = 0;  // failed: the instrument never hears it
        return script_.writeFailStatus;
    }
    *written = toWrite;
    Receive(bytes, toWrite);
    return kOk;
}

std::uint32_t Instrument::FT_ResetDevice(void* handle)
{
    std::uint32_t refusal = kOk;
    if (!Enter("FT_ResetDevice", "", handle, refusal)) {
        return refusal;
    }
    return kOk;
}

std::uint32_t Instrument::FT_Purge(void* handle, std::uint32_t mask)
{
    std::uint32_t refusal = kOk;
    if (!Enter("FT_Purge", std::to_string(mask), handle, refusal)) {
        return refusal;
    }
    if ((mask & kPurgeRx) != 0) {
        PurgeReceive();  // bytes still on their way go too
    }
    return kOk;
}

std::uint32_t Instrument::FT_SetTimeouts(void* handle, std::uint32_t readMs, std::uint32_t writeMs)
{
    std::uint32_t refusal = kOk;
    if (!Enter("FT_SetTimeouts", std::to_string(readMs) + ", " + std::to_string(writeMs), handle, refusal)) {
        return refusal;
    }
    readTimeoutMs_ = readMs;
    writeTimeoutMs_ = writeMs;
    return kOk;
}

std::uint32_t Instrument::FT_GetQueueStatus(void* handle, std::uint32_t* rx)
{
    std::uint32_t refusal = kOk;
    if (!Enter("FT_GetQueueStatus", "", handle, refusal)) {
        if (refusal == kOk && rx != nullptr) {
            *rx = 0;
        }
        return refusal;
    }
    if (rx == nullptr) {
        return kInvalidParameter;
    }
    *rx = static_cast<std::uint32_t>(QueuedBytes());
    return kOk;
}

std::uint32_t Instrument::FT_SetFlowControl(void* handle, std::uint16_t mode, std::uint8_t xon, std::uint8_t xoff)
{
    std::uint32_t refusal = kOk;
    if (!Enter("FT_SetFlowControl", Hex(mode) + ", " + Hex(xon) + ", " + Hex(xoff), handle, refusal)) {
        return refusal;
    }
    return kOk;
}

std::uint32_t Instrument::FT_SetBaudRate(void* handle, std::uint32_t rate)
{
    std::uint32_t refusal = kOk;
    if (!Enter("FT_SetBaudRate", std::to_string(rate), handle, refusal)) {
        return refusal;
    }
    if (script_.refuseBaudRate || rate == 0) {
        return kInvalidBaudRate;
    }
    baudRate_ = rate;
    return kOk;
}

std::uint32_t Instrument::FT_SetDataCharacteristics(void* handle, std::uint8_t bits, std::uint8_t stop,
                                                 std::uint8_t parity)
{
    std::uint32_t refusal = kOk;
    if (!Enter("FT_SetDataCharacteristics",
               std::to_string(bits) + ", " + std::to_string(stop) + ", " + std::to_string(parity), handle,
               refusal)) {
        return refusal;
    }
    const bool valid = (bits == 7 || bits == 8) && (stop == 0 || stop == 2) && parity <= 4;
    if (script_.refuseDataCharacteristics || !valid) {
        return kInvalidParameter;
    }
    return kOk;
}

std::uint32_t Instrument::FT_GetStatus(void* handle, std::uint32_t* rx, std::uint32_t* tx, std::uint32_t* events)
{
    std::uint32_t refusal = kOk;
    if (!Enter("FT_GetStatus", "", handle, refusal)) {
        if (refusal == kOk && rx != nullptr && tx != nullptr && events != nullptr) {
            *rx = 0;
            *tx = 0;
            *events = 0;
        }
        return refusal;
    }
    if (rx == nullptr || tx == nullptr || events == nullptr) {
        return kInvalidParameter;
    }
    *rx = static_cast<std::uint32_t>(QueuedBytes());
    *tx = 0;  // writes leave at once
    *events = 0;
    return kOk;
}

} // namespace vexmoor::sim
