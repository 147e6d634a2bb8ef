#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "base/Result.h"
#include "prediction/LifePrediction.h"

namespace runwell {

/// The options as a JSON object, with only what is set: "regulator" and "mission" (each the
/// whole content of its file, so a profile carries them wherever it goes), "currentSpreadPercent",
/// "modeSpreadPercent" (a list of a number or null per mode), "capacitySpreadPercent" and
/// "worstCase". Default options give an empty object.
nlohmann::json PredictionOptionsJson(const PredictionOptions& options);

/// Reads what PredictionOptionsJson writes. Unknown keys are refused; a message names the field
/// below `where` ("prediction.mission: ...").
Result<PredictionOptions> ParsePredictionOptions(const nlohmann::json& object,
                                                 const std::string& where);

}  // namespace runwell
