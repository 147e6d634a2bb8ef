#include "Application.h"

#include <new>

namespace runwell::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        if (prompter_ == nullptr) {
            throw;
        }
        prompter_->ShowMessage(kNotEnoughMemory, MessageKind::Error);
        return true;
    }
}

}  // namespace runwell::app
