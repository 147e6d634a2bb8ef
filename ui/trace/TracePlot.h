#pragma once

#include <vector>

#include "trace/TraceDecimation.h"
#include "ui/chart/ChartView.h"

namespace runwell::ui {

/// A decimated trace drawn as one vertical stroke per bucket, from its lowest to its highest
/// current (on a logarithmic current axis unless switched), with the selected range shaded.
/// Dragging with the left button selects a range; Ctrl and the left button drag a zoom box.
class TracePlot : public ChartView {
    Q_OBJECT
public:
    explicit TracePlot(QWidget* parent = nullptr);

    void SetBuckets(std::vector<TraceBucket> buckets);
    /// The shaded range, in the trace's seconds.
    void SetRange(double from, double to);

    /// The bucket under `position`: its time and its lowest and highest current.
    std::string TipAt(QPoint position, QSize size) const override;

    QSize sizeHint() const override { return {640, 240}; }

signals:
    /// A drag ended; `from` < `to`, in the trace's seconds.
    void rangeSelected(double from, double to);

protected:
    void DrawData(QPainter& painter, const QRect& plot) const override;
    bool LeftDragZooms() const override { return false; }
    void ScaleChanged() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetRanges(bool keepView);
    /// The trace's time (s) at pixel column `x`, within the trace.
    double TimeAt(int x) const;

    std::vector<TraceBucket> buckets_;
    double start_ = 0.0;
    double end_ = 1.0;
    double from_ = 0.0;
    double to_ = 0.0;
    bool dragging_ = false;
    double dragStart_ = 0.0;
};

}  // namespace runwell::ui
