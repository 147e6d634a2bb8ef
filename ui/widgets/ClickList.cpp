#include "ui/widgets/ClickList.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <utility>

namespace runwell::ui {

void ClickList::mousePressEvent(QMouseEvent* event) {
    afterDoubleClick_ = false;
    pressRow_ = event->button() == Qt::LeftButton ? rowAt(event->position().toPoint().y()) : -1;
    QTableWidget::mousePressEvent(event);
}

void ClickList::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (afterDoubleClick_) {
        afterDoubleClick_ = false;
        return;
    }
    const int from = std::exchange(pressRow_, -1);
    const int to = rowAt(event->position().toPoint().y());
    if (onDragRow && from >= 0 && to >= 0 && to != from) {
        onDragRow(from, to);
        return;
    }
    if (onClick) {
        onClick();
    }
}

void ClickList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    afterDoubleClick_ = true;
    if (onDoubleClick) {
        onDoubleClick();
    }
}

void ClickList::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (modifiers == Qt::NoModifier &&
        (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        // The highlighted row becomes the selected one, as under a click; Enter goes no further,
        // so it never reaches the window.
        if (currentRow() >= 0) {
            selectRow(currentRow());
        }
        event->accept();
        if (onClick) {
            onClick();
        }
        return;
    }
    QTableWidget::keyPressEvent(event);
}

bool ClickList::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QTableWidget::viewportEvent(event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    const QTableWidgetItem* cell = itemAt(help->pos());
    if (cell == nullptr) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // The text's width in the cell's own font (the current row is bold) against the room the
    // cell leaves for it, its margins on both sides taken off.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int room = visualItemRect(cell).width() - 2 * margin;
    const int needed = QFontMetrics(cell->font()).horizontalAdvance(cell->text());
    if (needed <= room) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), cell->text(), viewport(), visualItemRect(cell));
    return true;
}

}  // namespace runwell::ui
