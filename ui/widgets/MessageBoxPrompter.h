#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "base/Prompter.h"

namespace runwell::ui {

/// Shows the core's messages and questions in modal message boxes. A message carries the
/// application's name as its caption; a question carries the caption it is given.
class MessageBoxPrompter : public Prompter {
public:
    /// `owner` is the window the boxes are centred over; without one they stand alone.
    explicit MessageBoxPrompter(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }

    void ShowMessage(const std::string& text, MessageKind kind) override;
    bool AskOkCancel(const std::string& text, const std::string& caption) override;
    SaveChoice AskSaveDiscardCancel(const std::string& text) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace runwell::ui
