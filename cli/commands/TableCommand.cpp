#include "commands/TableCommand.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "PredictionArguments.h"
#include "Session.h"
#include "session/Workspace.h"

namespace runwell::cli {
namespace {

struct TableArguments {
    std::vector<std::string> positional;
    std::string format = "text";
    PredictionArguments prediction;
};

int RunTable(const TableArguments& args, const std::string& name, const std::string& what,
             const TableForms& forms, const Context& context) {
    if (args.format != "text" && args.format != "json" && args.format != "csv") {
        return UsageError(context.err, "unknown format '" + args.format + "' (text, json or csv)");
    }
    if (args.positional.size() != 1) {
        return UsageError(context.err, name + " takes one settings file");
    }
    std::optional<Workspace> workspace = OpenSettingsArgument(context, args.positional[0]);
    if (!workspace) {
        return kFailed;
    }
    if (const int status = ApplyPredictionArguments(context, args.prediction, *workspace);
        status != kDone) {
        return status;
    }
    if (args.format == "text") {
        forms.text(*workspace, context.out);
    } else {
        context.out << (args.format == "json" ? forms.json(*workspace) : forms.csv(*workspace));
    }
    return FinishStandardOutput(context, what);
}

}  // namespace

Command AddTableCommand(CLI::App& app, const std::string& name, std::string usage,
                        std::string what, TableForms forms) {
    auto args = std::make_shared<TableArguments>();
    CLI::App* parser = app.add_subcommand(name);
    parser->add_option("SETTINGS", args->positional);
    parser->add_option("--format", args->format);
    if (forms.prediction) {
        AddPredictionOptions(parser, args->prediction);
        usage += kPredictionUsage;
    }
    return {parser, std::move(usage),
            [args, name, what = std::move(what), forms](const Context& context) {
                return RunTable(*args, name, what, forms, context);
            }};
}

}  // namespace runwell::cli
