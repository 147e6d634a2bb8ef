// runwell-cli check: a pass or fail verdict on a profile's results, for continuous integration.

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Command.h"
#include "PredictionArguments.h"
#include "Session.h"
#include "estimate/ResultCheck.h"

namespace runwell::cli {
namespace {

struct CheckArguments {
    std::vector<std::string> positional;
    std::optional<std::string> minLife;
    std::optional<std::string> maxAverage;
    bool noLimitWarnings = false;
    PredictionArguments prediction;
};

int RunCheck(const CheckArguments& args, const Context& context) {
    if (args.positional.size() != 1) {
        return UsageError(context.err, "check takes one settings file");
    }
    CheckLimits limits;
    limits.noLimitWarnings = args.noLimitWarnings;
    if (args.minLife) {
        limits.minLifeHours = ParseLifeLimit(*args.minLife);
        if (!limits.minLifeHours) {
            return UsageError(context.err, "--min-life '" + *args.minLife +
                                               "' needs a number and h, d or y, such as 5y");
        }
    }
    if (args.maxAverage) {
        limits.maxAverageNanoamps = ParseCurrentLimit(*args.maxAverage);
        if (!limits.maxAverageNanoamps) {
            return UsageError(context.err, "--max-average '" + *args.maxAverage +
                                               "' needs a number and nA, uA, mA or A, such as 10uA");
        }
    }
    std::optional<Workspace> workspace = OpenSettingsArgument(context, args.positional[0]);
    if (!workspace) {
        return kFailed;
    }
    if (const int status = ApplyPredictionArguments(context, args.prediction, *workspace);
        status != kDone) {
        return status;
    }
    const CheckOutcome outcome =
        args.prediction.Given()
            ? CheckPredictedLife(workspace->results(), workspace->prediction(), limits)
            : CheckResults(workspace->results(), limits);
    context.out << args.positional[0] << ": " << outcome.line << '\n';
    if (FinishStandardOutput(context, "verdict") != kDone) {
        return kFailed;
    }
    return outcome.passed ? kDone : kCheckFailed;
}

}  // namespace

Command AddCheckCommand(CLI::App& app) {
    auto args = std::make_shared<CheckArguments>();
    CLI::App* parser = app.add_subcommand("check");
    parser->add_option("SETTINGS", args->positional);
    parser->add_option("--min-life", args->minLife);
    parser->add_option("--max-average", args->maxAverage);
    parser->add_flag("--no-limit-warnings", args->noLimitWarnings);
    AddPredictionOptions(parser, args->prediction);
    return {parser,
            "  runwell-cli check SETTINGS [--data DIR] [--min-life LIFE] [--max-average CURRENT]\n"
            "                    [--no-limit-warnings] [--regulator FILE] [--mission FILE]\n"
            "                    [--worst-case]\n"
            "      Loads SETTINGS and prints one line with its battery life, average and peak\n"
            "      current and the verdict. Exit status 0 when the life is at least LIFE (5y,\n"
            "      180d, 8760h; a year is 365 days), the average at most CURRENT (10uA, 0.5mA,\n"
            "      800nA) and, with --no-limit-warnings, neither current exceeds the battery's\n"
            "      limits; 3 when any of them is missed. With the options below LIFE is checked\n"
            "      against the predicted life, or its worst case with --worst-case.\n" +
                std::string(kPredictionUsage),
            [args](const Context& context) { return RunCheck(*args, context); }};
}

}  // namespace runwell::cli
