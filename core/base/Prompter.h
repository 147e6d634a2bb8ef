#pragma once

#include <string>

namespace runwell {

/// The answers to the question asked before unsaved changes would be lost.
enum class SaveChoice { Save, Discard, Cancel };

enum class MessageKind {
    Plain,    // OK button, the application's name as caption
    Warning,  // exclamation icon
    Error,    // stop icon
    // Shown as Plain; it reports something the session carries on without (a custom battery
    // file that could not be created), so the command-line tool prints it only when asked to
    // be verbose.
    Notice,
};

/// How the core talks to the user: the GUI answers with message boxes, the command-line tool
/// with standard error, tests with scripted answers.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void ShowMessage(const std::string& text, MessageKind kind) = 0;
    /// An OK/Cancel question without an icon; true for OK.
    virtual bool AskOkCancel(const std::string& text, const std::string& caption) = 0;
    /// A Save/Discard/Cancel question with the application's name as caption. A prompter that
    /// cannot ask answers Cancel, so nothing is lost unasked.
    virtual SaveChoice AskSaveDiscardCancel(const std::string& /*text*/) {
        return SaveChoice::Cancel;
    }
};

}  // namespace runwell
