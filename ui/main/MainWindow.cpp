#include "ui/main/MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableWidget>
#include <functional>
#include <string>

#include "base/Messages.h"
#include "battery/MinimumVoltage.h"
#include "session/Workspace.h"
#include "ui/analysis/AnalysisPanel.h"
#include "ui/editor/ModeEditorLauncher.h"
#include "ui/main/AboutDialog.h"
#include "ui/main/DroppedFile.h"
#include "ui/main/FileActions.h"
#include "ui/main/NotesDialog.h"
#include "ui/main/ProfileLists.h"
#include "ui/trace/TraceDialog.h"
#include "ui/widgets/AppIcon.h"
#include "ui/widgets/ClickList.h"
#include "ui/widgets/DialogUnits.h"
#include "ui/widgets/Text.h"

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
      prompter_(std::make_unique<ViewPrompter>(*this, prompter)),
      files_(std::make_unique<FileActions>(
          *this, workspace, *prompter_, fileDialogs,
          [this](bool rebuildModeRows) { Refresh(rebuildModeRows); })) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(msg::kWindowCaption));
    setAcceptDrops(true);
    setWindowIcon(AppIcon());

    const DialogUnits units = DialogUnits::Of(font());
    scale_ = LayoutScale{units.ScaleX(), units.ScaleY()};
    CreateControls(units);
    lists_ = std::make_unique<ProfileLists>(batteryList_, modeList_);
    lists_->CreateColumns();
    CreateWindowMenu();
    SetTabOrder();

    // The window may shrink until each list shows about three rows and steps 1 and 2 just fit,
    // and starts at the design's size unless the screen's free area is smaller.
    const int listHeight = lists_->HeightFor(3);
    stepsMinimumWidth_ = units.X(446);
    setMinimumSize(stepsMinimumWidth_, ClientHeightForLists(listHeight, scale_));
    QSize available = screen()->availableGeometry().size();
    available.rheight() -= style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    resize(StartClientSize(units.Size(446, 345), minimumSize(), available));

    FillDevices();
    lists_->ShowBatteries(workspace_.batteryRows());
    Refresh(true);
}

MainWindow::~MainWindow() = default;

