#include "link/NumberText.h"
#include "link/Protocol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ostream>
#include <string>

namespace vexmoor {
namespace {

using Text = std::optional<std::string>;

// A reply frame: status, 'R', 8 resistance chars, ' ', '\r', 'T', 8
// temperature chars, ' ', '\r', and byte 23.
MeasureReply Frame(std::uint8_t status, std::string_view ohms = "110.2500",
                   std::string_view celsius = "  25.500", std::uint8_t last = '\n')
{
    MeasureReply frame{};
    frame[0] = status;
    frame[1] = 'R';
    std::memcpy(&frame[2], ohms.data(), 8);
    frame[10] = ' ';
    frame[11] = '\r';
    frame[12] = 'T';
    std::memcpy(&frame[13], celsius.data(), 8);
    frame[21] = ' ';
    frame[22] = '\r';
    frame[23] = last;
    return frame;
}

std::string AsText(const Request& request)
{
    return std::string(request.begin(), request.end());
}

TEST(Requests, AreFiveBytesWithoutTerminator)
{
    EXPECT_EQ(AsText(kIdentifyRequest), "12 2\r");
    EXPECT_EQ(AsText(ChannelRequest(1)), "12 5\r");
    for (const std::uint8_t other : {0, 2, 7, 255}) {
        EXPECT_EQ(AsText(ChannelRequest(other)), "12 6\r") << int(other);
    }
}

struct StatusCase {
    std::uint8_t channel;
    std::uint8_t status;
    ReplyOutcome outcome;
    Text celsius;
    Text fahrenheit;
    Text resistance;
};

const char* OutcomeName(ReplyOutcome outcome)
{
    switch (outcome) {
    case ReplyOutcome::Valid: return "valid";
    case ReplyOutcome::NoSensor: return "no_sensor";
    case ReplyOutcome::Overflow: return "overflow";
    case ReplyOutcome::OtherStatus: return "other_status";
    case ReplyOutcome::BadFrame: return "bad_frame";
    }
    return "unknown";
}

// "channel_1_status_0x88_valid".
std::string StatusName(const StatusCase& c)
{
    static constexpr char kHex[] = "0123456789abcdef";
    return "channel_" + std::to_string(c.channel) + "_status_0x" + kHex[c.status >> 4] + kHex[c.status & 0xF] +
           "_" + OutcomeName(c.outcome);
}

void PrintTo(const StatusCase& c, std::ostream* out)
{
    *out << StatusName(c);
}

class StatusCodes : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusCodes, ClassifyByTheChannelsOwnRow)
{
    const StatusCase& c = GetParam();
    const DecodedReply reply = DecodeMeasureReply(Frame(c.status), c.channel);
    EXPECT_EQ(reply.status, c.status);
    EXPECT_EQ(reply.outcome, c.outcome);
    EXPECT_EQ(reply.celsiusText, c.celsius);
    EXPECT_EQ(reply.fahrenheitText, c.fahrenheit);
    EXPECT_EQ(reply.resistanceText, c.resistance);
    if (c.outcome != ReplyOutcome::Valid) {
        EXPECT_EQ(reply.ohms, 0.0);
    }
}

const Text kNone;
INSTANTIATE_TEST_SUITE_P(
    BothChannels, StatusCodes,
    testing::Values(
        StatusCase{1, 0x88, ReplyOutcome::Valid, "+25.500   ", "+77.900   ", "110.2500 "},
        StatusCase{2, 0x77, ReplyOutcome::Valid, "+25.500   ", "+77.900   ", "110.2500 "},
        StatusCase{1, 0x55, ReplyOutcome::NoSensor, "No Sensor", "No Sensor", "No Sensor"},
        StatusCase{2, 0x66, ReplyOutcome::NoSensor, "No Sensor", "No Sensor", "No Sensor"},
        StatusCase{1, 0x33, ReplyOutcome::Overflow, "Overflow", "Overflow", "Overflow"},
        StatusCase{2, 0x44, ReplyOutcome::Overflow, "Overflow", "Overflow", "Overflow"},
        // Another channel's codes never count.
        StatusCase{1, 0x77, ReplyOutcome::OtherStatus, kNone, kNone, kNone},
        StatusCase{1, 0x66, ReplyOutcome::OtherStatus, kNone, kNone, kNone},
        StatusCase{1, 0x44, ReplyOutcome::OtherStatus, kNone, kNone, kNone},
        StatusCase{2, 0x88, ReplyOutcome::OtherStatus, kNone, kNone, kNone},
        StatusCase{2, 0x55, ReplyOutcome::OtherStatus, kNone, kNone, kNone},
        StatusCase{2, 0x33, ReplyOutcome::OtherStatus, kNone, kNone, kNone},
        StatusCase{1, 0x00, ReplyOutcome::OtherStatus, kNone, kNone, kNone},
        // Any channel value but 1 is channel 2.
        StatusCase{9, 0x77, ReplyOutcome::Valid, "+25.500   ", "+77.900   ", "110.2500 "}),
    [](const testing::TestParamInfo<StatusCase>& info) { return StatusName(info.param); });

TEST(DecodeMeasureReply, ValidReadingCarriesValues)
{
    const DecodedReply reply = DecodeMeasureReply(Frame(0x88, "110.2500", "  25.500"), 1);
    EXPECT_DOUBLE_EQ(reply.celsius, 25.5);
    EXPECT_DOUBLE_EQ(reply.ohms, 110.25);
}

TEST(DecodeMeasureReply, NegativeTemperatureAndFahrenheit)
{
    const DecodedReply reply = DecodeMeasureReply(Frame(0x77, " 95.0800", " -12.500"), 2);
    EXPECT_EQ(reply.celsiusText, "-12.500   ");
    EXPECT_EQ(reply.fahrenheitText, "+9.500    ");
    EXPECT_EQ(reply.resistanceText, " 95.0800 ");
}

TEST(DecodeMeasureReply, OneRightMarkerIsEnough)
{
    MeasureReply frame = Frame(0x55);
    for (const std::size_t marker : {1u, 10u, 11u, 12u, 21u}) {
        frame[marker] = 'x';
    }
    EXPECT_EQ(DecodeMeasureReply(frame, 1).outcome, ReplyOutcome::NoSensor);
}

TEST(DecodeMeasureReply, AllMarkersWrongIsBadFrameWithTheChannelsMessage)
{
    for (const std::uint8_t channel : {1, 2}) {
        MeasureReply frame = Frame(0x88);
        for (const std::size_t marker : {1u, 10u, 11u, 12u, 21u, 22u}) {
            frame[marker] = 'x';
        }
        const DecodedReply reply = DecodeMeasureReply(frame, channel);
        EXPECT_EQ(reply.outcome, ReplyOutcome::BadFrame);
        EXPECT_EQ(reply.status, 0x88);
        EXPECT_EQ(reply.ohms, 0.0);
        EXPECT_FALSE(reply.celsiusText);
        EXPECT_FALSE(reply.resistanceText);
        EXPECT_EQ(reply.fahrenheitText, channel == 1 ? "USB data error 1" : "USB data error 2");
    }
}

TEST(DecodeMeasureReply, LastByteIsIgnored)
{
    const DecodedReply reference = DecodeMeasureReply(Frame(0x88), 1);
    for (const int last : {0, 0x20, 0x88, 0xFF}) {
        const DecodedReply reply = DecodeMeasureReply(Frame(0x88, "110.2500", "  25.500",
                                                            static_cast<std::uint8_t>(last)), 1);
        EXPECT_EQ(reply.celsiusText, reference.celsiusText);
        EXPECT_EQ(reply.resistanceText, reference.resistanceText);
        EXPECT_EQ(reply.ohms, reference.ohms);
    }
}

TEST(DecodeMeasureReply, NulCutsANumberText)
{
    MeasureReply frame = Frame(0x88, "110.2500", "  25.500");
    frame[5] = 0;  // resistance text becomes bytes 2-4: "110"
    frame[16] = 0; // temperature text becomes bytes 13-15: "  2"
    const DecodedReply reply = DecodeMeasureReply(frame, 1);
    EXPECT_EQ(reply.resistanceText, "110");
    EXPECT_DOUBLE_EQ(reply.ohms, 110.0);
    EXPECT_DOUBLE_EQ(reply.celsius, 2.0);
    EXPECT_EQ(reply.celsiusText, "+2.000    ");
}

TEST(DecodeMeasureReply, TextWithoutDigitsReadsAsZero)
{
    const DecodedReply reply = DecodeMeasureReply(Frame(0x88, "abcdefgh", "  --.---"), 1);
    EXPECT_EQ(reply.outcome, ReplyOutcome::Valid);
    EXPECT_EQ(reply.celsiusText, "+0.000    ");
    EXPECT_EQ(reply.fahrenheitText, "+32.000   ");
    EXPECT_EQ(reply.resistanceText, "abcdefgh ");
    EXPECT_EQ(reply.ohms, 0.0);
}

TEST(DecodeMeasureReply, ExponentNotationFormatsInFull)
{
    // "9e99" in the temperature field: the display text holds every digit.
    const DecodedReply reply = DecodeMeasureReply(Frame(0x88, "110.2500", "9e99    "), 1);
    ASSERT_TRUE(reply.celsiusText);
    EXPECT_EQ(reply.celsiusText->size(), 1 + 100 + 4u);
    EXPECT_EQ(reply.celsiusText->front(), '+');
    EXPECT_EQ(reply.celsiusText->substr(reply.celsiusText->size() - 4), ".000");
}

TEST(FormatReading, SignDecimalsAndPadding)
{
    EXPECT_EQ(FormatReading(25.5), "+25.500   ");
    EXPECT_EQ(FormatReading(77.9), "+77.900   ");
    EXPECT_EQ(FormatReading(0.0), "+0.000    ");
    EXPECT_EQ(FormatReading(-0.0), "-0.000    ");
    EXPECT_EQ(FormatReading(-5.125), "-5.125    ");
    EXPECT_EQ(FormatReading(1234567.0), "+1234567.000");
    EXPECT_EQ(FormatReading(0.0005), "+0.001    ");   // rounds as printf does (binary value above half)
    // The widest double: 309 integer digits, sign, point, three decimals.
    EXPECT_EQ(FormatReading(-1.7976931348623157e308).size(), 314u);
    EXPECT_EQ(FormatReading(std::numeric_limits<double>::infinity()), "+inf      ");
}

TEST(CelsiusToFahrenheit, ProductThenSum)
{
    EXPECT_DOUBLE_EQ(CelsiusToFahrenheit(25.5), 77.9);
    EXPECT_DOUBLE_EQ(CelsiusToFahrenheit(-40.0), -40.0);
    EXPECT_EQ(CelsiusToFahrenheit(0.1), 0.1 * 1.8 + 32.0);
}

TEST(TextToNumber, ReadsLikeAtofInTheCLocale)
{
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"  25.500 ", 25.5}, {"+1.5e1x", 15.0}, {"-.5", -0.5}, {"\t7", 7.0}, {"1e", 1.0},
        {"abc", 0.0},        {"", 0.0},         {"--1", 0.0},  {"+-1", 0.0}, {".", 0.0},
        {"1,5", 1.0},        {"1e-999", 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToNumber(c.text), c.value) << '"' << c.text << '"';
    }
    EXPECT_TRUE(std::isinf(TextToNumber("1e999")));
    EXPECT_LT(TextToNumber("-1e999"), 0.0);
}

