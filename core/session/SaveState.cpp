#include "session/SaveState.h"

#include "base/Messages.h"

namespace runwell {

std::string WindowCaption(const SaveState& state) {
    std::string caption = msg::kWindowCaption;
    if (!state.file().empty()) {
        caption += " - " + state.file().filename().string();
    }
    if (state.modified()) {
        caption += '*';
    }
    return caption;
}

bool ConfirmDiscard(const SaveState& state, Prompter& prompter,
                    const std::function<bool()>& save, const std::string& question) {
    if (!state.modified()) {
        return true;
    }
    switch (prompter.AskSaveDiscardCancel(question)) {
        case SaveChoice::Save:
            return save();
        case SaveChoice::Discard:
            return true;
        case SaveChoice::Cancel:
            break;
    }
    return false;
}

}  // namespace runwell
