#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cell/BatteryModel.h"
#include "cell/CellCircuit.h"
#include "estimate/BatteryRecord.h"
#include "estimate/ModeRecord.h"

namespace runwell {

/// What the profile asks of the battery, and where.
struct DeratingConditions {
    double averageCurrent = 0.0;  // nA, the profile's time-weighted average
    double peakCurrent = 0.0;     // nA, the profile's largest mode current
    double temperatureC = 25.0;
    /// The device's minimum operating voltage; nothing means the cell's cut-off voltage.
    std::optional<double> minimumVoltage;
    /// One period of the profile's modes; a model with a polarisation resistance walks them
    /// for each period's deepest dip. Without them the peak stands for every mode.
    std::vector<LoadStep> steps;
};

/// One point of the predicted loaded-voltage curve: the voltage under the peak current after
/// `hours` of the profile.
struct VoltagePoint {
    double hours = 0.0;
    double volts = 0.0;
};

inline constexpr const char* kLimitCapacity = "capacity";
inline constexpr const char* kLimitBrownOut = "brown-out at peak current";
inline constexpr const char* kLimitSelfDischarge = "self-discharge";

struct DeratedLife {
    bool hasModel = false;
    double hours = 0.0;       // life in hours; 0 when it cannot be given
    std::string lifeText;     // as the classic life: "Y years D days H hours", "?" or "no model"
    std::string limitingFactor;  // one of the kLimit texts; empty without model or load
    double usableFraction = 0.0;  // charge delivered to the device / rated capacity
    double minimumVoltage = 0.0;  // V, the line the curve must stay above
    std::vector<VoltagePoint> curve;  // empty without open-circuit and nominal voltage
    bool nominalVoltageOnly = false;  // the model has no open-circuit table: the curve is flat
    /// "outside the model's data: drain above 40 mA; ..." when the profile lies beyond what the
    /// model was measured under; empty inside it or when the model states no range.
    std::string outsideData;
    /// The model states the conditions it was measured under; without them, whether the profile
    /// lies within its data is not known, and the tooltip says so.
    bool rangeStated = false;
    /// Why the life is longer than the classic life, when it is; empty otherwise.
    std::string longerWhy;
};

/// The profile's modes as load steps (mode currents in nA, durations in us).
std::vector<LoadStep> LoadStepsOf(const std::vector<ModeRecord>& modes);

/// Hours for the charge to fall from `from` to `to` (mAh) under a load of `load` mA and a
/// self-discharge of `k` x the remaining charge per hour: dQ/dt = -load - k Q, solved exactly.
double HoursBetween(double from, double to, double load, double k);

/// The charge left `hours` after `from` under the same law.
double ChargeAfter(double from, double hours, double load, double k);

/// The self-discharge rate per hour (of the remaining charge) at `temperature`: the model's
/// yearly loss at 20 C (or the catalogue's monthly one) doubling every selfDischargeDoublingC
/// degrees.
double SelfDischargePerHour(const BatteryRecord& battery, const BatteryModel& model,
                            double temperature);

/// The number of depth-of-discharge steps of the simulation; the curve has one point more.
inline constexpr int kDeratingSteps = 200;

/// The derated life of `battery` under `conditions` by a discharge simulation in steps of depth
/// of discharge of the capacity that the average drain and the temperature allow. Each step
/// draws its charge with the average current and loses charge to self-discharge (a yearly
/// percentage of the remaining charge, doubling per `selfDischargeDoublingC`, compounded), and
/// the loaded voltage is OCV(depth) - peak x R(depth) x factor(T). The life ends when the charge
/// is spent ("capacity", or "self-discharge" when self-discharge took more than the device), when
/// the loaded voltage falls below the minimum voltage ("brown-out at peak current"), or at the
/// model's shelf life ("self-discharge"). Without a model the life is "no model"; without a
/// positive average current it is "?".
DeratedLife ComputeDeratedLife(const BatteryRecord& battery, const BatteryModel* model,
                               const DeratingConditions& conditions);

/// The number a device data label starts with: the temperature of "25C" or "-40C", the voltage
/// of "3.3V"; nothing when it holds no number.
std::optional<double> NumberOfLabel(std::string_view label);

/// The text of the window's "Predicted life" field: the life, then the limiting factor and
/// whether the profile lies outside the model's data in parentheses when there is either.
std::string DeratedLifeFieldText(const DeratedLife& life);

/// The field's tooltip: its text, why the life is longer than the classic one when it is, and
/// that the model states no measured range when it states none.
std::string PredictedLifeTip(const DeratedLife& life);

/// Why the voltage chart of `life` shows less than a curve, for the chart to say: no model, a
/// model without any voltage, or a flat line at the nominal voltage. Nothing for a real curve.
std::optional<std::string> DeratedCurveNote(const DeratedLife& life);

}  // namespace runwell
