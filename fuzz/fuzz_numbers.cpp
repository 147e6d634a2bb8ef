// The mode editor's number fields: the typed text with a unit, its split for display, the number
// readers and the three formatters.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "FuzzCheck.h"
#include "base/Numbers.h"
#include "estimate/Format.h"
#include "estimate/ModeComputation.h"

namespace {

using runwell::fuzz::ShowsNonFinite;

/// "%.3f" as the C runtime prints it, then trailing '0's and a trailing '.' removed.
std::string PrintfTrimmed(float quotient) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.3f", static_cast<double>(quotient));
    std::string text(buffer);
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
}

struct Step {
    float threshold;
    double divisor;
    const char* suffix;
};

/// The formatting ladders written out plainly with printf, to check the formatters' own digit
/// writing against.
std::string ReferenceLadder(float value, std::initializer_list<Step> steps, const char* unit) {
    if (std::isinf(value)) {
        value =
            value > 0 ? std::numeric_limits<float>::max() : std::numeric_limits<float>::lowest();
    }
    for (const Step& step : steps) {
        if (value > step.threshold) {
            return PrintfTrimmed(
                       runwell::NarrowToFloat(static_cast<double>(value) / step.divisor)) +
                   step.suffix;
        }
    }
    return std::to_string(runwell::SaturateToInt32(value)) + unit;
}

void CompareWithPrintf(float value) {
    const std::string current =
        ReferenceLadder(value, {{100000.0f, 1e6, " mA"}, {100.0f, 1e3, " uA"}}, " nA");
    const std::string time =
        ReferenceLadder(value, {{100000.0f, 1e6, " S"}, {100.0f, 1e3, " mS"}}, " uS");
    const std::string charge = ReferenceLadder(value,
                                               {{3.6e14f, static_cast<double>(3.6e15f), " mAh"},
                                                {3.6e11f, static_cast<double>(3.6e12f), " uAh"},
                                                {3.6e8f, 3.6e9, " nAh"},
                                                {100000.0f, 1e6, " nAS"},
                                                {100.0f, 1e3, " nAmS"}},
                                               " nAuS");
    for (const auto& [shown, expected] : {std::pair{runwell::FormatCurrent(value), current},
                                          std::pair{runwell::FormatTime(value), time},
                                          std::pair{runwell::FormatCharge(value), charge}}) {
        if (shown != expected) {
            std::fprintf(stderr, "%a formatted as \"%s\", printf gives \"%s\"\n",
                         static_cast<double>(value), shown.c_str(), expected.c_str());
            std::abort();
        }
    }
}

void CheckFormatted(float value) {
    CompareWithPrintf(value);
    RUNWELL_FUZZ_CHECK(!ShowsNonFinite(runwell::FormatCurrent(value)));
    RUNWELL_FUZZ_CHECK(!ShowsNonFinite(runwell::FormatTime(value)));
    RUNWELL_FUZZ_CHECK(!ShowsNonFinite(runwell::FormatCharge(value)));
    const runwell::DisplaySplit split = runwell::SplitForDisplay(value);
    RUNWELL_FUZZ_CHECK(split.unitIndex >= 0 && split.unitIndex <= 2);
    RUNWELL_FUZZ_CHECK(!split.number.empty() && !ShowsNonFinite(split.number));
    // What the editor shows reads back as a finite number in the shown unit.
    RUNWELL_FUZZ_CHECK(std::isfinite(runwell::ToMicroseconds(split.number, split.unitIndex)));
}

/// The part of `text` made only of characters a decimal number can hold, NUL-terminated for the
/// C runtime's readers; hexadecimal, "inf" and "nan", which they would read, are cut off.
std::string DecimalCharacters(std::string_view text) {
    const std::size_t end = text.find_first_not_of("0123456789+-.eE \t\n\v\f\r");
    return std::string(text.substr(0, end));
}

/// ReadReal reads what strtod reads in the C locale, except that it never gives an infinity.
void CompareWithStrtod(std::string_view text, double real) {
    const std::string decimal = DecimalCharacters(text);
    errno = 0;
    const double expected = std::strtod(decimal.c_str(), nullptr);
    if (std::isinf(expected)) {
        RUNWELL_FUZZ_CHECK(std::fabs(real) == std::numeric_limits<double>::max());
        RUNWELL_FUZZ_CHECK(std::signbit(real) == std::signbit(expected));
    } else if (errno == ERANGE) {
        // Below the smallest normal double: either the subnormal value or zero.
        RUNWELL_FUZZ_CHECK(real == expected || real == 0.0);
    } else {
        RUNWELL_FUZZ_CHECK(real == expected);
        RUNWELL_FUZZ_CHECK(std::signbit(real) == std::signbit(expected));
    }
}

/// ReadInteger reads what strtoll reads in base 10, saturated at the 32-bit limits.
void CompareWithStrtoll(std::string_view text, std::int32_t integer) {
    const std::string decimal = DecimalCharacters(text);
    const long long wide = std::strtoll(decimal.c_str(), nullptr, 10);
    const long long expected = std::clamp<long long>(wide, std::numeric_limits<std::int32_t>::min(),
                                                     std::numeric_limits<std::int32_t>::max());
    RUNWELL_FUZZ_CHECK(integer == expected);
}

}  // namespace

/// The last byte picks the unit index (-1 for no selection, 0 to 2, and 3 for one out of range);
/// the bytes before it are the typed text. Stored values come from settings files bit for bit,
/// so the first four bytes are also formatted as a raw float, NaNs and infinities included.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int unit = static_cast<int>(data[size - 1] % 5) - 1;
    const std::string_view text(reinterpret_cast<const char*>(data), size - 1);

    const float microseconds = runwell::ToMicroseconds(text, unit);
    const float nanoamps = runwell::ToNanoamps(text, unit);
    RUNWELL_FUZZ_CHECK(std::isfinite(microseconds));
    RUNWELL_FUZZ_CHECK(std::isfinite(nanoamps));
    CheckFormatted(microseconds);
    CheckFormatted(nanoamps);

    const double real = runwell::ReadReal(text);
    RUNWELL_FUZZ_CHECK(std::isfinite(real));
    CompareWithStrtod(text, real);
    const float narrowed = runwell::NarrowToFloat(real);
    RUNWELL_FUZZ_CHECK(std::isfinite(narrowed));
    CheckFormatted(narrowed);
    CompareWithStrtoll(text, runwell::ReadInteger(text));
    (void)runwell::SaturateToInt32(real);
    (void)runwell::SaturateToUint32(real);
    (void)runwell::SaturateToInt64(real);

    if (size >= 4) {
        float stored = 0.0f;
        std::memcpy(&stored, data, sizeof stored);
        CheckFormatted(stored);
        (void)runwell::SaturateToInt32(stored);
        (void)runwell::SaturateToUint32(stored);
        (void)runwell::SaturateToInt64(stored);
    }
    return 0;
}
