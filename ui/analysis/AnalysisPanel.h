#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace runwell {
class Workspace;
}

namespace runwell::ui {

class BatteryComparisonTable;
class ChargeShareChart;
class DeratedCurveView;
class OperatingPointTable;
class PredictionOptionsBar;
class TimelineChart;
class ChartView;

/// The Analysis panel beside the steps: the derated life, the minimum operating voltage and the
/// prediction's options it is computed for, and five tabs over the current profile (the current over one period, the
/// charge share of each mode, every battery of the catalogue, every operating point of the
/// device, the derated voltage curve). A tab's widget is built the first time it is shown, and
/// only the tab in view is brought up to date; the others catch up when they are shown.
class AnalysisPanel : public QWidget {
    Q_OBJECT
public:
    enum Tab { kTimeline, kChargeShare, kComparison, kOperatingPoints, kDerated, kTabCount };

    explicit AnalysisPanel(QWidget* parent = nullptr);

    /// Shows `workspace`, which must outlive the panel or the next Refresh.
    void Refresh(const Workspace& workspace);

    /// The tab's widget, built now if it was not yet.
    TimelineChart& timeline();
    /// The chart Export writes: the charge share or the predicted voltage chart when its tab is
    /// shown, else the timeline.
    ChartView& shownChart();
    ChargeShareChart& chargeShare();
    BatteryComparisonTable& comparison();
    OperatingPointTable& operatingPoints();
    DeratedCurveView& deratedCurve();
    /// The power path, mission, worst case and buffer capacitor beside the predicted life.
    PredictionOptionsBar& predictionOptions() { return *options_; }
    bool IsBuilt(Tab tab) const { return pages_[tab].widget != nullptr; }

    /// A row of the battery comparison was clicked: battery `index` of the catalogue.
    std::function<void(int index)> onBatteryChosen;
    /// The minimum voltage field was edited and left: its text as typed.
    std::function<void(const std::string& text)> onMinimumVoltageEdited;
    /// A cell of the operating points was chosen: voltage `voltage`, temperature `temperature`.
    std::function<void(int voltage, int temperature)> onOperatingPointChosen;
    /// Export was pressed: the window asks for a file and writes shownChart there.
    std::function<void()> onExportRequested;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Page {
        QWidget* holder = nullptr;
        QWidget* widget = nullptr;
        bool stale = true;
    };

    QWidget* Build(Tab tab);
    void Show(Tab tab);
    void ShowCurrent();

    const Workspace* workspace_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* deratedField_ = nullptr;
    QLineEdit* minimumVoltageField_ = nullptr;
    PredictionOptionsBar* options_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    std::array<Page, kTabCount> pages_{};
};

}  // namespace runwell::ui
