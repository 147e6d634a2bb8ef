#pragma once

#include <QTableWidget>
#include <functional>

namespace runwell::ui {

/// A list whose left-button clicks and double clicks in the rows' area are reported after the
/// view has handled them, so the list's current row is already the clicked one (or unchanged
/// for a click below the rows). The release that ends a double click is not a click. Space and
/// Enter on the highlighted row are a click too, so the keyboard can pick what the mouse picks.
/// A cell whose text does not fit shows it whole as its tooltip.
class ClickList : public QTableWidget {
public:
    using QTableWidget::QTableWidget;

    std::function<void()> onClick;
    std::function<void()> onDoubleClick;
    /// A row dragged with the left button and dropped on another row: the two rows, instead of
    /// a click. Without it a drag ends as a click.
    std::function<void(int from, int to)> onDragRow;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    bool afterDoubleClick_ = false;
    int pressRow_ = -1;  // the row a left-button press began on
};

}  // namespace runwell::ui
