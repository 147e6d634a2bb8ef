#include "ui/main/EditActions.h"

#include <utility>

#include "session/ProfileHistory.h"
#include "session/Workspace.h"

namespace runwell::ui {

EditActions::EditActions(Workspace& workspace, Prompter& prompter,
                         std::function<void(bool rebuildModeRows)> refresh)
    : workspace_(workspace),
      prompter_(prompter),
      refresh_(std::move(refresh)),
      history_(std::make_unique<ProfileHistory>(workspace)) {}

EditActions::~EditActions() = default;

void EditActions::Observe() { history_->Observe(workspace_); }

void EditActions::OnUndo() {
    if (history_->Undo(workspace_, prompter_)) {
        refresh_(true);
    }
}

void EditActions::OnRedo() {
    if (history_->Redo(workspace_, prompter_)) {
        refresh_(true);
    }
}

void EditActions::OnDuplicate() {
    if (workspace_.currentModeRow() >= 0) {
        workspace_.DuplicateCurrentMode();
        refresh_(true);
    }
}

void EditActions::OnMove(int step) {
    if (workspace_.currentModeRow() >= 0) {
        workspace_.MoveCurrentMode(step);
        refresh_(true);
    }
}

void EditActions::OnDrag(int from, int to) {
    workspace_.SelectModeRow(from);
    if (workspace_.currentModeRow() == from) {
        workspace_.MoveCurrentMode(to - from);
    }
    refresh_(true);
}

}  // namespace runwell::ui
