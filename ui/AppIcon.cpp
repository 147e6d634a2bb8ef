#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace runwell::ui {
namespace {

/// Draws the icon scaled to `size` pixels.
QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    PaintAppIcon(painter);
    return pixmap;
}

}  // namespace

void PaintAppIcon(QPainter& painter) {
    // Body and terminal of an upright cell.
    const QColor outline(32, 48, 64);
    painter.setPen(QPen(outline, 2.0));
    painter.setBrush(QColor(232, 240, 232));
    painter.drawRoundedRect(QRectF(7, 6, 18, 24), 2.5, 2.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(outline);
    painter.drawRect(QRectF(12, 2, 8, 4));

    // Charge level.
    painter.setBrush(QColor(60, 170, 80));
    painter.drawRect(QRectF(9, 17, 14, 12));

    // The pulse: a flat line with one sharp spike, as a current trace shows a short active mode.
    QPainterPath pulse;
    pulse.moveTo(2, 20);
    pulse.lineTo(11, 20);
    pulse.lineTo(14, 9);
    pulse.lineTo(18, 26);
    pulse.lineTo(21, 20);
    pulse.lineTo(30, 20);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255), 4.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(pulse);
    painter.setPen(QPen(QColor(200, 30, 30), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(pulse);
}

QIcon AppIcon() {
    QIcon icon;
    icon.addPixmap(DrawIcon(32));
    icon.addPixmap(DrawIcon(16));
    return icon;
}

}  // namespace runwell::ui
