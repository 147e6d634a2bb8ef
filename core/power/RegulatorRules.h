#pragma once

#include <cstddef>

#include "cell/ModelJson.h"

namespace runwell::regulator_rules {

inline constexpr double kMaxVolts = 100.0;
inline constexpr double kMaxQuiescentMicroamps = 1e6;
inline constexpr std::size_t kMaxCurves = 16;
/// The lightest load a table may name: a log-load axis has no 0.
inline constexpr double kMinLoadMa = 1e-9;
inline constexpr double kMaxLoadMa = 1e6;

inline constexpr model_json::TableRule kDropoutRule{
    "dropoutVsLoadMa", "load (mA)", "dropout (V)", kMinLoadMa, kMaxLoadMa, 0.0, kMaxVolts, false};
/// An efficiency below 0.1 % is no regulator's; the floor also keeps the battery current finite.
inline constexpr double kMinEfficiency = 1e-3;
inline constexpr model_json::TableRule kEfficiencyRule{"efficiencyVsLoadMa", "load (mA)",
                                                       "efficiency", kMinLoadMa, kMaxLoadMa,
                                                       kMinEfficiency, 1.0, false};

}  // namespace runwell::regulator_rules
