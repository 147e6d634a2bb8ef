#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"

namespace runwell {

class Workspace;

/// The seven cells of one table line of the report.
using ReportCells = std::array<std::string, 7>;
/// The columns the first six cells are padded to: each following cell starts at its column, or
/// directly after the previous one when that reaches or passes it.
using ReportColumns = std::array<std::size_t, 6>;

inline constexpr ReportColumns kBatteryColumns = {18, 30, 52, 67, 82, 97};
inline constexpr ReportColumns kModeColumns = {10, 22, 39, 54, 66, 78};

/// What a report shows: the texts of the current state as they are displayed, uncleaned.
struct ReportContent {
    std::string device;
    std::string voltage;
    std::string temperature;
    ReportCells battery;  // all empty when there is no current battery
    std::vector<ReportCells> modes;
    std::string batteryLife;
    std::string averageCurrent;
    std::string peakCurrent;
    std::string notes;
};

ReportContent ReportContentOf(const Workspace& workspace);

/// The cells laid out in fixed columns: blanks are appended while the line is shorter than the
/// next cell's column, and nothing is ever cut. No line end.
std::string ReportLine(const ReportCells& cells, const ReportColumns& columns);

/// A result text made single-line: every LF removed, then every CR replaced by a blank.
std::string CleanResultText(std::string_view text);

/// The report's bytes: the sections DEVICE, BATTERY, MODES, RESULT and NOTES with CR LF line
/// ends; the notes come last, unchanged and without a line end of their own.
std::string FormatReport(const ReportContent& content);
/// Writes FormatReport(content) to `out`; false when the stream failed.
bool WriteReport(std::ostream& out, const ReportContent& content);

/// The report of the workspace's current state.
std::string BuildReport(const Workspace& workspace);

/// The report's section on the predicted life through the power path and over the mission, with
/// the worst case: "PREDICTED LIFE" and its lines, to follow the report.
std::string PredictionSection(const Workspace& workspace);

/// Writes the report to `path` (".txt" appended when it holds no '.'), replacing an existing
/// file only once the new one is complete; `withPrediction` appends PredictionSection.
Status CreateReport(const Workspace& workspace, const std::filesystem::path& path,
                    bool withPrediction = false);

}  // namespace runwell
