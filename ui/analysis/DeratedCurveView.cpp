#include "ui/analysis/DeratedCurveView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "analysis/CurveScale.h"

namespace runwell::ui {

DeratedCurveView::DeratedCurveView(QWidget* parent) : QWidget(parent) {
    setObjectName("deratedCurve");
    setMinimumSize(200, 120);
}

void DeratedCurveView::SetLife(const DeratedLife& life) {
    life_ = life;
    setToolTip(QString::fromStdString(DeratedLifeFieldText(life_)));
    update();
}

void DeratedCurveView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().text().color());
    const std::optional<std::string> note = DeratedCurveNote(life_);
    if (life_.curve.size() < 2) {
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                         QString::fromStdString(DeratedLifeFieldText(life_)) + "\n\n" +
                             QString::fromStdString(note.value_or("")));
        return;
    }
    const double maxHours = life_.curve.back().hours;
    double low = life_.minimumVoltage;
    double high = life_.minimumVoltage;
    for (const VoltagePoint& point : life_.curve) {
        low = std::min(low, point.volts);
        high = std::max(high, point.volts);
    }
    const double margin = std::max(0.05, (high - low) * 0.1);
    low -= margin;
    high += margin;

    const QFontMetrics metrics = painter.fontMetrics();
    const QRect plot = rect().adjusted(metrics.horizontalAdvance("00.00 V") + 8,
                                       metrics.height(), -metrics.horizontalAdvance("00 y"),
                                       -2 * metrics.height());
    const auto x = [&](double hours) { return plot.left() + hours / maxHours * plot.width(); };
    const auto y = [&](double volts) {
        return plot.bottom() - (volts - low) / (high - low) * plot.height();
    };

    painter.setPen(palette().mid().color());
    painter.drawRect(plot);
    for (const AxisTick& tick : HourTicks(maxHours)) {
        const double at = x(tick.value);
        painter.drawLine(QPointF(at, plot.bottom()), QPointF(at, plot.bottom() + 4));
        painter.drawText(QRectF(at - 40, plot.bottom() + 4, 80, metrics.height()),
                         Qt::AlignHCenter, QString::fromStdString(tick.text));
    }
    for (const AxisTick& tick : VoltTicks(low, high)) {
        const double at = y(tick.value);
        painter.drawLine(QPointF(plot.left() - 4, at), QPointF(plot.left(), at));
        painter.drawText(QRectF(0, at - metrics.height() / 2.0, plot.left() - 6, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(tick.text));
    }

    painter.setPen(QPen(QColor(255, 0, 0), 1, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), y(life_.minimumVoltage)),
                     QPointF(plot.right(), y(life_.minimumVoltage)));
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(x(life_.curve.front().hours), y(life_.curve.front().volts));
    for (const VoltagePoint& point : life_.curve) {
        path.lineTo(x(point.hours), y(point.volts));
    }
    painter.setPen(QPen(QColor(0, 127, 0), 2));
    painter.drawPath(path);
    if (note) {  // says why the line is flat
        painter.setPen(palette().text().color());
        painter.drawText(QRectF(plot.left() + 6, plot.top() + 4, plot.width() - 12,
                                3 * metrics.height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         QString::fromStdString(*note));
    }
}

}  // namespace runwell::ui
