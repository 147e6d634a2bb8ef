#include "measure/SteadyCapacity.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "base/Numbers.h"
#include "battery/DeratedLife.h"
#include "measure/DischargeFit.h"
#include "measure/DischargeLog.h"
#include "measure/ProfileImport.h"
#include "platform/Platform.h"

namespace runwell {

namespace {

constexpr int kMaxRounds = 20;
constexpr double kSettled = 1e-9;  // relative change of the capacity point that ends the search

std::string Figure(double value) { return SignificantText(value, 4); }

}  // namespace

Result<SteadyDischarge> ReadSteadyDischarge(const std::filesystem::path& path, double endVolts) {
    DischargeFitter fitter(endVolts);
    const Result<std::int64_t> read = ReadDischargeLogFile(path, fitter);
    if (!read) {
        return read.error();
    }
    if (fitter.stepped()) {
        return Error{"The log holds a current step; a steady discharge (a constant current or a "
                     "resistor) is needed."};
    }
    if (!fitter.reachedCutoff()) {
        return Error{"The log never falls below " + Figure(endVolts) +
                     " V, so it does not give the capacity to that end voltage."};
    }
    DischargeFitOptions options;
    options.battery = "cell";  // the fit stands for no catalogue battery: only its figures count
    options.logName = PathToUtf8(path.filename());
    const Result<BatteryModel> fitted = fitter.Finish(options);
    if (!fitted) {
        return fitted.error();
    }
    SteadyDischarge discharge;
    std::tie(discharge.drainMa, discharge.deliveredMah) =
        fitted->capacityVsCurrent.points().front();
    discharge.endVolts = endVolts;
    discharge.lowestMa = fitted->range.lowestCurrentMa.value_or(discharge.drainMa);
    discharge.highestMa = fitted->range.highestCurrentMa.value_or(discharge.drainMa);
    discharge.logs = {options.logName};
    return discharge;
}

SteadyDischarge AverageOf(const std::vector<SteadyDischarge>& discharges) {
    SteadyDischarge mean;
    if (discharges.empty()) {
        return mean;
    }
    mean.endVolts = discharges.front().endVolts;
    mean.lowestMa = discharges.front().lowestMa;
    for (const SteadyDischarge& d : discharges) {
        mean.drainMa += d.drainMa;
        mean.deliveredMah += d.deliveredMah;
        mean.lowestMa = std::min(mean.lowestMa, d.lowestMa);
        mean.highestMa = std::max(mean.highestMa, d.highestMa);
        mean.logs.insert(mean.logs.end(), d.logs.begin(), d.logs.end());
    }
    const double count = static_cast<double>(discharges.size());
    mean.drainMa /= count;
    mean.deliveredMah /= count;
    return mean;
}

namespace {

/// `points` without any at `drain`, and (drain, mAh) among them in rising drain.
InterpolationTable WithPoint(std::vector<std::pair<double, double>> points, double drain,
                             double mah) {
    points.erase(std::remove_if(points.begin(), points.end(),
                                [drain](const auto& point) { return point.first == drain; }),
                 points.end());
    points.emplace_back(drain, mah);
    std::sort(points.begin(), points.end());
    return InterpolationTable(std::move(points));
}

/// The capacity at the discharge's drain with which the model's predicted life under that
/// drain delivers the discharge's capacity: the life is linear in that capacity but for the
/// self-discharge, so a few rounds settle it.
Result<double> SettledCapacity(BatteryModel model, const SteadyDischarge& discharge) {
    const double drain = discharge.drainMa;
    const double parallel = model.cellsInParallel;
    // The pack under the cells' drain, to their end voltage, at the table's temperature. No
    // catalogue figure enters: the model's capacity table and voltages decide the life.
    DeratingConditions conditions;
    conditions.averageCurrent = conditions.peakCurrent = drain * parallel * 1e6;  // nA
    conditions.temperatureC = model.referenceTemperatureC;
    conditions.minimumVoltage = discharge.endVolts * model.cellsInSeries;
    conditions.steps = {{drain * parallel * 1e-3, 3600.0}};
    const BatteryRecord none;
    const std::vector<std::pair<double, double>> others = model.capacityVsCurrent.points();
    double capacity = discharge.deliveredMah;
    bool settled = false;
    for (int round = 0; round < kMaxRounds && !settled; ++round) {
        model.capacityVsCurrent = WithPoint(others, drain, capacity);
        const double delivered = ComputeDeratedLife(none, &model, conditions).hours * drain;
        if (!(delivered > 0.0)) {
            return Error{"At a steady " + Figure(drain) + " mA the model's loaded voltage lies "
                         "below the end voltage of " + Figure(discharge.endVolts) +
                         " V from the start, so no capacity makes it deliver the measured " +
                         Figure(discharge.deliveredMah) + " mAh."};
        }
        const double next = capacity * discharge.deliveredMah / delivered;
        settled = std::fabs(next - capacity) <= kSettled * capacity;
        capacity = next;
    }
    // Unsettled: something beside the capacity ends the life first, such as a shelf life.
    if (!settled || !(capacity > 0.0 && capacity < 1e9)) {
        return Error{"No capacity at " + Figure(drain) + " mA makes the model deliver the "
                     "measured " + Figure(discharge.deliveredMah) + " mAh."};
    }
    return capacity;
}

}  // namespace

Result<BatteryModel> WithSteadyCapacity(BatteryModel model, const SteadyDischarge& discharge,
                                        const std::string& citation) {
    const double drain = discharge.drainMa;
    if (!(drain > 0.0 && drain < 1e7 && discharge.deliveredMah > 0.0 &&
          discharge.deliveredMah < 1e9 && discharge.endVolts > 0.0 &&
          discharge.endVolts < 1e3)) {
        return Error{"The steady discharge gives no usable drain, capacity or end voltage."};
    }
    const Result<double> capacity = SettledCapacity(model, discharge);
    if (!capacity) {
        return capacity.error();
    }
    model.capacityVsCurrent = WithPoint(model.capacityVsCurrent.points(), drain, *capacity);

    std::string logs;
    for (const std::string& log : discharge.logs) {
        logs += (logs.empty() ? "" : ", ") + log;
    }
    const std::string what =
        discharge.logs.size() == 1 ? "the steady discharge log " : "the steady discharge logs ";
    std::string source = "Capacity at " + Figure(drain) + " mA from " + what + logs;
    if (!citation.empty()) {
        source += " (" + citation + ")";
    }
    source += ": " + Figure(discharge.deliveredMah) + " mAh per cell on average to " +
              Figure(discharge.endVolts) + " V";
    model.sources += (model.sources.empty() ? "" : "\n") + source;
    model.comment += (model.comment.empty() ? "" : " ") + std::string("The capacity of ") +
                     Figure(*capacity) + " mAh at " + Figure(drain) +
                     " mA per cell is set so that the model's predicted life under that steady "
                     "drain delivers the " + Figure(discharge.deliveredMah) + " mAh to " +
                     Figure(discharge.endVolts) +
                     " V that steady discharges measured: a capacity measured under load to an "
                     "end voltage already holds the drop across the cell's resistance, which the "
                     "model's resistance takes again.";
    MeasuredRange& range = model.range;
    range.source += (range.source.empty() ? "" : "; ") +
                    std::string("the steady discharges' currents");
    range.lowestCurrentMa = std::min(range.lowestCurrentMa.value_or(discharge.lowestMa),
                                     discharge.lowestMa);
    range.highestCurrentMa = std::max(range.highestCurrentMa.value_or(discharge.highestMa),
                                      discharge.highestMa);
    return Readable(std::move(model), "The model with the steady discharge's capacity lies outside "
                                      "what a battery model may hold: ");
}

}  // namespace runwell
