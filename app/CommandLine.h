#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>

namespace runwell::app {

/// What the program's arguments ask for: either to start (with a settings file to load once the
/// window is up), or to print `output` (help, the version, or a one-line error) and end with
/// `exitCode`.
struct CommandLine {
    std::optional<int> exitCode;  // set: print and end, do not start
    QString output;               // for standard output (exit code 0) or standard error
    std::optional<std::filesystem::path> settingsFile;
};

/// Reads `arguments` (the program's name first): --help and --version print and end with 0;
/// an unknown option, or more than one file, ends with 2 and a one-line error.
CommandLine ParseCommandLine(const QStringList& arguments, const QString& version);

}  // namespace runwell::app
