#include "ui/widgets/WindowStyle.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QGroupBox>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStyleOption>
#include <algorithm>

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
}

}  // namespace runwell::ui
