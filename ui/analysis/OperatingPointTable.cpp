#include "ui/analysis/OperatingPointTable.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

#include "analysis/OperatingPointMatrix.h"
#include "session/Workspace.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {

OperatingPointTable::OperatingPointTable(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("operatingPointTable"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setWordWrap(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int column) { Choose(row, column); });
}

void OperatingPointTable::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex cell = indexAt(event->pos());  // the viewport's event, in its coordinates
    if (!cell.isValid()) {
        QTableWidget::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("operatingPointMenu"));
    QAction* use = menu.addAction(QStringLiteral("Use this point"));
    use->setObjectName(QStringLiteral("usePointAction"));
    use->setEnabled(cell.row() != selectedVoltage_ || cell.column() != selectedTemperature_);
    if (menu.exec(event->globalPos()) == use) {
        Choose(cell.row(), cell.column());
    }
}

void OperatingPointTable::Choose(int voltage, int temperature) {
    if (onPointChosen) {
        onPointChosen(voltage, temperature);
    }
}

void OperatingPointTable::Show(const Workspace& workspace) {
    const OperatingPointMatrix matrix = matrix_.Compute(workspace);
    selectedVoltage_ = matrix.selectedVoltage;
    selectedTemperature_ = matrix.selectedTemperature;
    setRowCount(static_cast<int>(matrix.voltages.size()));
    setColumnCount(static_cast<int>(matrix.temperatures.size()));
    QStringList rows;
    for (const std::string& voltage : matrix.voltages) {
        rows << ToDisplay(voltage);
    }
    QStringList columns;
    for (const std::string& temperature : matrix.temperatures) {
        columns << ToDisplay(temperature);
    }
    setVerticalHeaderLabels(rows);
    setHorizontalHeaderLabels(columns);
    QFont bold = font();
    bold.setBold(true);
    for (std::size_t v = 0; v < matrix.voltages.size(); ++v) {
        for (std::size_t t = 0; t < matrix.temperatures.size(); ++t) {
            const MatrixCell& cell = matrix.at(v, t);
            auto* item = new QTableWidgetItem(ToDisplay(cell.text));
            item->setFlags(Qt::ItemIsEnabled);
            item->setToolTip(ToDisplay(cell.available ? cell.text : cell.reason));
            if (!cell.available) {
                item->setForeground(palette().placeholderText());
            }
            if (static_cast<int>(v) == matrix.selectedVoltage &&
                static_cast<int>(t) == matrix.selectedTemperature) {
                item->setFont(bold);
            }
            setItem(static_cast<int>(v), static_cast<int>(t), item);
        }
    }
    resizeColumnsToContents();
}

}  // namespace runwell::ui
