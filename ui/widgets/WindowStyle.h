#pragma once

#include <QFont>
#include <QIcon>
#include <QProxyStyle>

class QPainter;

namespace runwell::ui {

/// The program's style: the platform's own, with one difference in how it works, none in how it
/// looks. The Fusion style reads its group-box frame picture by probing its contents, which
/// loads every image-format plug-in of the system at the window's first paint (several
/// milliseconds of start-up); this style reads the same picture as PNG and draws it as Fusion
/// does.
class WindowStyle : public QProxyStyle {
public:
    /// Over `base` (taken over), or over the platform's default style.
    explicit WindowStyle(QStyle* base = nullptr);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    bool fusion_;
};

/// The program's text: `font` set glyph by glyph from the font's own advances, without
/// kerning, as the dialog framework the window follows sets its text. Latin text then needs no
/// OpenType shaping, which was a third of the text work of the window's first paint; scripts
/// that cannot be read unshaped are shaped still.
QFont WindowFont(QFont font);

/// Gives the running application the program's style and text, so that the program, its
/// screenshots and its window benchmark draw alike, and keeps its windows on their screens
/// (KeepWindowsOnScreen).
void UseWindowLook();

/// The application's icon: a battery crossed by a current pulse, drawn at 32 x 32 and 16 x 16.
QIcon AppIcon();

/// Paints the icon's design on a 32 x 32 grid from the painter's origin; the caller scales.
/// The window icon and the installed icon files (tools/render_icons.cpp) are drawn by it.
void PaintAppIcon(QPainter& painter);

}  // namespace runwell::ui
