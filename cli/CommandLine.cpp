#include "CommandLine.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <ostream>
#include <vector>

#include "Command.h"
#include "model/DeviceCatalogue.h"

namespace runwell::cli {
namespace {

constexpr const char* kFooter =
    "\n"
    "DIR holds Data/, StandardBattery.csv and CustomBattery.csv (created when missing), as\n"
    "the program's own folder does; it defaults to the folder of runwell-cli. --data, --help\n"
    "and --version may come before or after the command.\n"
    "Messages go to standard error. Exit status: 0 done; 1 a load, conversion or write failed\n"
    "(nothing written); 2 usage error; 3 check: a limit was missed.\n";

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
    err << "runwell-cli: " << subject.string() << ": " << text << '\n';
}

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"runwell-cli"};
    // Unknown options and arguments are left over rather than thrown, so they are reported in
    // the tool's own words; the help text is the tool's own too.
    app.set_help_flag();
    app.allow_extras();
    std::optional<std::string> data;
    bool help = false;
    bool version = false;
    app.add_option("--data", data);
    app.add_flag("-h,--help", help);
    app.add_flag("--version", version);

    std::vector<Command> commands;
    commands.push_back(AddReportCommand(app));
    commands.push_back(AddRefreshCommand(app));
    commands.push_back(AddExportCommand(app));
    commands.push_back(AddImportCommand(app));
    commands.push_back(AddCheckCommand(app));
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
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return UsageError(err, DescribeParseError(error));
    }

    const auto usageOf = [&](const std::string& name) -> const Command* {
        for (const Command& command : commands) {
            if (command.parser->get_name() == name) {
                return &command;
            }
        }
        return nullptr;
    };
    const auto fullUsage = [&] {
        std::string text = "Usage:\n";
        for (const Command& command : commands) {
            text += command.usage;
        }
        return text + kOwnUsage + kFooter;
    };

    const Command* chosen = nullptr;
    for (const Command& command : commands) {
        if (command.parser->parsed()) {
            chosen = &command;
        }
    }
    const std::vector<std::string> extras = app.remaining(true);
    if (!extras.empty()) {
        const std::string& first = extras.front();
        if (first.size() > 1 && first.front() == '-') {
            return UsageError(err, "unknown option '" + first + "'");
        }
        if (chosen == nullptr && !helpCommand->parsed()) {
            return UsageError(err, "unknown command '" + first + "'");
        }
        return UsageError(err, "unexpected argument '" + first + "'");
    }
    if (version) {
        out << "runwell-cli " << RUNWELL_VERSION << '\n';
        return kDone;
    }
    if (helpCommand->parsed()) {
        if (helpTopic.size() > 1) {
            return UsageError(err, "help takes at most one command");
        }
        if (helpTopic.empty()) {
            out << fullUsage();
            return kDone;
        }
        const Command* topic = usageOf(helpTopic.front());
        if (topic == nullptr) {
            return UsageError(err, "unknown command '" + helpTopic.front() + "'");
        }
        out << "Usage:\n" << topic->usage << kFooter;
        return kDone;
    }
    if (help) {
        if (chosen != nullptr) {
            out << "Usage:\n" << chosen->usage << kFooter;
        } else {
            out << fullUsage();
        }
        return kDone;
    }
    if (chosen == nullptr) {
        return UsageError(err, "a command is needed");
    }
    const Context context{data ? std::filesystem::path(*data) : ExecutableFolder(), out, err};
    return chosen->run(context);
}

}  // namespace runwell::cli
