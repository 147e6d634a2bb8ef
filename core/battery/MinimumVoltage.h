#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"

namespace runwell {

/// The message for a minimum operating voltage that cannot be used.
inline constexpr const char* kBadMinimumVoltage =
    "The minimum operating voltage must be a number above 0 and at most 100 V, or empty for the "
    "cell's cut-off voltage.";

/// Reads the minimum operating voltage as typed: blanks around it are ignored, an empty text
/// means the cell's cut-off (nothing), a trailing "V" is allowed; anything else fails.
Result<std::optional<double>> ReadMinimumVoltage(std::string_view text);

/// The text of a minimum operating voltage for its field: empty for the default, else the
/// shortest form that reads back to the same value ("2.2").
std::string MinimumVoltageText(std::optional<double> volts);

}  // namespace runwell
