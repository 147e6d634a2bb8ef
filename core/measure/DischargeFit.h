#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Result.h"
#include "cell/BatteryModel.h"
#include "measure/DischargeLog.h"

namespace runwell {

/// How a fitted discharge log becomes a model.
struct DischargeFitOptions {
    std::string battery;   // the catalogue description the model is for
    std::string logName;   // the log's file name, for the model's sources and fit record
    std::string date;      // YYYY-MM-DD, the day of the fit
    std::optional<double> temperatureC;   // of the cell during the log
    std::optional<double> cutoffVolts;    // the discharge ends at the first sample below it
    std::string citation;  // where the log was published; optional, added to the sources
    /// The maker's rated capacity per cell (mAh) at its drain (mA), added to the capacity the
    /// log delivered; 0: none.
    double ratingMah = 0.0, ratingMa = 0.0;
};

/// Fits the equivalent circuit of BatteryModel version 2 to a pulsed or stepped discharge fed
/// sample by sample, in constant memory whatever the log's length. A steady discharge (no current
/// step: a constant current or a resistor) gives only the delivered capacity at its average drain.
///
/// A current step between two samples is an edge: R0 is the voltage step over the current step,
/// the voltage before it carried on at the slope of the level's last two samples.
/// The voltage's relaxation after the edge, V(t) = c + s t + A exp(-t / tau) with a slow drift s
/// of the open-circuit voltage, is fitted from the sums of V over four equal consecutive windows
/// from the edge (a difference of differences cancels c and s): tau from the ratio of the
/// differences, A from their size, and R1 = A / current step, taken only where the level before
/// the edge lasted long enough to have relaxed. At the end of a rest (a level entered by a step
/// down) that lasted long enough, OCV = V + I (R0 + R1). The charge is the current integrated.
/// The figures gather in at most kMaxBins bins of delivered charge, neighbours merged when full.
class DischargeFitter final : public DischargeSampleSink {
public:
    static constexpr std::size_t kMaxBins = 256;
    static constexpr int kScales = 28;  // windows of 2^k samples

    /// With a cut-off, the discharge ends at the first sample below it: later ones are not fed.
    explicit DischargeFitter(std::optional<double> cutoffVolts = std::nullopt)
        : cutoff_(cutoffVolts) {}

    void Add(double seconds, double volts, double amps) override;
    /// The model, or why the log fits none: no charge, no rest long enough after its steps.
    Result<BatteryModel> Finish(const DischargeFitOptions& options) const;

    double chargeCoulombs() const { return charge_; }
    /// Whether the log held a current step so far: without one the discharge is steady.
    bool stepped() const { return edges_ > 0; }
    /// Whether a sample fell below the cut-off, so the log reached it.
    bool reachedCutoff() const { return ended_; }

private:
    struct Bin {
        std::int64_t key = 0;  // charge / bin width, rounded down
        double charge = 0.0;   // sum of the figures' charges
        double count = 0.0;
        double ocv = 0.0, ocvCount = 0.0;
        double r0 = 0.0, r0Count = 0.0;
        double r1 = 0.0, r1Count = 0.0;
    };
    /// The running sum of V since the edge as it stood after n, 2n, 3n and 4n samples of a
    /// scale of n samples, and the time of the sample after each.
    struct Marks {
        std::array<double, 4> sum{};
        std::array<double, 4> time{};
        int done = 0;
    };
    /// The level the current holds since the last edge.
    struct Level {
        double start = 0.0;        // time of the edge
        double charge = 0.0;       // delivered by then
        double amps = 0.0;         // current at the edge
        double step = 0.0;         // current step of the edge
        double r0 = 0.0;
        double before = 0.0;       // how long the level before lasted
        double lastVolts = 0.0;
        double sum = 0.0;          // of V since the edge
        std::int64_t count = 0;
        std::int64_t nextMark = 0;  // the sample count at which a scale's next mark falls
        std::array<Marks, kScales> marks{};
    };

    void StartLevel(double seconds, double volts, double amps, double step);
    void AddToLevel(double seconds, double volts);
    void EndLevel(double seconds);
    /// Tau and the relaxation's amplitude from the level's windows, where one scale fits.
    bool Relaxation(double& tau, double& amplitude) const;
    /// The model's capacity (a rating given is named in its comment), cut-off, measured range
    /// and fit record.
    void Describe(const DischargeFitOptions& options, BatteryModel& model) const;
    void AddFigure(double charge, double Bin::*sum, double Bin::*count, double value);

    bool started_ = false;
    bool ended_ = false;  // the cut-off was passed
    std::optional<double> cutoff_;
    double firstTime_ = 0.0, lastTime_ = 0.0, lastVolts_ = 0.0, lastAmps_ = 0.0;
    double previousTime_ = 0.0, previousVolts_ = 0.0;  // the sample before the last
    double charge_ = 0.0;
    double lowestVolts_ = 0.0, lowestAmps_ = 0.0, highestAmps_ = 0.0;
    double longestPulse_ = 0.0;
    double tauSum_ = 0.0, tauWeight_ = 0.0;
    double lastR1_ = -1.0;  // the latest R1 measured; none yet while negative
    std::int64_t edges_ = 0;
    Level level_;
    double binWidth_ = 1e-3;  // coulombs, doubled whenever the bins are merged
    std::vector<Bin> bins_;
};

/// Reads the log at `path` and fits it.
Result<BatteryModel> FitDischargeLog(const std::filesystem::path& path,
                                     const DischargeFitOptions& options);

}  // namespace runwell
