#pragma once

#include <optional>
#include <string_view>

namespace runwell {

/// Units a trace's time column may be written in.
enum class TimeUnit { kSeconds, kMilliseconds, kMicroseconds };
/// Units a trace's current column may be written in.
enum class CurrentUnit { kAmperes, kMilliamperes, kMicroamperes, kNanoamperes };

/// Units a discharge log's voltage column may be written in.
enum class VoltageUnit { kVolts, kMillivolts };

/// "s", "ms", "us" (also with a micro sign), ignoring case; nothing for any other text.
std::optional<TimeUnit> ParseTimeUnit(std::string_view text);
/// "A", "mA", "uA", "nA" (also with a micro sign), ignoring case; nothing for any other text.
std::optional<CurrentUnit> ParseCurrentUnit(std::string_view text);
/// "V", "mV", ignoring case; nothing for any other text.
std::optional<VoltageUnit> ParseVoltageUnit(std::string_view text);
double SecondsPer(TimeUnit unit);
double VoltsPer(VoltageUnit unit);
double NanoampsPer(CurrentUnit unit);
const char* UnitName(TimeUnit unit);
const char* UnitName(CurrentUnit unit);

}  // namespace runwell
