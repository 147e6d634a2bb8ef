#include "estimate/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "base/Numbers.h"

namespace runwell {
namespace {

// Room for the largest double in fixed notation (309 digits) and up to 20 decimals.
constexpr std::size_t kTrimmedRoom = 340;

struct Step {
    float threshold;  // compared in single precision, strictly greater
    double divisor;
    const char* suffix;
};

/// FormatTrimmed's text written to `buffer` (room for 340 bytes); returns its end.
char* WriteTrimmed(char* buffer, double value, int decimals) {
    decimals = decimals < 0 ? 0 : (decimals > 20 ? 20 : decimals);
    const auto result =
        std::to_chars(buffer, buffer + kTrimmedRoom, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) {
        buffer[0] = '0';
        return buffer + 1;
    }
    char* end = result.ptr;
    if (std::find(buffer, end, '.') == end) {
        return end;
    }
    while (end[-1] == '0') {
        --end;
    }
    if (end[-1] == '.') {
        --end;
    }
    return end;
}

/// WriteTrimmed(value, 3) for a value held in single precision, without the general conversion:
/// value * 1000 is exact in a double (24 + 7 significant bits), so rounding it to a whole number
/// rounds the exact binary value to three decimals. An exact tie, and a magnitude too large for
/// the shortcut, are left to the general conversion and its rounding rule.
char* WriteTrimmed3(char* buffer, float value) {
    const double scaled = std::fabs(static_cast<double>(value) * 1000.0);
    if (!(scaled < 1e15)) {
        return WriteTrimmed(buffer, value, 3);  // also NaN
    }
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (fraction == 0.5) {
        return WriteTrimmed(buffer, value, 3);
    }
    const auto thousandths = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    char* out = buffer;
    if (std::signbit(value)) {
        *out++ = '-';  // also for a value that rounds to 0, as "-0.000" trimmed is "-0"
    }
    out = std::to_chars(out, buffer + kTrimmedRoom, thousandths / 1000).ptr;
    const auto decimals = static_cast<unsigned>(thousandths % 1000);
    if (decimals != 0) {
        out[0] = '.';
        out[1] = static_cast<char>('0' + decimals / 100);
        out[2] = static_cast<char>('0' + decimals / 10 % 10);
        out[3] = static_cast<char>('0' + decimals % 10);
        out += 4;
        while (out[-1] == '0') {
            --out;  // a '.' is never reached: the decimals are not all 0
        }
    }
    return out;
}

/// Walks a ladder from the top; below the last step the value is truncated to a whole number.
std::string Render(float value, const Step* steps, std::size_t count, const char* unit) {
    // A stored infinity is shown as the largest finite value of its sign.
    if (std::isinf(value)) {
        value =
            value > 0 ? std::numeric_limits<float>::max() : std::numeric_limits<float>::lowest();
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (value > steps[i].threshold) {
            // The quotient is rounded to single precision before it is printed.
            const float quotient = NarrowToFloat(static_cast<double>(value) / steps[i].divisor);
            char buffer[kTrimmedRoom];
            const char* end = WriteTrimmed3(buffer, quotient);
            std::string text;
            text.reserve(static_cast<std::size_t>(end - buffer) + std::strlen(steps[i].suffix));
            text.append(buffer, static_cast<std::size_t>(end - buffer)).append(steps[i].suffix);
            return text;
        }
    }
    return std::to_string(SaturateToInt32(value)) + unit;
}

}  // namespace

std::string FormatTrimmed(double value, int decimals) {
    char buffer[kTrimmedRoom];
    return std::string(buffer, WriteTrimmed(buffer, value, decimals));
}

std::string FormatCurrent(float nanoamps) {
    static constexpr Step steps[] = {{100000.0f, 1000000.0, " mA"}, {100.0f, 1000.0, " uA"}};
    return Render(nanoamps, steps, std::size(steps), " nA");
}

std::string FormatTime(float microseconds) {
    static constexpr Step steps[] = {{100000.0f, 1000000.0, " S"}, {100.0f, 1000.0, " mS"}};
    return Render(microseconds, steps, std::size(steps), " uS");
}

std::string FormatCharge(float nanoampMicroseconds) {
    // 3.6e15 and 3.6e12 are used as their single-precision values, as the thresholds are.
    static constexpr Step steps[] = {
        {3.6e14f, static_cast<double>(3.6e15f), " mAh"},
        {3.6e11f, static_cast<double>(3.6e12f), " uAh"},
        {3.6e8f, 3.6e9, " nAh"},
        {100000.0f, 1000000.0, " nAS"},
        {100.0f, 1000.0, " nAmS"},
    };
    return Render(nanoampMicroseconds, steps, std::size(steps), " nAuS");
}

}  // namespace runwell
