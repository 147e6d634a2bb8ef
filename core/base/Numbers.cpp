#include "base/Numbers.h"

#include <charconv>
#include <cstdio>
#include <cmath>
#include <limits>
#include <system_error>

namespace runwell {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <typename Int>
Int Saturate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    // The limits of 32-bit types are exact doubles; the 64-bit maximum rounds up to 2^63, so the
    // comparison must be >= there.
    constexpr double lowest = static_cast<double>(std::numeric_limits<Int>::lowest());
    constexpr double highest = static_cast<double>(std::numeric_limits<Int>::max());
    if (value <= lowest) {
        return std::numeric_limits<Int>::lowest();
    }
    if (value >= highest) {
        return std::numeric_limits<Int>::max();
    }
    return static_cast<Int>(value);
}

}  // namespace

std::int32_t ReadInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t magnitude = 0;
    constexpr std::int64_t cap = std::int64_t{1} << 32;  // beyond every int32 magnitude
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (magnitude < cap) {
            magnitude = magnitude * 10 + (text[i] - '0');
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

double ReadReal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                ++j;
            }
            end = j;
        }
    }
    // from_chars takes no '+' sign; the sign is applied afterwards.
    double magnitude = 0.0;
    const char* first = text.data() + mantissaStart;
    const char* last = text.data() + end;
    const auto [ptr, ec] = std::from_chars(first, last, magnitude, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Either far too large or far too small: decide by the exponent's sign.
        const std::string_view number(first, static_cast<std::size_t>(last - first));
        const std::size_t e = number.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < number.size() &&
                          number[e + 1] == '-';
        magnitude = tiny ? 0.0 : std::numeric_limits<double>::max();
    } else if (ec != std::errc() || ptr != last) {
        magnitude = 0.0;
    }
    return negative ? -magnitude : magnitude;
}

float NarrowToFloat(double value) {
    // Between the largest float and half a unit above it, rounding gives the largest float
    // anyway; further out the value saturates instead of becoming infinite.
    constexpr double highest = std::numeric_limits<float>::max();
    if (value > highest) {
        return std::numeric_limits<float>::max();
    }
    if (value < -highest) {
        return std::numeric_limits<float>::lowest();
    }
    return static_cast<float>(value);
}

std::int32_t SaturateToInt32(double value) { return Saturate<std::int32_t>(value); }
std::uint32_t SaturateToUint32(double value) { return Saturate<std::uint32_t>(value); }
std::int64_t SaturateToInt64(double value) { return Saturate<std::int64_t>(value); }

std::string SignificantText(double value, int digits) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

}  // namespace runwell
