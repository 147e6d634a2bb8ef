#include "ui/trace/TracePlot.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "estimate/Format.h"

namespace runwell::ui {
namespace {

constexpr double kMicroseconds = 1e6;  // per second of the trace

/// The current axis over the buckets: on a log scale the decades of the positive currents (a
/// sleep level stays readable beside the bursts); on a linear one from 0, or the lowest
/// current below it, to a little above the highest.
AxisRange CurrentRange(const std::vector<TraceBucket>& buckets, AxisScale scale) {
    double least = 0.0;
    double most = 0.0;
    double lowPositive = 0.0;
    for (const TraceBucket& bucket : buckets) {
        least = std::min(least, bucket.low);
        most = std::max(most, bucket.high);
        for (const double current : {bucket.low, bucket.high}) {
            if (current > 0.0) {
                lowPositive = lowPositive == 0.0 ? current : std::min(lowPositive, current);
            }
        }
    }
    if (scale == AxisScale::Linear) {
        return most > least ? AxisRange{least, least + (most - least) * 1.05} : AxisRange{0, 1};
    }
    if (!(most > 0.0)) {
        return {1.0, 1000.0};
    }
    const double low = std::floor(std::log10(lowPositive));
    return {std::pow(10.0, low), std::pow(10.0, std::max(std::ceil(std::log10(most)), low + 1))};
}

}  // namespace

TracePlot::TracePlot(QWidget* parent) : ChartView(parent) {
    setMinimumSize(320, 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    SetLogScale(true);
    SetLegend(
        {{QStringLiteral("current, lowest to highest"), QPen(palette().text().color()), {}},
         {QStringLiteral("selected range"), QPen(Qt::NoPen), QBrush(QColor(0, 90, 200, 48))}});
}

void TracePlot::SetBuckets(std::vector<TraceBucket> buckets) {
    buckets_ = std::move(buckets);
    if (!buckets_.empty()) {
        start_ = buckets_.front().start;
        end_ = std::max(buckets_.back().end, start_);
    }
    if (!(end_ > start_)) {
        end_ = start_ + 1.0;
    }
    SetRanges(false);
}

void TracePlot::SetRanges(bool keepView) {
    Axis x{QStringLiteral("Time"),
           AxisQuantity::Time,
           AxisScale::Linear,
           {start_ * kMicroseconds, end_ * kMicroseconds},
           {},
           false};
    Axis y{QStringLiteral("Current"),
           AxisQuantity::Current,
           yAxis().scale,
           CurrentRange(buckets_, yAxis().scale),
           {},
           true};
    SetAxes(x, y, keepView);
}

void TracePlot::ScaleChanged() {
    SetRanges(false);
}

void TracePlot::SetRange(double from, double to) {
    from_ = from;
    to_ = to;
    update();
}

double TracePlot::TimeAt(int x) const {
    const double time = XValueAt(PlotArea(size()), x) / kMicroseconds;
    return std::clamp(time, start_, end_);
}

void TracePlot::DrawData(QPainter& painter, const QRect& plot) const {
    if (to_ > from_) {
        const double a = X(plot, from_ * kMicroseconds);
        const double b = X(plot, to_ * kMicroseconds);
        painter.fillRect(QRectF(a, plot.top(), std::max(1.0, b - a), plot.height()),
                         QColor(0, 90, 200, 48));
    }
    // A step curve: each bucket's level runs on to the next bucket, which then spans from
    // there to its own lowest and highest current.
    QPolygonF steps;
    steps.reserve(static_cast<qsizetype>(3 * buckets_.size()));
    for (std::size_t i = 0; i < buckets_.size(); ++i) {
        const TraceBucket& bucket = buckets_[i];
        const double x = X(plot, bucket.start * kMicroseconds);
        const double next =
            X(plot, (i + 1 < buckets_.size() ? buckets_[i + 1].start : bucket.end) * kMicroseconds);
        steps << QPointF(x, Y(plot, bucket.low)) << QPointF(x, Y(plot, bucket.high))
              << QPointF(next, Y(plot, bucket.high));
    }
    QPen pen(palette().text().color(), 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawPolyline(steps);
}

std::string TracePlot::TipAt(QPoint position, QSize size) const {
    const QRect plot = PlotArea(size);
    if (buckets_.empty() || !plot.contains(position)) {
        return {};
    }
    const double time = XValueAt(plot, position.x()) / kMicroseconds;
    const auto after =
        std::upper_bound(buckets_.begin(), buckets_.end(), time,
                         [](double at, const TraceBucket& bucket) { return at < bucket.start; });
    if (after == buckets_.begin()) {
        return {};
    }
    const TraceBucket& bucket = *std::prev(after);
    return FormatTime(static_cast<float>(time * kMicroseconds)) + ": " +
           FormatCurrent(static_cast<float>(bucket.low)) + " to " +
           FormatCurrent(static_cast<float>(bucket.high));
}

void TracePlot::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier &&
        !buckets_.empty()) {
        dragging_ = true;
        dragStart_ = TimeAt(event->position().toPoint().x());
        SetRange(dragStart_, dragStart_);
        return;
    }
    ChartView::mousePressEvent(event);
}

void TracePlot::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        ChartView::mouseMoveEvent(event);
        return;
    }
    const double t = TimeAt(event->position().toPoint().x());
    SetRange(std::min(dragStart_, t), std::max(dragStart_, t));
}

void TracePlot::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_) {
        ChartView::mouseReleaseEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    dragging_ = false;
    const double t = TimeAt(event->position().toPoint().x());
    if (t != dragStart_) {
        emit rangeSelected(std::min(dragStart_, t), std::max(dragStart_, t));
    }
}

}  // namespace runwell::ui
