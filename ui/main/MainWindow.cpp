#include "ui/main/MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <string>

#include "base/Messages.h"
#include "battery/MinimumVoltage.h"
#include "session/OperatingPointMove.h"
#include "session/Workspace.h"
#include "ui/analysis/AnalysisPanel.h"
#include "ui/editor/ModeEditorLauncher.h"
#include "ui/dialogs/AboutDialog.h"
#include "ui/dialogs/HelpWindow.h"
#include "ui/dialogs/NotesDialog.h"
#include "ui/main/DroppedFile.h"
#include "ui/main/EditActions.h"
#include "ui/main/FileActions.h"
#include "ui/main/ProfileLists.h"
#include "ui/prediction/PredictionOptionsBar.h"
#include "ui/trace/TraceDialog.h"
#include "ui/widgets/DialogUnits.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/Fitting.h"
#include "ui/widgets/Text.h"
#include "ui/widgets/WindowStyle.h"

namespace runwell::ui {
namespace {

const QColor kWithinLimit(0, 127, 0);
const QColor kOverLimit(255, 0, 0);

/// Refills `combo` when its entries differ from `entries`, then selects `index` (-1: none).
/// Selecting from here is not a user's choice, so no handler runs.
void ShowCombo(QComboBox* combo, const std::vector<std::string>& entries, int index) {
    const QSignalBlocker blocker(combo);
    bool same = combo->count() == static_cast<int>(entries.size());
    for (int i = 0; same && i < combo->count(); ++i) {
        same = combo->itemText(i) == ToDisplay(entries[static_cast<std::size_t>(i)]);
    }
    if (!same) {
        combo->clear();
        for (const std::string& entry : entries) {
            combo->addItem(ToDisplay(entry));
        }
    }
    combo->setCurrentIndex(index);
}

void ShowResult(QLineEdit* field, const std::string& text, bool warning) {
    const QString shown = ToDisplay(text);
    field->setText(shown);
    field->setCursorPosition(0);  // the figure, not the end of a long warning
    field->setToolTip(shown);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, warning ? kOverLimit : kWithinLimit);
    field->setPalette(palette);
}

}  // namespace

/// Passes the core's messages and questions on, with the window brought up to date before a
/// message, so a message about a step shows over the state that step left.
class MainWindow::ViewPrompter : public Prompter {
public:
    ViewPrompter(MainWindow& window, Prompter& inner) : window_(window), inner_(inner) {}

    void ShowMessage(const std::string& text, MessageKind kind) override {
        window_.Refresh(false);
        inner_.ShowMessage(text, kind);
    }

    bool AskOkCancel(const std::string& text, const std::string& caption) override {
        // The selector keeps showing the entry the user picked while the question is open.
        return inner_.AskOkCancel(text, caption);
    }

    SaveChoice AskSaveDiscardCancel(const std::string& text) override {
        return inner_.AskSaveDiscardCancel(text);
    }

private:
    MainWindow& window_;
    Prompter& inner_;
};

MainWindow::MainWindow(Workspace& workspace, ModeEditorLauncher& modeEditor, Prompter& prompter,
                       FileDialogs& fileDialogs, QWidget* parent)
    : QDialog(parent),
      workspace_(workspace),
      modeEditor_(modeEditor),
      fileDialogs_(fileDialogs),
      prompter_(std::make_unique<ViewPrompter>(*this, prompter)),
      files_(std::make_unique<FileActions>(
          *this, workspace, *prompter_, fileDialogs,
          [this](bool rebuildModeRows) { Refresh(rebuildModeRows); })),
      edits_(std::make_unique<EditActions>(
          workspace, *prompter_, [this](bool rebuildModeRows) { Refresh(rebuildModeRows); })) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(msg::kWindowCaption));
    setAcceptDrops(true);
    setWindowIcon(AppIcon());

    const DialogUnits units = DialogUnits::Of(font());
    scale_ = LayoutScale{units.ScaleX(), units.ScaleY()};
    CreateFrame();
    CreateControls(units);
    ConnectControls();
    lists_ = std::make_unique<ProfileLists>(batteryList_, modeList_);
    lists_->CreateColumns();
    CreateWindowMenu();
    CreateShortcuts();
    SetTabOrder();

    // The steps may shrink until each list shows about three rows and steps 1 and 2 just fit;
    // below that they scroll. The window starts at the design's size, and neither it nor its
    // minimum is larger than the screen's free area.
    stepsMinimum_ = QSize(units.X(446), ClientHeightForLists(lists_->HeightFor(3), scale_));
    steps_->setMinimumSize(stepsMinimum_);
    const QSize available = FreeArea(this).size();
    setMinimumSize(stepsMinimum_.boundedTo(available));
    resize(StartClientSize(units.Size(446, 345), minimumSize(), available));

    FillDevices();
    lists_->ShowBatteries(workspace_.batteryRows());
    Refresh(true);
}

