// A long recording at interval 1 through the real polling cycle and log, on a
// simulated instrument that misbehaves at random but reproducibly from a seed:
// garbled frames, missing and over-range sensors, the other channel's codes,
// short, double and noisy replies, slow replies up to and past the eleven-tick
// limit, silence. Ticks are fired by hand with the instrument's clock moved a
// second per tick, so a simulated day takes seconds.
//
// What the program must show and log is predicted by a model written here from
// the rules of the protocol, the polling cycle and the log, working only on
// the bytes injected: it does not call the program's decoder or formatter.
//
// VEXMOOR_SOAK_SEED and VEXMOOR_SOAK_HOURS override the seed and the length.

#include "log/LogFormat.h"
#include "res/resource.h"
#include "sim/InProcessTable.h"
#include "sim/SimInstrument.h"
#include "support/FakeHost.h"
#include "support/ReferenceText.h"
#include "support/TestEnv.h"
#include "ui/VexmoorDlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator keeps its own count (not every compiler ships
// the header that declares it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace vexmoor {
namespace {

using namespace res;
using Bytes = std::vector<std::uint8_t>;

// ---- what the program is expected to do, worked out independently ---------

using test::Printf;

constexpr std::array<std::uint8_t, 3> kCodes1{0x88, 0x55, 0x33};  // valid, no sensor, overflow
constexpr std::array<std::uint8_t, 3> kCodes2{0x77, 0x66, 0x44};
const std::string kHeader = "Time      t1(C)      t2(C)     t1-t2(C)   R1 (Ohm)  R2 (Ohm)\r\r\n";
const std::string kEndMarker = "end recording\r\r\n";
const std::string kNoResponse = "Quorvantex, No Responding! Power OK?";
constexpr int kStartOfDaySeconds = 12 * 3600;  // the soak starts at noon and runs past midnight

std::string TimeOfDayText(std::int64_t nowMs)
{
    const auto seconds = static_cast<int>((kStartOfDaySeconds + nowMs / 1000) % 86400);
    return Printf("%02d:%02d:%02d ", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

// The local time as the instrument's clock has it.
class SimTimeClock final : public platform::Clock {
public:
    explicit SimTimeClock(sim::ManualClock& clock) : clock_(clock) {}
    platform::WallTime Now() override
    {
        return platform::WallTime{kStartOfDaySeconds * std::int64_t{1000} + clock_.nowMs, 0};
    }

private:
    sim::ManualClock& clock_;
};

// What the dialog shows for one channel.
struct ChannelTexts {
    std::string celsius;
    std::string fahrenheit;
    std::string resistance;
};

// The instrument's misbehaviour and the program's expected reaction.
class Expectation {
public:
    explicit Expectation(std::uint64_t seed) : rng_(seed) {}

    // --- the replies the instrument gives ---

    // The reply to a request for `channel`, sent at `nowMs`: queued on the
    // instrument's script and remembered for when its bytes arrive.
    void Answer(int channel, std::int64_t nowMs, sim::Script& script)
    {
        sim::ScriptedReply reply = MakeReply(channel);
        if (!reply.bytes.empty()) {
            // One serial line: a reply never overtakes the one before it.
            std::int64_t at = nowMs + reply.delayMs;
            if (!inFlight_.empty()) {
                at = std::max(at, inFlight_.back().first);
            }
            inFlight_.emplace_back(at, reply.bytes);
        }
        script.scriptedReplies.push_back(std::move(reply));
        ++requests_;
    }

    // --- the program's steps ---

    void PowerOn()
    {
        inFlight_.clear();
        received_.clear();
        texts_ = {};
        diff_.clear();
        status_ = {0, 0};
        celsius_ = {0.0, 0.0};
        ohms_ = {0.0, 0.0};
        missCount_ = 0;
        lastRead_ = 0;
        awaiting_ = false;
        ready_ = true;
        recording_ = false;
    }

    void Start(std::int64_t nowMs, sim::Script& script)
    {
        inFlight_.clear();  // the receive queue is purged, bytes on their way too
        received_.clear();
        channel_ = 1;
        Answer(1, nowMs, script);
        awaiting_ = true;
    }

    void Stop()
    {
        awaiting_ = false;
        status_ = {0, 0};
        EndRecording();
    }

    void Rec()
    {
        log_ += kHeader;
        recording_ = true;
    }

    void EndRecording()
    {
        if (recording_) {
            log_ += kEndMarker;
            recording_ = false;
        }
    }

    struct TickResult {
        bool replyRead = false;
        bool aborted = false;
    };

    // A tick at `nowMs`; when a reply is read, the next request goes out and
    // its answer is put on the script.
    TickResult Tick(std::int64_t nowMs, sim::Script& script)
    {
        TickResult result;
        if (!ready_ || !awaiting_) {
            missCount_ = 0;
            return result;
        }
        while (!inFlight_.empty() && inFlight_.front().first <= nowMs) {
            received_.insert(received_.end(), inFlight_.front().second.begin(), inFlight_.front().second.end());
            inFlight_.pop_front();
        }
        if (received_.size() < 24) {
            ++shortTicks_;
            if (++missCount_ > 10) {
                ready_ = false;
                awaiting_ = false;
                result.aborted = true;
            }
            return result;
        }
        missCount_ = 0;
        std::array<std::uint8_t, 24> frame{};
        std::copy_n(received_.begin(), 24, frame.begin());
        received_.erase(received_.begin(), received_.begin() + 24);
        Read(frame, nowMs);
        lastRead_ = channel_;
        channel_ = channel_ == 1 ? 2 : 1;
        Answer(channel_, nowMs, script);
        result.replyRead = true;
        return result;
    }

    // --- what to compare ---

    const ChannelTexts& Texts(int channel) const { return texts_[channel - 1]; }
    const std::string& Diff() const { return diff_; }
    // The channel whose reply was read last (the one not requested next).
    int LastRead() const { return lastRead_; }
    std::string& Log() { return log_; }
    std::uint64_t Requests() const { return requests_; }
    std::uint64_t ShortTicks() const { return shortTicks_; }
    std::uint64_t Faults(int kind) const { return faults_[static_cast<std::size_t>(kind)]; }

    enum Kind {
        kReading, kNoSensor, kOverRange, kOtherChannel, kBadFrame, kBrokenMarkers, kRandomBytes,
        kNulInNumber, kNoNumber, kSlow, kNearLimit, kDouble, kNoise, kShort, kSilent, kTooSlow, kKinds
    };

private:
    static std::string Field(const std::array<std::uint8_t, 24>& frame, std::size_t from)
    {
        std::string text;
        for (std::size_t i = from; i < from + 9 && frame[i] != 0; ++i) {
            text.push_back(static_cast<char>(frame[i]));
        }
        return text;
    }

    void Read(const std::array<std::uint8_t, 24>& frame, std::int64_t nowMs)
    {
        const int c = channel_;
        const std::size_t i = static_cast<std::size_t>(c - 1);
        const auto& codes = c == 1 ? kCodes1 : kCodes2;
        const std::uint8_t status = frame[0];
        status_[i] = status;
        ohms_[i] = 0.0;
        const bool framed = frame[1] == 'R' || frame[10] == ' ' || frame[11] == '\r' ||
                            frame[12] == 'T' || frame[21] == ' ' || frame[22] == '\r';
        if (!framed) {
            texts_[i].fahrenheit = c == 1 ? "USB data error 1" : "USB data error 2";
        } else if (status == codes[0]) {
            celsius_[i] = test::ReferenceAtof(Field(frame, 13));
            ohms_[i] = test::ReferenceAtof(Field(frame, 2));
            texts_[i] = {Printf("%+-10.3f", celsius_[i]), Printf("%+-10.3f", celsius_[i] * 1.8 + 32.0),
                         Field(frame, 2)};
        } else if (status == codes[1]) {
            texts_[i] = {"No Sensor", "No Sensor", "No Sensor"};
        } else if (status == codes[2]) {
            texts_[i] = {"Overflow", "Overflow", "Overflow"};
        }

        const bool valid1 = status_[0] == kCodes1[0];
        const bool valid2 = status_[1] == kCodes2[0];
        if (recording_) {
            std::string line = TimeOfDayText(nowMs);
            line += valid1                    ? Printf("%+-11.3f", celsius_[0])
                    : status_[0] == kCodes1[1] ? "No Sensor1 "
                    : status_[0] == kCodes1[2] ? "Overflow1  "
                                               : "";
            line += valid2                    ? Printf("%+-11.3f", celsius_[1])
                    : status_[1] == kCodes2[1] ? "No Sensor2"
                    : status_[1] == kCodes2[2] ? "Overflow2"
                                               : "";
            const std::string blank(11, ' ');
            line += valid1 && valid2 ? Printf("%+-11.3f", celsius_[0] - celsius_[1]) : blank;
            line += valid1 ? Printf("%-11.4f", ohms_[0]) : blank;
            line += valid2 ? Printf("%-11.4f", ohms_[1]) : blank;
            log_ += line + "\r\n";
        }
        diff_ = valid1 && valid2 ? Printf("%+-10.3f", celsius_[0] - celsius_[1]) : "";
    }

    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    std::uint8_t AnyByte() { return static_cast<std::uint8_t>(Uniform(0, 255)); }

    Bytes Reading(int channel)
    {
        const double celsius = Uniform(-200000, 850000) / 1000.0;
        return sim::MakeReply((channel == 1 ? kCodes1 : kCodes2)[0], sim::Pt100Ohms(celsius), celsius);
    }

    sim::ScriptedReply MakeReply(int channel)
    {
        const auto& own = channel == 1 ? kCodes1 : kCodes2;
        const auto& other = channel == 1 ? kCodes2 : kCodes1;
        sim::ScriptedReply reply{Reading(channel), Uniform(5, 900)};

        // Per mille, in order; what is left is a plain reading.
        static constexpr std::array<std::pair<Kind, int>, kKinds - 1> kOdds{{
            {kSilent, 1}, {kShort, 1}, {kTooSlow, 1}, {kNearLimit, 30}, {kSlow, 50},
            {kDouble, 5}, {kNoise, 2}, {kNoSensor, 40}, {kOverRange, 40}, {kOtherChannel, 40},
            {kBadFrame, 20}, {kBrokenMarkers, 25}, {kRandomBytes, 10}, {kNulInNumber, 10}, {kNoNumber, 10},
        }};
        Kind kind = kReading;
        int draw = Uniform(0, 999);
        for (const auto& [candidate, odds] : kOdds) {
            if (draw < odds) {
                kind = candidate;
                break;
            }
            draw -= odds;
        }
        ++faults_[kind];

        static constexpr std::array<std::size_t, 6> kMarkerAt{1, 10, 11, 12, 21, 22};
        Bytes& bytes = reply.bytes;
        switch (kind) {
        case kReading: break;
        case kSilent: bytes.clear(); break;
        case kShort: bytes.resize(static_cast<std::size_t>(Uniform(1, 23))); break;
        case kTooSlow: reply.delayMs = Uniform(11001, 14000); break;
        case kNearLimit: reply.delayMs = Uniform(9000, 11000); break;
        case kSlow: reply.delayMs = Uniform(1000, 8999); break;
        case kDouble: {
            const Bytes second = Reading(Uniform(1, 2));
            bytes.insert(bytes.end(), second.begin(), second.end());
            break;
        }
        case kNoise:
            for (int n = Uniform(1, 3); n > 0; --n) {
                bytes.push_back(AnyByte());
            }
            break;
        case kNoSensor: bytes = sim::MakeReply(own[1], 0.0, 0.0); break;
        case kOverRange: bytes = sim::MakeReply(own[2], 9999.999, 999.999); break;
        case kOtherChannel:
            bytes = sim::MakeReply(other[static_cast<std::size_t>(Uniform(0, 2))], 108.0, 20.5);
            break;
        case kBadFrame:
            // Every marker wrong; the status byte may still be a valid code.
            for (const std::size_t at : kMarkerAt) {
                bytes[at] = static_cast<std::uint8_t>(bytes[at] ^ (1u << Uniform(0, 7)));
            }
            if (Uniform(0, 1) == 0) {
                bytes[0] = AnyByte();
            }
            break;
        case kBrokenMarkers:
            for (int n = Uniform(1, 5); n > 0; --n) {
                bytes[kMarkerAt[static_cast<std::size_t>(Uniform(0, 5))]] = AnyByte();
            }
            break;
        case kRandomBytes:
            for (auto& byte : bytes) {
                byte = AnyByte();
            }
            break;
        case kNulInNumber: bytes[static_cast<std::size_t>(Uniform(0, 1) == 0 ? Uniform(2, 10) : Uniform(13, 21))] = 0; break;
        case kNoNumber:
            for (std::size_t at = Uniform(0, 1) == 0 ? 2 : 13, end = at + 8; at < end; ++at) {
                bytes[at] = static_cast<std::uint8_t>(Uniform('A', 'z'));
            }
            break;
        case kKinds: break;
        }
        return reply;
    }

    std::mt19937_64 rng_;
    std::deque<std::pair<std::int64_t, Bytes>> inFlight_;
    std::deque<std::uint8_t> received_;
    std::array<ChannelTexts, 2> texts_{};
    std::string diff_;
    std::array<std::uint8_t, 2> status_{};
    std::array<double, 2> celsius_{};
    std::array<double, 2> ohms_{};
    int channel_ = 1;
    int lastRead_ = 0;
    int missCount_ = 0;
    bool awaiting_ = false;
    bool ready_ = false;
    bool recording_ = false;
    std::string log_;
    std::uint64_t requests_ = 0;
    std::uint64_t shortTicks_ = 0;
    std::array<std::uint64_t, kKinds> faults_{};
};

// ---- the program on the simulated instrument --------------------------------

std::size_t HeapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#elif defined(_WIN32)
    // The C runtime's heap, block by block: the bytes of the blocks in use.
    std::size_t used = 0;
    _HEAPINFO entry{};
    entry._pentry = nullptr;
    while (_heapwalk(&entry) == _HEAPOK) {
        if (entry._useflag == _USEDENTRY) {
            used += entry._size;
        }
    }
    return used;
#else
    return mallinfo2().uordblks;
#endif
}

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

// The line where two texts first differ, in both, for a readable failure.
std::string FirstDifference(const std::string& expected, const std::string& actual)
{
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) {
        ++at;
    }
    const std::size_t start = at == 0 ? 0 : expected.rfind('\n', at - 1) + 1;  // npos + 1 is 0
    const auto line = [start](const std::string& text) {
        return testing::PrintToString(text.substr(start, text.find('\n', start) - start + 1));
    };
    return "first difference at byte " + std::to_string(at) + "\nexpected line " + line(expected) +
           "\n  actual line " + line(actual);
}

class FaultSoak : public testing::Test {
protected:
    test::ScopedWorkDir workDir;
    sim::ManualClock simClock;
    SimTimeClock clock{simClock};
    test::FakeFramework framework;
    // One power-on of the instrument and one run of the program.
    std::unique_ptr<sim::Instrument> instrument;
    std::unique_ptr<platform::TableLibraryLoader> loader;
    std::unique_ptr<CVexmoorDlg> dialog;
    std::unique_ptr<test::FakeHost> host;

