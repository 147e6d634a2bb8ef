#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "base/Prompter.h"
#include "session/Workspace.h"

namespace runwell::cli {

struct Context;

/// Writes every message the window would show in a box to standard error, one line each, as
/// "runwell-cli: FILE: TEXT" with the file the message concerns: the settings file while one is
/// loaded, the data folder's files at start-up.
class StderrPrompter : public Prompter {
public:
    /// Notices (a custom battery file that could not be created) are printed only when
    /// `verbose`.
    StderrPrompter(std::ostream& err, DataLocation data, bool verbose);

    void ShowMessage(const std::string& text, MessageKind kind) override;
    bool AskOkCancel(const std::string& text, const std::string& caption) override;

    /// The file the messages from now on concern, where the text itself does not tell.
    void SetSubject(std::filesystem::path subject) { subject_ = std::move(subject); }
    /// Prints `text` as a message about the current subject.
    void Print(const std::string& text);

    int shown() const { return shown_; }

private:
    std::filesystem::path SubjectOf(const std::string& text) const;

    std::ostream& err_;
    DataLocation data_;
    bool verbose_ = false;
    std::filesystem::path subject_;
    int shown_ = 0;
};

/// What a file given for a settings file is when it is plainly another kind, a text (see
/// ClassifyForeignFile), and the command to use instead: "board.csv is a CSV file, not a
/// settings file; for a current trace use runwell-cli trace."; nothing when it may be one.
std::optional<std::string> NotSettingsMessage(const std::filesystem::path& file);

/// Start-up from the data (messages about the data's files) and the settings load, as the window does them; empty when
/// either failed (the messages were printed).
std::optional<Workspace> OpenSettings(const DataLocation& data,
                                      const std::filesystem::path& settings,
                                      StderrPrompter& prompter);
/// OpenSettings of the settings file a command's argument names, its messages on standard error.
std::optional<Workspace> OpenSettingsArgument(const Context& context, std::string_view argument);

}  // namespace runwell::cli
