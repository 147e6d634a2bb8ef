#pragma once

#include <QWidget>
#include <vector>

#include "trace/TraceDecimation.h"

namespace runwell::ui {

/// A decimated trace drawn as one vertical stroke per bucket, from its lowest to its highest
/// current, with the selected range shaded. Dragging with the left button selects a range.
class TracePlot : public QWidget {
    Q_OBJECT
public:
    explicit TracePlot(QWidget* parent = nullptr);

    void SetBuckets(std::vector<TraceBucket> buckets);
    /// The shaded range, in the trace's seconds.
    void SetRange(double from, double to);

    QSize sizeHint() const override { return {640, 220}; }

signals:
    /// A drag ended; `from` < `to`, in the trace's seconds.
    void rangeSelected(double from, double to);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double TimeAt(int x) const;
    int XOf(double time) const;

    std::vector<TraceBucket> buckets_;
    double start_ = 0.0;
    double end_ = 1.0;
    double low_ = 0.0;
    double high_ = 1.0;
    double from_ = 0.0;
    double to_ = 0.0;
    bool dragging_ = false;
    double dragStart_ = 0.0;
};

}  // namespace runwell::ui
