#include "ui/analysis/DeratedCurveView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "estimate/Format.h"

namespace runwell::ui {
namespace {

const QColor kCurveColour(0, 127, 0);
const QColor kMinimumColour(255, 0, 0);
const QColor kRegulatorColour(0, 0, 255);

}  // namespace

DeratedCurveView::DeratedCurveView(QWidget* parent) : ChartView(parent) {
    setObjectName("deratedCurve");
}

void DeratedCurveView::SetLife(const DeratedLife& life, std::optional<double> regulatorLimit) {
    life_ = life;
    regulatorLimit_ = regulatorLimit;
    const QString text = QString::fromStdString(DeratedLifeFieldText(life_));
    setToolTip(text);
    SetEmptyText(text + "\n\n" + QString::fromStdString(DeratedCurveNote(life_).value_or("")));
    Axis x{QStringLiteral("Time"), AxisQuantity::Hours, AxisScale::Linear, {0.0, 0.0}, {}, false};
    Axis y{
        QStringLiteral("Loaded voltage"), AxisQuantity::Voltage, AxisScale::Linear, {}, {}, false};
    if (life_.curve.size() >= 2) {
        x.data = {0.0, life_.curve.back().hours};
        double low = std::min(life_.minimumVoltage, regulatorLimit_.value_or(HUGE_VAL));
        double high = std::max(life_.minimumVoltage, regulatorLimit_.value_or(-HUGE_VAL));
        for (const VoltagePoint& point : life_.curve) {
            low = std::min(low, point.volts);
            high = std::max(high, point.volts);
        }
        const double margin = std::max(0.05, (high - low) * 0.1);
        y.data = {low - margin, high + margin};
    }
    SetAxes(x, y, false);
    std::vector<LegendEntry> legend = {
        {QStringLiteral("loaded voltage"), QPen(kCurveColour, 2), {}},
        {QStringLiteral("minimum voltage"), QPen(kMinimumColour, 1, Qt::DashLine), {}}};
    if (regulatorLimit_) {
        legend.push_back(
            {QStringLiteral("Regulator input limit"), QPen(kRegulatorColour, 1, Qt::DotLine), {}});
    }
    SetLegend(std::move(legend));
}

void DeratedCurveView::DrawData(QPainter& painter, const QRect& plot) const {
    painter.setPen(QPen(kMinimumColour, 1, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), Y(plot, life_.minimumVoltage)),
                     QPointF(plot.right(), Y(plot, life_.minimumVoltage)));
    if (regulatorLimit_) {
        painter.setPen(QPen(kRegulatorColour, 1, Qt::DotLine));
        painter.drawLine(QPointF(plot.left(), Y(plot, *regulatorLimit_)),
                         QPointF(plot.right(), Y(plot, *regulatorLimit_)));
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(X(plot, life_.curve.front().hours), Y(plot, life_.curve.front().volts));
    for (const VoltagePoint& point : life_.curve) {
        path.lineTo(X(plot, point.hours), Y(plot, point.volts));
    }
    painter.setPen(QPen(kCurveColour, 2));
    painter.drawPath(path);
    painter.restore();
    if (const std::optional<std::string> note = DeratedCurveNote(life_)) {  // why it is flat
        // Half-way down, on the base colour, clear of the legend and of the flat line.
        const int line = painter.fontMetrics().height();
        const QRectF room(plot.left() + 6, plot.center().y() - line, plot.width() - 12, 3 * line);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        const QString text = QString::fromStdString(*note);
        QColor back = palette().base().color();
        back.setAlpha(220);
        painter.fillRect(painter.boundingRect(room, flags, text).adjusted(-3, -2, 3, 2), back);
        painter.setPen(palette().text().color());
        painter.drawText(room, flags, text);
    }
}

std::string DeratedCurveView::TipAt(QPoint position, QSize size) const {
    const QRect plot = PlotArea(size);
    if (life_.curve.size() < 2 || !plot.contains(position)) {
        return {};
    }
    const double hours = XValueAt(plot, position.x());
    const auto after =
        std::lower_bound(life_.curve.begin(), life_.curve.end(), hours,
                         [](const VoltagePoint& point, double at) { return point.hours < at; });
    if (after == life_.curve.begin() || after == life_.curve.end()) {
        return {};
    }
    const VoltagePoint& before = *std::prev(after);
    const double span = after->hours - before.hours;
    const double volts =
        span > 0.0 ? before.volts + (hours - before.hours) / span * (after->volts - before.volts)
                   : after->volts;
    return FormatTrimmed(hours, 1) + " h: " + FormatTrimmed(volts, 2) + " V";
}

}  // namespace runwell::ui
