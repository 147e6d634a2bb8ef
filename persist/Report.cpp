#include "persist/Report.h"

#include "model/Workspace.h"
#include "persist/SafeFile.h"
#include "persist/SettingsFile.h"

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
    for (std::size_t i = 0; i < columns.size(); ++i) {
        line += cells[i];
        if (line.size() < columns[i]) {
            line.append(columns[i] - line.size(), ' ');
        }
    }
    line += cells.back();
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
    std::string report = "DEVICE\r\n\r\n";
    AppendLine(report, "Device", content.device);
    AppendLine(report, "Voltage", content.voltage);
    AppendLine(report, "Temperature", content.temperature);

    report += "\r\nBATTERY\r\n\r\n";
    report.append(ReportLine(kBatteryHeader, kBatteryColumns)).append(kLineEnd);
    report.append(ReportLine(content.battery, kBatteryColumns)).append(kLineEnd);

    report += "\r\nMODES\r\n\r\n";
    report.append(ReportLine(kModeHeader, kModeColumns)).append(kLineEnd);
    for (const ReportCells& mode : content.modes) {
        report.append(ReportLine(mode, kModeColumns)).append(kLineEnd);
    }

    report += "\r\nRESULT\r\n\r\n";
    AppendLine(report, "Battery Life", content.batteryLife);
    AppendLine(report, "Average Current", CleanResultText(content.averageCurrent));
    AppendLine(report, "Peak Current", CleanResultText(content.peakCurrent));

    report += "\r\nNOTES\r\n\r\n";
    report += content.notes;
    return report;
}

bool WriteReport(std::ostream& out, const ReportContent& content) {
    const std::string report = FormatReport(content);
    out.write(report.data(), static_cast<std::streamsize>(report.size()));
    return out.good();
}

std::string BuildReport(const Workspace& workspace) {
    return FormatReport(ReportContentOf(workspace));
}

Status CreateReport(const Workspace& workspace, const std::filesystem::path& path) {
    const ReportContent content = ReportContentOf(workspace);
    return WriteFileSafely(EnsureExtension(path, ".txt"),
                           [&](std::ostream& out) { return WriteReport(out, content); });
}

}  // namespace runwell