    void Launch(Expectation& expect)
    {
        host.reset();
        dialog.reset();
        loader.reset();
        instrument.reset();
        instrument = std::make_unique<sim::Instrument>(simClock);
        loader = std::make_unique<platform::TableLibraryLoader>(sim::InProcessTable(*instrument));
        dialog = std::make_unique<CVexmoorDlg>(DialogServices{framework, *loader, clock});
        host = std::make_unique<test::FakeHost>(dialog.get());
        dialog->AttachHost(host.get());
        dialog->OnInitDialog();
        ASSERT_EQ(dialog->m_run.deviceReady, 1) << dialog->m_deviceStatus;
        expect.PowerOn();
        ASSERT_NO_FATAL_FAILURE(StartAndRecord(expect));
    }

    void StartAndRecord(Expectation& expect)
    {
        expect.Start(simClock.nowMs, instrument->GetScript());
        host->Click(IDC_START);
        host->Click(IDC_REC);
        expect.Rec();
        instrument->ClearRecords();
        ASSERT_TRUE(instrument->GetScript().scriptedReplies.empty());
    }

    std::size_t FtWrites() const
    {
        const auto& calls = instrument->Calls();
        return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), "FT_Write"));
    }

    void ExpectShown(const Expectation& expect)
    {
        const ChannelTexts& c1 = expect.Texts(1);
        const ChannelTexts& c2 = expect.Texts(2);
        ASSERT_EQ(dialog->m_t1C, c1.celsius);
        ASSERT_EQ(dialog->m_t1F, c1.fahrenheit);
        ASSERT_EQ(dialog->m_r1, c1.resistance);
        ASSERT_EQ(dialog->m_t2C, c2.celsius);
        ASSERT_EQ(dialog->m_t2F, c2.fahrenheit);
        ASSERT_EQ(dialog->m_r2, c2.resistance);
        ASSERT_EQ(dialog->m_diff, expect.Diff());
        ASSERT_EQ(dialog->m_ch1Active, expect.LastRead() == 1 ? 1 : 0);
        ASSERT_EQ(dialog->m_ch2Active, expect.LastRead() == 2 ? 1 : 0);
    }

    // Compares what the log gained since the last check with the expectation,
    // and forgets both.
    void CheckLog(Expectation& expect, std::size_t& checkedBytes)
    {
        std::ifstream file(std::string(kLogFileName), std::ios::binary);
        file.seekg(static_cast<std::streamoff>(checkedBytes));
        const std::string added((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        ASSERT_EQ(added.size(), expect.Log().size()) << FirstDifference(expect.Log(), added);
        ASSERT_TRUE(added == expect.Log()) << FirstDifference(expect.Log(), added);
        checkedBytes += added.size();
        expect.Log().clear();
    }
};

TEST_F(FaultSoak, EveryReplyReadGivesItsRecordAndMemoryStaysFlat)
{
    const std::uint64_t seed = EnvNumber("VEXMOOR_SOAK_SEED", 20261210);
    const std::uint64_t hours = std::max<std::uint64_t>(EnvNumber("VEXMOOR_SOAK_HOURS", 24), 2);
    SCOPED_TRACE("VEXMOOR_SOAK_SEED=" + std::to_string(seed));

    Expectation expect(seed);
    // Room for an hour of records, so that the expectation's own buffer does
    // not grow between the heap readings.
    expect.Log().reserve(4u << 20);
    std::size_t checkedBytes = 0;
    std::uint64_t recordsRead = 0;
    std::uint64_t restarts = 0;
    std::size_t heapAfterFirstHour = 0;
    std::size_t heapAfterLastHour = 0;

    ASSERT_NO_FATAL_FAILURE(Launch(expect));
    const std::uint64_t ticks = hours * 3600;
    for (std::uint64_t tick = 1; tick <= ticks; ++tick) {
        simClock.Advance(1000);
        const Expectation::TickResult step = expect.Tick(simClock.nowMs, instrument->GetScript());
        host->FireTimers();

        // The program sent exactly the requests expected: each scripted answer was taken.
        ASSERT_TRUE(instrument->GetScript().scriptedReplies.empty()) << "tick " << tick;
        ASSERT_EQ(FtWrites(), step.replyRead ? 1u : 0u) << "tick " << tick;
        instrument->ClearRecords();
        recordsRead += step.replyRead ? 1 : 0;
        ASSERT_NO_FATAL_FAILURE(ExpectShown(expect)) << "tick " << tick;

        if (step.aborted) {
            // Eleven ticks without a complete reply: the message, then the
            // user exits and starts the program again, appending to the log.
            ASSERT_EQ(host->BoxTexts(), std::vector<std::string>{kNoResponse}) << "tick " << tick;
            host->Click(IDC_EXIT);
            ASSERT_EQ(host->endCode, platform::IDOK);
            expect.EndRecording();
            ++restarts;
            ASSERT_NO_FATAL_FAILURE(Launch(expect));
        } else {
            ASSERT_TRUE(host->boxes.empty()) << "tick " << tick << ": " << host->boxes.front().text;
        }

        if (tick % 1800 == 0) {
            host->Click(IDC_END);  // a recording ends and another begins
            expect.EndRecording();
            host->Click(IDC_REC);
            expect.Rec();
        }
        if (tick % 1200 == 600) {
            // A run ends and another begins; the purge at Start also drops
            // whatever a double or noisy reply left in the queue.
            host->Click(IDC_STOP);
            expect.Stop();
            ASSERT_NO_FATAL_FAILURE(StartAndRecord(expect));
        }
        if (tick % 3600 == 0) {
            ASSERT_NO_FATAL_FAILURE(CheckLog(expect, checkedBytes)) << "hour " << tick / 3600;
            const std::size_t heap = HeapInUse();
            if (tick == 3600) {
                heapAfterFirstHour = heap;
            }
            heapAfterLastHour = heap;
        }
    }
    host->Click(IDC_EXIT);
    expect.EndRecording();
    ASSERT_NO_FATAL_FAILURE(CheckLog(expect, checkedBytes));

    // Every kind of fault came up, and the run really was long.
    for (int kind = 0; kind < Expectation::kKinds; ++kind) {
        EXPECT_GT(expect.Faults(kind), 0u) << "fault kind " << kind << " never injected";
    }
    EXPECT_GT(recordsRead, ticks / 2);
    EXPECT_GT(restarts, 0u);

    const auto growth = static_cast<long long>(heapAfterLastHour) - static_cast<long long>(heapAfterFirstHour);
    RecordProperty("heap_after_first_hour", std::to_string(heapAfterFirstHour));
    RecordProperty("heap_after_last_hour", std::to_string(heapAfterLastHour));
    std::cout << "soak: " << hours << " h, seed " << seed << ", " << expect.Requests() << " requests, "
              << recordsRead << " replies read and logged, " << expect.ShortTicks() << " ticks without a reply, " << restarts << " restarts after silence; heap "
              << heapAfterFirstHour << " B after hour 1, " << heapAfterLastHour << " B after hour " << hours
              << "\n";
    // A leak of even one small block per reply would add megabytes over the day.
    EXPECT_LT(growth, 64 * 1024);
}

} // namespace
} // namespace vexmoor
