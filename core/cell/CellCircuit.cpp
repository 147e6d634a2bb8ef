#include "cell/CellCircuit.h"

#include <algorithm>
#include <cmath>

namespace runwell {

CellCircuit::CellCircuit(const BatteryModel& model, double temperatureC, double loadMa,
                         double ratedMah, double nominalVolts)
    : series_(model.cellsInSeries), parallel_(model.cellsInParallel) {
    nominal_ = nominalVolts > 0.0 && nominalVolts <= 100.0 ? nominalVolts / series_ : 0.0;
    Entry reference;
    reference.temperature = model.referenceTemperatureC;
    reference.capacity = model.capacityVsCurrent.empty()
                             ? ratedMah / parallel_
                             : model.capacityVsCurrent.At(loadMa / parallel_, ratedMah);
    reference.tau = model.polarisationSeconds;
    reference.ocv = &model.openCircuitVoltageVsDepth;
    reference.r0 = &model.resistanceVsDepth;
    reference.r1 = &model.polarisationVsDepth;

    std::vector<Entry> entries{reference};
    for (const TemperatureTables& t : model.temperatures) {
        Entry entry = reference;
        entry.temperature = t.temperatureC;
        entry.capacity = t.capacityMah.value_or(reference.capacity);
        entry.tau = t.polarisationSeconds.value_or(reference.tau);
        entry.ocv = t.openCircuitVoltageVsDepth.empty() ? reference.ocv
                                                        : &t.openCircuitVoltageVsDepth;
        entry.r0 = t.resistanceVsDepth.empty() ? reference.r0 : &t.resistanceVsDepth;
        entry.r1 = t.polarisationVsDepth.empty() ? reference.r1 : &t.polarisationVsDepth;
        entries.push_back(entry);
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.temperature < b.temperature; });
    low_ = high_ = entries.front();
    if (!(temperatureC > entries.front().temperature)) {  // also NaN
        low_ = high_ = entries.front();
    } else if (temperatureC >= entries.back().temperature) {
        low_ = high_ = entries.back();
    } else {
        for (std::size_t i = 1; i < entries.size(); ++i) {
            if (temperatureC < entries[i].temperature) {
                low_ = entries[i - 1];
                high_ = entries[i];
                weight_ = (temperatureC - low_.temperature) /
                          (high_.temperature - low_.temperature);
                break;
            }
        }
    }
    double capacityFactor = 1.0;
    if (model.temperatures.empty()) {  // the version 1 factors, where no table per temperature
        capacityFactor = model.capacityFactorVsTemperature.At(temperatureC, 1.0);
        resistanceFactor_ = model.resistanceFactorVsTemperature.At(temperatureC, 1.0);
    }
    const double perCell = low_.capacity + weight_ * (high_.capacity - low_.capacity);
    capacity_ = (model.capacityVsCurrent.empty() && model.temperatures.empty()
                     ? ratedMah
                     : perCell * parallel_) *
                capacityFactor;
    tau_ = low_.tau + weight_ * (high_.tau - low_.tau);
    const bool anyOcv = !low_.ocv->empty() || !high_.ocv->empty();
    hasVoltage_ = anyOcv || nominal_ > 0.0;
    nominalOnly_ = !anyOcv && hasVoltage_;
}

double CellCircuit::Blend(const InterpolationTable* Entry::*table, double depth,
                          double fallback) const {
    const double low = (low_.*table)->At(depth, fallback);
    if (weight_ == 0.0) {
        return low;
    }
    return low + weight_ * ((high_.*table)->At(depth, fallback) - low);
}

double CellCircuit::Ocv(double depth) const { return series_ * Blend(&Entry::ocv, depth, nominal_); }

double CellCircuit::R0(double depth) const {
    return series_ / parallel_ * resistanceFactor_ * Blend(&Entry::r0, depth, 0.0);
}

double CellCircuit::R1(double depth) const {
    return series_ / parallel_ * resistanceFactor_ * Blend(&Entry::r1, depth, 0.0);
}

PulseDips::PulseDips(const std::vector<LoadStep>& steps, double tau, double peakAmps) {
    std::vector<Point> all;
    if (steps.empty()) {
        all.push_back({peakAmps, peakAmps, -1});
    } else if (!(tau > 0.0)) {
        // No time constant: the polarisation follows the current at once.
        for (std::size_t i = 0; i < steps.size(); ++i) {
            all.push_back({steps[i].amps, steps[i].amps, static_cast<int>(i)});
        }
    } else {
        // One period from u = 0 gives u_end = a u_0 + b; the steady state has u_0 = b / (1 - a).
        double a = 1.0;
        double b = 0.0;
        double charge = 0.0, time = 0.0;
        for (const LoadStep& step : steps) {
            const double seconds = std::max(0.0, step.seconds);
            const double decay = std::exp(-seconds / tau);
            a *= decay;
            b = step.amps + (b - step.amps) * decay;
            charge += step.amps * seconds;
            time += seconds;
        }
        double u = 1.0 - a > 1e-12 ? b / (1.0 - a) : (time > 0.0 ? charge / time : 0.0);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const double decay = std::exp(-std::max(0.0, steps[i].seconds) / tau);
            const double end = steps[i].amps + (u - steps[i].amps) * decay;
            all.push_back({steps[i].amps, u, static_cast<int>(i)});
            all.push_back({steps[i].amps, end, static_cast<int>(i)});
            u = end;
        }
    }
    // Keep the points no other point exceeds in both current and polarisation. A value that is
    // not a number cannot be ordered: such points are all kept.
    const auto finite = std::partition(all.begin(), all.end(), [](const Point& point) {
        return std::isfinite(point.amps) && std::isfinite(point.polarisation);
    });
    points_.assign(finite, all.end());
    all.erase(finite, all.end());
    std::sort(all.begin(), all.end(), [](const Point& x, const Point& y) {
        return x.amps != y.amps ? x.amps > y.amps : x.polarisation > y.polarisation;
    });
    double highestPolarisation = -INFINITY;
    for (const Point& point : all) {
        if (point.polarisation > highestPolarisation) {
            points_.push_back(point);
            highestPolarisation = point.polarisation;
        }
    }
}

double PulseDips::Drop(double r0, double r1) const {
    double deepest = -INFINITY;
    for (const Point& point : points_) {
        const double drop = point.amps * r0 + point.polarisation * r1;
        if (std::isnan(drop)) {
            return drop;  // shows, never hides behind a number
        }
        deepest = std::max(deepest, drop);
    }
    return points_.empty() ? 0.0 : deepest;
}

int PulseDips::DeepestStep(double r0, double r1) const {
    int step = -1;
    double deepest = -INFINITY;
    for (const Point& point : points_) {
        const double drop = point.amps * r0 + point.polarisation * r1;
        if (drop > deepest) {
            deepest = drop;
            step = point.step;
        }
    }
    return step;
}

}  // namespace runwell
