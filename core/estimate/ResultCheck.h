#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "estimate/ProfileResults.h"

namespace runwell {

/// What a profile must meet to pass a check; an absent limit is not checked.
struct CheckLimits {
    std::optional<double> minLifeHours;
    std::optional<double> maxAverageNanoamps;
    bool noLimitWarnings = false;  // neither current may exceed the battery's limit
};

/// A life such as "5y", "180d" or "8760h" in hours (a year is 365 days, as the life text
/// counts them); a number with an optional fraction, then the unit. Nothing for anything else.
std::optional<double> ParseLifeLimit(std::string_view text);
/// A current such as "10uA", "0.5mA", "800nA" or "1A" in nA; "uA" may be written with the micro
/// sign in UTF-8 ("10µA", U+00B5 or U+03BC) or as the Latin-1 byte B5. Nothing for anything
/// else.
std::optional<double> ParseCurrentLimit(std::string_view text);

struct CheckOutcome {
    bool passed = false;
    /// "battery life 1 year 51 days 16 hours (9376 hours), average 100 uA, peak 100 uA: pass",
    /// or ": fail: " and every limit that was missed, separated by "; ".
    std::string line;
};

/// Checks the results against the limits. A life that cannot be told ("?") never meets a
/// minimum life, and an average that is not a number never meets a maximum.
CheckOutcome CheckResults(const ProfileResults& results, const CheckLimits& limits);

}  // namespace runwell
