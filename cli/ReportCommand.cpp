// runwell-cli report: the report Create Report would write after a settings load.

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Command.h"
#include "Session.h"
#include "persist/Report.h"
#include "persist/SettingsFile.h"

namespace runwell::cli {
namespace {

struct ReportArguments {
    std::vector<std::string> positional;
    std::optional<std::string> output;
};

int RunReport(const ReportArguments& args, const Context& context) {
    if (args.positional.size() != 1) {
        return UsageError(context.err, "report takes one settings file");
    }
    const std::filesystem::path settings = args.positional[0];
    StderrPrompter prompter(context.err, context.dataFolder);
    const std::optional<Workspace> workspace =
        OpenSettings(context.dataFolder, settings, prompter);
    if (!workspace) {
        return kFailed;
    }
    if (!args.output) {
        context.out << BuildReport(*workspace);
        context.out.flush();
        return context.out ? kDone : kFailed;
    }
    const Status written = CreateReport(*workspace, *args.output);
    if (!written) {
        PrintFailure(context.err, EnsureExtension(*args.output, ".txt"), written.error().message);
        return kFailed;
    }
    return kDone;
}

}  // namespace

Command AddReportCommand(CLI::App& app) {
    auto args = std::make_shared<ReportArguments>();
    CLI::App* parser = app.add_subcommand("report");
    parser->add_option("SETTINGS", args->positional);
    parser->add_option("-o", args->output);
    return {parser,
            "  runwell-cli report SETTINGS [--data DIR] [-o FILE]\n"
            "      Loads the settings file SETTINGS as the Load Settings button does and writes the\n"
            "      report that Create Report would write then: to standard output, or to FILE\n"
            "      (\".txt\" is appended when FILE holds no '.').\n",
            [args](const Context& context) { return RunReport(*args, context); }};
}

}  // namespace runwell::cli
