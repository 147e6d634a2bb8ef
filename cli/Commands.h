#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "model/DataLocation.h"

namespace runwell::cli {

/// Exit statuses of runwell-cli.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;  // a load, refresh or write failed; nothing was written
inline constexpr int kUsage = 2;

/// Printed on standard error when the report could not be written to standard output.
inline constexpr const char* kStdoutWriteFailed =
    "runwell-cli: the report could not be written to standard output.";

/// Starts as the main window starts (device scan, battery catalogue, first device) from
/// `data`, loads `settings` as Load Settings does, and writes the report Create Report
/// would write: to `output` when given (".txt" appended when it holds no '.'), else to `out`.
/// Messages go to `err`; a custom battery file that could not be created is named there only
/// when `verbose`.
int RunReport(const DataLocation& data, const std::filesystem::path& settings,
              const std::optional<std::filesystem::path>& output, std::ostream& out,
              std::ostream& err, bool verbose = false);

/// Loads `settings`, opens every mode in the mode editor and confirms it unchanged, so its
/// figures are recomputed from the current device data, and saves the profile to `output`
/// (".set" appended when it holds no '.'). A mode that cannot be confirmed is kept as it was
/// and named on `err`. Start-up as for RunReport.
int RunRefresh(const DataLocation& data, const std::filesystem::path& settings,
               const std::filesystem::path& output, std::ostream& err, bool verbose = false);

}  // namespace runwell::cli
