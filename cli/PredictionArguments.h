#pragma once

#include <optional>
#include <string>

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

    bool Given() const {
        return regulator || mission || worstCase || currentSpread || capacitySpread;
    }
};

/// Adds --regulator FILE, --mission FILE, --worst-case, --current-spread PERCENT and
/// --capacity-spread PERCENT to `parser`.
void AddPredictionOptions(CLI::App* parser, PredictionArguments& args);

/// The help text of those options, to follow a command's own.
inline constexpr const char* kPredictionUsage =
    "      --regulator FILE predicts the life through the regulator of FILE (a regulator file\n"
    "      as in the Regulators folder) at the device's supply voltage; --mission FILE over the\n"
    "      temperatures of a mission file (.json) or of a CSV of time and temperature;\n"
    "      --worst-case adds the worst corner of the device current spread (--current-spread,\n"
    "      percent above typical) and the capacity spread (--capacity-spread, percent below\n"
    "      typical; the chemistry's default otherwise). They replace what the profile's own\n"
    "      extra settings give.\n";

/// Reads the files the options name and gives the workspace's prediction the options given,
/// over those the profile's extras set. False, after a message naming the file and the field,
/// when a file cannot be read or is malformed; the workspace is then unchanged.
bool ApplyPredictionArguments(const Context& context, const PredictionArguments& args,
                              Workspace& workspace);

}  // namespace runwell::cli
