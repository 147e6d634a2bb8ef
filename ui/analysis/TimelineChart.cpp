#include "ui/analysis/TimelineChart.h"

#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <vector>

#include "estimate/Format.h"
#include "session/Workspace.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

const QColor kStepColour(0, 90, 200);
const QColor kAverageColour(0, 127, 0);
const QColor kLimitColour(255, 0, 0);
const QColor kWidenedColour(255, 190, 60, 90);

/// The current axis over the currents: on a log scale from the decade below the smallest
/// positive current to the one above the largest (1 nA to 1 uA without one); on a linear scale
/// from 0 (or the lowest current below it) to a little above the largest.
AxisRange CurrentRange(const std::vector<double>& currents, AxisScale scale) {
    double low = 0.0;
    double high = 0.0;
    double least = 0.0;
    for (const double current : currents) {
        if (!std::isfinite(current)) {
            continue;
        }
        least = std::min(least, current);
        if (current > 0.0) {
            low = low == 0.0 ? current : std::min(low, current);
            high = std::max(high, current);
        }
    }
    if (scale == AxisScale::Linear) {
        return high > least ? AxisRange{least, least + (high - least) * 1.05} : AxisRange{0, 1000};
    }
    if (high <= 0.0) {
        return {1.0, 1000.0};
    }
    const double lowDecade = std::floor(std::log10(low));
    const double highDecade = std::max(std::ceil(std::log10(high)), lowDecade + 1.0);
    return {std::pow(10.0, lowDecade), std::pow(10.0, highDecade)};
}

/// Adds the band from x `left` to `right` to `bands` as whole pixel columns within `plot`, joined
/// to the last band when it meets it.
void AddBand(std::vector<QRect>& bands, const QRect& plot, double left, double right) {
    const auto column = [&](double x) {  // a zoomed view puts x far outside the plot
        return static_cast<int>(std::lround(std::clamp(x, plot.left() - 1.0, plot.right() + 2.0)));
    };
    const int from = column(left);
    const int to = std::max(from + 1, column(right));  // one past the band's last column
    if (!bands.empty() && from <= bands.back().right() + 1) {
        bands.back().setRight(std::max(bands.back().right(), to - 1));
    } else {
        bands.emplace_back(QPoint(from, plot.top()), QPoint(to - 1, plot.bottom()));
    }
}

/// Fills the widened modes' bands in one go through a clip: a fill per band costs the painter a
/// round of its fill threads each, and bands that met would blend twice where they touch. An
/// export may not clip, so it gets a rectangle per band.
void FillBands(QPainter& painter, const QRect& plot, const std::vector<QRect>& bands) {
    if (bands.empty()) {
        return;
    }
    if (painter.paintEngine()->type() != QPaintEngine::Raster) {
        for (const QRect& band : bands) {
            painter.fillRect(band & plot, kWidenedColour);
        }
        return;
    }
    QRegion region;
    region.setRects(bands.data(), static_cast<int>(bands.size()));
    painter.save();
    painter.setClipRegion(region, Qt::IntersectClip);
    painter.fillRect(plot, kWidenedColour);
    painter.restore();
}

}  // namespace

TimelineChart::TimelineChart(QWidget* parent) : ChartView(parent) {
    setObjectName(QStringLiteral("timelineChart"));
    SetEmptyText(QStringLiteral("?"));
    SetLogScale(true);
}

void TimelineChart::Show(const Workspace& workspace) {
    workspace_ = &workspace;
    timeline_ = ComputeProfileTimeline(workspace.modes());
    layoutWidth_ = -1;
    labels_.clear();
    labels_.reserve(timeline_.segments.size());
    for (const TimelineSegment& segment : timeline_.segments) {
        labels_.push_back(workspace.modes()[static_cast<std::size_t>(segment.mode)].label);
    }
    average_ = workspace.results().average;
    const BatteryRecord* battery = workspace.currentBattery();
    continuousLimit_ = battery != nullptr ? battery->maxContinuousCurrent : 0.0;
    pulseLimit_ = battery != nullptr ? battery->maxPulseCurrent : 0.0;
    SetRanges(true);
}

