#pragma once

#include <string>

namespace runwell {

class Workspace;
struct TraceShown;

/// The analyses of the workspace's profile for scripts, as JSON (texts are the 8-bit bytes as
/// Latin-1 characters, as in the results JSON) or as CSV (RFC 4180, CR LF, the bytes as they
/// are). The rows of the battery comparison are in catalogue order, each with its index.
std::string BatteryComparisonJsonOf(const Workspace& workspace);
std::string BatteryComparisonCsvOf(const Workspace& workspace);
/// The life at every voltage x temperature of the device; the CSV has one row per point.
std::string OperatingPointMatrixJsonOf(const Workspace& workspace);
std::string OperatingPointMatrixCsvOf(const Workspace& workspace);

/// What `runwell-cli trace` shows, for scripts: numbers as numbers, not as the texts of the
/// table. JSON ("format": "runwell-trace", "version": 1): the layout the header was read as,
/// the malformed lines, the figures of the range (times in s, currents in nA, the charge in
/// nA*s), the tolerance (relative), the modes with the fields and units of the results JSON
/// (duration in us, currents in nA, charge in nA*us) and one object per battery in catalogue
/// order, shaped as the battery comparison's (life and derated life in hours, null when they
/// cannot be given). The file's captions and messages keep their UTF-8 and take any other byte
/// as its Latin-1 character; the data files' texts are Latin-1, as in the results JSON.
std::string TraceJsonOf(const TraceShown& shown);

/// The battery rows as CSV (RFC 4180, CR LF, the bytes as they are), in catalogue order: index,
/// description, current (1 for the current battery), capacityMah, lifeHours (empty when the life
/// cannot be told), life, averageOverLimit and peakOverLimit (1 or 0), deratedHours (three
/// decimals at most, empty without a model or a life), deratedLife, limitingFactor.
std::string TraceCsvOf(const TraceShown& shown);

}  // namespace runwell