void MainWindow::CreateControls(const DialogUnits& units) {
    // A closed drop-down list is as high as the style draws it; the design's heights include the
    // dropped list.
    const auto combo = [&](const char* name, int x, int y, int w) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(QRect(units.X(x), units.Y(y), units.X(w), box->sizeHint().height()));
        return box;
    };
    const auto button = [&](const char* name, const char* caption, QRect rect) {
        auto* push = new QPushButton(QString::fromLatin1(caption), this);
        push->setObjectName(QString::fromLatin1(name));
        push->setGeometry(rect);
        push->setAutoDefault(false);  // no button is the default, so Enter presses none
        return push;
    };
    const auto group = [&](const char* caption, QRect rect) {
        auto* box = new QGroupBox(QString::fromLatin1(caption), this);
        box->setGeometry(rect);
        return box;
    };
    const auto label = [&](const char* caption, QRect rect, const QComboBox* beside) {
        auto* text = new QLabel(QString::fromLatin1(caption), this);
        // Centred on the line of the selector it names.
        text->setGeometry(rect.x(), beside->y(), rect.width(), beside->height());
        text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return text;
    };
    const auto field = [&](const char* name, QRect rect) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setGeometry(rect);
        edit->setReadOnly(true);
        return edit;
    };
    const auto list = [&](const char* name, QRect rect, std::function<void()> onClick) {
        auto* view = new ClickList(this);
        ProfileLists::Configure(view, name);
        view->setGeometry(rect);
        view->onClick = std::move(onClick);
        return view;
    };

    // In the design's order, which is also the tab order.
    quitButton_ = button("quitButton", "Quit", units.Rect(373, 324, 66, 15));
    deviceCombo_ = combo("deviceCombo", 12, 18, 132);
    std::array<QGroupBox*, 4> stepBoxes{};
    stepBoxes[0] = group("Step 1: Select Device", units.Rect(7, 7, 197, 29));
    voltageCombo_ = combo("voltageCombo", 247, 18, 57);
    stepBoxes[1] = group("Step 2: Select Parameters", units.Rect(208, 7, 231, 29));
    label("Voltage:", units.Rect(216, 18, 30, 12), voltageCombo_);
    temperatureCombo_ = combo("temperatureCombo", 369, 18, 57);
    label("Temperature:", units.Rect(321, 18, 48, 12), temperatureCombo_);
    auto* modes = list("modeList", units.Rect(12, 163, 420, 87), [this] { OnModeListClicked(); });
    modes->onDoubleClick = [this] { OnModifyMode(); };
    modeList_ = modes;
    modeBox_ = stepBoxes[3] =
        group("Step 4: Add/Modify Operational Mode", units.Rect(7, 152, 432, 124));
    addButton_ = button("addButton", "Add", units.Rect(18, 259, 53, 12));
    removeButton_ = button("removeButton", "Remove", units.Rect(136, 259, 53, 12));
    modifyButton_ = button("modifyButton", "Modify", units.Rect(77, 259, 53, 12));
    resultBoxes_[0] = group("Estimated Battery Life", units.Rect(7, 281, 141, 30));
    batteryLifeField_ = field("batteryLifeField", units.Rect(11, 292, 132, 15));
    resultBoxes_[2] = group("Estimated Peak Current", units.Rect(296, 281, 140, 31));
    deviceNotesButton_ = button("deviceNotesButton", "Device Notes", units.Rect(147, 18, 50, 14));
    batteryBox_ = stepBoxes[2] = group("Step 3: Select Battery", units.Rect(7, 43, 432, 103));
    batteryList_ =
        list("batteryList", units.Rect(12, 55, 420, 85), [this] { OnBatteryListClicked(); });
    loadSettingsButton_ = button("loadSettingsButton", "Load Settings", units.Rect(6, 324, 67, 15));
    saveSettingsButton_ =
        button("saveSettingsButton", "Save Settings", units.Rect(79, 324, 66, 15));
    peakCurrentField_ = field("peakCurrentField", units.Rect(300, 291, 132, 18));
    createReportButton_ =
        button("createReportButton", "Create Report", units.Rect(152, 324, 66, 15));
    importTraceButton_ =
        button("importTraceButton", "Import trace...", units.Rect(225, 324, 66, 15));
    analysisButton_ = button("analysisButton", "Analysis >>", units.Rect(298, 324, 66, 15));
    analysisButton_->setCheckable(true);
    resultBoxes_[1] = group("Estimated Average Current", units.Rect(152, 281, 141, 31));
    averageCurrentField_ = field("averageCurrentField", units.Rect(155, 291, 133, 17));

    // The boxes only frame the controls: they stand behind them and take no clicks from them.
    for (QGroupBox* box : stepBoxes) {
        box->lower();
    }
    for (QGroupBox* box : resultBoxes_) {
        box->lower();
    }

    connect(deviceCombo_, &QComboBox::activated, this, &MainWindow::OnDeviceActivated);
    connect(voltageCombo_, &QComboBox::activated, this, &MainWindow::OnVoltageActivated);
    connect(temperatureCombo_, &QComboBox::activated, this, &MainWindow::OnTemperatureActivated);
    connect(addButton_, &QPushButton::clicked, this, &MainWindow::OnAddMode);
    connect(removeButton_, &QPushButton::clicked, this, &MainWindow::OnRemoveMode);
    connect(modifyButton_, &QPushButton::clicked, this, &MainWindow::OnModifyMode);
    connect(deviceNotesButton_, &QPushButton::clicked, this, &MainWindow::OnDeviceNotes);
    connect(loadSettingsButton_, &QPushButton::clicked, this, [this] { files_->OnLoadSettings(); });
    connect(saveSettingsButton_, &QPushButton::clicked, this, [this] { files_->OnSaveSettings(); });
    connect(createReportButton_, &QPushButton::clicked, this, [this] { files_->OnCreateReport(); });
    connect(importTraceButton_, &QPushButton::clicked, this, &MainWindow::OnImportTrace);
    connect(quitButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(analysisButton_, &QPushButton::toggled, this, &MainWindow::OnAnalysisToggled);
}

