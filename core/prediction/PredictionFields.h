#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "power/Regulator.h"
#include "prediction/LifePrediction.h"

namespace runwell {

// The limits of the figures the window's prediction fields take, as the sidecar reads them.
inline constexpr double kMaxDeviceSpreadPercent = 1000.0;
inline constexpr double kMaxCapacitySpreadPercent = 99.0;  // a cell that may deliver nothing
inline constexpr double kMaxLeakageMicroamps = 1e6;

/// The figure typed in an optional field: nothing for an empty (or blank) field, else a number
/// of `lowest`..`highest` (surrounding blanks ignored). The message names `field`: "Device
/// spread (%) must be empty or a number from 0 to 1000."
Result<std::optional<double>> ReadOptionalFigure(std::string_view text, std::string_view field,
                                                 double lowest, double highest);

/// How a field shows the figure in force: "20", "2.5", "" for nothing.
std::string OptionalFigureText(std::optional<double> value);

/// The regulator's figures, one a line: name, part, kind, quiescent current, input range and
/// output, sources.
std::string RegulatorSummary(const Regulator& regulator);

/// The capacity spread field's tooltip: what it holds, and the spread a worst case used with
/// its source ("default 10 % for this chemistry: ...").
std::string CapacitySpreadTip(const LifePrediction& prediction);

}  // namespace runwell
