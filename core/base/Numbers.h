#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace runwell {

/// Reads a signed decimal integer the way the data files write them: leading white space, an
/// optional sign, then digits up to the first other character. No digits read as 0; values
/// beyond the 32-bit range saturate.
std::int32_t ReadInteger(std::string_view text);

/// Reads the longest prefix of the form [sign] digits [. digits] [exponent] after leading white
/// space, independent of the locale; no hexadecimal, infinities or NaN. Nothing readable gives 0.
/// A magnitude beyond the double range reads as the largest finite double of that sign.
double ReadReal(std::string_view text);

/// Narrows to single precision (round to nearest); magnitudes beyond the float range saturate at
/// the largest finite float, so no computation of the estimate ever produces an infinity.
float NarrowToFloat(double value);

/// Truncate toward zero and saturate at the type's limits; NaN gives 0.
std::int32_t SaturateToInt32(double value);
std::uint32_t SaturateToUint32(double value);
std::int64_t SaturateToInt64(double value);

/// `value` to `digits` significant digits, as "%.*g" writes it ("40", "0.125", "1.5e+03").
std::string SignificantText(double value, int digits);

}  // namespace runwell
