#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "base/Prompter.h"
#include "session/Workspace.h"

namespace runwell {

/// Undo and redo over a workspace. The history watches rather than wraps: after every action the
/// view calls Observe, and when the profile differs from the state it saw last, that state
/// becomes an undo step and the redo steps are dropped. So every kind of change (a mode added,
/// modified, removed, duplicated or moved, a battery picked, another device, voltage or
/// temperature, a minimum voltage, a load, a profile made from a trace) is undoable without
/// each knowing of the history.
///
/// The saved mark follows the history: the position last seen unmodified (saved or loaded, or the
/// start) is remembered, and undo or redo back to it clears the mark; a new change made after
/// undoing past it makes it unreachable.
class ProfileHistory {
public:
    /// At most this many undo steps are kept, and at most kMaxKeptModes modes over all of them;
    /// the oldest go first.
    static constexpr std::size_t kMaxSteps = 100;
    static constexpr std::size_t kMaxKeptModes = 1000000;

    explicit ProfileHistory(const Workspace& workspace);

    /// After an action: records the change, if there was one, and where the saved state is.
    void Observe(const Workspace& workspace);

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    /// Brings back the state before the last change. False, with the workspace and the history
    /// unchanged, when there is nothing to undo or the state cannot be restored (its device file
    /// no longer loads; the loader says why).
    bool Undo(Workspace& workspace, Prompter& prompter);
    /// Brings back the state the last undo left.
    bool Redo(Workspace& workspace, Prompter& prompter);

private:
    bool Step(Workspace& workspace, Prompter& prompter, std::vector<ProfileState>& from,
              std::vector<ProfileState>& to);
    void Trim();

    ProfileState seen_;
    std::vector<ProfileState> undo_;
    std::vector<ProfileState> redo_;
    /// The undo depth at which the workspace was last unmodified, when it can still be reached.
    std::optional<std::size_t> savedAt_;
};

}  // namespace runwell
