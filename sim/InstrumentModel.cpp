// The simulated thermometer's own behaviour. See InstrumentModel.h and
// sim/README.md for what is modelled.

#include "InstrumentModel.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

namespace vexmoor::sim {

namespace {

// Status codes of a channel reply.
constexpr std::uint8_t kCh1Valid = 0x88;
constexpr std::uint8_t kCh1NoSensor = 0x55;
constexpr std::uint8_t kCh1Overflow = 0x33;
constexpr std::uint8_t kCh2Valid = 0x77;
constexpr std::uint8_t kCh2NoSensor = 0x66;
constexpr std::uint8_t kCh2Overflow = 0x44;

// The drift of a present sensor: a slow sine around its base temperature.
constexpr double kDriftAmplitudeC = 0.25;
constexpr double kDriftPeriodMs1 = 600000.0;  // 10 minutes
constexpr double kDriftPeriodMs2 = 420000.0;  // 7 minutes

// A number as exactly eight characters, right-aligned, with a '.' whatever
// the locale: three decimals where they fit, fewer where they do not, and
// all nines when even the integer part is too wide.
void PutNumber8(std::vector<std::uint8_t>& out, double value)
{
    std::array<char, 64> text{};
    for (int precision = 3; precision >= 0; --precision) {
        const auto [end, error] =
            std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, precision);
        const auto length = static_cast<std::size_t>(end - text.data());
        if (error == std::errc() && length <= 8) {
            out.insert(out.end(), 8 - length, static_cast<std::uint8_t>(' '));
            out.insert(out.end(), text.data(), end);
            return;
        }
    }
    const char* saturated = value < 0 ? "-9999999" : "99999999";
    out.insert(out.end(), saturated, saturated + 8);
}

} // namespace

// ---- clocks ---------------------------------------------------------------

std::int64_t SteadyClock::NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::WaitUntilMs(std::int64_t deadlineMs)
{
    const std::int64_t now = NowMs();
    if (deadlineMs > now) {
        std::this_thread::sleep_for(std::chrono::milliseconds(deadlineMs - now));
    }
}

// ---- replies --------------------------------------------------------------

double Pt100Ohms(double celsius)
{
    constexpr double kA = 3.9083e-3;
    constexpr double kB = -5.775e-7;
    return 100.0 * (1.0 + kA * celsius + kB * celsius * celsius);
}

std::vector<std::uint8_t> MakeReply(std::uint8_t status, double ohms, double celsius)
{
    std::vector<std::uint8_t> reply;
    reply.reserve(24);
    reply.push_back(status);
    reply.push_back('R');
    PutNumber8(reply, ohms);
    reply.push_back(' ');
    reply.push_back('\r');
    reply.push_back('T');
    PutNumber8(reply, celsius);
    reply.push_back(' ');
    reply.push_back('\r');
    reply.push_back('\n');
    return reply;
}

// ---- the instrument -------------------------------------------------------

InstrumentModel::InstrumentModel(SimClock& clock, Script& script) : clock_(clock), script_(script) {}

std::vector<Answer> InstrumentModel::Hear(std::span<const std::uint8_t> bytes)
{
    std::vector<Answer> answers;
    for (const std::uint8_t byte : bytes) {
        if (byte != '\r') {
            line_.push_back(static_cast<char>(byte));
            continue;
        }
        // Line noise before a command (a stray line feed, blanks) is ignored.
        const auto first = line_.find_first_not_of(" \n\t");
        const std::string command = first == std::string::npos ? std::string() : line_.substr(first);
        line_.clear();

        if (command == "12 2") {
            answers.push_back(Answer{RequestKind::Identify, {script_.greeting.begin(), script_.greeting.end()},
                                     script_.replyDelayMs});
            continue;
        }
        if (command != "12 5" && command != "12 6") {
            continue;  // not understood: no answer
        }
        const int channel = command == "12 5" ? 1 : 2;
        Answer answer{channel == 1 ? RequestKind::Channel1 : RequestKind::Channel2, {}, script_.replyDelayMs};
        if (!script_.scriptedReplies.empty()) {
            ScriptedReply reply = std::move(script_.scriptedReplies.front());
            script_.scriptedReplies.pop_front();
            if (!reply.bytes.empty()) {
                ++channelReplies_;
                answer.bytes = std::move(reply.bytes);
                answer.delayMs = reply.delayMs;
            }
        } else if (script_.silentAfterReplies < 0 || channelReplies_ < script_.silentAfterReplies) {
            ++channelReplies_;
            answer.bytes = ModelReply(channel);
        }
        answers.push_back(std::move(answer));
    }
    return answers;
}

std::vector<std::uint8_t> InstrumentModel::ModelReply(int channel)
{
    const bool first = channel == 1;
    const SensorState state = first ? script_.sensor1 : script_.sensor2;
    switch (state) {
    case SensorState::Missing:
        return MakeReply(first ? kCh1NoSensor : kCh2NoSensor, 0.0, 0.0);
    case SensorState::OverRange:
        return MakeReply(first ? kCh1Overflow : kCh2Overflow, 9999.999, 999.999);
    case SensorState::Present:
        break;
    }
    const double base = first ? script_.baseCelsius1 : script_.baseCelsius2;
    const double period = first ? kDriftPeriodMs1 : kDriftPeriodMs2;
    const double phase = 2.0 * std::numbers::pi * static_cast<double>(clock_.NowMs()) / period;
    const double celsius = base + kDriftAmplitudeC * std::sin(phase);
    return MakeReply(first ? kCh1Valid : kCh2Valid, Pt100Ohms(celsius), celsius);
}

} // namespace vexmoor::sim
