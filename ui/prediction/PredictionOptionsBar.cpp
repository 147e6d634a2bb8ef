#include "ui/prediction/PredictionOptionsBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <utility>

#include "battery/BufferAdvice.h"
#include "estimate/Format.h"
#include "mission/MissionFiles.h"
#include "platform/NamedFiles.h"
#include "platform/Platform.h"
#include "power/RegulatorFiles.h"
#include "prediction/PredictionFields.h"
#include "session/Workspace.h"
#include "ui/prediction/MissionDialog.h"
#include "ui/prediction/ModeSpreadDialog.h"
#include "ui/prediction/RegulatorDialog.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

const QString kNoRegulator = QStringLiteral("None (cell to device)");
const QString kConstant = QStringLiteral("Constant (selected temperature)");
const QString kFromFile = QStringLiteral("From file...");

/// Refills `combo` with `first`, the names of `items` and "From file...", then selects `index`.
template <typename T>
void Fill(QComboBox* combo, const QString& first, const std::vector<T>& items, int index) {
    const QSignalBlocker blocker(combo);
    combo->clear();
    combo->addItem(first);
    for (const T& item : items) {
        combo->addItem(ToDisplay(item.name));
    }
    combo->addItem(kFromFile);
    combo->setCurrentIndex(index);
}

/// The index of the entry named `name` in `items`; -1 for none.
template <typename T>
int Named(const std::vector<T>& items, const std::string& name) {
    const auto found =
        std::find_if(items.begin(), items.end(), [&](const T& item) { return item.name == name; });
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

QLineEdit* ReadOut(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}

QLineEdit* Figure(QWidget* parent, const char* name, const char* placeholder, const char* tip) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setPlaceholderText(QString::fromLatin1(placeholder));
    field->setToolTip(QString::fromLatin1(tip));
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("default")) + 16);
    return field;
}

QComboBox* Choice(QWidget* parent, const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    // Long names must not widen the panel: the combo shows what fits, the list shows all.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(10);
    combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return combo;
}

}  // namespace

PredictionOptionsBar::PredictionOptionsBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("predictionOptions"));
    CreateControls();
    Connect();
}

void PredictionOptionsBar::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    // Two rows of choices and one of spreads keep the panel narrow enough to sit beside the
    // steps on a 1280-pixel screen.
    auto* choices = new QGridLayout;
    choices->setColumnStretch(1, 1);
    choices->addWidget(new QLabel(QStringLiteral("Power path:"), this), 0, 0);
    powerPath_ = Choice(this, "powerPathCombo");
    choices->addWidget(powerPath_, 0, 1);
    editRegulator_ = new QPushButton(QStringLiteral("Edit..."), this);
    editRegulator_->setObjectName(QStringLiteral("editRegulatorButton"));
    editRegulator_->setAutoDefault(false);
    choices->addWidget(editRegulator_, 0, 2);
    worstCase_ = new QCheckBox(QStringLiteral("Worst case"), this);
    worstCase_->setObjectName(QStringLiteral("worstCaseCheck"));
    choices->addWidget(worstCase_, 0, 3);
    choices->addWidget(new QLabel(QStringLiteral("Mission:"), this), 1, 0);
    mission_ = Choice(this, "missionCombo");
    choices->addWidget(mission_, 1, 1);
    editMission_ = new QPushButton(QStringLiteral("Edit..."), this);
    editMission_->setObjectName(QStringLiteral("editMissionButton"));
    editMission_->setAutoDefault(false);
    choices->addWidget(editMission_, 1, 2);
    layout->addLayout(choices);

    auto* spreads = new QHBoxLayout;
    spreads->addWidget(new QLabel(QStringLiteral("Device spread (%):"), this));
    deviceSpread_ = Figure(this, "deviceSpreadField", "0",
                           "Typical to maximum of the device's currents, percent");
    spreads->addWidget(deviceSpread_);
    modeSpreads_ = new QPushButton(QStringLiteral("Per mode..."), this);
    modeSpreads_->setObjectName(QStringLiteral("modeSpreadButton"));
    modeSpreads_->setAutoDefault(false);
    spreads->addWidget(modeSpreads_);
    spreads->addWidget(new QLabel(QStringLiteral("Capacity spread (%):"), this));
    capacitySpread_ = Figure(this, "capacitySpreadField", "default", "");
    spreads->addWidget(capacitySpread_);
    spreads->addStretch(1);
    layout->addLayout(spreads);

    batteryRow_ = new QWidget(this);
    auto* battery = new QHBoxLayout(batteryRow_);
    battery->setContentsMargins(0, 0, 0, 0);
    battery->addWidget(new QLabel(QStringLiteral("Battery average:"), batteryRow_));
    batteryAverage_ = ReadOut(batteryRow_, "batteryAverageField");
    battery->addWidget(batteryAverage_, 1);
    battery->addWidget(new QLabel(QStringLiteral("Battery peak:"), batteryRow_));
    batteryPeak_ = ReadOut(batteryRow_, "batteryPeakField");
    battery->addWidget(batteryPeak_, 1);
    layout->addWidget(batteryRow_);

    adviceRow_ = new QWidget(this);
    auto* advice = new QHBoxLayout(adviceRow_);
    advice->setContentsMargins(0, 0, 0, 0);
    advice_ = new QLabel(adviceRow_);
    advice_->setObjectName(QStringLiteral("bufferAdviceLabel"));
    advice_->setWordWrap(true);
    advice_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    advice->addWidget(advice_, 1);
    advice->addWidget(new QLabel(QStringLiteral("Capacitor leakage (uA):"), adviceRow_));
    leakage_ = Figure(adviceRow_, "capacitorLeakageField", "default",
                      "The buffer capacitor's leakage in uA; empty for 0.01 uA per uF and volt");
    advice->addWidget(leakage_);
    layout->addWidget(adviceRow_);
}

