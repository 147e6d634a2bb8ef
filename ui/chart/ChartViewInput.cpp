// ChartView's zoom, pan, read-out and context menu.

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "ui/chart/ChartView.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

/// A box smaller than this (pixels) in a direction does not zoom in that direction.
constexpr int kLeastBox = 4;
/// How far a view can be zoomed in: this part of the data's range, or on a log scale decades.
constexpr double kLeastPart = 1e-6;
constexpr double kLeastDecades = 0.05;
/// One notch of the wheel zooms by this.
constexpr double kWheelStep = 1.25;

double LeastSpan(const ChartView::Axis& axis) {
    return axis.scale == AxisScale::Log ? kLeastDecades
                                        : (axis.data.high - axis.data.low) * kLeastPart;
}

}  // namespace

void ChartView::ZoomAt(QPoint position, double factor) {
    const QRect plot = PlotArea(size());
    const double at = static_cast<double>(position.x() - plot.left()) / std::max(1, plot.width());
    x_.view = ZoomAxis(x_.view, x_.data, std::clamp(at, 0.0, 1.0), factor, AxisScale::Linear,
                       LeastSpan(x_));
    update();
}

void ChartView::ZoomToBox(QPoint from, QPoint to) {
    const QRect plot = PlotArea(size());
    const auto xPart = [&](QPoint p) {
        return std::clamp(static_cast<double>(p.x() - plot.left()) / plot.width(), 0.0, 1.0);
    };
    const auto yPart = [&](QPoint p) {
        return std::clamp(static_cast<double>(plot.bottom() - p.y()) / plot.height(), 0.0, 1.0);
    };
    if (std::abs(to.x() - from.x()) >= kLeastBox) {
        x_.view =
            BoxAxis(x_.view, x_.data, xPart(from), xPart(to), AxisScale::Linear, LeastSpan(x_));
    }
    if (std::abs(to.y() - from.y()) >= kLeastBox) {
        y_.view = BoxAxis(y_.view, y_.data, yPart(from), yPart(to), y_.scale, LeastSpan(y_));
    }
    update();
}

void ChartView::PanBy(QPoint pixels) {
    const QRect plot = PlotArea(size());
    x_.view = PanAxis(x_.view, x_.data, -static_cast<double>(pixels.x()) / plot.width(),
                      AxisScale::Linear);
    y_.view = PanAxis(y_.view, y_.data, static_cast<double>(pixels.y()) / plot.height(), y_.scale);
    update();
}

void ChartView::ResetZoom() {
    x_.view = x_.data;
    y_.view = y_.data;
    update();
}

bool ChartView::zoomed() const {
    return !(x_.view == x_.data) || !(y_.view == y_.data);
}

void ChartView::SetLogScale(bool log) {
    const AxisScale scale = log ? AxisScale::Log : AxisScale::Linear;
    if (scale == y_.scale) {
        return;
    }
    y_.scale = scale;
    ScaleChanged();
    y_.view = y_.data;
    update();
}

void ChartView::ScaleChanged() {}

std::string ChartView::TipAt(QPoint, QSize) const {
    return {};
}

void ChartView::AddMenuActions(QMenu&) {}

void ChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Render(painter, size(), {});
    if (drag_ == Drag::Box) {
        QColor fill = palette().highlight().color();
        fill.setAlpha(48);
        painter.setPen(palette().highlight().color());
        painter.setBrush(fill);
        painter.drawRect(QRect(dragStart_, dragLast_).normalized());
    }
}

void ChartView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0.0) {
        event->ignore();
        return;
    }
    ZoomAt(event->position().toPoint(), std::pow(kWheelStep, notches));
    event->accept();
}

void ChartView::mousePressEvent(QMouseEvent* event) {
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && shift)) {
        drag_ = Drag::Pan;
    } else if (event->button() == Qt::LeftButton &&
               (LeftDragZooms() || event->modifiers().testFlag(Qt::ControlModifier))) {
        drag_ = Drag::Box;
    } else {
        event->ignore();
        return;
    }
    dragStart_ = dragLast_ = event->position().toPoint();
}

void ChartView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (drag_ == Drag::Pan) {
        PanBy(at - dragLast_);
    }
    if (drag_ != Drag::None) {
        dragLast_ = at;
        update();
        return;
    }
    hover_ = TipAt(at, size());
    if (hover_.empty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(event->globalPosition().toPoint(), ToDisplay(hover_), this);
    }
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (drag_ == Drag::Box && event->button() == Qt::LeftButton) {
        ZoomToBox(dragStart_, event->position().toPoint());
    }
    if (drag_ != Drag::None) {
        drag_ = Drag::None;
        update();
    } else {
        event->ignore();
    }
}

void ChartView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* reset = menu.addAction(tr("Reset zoom"), this, &ChartView::ResetZoom);
    reset->setObjectName(QStringLiteral("resetZoomAction"));
    reset->setEnabled(zoomed());
    if (y_.scaleSwitch) {
        QAction* log = menu.addAction(tr("Logarithmic current axis"), this,
                                      [this](bool checked) { SetLogScale(checked); });
        log->setObjectName(QStringLiteral("logScaleAction"));
        log->setCheckable(true);
        log->setChecked(y_.scale == AxisScale::Log);
    }
    AddMenuActions(menu);
    menu.exec(event->globalPos());
}

}  // namespace runwell::ui
