#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace runwell::ui {

/// The windows are designed in dialog units, which follow the font in use: a horizontal unit is a
/// quarter of the font's average character width, a vertical unit an eighth of its height. The
/// design's reference font has a 6 x 13 pixel character cell.
class DialogUnits {
public:
    static constexpr int kReferenceCharWidth = 6;
    static constexpr int kReferenceCharHeight = 13;

    DialogUnits(int charWidth, int charHeight) : charWidth_(charWidth), charHeight_(charHeight) {}
    /// The character cell of `font`: the average advance of "A".."Z" and "a".."z", rounded to
    /// whole pixels, and the font's line height.
    static DialogUnits Of(const QFont& font);

    int charWidth() const { return charWidth_; }
    int charHeight() const { return charHeight_; }

    /// Units to pixels, rounded half away from zero.
    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

    /// How much larger this cell is than the reference cell, horizontally and vertically.
    double ScaleX() const { return static_cast<double>(charWidth_) / kReferenceCharWidth; }
    double ScaleY() const { return static_cast<double>(charHeight_) / kReferenceCharHeight; }

private:
    int charWidth_;
    int charHeight_;
};

}  // namespace runwell::ui
