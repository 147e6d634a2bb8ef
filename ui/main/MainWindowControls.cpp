// The main window's controls: created at the design's places, connected to the window's
// handlers, read and placed for the resize layout, put in the reading order for Tab, and the
// window menu.

#include "ui/main/MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <functional>
#include <utility>

#include "ui/main/EditActions.h"
#include "ui/main/FileActions.h"
#include "ui/main/ProfileLists.h"
#include "ui/widgets/ClickList.h"
#include "ui/widgets/DialogUnits.h"
#include "ui/widgets/Fitting.h"

namespace runwell::ui {
namespace {

/// Creates the window's controls as children of `window`.
struct ControlMaker {
    QWidget* window;
    const DialogUnits& units;

    /// A closed drop-down list is as high as the style draws it; the design's heights include
    /// the dropped list, so only its place and width are given, in dialog units.
    QComboBox* Combo(const char* name, int x, int y, int w) const {
        auto* box = new QComboBox(window);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(QRect(units.X(x), units.Y(y), units.X(w), box->sizeHint().height()));
        return box;
    }

    QPushButton* Button(const char* name, const char* caption, QRect rect) const {
        auto* push = new QPushButton(QString::fromLatin1(caption), window);
        push->setObjectName(QString::fromLatin1(name));
        push->setGeometry(rect);
        push->setAutoDefault(false);  // no button is the default, so Enter presses none
        return push;
    }

    QGroupBox* Group(const char* caption, QRect rect) const {
        auto* box = new QGroupBox(QString::fromLatin1(caption), window);
        box->setGeometry(rect);
        return box;
    }

    QLabel* Label(const char* caption, QRect rect, const QComboBox* beside) const {
        auto* text = new QLabel(QString::fromLatin1(caption), window);
        // Centred on the line of the selector it names.
        text->setGeometry(rect.x(), beside->y(), rect.width(), beside->height());
        text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return text;
    }

    QLineEdit* Field(const char* name, QRect rect) const {
        auto* edit = new ElidedField(window);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setGeometry(rect);
        return edit;
    }

