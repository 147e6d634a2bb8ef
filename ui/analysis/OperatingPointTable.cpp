#include "ui/analysis/OperatingPointTable.h"

#include <QHeaderView>

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
}

void OperatingPointTable::Show(const Workspace& workspace) {
    const OperatingPointMatrix matrix = matrix_.Compute(workspace);
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
