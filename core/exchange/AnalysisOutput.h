#pragma once

#include <string>

namespace runwell {

class Workspace;

/// The analyses of the workspace's profile for scripts, as JSON (texts are the 8-bit bytes as
/// Latin-1 characters, as in the results JSON) or as CSV (RFC 4180, CR LF, the bytes as they
/// are). The rows of the battery comparison are in catalogue order, each with its index.
std::string BatteryComparisonJsonOf(const Workspace& workspace);
std::string BatteryComparisonCsvOf(const Workspace& workspace);
/// The life at every voltage x temperature of the device; the CSV has one row per point.
std::string OperatingPointMatrixJsonOf(const Workspace& workspace);
std::string OperatingPointMatrixCsvOf(const Workspace& workspace);

}  // namespace runwell