void TimelineChart::SetRanges(bool keepView) {
    Axis x{QStringLiteral("Time"), AxisQuantity::Time, AxisScale::Linear, {0.0, 1.0}, {}, false};
    Axis y{QStringLiteral("Current"), AxisQuantity::Current, yAxis().scale, {}, {}, true};
    if (timeline_.drawing.size() < 2 || !(timeline_.period > 0.0)) {
        x.data = {0.0, 0.0};  // nothing to draw
    }
    std::vector<double> currents{average_, continuousLimit_, pulseLimit_};
    for (const TimelinePoint& point : timeline_.drawing) {
        currents.push_back(point.current);
    }
    y.data = CurrentRange(currents, y.scale);
    SetAxes(x, y, keepView);

    std::vector<LegendEntry> legend{{QStringLiteral("current"), QPen(kStepColour, 1), {}}};
    const auto level = [&](double current, const char* text, const QColor& colour,
                           Qt::PenStyle style) {
        if (current > 0.0) {
            legend.push_back({QString::fromLatin1(text), QPen(colour, 1, style), {}});
        }
    };
    level(average_, "average", kAverageColour, Qt::DashDotLine);
    level(continuousLimit_, "continuous limit", kLimitColour, Qt::DashLine);
    level(pulseLimit_, "pulse limit", kLimitColour, Qt::DotLine);
    if (!timeline_.segments.empty()) {
        legend.push_back(
            {QStringLiteral("short mode, drawn wider"), QPen(Qt::NoPen), QBrush(kWidenedColour)});
    }
    SetLegend(std::move(legend));
}

QString TimelineChart::title() const {
    return workspace_ == nullptr
               ? QString()
               : QStringLiteral("Current over time: ") + ToDisplay(ChartContext(*workspace_));
}

void TimelineChart::ScaleChanged() {
    SetRanges(false);
}

const TimelineLayout& TimelineChart::LayoutFor(int plotWidth) const {
    if (plotWidth != layoutWidth_) {
        const double minimum = std::max(6.0, 0.6 * fontMetrics().height());
        layout_ = LayoutTimeline(timeline_, plotWidth, minimum);
        layoutWidth_ = plotWidth;
    }
    return layout_;
}

double TimelineChart::XToAxis(double value, int plotWidth) const {
    return LayoutFor(plotWidth).FractionAt(value);
}

double TimelineChart::XFromAxis(double coordinate, int plotWidth) const {
    return LayoutFor(plotWidth).TimeAt(coordinate);
}

void TimelineChart::DrawData(QPainter& painter, const QRect& plot) const {
    const TimelineLayout& layout = LayoutFor(plot.width());
    std::vector<QRect> bands;
    for (std::size_t i = 0; i < layout.widened.size(); ++i) {
        if (layout.widened[i]) {
            AddBand(bands, plot, XAt(plot, layout.fractions[i]),
                    XAt(plot, layout.fractions[i + 1]));
        }
    }
    FillBands(painter, plot, bands);
    DrawLevels(painter, plot);
    DrawSteps(painter, plot);
}

void TimelineChart::DrawLevels(QPainter& painter, const QRect& plot) const {
    const auto line = [&](double current, const QColor& colour, Qt::PenStyle style) {
        if (current > 0.0) {
            painter.setPen(QPen(colour, 1, style));
            painter.drawLine(QPointF(plot.left(), Y(plot, current)),
                             QPointF(plot.right(), Y(plot, current)));
        }
    };
    line(continuousLimit_, kLimitColour, Qt::DashLine);
    line(pulseLimit_, kLimitColour, Qt::DotLine);
    line(average_, kAverageColour, Qt::DashDotLine);
}

void TimelineChart::DrawSteps(QPainter& painter, const QRect& plot) const {
    // One polyline with a thin cosmetic pen: a wide pen makes the painter stroke every corner
    // of a long profile, which costs far more than the whole refresh.
    const std::vector<TimelinePoint>& drawing = timeline_.drawing;
    QPolygonF steps;
    steps.reserve(static_cast<qsizetype>(2 * drawing.size() + 1));
    steps << QPointF(X(plot, drawing.front().time), Y(plot, drawing.front().current));
    for (std::size_t i = 1; i < drawing.size(); ++i) {
        const TimelinePoint& point = drawing[i];
        const double x = X(plot, point.time);
        steps << QPointF(x, Y(plot, drawing[i - 1].current)) << QPointF(x, Y(plot, point.current));
    }
    steps << QPointF(X(plot, timeline_.period), Y(plot, drawing.back().current));
    QPen pen(kStepColour, 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawPolyline(steps);
}

std::string TimelineChart::TipAt(QPoint position, QSize size) const {
    const QRect plot = PlotArea(size);
    if (timeline_.segments.empty() || !(timeline_.period > 0.0) || !plot.contains(position)) {
        return {};
    }
    const AxisRange view = xAxis().view;
    const double at = view.low + static_cast<double>(position.x() - plot.left()) / plot.width() *
                                     (view.high - view.low);
    const TimelineLayout& layout = LayoutFor(plot.width());
    const int index = layout.SegmentAt(at);
    if (index < 0) {
        return {};
    }
    const TimelineSegment& segment = timeline_.segments[static_cast<std::size_t>(index)];
    std::string tip = labels_[static_cast<std::size_t>(index)] + ": " +
                      FormatCurrent(segment.current) + ", " +
                      FormatTime(static_cast<float>(segment.duration));
    if (layout.widened[static_cast<std::size_t>(index)]) {
        tip += " (drawn wider than its time)";
    }
    return tip;
}

}  // namespace runwell::ui
