#include "exchange/Report.h"

#include "estimate/Format.h"
#include "files/SafeFile.h"
#include "files/SettingsFile.h"
#include "session/Workspace.h"

namespace runwell {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

const ReportCells kBatteryHeader = {"Description", "Capacity",    "Self-discharge", "Nominal V",
                                    "Max cont. I", "Max pulse I", "Notes"};
const ReportCells kModeHeader = {"Label",   "Mode",   "Frequency",  "Time",
                                 "Current", "Charge", "Peripherals"};

void AppendLine(std::string& report, std::string_view caption, std::string_view text) {
    report.append(caption).append(" : ").append(text).append(kLineEnd);
}

/// ReportLine's text appended to `report`, without a line of its own to copy.
void AppendReportLine(std::string& report, const ReportCells& cells, const ReportColumns& columns) {
    const std::size_t start = report.size();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        report += cells[i];
        const std::size_t length = report.size() - start;
        if (length < columns[i]) {
            report.append(columns[i] - length, ' ');
        }
    }
    report += cells.back();
}

/// What a report shows, by reference: the report of a workspace is written from its own rows.
struct ReportParts {
    std::string_view device;
    std::string_view voltage;
    std::string_view temperature;
    const ReportCells& battery;
    const std::vector<ReportCells>& modes;
    std::string_view batteryLife;
    std::string_view averageCurrent;
    std::string_view peakCurrent;
    std::string_view notes;
};

std::string Format(const ReportParts& parts) {
    // Reserved up front so a large profile's report is not copied as it grows: every mode line
    // holds its cells, at most the padding up to the last column, and its line end.
    std::size_t size = 1024 + parts.notes.size() + parts.device.size() + parts.voltage.size() +
                       parts.temperature.size() + parts.batteryLife.size() +
                       parts.averageCurrent.size() + parts.peakCurrent.size();
    for (const ReportCells* cells : {&parts.battery, &kBatteryHeader, &kModeHeader}) {
        for (const std::string& cell : *cells) {
            size += cell.size();
        }
    }
    for (const ReportCells& mode : parts.modes) {
        size += kModeColumns.back() + kLineEnd.size();
        for (const std::string& cell : mode) {
            size += cell.size();
        }
    }
    std::string report;
    report.reserve(size);
    report += "DEVICE\r\n\r\n";
    AppendLine(report, "Device", parts.device);
    AppendLine(report, "Voltage", parts.voltage);
    AppendLine(report, "Temperature", parts.temperature);

    report += "\r\nBATTERY\r\n\r\n";
    AppendReportLine(report, kBatteryHeader, kBatteryColumns);
    report += kLineEnd;
    AppendReportLine(report, parts.battery, kBatteryColumns);
    report += kLineEnd;

    report += "\r\nMODES\r\n\r\n";
    AppendReportLine(report, kModeHeader, kModeColumns);
    report += kLineEnd;
    for (const ReportCells& mode : parts.modes) {
        AppendReportLine(report, mode, kModeColumns);
        report += kLineEnd;
    }

    report += "\r\nRESULT\r\n\r\n";
    AppendLine(report, "Battery Life", parts.batteryLife);
    AppendLine(report, "Average Current", CleanResultText(parts.averageCurrent));
    AppendLine(report, "Peak Current", CleanResultText(parts.peakCurrent));

    report += "\r\nNOTES\r\n\r\n";
    report += parts.notes;
    return report;
}

}  // namespace

ReportContent ReportContentOf(const Workspace& workspace) {
    ReportContent content;
    content.device = workspace.deviceName();
    content.voltage = workspace.voltage();
    content.temperature = workspace.temperature();
    const int battery = workspace.batteryIndex();
    if (battery >= 0 && static_cast<std::size_t>(battery) < workspace.batteryRows().size()) {
        content.battery = workspace.batteryRows()[static_cast<std::size_t>(battery)];
    }
    const ProfileResults& results = workspace.results();
    content.modes.assign(results.rows.begin(), results.rows.end());
    content.batteryLife = results.lifeText;
    content.averageCurrent = results.averageText;
    content.peakCurrent = results.peakText;
    content.notes = workspace.device().deviceNotes;
    return content;
}

std::string ReportLine(const ReportCells& cells, const ReportColumns& columns) {
    std::string line;
    AppendReportLine(line, cells, columns);
    return line;
}

std::string CleanResultText(std::string_view text) {
    std::string cleaned;
    cleaned.reserve(text.size());
    for (const char c : text) {
        if (c != '\n') {
            cleaned.push_back(c == '\r' ? ' ' : c);
        }
    }
    return cleaned;
}

std::string FormatReport(const ReportContent& content) {
    return Format({content.device, content.voltage, content.temperature, content.battery,
                   content.modes, content.batteryLife, content.averageCurrent, content.peakCurrent,
                   content.notes});
}

bool WriteReport(std::ostream& out, const ReportContent& content) {
    const std::string report = FormatReport(content);
    out.write(report.data(), static_cast<std::streamsize>(report.size()));
    return out.good();
}

std::string BuildReport(const Workspace& workspace) {
    // The same text as FormatReport(ReportContentOf(workspace)), without copying the mode rows.
    static const ReportCells kNoBattery{};
    const int battery = workspace.batteryIndex();
    const bool hasBattery =
        battery >= 0 && static_cast<std::size_t>(battery) < workspace.batteryRows().size();
    const ProfileResults& results = workspace.results();
    return Format(
        {workspace.deviceName(), workspace.voltage(), workspace.temperature(),
         hasBattery ? workspace.batteryRows()[static_cast<std::size_t>(battery)] : kNoBattery,
         results.rows, results.lifeText, results.averageText, results.peakText,
         workspace.device().deviceNotes});
}

std::string PredictionSection(const Workspace& workspace) {
    const PredictionOptions& options = workspace.predictionOptions();
    const LifePrediction& prediction = workspace.prediction();
    std::string section = "\r\n\r\nPREDICTED LIFE\r\n\r\n";
    AppendLine(section, "Power Path",
               options.regulator ? options.regulator->name : std::string("none"));
    AppendLine(section, "Mission",
               options.mission ? options.mission->name
                               : "constant at " + std::string(workspace.temperature()));
    AppendLine(section, "Battery Average Current",
               CleanResultText(FormatCurrent(static_cast<float>(prediction.batteryAverage))));
    AppendLine(section, "Battery Peak Current",
               CleanResultText(FormatCurrent(static_cast<float>(prediction.batteryPeak))));
    AppendLine(section, "Predicted Life", PredictionRangeText(prediction));
    if (!prediction.note.empty()) {
        AppendLine(section, "Note", prediction.note);
    }
    return section;
}

Status CreateReport(const Workspace& workspace, const std::filesystem::path& path,
                    bool withPrediction) {
    std::string report = BuildReport(workspace);
    if (withPrediction) {
        report += PredictionSection(workspace);
    }
    return WriteFileSafely(EnsureExtension(path, ".txt"), [&](std::ostream& out) {
        out.write(report.data(), static_cast<std::streamsize>(report.size()));
        return out.good();
    });
}

}  // namespace runwell
