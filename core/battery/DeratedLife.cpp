#include "battery/DeratedLife.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "base/Numbers.h"
#include "cell/CellCircuit.h"
#include "battery/ModelRange.h"
#include "estimate/ProfileResults.h"

namespace runwell {

namespace {

constexpr double kHoursPerYear = 8760.0;  // the classic life's year of 365 days
constexpr double kSelfDischargeReferenceC = 20.0;
constexpr double kMaxYearlyLossPercent = 99.0;

}  // namespace

double HoursBetween(double from, double to, double load, double k) {
    if (k <= 0.0) {
        return (from - to) / load;
    }
    return std::log1p(k * (from - to) / (load + k * to)) / k;
}

double ChargeAfter(double from, double hours, double load, double k) {
    if (k <= 0.0) {
        return from - load * hours;
    }
    const double floor = load / k;
    return (from + floor) * std::exp(-k * hours) - floor;
}

double SelfDischargePerHour(const BatteryRecord& battery, const BatteryModel& model,
                            double temperature) {
    const double yearly20 = model.selfDischargePercentPerYear.value_or(
        12.0 * static_cast<double>(battery.selfDischargePercent));
    const double yearly =
        std::min(kMaxYearlyLossPercent,
                 std::max(0.0, yearly20) * std::exp2((temperature - kSelfDischargeReferenceC) /
                                                     model.selfDischargeDoublingC));
    return -std::log1p(-yearly / 100.0) / kHoursPerYear;
}

namespace {

/// The cell as the walk down its charge sees it.
struct Discharge {
    const CellCircuit& circuit;
    const PulseDips& dips;
    double capacity = 0.0;        // mAh at this drain and temperature
    double load = 0.0;            // mA, the average current
    double peak = 0.0;            // A, the current the voltage is checked under
    double k = 0.0;               // self-discharge per hour, of the remaining charge
    double shelfHours = 0.0;      // the shelf life, or infinity
    bool hasVoltage = false;
    bool pulseAware = false;      // the model has a polarisation: the modes' own dips count

