#pragma once

#include <string>

namespace runwell {

/// A current in nA as text with an engineering unit: "25 nA", "1.5 uA", "12.345 mA".
std::string FormatCurrent(float nanoamps);
/// A duration in us as text: "50 uS", "1.5 mS", "2 S".
std::string FormatTime(float microseconds);
/// A charge in nA*us as text, in nAuS, nAmS, nAS, nAh, uAh or mAh.
std::string FormatCharge(float nanoampMicroseconds);

/// Fixed-point text with `decimals` decimals (rounded to nearest from the exact binary value,
/// '.' as the decimal point), then trailing '0's and after them a trailing '.' removed:
/// 100.000 gives "100", 0.150 gives "0.15".
std::string FormatTrimmed(double value, int decimals);

}  // namespace runwell
