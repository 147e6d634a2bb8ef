#pragma once

#include <string>
#include <utility>
#include <vector>

#include "analysis/ChargeShare.h"
#include "ui/chart/ChartView.h"

namespace runwell {
class Workspace;
}

namespace runwell::ui {

/// Per mode, in profile order from the top, its share of the period's charge (blue) above its
/// share of the period's time (grey) as horizontal bars on a share axis, then the battery's
/// self-discharge and the total as rows of their own. Hovering over a row shows its label and
/// both shares; a box dragged across the rows zooms to them, as the wheel zooms the share axis.
class ChargeShareChart : public ChartView {
    Q_OBJECT
public:
    explicit ChargeShareChart(QWidget* parent = nullptr);

    void Show(const Workspace& workspace);

    const ChargeShare& share() const { return share_; }
    /// The rows from the top: the modes, the self-discharge when there is a battery, the total.
    const std::vector<const ChargeShareLine*>& rows() const { return rows_; }
    /// "Charge share: " and the shown workspace's file, device, point and battery as they are
    /// now.
    QString title() const override;
    /// The read-out of the row under `position` in a chart of `size`; empty off the rows.
    std::string TipAt(QPoint position, QSize size) const override;
    /// The row under pixel row `y` of `plot`; -1 off the rows.
    int RowAt(const QRect& plot, double y) const;

protected:
    void DrawData(QPainter& painter, const QRect& plot) const override;
    std::vector<AxisTick> YMarks(const QRect& plot) const override;
    int YMarkWidth(QSize size) const override;

private:
    /// The rows the vertical axis's view shows: the first and one past the last.
    std::pair<int, int> RowsShown() const;
    void DrawValues(QPainter& painter, const QRect& plot, const ChargeShareLine& line,
                    const QRectF& row) const;

    const Workspace* workspace_ = nullptr;  // the one last shown
    ChargeShare share_;
    std::vector<const ChargeShareLine*> rows_;  // into share_
    int labelWidth_ = 0;                        // pixels of the longest label, at most 16 'M's
};

}  // namespace runwell::ui
