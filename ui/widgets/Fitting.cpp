#include "ui/widgets/Fitting.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMetaObject>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>
#include <QWidget>
#include <algorithm>

namespace runwell::ui {
namespace {

/// Fits each window as it is shown, and once more after it has laid itself out (a message box
/// sizes itself to its text only then).
class ScreenKeeper : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            const Qt::WindowType type = widget->windowType();
            if (widget->isWindow() && (type == Qt::Window || type == Qt::Dialog)) {
                // Only its size for now: a dialog not moved yet is then centred on its parent.
                FitSizeToScreen(widget);
                QMetaObject::invokeMethod(
                    widget,
                    [window = QPointer<QWidget>(widget)] {
                        if (window != nullptr && window->isVisible()) {
                            FitToScreen(window);
                        }
                    },
                    Qt::QueuedConnection);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

QRect FreeArea(const QWidget* widget) {
    const QWidget* over = widget;
    if (!widget->isVisible() && widget->parentWidget() != nullptr) {
        over = widget->parentWidget()->window();
    }
    // The window's frame as the window system draws it; before a window is first shown its
    // frame is unknown, and a title bar is allowed for.
    const QRect frame = widget->frameGeometry();
    const QRect inner = widget->geometry();
    QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(),
                     frame.right() - inner.right(), frame.bottom() - inner.bottom());
    if (margins.top() <= 0) {
        margins.setTop(widget->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, widget));
    }
    return over->screen()->availableGeometry().marginsRemoved(margins);
}

QRect FitWithin(const QRect& window, const QRect& area) {
    const QSize size = window.size().boundedTo(area.size());
    const int x = std::clamp(window.x(), area.left(), area.left() + area.width() - size.width());
    const int y = std::clamp(window.y(), area.top(), area.top() + area.height() - size.height());
    return QRect(QPoint(x, y), size);
}

QSize StartSize(QSize design, const QWidget* window) {
    const QSize room = FreeArea(window).size();
    return design.boundedTo(QSize(room.width() * 9 / 10, room.height() * 9 / 10));
}

void FitSizeToScreen(QWidget* window) {
    const QSize room = FreeArea(window).size();
    if (room.isEmpty()) {
        return;
    }
    const QSize minimum = window->minimumSize();
    if (minimum.width() > room.width() || minimum.height() > room.height()) {
        window->setMinimumSize(minimum.boundedTo(room));
    }
    if (window->width() > room.width() || window->height() > room.height()) {
        window->resize(window->size().boundedTo(room));
    }
}

void FitToScreen(QWidget* window) {
    FitSizeToScreen(window);
    const QRect fitted = FitWithin(window->geometry(), FreeArea(window));
    if (fitted.topLeft() != window->geometry().topLeft()) {
        window->move(window->pos() + fitted.topLeft() - window->geometry().topLeft());
    }
}

void KeepWindowsOnScreen() {
    static ScreenKeeper* keeper = nullptr;
    if (keeper == nullptr) {
        keeper = new ScreenKeeper(qApp);
        qApp->installEventFilter(keeper);
    }
}

ElidedField::ElidedField(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
}

QRect ElidedField::TextRect() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    // QLineEdit keeps two pixels each side of its text.
    return style()
        ->subElementRect(QStyle::SE_LineEditContents, &option, this)
        .marginsRemoved(textMargins())
        .adjusted(2, 0, -2, 0);
}

QString ElidedField::ShownText() const {
    if (hasFocus()) {
        return text();
    }
    return fontMetrics().elidedText(text(), Qt::ElideRight, TextRect().width());
}

void ElidedField::paintEvent(QPaintEvent* event) {
    const QString shown = ShownText();
    if (shown == text()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(TextRect(), Qt::AlignLeft | Qt::AlignVCenter, shown);
}

bool ElidedField::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && ShownText() != text()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        return true;
    }
    return QLineEdit::event(event);
}

}  // namespace runwell::ui
