#include "ui/analysis/AnalysisPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <optional>

#include "analysis/ProfileTimeline.h"
#include "battery/MinimumVoltage.h"
#include "session/Workspace.h"
#include "ui/analysis/BatteryComparisonTable.h"
#include "ui/analysis/ChargeShareChart.h"
#include "ui/analysis/DeratedCurveView.h"
#include "ui/analysis/OperatingPointTable.h"
#include "ui/analysis/TimelineChart.h"
#include "ui/prediction/PredictionOptionsBar.h"
#include "ui/widgets/Fitting.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

struct TabInfo {
    const char* name;     // the page's object name
    const char* caption;  // the tab's text
};

constexpr std::array<TabInfo, AnalysisPanel::kTabCount> kTabs = {{
    {"timelineTab", "Current over time"},
    {"chargeShareTab", "Charge share"},
    {"comparisonTab", "Batteries"},
    {"operatingPointTab", "Operating points"},
    {"deratedTab", "Predicted voltage"},
}};

}  // namespace

AnalysisPanel::AnalysisPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("analysisPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* fields = new QHBoxLayout;
    fields->addWidget(new QLabel(QStringLiteral("Predicted life:"), this));
    deratedField_ = new ElidedField(this);
    deratedField_->setObjectName(QStringLiteral("deratedLifeField"));
    fields->addWidget(deratedField_, 3);
    fields->addWidget(new QLabel(QStringLiteral("Minimum voltage:"), this));
    minimumVoltageField_ = new QLineEdit(this);
    minimumVoltageField_->setObjectName(QStringLiteral("minimumVoltageField"));
    minimumVoltageField_->setPlaceholderText(QStringLiteral("cut-off"));
    minimumVoltageField_->setToolTip(
        QStringLiteral("The device's minimum operating voltage in V; empty for the cell's cut-off"));
    fields->addWidget(minimumVoltageField_, 1);
    exportButton_ = new QPushButton(QStringLiteral("Export chart..."), this);
    exportButton_->setObjectName(QStringLiteral("exportChartButton"));
    exportButton_->setAutoDefault(false);
    fields->addWidget(exportButton_);
    layout->addLayout(fields);
    options_ = new PredictionOptionsBar(this);
    layout->addWidget(options_);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("analysisTabs"));
    for (int i = 0; i < kTabCount; ++i) {
        auto* holder = new QWidget(tabs_);
        holder->setObjectName(QString::fromLatin1(kTabs[static_cast<std::size_t>(i)].name));
        auto* holderLayout = new QVBoxLayout(holder);
        holderLayout->setContentsMargins(0, 0, 0, 0);
        pages_[static_cast<std::size_t>(i)].holder = holder;
        tabs_->addTab(holder, QString::fromLatin1(kTabs[static_cast<std::size_t>(i)].caption));
    }
    layout->addWidget(tabs_, 1);

    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
        const int shown = tabs_->currentIndex();
        exportButton_->setEnabled(shown == kTimeline || shown == kChargeShare || shown == kDerated);
        ShowCurrent();
    });
    connect(minimumVoltageField_, &QLineEdit::editingFinished, this, [this] {
        // Leaving the field unchanged is no edit; only a changed text is passed on.
        if (onMinimumVoltageEdited && minimumVoltageField_->isModified()) {
            minimumVoltageField_->setModified(false);
            onMinimumVoltageEdited(FromDisplay(minimumVoltageField_->text()));
        }
    });
    connect(exportButton_, &QPushButton::clicked, this, [this] {
        if (onExportRequested) {
            onExportRequested();
        }
    });
}

void AnalysisPanel::Refresh(const Workspace& workspace) {
    workspace_ = &workspace;
    // With a power path, a mission or a worst case the field gives the range and its corner.
    const bool options = workspace.predictionOptions().Active();
    deratedField_->setText(ToDisplay(options ? PredictionRangeText(workspace.prediction())
                                             : DeratedLifeFieldText(workspace.derated())));
    deratedField_->setCursorPosition(0);
    deratedField_->setToolTip(ToDisplay(
        options ? PredictionRangeText(workspace.prediction()) + "\n" +
                      PredictedLifeTip(workspace.derated())
                : PredictedLifeTip(workspace.derated())));
    options_->Refresh(workspace);
    // Also after a refused edit: the field shows the value in force.
    minimumVoltageField_->setText(ToDisplay(MinimumVoltageText(workspace.minimumVoltage())));
    for (Page& page : pages_) {
        page.stale = true;
    }
    if (isVisible()) {
        ShowCurrent();
    }
}

void AnalysisPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ShowCurrent();
}

void AnalysisPanel::ShowCurrent() {
    const int current = tabs_->currentIndex();
    if (current >= 0 && current < kTabCount) {
        Show(static_cast<Tab>(current));
    }
}

QWidget* AnalysisPanel::Build(Tab tab) {
    Page& page = pages_[tab];
    if (page.widget != nullptr) {
        return page.widget;
    }
    switch (tab) {
        case kTimeline:
            page.widget = new TimelineChart(page.holder);
            break;
        case kChargeShare:
            page.widget = new ChargeShareChart(page.holder);
            break;
        case kComparison: {
            auto* table = new BatteryComparisonTable(page.holder);
            table->onBatteryChosen = [this](int index) {
                if (onBatteryChosen) {
                    onBatteryChosen(index);
                }
            };
            page.widget = table;
            break;
        }
        case kOperatingPoints: {
            auto* table = new OperatingPointTable(page.holder);
            table->onPointChosen = [this](int voltage, int temperature) {
                if (onOperatingPointChosen) {
                    onOperatingPointChosen(voltage, temperature);
                }
            };
            page.widget = table;
            break;
        }
        case kDerated:
        case kTabCount:
            page.widget = new DeratedCurveView(page.holder);
            break;
    }
    page.holder->layout()->addWidget(page.widget);
    page.stale = true;
    return page.widget;
}

void AnalysisPanel::Show(Tab tab) {
    Build(tab);
    Page& page = pages_[tab];
    if (!page.stale || workspace_ == nullptr) {
        return;
    }
    page.stale = false;
    const Workspace& workspace = *workspace_;
    switch (tab) {
        case kTimeline:
            static_cast<TimelineChart*>(page.widget)->Show(workspace);
            break;
        case kChargeShare:
            static_cast<ChargeShareChart*>(page.widget)->Show(workspace);
            break;
        case kComparison:
            static_cast<BatteryComparisonTable*>(page.widget)->Show(workspace);
            break;
        case kOperatingPoints:
            static_cast<OperatingPointTable*>(page.widget)->Show(workspace);
            break;
        case kDerated:
        case kTabCount:
            static_cast<DeratedCurveView*>(page.widget)
                ->SetLife(workspace.derated(),
                          workspace.predictionOptions().regulator
                              ? std::optional(workspace.prediction().limitVolts)
                              : std::nullopt);
            static_cast<DeratedCurveView*>(page.widget)
                ->SetTitle(QStringLiteral("Predicted voltage: ") +
                           ToDisplay(ChartContext(workspace)));
            break;
    }
}

ChartView& AnalysisPanel::shownChart() {
    switch (tabs_->currentIndex()) {
        case kChargeShare:
            return chargeShare();
        case kDerated:
            return deratedCurve();
        default:
            return timeline();
    }
}

TimelineChart& AnalysisPanel::timeline() {
    Show(kTimeline);
    return *static_cast<TimelineChart*>(pages_[kTimeline].widget);
}

ChargeShareChart& AnalysisPanel::chargeShare() {
    Show(kChargeShare);
    return *static_cast<ChargeShareChart*>(pages_[kChargeShare].widget);
}

BatteryComparisonTable& AnalysisPanel::comparison() {
    Show(kComparison);
    return *static_cast<BatteryComparisonTable*>(pages_[kComparison].widget);
}

OperatingPointTable& AnalysisPanel::operatingPoints() {
    Show(kOperatingPoints);
    return *static_cast<OperatingPointTable*>(pages_[kOperatingPoints].widget);
}

DeratedCurveView& AnalysisPanel::deratedCurve() {
    Show(kDerated);
    return *static_cast<DeratedCurveView*>(pages_[kDerated].widget);
}

}  // namespace runwell::ui
