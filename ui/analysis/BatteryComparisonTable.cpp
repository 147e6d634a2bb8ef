#include "ui/analysis/BatteryComparisonTable.h"

#include <QHeaderView>

#include "analysis/BatteryComparison.h"
#include "session/Workspace.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

constexpr int kLifeColumn = 1;

}  // namespace

BatteryComparisonTable::BatteryComparisonTable(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("comparisonTable"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setColumnCount(6);
    setHorizontalHeaderLabels({QStringLiteral("Battery"), QStringLiteral("Life"),
                               QStringLiteral("Average"), QStringLiteral("Peak"),
                               QStringLiteral("Predicted life"), QStringLiteral("Limited by")});
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(true);
    connect(this, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (onBatteryChosen && row >= 0 && row < static_cast<int>(rowBatteries_.size())) {
            onBatteryChosen(rowBatteries_[static_cast<std::size_t>(row)]);
        }
    });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (column == kLifeColumn) {
            longestFirst_ = !longestFirst_;
            horizontalHeader()->setSortIndicator(kLifeColumn, longestFirst_ ? Qt::DescendingOrder
                                                                            : Qt::AscendingOrder);
            if (workspace_ != nullptr) {
                Show(*workspace_);
            }
        }
    });
}

void BatteryComparisonTable::Show(const Workspace& workspace) {
    workspace_ = &workspace;
    BatteryComparison comparison = CompareBatteries(workspace);
    SortByLife(comparison.rows, longestFirst_);
    setRowCount(static_cast<int>(comparison.rows.size()));
    rowBatteries_.clear();
    QFont bold = font();
    bold.setBold(true);
    for (std::size_t i = 0; i < comparison.rows.size(); ++i) {
        const BatteryComparisonRow& entry = comparison.rows[i];
        rowBatteries_.push_back(entry.index);
        const bool current = entry.index == workspace.batteryIndex();
        const std::array<const std::string*, 6> cells = {
            &entry.description,    &entry.lifeText,        &entry.averageVerdict,
            &entry.peakVerdict,    &entry.deratedLifeText, &entry.limitingFactor};
        for (std::size_t column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(ToDisplay(*cells[column]));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (current) {
                item->setFont(bold);
            }
            if ((column == 2 && entry.averageOver) || (column == 3 && entry.peakOver)) {
                item->setForeground(QColor(255, 0, 0));
            }
            setItem(static_cast<int>(i), static_cast<int>(column), item);
        }
    }
    // Whole descriptions and lives, the last column taking what is left.
    resizeColumnsToContents();
}

}  // namespace runwell::ui