MainWindow::~MainWindow() {
    // The controls go after the members; a field that loses the focus as they go (the minimum
    // voltage ends its edit) must not reach the window.
    if (analysisPanel_ != nullptr) {
        analysisPanel_->onMinimumVoltageEdited = [](const std::string&) {};
        analysisPanel_->onBatteryChosen = [](int) {};
        analysisPanel_->predictionOptions().onOptionsChosen = [](PredictionOptions) {};
        analysisPanel_->predictionOptions().onLeakageChosen = [](std::optional<double>) {};
        analysisPanel_->predictionOptions().onMessage = [](const std::string&) {};
    }
}

void MainWindow::FillDevices() {
    const QSignalBlocker blocker(deviceCombo_);
    for (const DeviceEntry& entry : workspace_.devices()) {
        deviceCombo_->addItem(ToDisplay(entry.name));
    }
}

void MainWindow::Refresh(bool rebuildModeRows) {
    edits_->Observe();  // every action ends here, so the history sees every change
    setWindowTitle(ToDisplay(WindowCaption(workspace_.saveState())));
    ShowCombo(voltageCombo_, workspace_.voltages(), workspace_.voltageIndex());
    ShowCombo(temperatureCombo_, workspace_.temperatures(), workspace_.temperatureIndex());
    {
        const QSignalBlocker blocker(deviceCombo_);
        deviceCombo_->setCurrentIndex(workspace_.deviceIndex());
    }
    lists_->Show(workspace_, rebuildModeRows);
    const bool hasRows = modeList_->rowCount() > 0;
    removeButton_->setEnabled(hasRows);
    modifyButton_->setEnabled(hasRows);

    const ProfileResults& results = workspace_.results();
    batteryLifeField_->setText(ToDisplay(results.lifeText));
    batteryLifeField_->setCursorPosition(0);
    ShowResult(averageCurrentField_, results.averageText, results.averageWarning);
    ShowResult(peakCurrentField_, results.peakText, results.peakWarning);
    if (analysisPanel_ != nullptr) {
        analysisPanel_->Refresh(workspace_);
    }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();  // Enter neither closes the window nor presses a button
            return;
        case Qt::Key_F1:
            event->accept();
            ShowHelp();
            return;
        default:
            QDialog::keyPressEvent(event);  // Escape closes the window
    }
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    const bool normal = !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));
    for (QAction* action : windowMenu_->actions()) {
        if (action->objectName() == QLatin1String("restoreAction")) {
            action->setEnabled(!normal);
        } else if (action->objectName() == QLatin1String("maximizeAction")) {
            action->setEnabled(!(windowState() & Qt::WindowMaximized));
        }
    }
    windowMenu_->exec(event->globalPos());
}

void MainWindow::OnDeviceActivated(int index) {
    if (index == workspace_.deviceIndex()) {
        return;
    }
    Refresh(workspace_.ChangeDevice(index, *prompter_));
}

void MainWindow::OnVoltageActivated(int index) {
    if (index == workspace_.voltageIndex()) {
        return;
    }
    Refresh(workspace_.ChangeVoltage(index, *prompter_));
}

void MainWindow::OnTemperatureActivated(int index) {
    if (index == workspace_.temperatureIndex()) {
        return;
    }
    Refresh(workspace_.ChangeTemperature(index, *prompter_));
}

void MainWindow::OnBatteryListClicked() {
    workspace_.SelectBattery(batteryList_->currentRow());
    Refresh(true);
}

void MainWindow::OnModeListClicked() {
    workspace_.SelectModeRow(modeList_->currentRow());
    Refresh(false);
}

