#pragma once

#include <filesystem>
#include <functional>

class QWidget;

namespace runwell {
class Prompter;
class Workspace;
}  // namespace runwell

namespace runwell::ui {

class AnalysisPanel;
class FileDialogs;

/// The main window's file actions: Load Settings, Save Settings, Create Report and the Analysis
/// panel's chart export. Each asks its file dialog over `window` and does nothing more when the
/// user cancels; failures are shown through `prompter`. After a load or a save, `refresh` shows
/// the workspace again (true: the mode rows are rebuilt).
class FileActions {
public:
    FileActions(QWidget& window, Workspace& workspace, Prompter& prompter, FileDialogs& fileDialogs,
                std::function<void(bool rebuildModeRows)> refresh);

    void OnLoadSettings();
    /// Loads `path` as Load Settings does once its file dialog has chosen it.
    void OpenSettingsFile(const std::filesystem::path& path);
    /// True when the profile was saved; false when the dialog was cancelled or the save failed.
    bool OnSaveSettings();
    /// True when nothing unsaved is lost by going on (see ConfirmDiscard).
    bool ConfirmDiscardChanges();
    void OnCreateReport();
    /// Writes the panel's timeline chart, which is brought up only once a file is chosen.
    void OnExportChart(AnalysisPanel& panel);

private:
    QWidget& window_;
    Workspace& workspace_;
    Prompter& prompter_;
    FileDialogs& fileDialogs_;
    std::function<void(bool rebuildModeRows)> refresh_;
};

}  // namespace runwell::ui
