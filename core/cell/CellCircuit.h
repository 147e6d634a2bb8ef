#pragma once

#include <vector>

#include "cell/BatteryModel.h"

namespace runwell {

/// One mode of a repeating profile as the cell sees it.
struct LoadStep {
    double amps = 0.0;
    double seconds = 0.0;
};

/// The equivalent circuit of a battery at one temperature and drain: the open-circuit voltage,
/// the resistance seen at once (R0) and the polarisation resistance (R1) that builds up with the
/// time constant tau, each against depth of discharge, and the capacity. The figures are the
/// pack's: cells in series add voltage and resistance, cells in parallel add capacity and divide
/// resistance. Between two measured temperatures every figure is interpolated linearly; beyond
/// the outermost the nearest holds.
class CellCircuit {
public:
    /// The circuit of `model` at `temperatureC` under an average drain of `loadMa` (the pack's);
    /// `ratedMah` and `nominalVolts` are the catalogue's, standing in for missing tables.
    CellCircuit(const BatteryModel& model, double temperatureC, double loadMa, double ratedMah,
                double nominalVolts);

    double capacityMah() const { return capacity_; }
    double tauSeconds() const { return tau_; }
    bool hasVoltage() const { return hasVoltage_; }
    bool nominalOnly() const { return nominalOnly_; }
    double Ocv(double depth) const;
    double R0(double depth) const;
    double R1(double depth) const;

private:
    struct Entry {
        double temperature = 0.0;
        double capacity = 0.0;  // per cell, mAh
        double tau = 0.0;
        const InterpolationTable* ocv = nullptr;
        const InterpolationTable* r0 = nullptr;
        const InterpolationTable* r1 = nullptr;
    };
    double Blend(const InterpolationTable* Entry::*table, double depth, double fallback) const;

    Entry low_, high_;
    double weight_ = 0.0;  // of high_
    double series_ = 1.0, parallel_ = 1.0;
    double resistanceFactor_ = 1.0;
    double nominal_ = 0.0;  // per cell
    double capacity_ = 0.0;
    double tau_ = 0.0;
    bool hasVoltage_ = false;
    bool nominalOnly_ = false;
};

/// The loads that can set a period's deepest dip: for every mode its current and the
/// polarisation current (the current R1 carries, in the periodic steady state) at the mode's start
/// and end. The loaded voltage is OCV - I x R0 - u x R1; only points that no other point exceeds
/// in both I and u are kept, so the dip at any depth costs a few operations.
class PulseDips {
public:
    /// `steps` is one period; without steps (only the average and the peak known), the peak is
    /// taken as drawn long enough to build up its polarisation.
    PulseDips(const std::vector<LoadStep>& steps, double tauSeconds, double peakAmps);

    /// The deepest drop below the open-circuit voltage in a period, V.
    double Drop(double r0, double r1) const;
    /// The mode (index into the steps) that sets the drop, or -1 without steps.
    int DeepestStep(double r0, double r1) const;

private:
    struct Point {
        double amps, polarisation;
        int step;
    };
    std::vector<Point> points_;
};

}  // namespace runwell
