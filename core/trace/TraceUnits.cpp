#include "trace/TraceUnits.h"

#include <string>

#include "trace/TraceFields.h"

namespace runwell {

std::optional<TimeUnit> ParseTimeUnit(std::string_view text) {
    const std::string unit = trace::Normalised(trace::Trim(text));
    if (unit == "s") {
        return TimeUnit::kSeconds;
    }
    if (unit == "ms") {
        return TimeUnit::kMilliseconds;
    }
    if (unit == "us") {
        return TimeUnit::kMicroseconds;
    }
    return std::nullopt;
}

std::optional<CurrentUnit> ParseCurrentUnit(std::string_view text) {
    const std::string unit = trace::Normalised(trace::Trim(text));
    if (unit == "a") {
        return CurrentUnit::kAmperes;
    }
    if (unit == "ma") {
        return CurrentUnit::kMilliamperes;
    }
    if (unit == "ua") {
        return CurrentUnit::kMicroamperes;
    }
    if (unit == "na") {
        return CurrentUnit::kNanoamperes;
    }
    return std::nullopt;
}

std::optional<VoltageUnit> ParseVoltageUnit(std::string_view text) {
    const std::string unit = trace::Normalised(trace::Trim(text));
    if (unit == "v") {
        return VoltageUnit::kVolts;
    }
    if (unit == "mv") {
        return VoltageUnit::kMillivolts;
    }
    return std::nullopt;
}

double VoltsPer(VoltageUnit unit) { return unit == VoltageUnit::kMillivolts ? 1e-3 : 1.0; }

double SecondsPer(TimeUnit unit) {
    switch (unit) {
        case TimeUnit::kMilliseconds:
            return 1e-3;
        case TimeUnit::kMicroseconds:
            return 1e-6;
        case TimeUnit::kSeconds:
            break;
    }
    return 1.0;
}

double NanoampsPer(CurrentUnit unit) {
    switch (unit) {
        case CurrentUnit::kAmperes:
            return 1e9;
        case CurrentUnit::kMilliamperes:
            return 1e6;
        case CurrentUnit::kMicroamperes:
            return 1e3;
        case CurrentUnit::kNanoamperes:
            break;
    }
    return 1.0;
}

const char* UnitName(TimeUnit unit) {
    switch (unit) {
        case TimeUnit::kMilliseconds:
            return "ms";
        case TimeUnit::kMicroseconds:
            return "us";
        case TimeUnit::kSeconds:
            break;
    }
    return "s";
}

const char* UnitName(CurrentUnit unit) {
    switch (unit) {
        case CurrentUnit::kAmperes:
            return "A";
        case CurrentUnit::kMilliamperes:
            return "mA";
        case CurrentUnit::kMicroamperes:
            return "uA";
        case CurrentUnit::kNanoamperes:
            break;
    }
    return "nA";
}

}  // namespace runwell