    double LoadedVoltage(double depth) const {
        if (pulseAware) {
            return circuit.Ocv(depth) - dips.Drop(circuit.R0(depth), circuit.R1(depth));
        }
        return circuit.Ocv(depth) - peak * circuit.R0(depth);
    }
};

/// Walks the charge down in kDeratingSteps steps until it is spent, the loaded voltage crosses
/// the minimum or the shelf life ends; fills the life's hours, curve and what ended it. False
/// when the voltage is below the minimum before any charge is drawn.
bool Walk(const Discharge& cell, DeratedLife& life, double& delivered) {
    double hours = 0.0;
    double previousVoltage = cell.hasVoltage ? cell.LoadedVoltage(0.0) : 0.0;
    if (cell.hasVoltage) {
        life.curve.push_back({0.0, previousVoltage});
        if (previousVoltage < life.minimumVoltage) {
            life.limitingFactor = kLimitBrownOut;
            return false;
        }
    }
    const double step = cell.capacity / kDeratingSteps;
    const char* limit = nullptr;
    for (int i = 0; i < kDeratingSteps && limit == nullptr; ++i) {
        const double from = cell.capacity - step * i;
        double to = i + 1 == kDeratingSteps ? 0.0 : cell.capacity - step * (i + 1);
        const double depth = static_cast<double>(i + 1) / kDeratingSteps;
        const double stepEndVoltage = cell.hasVoltage ? cell.LoadedVoltage(depth) : 0.0;
        double voltage = stepEndVoltage;
        if (cell.hasVoltage && voltage < life.minimumVoltage) {
            // The crossing, linear in charge within the step.
            const double share = (previousVoltage - life.minimumVoltage) /
                                 (previousVoltage - voltage);
            to = from - share * step;
            voltage = life.minimumVoltage;
            limit = kLimitBrownOut;
        }
        double spent = HoursBetween(from, to, cell.load, cell.k);
        if (hours + spent > cell.shelfHours) {
            spent = cell.shelfHours - hours;
            const double left = ChargeAfter(from, spent, cell.load, cell.k);
            if (cell.hasVoltage) {
                const double reached = (from - left) / step;
                voltage = previousVoltage + (stepEndVoltage - previousVoltage) * reached;
            }
            limit = kLimitSelfDischarge;
        }
        hours += spent;
        delivered += cell.load * spent;
        if (cell.hasVoltage && spent > 0.0) {
            life.curve.push_back({hours, voltage});
        }
        previousVoltage = voltage;
    }
    if (limit == nullptr) {
        limit = delivered >= cell.capacity - delivered ? kLimitCapacity : kLimitSelfDischarge;
    }
    life.hours = hours;
    life.limitingFactor = limit;
    return true;
}

/// Why `hours` exceed the classic life (rated capacity over the average plus the catalogue's
/// self-discharge current), or nothing when they do not.
std::string LongerWhy(const BatteryRecord& battery, const Discharge& cell, double hours,
                      double average) {
    const double rated = static_cast<double>(battery.capacityMah);
    const double classic =
        rated * 1e6 / (average + static_cast<double>(battery.selfDischargeCurrent));
    if (!(hours > classic)) {
        return {};
    }
    char text[200];
    if (cell.capacity > rated) {
        std::snprintf(text, sizeof text,
                      "Longer than the classic life: the model's capacity at this drain and "
                      "temperature (%.0f mAh) is above the rated %.0f mAh.",
                      cell.capacity, rated);
    } else {
        std::snprintf(text, sizeof text,
                      "Longer than the classic life: the model's self-discharge at this "
                      "temperature takes less than the catalogue's.");
    }
    return text;
}

}  // namespace

DeratedLife ComputeDeratedLife(const BatteryRecord& battery, const BatteryModel* model,
                               const DeratingConditions& conditions) {
    DeratedLife life;
    if (model == nullptr) {
        life.lifeText = "no model";
        return life;
    }
    life.hasModel = true;
    life.lifeText = "?";
    life.minimumVoltage = conditions.minimumVoltage.value_or(model->cutoffVoltage);

    const double load = conditions.averageCurrent / 1e6;  // mA
    const double temperature = std::isfinite(conditions.temperatureC) ? conditions.temperatureC
                                                                       : 25.0;
    if (!(load > 0.0) || !std::isfinite(load)) {
        return life;
    }
    const double rated = static_cast<double>(battery.capacityMah);
    // Without an open-circuit voltage table the cell's nominal voltage from the catalogue stands
    // for it at every depth; without either there is no voltage to check.
    const CellCircuit circuit(*model, temperature, load, rated, ReadReal(battery.nominalVoltage));
    const bool pulseAware = !model->polarisationVsDepth.empty() ||
                            std::any_of(model->temperatures.begin(), model->temperatures.end(),
                                        [](const TemperatureTables& t) {
                                            return !t.polarisationVsDepth.empty();
                                        });
    const PulseDips dips(pulseAware ? conditions.steps : std::vector<LoadStep>{},
                         circuit.tauSeconds(), conditions.peakCurrent / 1e9);
    Discharge cell{circuit, dips};
    cell.load = load;
    cell.peak = conditions.peakCurrent / 1e9;  // A
    cell.pulseAware = pulseAware;
    cell.capacity = circuit.capacityMah();
    cell.k = SelfDischargePerHour(battery, *model, temperature);
    cell.shelfHours = model->shelfLifeYears ? *model->shelfLifeYears * kHoursPerYear
                                            : std::numeric_limits<double>::infinity();
    cell.hasVoltage = circuit.hasVoltage();
    life.nominalVoltageOnly = circuit.nominalOnly();
    life.outsideData = OutsideData(*model, conditions, temperature, life.minimumVoltage,
                                   battery.maxContinuousCurrent / 1e6);
    life.rangeStated = StatesMeasuredRange(*model);
    if (!(cell.capacity > 0.0)) {
        life.limitingFactor = kLimitCapacity;
        return life;
    }
    double delivered = 0.0;  // mAh to the device
    if (!Walk(cell, life, delivered)) {
        return life;
    }
    life.usableFraction = rated > 0.0 ? delivered / rated : 0.0;
    life.longerWhy = LongerWhy(battery, cell, life.hours, conditions.averageCurrent);
    // The steps add up to a whole hour only within rounding; a relative nudge keeps 200 h from
    // showing as 199 hours when truncated as the classic life is.
    life.lifeText = FormatBatteryLife(SaturateToInt64(life.hours * (1.0 + 1e-12)));
    return life;
}

std::vector<LoadStep> LoadStepsOf(const std::vector<ModeRecord>& modes) {
    std::vector<LoadStep> steps;
    steps.reserve(modes.size());
    for (const ModeRecord& mode : modes) {
        steps.push_back({static_cast<double>(mode.totalCurrent) * 1e-9,
                         static_cast<double>(mode.duration) * 1e-6});
    }
    return steps;
}

std::optional<double> NumberOfLabel(std::string_view label) {
    std::size_t i = 0;
    while (i < label.size() && std::isspace(static_cast<unsigned char>(label[i])) != 0) {
        ++i;
    }
    std::size_t digits = i;
    if (digits < label.size() && (label[digits] == '-' || label[digits] == '+')) {
        ++digits;
    }
    if (digits >= label.size() || std::isdigit(static_cast<unsigned char>(label[digits])) == 0) {
        return std::nullopt;
    }
    return ReadReal(label.substr(i));
}

std::string DeratedLifeFieldText(const DeratedLife& life) {
    std::string notes = life.limitingFactor;
    if (!life.outsideData.empty()) {
        notes += (notes.empty() ? "" : "; ") + life.outsideData;
    }
    return notes.empty() ? life.lifeText : life.lifeText + " (" + notes + ")";
}

std::string PredictedLifeTip(const DeratedLife& life) {
    std::string text = DeratedLifeFieldText(life);
    if (!life.longerWhy.empty()) {
        text += "\n" + life.longerWhy;
    }
    if (life.hasModel && !life.rangeStated && life.outsideData.empty()) {
        text += "\nThis battery's model states no conditions it was measured under, so whether "
                "the profile lies within its data is not known.";
    }
    return text;
}

std::optional<std::string> DeratedCurveNote(const DeratedLife& life) {
    if (!life.hasModel) {
        return std::string("This battery has no model: there is no voltage to draw.");
    }
    if (life.curve.size() < 2) {
        return std::string("This battery's model gives no voltage (no voltage curve and no "
                           "nominal voltage), or there is no load: nothing to draw.");
    }
    if (life.nominalVoltageOnly) {
        return std::string("This battery's model has no voltage curve: the voltage is drawn flat "
                           "at its nominal voltage.");
    }
    return std::nullopt;
}

}  // namespace runwell
