// runwell-cli report: the report Create Report would write after a settings load.

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Command.h"
#include "PredictionArguments.h"
#include "ProfileFiles.h"
#include "Session.h"
#include "exchange/ResultsCsv.h"
#include "exchange/ResultsJson.h"
#include "exchange/Report.h"
#include "files/SettingsFile.h"

namespace runwell::cli {
namespace {

struct ReportArguments {
    std::vector<std::string> positional;
    std::optional<std::string> output;
    std::string format = "text";
    PredictionArguments prediction;
};

int RunReport(const ReportArguments& args, const Context& context) {
    if (args.positional.size() != 1) {
        return UsageError(context.err, "report takes one settings file");
    }
    if (args.format != "text" && args.format != "json" && args.format != "csv") {
        return UsageError(context.err, "unknown format '" + args.format + "' (text, json or csv)");
    }
    std::optional<Workspace> workspace = OpenSettingsArgument(context, args.positional[0]);
    if (!workspace) {
        return kFailed;
    }
    if (const int status = ApplyPredictionArguments(context, args.prediction, *workspace);
        status != kDone) {
        return status;
    }
    const bool withPrediction = args.prediction.Given();
    const bool toStdout = !args.output || *args.output == "-";
    const std::filesystem::path output = PathArgument(args.output.value_or("-"));
    if (args.format != "text") {
        const bool json = args.format == "json";
        const std::string bytes = json ? ResultsJsonOf(*workspace) : ResultsCsvOf(*workspace);
        return WriteOutput(context,
                           toStdout ? std::filesystem::path("-")
                                    : EnsureExtension(output, json ? ".json" : ".csv"),
                           bytes);
    }
    if (toStdout) {
        context.out << BuildReport(*workspace);
        if (withPrediction) {
            context.out << PredictionSection(*workspace);
        }
        return FinishStandardOutput(context, "report");
    }
    const Status written = CreateReport(*workspace, output, withPrediction);
    if (!written) {
        PrintFailure(context.err, EnsureExtension(output, ".txt"), written.error().message);
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
    parser->add_option("--format", args->format);
    AddPredictionOptions(parser, args->prediction);
    return {parser,
            "  runwell-cli report SETTINGS [--data DIR] [-o FILE] [--format text|json|csv]\n"
            "                     [--regulator FILE] [--mission FILE] [--worst-case]\n"
            "      Loads the settings file SETTINGS as the Load Settings button does and writes the\n"
            "      report that Create Report would write then: to standard output, or to FILE\n"
            "      (\".txt\" is appended when FILE holds no '.'). -o - is standard output.\n"
            "      --format json writes the profile and its results for scripts (\".json\"),\n"
            "      --format csv the mode list (\".csv\"); text, the report, is the default.\n"
            "      With the options below the text report ends with the predicted life's\n"
            "      section and the JSON holds it under \"prediction\".\n" +
                std::string(kPredictionUsage),
            [args](const Context& context) { return RunReport(*args, context); }};
}

}  // namespace runwell::cli
