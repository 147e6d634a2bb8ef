#include "BatteryComparisonTable.h"

#include <QHeaderView>

#include "model/Workspace.h"

namespace runwell::ui {

BatteryComparisonTable::BatteryComparisonTable(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("comparisonTable"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    connect(this, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (onBatteryChosen && row >= 0 && row < static_cast<int>(rowBatteries_.size())) {
            onBatteryChosen(rowBatteries_[static_cast<std::size_t>(row)]);
        }
    });
}

void BatteryComparisonTable::Show(const Workspace&) {}

}  // namespace runwell::ui
