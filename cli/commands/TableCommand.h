#pragma once

#include <iosfwd>
#include <string>

#include "Command.h"

namespace runwell {
class Workspace;
}

namespace runwell::cli {

/// The three forms of one table of the loaded profile, each the whole output.
struct TableForms {
    void (*text)(const Workspace&, std::ostream&) = nullptr;
    std::string (*json)(const Workspace&) = nullptr;
    std::string (*csv)(const Workspace&) = nullptr;
    /// Whether the command takes the predicted life's options (PredictionArguments).
    bool prediction = false;
};

/// A command `name SETTINGS [--format text|json|csv]` that loads the settings file and prints
/// one form of the table; `what` names the table in a standard-output failure.
Command AddTableCommand(CLI::App& app, const std::string& name, std::string usage,
                        std::string what, TableForms forms);

}  // namespace runwell::cli
