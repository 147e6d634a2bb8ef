#include "prediction/PathLoad.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <unordered_map>

#include "mission/TemperatureCurrent.h"

namespace runwell {

namespace {

/// The key of a mode's kind: its current at every characterised temperature and its spread.
struct KindKey {
    std::vector<std::uint64_t> bits;
    bool operator==(const KindKey&) const = default;
};

struct KindHash {
    std::size_t operator()(const KindKey& key) const {
        std::uint64_t hash = 0xcbf29ce484222325u;
        for (const std::uint64_t bits : key.bits) {
            hash = (hash ^ bits) * 0x100000001b3u;
        }
        return static_cast<std::size_t>(hash);
    }
};

/// The period's time-weighted average of the kinds' `amps`, A; 0 for a period of no time.
double AverageOf(const ModeTable& table, const std::vector<double>& amps) {
    double charge = 0.0, time = 0.0;
    for (std::size_t k = 0; k < amps.size(); ++k) {
        charge += amps[k] * table.kindSeconds[k];
        time += table.kindSeconds[k];
    }
    return time > 0.0 ? charge / time : 0.0;
}

/// The period's steps from the kinds' `amps`.
std::vector<LoadStep> StepsOf(const ModeTable& table, const std::vector<double>& amps) {
    std::vector<LoadStep> steps(table.kindOf.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i] = {amps[table.kindOf[i]], table.seconds[i]};
    }
    return steps;
}

/// The cell voltages a switching regulator's power is reckoned at: the range's ends and every
/// efficiency curve's input voltage between them.
std::vector<double> AnchorVolts(const Regulator& regulator, double low, double high) {
    std::vector<double> volts{low};
    for (const EfficiencyCurve& curve : regulator.efficiency) {
        if (curve.inputVolts > low && curve.inputVolts < high) {
            volts.push_back(curve.inputVolts);
        }
    }
    if (high > low) {
        volts.push_back(high);
    }
    return volts;
}

}  // namespace

ModeTable ModeTableOf(const std::vector<LoadStep>& steps,
                      const std::vector<TemperatureModes>& characterised,
                      const std::vector<double>& spreadPercent) {
    ModeTable table;
    const std::size_t count = characterised.empty() ? steps.size()
                                                    : characterised.front().steps.size();
    for (const TemperatureModes& at : characterised) {
        table.temperatures.push_back(at.temperatureC);
    }
    std::sort(table.temperatures.begin(), table.temperatures.end());
    table.temperatures.erase(std::unique(table.temperatures.begin(), table.temperatures.end()),
                             table.temperatures.end());
    table.kindOf.resize(count);
    table.seconds.resize(count);
    std::unordered_map<KindKey, std::uint32_t, KindHash> kinds;
    KindKey key;
    std::vector<std::pair<double, double>> points;
    std::vector<double> currents;
    for (std::size_t i = 0; i < count; ++i) {
        currents.clear();
        if (characterised.empty()) {
            currents.push_back(steps[i].amps);
            table.seconds[i] = steps[i].seconds;
        } else {
            // Each characterised temperature's current in rising order; equal temperatures
            // are merged as CurrentAt merges them.
            points.clear();
            for (const TemperatureModes& at : characterised) {
                points.emplace_back(at.temperatureC, i < at.steps.size() ? at.steps[i].amps : 0.0);
            }
            const bool finite = std::all_of(points.begin(), points.end(), [](const auto& p) {
                return std::isfinite(p.first) && std::isfinite(p.second);
            });
            if (finite && points.size() == table.temperatures.size()) {
                std::sort(points.begin(), points.end());
                for (const auto& point : points) {
                    currents.push_back(point.second);
                }
            } else {
                for (const double t : table.temperatures) {
                    currents.push_back(CurrentAt(points, t).current);
                }
            }
            table.seconds[i] = characterised.front().steps[i].seconds;
        }
        const double spread = i < spreadPercent.size() ? spreadPercent[i] : 0.0;
        key.bits.clear();
        for (const double amps : currents) {
            key.bits.push_back(std::bit_cast<std::uint64_t>(amps));
        }
        key.bits.push_back(std::bit_cast<std::uint64_t>(spread));
        const auto [found, added] =
            kinds.try_emplace(key, static_cast<std::uint32_t>(table.currents.size()));
        if (added) {
            table.currents.push_back(currents);
            table.spreadPercent.push_back(spread);
            table.kindSeconds.push_back(0.0);
        }
        table.kindOf[i] = found->second;
        table.kindSeconds[found->second] += std::max(0.0, table.seconds[i]);
    }
    table.logSteps.resize(table.currents.size());
    for (std::size_t k = 0; k < table.currents.size(); ++k) {
        const std::vector<double>& at = table.currents[k];
        for (std::size_t t = 0; t + 1 < at.size(); ++t) {
            table.logSteps[k].push_back(at[t] > 0.0 && at[t + 1] > 0.0 ? std::log(at[t + 1] / at[t])
                                                                       : 0.0);
        }
    }
    return table;
}

