#include "link/NumberText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace vexmoor {

namespace {

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// For a conversion that fell outside the range of a double: atof gives
// infinity for a too large magnitude and zero for a too small one.
double OutOfRange(std::string_view number, bool negative)
{
    const auto e = number.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
    const double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -magnitude : magnitude;
}

} // namespace

double TextToNumber(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsCSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::string_view rest = text.substr(pos);
    // from_chars takes no sign of its own: a second sign is no number.
    if (rest.empty() || rest.front() == '+' || rest.front() == '-') {
        return 0.0;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value,
                                              std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        return OutOfRange(std::string_view(rest.data(), static_cast<std::size_t>(end - rest.data())),
                          negative);
    }
    if (error != std::errc{}) {
        return 0.0;
    }
    return negative ? -value : value;
}

std::string FormatFixed(double value, int precision, bool forceSign, std::size_t minWidth)
{
    std::string text;
    if (std::signbit(value)) {
        text.push_back('-');
    } else if (forceSign) {
        text.push_back('+');
    }
    const double magnitude = std::fabs(value);
    if (std::isnan(magnitude)) {
        text += "nan";
    } else if (std::isinf(magnitude)) {
        text += "inf";
    } else {
        // Large enough for the widest double in fixed notation (309 digits,
        // point and decimals).
        std::array<char, 400> digits{};
        const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(),
                                                magnitude, std::chars_format::fixed, precision);
        if (error == std::errc{}) {
            text.append(digits.data(), end);
        }
    }
    if (text.size() < minWidth) {
        text.append(minWidth - text.size(), ' ');
    }
    return text;
}

} // namespace vexmoor
