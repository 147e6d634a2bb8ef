#pragma once

#include <filesystem>
#include <functional>

#include "base/Messages.h"
#include "session/RecentFiles.h"

class QMenu;
class QWidget;

namespace runwell {
class Prompter;
class Workspace;
}  // namespace runwell

namespace runwell::ui {

class AnalysisPanel;
class FileDialogs;

/// The main window's file actions: Load Settings, Save Settings, a new profile, Create Report and
/// the Analysis panel's chart export. Each asks its file dialog over `window` and does nothing more when the
/// user cancels; failures are shown through `prompter`. After a load or a save, `refresh` shows
/// the workspace again (true: the mode rows are rebuilt).
class FileActions {
public:
    FileActions(QWidget& window, Workspace& workspace, Prompter& prompter, FileDialogs& fileDialogs,
                std::function<void(bool rebuildModeRows)> refresh);

    /// Asks first whether to save unsaved changes, then for the file.
    void OnLoadSettings();
    /// An empty profile on the same device and battery, with no file, after the same question.
    void OnNewProfile();
    /// Makes a model of the current battery from a measured battery profile or discharge log the
    /// user picks, keeps it in the user's BatteryModels folder (asking before replacing one)
    /// and applies it at once.
    void OnNewBatteryModel();
    /// Loads `path` as Load Settings does once its file dialog has chosen it.
    void OpenSettingsFile(const std::filesystem::path& path);
    /// True when the profile was saved; false when the dialog was cancelled or the save failed.
    bool OnSaveSettings();
    /// True when nothing unsaved is lost by going on (see ConfirmDiscard); `question` is the
    /// question asked, by default the one before closing.
    bool ConfirmDiscardChanges(const char* question = msg::kUnsavedChanges);
    void OnCreateReport();
    /// Fills `menu` with the recent settings files, newest first (a disabled entry when there
    /// are none). Each opens its file after the unsaved-work question; one that is gone is
    /// taken off the list with a message.
    void FillRecentMenu(QMenu& menu);
    void OpenRecent(const std::filesystem::path& path);
    /// Writes the panel's timeline chart, which is brought up only once a file is chosen.
    void OnExportChart(AnalysisPanel& panel);

private:
    QWidget& window_;
    Workspace& workspace_;
    Prompter& prompter_;
    FileDialogs& fileDialogs_;
    std::function<void(bool rebuildModeRows)> refresh_;
    RecentFiles recent_;
};

}  // namespace runwell::ui
