#pragma once
// Independent references for the fault soak and the fuzz targets: the C
// library's own number conversions, in the "C" locale both run in.

#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vexmoor::test {

// printf into a std::string; room for the widest double in fixed notation.
inline std::string Printf(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return length < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(length));
}

// atof on decimal numbers, infinities and NaNs. A hexadecimal form ("0x1p3")
// reads as its leading 0: the instrument sends decimal numbers only, and the
// program reads a number as digits, point and exponent.
inline double ReferenceAtof(const std::string& text)
{
    const char* p = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    const char* afterSign = (*p == '+' || *p == '-') ? p + 1 : p;
    if (afterSign[0] == '0' && (afterSign[1] == 'x' || afterSign[1] == 'X')) {
        return *p == '-' ? -0.0 : 0.0;
    }
    return std::strtod(text.c_str(), nullptr);
}

// Same value, NaNs of any payload counting as equal.
inline bool SameDouble(double a, double b)
{
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    }
    return a == b && std::signbit(a) == std::signbit(b);
}

} // namespace vexmoor::test
