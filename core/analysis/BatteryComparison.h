#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cell/BatteryModel.h"
#include "battery/DeratedLife.h"
#include "estimate/BatteryRecord.h"
#include "estimate/ModeRecord.h"
#include "prediction/LifePrediction.h"

namespace runwell {

class Workspace;

/// One battery of the catalogue under the current profile.
struct BatteryComparisonRow {
    int index = 0;  // the battery's row in the catalogue
    std::string description;
    std::int64_t lifeHours = 0;  // 0: cannot be told
    std::string lifeText;        // exactly as the life field would show it for this battery
    bool averageOver = false;    // average above the continuous limit (a limit of 0 is none)
    std::string averageVerdict;  // "ok", "over" or "no limit"
    bool peakOver = false;       // peak above the pulse limit
    std::string peakVerdict;
    bool hasModel = false;
    double deratedHours = 0.0;
    std::string deratedLifeText;  // the derated life, "?" or "no model"
    std::string limitingFactor;   // one of the kLimit texts; empty without model or load
    /// With a worst case asked for: the worst corner's life and what sets it.
    std::optional<DeratedLife> worst;
    std::string worstCorner;
    std::string problem;  // why the prediction cannot be made (the regulator's output)
};

inline constexpr const char* kVerdictOk = "ok";
inline constexpr const char* kVerdictOver = "over";
inline constexpr const char* kVerdictNoLimit = "no limit";

struct BatteryComparison {
    float average = 0.0f;    // nA, the profile's time-weighted average, as in the results
    std::uint32_t peak = 0;  // whole nA
    std::vector<BatteryComparisonRow> rows;  // catalogue order
};

/// Every battery of `batteries` under `modes`. `models` holds one entry per battery (nullptr:
/// no model) or is empty; `prediction`'s conditions give the temperature and minimum voltage
/// (its currents and steps are replaced by the profile's). The profile's average and peak are
/// computed once. The predicted life of each battery follows `options` (PredictLife).
BatteryComparison CompareBatteries(const std::vector<ModeRecord>& modes,
                                   const std::vector<BatteryRecord>& batteries,
                                   const std::vector<const BatteryModel*>& models,
                                   const PredictionInput& prediction,
                                   const PredictionOptions& options = {});

/// The comparison for the workspace's profile, temperature, minimum voltage and catalogue.
BatteryComparison CompareBatteries(const Workspace& workspace);

/// Orders `rows` by life, longest first (or shortest first); rows whose life cannot be told
/// come last either way, and equal lives keep catalogue order.
void SortByLife(std::vector<BatteryComparisonRow>& rows, bool longestFirst = true);

}  // namespace runwell
