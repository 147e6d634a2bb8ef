#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cell/BatteryModel.h"
#include "estimate/BatteryRecord.h"
#include "estimate/ModeRecord.h"
#include "trace/TraceStatistics.h"

namespace runwell {

/// The levels of a trace as a profile the settings file holds: each level is a mode on the
/// SLEEP row at frequency "0" with no peripheral on, its measured current carried as the system
/// current above the SLEEP current (negative when the level lies below it), its duration the
/// level's summed time. The total current and charge are what the mode editor computes for
/// those inputs, so a mode confirmed unchanged keeps its figures. Labels are "Trace 1",
/// "Trace 2", ... in order of first appearance.
///
/// A level whose peak lies above zero and above its mean (as floats) keeps the peak in a mode,
/// "Trace N peak", right after it: the peak current for as long as its sample lasted, taken out
/// of the level, whose mode then holds the mean of its other samples. The charge stays the
/// level's to rounding, and the profile's peak is the trace's measured peak, not below it (the
/// pulse limit is checked against it).
std::vector<ModeRecord> TraceModes(const std::vector<TraceLevel>& levels,
                                   std::uint32_t sleepCurrent);

/// What a trace's average and peak give on one battery: the figures of the main window for a
/// profile whose average current is the trace's average and whose peak is the trace's peak.
struct TraceBatteryFigures {
    std::string description;
    std::uint32_t capacityMah = 0;
    std::string capacity;  // "%d mAh"
    std::int64_t lifeHours = 0;  // whole hours, truncated; 0 when the life is "?"
    std::string lifeText;
    std::string averageText;  // with the continuous-current warning when over the limit
    bool averageWarning = false;
    std::string peakText;  // with the pulse-current warning when over the limit
    bool peakWarning = false;
    bool hasModel = false;
    double deratedHours = 0.0;    // 0 when it cannot be given
    std::string limitingFactor;   // empty without model or load
    std::string deratedText;  // as the "Predicted life" field: "no model" without a model
};

/// Where the derated life of a trace is reckoned, as the main window takes it: the selected
/// temperature and the device's minimum operating voltage (nothing: each cell's cut-off).
struct TraceDerating {
    double temperatureC = 25.0;
    std::optional<double> minimumVoltage;
};

/// The figures on `battery`, computed by the profile results themselves: the life and the
/// average from a one-mode profile at the average, the peak from one at the peak, and the derated
/// life of `model` (none: "no model") for that average and peak, as the window computes it.
TraceBatteryFigures TraceFiguresOn(const TraceStatistics& statistics, const BatteryRecord& battery,
                                   const BatteryModel* model = nullptr,
                                   const TraceDerating& derating = {});
/// The same for every battery of the catalogue, in catalogue order; `models` holds one entry per
/// battery (missing entries: no model).
std::vector<TraceBatteryFigures> TraceFiguresOnEvery(
    const TraceStatistics& statistics, const std::vector<BatteryRecord>& batteries,
    const std::vector<std::optional<BatteryModel>>& models = {},
    const TraceDerating& derating = {});

}  // namespace runwell
