#pragma once

#include <QTableWidget>
#include <functional>
#include <vector>

namespace runwell {
class Workspace;
}

namespace runwell::ui {

/// Every battery of the catalogue with its life for the current profile and the verdicts of
/// the average and peak currents against its limits, longest life first. The current battery's
/// row is in bold; a click on a row chooses that battery.
class BatteryComparisonTable : public QTableWidget {
    Q_OBJECT
public:
    explicit BatteryComparisonTable(QWidget* parent = nullptr);

    void Show(const Workspace& workspace);

    /// A row was clicked: the catalogue index of its battery.
    std::function<void(int index)> onBatteryChosen;
    /// The catalogue index of each row as shown.
    const std::vector<int>& rowBatteries() const { return rowBatteries_; }

private:
    std::vector<int> rowBatteries_;
    const Workspace* workspace_ = nullptr;  // the one last shown, for a new order
    bool longestFirst_ = true;  // a click on the life heading turns the order round
};

}  // namespace runwell::ui