void PredictionOptionsBar::Connect() {
    connect(powerPath_, &QComboBox::activated, this, [this](int index) { OnPowerPath(index); });
    connect(editRegulator_, &QPushButton::clicked, this, [this] { OnEditRegulator(); });
    connect(mission_, &QComboBox::activated, this, [this](int index) { OnMission(index); });
    connect(editMission_, &QPushButton::clicked, this, [this] { OnEditMission(); });
    connect(worstCase_, &QCheckBox::clicked, this, [this](bool checked) {
        if (workspace_ != nullptr) {
            PredictionOptions options = workspace_->predictionOptions();
            options.worstCase = checked;
            Choose(std::move(options));
        }
    });
    connect(modeSpreads_, &QPushButton::clicked, this, [this] {
        if (workspace_ == nullptr) {
            return;
        }
        ModeSpreadDialog dialog(
            *workspace_, [this](const std::string& text) { Message(text); }, this);
        // An untouched dialog is no change: no undo step, no modified mark.
        if (dialog.exec() == QDialog::Accepted &&
            dialog.options() != workspace_->predictionOptions()) {
            Choose(dialog.options());
        }
    });
    for (QLineEdit* field : {deviceSpread_, capacitySpread_}) {
        connect(field, &QLineEdit::editingFinished, this, [this, field] {
            // Leaving the field unchanged is no edit.
            if (field->isModified()) {
                field->setModified(false);
                OnSpreadEdited();
            }
        });
    }
    connect(leakage_, &QLineEdit::editingFinished, this, [this] {
        if (leakage_->isModified()) {
            leakage_->setModified(false);
            OnLeakageEdited();
        }
    });
}

void PredictionOptionsBar::Refresh(const Workspace& workspace) {
    workspace_ = &workspace;
    if (!loaded_) {
        loaded_ = true;
        RegulatorSet regulators = LoadRegulators(workspace.dataLocation());
        regulators_ = std::move(regulators.regulators);
        MissionSet missions = LoadMissions(workspace.dataLocation());
        missions_ = std::move(missions.missions);
        // A file of the run that cannot be used is told once, as the battery models are.
        for (const std::string& message : regulators.messages) {
            Message(message);
        }
        for (const std::string& message : missions.messages) {
            Message(message);
        }
    }
    ShowLists();
    const PredictionOptions& options = workspace.predictionOptions();
    const LifePrediction& prediction = workspace.prediction();
    worstCase_->setChecked(options.worstCase);
    deviceSpread_->setText(ToDisplay(OptionalFigureText(
        options.currentSpreadPercent > 0.0 ? std::optional(options.currentSpreadPercent)
                                           : std::nullopt)));
    capacitySpread_->setText(ToDisplay(OptionalFigureText(options.capacitySpreadPercent)));
    capacitySpread_->setToolTip(ToDisplay(CapacitySpreadTip(prediction)));

    batteryRow_->setVisible(options.regulator.has_value());
    batteryAverage_->setText(
        ToDisplay(FormatCurrent(static_cast<float>(prediction.batteryAverage))));
    batteryPeak_->setText(ToDisplay(FormatCurrent(static_cast<float>(prediction.batteryPeak))));

    const std::optional<BufferAdvice>& advice = workspace.bufferAdvice();
    adviceRow_->setVisible(advice.has_value());
    const QString adviceText = advice ? ToDisplay(BufferAdviceText(*advice)) : QString();
    advice_->setText(adviceText);
    advice_->setToolTip(adviceText);
    leakage_->setText(ToDisplay(OptionalFigureText(workspace.bufferLeakage())));
}

void PredictionOptionsBar::ShowLists() {
    const PredictionOptions& options = workspace_->predictionOptions();
    // What is in force is in the list, whether it came from a file, the editor or a profile.
    const int regulator =
        options.regulator ? static_cast<int>(KeepByName(regulators_, *options.regulator)) + 1 : 0;
    const int mission =
        options.mission ? static_cast<int>(KeepByName(missions_, *options.mission)) + 1 : 0;
    Fill(powerPath_, kNoRegulator, regulators_, regulator);
    Fill(mission_, kConstant, missions_, mission);
    powerPath_->setToolTip(options.regulator ? ToDisplay(RegulatorSummary(*options.regulator))
                                             : QStringLiteral("The cell feeds the device"));
    mission_->setToolTip(options.mission ? ToDisplay(options.mission->source)
                                         : QStringLiteral("The selected temperature all year"));
}

