// Judging the instrument's greeting and making the device status text from it.
// Input: byte 0 picks the length the read asked for (even: 18, odd: 17), the
// next 20 bytes are the greeting area; positions no byte reaches stay spaces,
// as they do after a short read.

#include "FuzzCheck.h"
#include "link/Protocol.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

using namespace vexmoor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::uint32_t asked = (data[0] & 1) != 0 ? 17 : 18;
    GreetingArea area;
    area.fill(' ');
    std::copy_n(data + 1, std::min(size - 1, area.size()), area.begin());

    const auto at = [&area](std::size_t offset, const char* word) {
        return std::memcmp(area.data() + offset, word, std::strlen(word)) == 0;
    };
    const bool expected = asked == 18 ? at(0, "Quorvan") || at(1, "Quorvan")
                                      : at(0, "Quor") || at(1, "Quorv");
    FUZZ_CHECK(GreetingAccepted(area, asked) == expected);

    // The text is the area up to its first NUL, positions from `asked` blank.
    const std::string text = GreetingText(area, asked);
    FUZZ_CHECK(text.size() <= area.size());
    FUZZ_CHECK(text.find('\0') == std::string::npos);
    std::size_t end = 0;
    while (end < area.size() && (end >= asked || area[end] != 0)) {
        ++end;
    }
    FUZZ_CHECK(text.size() == end);
    for (std::size_t i = 0; i < text.size(); ++i) {
        FUZZ_CHECK(static_cast<std::uint8_t>(text[i]) == (i < asked ? area[i] : ' '));
    }
    return 0;
}
