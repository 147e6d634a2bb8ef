#include "measure/DischargeFit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "measure/ProfileImport.h"

namespace runwell {

namespace {

/// A change of current between two samples is an edge when it passes both of these: a fifth of
/// the larger current, and a microampere (below which a logger's noise lies).
constexpr double kEdgeFraction = 0.2;
constexpr double kMinStepAmps = 1e-6;
/// A level has relaxed after this many time constants (what is left: e^-5, under 1 %).
constexpr double kSettledTaus = 5.0;
/// The window scale chosen is the longest whose decay ratio lies within these: a ratio near 1
/// (windows much shorter than tau) or near 0 (much longer) measures tau poorly.
constexpr double kLowestRatio = 0.05;
constexpr double kHighestRatio = 0.9;
/// Windows whose lengths differ by more than this fraction are not compared.
constexpr double kEvenSampling = 0.01;

/// Points of one figure as table points, at most kModelTablePoints of them.
InterpolationTable TableOf(const std::vector<std::pair<double, double>>& points) {
    std::vector<std::array<double, 3>> rows;
    for (const auto& [x, y] : points) {
        if (rows.empty() || x > rows.back()[0]) {
            rows.push_back({x, y, y});
        }
    }
    std::vector<std::pair<double, double>> chosen;
    if (!rows.empty()) {
        for (std::size_t i : ChooseTablePoints(rows, kModelTablePoints)) {
            chosen.emplace_back(rows[i][0], rows[i][1]);
        }
    }
    return InterpolationTable(std::move(chosen));
}

/// A log of absurd figures fits a model no model file may hold: say so now, not on loading.
Result<BatteryModel> Checked(BatteryModel model) {
    return Readable(std::move(model),
                    "The fitted model lies outside what a battery model may hold: ");
}

}  // namespace

void DischargeFitter::Add(double seconds, double volts, double amps) {
    if (ended_) {
        return;
    }
    if (!started_) {
        started_ = true;
        firstTime_ = seconds;
        lowestVolts_ = volts;
        lowestAmps_ = highestAmps_ = amps;
        StartLevel(seconds, volts, amps, 0.0);
        lastTime_ = seconds;
        lastVolts_ = volts;
        lastAmps_ = amps;
        return;
    }
    const double step = amps - lastAmps_;
    const bool edge = std::fabs(step) > kMinStepAmps &&
                      std::fabs(step) > kEdgeFraction * std::max(std::fabs(amps),
                                                                 std::fabs(lastAmps_));
    if (edge) {
        EndLevel(seconds);
    }
    // Each sample's current holds until the next sample.
    charge_ += lastAmps_ * (seconds - lastTime_);
    if (edge) {
        StartLevel(seconds, volts, amps, step);
    } else {
        AddToLevel(seconds, volts);
    }
    lowestVolts_ = std::min(lowestVolts_, volts);
    lowestAmps_ = std::min(lowestAmps_, amps);
    highestAmps_ = std::max(highestAmps_, amps);
    previousTime_ = lastTime_;
    previousVolts_ = lastVolts_;
    lastTime_ = seconds;
    lastVolts_ = volts;
    lastAmps_ = amps;
    if (cutoff_ && volts < *cutoff_) {
        ended_ = true;
    }
}

void DischargeFitter::StartLevel(double seconds, double volts, double amps, double step) {
    const double before = seconds - level_.start;
    // The voltage the level before would have reached at this sample, carried on at the slope of
    // its last two samples: under a large current the open-circuit voltage falls between samples.
    double expected = lastVolts_;
    if (level_.count >= 2 && lastTime_ > previousTime_) {
        expected += (lastVolts_ - previousVolts_) / (lastTime_ - previousTime_) *
                    (seconds - lastTime_);
    }
    level_ = Level{};
    level_.start = seconds;
    level_.charge = charge_;
    level_.amps = amps;
    level_.step = step;
    level_.before = before;
    if (step != 0.0) {
        ++edges_;
        level_.r0 = -(volts - expected) / step;
    }
    level_.nextMark = 1;
    level_.sum = volts;
    level_.count = 1;
    level_.lastVolts = volts;
}

void DischargeFitter::AddToLevel(double seconds, double volts) {
    if (level_.count >= level_.nextMark) {
        // The sums so far, without this sample, end the windows this sample begins after.
        std::int64_t next = INT64_MAX;
        for (int k = 0; k < kScales; ++k) {
            Marks& marks = level_.marks[k];
            const std::int64_t window = std::int64_t{1} << k;
            while (marks.done < 4 && level_.count >= window * (marks.done + 1)) {
                marks.sum[marks.done] = level_.sum;
                marks.time[marks.done] = seconds;
                ++marks.done;
            }
            if (marks.done < 4) {
                next = std::min(next, window * (marks.done + 1));
            }
        }
        level_.nextMark = next;
    }
    level_.sum += volts;
    ++level_.count;
    level_.lastVolts = volts;
}

bool DischargeFitter::Relaxation(double& tau, double& amplitude) const {
    for (int k = kScales - 1; k >= 1; --k) {
        const Marks& marks = level_.marks[k];
        if (marks.done < 4) {
            continue;
        }
        // The windows hold 2^k samples each; they must last alike, as evenly taken samples do.
        const auto n = static_cast<double>(std::int64_t{1} << k);
        const double window = marks.time[0] - level_.start;
        bool even = window > 0.0;
        double mean[4];
        for (int i = 0; i < 4 && even; ++i) {
            even = std::fabs(marks.time[i] - level_.start - (i + 1) * window) <=
                   kEvenSampling * window;
            mean[i] = (marks.sum[i] - (i == 0 ? 0.0 : marks.sum[i - 1])) / n;
        }
        if (!even) {
            continue;
        }
        const double d0 = mean[1] - mean[0], d1 = mean[2] - mean[1], d2 = mean[3] - mean[2];
        const double ratio = (d2 - d1) / (d1 - d0);
        if (!(ratio >= kLowestRatio && ratio <= kHighestRatio)) {
            continue;
        }
        tau = -window / std::log(ratio);
        // The mean of exp(-t / tau) over the first window's samples, taken every window / n.
        const double perSample = std::exp(-window / n / tau);
        const double firstMean = (1.0 - ratio) / (1.0 - perSample) / n;
        amplitude = (d1 - d0) / (firstMean * (1.0 - ratio) * (1.0 - ratio));
        return std::isfinite(tau) && std::isfinite(amplitude);
    }
    return false;
}

void DischargeFitter::EndLevel(double seconds) {
    const double length = seconds - level_.start;
    if (level_.step == 0.0) {
        return;  // the log's first level: no edge began it
    }
    if (level_.step > 0.0) {
        longestPulse_ = std::max(longestPulse_, length);
    }
    if (std::isfinite(level_.r0) && level_.r0 >= 0.0) {
        AddFigure(level_.charge, &Bin::r0, &Bin::r0Count, level_.r0);
    }
    double tau = 0.0, amplitude = 0.0;
    if (!Relaxation(tau, amplitude) || !(tau > 0.0)) {
        return;
    }
    tauSum_ += tau * std::fabs(level_.step);
    tauWeight_ += std::fabs(level_.step);
    // Where the level before had not relaxed, the amplitude is not R1's alone: the last R1
    // measured stands in.
    if (level_.before >= kSettledTaus * tau) {
        lastR1_ = std::max(0.0, amplitude / level_.step);
        AddFigure(level_.charge, &Bin::r1, &Bin::r1Count, lastR1_);
    }
    if (level_.step < 0.0 && length >= kSettledTaus * tau && lastR1_ >= 0.0) {
        const double ocv = level_.lastVolts + level_.amps * (std::max(0.0, level_.r0) + lastR1_);
        AddFigure(charge_, &Bin::ocv, &Bin::ocvCount, ocv);
    }
}

void DischargeFitter::AddFigure(double charge, double Bin::*sum, double Bin::*count,
                                double value) {
    const auto key = static_cast<std::int64_t>(std::floor(std::max(0.0, charge) / binWidth_));
    if (bins_.empty() || bins_.back().key < key) {
        bins_.push_back(Bin{});
        bins_.back().key = key;
    }
    Bin& bin = bins_.back();  // a charge never falls: the last bin, or a new one
    bin.charge += charge;
    bin.count += 1.0;
    bin.*sum += value;
    bin.*count += 1.0;
    while (bins_.size() > kMaxBins) {
        // Twice the width: each pair of neighbours becomes one bin.
        binWidth_ *= 2.0;
        std::vector<Bin> merged;
        for (Bin b : bins_) {
            b.key /= 2;
            if (merged.empty() || merged.back().key != b.key) {
                merged.push_back(b);
                continue;
            }
            Bin& into = merged.back();
            for (double Bin::*field : {&Bin::charge, &Bin::count, &Bin::ocv, &Bin::ocvCount,
                                       &Bin::r0, &Bin::r0Count, &Bin::r1, &Bin::r1Count}) {
                into.*field += b.*field;
            }
        }
        bins_ = std::move(merged);
    }
}

void DischargeFitter::Describe(const DischargeFitOptions& options, BatteryModel& model) const {
    const double seconds = lastTime_ - firstTime_;
    const double averageMa = seconds > 0.0 ? charge_ / seconds * 1e3 : 0.0;
    const double capacityMah = charge_ / 3.6;
    model.capacityVsCurrent = WithRating({{std::max(0.0, averageMa), capacityMah}},
                                         options.ratingMah, options.ratingMa);
    model.comment += RatingComment(model.capacityVsCurrent, options.ratingMah, options.ratingMa);
    model.cutoffVoltage = cutoff_.value_or(lowestVolts_);
    MeasuredRange& range = model.range;
    range.source = "the log's currents, pulses and voltages";
    range.lowestCurrentMa = std::max(0.0, lowestAmps_ * 1e3);
    range.highestCurrentMa = std::max(0.0, highestAmps_ * 1e3);
    if (longestPulse_ > 0.0) {
        range.longestPulseSeconds = longestPulse_;
    }
    if (options.temperatureC) {
        range.lowestTemperatureC = range.highestTemperatureC = *options.temperatureC;
    }
    range.lowestEndVoltage = lowestVolts_;
    model.fit = FitRecord{options.logName, options.date, *range.lowestCurrentMa,
                          *range.highestCurrentMa};
}

Result<BatteryModel> DischargeFitter::Finish(const DischargeFitOptions& options) const {
    if (!(charge_ > 0.0)) {
        return Error{"The log delivers no charge; discharge current is positive."};
    }
    DischargeFitter done = *this;
    done.EndLevel(lastTime_);
    BatteryModel model;
    model.version = 2;
    model.battery = options.battery;
    model.sources = "Fitted from the discharge log " + options.logName;
    if (!options.citation.empty()) {
        model.sources += " (" + options.citation + ")";
    }
    model.referenceTemperatureC = options.temperatureC.value_or(20.0);
    if (done.edges_ == 0) {
        model.comment = "Fitted from a steady discharge: with no current step the log gives the "
                        "capacity delivered at its average drain, but cannot tell the "
                        "open-circuit voltage from the resistance, so neither is modelled.";
        done.Describe(options, model);
        return Checked(std::move(model));
    }
    std::vector<std::pair<double, double>> ocv, r0, r1;
    for (const Bin& bin : done.bins_) {
        const double depth = std::min(1.0, bin.charge / bin.count / charge_);
        if (bin.ocvCount > 0.0) {
            ocv.emplace_back(depth, bin.ocv / bin.ocvCount);
        }
        if (bin.r0Count > 0.0) {
            r0.emplace_back(depth, bin.r0 / bin.r0Count);
        }
        if (bin.r1Count > 0.0) {
            r1.emplace_back(depth, bin.r1 / bin.r1Count);
        }
    }
    if (ocv.empty()) {
        return Error{"No rest after a pulse lasted five time constants of the voltage's "
                     "relaxation, so the log gives no open-circuit voltage."};
    }
    model.comment = "Fitted from a pulsed discharge: R0 from the voltage steps at the current "
                    "steps, R1 and its time constant from the relaxation after them, the "
                    "open-circuit voltage at the end of the rests.";
    model.openCircuitVoltageVsDepth = TableOf(ocv);
    model.resistanceVsDepth = TableOf(r0);
    if (done.tauWeight_ > 0.0 && !r1.empty()) {
        model.polarisationVsDepth = TableOf(r1);
        model.polarisationSeconds = done.tauSum_ / done.tauWeight_;
    }
    done.Describe(options, model);
    return Checked(std::move(model));
}

Result<BatteryModel> FitDischargeLog(const std::filesystem::path& path,
                                     const DischargeFitOptions& options) {
    DischargeFitter fitter(options.cutoffVolts);
    const Result<std::int64_t> read = ReadDischargeLogFile(path, fitter);
    if (!read) {
        return read.error();
    }
    return fitter.Finish(options);
}

}  // namespace runwell
