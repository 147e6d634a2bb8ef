#pragma once

#include <QTableWidget>
#include <functional>

#include "analysis/OperatingPointMatrix.h"

namespace runwell {
class Workspace;
}

namespace runwell::ui {

/// The life on the current battery for every supply voltage (rows) and temperature (columns)
/// the device offers; a cell that cannot be computed says why in its tooltip, and the selected
/// point is in bold. "Use this point" in a cell's context menu, or a double-click on the cell,
/// asks to move the profile to that point.
class OperatingPointTable : public QTableWidget {
    Q_OBJECT
public:
    explicit OperatingPointTable(QWidget* parent = nullptr);

    void Show(const Workspace& workspace);

    /// The point of the cell at row `voltage`, column `temperature` was chosen.
    std::function<void(int voltage, int temperature)> onPointChosen;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Choose(int voltage, int temperature);

    OperatingPointMatrixCache matrix_;
    int selectedVoltage_ = -1;  // the point in use: nothing to move to
    int selectedTemperature_ = -1;
};

}  // namespace runwell::ui
