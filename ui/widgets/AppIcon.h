#pragma once

#include <QIcon>

class QPainter;

namespace runwell::ui {

/// The application's icon: a battery crossed by a current pulse, drawn at 32 x 32 and 16 x 16.
QIcon AppIcon();

/// Paints the icon's design on a 32 x 32 grid from the painter's origin; the caller scales.
/// The window icon and the installed icon files (tools/render_icons.cpp) are drawn by it.
void PaintAppIcon(QPainter& painter);

}  // namespace runwell::ui