void PredictionOptionsBar::Choose(PredictionOptions options) {
    if (onOptionsChosen) {
        onOptionsChosen(std::move(options));
    }
}

void PredictionOptionsBar::Message(const std::string& text) {
    if (onMessage) {
        onMessage(text);
    }
}

void PredictionOptionsBar::OnPowerPath(int index) {
    if (workspace_ == nullptr) {
        return;
    }
    PredictionOptions options = workspace_->predictionOptions();
    if (index == powerPath_->count() - 1) {  // From file...
        const std::optional<std::filesystem::path> file =
            onAskRegulatorFile ? onAskRegulatorFile() : std::nullopt;
        ShowLists();  // the choice shows what is in force until a file is read
        if (!file) {
            return;
        }
        Result<Regulator> regulator = ReadRegulatorFile(*file);
        if (!regulator) {
            Message("The regulator file " + PathToUtf8(file->filename()) +
                    " cannot be used: " + regulator.error().message);
            return;
        }
        KeepByName(regulators_, *regulator);
        options.regulator = std::move(*regulator);
    } else if (index <= 0) {
        options.regulator.reset();
    } else {
        options.regulator = regulators_[static_cast<std::size_t>(index - 1)];
    }
    Choose(std::move(options));
}

void PredictionOptionsBar::OnEditRegulator() {
    if (workspace_ == nullptr) {
        return;
    }
    PredictionOptions options = workspace_->predictionOptions();
    RegulatorDialog dialog(options.regulator.value_or(NewRegulator()), onMessage,
                           onAskRegulatorSaveFile, this);
    if (dialog.exec() == QDialog::Accepted) {
        options.regulator = dialog.regulator();
        Choose(std::move(options));
    }
}

void PredictionOptionsBar::OnMission(int index) {
    if (workspace_ == nullptr) {
        return;
    }
    PredictionOptions options = workspace_->predictionOptions();
    if (index == mission_->count() - 1) {  // From file...
        const std::optional<std::filesystem::path> file =
            onAskMissionFile ? onAskMissionFile() : std::nullopt;
        ShowLists();
        if (!file) {
            return;
        }
        Result<Mission> mission = ReadMissionFile(*file);
        if (!mission) {
            Message("The mission file " + PathToUtf8(file->filename()) +
                    " cannot be used: " + mission.error().message);
            return;
        }
        KeepByName(missions_, *mission);
        options.mission = std::move(*mission);
    } else if (index <= 0) {
        options.mission.reset();
    } else {
        options.mission = missions_[static_cast<std::size_t>(index - 1)];
    }
    Choose(std::move(options));
}

void PredictionOptionsBar::OnEditMission() {
    if (workspace_ == nullptr) {
        return;
    }
    PredictionOptions options = workspace_->predictionOptions();
    Mission start;
    if (options.mission) {
        start = *options.mission;
    } else {
        // A new mission starts at the selected temperature all year.
        const double celsius = workspace_->deratingTemperature();
        start.name = "My mission";
        start.constantC = start.dayC = start.nightC = celsius;
        start.monthlyC.fill(celsius);
    }
    MissionDialog dialog(
        start, [this](const std::string& text) { Message(text); }, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    KeepByName(missions_, dialog.mission());
    options.mission = dialog.mission();
    Choose(std::move(options));
}

void PredictionOptionsBar::OnSpreadEdited() {
    if (workspace_ == nullptr) {
        return;
    }
    const Result<std::optional<double>> device = ReadOptionalFigure(
        FromDisplay(deviceSpread_->text()), "Device spread (%)", 0.0, kMaxDeviceSpreadPercent);
    const Result<std::optional<double>> capacity =
        ReadOptionalFigure(FromDisplay(capacitySpread_->text()), "Capacity spread (%)", 0.0,
                           kMaxCapacitySpreadPercent);
    if (!device || !capacity) {
        Message(!device ? device.error().message : capacity.error().message);
        Refresh(*workspace_);  // the fields show the figures in force
        return;
    }
    PredictionOptions options = workspace_->predictionOptions();
    options.currentSpreadPercent = device->value_or(0.0);
    options.capacitySpreadPercent = *capacity;
    Choose(std::move(options));
}

void PredictionOptionsBar::OnLeakageEdited() {
    if (workspace_ == nullptr) {
        return;
    }
    const Result<std::optional<double>> leakage = ReadOptionalFigure(
        FromDisplay(leakage_->text()), "Capacitor leakage (uA)", 0.0, kMaxLeakageMicroamps);
    if (!leakage) {
        Message(leakage.error().message);
        Refresh(*workspace_);
        return;
    }
    if (onLeakageChosen) {
        onLeakageChosen(*leakage);
    }
}

}  // namespace runwell::ui
