#pragma once

#include <QLineEdit>
#include <QRect>

class QWidget;

namespace runwell::ui {

/// Where a window's client area may stand: the free area (less the task bar) of the screen
/// `widget` is on, or of its parent's screen for a window not yet shown, less the window's frame
/// (or room for a title bar while the frame is unknown).
QRect FreeArea(const QWidget* widget);

/// `window` moved and, where it is larger, cut down so that it lies inside `area`: a window
/// keeps its place where it fits and is pushed back from the edge it crosses otherwise.
QRect FitWithin(const QRect& window, const QRect& area);

/// A window's starting size: `design`, made no larger than nine tenths of FreeArea(window) so
/// that a large window opens with a margin on any screen at any scale.
QSize StartSize(QSize design, const QWidget* window);

/// Makes `window` (a top-level widget) no larger than FreeArea(window), its minimum size too.
void FitSizeToScreen(QWidget* window);

/// Fits `window` into FreeArea(window): its size as FitSizeToScreen makes it, and moved inside.
void FitToScreen(QWidget* window);

/// Makes every window and dialog of the running application, message boxes included, fit into
/// its screen's free area each time it is shown.
void KeepWindowsOnScreen();

/// A read-only field for a result: a text too long for the field is shown cut with an ellipsis
/// ("5 years 12 d...") and whole in the field's tooltip, never silently cut. text() is the
/// whole text; with the focus the field shows it whole for selecting and copying.
class ElidedField : public QLineEdit {
public:
    explicit ElidedField(QWidget* parent = nullptr);

    /// What the field shows without the focus: its text, or the text cut with an ellipsis.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRect TextRect() const;
};

}  // namespace runwell::ui
