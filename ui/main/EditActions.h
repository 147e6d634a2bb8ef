#pragma once

#include <functional>
#include <memory>

namespace runwell {
class ProfileHistory;
class Prompter;
class Workspace;
}  // namespace runwell

namespace runwell::ui {

/// The main window's edits beyond its buttons: undo and redo over the workspace's history, and
/// duplicating and moving the current mode. The history looks at the workspace after every action
/// (`Observe`, which the window's refresh calls), so every change the window makes is undoable.
/// After an edit, `refresh` shows the workspace again (true: the mode rows are rebuilt).
class EditActions {
public:
    EditActions(Workspace& workspace, Prompter& prompter,
                std::function<void(bool rebuildModeRows)> refresh);
    ~EditActions();

    void Observe();
    void OnUndo();
    void OnRedo();
    void OnDuplicate();
    /// Moves the current mode one row up (-1) or down (+1).
    void OnMove(int step);
    /// Moves the mode of row `from` to row `to` (a drag in the mode list), as one change.
    void OnDrag(int from, int to);

private:
    Workspace& workspace_;
    Prompter& prompter_;
    std::function<void(bool rebuildModeRows)> refresh_;
    std::unique_ptr<ProfileHistory> history_;
};

}  // namespace runwell::ui
