#include "ui/widgets/AppIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace runwell::ui {
namespace {

/// Paints the icon when a size of it is first asked for, not when it is made: the window
/// system may never ask for some sizes, and start-up need not wait for any.
class AppIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 32.0, rect.height() / 32.0);
        PaintAppIcon(*painter);
        painter->restore();
    }

    QIconEngine* clone() const override { return new AppIconEngine; }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(16, 16), QSize(32, 32)};
    }
};

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

QIcon AppIcon() { return QIcon(new AppIconEngine); }

}  // namespace runwell::ui
