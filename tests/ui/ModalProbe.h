#pragma once

// Runs an action that opens a modal window and answers that window from inside its event loop.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace runwell::ui::test_support {

/// Calls `action`; as soon as a modal window other than `except` is active, hands it to
/// `answer`, which must close it. Returns false when no modal window appeared.
inline bool AnswerModal(const std::function<void()>& action,
                        const std::function<void(QWidget*)>& answer, QWidget* except = nullptr) {
    bool answered = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == except || !modal->isVisible()) {
            return;
        }
        poll.stop();
        answered = true;
        answer(modal);
    });
    poll.start();
    action();
    poll.stop();
    return answered;
}

}  // namespace runwell::ui::test_support
