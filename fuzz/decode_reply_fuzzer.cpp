// DecodeMeasureReply on arbitrary frames for both channels. Input: byte 0 is
// the channel argument, the next 24 bytes the frame (missing bytes are 0).

#include "FuzzCheck.h"
#include "link/Protocol.h"
#include "support/ReferenceText.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace vexmoor;
using vexmoor::test::Printf;

namespace {

struct Row {
    std::uint8_t valid, noSensor, overflow;
};
constexpr Row kChannel1{0x88, 0x55, 0x33};
constexpr Row kChannel2{0x77, 0x66, 0x44};

// Bytes `from` .. `from + 8`, cut at the first NUL.
std::string FieldText(const MeasureReply& frame, std::size_t from)
{
    std::string text;
    for (std::size_t i = from; i < from + 9; ++i) {
        if (frame[i] == 0) {
            break;
        }
        text.push_back(static_cast<char>(frame[i]));
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::uint8_t channel = data[0];
    MeasureReply frame{};
    std::copy_n(data + 1, std::min(size - 1, frame.size()), frame.begin());

    const DecodedReply reply = DecodeMeasureReply(frame, channel);
    const bool first = channel == 1;

    FUZZ_CHECK(reply.status == frame[0]);

    const bool allMarkersWrong = frame[1] != 'R' && frame[10] != ' ' && frame[11] != '\r' &&
                                 frame[12] != 'T' && frame[21] != ' ' && frame[22] != '\r';
    FUZZ_CHECK((reply.outcome == ReplyOutcome::BadFrame) == allMarkersWrong);
    if (allMarkersWrong) {
        FUZZ_CHECK(!reply.celsiusText && !reply.resistanceText);
        FUZZ_CHECK(reply.fahrenheitText == std::string(first ? "USB data error 1" : "USB data error 2"));
        FUZZ_CHECK(reply.ohms == 0.0);
        return 0;
    }

    const Row row = first ? kChannel1 : kChannel2;
    const std::uint8_t status = frame[0];
    if (status == row.valid) {
        FUZZ_CHECK(reply.outcome == ReplyOutcome::Valid);
        const std::string ohmsText = FieldText(frame, 2);
        const std::string celsiusText = FieldText(frame, 13);
        FUZZ_CHECK(reply.resistanceText == ohmsText);
        FUZZ_CHECK(reply.resistanceText->size() <= 9);
        FUZZ_CHECK(test::SameDouble(reply.ohms, test::ReferenceAtof(ohmsText)));
        FUZZ_CHECK(test::SameDouble(reply.celsius, test::ReferenceAtof(celsiusText)));
        FUZZ_CHECK(reply.celsiusText == Printf("%+-10.3f", reply.celsius));
        FUZZ_CHECK(reply.fahrenheitText == Printf("%+-10.3f", reply.celsius * 1.8 + 32.0));
        // Sign, at most 309 integer digits, point, three decimals.
        FUZZ_CHECK(reply.celsiusText->size() >= 10 && reply.celsiusText->size() <= 314);
        FUZZ_CHECK(reply.fahrenheitText->size() >= 10 && reply.fahrenheitText->size() <= 314);
        return 0;
    }

    FUZZ_CHECK(reply.ohms == 0.0);
    if (status == row.noSensor || status == row.overflow) {
        const char* word = status == row.noSensor ? "No Sensor" : "Overflow";
        FUZZ_CHECK(reply.outcome ==
                   (status == row.noSensor ? ReplyOutcome::NoSensor : ReplyOutcome::Overflow));
        FUZZ_CHECK(reply.celsiusText == std::string(word));
        FUZZ_CHECK(reply.fahrenheitText == std::string(word));
        FUZZ_CHECK(reply.resistanceText == std::string(word));
    } else {
        // Every other byte, the other channel's codes included.
        FUZZ_CHECK(reply.outcome == ReplyOutcome::OtherStatus);
        FUZZ_CHECK(!reply.celsiusText && !reply.fahrenheitText && !reply.resistanceText);
    }
    return 0;
}
