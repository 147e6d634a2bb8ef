#pragma once

#include <QApplication>

#include "base/Prompter.h"

namespace runwell::app {

/// The program's application object. Running out of memory while handling an event (a load of a
/// very large file, say) ends that action with a message instead of ending the program. Qt's
/// own handlers are built without exceptions, so what they held on the way may leak: a few
/// hundred bytes, against the end of the program.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    /// Where the message goes; none until the window is up, when the exception is passed on.
    void SetPrompter(Prompter* prompter) { prompter_ = prompter; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    Prompter* prompter_ = nullptr;
};

/// The message shown when an action ran out of memory.
inline constexpr const char* kNotEnoughMemory =
    "Not enough memory to finish this action.";

}  // namespace runwell::app
