#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Command.h"
#include "session/Workspace.h"

namespace runwell::cli {

/// The options that predict the life through a regulator, over a mission, at the worst case.
struct PredictionArguments {
    std::optional<std::string> regulator;  // a regulator file
    std::optional<std::string> mission;    // a mission file, JSON or a CSV of temperatures
    bool worstCase = false;
    std::optional<double> currentSpread;   // percent
    std::optional<double> capacitySpread;  // percent
    std::vector<std::string> modeSpreads;  // "MODE=PERCENT" as given, MODE from 1

    bool Given() const {
        return regulator || mission || worstCase || currentSpread || capacitySpread ||
               !modeSpreads.empty();
    }
};

/// Adds --regulator FILE, --mission FILE, --worst-case, --current-spread PERCENT,
/// --mode-spread MODE=PERCENT (repeatable; a word that is not of that form is a usage error)
/// and --capacity-spread PERCENT to `parser`.
void AddPredictionOptions(CLI::App* parser, PredictionArguments& args);

/// The help text of those options, to follow a command's own.
inline constexpr const char* kPredictionUsage =
    "      --regulator FILE predicts the life through the regulator of FILE (a regulator file\n"
    "      as in the Regulators folder) at the device's supply voltage; --mission FILE over the\n"
    "      temperatures of a mission file (.json) or of a CSV of time and temperature;\n"
    "      --worst-case adds the worst corner of the device current spread (--current-spread,\n"
    "      percent above typical) and the capacity spread (--capacity-spread, percent below\n"
    "      typical; the chemistry's default otherwise). --mode-spread MODE=PERCENT, once per\n"
    "      mode, gives mode MODE (numbered from 1 as the report lists them) a spread of its own\n"
    "      in place of --current-spread's. They replace what the profile's own extra settings\n"
    "      give.\n";

/// Reads the files the options name and gives the workspace's prediction the options given,
/// over those the profile's extras set. kDone; kFailed, after a message naming the file and the
/// field, when a file cannot be read or is malformed; kUsage, after a message naming the word,
/// for a mode the profile does not have or one given twice. The workspace is unchanged unless
/// kDone.
int ApplyPredictionArguments(const Context& context, const PredictionArguments& args,
                              Workspace& workspace);

}  // namespace runwell::cli
