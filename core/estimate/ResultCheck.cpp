#include "estimate/ResultCheck.h"

#include <charconv>
#include <cmath>

#include "estimate/Format.h"

namespace runwell {
namespace {

/// A plain decimal number (digits, optionally '.' and digits) followed by one of the units,
/// times that unit's factor.
std::optional<double> ParseWithUnit(std::string_view text,
                                    std::initializer_list<std::pair<std::string_view, double>> units) {
    std::size_t end = 0;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) {
        ++end;
    }
    double number = 0.0;
    const auto parsed = std::from_chars(text.data(), text.data() + end, number,
                                        std::chars_format::fixed);
    if (end == 0 || parsed.ec != std::errc() || parsed.ptr != text.data() + end ||
        !std::isfinite(number)) {
        return std::nullopt;
    }
    const std::string_view unit = text.substr(end);
    for (const auto& [name, factor] : units) {
        if (unit == name) {
            return number * factor;
        }
    }
    return std::nullopt;
}

std::string Trimmed(std::string_view text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(start, text.find_last_not_of(' ') - start + 1));
}

/// Hours as text: whole hours without decimals, else up to three.
std::string HoursText(double hours) {
    return FormatTrimmed(hours, 3) + " hours";
}

}  // namespace

std::optional<double> ParseLifeLimit(std::string_view text) {
    return ParseWithUnit(text, {{"h", 1.0}, {"d", 24.0}, {"y", 365.0 * 24.0}});
}

std::optional<double> ParseCurrentLimit(std::string_view text) {
    // The micro sign as trace files may write it: both its UTF-8 forms, U+00B5 and U+03BC, and
    // the Latin-1 byte B5 of a shell or terminal that works in Latin-1.
    return ParseWithUnit(text, {{"nA", 1.0},
                                {"uA", 1e3},
                                {"\xC2\xB5" "A", 1e3},
                                {"\xCE\xBC" "A", 1e3},
                                {"\xB5" "A", 1e3},
                                {"mA", 1e6},
                                {"A", 1e9}});
}

CheckOutcome CheckResults(const ProfileResults& results, const CheckLimits& limits) {
    std::string misses;
    const auto miss = [&misses](const std::string& text) {
        misses += misses.empty() ? "" : "; ";
        misses += text;
    };
    if (limits.minLifeHours &&
        !(results.lifeHours != 0 && static_cast<double>(results.lifeHours) >= *limits.minLifeHours)) {
        miss("life below " + HoursText(*limits.minLifeHours));
    }
    if (limits.maxAverageNanoamps &&
        !(static_cast<double>(results.average) <= *limits.maxAverageNanoamps)) {
        miss("average above " + FormatCurrent(static_cast<float>(*limits.maxAverageNanoamps)));
    }
    if (limits.noLimitWarnings && results.averageWarning) {
        miss("average above the battery's continuous current");
    }
    if (limits.noLimitWarnings && results.peakWarning) {
        miss("peak above the battery's pulse current");
    }
    CheckOutcome outcome;
    outcome.passed = misses.empty();
    const std::string life = results.lifeHours != 0
                                 ? Trimmed(results.lifeText) + " (" +
                                       HoursText(static_cast<double>(results.lifeHours)) + ")"
                                 : Trimmed(results.lifeText);
    outcome.line = "battery life " + life + ", average " + FormatCurrent(results.average) +
                   ", peak " + FormatCurrent(static_cast<float>(results.peak)) +
                   (outcome.passed ? ": pass" : ": fail: " + misses);
    return outcome;
}

}  // namespace runwell
