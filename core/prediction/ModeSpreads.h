#pragma once

#include <string>
#include <vector>

#include "base/Result.h"
#include "estimate/ModeRecord.h"
#include "prediction/LifePrediction.h"

namespace runwell {

/// One row of the per-mode spread editor: the mode as the mode list shows it, numbered from 1
/// as the worst corner names it, and the figure its field starts with.
struct ModeSpreadRow {
    std::string mode;  // "2  Radio (IDLE, 1MHZ)"
    std::string text;  // the mode's own spread, percent; empty for the profile's
};

std::vector<ModeSpreadRow> ModeSpreadRows(const std::vector<ModeRecord>& modes,
                                          const PredictionOptions& options);

/// The editor's line above the rows: what a field holds and what an empty one means.
std::string ModeSpreadNote(const PredictionOptions& options);

/// `options` with the modes' spreads their fields hold (`texts`, one per mode of `modes` as
/// ModeSpreadRows gave them): an empty field takes the profile's spread, a field left as it was
/// keeps its exact figure. Trailing modes without a spread of their own are not kept, and when
/// no mode's spread changed the options come back as they were. An error naming the first
/// mode whose field holds no number from 0 to kMaxDeviceSpreadPercent.
Result<PredictionOptions> WithModeSpreadTexts(PredictionOptions options,
                                              const std::vector<ModeRecord>& modes,
                                              const std::vector<std::string>& texts);

}  // namespace runwell
