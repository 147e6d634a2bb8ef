#include "ui/analysis/TimelineChart.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "base/Messages.h"
#include "estimate/Format.h"
#include "platform/Platform.h"
#include "session/Workspace.h"
#include "ui/analysis/SvgPaintDevice.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

const QColor kStepColour(0, 90, 200);
const QColor kAverageColour(0, 127, 0);
const QColor kLimitColour(255, 0, 0);

/// The decades of the current axis: from the decade below the smallest positive current to
/// the one above the largest; a chart without a positive current spans 1 nA to 1 uA.
struct Decades {
    int low = 0;
    int high = 3;
};

Decades DecadesOf(const std::vector<double>& currents) {
    double low = 0.0;
    double high = 0.0;
    for (const double current : currents) {
        if (std::isfinite(current) && current > 0.0) {
            low = low == 0.0 ? current : std::min(low, current);
            high = std::max(high, current);
        }
    }
    if (high <= 0.0) {
        return {};
    }
    Decades decades{static_cast<int>(std::floor(std::log10(low))),
                    static_cast<int>(std::ceil(std::log10(high)))};
    if (decades.high <= decades.low) {
        decades.high = decades.low + 1;
    }
    return decades;
}

/// Where a time and a current fall in the plot: one period across its width, the decades'
/// logarithmic current scale up its height.
struct ChartScale {
    QRect plot;
    Decades decades;
    double period = 0.0;

    double X(double time) const { return plot.left() + time / period * plot.width(); }
    double Y(double current) const {
        if (!(current > 0.0)) {
            return static_cast<double>(plot.bottom());  // no current: the axis itself
        }
        const double span = decades.high - decades.low;
        const double at = std::clamp((std::log10(current) - decades.low) / span, 0.0, 1.0);
        return plot.bottom() - at * plot.height();
    }
};

/// The lines across the plot, in nA; 0 for a line that is not drawn.
struct Levels {
    double average = 0.0;
    double continuousLimit = 0.0;
    double pulseLimit = 0.0;
};

/// The plot's frame, the current axis's decades and the time axis's ends.
void DrawAxes(QPainter& painter, const ChartScale& scale, const QPalette& palette) {
    const QRect& plot = scale.plot;
    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(palette.mid().color());
    painter.drawRect(plot);
    for (int decade = scale.decades.low; decade <= scale.decades.high; ++decade) {
        const double current = std::pow(10.0, decade);
        const double at = scale.Y(current);
        painter.drawLine(QPointF(plot.left() - 4, at), QPointF(plot.left(), at));
        painter.drawText(QRectF(0, at - metrics.height() / 2.0, plot.left() - 6, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter,
                         ToDisplay(FormatCurrent(static_cast<float>(current))));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + 4, plot.width(), metrics.height()),
                     Qt::AlignLeft, QStringLiteral("0"));
    painter.drawText(QRectF(plot.left(), plot.bottom() + 4, plot.width(), metrics.height()),
                     Qt::AlignRight, ToDisplay(FormatTime(static_cast<float>(scale.period))));
}

/// The limits' and the average's lines, and their key at the plot's top right.
void DrawLevels(QPainter& painter, const ChartScale& scale, const QPalette& palette,
                const Levels& levels) {
    const QRect& plot = scale.plot;
    const auto line = [&](double current, const QColor& colour, Qt::PenStyle style) {
        if (current > 0.0) {
            painter.setPen(QPen(colour, 1, style));
            painter.drawLine(QPointF(plot.left(), scale.Y(current)),
                             QPointF(plot.right(), scale.Y(current)));
        }
    };
    line(levels.continuousLimit, kLimitColour, Qt::DashLine);
    line(levels.pulseLimit, kLimitColour, Qt::DotLine);
    line(levels.average, kAverageColour, Qt::DashDotLine);

    // The key: only the lines that are drawn.
    struct Key {
        const char* text;
        double current;
        QColor colour;
        Qt::PenStyle style;
    };
    const Key keys[] = {{"average", levels.average, kAverageColour, Qt::DashDotLine},
                        {"continuous limit", levels.continuousLimit, kLimitColour, Qt::DashLine},
                        {"pulse limit", levels.pulseLimit, kLimitColour, Qt::DotLine}};
    const QFontMetrics metrics = painter.fontMetrics();
    int keyTop = plot.top() + 2;
    const int keyWidth = metrics.horizontalAdvance(QStringLiteral("continuous limit")) + 28;
    for (const Key& key : keys) {
        if (!(key.current > 0.0)) {
            continue;
        }
        const int left = plot.right() - keyWidth;
        const double middle = keyTop + metrics.height() / 2.0;
        painter.setPen(QPen(key.colour, 1, key.style));
        painter.drawLine(QPointF(left, middle), QPointF(left + 20, middle));
        painter.setPen(palette.text().color());
        painter.drawText(QRect(left + 24, keyTop, keyWidth - 24, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(key.text));
        keyTop += metrics.height();
    }
}

/// The profile's steps over one period, from at least two points.
void DrawSteps(QPainter& painter, const ChartScale& scale,
               const std::vector<TimelinePoint>& drawing) {
    // One polyline with a thin cosmetic pen: a wide pen makes the painter stroke every corner
    // of a long profile, which costs far more than the whole refresh.
    QPolygonF steps;
    steps.reserve(static_cast<qsizetype>(2 * drawing.size() + 1));
    steps << QPointF(scale.X(drawing.front().time), scale.Y(drawing.front().current));
    for (std::size_t i = 1; i < drawing.size(); ++i) {
        const TimelinePoint& point = drawing[i];
        steps << QPointF(scale.X(point.time), scale.Y(drawing[i - 1].current))
              << QPointF(scale.X(point.time), scale.Y(point.current));
    }
    steps << QPointF(scale.X(scale.period), scale.Y(drawing.back().current));
    QPen pen(kStepColour, 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawPolyline(steps);
}

}  // namespace

TimelineChart::TimelineChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("timelineChart"));
    setMinimumSize(200, 120);
    setMouseTracking(true);
}

