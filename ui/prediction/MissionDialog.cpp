#include "ui/prediction/MissionDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "base/Numbers.h"
#include "prediction/PredictionFields.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

// The kinds the editor offers, in the order of MissionKind; a series only when it was given.
constexpr std::array<const char*, 4> kKinds = {"Constant", "Monthly", "Day and night",
                                               "Series (from a file)"};

/// The number in `field`, or the message naming `caption`.
Result<double> Figure(const QLineEdit* field, const std::string& caption) {
    const Result<std::optional<double>> figure =
        ReadOptionalFigure(FromDisplay(field->text()), caption, -1e9, 1e9);
    if (!figure || !*figure) {
        return Error{caption + " must be a number."};
    }
    return **figure;
}

}  // namespace

MissionDialog::MissionDialog(const Mission& mission,
                             std::function<void(const std::string&)> showMessage, QWidget* parent)
    : QDialog(parent), mission_(mission), showMessage_(std::move(showMessage)) {
    setObjectName(QStringLiteral("missionDialog"));
    setWindowTitle(QStringLiteral("Mission"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    name_ = new QLineEdit(ToDisplay(mission.name), this);
    name_->setObjectName(QStringLiteral("missionName"));
    form->addRow(QStringLiteral("Name:"), name_);
    kind_ = new QComboBox(this);
    kind_->setObjectName(QStringLiteral("missionKind"));
    const int kinds = mission.kind == MissionKind::kSeries ? 4 : 3;
    for (int i = 0; i < kinds; ++i) {
        kind_->addItem(QString::fromLatin1(kKinds[static_cast<std::size_t>(i)]));
    }
    kind_->setCurrentIndex(static_cast<int>(mission.kind));
    form->addRow(QStringLiteral("Kind:"), kind_);
    constant_ = AddField("missionConstant", mission.constantC);
    form->addRow(QStringLiteral("Temperature (C):"), constant_);
    layout->addLayout(form);

    auto* monthly = new QGridLayout;
    monthly->addWidget(new QLabel(QStringLiteral("Monthly (C):"), this), 0, 0, 1, 6);
    for (std::size_t m = 0; m < 12; ++m) {
        months_[m] = AddField(("missionMonth" + std::to_string(m)).c_str(), mission.monthlyC[m]);
        const int row = 1 + static_cast<int>(m / 6) * 2;
        const int column = static_cast<int>(m % 6);
        monthly->addWidget(new QLabel(QString::fromLatin1(kMonths[m]), this), row, column);
        monthly->addWidget(months_[m], row + 1, column);
    }
    layout->addLayout(monthly);

    auto* dayNight = new QFormLayout;
    day_ = AddField("missionDay", mission.dayC);
    night_ = AddField("missionNight", mission.nightC);
    dayHours_ = AddField("missionDayHours", mission.dayHours);
    dayNight->addRow(QStringLiteral("Day (C):"), day_);
    dayNight->addRow(QStringLiteral("Night (C):"), night_);
    dayNight->addRow(QStringLiteral("Day hours:"), dayHours_);
    storageMonths_ = AddField("missionStorageMonths", mission.storageMonths);
    storageC_ = AddField("missionStorageC", mission.storageC);
    dayNight->addRow(QStringLiteral("Storage months:"), storageMonths_);
    dayNight->addRow(QStringLiteral("Storage temperature (C):"), storageC_);
    layout->addLayout(dayNight);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("missionOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("missionCancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &MissionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &MissionDialog::reject);
    connect(kind_, &QComboBox::currentIndexChanged, this, [this] { ShowKind(); });
    ShowKind();
}

QLineEdit* MissionDialog::AddField(const char* name, double value) {
    auto* field = new QLineEdit(ToDisplay(SignificantText(value, 6)), this);
    field->setObjectName(QString::fromLatin1(name));
    field->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("-100.00")) + 16);
    return field;
}

void MissionDialog::ShowKind() {
    const auto kind = static_cast<MissionKind>(kind_->currentIndex());
    constant_->setEnabled(kind == MissionKind::kConstant);
    for (QLineEdit* month : months_) {
        month->setEnabled(kind == MissionKind::kMonthly);
    }
    for (QLineEdit* field : {day_, night_, dayHours_}) {
        field->setEnabled(kind == MissionKind::kDayNight);
    }
}

Result<Mission> MissionDialog::Read() const {
    Mission mission = mission_;
    mission.name = FromDisplay(name_->text());
    mission.kind = static_cast<MissionKind>(kind_->currentIndex());
    // Only the kind's own fields are read: another kind's leftovers do not matter.
    const auto read = [](const QLineEdit* field, const std::string& caption, double& into) {
        Result<double> figure = Figure(field, caption);
        if (!figure) {
            return Status{figure.error()};
        }
        into = *figure;
        return Status{};
    };
    std::vector<std::pair<const QLineEdit*, std::pair<std::string, double*>>> fields;
    if (mission.kind == MissionKind::kConstant) {
        fields.push_back({constant_, {"Temperature", &mission.constantC}});
    } else if (mission.kind == MissionKind::kMonthly) {
        for (std::size_t m = 0; m < 12; ++m) {
            fields.push_back({months_[m], {kMonthNames[m], &mission.monthlyC[m]}});
        }
    } else if (mission.kind == MissionKind::kDayNight) {
        fields.push_back({day_, {"Day", &mission.dayC}});
        fields.push_back({night_, {"Night", &mission.nightC}});
        fields.push_back({dayHours_, {"Day hours", &mission.dayHours}});
    }
    fields.push_back({storageMonths_, {"Storage months", &mission.storageMonths}});
    fields.push_back({storageC_, {"Storage temperature", &mission.storageC}});
    for (const auto& [field, target] : fields) {
        if (Status status = read(field, target.first, *target.second); !status) {
            return status.error();
        }
    }
    return mission;
}

void MissionDialog::accept() {
    Result<Mission> mission = Read();
    const Status checked = mission ? CheckMission(*mission) : Status{mission.error()};
    if (!checked) {
        if (showMessage_) {
            showMessage_("The mission cannot be used: " + checked.error().message);
        }
        return;
    }
    mission_ = std::move(*mission);
    QDialog::accept();
}

}  // namespace runwell::ui
