#pragma once
// The thermometer's request/reply protocol: five-byte ASCII requests, the
// greeting that answers the identify request, and the 24-byte measurement
// reply. Pure functions on bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vexmoor {

constexpr std::size_t kRequestLength = 5;
constexpr std::size_t kMeasureReplyLength = 24;
constexpr std::size_t kGreetingAreaLength = 20;

using Request = std::array<std::uint8_t, kRequestLength>;
using MeasureReply = std::array<std::uint8_t, kMeasureReplyLength>;
// The area the greeting (IdentReply) is read into; spaces where nothing came.
using GreetingArea = std::array<std::uint8_t, kGreetingAreaLength>;

constexpr Request kIdentifyRequest{'1', '2', ' ', '2', '\r'};

// Status codes of a MeasureReply, by channel. A code counts only on its own channel.
constexpr std::uint8_t kCh1Valid = 0x88;
constexpr std::uint8_t kCh1NoSensor = 0x55;
constexpr std::uint8_t kCh1Overflow = 0x33;
constexpr std::uint8_t kCh2Valid = 0x77;
constexpr std::uint8_t kCh2NoSensor = 0x66;
constexpr std::uint8_t kCh2Overflow = 0x44;

// "12 5\r" for channel 1, "12 6\r" for any other value.
Request ChannelRequest(std::uint8_t channel);

// Whether the greeting read with `askedLength` (18 or 17) bytes is the instrument's.
bool GreetingAccepted(std::span<const std::uint8_t, kGreetingAreaLength> area,
                      std::uint32_t askedLength);

// The device status text made from an accepted greeting: the area from its
// start up to a NUL or its 20th byte, positions from `askedLength` on blank.
std::string GreetingText(std::span<const std::uint8_t, kGreetingAreaLength> area,
                         std::uint32_t askedLength);

enum class ReplyOutcome : std::uint8_t { Valid, NoSensor, Overflow, OtherStatus, BadFrame };

struct DecodedReply {
    std::uint8_t status = 0;
    ReplyOutcome outcome = ReplyOutcome::OtherStatus;
    double celsius = 0.0;  // meaningful only for Valid
    double ohms = 0.0;     // 0.0 unless Valid
    // What the channel's fields are to show; absent leaves a field unchanged.
    std::optional<std::string> celsiusText;
    std::optional<std::string> fahrenheitText;
    std::optional<std::string> resistanceText;
};

// Decodes the reply to a channel request; `channel` 1 is channel 1, any other
// value channel 2.
DecodedReply DecodeMeasureReply(std::span<const std::uint8_t, kMeasureReplyLength> frame,
                                std::uint8_t channel);

// "%+-10.3f" in the "C" locale: sign always shown, three decimals, padded with
// spaces on the right to ten characters. Nothing is cut: the widest double
// gives 314 characters.
std::string FormatReading(double value);

// Fahrenheit from Celsius: the product first, then the sum, in double.
double CelsiusToFahrenheit(double celsius);

} // namespace vexmoor
