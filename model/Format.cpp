#include "Format.h"

#include <charconv>
#include <cmath>
#include <system_error>
#include <limits>

#include "Numbers.h"

namespace runwell {
namespace {

struct Step {
    float threshold;  // compared in single precision, strictly greater
    double divisor;
    const char* suffix;
};

/// Walks a ladder from the top; below the last step the value is truncated to a whole number.
std::string Render(float value, const Step* steps, std::size_t count, const char* unit) {
    // A stored infinity is shown as the largest finite value of its sign.
    if (std::isinf(value)) {
        value = value > 0 ? std::numeric_limits<float>::max() : std::numeric_limits<float>::lowest();
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (value > steps[i].threshold) {
            // The quotient is rounded to single precision before it is printed.
            const float quotient = NarrowToFloat(static_cast<double>(value) / steps[i].divisor);
            return FormatTrimmed(quotient, 3) + steps[i].suffix;
        }
    }
    return std::to_string(SaturateToInt32(value)) + unit;
}

}  // namespace

std::string FormatTrimmed(double value, int decimals) {
    // Room for the largest double in fixed notation (309 digits) and up to 20 decimals.
    char buffer[340];
    decimals = decimals < 0 ? 0 : (decimals > 20 ? 20 : decimals);
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) {
        return "0";
    }
    std::string text(buffer, result.ptr);
    if (text.find('.') == std::string::npos) {
        return text;
    }
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
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
