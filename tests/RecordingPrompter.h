#pragma once

#include <string>
#include <vector>

#include "base/Prompter.h"

namespace runwell {

/// Keeps every message the core shows, with its kind, and answers every question with `answer`.
class RecordingPrompter : public Prompter {
public:
    void ShowMessage(const std::string& text, MessageKind kind) override {
        messages.push_back(text);
        kinds.push_back(kind);
    }
    bool AskOkCancel(const std::string&, const std::string&) override { return answer; }

    std::vector<std::string> messages;
    std::vector<MessageKind> kinds;
    bool answer = true;
};

}  // namespace runwell
