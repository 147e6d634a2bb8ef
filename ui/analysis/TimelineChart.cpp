#include "ui/analysis/TimelineChart.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "base/Messages.h"
#include "estimate/Format.h"
#include "platform/Platform.h"
#include "session/Workspace.h"
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
    const Decades decades = DecadesOf(currents);
    const QRect plot = PlotArea(size);
    const double span = decades.high - decades.low;
    const auto x = [&](double time) { return plot.left() + time / timeline_.period * plot.width(); };
    const auto y = [&](double current) {
        if (!(current > 0.0)) {
            return static_cast<double>(plot.bottom());  // no current: the axis itself
        }
        const double at = std::clamp((std::log10(current) - decades.low) / span, 0.0, 1.0);
        return plot.bottom() - at * plot.height();
    };

    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(palette().mid().color());
    painter.drawRect(plot);
    for (int decade = decades.low; decade <= decades.high; ++decade) {
        const double current = std::pow(10.0, decade);
        const double at = y(current);
        painter.drawLine(QPointF(plot.left() - 4, at), QPointF(plot.left(), at));
        painter.drawText(QRectF(0, at - metrics.height() / 2.0, plot.left() - 6, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter,
                         ToDisplay(FormatCurrent(static_cast<float>(current))));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + 4, plot.width(), metrics.height()),
                     Qt::AlignLeft, QStringLiteral("0"));
    painter.drawText(QRectF(plot.left(), plot.bottom() + 4, plot.width(), metrics.height()),
                     Qt::AlignRight, ToDisplay(FormatTime(static_cast<float>(timeline_.period))));

    const auto line = [&](double current, const QColor& colour, Qt::PenStyle style) {
        if (current > 0.0) {
            painter.setPen(QPen(colour, 1, style));
            painter.drawLine(QPointF(plot.left(), y(current)), QPointF(plot.right(), y(current)));
        }
    };
    line(continuousLimit_, kLimitColour, Qt::DashLine);
    line(pulseLimit_, kLimitColour, Qt::DotLine);
    line(average_, kAverageColour, Qt::DashDotLine);

    // The key, at the plot's top right: only the lines that are drawn.
    struct Key {
        const char* text;
        double current;
        QColor colour;
        Qt::PenStyle style;
    };
    const Key keys[] = {{"average", average_, kAverageColour, Qt::DashDotLine},
                        {"continuous limit", continuousLimit_, kLimitColour, Qt::DashLine},
                        {"pulse limit", pulseLimit_, kLimitColour, Qt::DotLine}};
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
        painter.setPen(palette().text().color());
        painter.drawText(QRect(left + 24, keyTop, keyWidth - 24, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(key.text));
        keyTop += metrics.height();
    }

    // One polyline with a thin cosmetic pen: a wide pen makes the painter stroke every corner
    // of a long profile, which costs far more than the whole refresh.
    QPolygonF steps;
    steps.reserve(static_cast<qsizetype>(2 * timeline_.drawing.size() + 1));
    steps << QPointF(x(timeline_.drawing.front().time), y(timeline_.drawing.front().current));
    for (std::size_t i = 1; i < timeline_.drawing.size(); ++i) {
        const TimelinePoint& point = timeline_.drawing[i];
        steps << QPointF(x(point.time), y(timeline_.drawing[i - 1].current))
              << QPointF(x(point.time), y(point.current));
    }
    steps << QPointF(x(timeline_.period), y(timeline_.drawing.back().current));
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
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(), size));
        QPainter painter;
        if (!painter.begin(&svg)) {
            file.cancelWriting();
            return Error{msg::kWriteFailed};
        }
        Render(painter, size);
        painter.end();
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
