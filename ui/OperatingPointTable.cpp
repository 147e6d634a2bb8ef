#include "OperatingPointTable.h"

#include <QHeaderView>

#include "model/Workspace.h"

namespace runwell::ui {

OperatingPointTable::OperatingPointTable(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("operatingPointTable"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
}

void OperatingPointTable::Show(const Workspace&) {}

}  // namespace runwell::ui
