#pragma once

#include <filesystem>
#include <optional>

class QWidget;

namespace runwell::ui {

/// Asks the user for the file of a settings load, a settings save or a report. Each returns the
/// chosen path, or nothing when the user cancelled. A save dialog returns an existing file only
/// once the user agreed to replace it; declining is as cancelling. Tests replace the dialogs with
/// scripted answers.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<std::filesystem::path> AskLoadSettings(QWidget* parent) = 0;
    virtual std::optional<std::filesystem::path> AskSaveSettings(QWidget* parent) = 0;
    virtual std::optional<std::filesystem::path> AskCreateReport(QWidget* parent) = 0;
    /// The file a chart is exported to: its suffix, ".png" or ".svg", says the format.
    virtual std::optional<std::filesystem::path> AskExportChart(QWidget* parent) = 0;
    /// A measured battery profile or discharge log to make a battery model from; nothing by
    /// default.
    virtual std::optional<std::filesystem::path> AskMeasurement(QWidget* /*parent*/) {
        return std::nullopt;
    }
    /// A regulator file (JSON) for the power path; nothing by default.
    virtual std::optional<std::filesystem::path> AskRegulatorFile(QWidget* /*parent*/) {
        return std::nullopt;
    }
    /// The file the regulator editor saves to (JSON); nothing by default.
    virtual std::optional<std::filesystem::path> AskSaveRegulator(QWidget* /*parent*/) {
        return std::nullopt;
    }
    /// A mission file (JSON, or a CSV of time and temperature); nothing by default.
    virtual std::optional<std::filesystem::path> AskMissionFile(QWidget* /*parent*/) {
        return std::nullopt;
    }
};

/// The toolkit's file dialogs. Load asks for an existing "*.set" file; Save Settings appends
/// ".set" to a name typed without a suffix; both saves ask before replacing an existing file,
/// and a declined replacement returns to the dialog, where Cancel gives nothing.
class QtFileDialogs : public FileDialogs {
public:
    std::optional<std::filesystem::path> AskLoadSettings(QWidget* parent) override;
    std::optional<std::filesystem::path> AskSaveSettings(QWidget* parent) override;
    std::optional<std::filesystem::path> AskCreateReport(QWidget* parent) override;
    /// Appends ".png" to a name typed without a suffix (".svg" with the SVG filter chosen).
    std::optional<std::filesystem::path> AskExportChart(QWidget* parent) override;
    std::optional<std::filesystem::path> AskMeasurement(QWidget* parent) override;
    std::optional<std::filesystem::path> AskRegulatorFile(QWidget* parent) override;
    /// Appends ".json" to a name typed without a suffix.
    std::optional<std::filesystem::path> AskSaveRegulator(QWidget* parent) override;
    std::optional<std::filesystem::path> AskMissionFile(QWidget* parent) override;
};

}  // namespace runwell::ui