std::vector<double> KindAmpsAt(const ModeTable& table, double temperatureC, bool highCurrents,
                               bool& outside) {
    // The neighbouring characterised temperatures and the share between them are the same
    // for every kind: each kind costs one interpolation.
    const std::vector<double>& temperatures = table.temperatures;
    std::size_t low = 0, high = 0;
    double share = 0.0;
    if (temperatures.size() > 1) {
        if (!(temperatureC >= temperatures.front())) {  // also NaN
            outside = true;
        } else if (temperatureC > temperatures.back()) {
            low = high = temperatures.size() - 1;
            outside = true;
        } else {
            high = static_cast<std::size_t>(
                std::lower_bound(temperatures.begin(), temperatures.end(), temperatureC) -
                temperatures.begin());
            low = temperatures[high] == temperatureC ? high : high - 1;
            share = low == high ? 0.0
                                : (temperatureC - temperatures[low]) /
                                      (temperatures[high] - temperatures[low]);
        }
    } else if (temperatures.size() == 1) {
        outside = outside || temperatures.front() != temperatureC;
    }
    std::vector<double> amps(table.currents.size());
    for (std::size_t k = 0; k < amps.size(); ++k) {
        const std::vector<double>& currents = table.currents[k];
        const double a = currents[low];
        const double b = currents[high];
        if (share == 0.0) {
            amps[k] = a;
        } else if (a > 0.0 && b > 0.0) {
            amps[k] = a * std::exp(share * table.logSteps[k][low]);  // log-linear, as CurrentAt
        } else {
            amps[k] = a + share * (b - a);
        }
        if (highCurrents) {
            amps[k] *= 1.0 + table.spreadPercent[k] / 100.0;
        }
    }
    return amps;
}

CellLoad LoadThroughPath(const ModeTable& table, const std::vector<double>& kindAmps,
                         const Regulator* regulator, double outputVolts, double lowVolts,
                         double highVolts, double temperatureC) {
    CellLoad load;
    load.temperatureC = temperatureC;
    if (regulator == nullptr) {
        load.steps = StepsOf(table, kindAmps);
        load.fixedMa = AverageOf(table, kindAmps) * 1e3;
    } else {
        // The battery's current at every voltage the power is reckoned at, lowVolts first.
        const std::vector<double> volts = regulator->kind == RegulatorKind::kLinear
                                              ? std::vector<double>{lowVolts}
                                              : AnchorVolts(*regulator, lowVolts, highVolts);
        const std::vector<std::vector<double>> amps =
            BatteryAmpsTable(*regulator, kindAmps, outputVolts, volts);
        const std::vector<double>& atLow = amps.front();
        load.steps = StepsOf(table, atLow);
        if (regulator->kind == RegulatorKind::kLinear) {
            load.fixedMa = AverageOf(table, atLow) * 1e3;
        } else {
            // The power drawn is smooth in the cell's voltage where the current is not (it
            // grows as 1 / V): the power is interpolated and the current follows from it.
            load.fixedMa = regulator->quiescentMicroamps * 1e-3;
            for (std::size_t v = 0; v < volts.size(); ++v) {
                const double average = AverageOf(table, amps[v]);
                load.powerMwVsVolts.emplace_back(volts[v],
                                                 (average * 1e3 - load.fixedMa) * volts[v]);
            }
        }
    }
    for (const LoadStep& step : load.steps) {
        load.peakAmps = std::max(load.peakAmps, step.amps);
    }
    // The capacity is reckoned at the drain of the cell's middle voltage.
    const double middle = (lowVolts + highVolts) / 2.0;
    load.capacityDrainMa = load.fixedMa;
    if (!load.powerMwVsVolts.empty() && middle > 0.0) {
        load.capacityDrainMa += InterpolationTable(load.powerMwVsVolts).At(middle, 0.0) / middle;
    }
    return load;
}

}  // namespace runwell
