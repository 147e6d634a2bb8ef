#include "session/ProfileHistory.h"

#include <utility>

namespace runwell {

ProfileHistory::ProfileHistory(const Workspace& workspace) : seen_(workspace.State()) {
    if (!workspace.saveState().modified()) {
        savedAt_ = 0;
    }
}

void ProfileHistory::Observe(const Workspace& workspace) {
    ProfileState now = workspace.State();
    if (!SameProfile(now, seen_)) {
        if (savedAt_ && *savedAt_ > undo_.size()) {
            savedAt_.reset();  // the saved state was on the redo side, now dropped
        }
        undo_.push_back(std::move(seen_));
        redo_.clear();
        Trim();
    }
    seen_ = std::move(now);
    if (!workspace.saveState().modified()) {
        savedAt_ = undo_.size();
    }
}

bool ProfileHistory::Undo(Workspace& workspace, Prompter& prompter) {
    return Step(workspace, prompter, undo_, redo_);
}

bool ProfileHistory::Redo(Workspace& workspace, Prompter& prompter) {
    return Step(workspace, prompter, redo_, undo_);
}

bool ProfileHistory::Step(Workspace& workspace, Prompter& prompter,
                          std::vector<ProfileState>& from, std::vector<ProfileState>& to) {
    if (from.empty() || !workspace.Restore(from.back(), prompter)) {
        return false;
    }
    to.push_back(std::move(seen_));
    seen_ = std::move(from.back());
    from.pop_back();
    workspace.SetModified(!(savedAt_ && *savedAt_ == undo_.size()));
    return true;
}

void ProfileHistory::Trim() {
    std::size_t kept = 0;
    for (const ProfileState& state : undo_) {
        kept += state.modes.size();
    }
    std::size_t drop = 0;
    while (drop < undo_.size() && (undo_.size() - drop > kMaxSteps || kept > kMaxKeptModes)) {
        kept -= undo_[drop].modes.size();
        ++drop;
    }
    if (drop == 0) {
        return;
    }
    undo_.erase(undo_.begin(), undo_.begin() + static_cast<std::ptrdiff_t>(drop));
    if (savedAt_) {
        savedAt_ = *savedAt_ >= drop ? std::optional(*savedAt_ - drop) : std::nullopt;
    }
}

}  // namespace runwell
