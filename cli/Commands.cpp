#include "Commands.h"

#include <ostream>
#include <vector>

#include "model/ModeEditor.h"
#include "model/Prompter.h"
#include "model/Workspace.h"
#include "persist/Report.h"
#include "persist/SettingsFile.h"

namespace runwell::cli {
namespace {

/// Writes every message the GUI would show in a box to standard error, one per line.
class StderrPrompter : public Prompter {
public:
    StderrPrompter(std::ostream& err, bool verbose) : err_(err), verbose_(verbose) {}

    void ShowMessage(const std::string& text, MessageKind kind) override {
        if (kind == MessageKind::Notice && !verbose_) {
            return;
        }
        ++shown_;
        Print(text);
    }

    bool AskOkCancel(const std::string& text, const std::string&) override {
        // The tool starts with an empty profile, so a load never needs to ask; answer as a
        // user who wants the file applied would.
        Print(text + " OK");
        return true;
    }

    void Print(const std::string& text) {
        std::string line;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                continue;
            }
            line += text[i];
        }
        while (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        err_ << line << '\n';
    }

    int shown() const { return shown_; }

private:
    std::ostream& err_;
    bool verbose_;
    int shown_ = 0;
};

/// Start-up and the settings load; empty when either failed (the messages were printed).
std::optional<Workspace> Open(const DataLocation& data, const std::filesystem::path& settings,
                              StderrPrompter& prompter) {
    Result<Workspace> started = Workspace::Start(data, prompter);
    if (!started) {
        prompter.Print(started.error().message);
        return std::nullopt;
    }
    Workspace workspace = std::move(started).value();
    // Every message of a load reports a step that failed.
    const int before = prompter.shown();
    LoadSettings(workspace, settings, prompter);
    if (prompter.shown() != before) {
        return std::nullopt;
    }
    return workspace;
}

}  // namespace

int RunReport(const DataLocation& data, const std::filesystem::path& settings,
              const std::optional<std::filesystem::path>& output, std::ostream& out,
              std::ostream& err, bool verbose) {
    StderrPrompter prompter(err, verbose);
    const std::optional<Workspace> workspace = Open(data, settings, prompter);
    if (!workspace) {
        return kFailed;
    }
    if (!output) {
        out << BuildReport(*workspace);
        out.flush();
        if (!out) {
            // A full disk, a closed or broken standard output: the report did not arrive.
            prompter.Print(kStdoutWriteFailed);
            return kFailed;
        }
        return kDone;
    }
    const Status written = CreateReport(*workspace, *output);
    if (!written) {
        prompter.Print(written.error().message);
        return kFailed;
    }
    return kDone;
}

int RunRefresh(const DataLocation& data, const std::filesystem::path& settings,
               const std::filesystem::path& output, std::ostream& err, bool verbose) {
    StderrPrompter prompter(err, verbose);
    std::optional<Workspace> workspace = Open(data, settings, prompter);
    if (!workspace) {
        return kFailed;
    }
    std::vector<ModeRecord> modes = workspace->modes();
    for (std::size_t i = 0; i < modes.size(); ++i) {
        ModeEditor editor(workspace->device(), std::string(workspace->voltage()),
                          std::string(workspace->temperature()), &modes[i]);
        for (const std::string& warning : editor.openingWarnings()) {
            prompter.Print(warning);
        }
        ModeEditor::Confirmation confirmed =
            editor.Confirm(editor.durationText(), editor.systemCurrentText(), editor.name());
        for (const std::string& warning : confirmed.warnings) {
            prompter.Print(warning);
        }
        if (confirmed.record) {
            modes[i] = std::move(*confirmed.record);
        } else {
            prompter.Print("Mode " + std::to_string(i + 1) + " (\"" + modes[i].label +
                           "\") was kept as it was: " + confirmed.refusal);
        }
    }
    workspace->SetModes(std::move(modes));
    const Status saved = SaveSettings(*workspace, output);
    if (!saved) {
        prompter.Print(saved.error().message);
        return kFailed;
    }
    return kDone;
}

}  // namespace runwell::cli
