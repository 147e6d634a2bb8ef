#include "CommandLine.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <ostream>
#include <vector>

#include "Command.h"
#include "platform/BuildInfo.h"
#include "platform/DataLocation.h"
#include "platform/Platform.h"

namespace runwell::cli {
namespace {

constexpr const char* kFooter =
    "\n"
    "DIR holds Data/, StandardBattery.csv and CustomBattery.csv (created when missing), as\n"
    "the program's own folder does. Without --data: the folder of runwell-cli when it holds\n"
    "Data/; else the installed data in ../share/runwell beside it, with CustomBattery.csv in\n"
    "$XDG_DATA_HOME/runwell (default ~/.local/share/runwell). --data, --verbose, --help and\n"
    "--version may come before or after the command.\n"
    "Messages go to standard error; --verbose also names a CustomBattery.csv that could not\n"
    "be created. Exit status: 0 done; 1 a load, conversion or write failed (nothing written);\n"
    "2 usage error; 3 check: a limit was missed.\n";

constexpr const char* kOwnUsage =
    "  runwell-cli help [COMMAND]\n"
    "      Prints this text, or only the part about COMMAND.\n"
    "  runwell-cli --help | --version\n";

/// The one line a parse failure is reported with.
std::string DescribeParseError(const CLI::ParseError& error) {
    const std::string what = error.what();
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        const std::string option = what.substr(0, what.find(':'));
        return what.find("missing") != std::string::npos
                   ? "option '" + option + "' needs a value"
                   : "option '" + option + "' is given more than once";
    }
    return what;
}

}  // namespace

int UsageError(std::ostream& err, std::string_view problem) {
    err << "runwell-cli: " << problem << " (see runwell-cli --help)\n";
    return kUsage;
}

void PrintFailure(std::ostream& err, const std::filesystem::path& subject, std::string_view text) {
    err << "runwell-cli: " << PathToUtf8(subject) << ": " << text << '\n';
}

std::filesystem::path PathArgument(std::string_view word) { return PathFromUtf8(word); }

int FinishStandardOutput(const Context& context, std::string_view what) {
    context.out.flush();
    if (!context.out) {
        context.err << "runwell-cli: the " << what << " could not be written to standard output.\n";
        return kFailed;
    }
    return kDone;
}

namespace {

const Command* FindCommand(const std::vector<Command>& commands, const std::string& name) {
    for (const Command& command : commands) {
        if (command.parser->get_name() == name) {
            return &command;
        }
    }
    return nullptr;
}

std::string FullUsage(const std::vector<Command>& commands) {
    std::string text = "Usage:\n";
    for (const Command& command : commands) {
        text += command.usage;
    }
    return text + kOwnUsage + kFooter;
}

/// `runwell-cli help [COMMAND]`.
int RunHelp(const std::vector<std::string>& topic, const std::vector<Command>& commands,
            std::ostream& out, std::ostream& err) {
    if (topic.size() > 1) {
        return UsageError(err, "help takes at most one command");
    }
    if (topic.empty()) {
        out << FullUsage(commands);
        return kDone;
    }
    const Command* command = FindCommand(commands, topic.front());
    if (command == nullptr) {
        return UsageError(err, "unknown command '" + topic.front() + "'");
    }
    out << "Usage:\n" << command->usage << kFooter;
    return kDone;
}

/// The usage error for the first word no parser took.
int ReportExtra(const std::string& first, bool commandGiven, std::ostream& err) {
    if (first.size() > 1 && first.front() == '-') {
        return UsageError(err, "unknown option '" + first + "'");
    }
    if (!commandGiven) {
        return UsageError(err, "unknown command '" + first + "'");
    }
    return UsageError(err, "unexpected argument '" + first + "'");
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
    CLI::App app{"runwell-cli"};
    // Unknown options and arguments are left over rather than thrown, so they are reported in
    // the tool's own words; the help text is the tool's own too.
    app.set_help_flag();
    app.allow_extras();
    // A word starting with '/' is a path on every system, never a Windows-style option; the
    // commands added later take this setting over.
    app.allow_windows_style_options(false);
    std::optional<std::string> data;
    bool help = false;
    bool version = false;
    bool verbose = false;
    app.add_option("--data", data);
    app.add_flag("--verbose", verbose);
    app.add_flag("-h,--help", help);
    app.add_flag("--version", version);

    std::vector<Command> commands;
    commands.push_back(AddReportCommand(app));
    commands.push_back(AddRefreshCommand(app));
    commands.push_back(AddExportCommand(app));
    commands.push_back(AddImportCommand(app));
    commands.push_back(AddCheckCommand(app));
    commands.push_back(AddCompareCommand(app));
    commands.push_back(AddMatrixCommand(app));
    commands.push_back(AddTraceCommand(app));
    commands.push_back(AddBatteryModelCommand(app));
    std::vector<std::string> helpTopic;
    CLI::App* helpCommand = app.add_subcommand("help");
    helpCommand->add_option("COMMAND", helpTopic);
    for (CLI::App* sub : app.get_subcommands({})) {
        // The tool's own options may follow the command.
        sub->fallthrough();
        sub->allow_extras();
    }
    app.require_subcommand(0, 1);

    try {
        // CLI11 takes the words last first.
        app.parse(std::vector<std::string>(arguments.rbegin(), arguments.rend()));
    } catch (const CLI::ParseError& error) {
        return UsageError(err, DescribeParseError(error));
    }

    const Command* chosen = nullptr;
    for (const Command& command : commands) {
        if (command.parser->parsed()) {
            chosen = &command;
        }
    }
    const std::vector<std::string> extras = app.remaining(true);
    if (!extras.empty()) {
        return ReportExtra(extras.front(), chosen != nullptr || helpCommand->parsed(), err);
    }
    if (version) {
        out << kToolProgramName << ' ' << kVersion << '\n';
        return kDone;
    }
    if (helpCommand->parsed()) {
        return RunHelp(helpTopic, commands, out, err);
    }
    if (help) {
        if (chosen != nullptr) {
            out << "Usage:\n" << chosen->usage << kFooter;
        } else {
            out << FullUsage(commands);
        }
        return kDone;
    }
    if (chosen == nullptr) {
        return UsageError(err, "a command is needed");
    }
    const Context context{data ? PortableDataLocation(PathFromUtf8(*data)) : LocateData(), verbose,
                          out, err};
    return chosen->run(context);
}

}  // namespace runwell::cli
