#include "battery/PathWalk.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Numbers.h"
#include "estimate/ProfileResults.h"

namespace runwell {

namespace {

constexpr double kYearHours = 8760.0;  // 365 days
constexpr double kLongestLifeHours = 1000.0 * kYearHours;  // a walk that never ends stops
constexpr double kWeekHours = 168.0;  // spans at least this long start a point of the curve

/// The cell at one of the walk's loads.
struct LoadState {
    CellCircuit circuit;
    PulseDips dips;
    double capacity = 0.0;  // mAh
    double k = 0.0;         // self-discharge per hour
    double fixedMa = 0.0;
    InterpolationTable power;  // mW against volts

    double AverageMa(double volts) const {
        return power.empty() || !(volts > 0.0) ? fixedMa : fixedMa + power.At(volts, 0.0) / volts;
    }
    double Loaded(double depth) const {
        return circuit.Ocv(depth) - dips.Drop(circuit.R0(depth), circuit.R1(depth));
    }
};

bool PulseAware(const BatteryModel& model) {
    return !model.polarisationVsDepth.empty() ||
           std::any_of(model.temperatures.begin(), model.temperatures.end(),
                       [](const TemperatureTables& t) { return !t.polarisationVsDepth.empty(); });
}

std::vector<LoadState> StatesOf(const BatteryRecord& battery, const BatteryModel& model,
                                const PathWalkInput& input) {
    const double rated = static_cast<double>(battery.capacityMah);
    const double nominal = ReadReal(battery.nominalVoltage);
    const bool pulseAware = PulseAware(model);
    std::vector<LoadState> states;
    states.reserve(input.loads.size());
    for (const CellLoad& load : input.loads) {
        const CellCircuit circuit(model, load.temperatureC, load.capacityDrainMa, rated, nominal);
        LoadState state{circuit,
                        PulseDips(pulseAware ? load.steps : std::vector<LoadStep>{},
                                  circuit.tauSeconds(), load.peakAmps),
                        0.0, 0.0, load.fixedMa, InterpolationTable(load.powerMwVsVolts)};
        state.capacity = circuit.capacityMah() * input.capacityFactor;
        state.k = SelfDischargePerHour(battery, model, load.temperatureC);
        states.push_back(std::move(state));
    }
    return states;
}

/// The walk's running figures.
struct Progress {
    double drawn = 0.0;      // mAh taken from the cell, self-discharge included
    double delivered = 0.0;  // mAh to the device
    double hours = 0.0;      // in use
    double shelfLeft = std::numeric_limits<double>::infinity();
    const char* limit = nullptr;
};

/// Spends `hours` of storage at `state`: only self-discharge.
void Store(const LoadState& state, double hours, Progress& progress) {
    const double spent = std::min(hours, progress.shelfLeft);
    const double remaining = std::max(0.0, state.capacity - progress.drawn);
    progress.drawn = state.capacity - remaining * std::exp(-state.k * spent);
    progress.shelfLeft -= spent;
    if (spent < hours) {
        progress.limit = kLimitSelfDischarge;
    }
}

/// Walks one span of use; sets progress.limit when the life ends within it.
void Use(const LoadState& state, double spanHours, double limitVolts, const char* voltageLimit,
         DeratedLife& life, Progress& progress) {
    const bool checkVoltage = state.circuit.hasVoltage();
    const double capacity = state.capacity;
    double left = spanHours;
    double depth = capacity > 0.0 ? progress.drawn / capacity : 1.0;
    if (depth >= 1.0) {
        progress.limit = kLimitCapacity;
        return;
    }
    double voltage = checkVoltage ? state.Loaded(depth) : 0.0;
    if (checkVoltage && voltage < limitVolts) {
        progress.limit = voltageLimit;
        return;
    }
    if (checkVoltage && (spanHours >= kWeekHours || life.curve.empty())) {
        life.curve.push_back({progress.hours, voltage});
    }
    while (left > 0.0 && progress.limit == nullptr) {
        double nextDepth =
            std::min(1.0, (std::floor(depth * kDeratingSteps + 1e-9) + 1.0) / kDeratingSteps);
        // The current of a voltage-dependent load at the step's middle.
        const double load = state.AverageMa(state.circuit.Ocv((depth + nextDepth) / 2.0));
        double to = capacity * (1.0 - nextDepth);
        const char* ending = nextDepth >= 1.0 ? kLimitCapacity : nullptr;
        double nextVoltage = checkVoltage ? state.Loaded(nextDepth) : 0.0;
        if (checkVoltage && nextVoltage < limitVolts) {
            // The crossing, linear in charge within the step.
            const double share = (voltage - limitVolts) / (voltage - nextVoltage);
            to = capacity * (1.0 - depth - share * (nextDepth - depth));
            nextVoltage = limitVolts;
            ending = voltageLimit;
        }
        const double from = capacity - progress.drawn;
        double spent = load > 0.0 || state.k > 0.0 ? HoursBetween(from, to, load, state.k)
                                                   : std::numeric_limits<double>::infinity();
        const double allowed = std::min(left, progress.shelfLeft);
        if (!(spent <= allowed)) {
            spent = allowed;
            to = ChargeAfter(from, spent, load, state.k);
            nextDepth = 1.0 - to / capacity;
            nextVoltage = checkVoltage ? state.Loaded(nextDepth) : 0.0;
            ending = allowed == progress.shelfLeft && allowed < left ? kLimitSelfDischarge
                                                                     : nullptr;
        }
        progress.drawn = capacity - to;
        progress.delivered += load * spent;
        progress.hours += spent;
        progress.shelfLeft -= spent;
        left -= spent;
        depth = nextDepth;
        voltage = nextVoltage;
        if (checkVoltage && spent > 0.0) {
            life.curve.push_back({progress.hours, voltage});
        }
        progress.limit = ending;
    }
}

}  // namespace

DeratedLife WalkPath(const BatteryRecord& battery, const BatteryModel& model,
                     const PathWalkInput& input) {
    DeratedLife life;
    life.hasModel = true;
    life.lifeText = "?";
    life.minimumVoltage = input.limitVolts;
    if (input.year.empty() || input.loads.empty()) {
        return life;
    }
    const std::vector<LoadState> states = StatesOf(battery, model, input);
    life.nominalVoltageOnly = states.front().circuit.nominalOnly();
    Progress progress;
    if (model.shelfLifeYears) {
        progress.shelfLeft = *model.shelfLifeYears * kYearHours;
    }
    for (const LoadSpan& span : input.storage) {
        Store(states[static_cast<std::size_t>(span.load)], span.hours, progress);
    }
    while (progress.limit == nullptr && progress.hours < kLongestLifeHours) {
        const double before = progress.hours;
        for (const LoadSpan& span : input.year) {
            Use(states[static_cast<std::size_t>(span.load)], span.hours, input.limitVolts,
                input.voltageLimit, life, progress);
            if (progress.limit != nullptr) {
                break;
            }
        }
        if (!(progress.hours > before)) {
            break;  // a year without time: nothing moves
        }
    }
    life.limitingFactor = progress.limit != nullptr ? progress.limit : kLimitCapacity;
    if (life.limitingFactor == std::string(kLimitCapacity) &&
        progress.delivered < progress.drawn - progress.delivered) {
        life.limitingFactor = kLimitSelfDischarge;  // self-discharge took more than the device
    }
    life.hours = progress.hours;
    const double rated = static_cast<double>(battery.capacityMah);
    life.usableFraction = rated > 0.0 ? progress.delivered / rated : 0.0;
    if (life.hours > 0.0) {
        life.lifeText = FormatBatteryLife(SaturateToInt64(life.hours * (1.0 + 1e-12)));
    }
    return life;
}

}  // namespace runwell
