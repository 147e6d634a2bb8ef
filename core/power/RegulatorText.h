#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "power/Regulator.h"

namespace runwell {

// The regulator editor's fields as text and back. These read numbers only; whether the figures
// make a regulator is ParseRegulator's to say.

/// `value` in the shortest text that reads back to exactly it ("0.25", "1e-06"), so a field left
/// alone gives back the figure it showed.
std::string ExactNumberText(double value);

/// The finite number in `text` (blanks around it ignored), or "`field` must be a number.".
Result<double> ReadFigureField(std::string_view text, std::string_view field);

/// As ReadFigureField, but a blank text is nothing; else "`field` must be a number or empty.".
Result<std::optional<double>> ReadOptionalFigureField(std::string_view text,
                                                      std::string_view field);

/// A table as lines of "x y", one point a line.
std::string PointsText(const InterpolationTable& table);

/// Lines of "x y" (blank lines skipped) as a table, in the order given. A line that is not two
/// finite numbers gives "`field`, line N: "LINE" must be two numbers.".
Result<InterpolationTable> ReadPointsText(std::string_view text, std::string_view field);

/// Efficiency curves as text: each curve's input voltage on a line of its own, then its points
/// as lines of "load_mA efficiency".
std::string CurvesText(const std::vector<EfficiencyCurve>& curves);

/// The text of CurvesText back as curves, in the order given. A line of one number starts a curve
/// at that input voltage; a line of two numbers is a point of the curve above it. Anything else,
/// or a point before the first input voltage, gives a message naming `field` and the line.
Result<std::vector<EfficiencyCurve>> ReadCurvesText(std::string_view text, std::string_view field);

}  // namespace runwell
