#pragma once

#include <optional>
#include <string>
#include <vector>

#include "battery/DeratedLife.h"
#include "estimate/ResultCheck.h"
#include "mission/Mission.h"
#include "power/Regulator.h"
#include "prediction/PathLoad.h"

namespace runwell {

/// What a prediction adds to the selected temperature and a cell wired to the device: the
/// regulator between them, the temperatures over a year, and how far below typical the parts
/// may be. Nothing set predicts exactly as ComputeDeratedLife does.
struct PredictionOptions {
    std::optional<Regulator> regulator;  // the cell feeds the device directly without one
    std::optional<Mission> mission;      // the selected temperature all year without one
    /// Typical to maximum of every mode's current, percent; a mode's own figure replaces it.
    double currentSpreadPercent = 0.0;
    std::vector<std::optional<double>> modeSpreadPercent;  // by mode, may be shorter
    /// How far below typical one cell's capacity may be, percent; nothing takes the model's
    /// figure, else the chemistry's default (DefaultCapacitySpread); 0 none.
    std::optional<double> capacitySpreadPercent;
    /// Whether the worst corner of the spreads is predicted beside the typical life.
    bool worstCase = false;

    /// Whether any of the above departs from ComputeDeratedLife's prediction.
    bool Active() const { return regulator.has_value() || mission.has_value() || worstCase; }

    bool operator==(const PredictionOptions&) const = default;
};

/// The figures the prediction starts from.
struct PredictionInput {
    DeratingConditions conditions;  // at the selected temperature, the device's side
    double outputVolts = 0.0;       // the device's supply voltage: the regulator's output
    /// The device's modes at each characterised temperature, for a mission; each entry has the
    /// profile's modes. Without them the selected temperature's modes hold at every temperature.
    std::vector<TemperatureModes> characterised;
};

inline constexpr const char* kLimitRegulator = "below the regulator's input voltage";

struct LifePrediction {
    DeratedLife typical;
    std::optional<DeratedLife> worst;  // with a spread of currents or capacity
    /// "device currents +20 %, capacity -10 %"; modes of a spread of their own are named:
    /// "device currents +20 %, mode 2 +50 %".
    std::string worstCorner;
    double capacitySpreadPercent = 0.0;
    std::string capacitySpreadSource;
    /// The battery's side at the selected temperature, at the cell's middle voltage (halfway
    /// from its full open-circuit voltage to the limit), nA; the device's figures without a
    /// regulator.
    double batteryAverage = 0.0;
    double batteryPeak = 0.0;
    /// The loaded cell voltage the life ends below: the device's minimum or the cell's end
    /// voltage, or with a regulator the lowest input it holds its output from (not below the
    /// cell's end voltage).
    double limitVolts = 0.0;
    double cellVolts = 0.0;  // the cell's middle voltage the battery's figures are given at
    /// Why the prediction cannot be made (the regulator cannot give the device's voltage), or
    /// that a temperature lies beyond the device's characterised ones; empty otherwise.
    std::string problem;
    std::string note;
};

/// The predicted life of `battery` (with `model`) under `input` and `options`: the typical
/// life, and the worst corner of the spreads named. Without any option it is
/// ComputeDeratedLife's alone. Without a model the life is "no model".
LifePrediction PredictLife(const BatteryRecord& battery, const BatteryModel* model,
                           const PredictionInput& input, const PredictionOptions& options);

/// "Predicted life: typical 2 years 3 days 4 hours, worst case 1 year ... (device currents +20
/// %)" for the window and the reports; the typical field's text alone without a range.
std::string PredictionRangeText(const LifePrediction& prediction);

/// CheckResults with the predicted life (its worst case when there is one) for the life:
/// "predicted life 41 days 16 hours (1000 hours), average ...: pass", or "worst-case life ..."
/// with the corner in brackets after its hours.
CheckOutcome CheckPredictedLife(ProfileResults results, const LifePrediction& prediction,
                                const CheckLimits& limits);

}  // namespace runwell