void MainWindow::OnAddMode() {
    const std::optional<ModeRecord> added =
        modeEditor_.Edit(this, workspace_.device(), std::string(workspace_.voltage()),
                         std::string(workspace_.temperature()), nullptr, *prompter_);
    if (added) {
        workspace_.AddMode(*added);
        Refresh(true);
    }
}

void MainWindow::OnRemoveMode() {
    if (workspace_.currentModeRow() < 0) {
        return;
    }
    workspace_.RemoveCurrentMode();
    Refresh(true);
}

void MainWindow::OnModifyMode() {
    const int row = workspace_.currentModeRow();
    if (row < 0) {
        return;
    }
    const ModeRecord source = workspace_.modes()[static_cast<std::size_t>(row)];
    const std::optional<ModeRecord> edited =
        modeEditor_.Edit(this, workspace_.device(), std::string(workspace_.voltage()),
                         std::string(workspace_.temperature()), &source, *prompter_);
    if (edited) {
        workspace_.ReplaceMode(row, *edited);
        Refresh(true);
    } else {
        workspace_.SelectModeRow(row);
        Refresh(false);
    }
}

void MainWindow::OnDeviceNotes() {
    NotesDialog dialog(workspace_.device().deviceNotes, this);
    dialog.exec();
}

void MainWindow::OpenSettingsFile(const std::filesystem::path& path) {
    files_->OpenSettingsFile(path);
}

void MainWindow::reject() {
    // Quit, Escape, the close box and the window menu's Close all end here.
    if (files_->ConfirmDiscardChanges()) {
        QDialog::reject();
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedSettingsFile(event->mimeData())) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const std::optional<std::filesystem::path> path = DroppedSettingsFile(event->mimeData());
    if (!path) {
        return;
    }
    event->acceptProposedAction();
    if (files_->ConfirmDiscardChanges(msg::kUnsavedChangesBeforeLoad)) {
        files_->OpenSettingsFile(*path);
    }
}

void MainWindow::OnImportTrace() {
    TraceDialog dialog(workspace_, *prompter_, this);
    if (dialog.AskForTrace() && dialog.exec() == QDialog::Accepted) {
        Refresh(true);
    }
}

void MainWindow::OnMinimumVoltageEdited(const std::string& text) {
    const Result<std::optional<double>> volts = ReadMinimumVoltage(text);
    if (!volts) {
        prompter_->ShowMessage(volts.error().message, MessageKind::Plain);
    } else {
        workspace_.SetMinimumVoltage(*volts);
    }
    Refresh(false);
}

void MainWindow::ConnectPredictionOptions() {
    PredictionOptionsBar& options = analysisPanel_->predictionOptions();
    // The sidecar keeps these options, so each change marks the profile modified.
    options.onOptionsChosen = [this](PredictionOptions chosen) {
        workspace_.SetPredictionOptions(std::move(chosen));
        workspace_.SetModified(true);
        Refresh(false);
    };
    options.onLeakageChosen = [this](std::optional<double> microamps) {
        if (workspace_.SetBufferLeakage(microamps)) {
            workspace_.SetModified(true);
        }
        Refresh(false);
    };
    options.onMessage = [this](const std::string& text) {
        prompter_->ShowMessage(text, MessageKind::Plain);
    };
    options.onAskRegulatorFile = [this] { return fileDialogs_.AskRegulatorFile(this); };
    options.onAskMissionFile = [this] { return fileDialogs_.AskMissionFile(this); };
    options.onAskRegulatorSaveFile = [this] { return fileDialogs_.AskSaveRegulator(this); };
}

void MainWindow::ShowHelp() {
    // One help window, raised again when it is open already; it does not block the main window.
    if (help_ == nullptr) {
        help_ = new HelpWindow(this);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void MainWindow::OnOperatingPointChosen(int voltage, int temperature) {
    const Result<bool> moved = MoveToOperatingPoint(workspace_, voltage, temperature, *prompter_);
    if (!moved) {
        prompter_->ShowMessage(moved.error().message, MessageKind::Plain);
    } else if (*moved) {
        Refresh(true);
    }
}

void MainWindow::ShowAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

}  // namespace runwell::ui
