#include "ui/main/FileActions.h"

#include <QAction>
#include <QMenu>
#include <optional>
#include <system_error>
#include <string>
#include <utility>

#include "base/Messages.h"
#include "base/Prompter.h"
#include "base/Text.h"
#include "exchange/Report.h"
#include "files/ProfileDocument.h"
#include "files/SafeFile.h"
#include "files/SettingsFile.h"
#include "measure/MeasuredModel.h"
#include "session/SaveState.h"
#include "session/Workspace.h"
#include "ui/analysis/AnalysisPanel.h"
#include "ui/analysis/TimelineChart.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

constexpr const char* kRecentStore = "RecentFiles.txt";

std::string PathText(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

}  // namespace

FileActions::FileActions(QWidget& window, Workspace& workspace, Prompter& prompter,
                         FileDialogs& fileDialogs,
                         std::function<void(bool rebuildModeRows)> refresh)
    : window_(window),
      workspace_(workspace),
      prompter_(prompter),
      fileDialogs_(fileDialogs),
      refresh_(std::move(refresh)),
      recent_(workspace.userFolder().empty() ? RecentFiles()
                                             : RecentFiles(workspace.userFolder() / kRecentStore)) {}

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
    if (LoadSettings(workspace_, path, prompter_)) {
        recent_.Add(workspace_.saveState().file());
    }
    refresh_(true);
}

void FileActions::FillRecentMenu(QMenu& menu) {
    menu.clear();
    for (const std::filesystem::path& path : recent_.paths()) {
        QAction* entry = menu.addAction(ToDisplay(PathText(path.filename())),
                                        [this, path] { OpenRecent(path); });
        entry->setToolTip(ToDisplay(PathText(path)));
    }
    if (recent_.paths().empty()) {
        menu.addAction(QStringLiteral("(no recent files)"))->setEnabled(false);
    }
}

void FileActions::OpenRecent(const std::filesystem::path& path) {
    if (!ConfirmDiscardChanges(msg::kUnsavedChangesBeforeLoad)) {
        return;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        recent_.Remove(path);
        prompter_.ShowMessage(QuotedForMessage(PathText(path)) +
                                  " no longer exists; it was taken off the recent files.",
                              MessageKind::Plain);
        return;
    }
    OpenSettingsFile(path);
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
    } else {
        recent_.Add(workspace_.saveState().file());
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

void FileActions::OnNewBatteryModel() {
    const int index = workspace_.batteryIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= workspace_.batteries().size()) {
        return;
    }
    const std::string battery = workspace_.batteries()[static_cast<std::size_t>(index)].description;
    if (workspace_.userFolder().empty()) {
        prompter_.ShowMessage("There is no folder of your own to keep a battery model in.",
                              MessageKind::Plain);
        return;
    }
    const std::optional<std::filesystem::path> path = fileDialogs_.AskMeasurement(&window_);
    if (!path) {
        return;
    }
    Result<BatteryModel> model = ModelFromMeasurement(*path, battery, TodayUtc());
    if (!model) {
        prompter_.ShowMessage(QuotedForMessage(PathText(path->filename())) + ": " +
                                  model.error().message,
                              MessageKind::Plain);
        return;
    }
    const std::filesystem::path folder = workspace_.userFolder() / "BatteryModels";
    const std::filesystem::path target = folder / ModelFileName(battery);
    std::error_code error;
    if (std::filesystem::exists(target, error) &&
        !prompter_.AskOkCancel("Replace your model " + PathText(target.filename()) + " of " +
                                   battery + "?",
                               "New battery model")) {
        return;
    }
    std::filesystem::create_directories(folder, error);
    const std::string text = WriteBatteryModel(*model);
    const Status written = WriteFileSafely(target, [&](std::ostream& out) {
        return static_cast<bool>(out << text);
    });
    if (!written) {
        prompter_.ShowMessage(QuotedForMessage(PathText(target)) + ": " + written.error().message,
                              MessageKind::Plain);
        return;
    }
    workspace_.SetBatteryModel(index, std::move(*model));
    refresh_(false);
    prompter_.ShowMessage("The model of " + battery + " was saved as " + PathText(target) +
                              " and applies now.",
                          MessageKind::Plain);
}

void FileActions::OnExportChart(AnalysisPanel& panel) {
    const std::optional<std::filesystem::path> path = fileDialogs_.AskExportChart(&window_);
    if (!path) {
        return;
    }
    const Status written = panel.shownChart().Export(*path);
    if (!written) {
        prompter_.ShowMessage(written.error().message, MessageKind::Plain);
    }
}

}  // namespace runwell::ui
