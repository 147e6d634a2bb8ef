#pragma once

#include <filesystem>
#include <string>

#include "base/Result.h"
#include "cell/BatteryModel.h"

namespace runwell {

/// Today's date in UTC, YYYY-MM-DD: the date a model made now records.
std::string TodayUtc();

/// A model of the catalogue battery `battery` from the measurement in `file`: a battery profile
/// (JSON, its first byte that is not a blank is '{') is imported, anything else is fitted as a
/// discharge log, dated `date`. Fails with the importer's, the fitter's or the file's message.
Result<BatteryModel> ModelFromMeasurement(const std::filesystem::path& file,
                                          const std::string& battery, const std::string& date);

/// The file name a user's model of `battery` is kept under: its description with every byte
/// that is not an ASCII letter or digit turned into '-', then ".json".
std::string ModelFileName(const std::string& battery);

}  // namespace runwell