struct GreetingCase {
    const char* name;
    const char* bytes;  // placed at the start of a space-filled area
    std::uint32_t asked;
    bool accepted;
};

void PrintTo(const GreetingCase& c, std::ostream* out)
{
    *out << c.name;
}

class Greetings : public testing::TestWithParam<GreetingCase> {};

GreetingArea Area(std::string_view bytes)
{
    GreetingArea area;
    area.fill(' ');
    std::memcpy(area.data(), bytes.data(), std::min(bytes.size(), area.size()));
    return area;
}

TEST_P(Greetings, JudgedByTheAskedLength)
{
    EXPECT_EQ(GreetingAccepted(Area(GetParam().bytes), GetParam().asked), GetParam().accepted)
        << '"' << GetParam().bytes << "\" asked " << GetParam().asked;
}

INSTANTIATE_TEST_SUITE_P(
    ByteZeroAndOne, Greetings,
    testing::Values(GreetingCase{"asked_18_at_byte_0", "Quorvantex Z5", 18, true},
                    GreetingCase{"asked_18_at_byte_1", "\nQuorvantex", 18, true},
                    GreetingCase{"asked_18_at_byte_2", "  Quorvantex", 18, false},
                    GreetingCase{"asked_18_seventh_letter_wrong", "Quorvax", 18, false},
                    GreetingCase{"asked_18_lower_case", "quorvantex", 18, false},
                    GreetingCase{"asked_17_quor_at_byte_0_whatever_follows", "Quorxyz", 17, true},
                    GreetingCase{"asked_17_quorv_at_byte_1", "\nQuorv", 17, true},
                    GreetingCase{"asked_17_quor_at_byte_1_without_v", "\nQuorx", 17, false},
                    GreetingCase{"asked_17_three_letters", "Quo", 17, false},
                    GreetingCase{"asked_18_nothing", "", 18, false}),
    [](const testing::TestParamInfo<GreetingCase>& info) { return std::string(info.param.name); });

TEST(GreetingText, TwentyCharactersBlankPastTheAskedLength)
{
    const GreetingArea area = Area("Quorvantex Z5 v1.0b\r");
    EXPECT_EQ(GreetingText(area, 17), "Quorvantex Z5 v1.   ");
    EXPECT_EQ(GreetingText(area, 18), "Quorvantex Z5 v1.0  ");
}

TEST(GreetingText, EndsAtANul)
{
    GreetingArea area = Area("Quorvantex Z5");
    area[5] = 0;
    EXPECT_EQ(GreetingText(area, 18), "Quorv");
}

} // namespace
} // namespace vexmoor
