#include "ui/widgets/WindowStyle.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QGroupBox>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyleOption>
#include <algorithm>

#include "ui/widgets/Fitting.h"

namespace runwell::ui {
namespace {

/// Fusion's frame picture, or a null pixmap where this Qt has none under that name.
const QPixmap& FusionGroupBoxFrame() {
    static const QPixmap frame = [] {
        QImageReader reader(
            QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png"),
            "png");
        reader.setAutoDetectImageFormat(false);
        return QPixmap::fromImage(reader.read());
    }();
    return frame;
}

}  // namespace

WindowStyle::WindowStyle(QStyle* base)
    : QProxyStyle(base),
      fusion_(baseStyle()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0) {}

void WindowStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    if (element != PE_FrameGroupBox || !fusion_ || FusionGroupBoxFrame().isNull()) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Fusion's geometry: the frame starts below the title line, a 3-pixel margin above it.
    constexpr int kTopMargin = 3;
    int top = kTopMargin;
    const auto* box = qobject_cast<const QGroupBox*>(widget);
    if (!box || box->isCheckable() || !box->title().isEmpty()) {
        top += std::max(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height());
    }
    qDrawBorderPixmap(painter, option->rect.adjusted(0, top, 0, 0), QMargins(6, 6, 6, 6),
                      FusionGroupBoxFrame());
}

QFont WindowFont(QFont font) {
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    return font;
}

void UseWindowLook() {
    QApplication::setStyle(new WindowStyle);
    QApplication::setFont(WindowFont(QApplication::font()));
    KeepWindowsOnScreen();
}

}  // namespace runwell::ui

// The application's icon.

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