    ClickList* List(const char* name, QRect rect, std::function<void()> onClick) const {
        auto* view = new ClickList(window);
        ProfileLists::Configure(view, name);
        view->setGeometry(rect);
        view->onClick = std::move(onClick);
        return view;
    }
};

}  // namespace

void MainWindow::CreateControls(const DialogUnits& units) {
    const ControlMaker make{steps_, units};

    // In the design's order, which is also the tab order.
    quitButton_ = make.Button("quitButton", "Quit", units.Rect(373, 324, 66, 15));
    deviceCombo_ = make.Combo("deviceCombo", 12, 18, 132);
    std::array<QGroupBox*, 4> stepBoxes{};
    stepBoxes[0] = make.Group("Step 1: Select Device", units.Rect(7, 7, 197, 29));
    voltageCombo_ = make.Combo("voltageCombo", 247, 18, 57);
    stepBoxes[1] = make.Group("Step 2: Select Parameters", units.Rect(208, 7, 231, 29));
    make.Label("Voltage:", units.Rect(216, 18, 30, 12), voltageCombo_);
    temperatureCombo_ = make.Combo("temperatureCombo", 369, 18, 57);
    make.Label("Temperature:", units.Rect(321, 18, 48, 12), temperatureCombo_);
    auto* modes =
        make.List("modeList", units.Rect(12, 163, 420, 87), [this] { OnModeListClicked(); });
    modes->onDoubleClick = [this] { OnModifyMode(); };
    modes->onDragRow = [this](int from, int to) { edits_->OnDrag(from, to); };
    modeList_ = modes;
    modeBox_ = stepBoxes[3] =
        make.Group("Step 4: Add/Modify Operational Mode", units.Rect(7, 152, 432, 124));
    addButton_ = make.Button("addButton", "Add", units.Rect(18, 259, 53, 12));
    removeButton_ = make.Button("removeButton", "Remove", units.Rect(136, 259, 53, 12));
    modifyButton_ = make.Button("modifyButton", "Modify", units.Rect(77, 259, 53, 12));
    resultBoxes_[0] = make.Group("Estimated Battery Life", units.Rect(7, 281, 141, 30));
    batteryLifeField_ = make.Field("batteryLifeField", units.Rect(11, 292, 132, 15));
    resultBoxes_[2] = make.Group("Estimated Peak Current", units.Rect(296, 281, 140, 31));
    deviceNotesButton_ =
        make.Button("deviceNotesButton", "Device Notes", units.Rect(147, 18, 50, 14));
    batteryBox_ = stepBoxes[2] = make.Group("Step 3: Select Battery", units.Rect(7, 43, 432, 103));
    batteryList_ =
        make.List("batteryList", units.Rect(12, 55, 420, 85), [this] { OnBatteryListClicked(); });
    loadSettingsButton_ =
        make.Button("loadSettingsButton", "Load Settings", units.Rect(6, 324, 67, 15));
    saveSettingsButton_ =
        make.Button("saveSettingsButton", "Save Settings", units.Rect(79, 324, 66, 15));
    peakCurrentField_ = make.Field("peakCurrentField", units.Rect(300, 291, 132, 18));
    createReportButton_ =
        make.Button("createReportButton", "Create Report", units.Rect(152, 324, 66, 15));
    importTraceButton_ =
        make.Button("importTraceButton", "Import trace...", units.Rect(225, 324, 66, 15));
    analysisButton_ = make.Button("analysisButton", "Analysis >>", units.Rect(298, 324, 66, 15));
    analysisButton_->setCheckable(true);
    resultBoxes_[1] = make.Group("Estimated Average Current", units.Rect(152, 281, 141, 31));
    averageCurrentField_ = make.Field("averageCurrentField", units.Rect(155, 291, 133, 17));

    // The boxes only frame the controls: they stand behind them and take no clicks from them.
    for (QGroupBox* box : stepBoxes) {
        box->lower();
    }
    for (QGroupBox* box : resultBoxes_) {
        box->lower();
    }
}

void MainWindow::ConnectControls() {
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

void MainWindow::SetTabOrder() {
    // The reading order of the window: steps 1 to 4, the results, the file buttons, Quit.
    const std::array<QWidget*, 16> order = {
        deviceCombo_,        deviceNotesButton_,  voltageCombo_,        temperatureCombo_,
        batteryList_,        modeList_,           addButton_,           modifyButton_,
        removeButton_,       batteryLifeField_,   averageCurrentField_, peakCurrentField_,
        loadSettingsButton_, saveSettingsButton_, createReportButton_,  quitButton_};
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void MainWindow::CreateShortcuts() {
    const auto bind = [this](const char* name, QList<QKeySequence> keys,
                             std::function<void()> handler) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, std::move(handler));
        addAction(action);
    };
    bind("undoAction", {QKeySequence::Undo}, [this] { edits_->OnUndo(); });
    bind("redoAction",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
         [this] { edits_->OnRedo(); });
    bind("removeAction", {QKeySequence::Delete}, [this] { OnRemoveMode(); });
    bind("duplicateAction", {QKeySequence(Qt::CTRL | Qt::Key_D)}, [this] { edits_->OnDuplicate(); });
    bind("moveUpAction", {QKeySequence(Qt::ALT | Qt::Key_Up)}, [this] { edits_->OnMove(-1); });
    bind("moveDownAction", {QKeySequence(Qt::ALT | Qt::Key_Down)}, [this] { edits_->OnMove(1); });
    bind("loadAction", {QKeySequence::Open}, [this] { files_->OnLoadSettings(); });
    bind("saveAction",
         {QKeySequence(Qt::CTRL | Qt::Key_S), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
         [this] { files_->OnSaveSettings(); });
    bind("newAction", {QKeySequence::New}, [this] { files_->OnNewProfile(); });
    bind("reportAction", {QKeySequence(Qt::CTRL | Qt::Key_R)}, [this] { files_->OnCreateReport(); });
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
    // The recent settings files: here, and on a right click on Load Settings.
    QMenu* recent = windowMenu_->addMenu(QStringLiteral("Recent &Files"));
    recent->setObjectName(QStringLiteral("recentMenu"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { files_->FillRecentMenu(*recent); });
    loadSettingsButton_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(loadSettingsButton_, &QWidget::customContextMenuRequested, this,
            [this, recent](const QPoint& at) {
                files_->FillRecentMenu(*recent);
                recent->popup(loadSettingsButton_->mapToGlobal(at));
            });
    QAction* newModel = windowMenu_->addAction(QStringLiteral("New battery model from measurement..."),
                                               this, [this] { files_->OnNewBatteryModel(); });
    newModel->setObjectName(QStringLiteral("newBatteryModelAction"));
    // Beside the battery list: its right click offers the same.
    batteryList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(batteryList_, &QWidget::customContextMenuRequested, this, [this, newModel](const QPoint& at) {
        QMenu menu(this);
        menu.addAction(newModel);
        menu.exec(batteryList_->viewport()->mapToGlobal(at));
    });
    windowMenu_->addSeparator();
    QAction* about = windowMenu_->addAction(QStringLiteral("&About Veltra KDR Runwell..."), this,
                                            &MainWindow::ShowAbout);
    about->setObjectName(QStringLiteral("aboutAction"));
}

}  // namespace runwell::ui
