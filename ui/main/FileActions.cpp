#include "ui/main/FileActions.h"

#include <optional>
#include <string>
#include <utility>

#include "base/Messages.h"
#include "base/Prompter.h"
#include "exchange/Report.h"
#include "files/ProfileDocument.h"
#include "files/SettingsFile.h"
#include "session/SaveState.h"
#include "session/Workspace.h"
#include "ui/analysis/AnalysisPanel.h"
#include "ui/analysis/TimelineChart.h"
#include "ui/widgets/FileDialogs.h"

namespace runwell::ui {

FileActions::FileActions(QWidget& window, Workspace& workspace, Prompter& prompter,
                         FileDialogs& fileDialogs,
                         std::function<void(bool rebuildModeRows)> refresh)
    : window_(window),
      workspace_(workspace),
      prompter_(prompter),
      fileDialogs_(fileDialogs),
      refresh_(std::move(refresh)) {}

void FileActions::OnLoadSettings() {
    if (!ConfirmDiscardChanges(msg::kUnsavedChangesBeforeLoad)) {
        return;
    }
    const std::optional<std::filesystem::path> path = fileDialogs_.AskLoadSettings(&window_);
    if (!path) {
        return;
    }
    OpenSettingsFile(*path);
}

void FileActions::OpenSettingsFile(const std::filesystem::path& path) {
    LoadSettings(workspace_, path, prompter_);
    refresh_(true);
}

void FileActions::OnNewProfile() {
    if (!ConfirmDiscardChanges(msg::kUnsavedChangesBeforeNew)) {
        return;
    }
    workspace_.NewProfile();
    refresh_(true);
}

bool FileActions::OnSaveSettings() {
    const std::optional<std::filesystem::path> path = fileDialogs_.AskSaveSettings(&window_);
    if (!path) {
        return false;
    }
    const Status saved = SaveSettingsAs(workspace_, *path);
    if (!saved) {
        prompter_.ShowMessage(saved.error().message, MessageKind::Plain);
    }
    refresh_(false);
    return saved.ok();
}

bool FileActions::ConfirmDiscardChanges(const char* question) {
    return ConfirmDiscard(
        workspace_.saveState(), prompter_, [this] { return OnSaveSettings(); }, question);
}

void FileActions::OnCreateReport() {
    const std::optional<std::filesystem::path> path = fileDialogs_.AskCreateReport(&window_);
    if (!path) {
        return;
    }
    const Status written = CreateReport(workspace_, *path);
    if (!written) {
        prompter_.ShowMessage(written.error().message, MessageKind::Plain);
    }
}

void FileActions::OnExportChart(AnalysisPanel& panel) {
    const std::optional<std::filesystem::path> path = fileDialogs_.AskExportChart(&window_);
    if (!path) {
        return;
    }
    const Status written = panel.timeline().Export(*path);
    if (!written) {
        prompter_.ShowMessage(written.error().message, MessageKind::Plain);
    }
}

}  // namespace runwell::ui
