#include "link/Protocol.h"

#include "link/NumberText.h"

#include <algorithm>
#include <string_view>

namespace vexmoor {

namespace {

// Marker positions of a MeasureReply and the bytes expected there.
constexpr std::array<std::pair<std::size_t, std::uint8_t>, 6> kMarkers{{
    {1, 'R'}, {10, ' '}, {11, '\r'}, {12, 'T'}, {21, ' '}, {22, '\r'},
}};

constexpr std::size_t kResistanceOffset = 2;
constexpr std::size_t kTemperatureOffset = 13;
constexpr std::size_t kNumberTextLength = 9;

bool Matches(std::span<const std::uint8_t> bytes, std::size_t offset, std::string_view expected)
{
    return std::equal(expected.begin(), expected.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                      [](char want, std::uint8_t got) { return static_cast<std::uint8_t>(want) == got; });
}

// Up to nine bytes from `offset`, ending at the first NUL among them.
std::string NumberText(std::span<const std::uint8_t, kMeasureReplyLength> frame, std::size_t offset)
{
    std::string text;
    for (std::size_t i = offset; i < offset + kNumberTextLength && frame[i] != 0; ++i) {
        text.push_back(static_cast<char>(frame[i]));
    }
    return text;
}

} // namespace

Request ChannelRequest(std::uint8_t channel)
{
    return Request{'1', '2', ' ', static_cast<std::uint8_t>(channel == 1 ? '5' : '6'), '\r'};
}

bool GreetingAccepted(std::span<const std::uint8_t, kGreetingAreaLength> area,
                      std::uint32_t askedLength)
{
    if (askedLength == 18) {
        return Matches(area, 0, "Quorvan") || Matches(area, 1, "Quorvan");
    }
    return Matches(area, 0, "Quor") || Matches(area, 1, "Quorv");
}

std::string GreetingText(std::span<const std::uint8_t, kGreetingAreaLength> area,
                         std::uint32_t askedLength)
{
    GreetingArea text{};
    std::copy(area.begin(), area.end(), text.begin());
    for (std::size_t i = askedLength; i < text.size(); ++i) {
        text[i] = ' ';
    }
    const auto end = std::find(text.begin(), text.end(), std::uint8_t{0});
    return std::string(text.begin(), end);
}

DecodedReply DecodeMeasureReply(std::span<const std::uint8_t, kMeasureReplyLength> frame,
                                std::uint8_t channel)
{
    const bool first = channel == 1;
    DecodedReply reply;
    reply.status = frame[0];

    const bool framed = std::any_of(kMarkers.begin(), kMarkers.end(), [&](const auto& marker) {
        return frame[marker.first] == marker.second;
    });
    if (!framed) {
        reply.outcome = ReplyOutcome::BadFrame;
        reply.fahrenheitText = first ? "USB data error 1" : "USB data error 2";
        return reply;
    }

    const std::uint8_t valid = first ? kCh1Valid : kCh2Valid;
    const std::uint8_t noSensor = first ? kCh1NoSensor : kCh2NoSensor;
    const std::uint8_t overflow = first ? kCh1Overflow : kCh2Overflow;

    const auto setAll = [&reply](const char* text) {
        reply.celsiusText = text;
        reply.fahrenheitText = text;
        reply.resistanceText = text;
    };

    if (reply.status == valid) {
        reply.outcome = ReplyOutcome::Valid;
        const std::string resistance = NumberText(frame, kResistanceOffset);
        const std::string temperature = NumberText(frame, kTemperatureOffset);
        reply.celsius = TextToNumber(temperature);
        reply.ohms = TextToNumber(resistance);
        reply.celsiusText = FormatReading(reply.celsius);
        reply.fahrenheitText = FormatReading(CelsiusToFahrenheit(reply.celsius));
        reply.resistanceText = resistance;
    } else if (reply.status == noSensor) {
        reply.outcome = ReplyOutcome::NoSensor;
        setAll("No Sensor");
    } else if (reply.status == overflow) {
        reply.outcome = ReplyOutcome::Overflow;
        setAll("Overflow");
    } else {
        reply.outcome = ReplyOutcome::OtherStatus;
    }
    return reply;
}

std::string FormatReading(double value)
{
    return FormatFixed(value, 3, true, 10);
}

double CelsiusToFahrenheit(double celsius)
{
    const double product = celsius * 1.8;
    return product + 32.0;
}

} // namespace vexmoor
