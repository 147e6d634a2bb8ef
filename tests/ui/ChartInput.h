#pragma once
// The mouse on a chart as a user moves it: a move, a press, a drag, a context menu.

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include "UiTestSupport.h"

namespace runwell::ui::test_support {

inline void Send(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
                 Qt::MouseButtons held, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, keys);
    QApplication::sendEvent(widget, &event);
}

inline void Drag(QWidget* widget, QPoint from, QPoint to, Qt::MouseButton button) {
    Send(widget, QEvent::MouseButtonPress, from, button, button);
    Send(widget, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, button);
    Send(widget, QEvent::MouseMove, to, Qt::NoButton, button);
    Send(widget, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

/// Opens the chart's context menu and triggers the action `name`; false when it is disabled.
inline bool UseMenu(QWidget* chart, const char* name) {
    bool enabled = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        auto* action = Find<QAction>(menu, name);
        enabled = action->isEnabled();
        menu->close();
        if (enabled) {
            action->trigger();
        }
    });
    const QPoint centre = chart->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, centre, chart->mapToGlobal(centre));
    QApplication::sendEvent(chart, &event);
    return enabled;
}

}  // namespace runwell::ui::test_support
