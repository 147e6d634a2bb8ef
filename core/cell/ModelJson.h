#pragma once

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "cell/BatteryModel.h"

namespace runwell::model_json {

using Json = nlohmann::json;

inline constexpr std::size_t kMaxPoints = 1000;

/// What one table's x and y mean and which values they may take.
struct TableRule {
    const char* key;
    const char* xName;
    const char* yName;
    double xMin, xMax;
    double yMin, yMax;
    bool yMinExclusive;
};

inline constexpr TableRule kCapacityRule{"capacityVsCurrent", "current (mA)", "capacity (mAh)",
                                         0.0, 1e7, 0.0, 1e9, true};
inline constexpr TableRule kCapacityTemperatureRule{
    "capacityFactorVsTemperature", "temperature (C)", "factor", -100.0, 200.0, 0.0, 10.0, false};
inline constexpr TableRule kOcvRule{"openCircuitVoltageVsDepth", "depth of discharge",
                                    "voltage (V)", 0.0, 1.0, 0.0, 100.0, true};
inline constexpr TableRule kResistanceRule{"resistanceVsDepth", "depth of discharge",
                                           "resistance (ohm)", 0.0, 1.0, 0.0, 1e6, false};
inline constexpr TableRule kResistanceTemperatureRule{"resistanceFactorVsTemperature",
                                                      "temperature (C)", "factor", -100.0, 200.0,
                                                      0.0, 1e4, true};
inline constexpr TableRule kPolarisationRule{"polarisationVsDepth", "depth of discharge",
                                             "resistance (ohm)", 0.0, 1.0, 0.0, 1e6, false};

/// The deepest bracket nesting of a JSON text, strings skipped: checked before parsing so that a
/// hostile file of nested brackets costs nothing.
int NestingDepth(std::string_view text);

/// `value` as "%g" writes it.
std::string Describe(double value);

/// A finite number, or nothing for any other value.
std::optional<double> Number(const Json& value);

/// The number field `key` of `object` within [low, high] (low excluded when `lowExclusive`);
/// messages start with `where`.
Result<double> ReadNumber(const Json& object, const std::string& key, double low, double high,
                          bool lowExclusive, const std::string& where);

/// The non-empty "source" text of `object`.
Result<std::string> ReadSource(const Json& object, const std::string& where);

/// Fails naming the first key of `object` that is not in `allowed`.
Status CheckKeys(const Json& object, std::initializer_list<const char*> allowed,
                 const std::string& where);

/// The table `rule.key` of `holder`: an object with "source" and "points"; messages start with
/// `where`.
Result<InterpolationTable> ReadTable(const Json& holder, const TableRule& rule,
                                     const std::string& where = "");

/// The parts of a version 2 file beyond version 1 (cells, polarisation, temperatures, measured
/// range, fit), into `model`.
Status ReadVersion2(const Json& root, BatteryModel& model);

}  // namespace runwell::model_json
