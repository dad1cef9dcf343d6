#pragma once
// Numbers to text and back the way the "C" locale does it, whatever locale the
// user runs the program in: the decimal separator is always a point.

#include <string>
#include <string_view>

namespace vexmoor {

// As atof in the "C" locale: skips leading white space, reads an optional
// sign, digits with an optional point and an optional exponent, stops at the
// first character that does not fit; 0.0 when there is no number.
double TextToNumber(std::string_view text);

// As printf's "%<flags><width>.<precision>f" with the '-' flag (left-justified,
// padded with spaces on the right) and, when `forceSign`, the '+' flag.
std::string FormatFixed(double value, int precision, bool forceSign, std::size_t minWidth);

} // namespace vexmoor
