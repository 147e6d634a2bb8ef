#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "base/Prompter.h"

namespace runwell {

/// Whether the profile differs from the settings file it was last saved to or loaded from, and
/// that file. A new session is unmodified and has no file.
class SaveState {
public:
    bool modified() const { return modified_; }
    /// The file last saved or loaded completely; empty before the first.
    const std::filesystem::path& file() const { return file_; }

    void MarkModified() { modified_ = true; }
    void SetModified(bool modified) { modified_ = modified; }
    /// The profile now equals `file`.
    void MarkSaved(std::filesystem::path file) {
        file_ = std::move(file);
        modified_ = false;
    }

private:
    bool modified_ = false;
    std::filesystem::path file_;
};

/// The main window's caption: "Quennel KDR Runwell v1.30", then " - " and the file's name once
/// there is a file, then "*" while the profile is modified.
std::string WindowCaption(const SaveState& state);

/// Before unsaved work would be lost (closing, opening another file): with a modified profile,
/// asks `question` (whether to save it first). Save runs `save`, which returns false when the
/// save was cancelled or failed. True when the caller may go on.
bool ConfirmDiscard(const SaveState& state, Prompter& prompter,
                    const std::function<bool()>& save, const std::string& question);

}  // namespace runwell