void TimelineChart::Show(const Workspace& workspace) {
    timeline_ = ComputeProfileTimeline(workspace.modes());
    labels_.clear();
    labels_.reserve(timeline_.segments.size());
    for (const TimelineSegment& segment : timeline_.segments) {
        labels_.push_back(workspace.modes()[static_cast<std::size_t>(segment.mode)].label);
    }
    average_ = workspace.results().average;
    const BatteryRecord* battery = workspace.currentBattery();
    continuousLimit_ = battery != nullptr ? battery->maxContinuousCurrent : 0.0;
    pulseLimit_ = battery != nullptr ? battery->maxPulseCurrent : 0.0;
    update();
}

void TimelineChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Render(painter, size());
}

QRect TimelineChart::PlotArea(QSize size) const {
    const QFontMetrics metrics = fontMetrics();
    return QRect(QPoint(), size).adjusted(metrics.horizontalAdvance(QStringLiteral("000.0 mA")) + 8,
                                          metrics.height(), -metrics.horizontalAdvance("0000"),
                                          -2 * metrics.height());
}

void TimelineChart::Render(QPainter& painter, QSize size) const {
    painter.fillRect(QRect(QPoint(), size), palette().base());
    painter.setPen(palette().text().color());
    painter.setFont(font());
    if (timeline_.drawing.size() < 2 || !(timeline_.period > 0.0)) {
        painter.drawText(QRect(QPoint(), size), Qt::AlignCenter, QStringLiteral("?"));
        return;
    }
    std::vector<double> currents{average_, continuousLimit_, pulseLimit_};
    for (const TimelinePoint& point : timeline_.drawing) {
        currents.push_back(point.current);
    }
    const ChartScale scale{PlotArea(size), DecadesOf(currents), timeline_.period};
    DrawAxes(painter, scale, palette());
    DrawLevels(painter, scale, palette(), {average_, continuousLimit_, pulseLimit_});
    DrawSteps(painter, scale, timeline_.drawing);
}

std::string TimelineChart::TipAt(QPoint position, QSize size) const {
    const QRect plot = PlotArea(size);
    if (timeline_.segments.empty() || !(timeline_.period > 0.0) || !plot.contains(position)) {
        return {};
    }
    const double time =
        static_cast<double>(position.x() - plot.left()) / plot.width() * timeline_.period;
    // The last segment that starts at or before `time`.
    const auto after = std::upper_bound(
        timeline_.segments.begin(), timeline_.segments.end(), time,
        [](double at, const TimelineSegment& segment) { return at < segment.start; });
    const TimelineSegment& segment =
        after == timeline_.segments.begin() ? *after : *std::prev(after);
    const std::size_t index = static_cast<std::size_t>(&segment - timeline_.segments.data());
    return labels_[index] + ": " + FormatCurrent(segment.current) + ", " +
           FormatTime(static_cast<float>(segment.duration));
}

void TimelineChart::mouseMoveEvent(QMouseEvent* event) {
    const std::string tip = TipAt(event->position().toPoint(), size());
    if (tip.empty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(event->globalPosition().toPoint(), ToDisplay(tip), this);
    }
}

Status TimelineChart::Export(const std::filesystem::path& path) const {
    // Written to a temporary file that replaces `path` only once complete.
    QSaveFile file(QString::fromStdString(PathToUtf8(path)));
    if (!file.open(QIODevice::WriteOnly)) {
        return Error{msg::kWriteFailed};
    }
    const QSize size = this->size().expandedTo(sizeHint());
    if (path.extension() == ".svg") {
        SvgPaintDevice svg(&file, size);
        QPainter painter;
        if (!painter.begin(&svg)) {
            file.cancelWriting();
            return Error{msg::kWriteFailed};
        }
        Render(painter, size);
        if (!painter.end()) {
            file.cancelWriting();
            return Error{msg::kWriteFailed};
        }
    } else {
        QImage image(size, QImage::Format_ARGB32);
        {
            QPainter painter(&image);
            Render(painter, size);
        }
        if (!image.save(&file, "PNG")) {
            file.cancelWriting();
            return Error{msg::kWriteFailed};
        }
    }
    if (!file.commit()) {
        return Error{msg::kWriteFailed};
    }
    return {};
}

}  // namespace runwell::ui
