// The interval field's parse on arbitrary text, against a reference written
// from the field's rules: the first 31 characters up to a NUL; blanks and tabs
// around; white space, an optional sign and base-10 digits; a zero fails
// unless the text starts with the digit 0; clamped to the 32-bit range.

#include "FuzzCheck.h"
#include "platform/DataExchange.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

using vexmoor::platform::ParseDialogInteger;

namespace {

std::optional<std::int32_t> Reference(std::string_view input)
{
    std::string_view text = input.substr(0, 31);
    text = text.substr(0, text.find('\0'));

    std::size_t i = 0;
    const auto blank = [&] { return i < text.size() && (text[i] == ' ' || text[i] == '\t'); };
    while (blank()) {
        ++i;
    }
    const char first = i < text.size() ? text[i] : '\0';
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t digitsFrom = i;
    std::int64_t magnitude = 0;  // saturates just past the 32-bit range
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        magnitude = std::min<std::int64_t>(magnitude * 10 + (text[i] - '0'), std::int64_t{1} << 32);
        ++i;
    }
    if (i == digitsFrom) {
        return std::nullopt;  // no number at all
    }
    if (magnitude == 0 && first != '0') {
        return std::nullopt;  // "-0", "+0", " \n0": a zero must be written as one
    }
    while (blank()) {
        ++i;
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, kMin, kMax));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int32_t> parsed = ParseDialogInteger(text);
    FUZZ_CHECK(parsed == Reference(text));
    if (parsed) {
        // What a push writes back into the field reads as the same value.
        FUZZ_CHECK(ParseDialogInteger(std::to_string(*parsed)) == parsed);
    }
    return 0;
}
