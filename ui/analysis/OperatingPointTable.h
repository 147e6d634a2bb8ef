#pragma once

#include <QTableWidget>

#include "analysis/OperatingPointMatrix.h"

namespace runwell {
class Workspace;
}

namespace runwell::ui {

/// The life on the current battery for every supply voltage (rows) and temperature (columns)
/// the device offers; a cell that cannot be computed says why in its tooltip, and the selected
/// point is in bold.
class OperatingPointTable : public QTableWidget {
    Q_OBJECT
public:
    explicit OperatingPointTable(QWidget* parent = nullptr);

    void Show(const Workspace& workspace);

private:
    OperatingPointMatrixCache matrix_;
};

}  // namespace runwell::ui