void MainWindow::SetTabOrder() {
    // The reading order of the window: steps 1 to 4, the results, the file buttons, Quit.
    const std::array<QWidget*, 16> order = {
        deviceCombo_,        deviceNotesButton_,   voltageCombo_,      temperatureCombo_,
        batteryList_,        modeList_,            addButton_,         modifyButton_,
        removeButton_,       batteryLifeField_,    averageCurrentField_, peakCurrentField_,
        loadSettingsButton_, saveSettingsButton_,  createReportButton_, quitButton_};
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void MainWindow::CreateWindowMenu() {
    windowMenu_ = new QMenu(this);
    windowMenu_->setObjectName(QStringLiteral("windowMenu"));
    QAction* restore =
        windowMenu_->addAction(QStringLiteral("&Restore"), this, &QWidget::showNormal);
    restore->setObjectName(QStringLiteral("restoreAction"));
    QAction* minimize =
        windowMenu_->addAction(QStringLiteral("Mi&nimize"), this, &QWidget::showMinimized);
    minimize->setObjectName(QStringLiteral("minimizeAction"));
    QAction* maximize =
        windowMenu_->addAction(QStringLiteral("Ma&ximize"), this, &QWidget::showMaximized);
    maximize->setObjectName(QStringLiteral("maximizeAction"));
    windowMenu_->addSeparator();
    QAction* close = windowMenu_->addAction(QStringLiteral("&Close"), this, &QWidget::close);
    close->setObjectName(QStringLiteral("closeAction"));
    windowMenu_->addSeparator();
    QAction* about = windowMenu_->addAction(QStringLiteral("&About Veltra KDR Runwell..."), this,
                                            &MainWindow::ShowAbout);
    about->setObjectName(QStringLiteral("aboutAction"));
}

void MainWindow::FillDevices() {
    const QSignalBlocker blocker(deviceCombo_);
    for (const DeviceEntry& entry : workspace_.devices()) {
        deviceCombo_->addItem(ToDisplay(entry.name));
    }
}

void MainWindow::Refresh(bool rebuildModeRows) {
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

MainWindowGeometry MainWindow::CurrentGeometry() const {
    MainWindowGeometry geometry;
    geometry.batteryList = batteryList_->geometry();
    geometry.batteryBox = batteryBox_->geometry();
    geometry.modeList = modeList_->geometry();
    geometry.modeBox = modeBox_->geometry();
    geometry.addButton = addButton_->geometry();
    geometry.modifyButton = modifyButton_->geometry();
    geometry.removeButton = removeButton_->geometry();
    geometry.resultFields = {batteryLifeField_->geometry(), averageCurrentField_->geometry(),
                             peakCurrentField_->geometry()};
    for (std::size_t i = 0; i < resultBoxes_.size(); ++i) {
        geometry.resultBoxes[i] = resultBoxes_[i]->geometry();
    }
    geometry.loadSettingsButton = loadSettingsButton_->geometry();
    geometry.saveSettingsButton = saveSettingsButton_->geometry();
    geometry.createReportButton = createReportButton_->geometry();
    geometry.quitButton = quitButton_->geometry();
    return geometry;
}

void MainWindow::ApplyGeometry(const MainWindowGeometry& geometry) {
    batteryList_->setGeometry(geometry.batteryList);
    batteryBox_->setGeometry(geometry.batteryBox);
    modeList_->setGeometry(geometry.modeList);
    modeBox_->setGeometry(geometry.modeBox);
    addButton_->setGeometry(geometry.addButton);
    modifyButton_->setGeometry(geometry.modifyButton);
    removeButton_->setGeometry(geometry.removeButton);
    batteryLifeField_->setGeometry(geometry.resultFields[0]);
    averageCurrentField_->setGeometry(geometry.resultFields[1]);
    peakCurrentField_->setGeometry(geometry.resultFields[2]);
    for (std::size_t i = 0; i < resultBoxes_.size(); ++i) {
        resultBoxes_[i]->setGeometry(geometry.resultBoxes[i]);
    }
    loadSettingsButton_->setGeometry(geometry.loadSettingsButton);
    saveSettingsButton_->setGeometry(geometry.saveSettingsButton);
    createReportButton_->setGeometry(geometry.createReportButton);
    quitButton_->setGeometry(geometry.quitButton);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (batteryList_ == nullptr) {
        return;  // still being built; the controls stand where the design puts them
    }
    const AnalysisSplit split =
        SplitForAnalysis(event->size(), analysisButton_->isChecked(), stepsMinimumWidth_);
    ApplyGeometry(LayoutMainWindow(split.steps, CurrentGeometry(), scale_));
    importTraceButton_->move(importTraceButton_->x(), createReportButton_->y());
    analysisButton_->move(analysisButton_->x(), createReportButton_->y());
    if (analysisPanel_ != nullptr) {
        analysisPanel_->setGeometry(split.panel);
    }
}

void MainWindow::CreateAnalysisPanel() {
    // Built when first opened, so start-up pays nothing for it.
    analysisPanel_ = new AnalysisPanel(this);
    analysisPanel_->onBatteryChosen = [this](int index) {
        batteryList_->setCurrentCell(index, 0);  // as a click on that row of the battery list
        OnBatteryListClicked();
    };
    analysisPanel_->onMinimumVoltageEdited = [this](const std::string& text) {
        OnMinimumVoltageEdited(text);
    };
    analysisPanel_->onExportRequested = [this] { files_->OnExportChart(*analysisPanel_); };
    analysisPanel_->Refresh(workspace_);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();  // Enter neither closes the window nor presses a button
            return;
        case Qt::Key_F1:
            event->accept();
            ShowAbout();
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
    if (files_->ConfirmDiscardChanges()) {
        files_->OpenSettingsFile(*path);
    }
}

void MainWindow::OnImportTrace() {
    TraceDialog dialog(workspace_, *prompter_, this);
    if (dialog.AskForTrace() && dialog.exec() == QDialog::Accepted) {
        Refresh(true);
    }
}

void MainWindow::OnAnalysisToggled(bool open) {
    // The steps keep their width: the window grows by as much for the panel (as far as the
    // screen allows) and gives it back when the panel closes.
    const int steps = SplitForAnalysis(size(), !open, stepsMinimumWidth_).steps.width();
    const int wanted = open ? 2 * steps : steps;
    setMinimumWidth(open ? stepsMinimumWidth_ + stepsMinimumWidth_ / 2 : stepsMinimumWidth_);
    analysisButton_->setText(open ? QStringLiteral("<< Analysis") : QStringLiteral("Analysis >>"));
    if (open && analysisPanel_ == nullptr) {
        CreateAnalysisPanel();
    }
    analysisPanel_->setVisible(open);
    const int available = screen()->availableGeometry().width();
    resize(std::max(minimumWidth(), std::min(wanted, available)), height());
    QResizeEvent event(size(), size());
    resizeEvent(&event);  // the same size when the screen is full: the split still changes
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

void MainWindow::ShowAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

}  // namespace runwell::ui
