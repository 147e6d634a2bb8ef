#include "ui/widgets/DialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <cmath>

namespace runwell::ui {
namespace {

int Scale(int units, int cell, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(units) * cell / divisor));
}

}  // namespace

DialogUnits DialogUnits::Of(const QFont& font) {
    const QFontMetrics metrics(font);
    const int advance = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Rounds advance / 52 to the nearest whole pixel.
    return DialogUnits((advance / 26 + 1) / 2, metrics.height());
}

int DialogUnits::X(int units) const {
    return Scale(units, charWidth_, 4);
}
int DialogUnits::Y(int units) const {
    return Scale(units, charHeight_, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}

QSize DialogUnits::Size(int width, int height) const {
    return QSize(X(width), Y(height));
}

}  // namespace runwell::ui
