#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "platform/DataLocation.h"

namespace CLI {
class App;
}

namespace runwell::cli {

/// Exit statuses of runwell-cli.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;  // a load, conversion or write failed; nothing was written
inline constexpr int kUsage = 2;
inline constexpr int kCheckFailed = 3;  // `check`: the profile misses a limit
// A save wrote the settings file but not the sidecar of its extras (the message says why).
inline constexpr int kExtrasNotSaved = 4;

/// What every command runs with: where the data is (--data, else the layout found beside the
/// executable), whether notices are printed (--verbose), and the two standard streams.
struct Context {
    DataLocation data;
    bool verbose = false;
    std::ostream& out;
    std::ostream& err;
};

/// One command of the tool: its subcommand in the parser (options and positionals bound to
/// storage the action owns), its section of the help text, and what it does once the command
/// line has been parsed.
struct Command {
    CLI::App* parser = nullptr;
    std::string usage;
    std::function<int(const Context&)> run;
};

/// Each command's file adds its subcommand to `app`.
Command AddReportCommand(CLI::App& app);
Command AddRefreshCommand(CLI::App& app);
Command AddExportCommand(CLI::App& app);
Command AddImportCommand(CLI::App& app);
Command AddCheckCommand(CLI::App& app);
Command AddCompareCommand(CLI::App& app);
Command AddMatrixCommand(CLI::App& app);
Command AddTraceCommand(CLI::App& app);
Command AddBatteryModelCommand(CLI::App& app);

/// Prints the one-line usage error "runwell-cli: PROBLEM (see runwell-cli --help)" and returns
/// kUsage.
int UsageError(std::ostream& err, std::string_view problem);

/// The path a command-line word names (UTF-8 on every system).
std::filesystem::path PathArgument(std::string_view word);

/// Flushes standard output and returns kDone, or says that standard output failed (a full disk, a closed
/// pipe) and returns kFailed.
/// `what` names the output in the message ("report", "results", ...).
int FinishStandardOutput(const Context& context, std::string_view what);

/// Prints "runwell-cli: SUBJECT: TEXT", the form of every failure message of the tool.
void PrintFailure(std::ostream& err, const std::filesystem::path& subject, std::string_view text);

}  // namespace runwell::cli
