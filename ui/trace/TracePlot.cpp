#include "ui/trace/TracePlot.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace runwell::ui {
namespace {

constexpr int kMargin = 4;

}  // namespace

TracePlot::TracePlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 140);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TracePlot::SetBuckets(std::vector<TraceBucket> buckets) {
    buckets_ = std::move(buckets);
    if (!buckets_.empty()) {
        start_ = buckets_.front().start;
        end_ = std::max(buckets_.back().end, start_);
        // Zero stays on the plot, so a sleep current reads as near the floor it is.
        low_ = 0.0;
        high_ = 0.0;
        for (const TraceBucket& bucket : buckets_) {
            low_ = std::min(low_, bucket.low);
            high_ = std::max(high_, bucket.high);
        }
    }
    if (!(end_ > start_)) {
        end_ = start_ + 1.0;
    }
    if (!(high_ > low_)) {
        high_ = low_ + 1.0;
    }
    update();
}

void TracePlot::SetRange(double from, double to) {
    from_ = from;
    to_ = to;
    update();
}

double TracePlot::TimeAt(int x) const {
    const double span = std::max(1, width() - 2 * kMargin);
    const double t = start_ + (end_ - start_) * (x - kMargin) / span;
    return std::clamp(t, start_, end_);
}

int TracePlot::XOf(double time) const {
    const double span = std::max(1, width() - 2 * kMargin);
    const double x = kMargin + (time - start_) / (end_ - start_) * span;
    return static_cast<int>(std::lround(std::clamp(x, -1.0, static_cast<double>(width()) + 1.0)));
}

void TracePlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const int top = kMargin;
    const int bottom = height() - kMargin;
    const double scale = (bottom - top) / (high_ - low_);
    const auto yOf = [&](double current) {
        return static_cast<int>(std::lround(bottom - (current - low_) * scale));
    };
    if (to_ > from_) {
        const int a = XOf(from_);
        const int b = XOf(to_);
        QColor shade = palette().highlight().color();
        shade.setAlpha(48);
        painter.fillRect(QRect(a, 0, std::max(1, b - a), height()), shade);
    }
    painter.setPen(palette().mid().color());
    painter.drawLine(kMargin, yOf(0.0), width() - kMargin, yOf(0.0));
    painter.setPen(palette().text().color());
    // A step curve: each bucket's level runs on to the next bucket, which then spans from
    // there to its own lowest and highest current.
    for (std::size_t i = 0; i < buckets_.size(); ++i) {
        const TraceBucket& bucket = buckets_[i];
        const int x = XOf(bucket.start);
        const int next = i + 1 < buckets_.size() ? XOf(buckets_[i + 1].start) : XOf(bucket.end);
        painter.drawLine(x, yOf(bucket.low), x, yOf(bucket.high));
        painter.drawLine(x, yOf(bucket.high), next, yOf(bucket.high));
        if (i + 1 < buckets_.size()) {
            const TraceBucket& after = buckets_[i + 1];
            painter.drawLine(next, yOf(bucket.high), next,
                             yOf(std::clamp(bucket.high, after.low, after.high)));
        }
    }
    painter.setPen(palette().dark().color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TracePlot::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !buckets_.empty()) {
        dragging_ = true;
        dragStart_ = TimeAt(event->position().toPoint().x());
        SetRange(dragStart_, dragStart_);
    }
}

void TracePlot::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        const double t = TimeAt(event->position().toPoint().x());
        SetRange(std::min(dragStart_, t), std::max(dragStart_, t));
    }
}

void TracePlot::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        return;
    }
    dragging_ = false;
    const double t = TimeAt(event->position().toPoint().x());
    if (t != dragStart_) {
        emit rangeSelected(std::min(dragStart_, t), std::max(dragStart_, t));
    }
}

}  // namespace runwell::ui
