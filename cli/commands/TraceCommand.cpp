// runwell-cli trace: the figures, modes and battery life of a measured current trace.

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "Command.h"
#include "Session.h"
#include "estimate/ModeComputation.h"
#include "exchange/AnalysisOutput.h"
#include "files/ProfileDocument.h"
#include "files/SettingsFile.h"
#include "session/Workspace.h"
#include "trace/TraceProfile.h"
#include "trace/TraceReader.h"
#include "trace/TraceStatistics.h"
#include "trace/TraceText.h"

namespace runwell::cli {
namespace {

struct TraceArguments {
    std::vector<std::string> positional;
    std::optional<std::string> from;
    std::optional<std::string> to;
    std::string format = "text";
    std::optional<std::string> rate;
    std::optional<std::string> timeUnit;
    std::optional<std::string> currentUnit;
    std::optional<std::string> tolerance;
    std::optional<std::string> profile;
    NamedSelection selection;
};

/// A finite number and nothing after it but `suffix`-free text handed back in `rest`.
bool ReadNumber(std::string_view text, double& value, std::string_view& rest) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value,
                                           std::chars_format::general);
    if (ec != std::errc() || !std::isfinite(value)) {
        return false;
    }
    rest = text.substr(static_cast<std::size_t>(ptr - text.data()));
    return true;
}

/// "1.5", "1.5s", "250ms", "40us": seconds.
std::optional<double> ReadTime(std::string_view text) {
    double value = 0.0;
    std::string_view unit;
    if (!ReadNumber(text, value, unit)) {
        return std::nullopt;
    }
    if (unit.empty()) {
        return value;
    }
    const std::optional<TimeUnit> parsed = ParseTimeUnit(unit);
    if (!parsed) {
        return std::nullopt;
    }
    return value * SecondsPer(*parsed);
}

std::optional<double> ReadPlainNumber(std::string_view text) {
    double value = 0.0;
    std::string_view rest;
    if (!ReadNumber(text, value, rest) || !rest.empty()) {
        return std::nullopt;
    }
    return value;
}


/// The options as the trace reader takes them; a usage error names the first bad value.
struct TraceRequest {
    TraceFormat format;
    TraceRange range;
    Segmentation segmentation;
};

std::optional<std::string> ReadRequest(const TraceArguments& args, TraceRequest& request) {
    const auto bad = [](const char* option, const std::string& value) {
        return std::optional<std::string>("option '" + std::string(option) + "' cannot take '" +
                                          value + "'");
    };
    for (const auto& [option, text, target] :
         {std::tuple{"--from", &args.from, &request.range.from},
          std::tuple{"--to", &args.to, &request.range.to}}) {
        if (*text) {
            const std::optional<double> time = ReadTime(**text);
            if (!time) {
                return bad(option, **text);
            }
            *target = *time;
        }
    }
    if (args.format != "text" && args.format != "json" && args.format != "csv") {
        return bad("--format", args.format);
    }
    if (args.rate) {
        const std::optional<double> rate = ReadPlainNumber(*args.rate);
        if (!rate || !(*rate > 0.0)) {
            return bad("--rate", *args.rate);
        }
        request.format.sampleRate = *rate;
    }
    if (args.timeUnit) {
        request.format.timeUnit = ParseTimeUnit(*args.timeUnit);
        if (!request.format.timeUnit) {
            return bad("--time-unit", *args.timeUnit);
        }
    }
    if (args.currentUnit) {
        request.format.currentUnit = ParseCurrentUnit(*args.currentUnit);
        if (!request.format.currentUnit) {
            return bad("--current-unit", *args.currentUnit);
        }
    }
    if (args.tolerance) {
        const std::optional<double> percent = ReadPlainNumber(*args.tolerance);
        if (!percent || !(*percent > 0.0 && *percent <= 1000.0)) {
            return bad("--tolerance", *args.tolerance);
        }
        request.segmentation.tolerance = *percent / 100.0;
    }
    return std::nullopt;
}

int RunTrace(const TraceArguments& args, const Context& context) {
    if (args.positional.size() != 1) {
        return UsageError(context.err, "trace takes one trace file");
    }
    TraceRequest request;
    if (const std::optional<std::string> problem = ReadRequest(args, request)) {
        return UsageError(context.err, *problem);
    }
    StderrPrompter prompter(context.err, context.data, context.verbose);
    Result<Workspace> started = Workspace::Start(context.data, prompter);
    if (!started) {
        prompter.Print(started.error().message);
        return kFailed;
    }
    Workspace workspace = std::move(started).value();
    if (!ApplyNamedSelection(workspace, args.selection, prompter)) {
        return kFailed;
    }

    const std::filesystem::path file = PathArgument(args.positional[0]);
    prompter.SetSubject(file);
    Result<TraceAnalysis> analysis =
        AnalyseTraceFile(file, request.format, request.range, request.segmentation);
    if (!analysis) {
        prompter.Print(analysis.error().message);
        return kFailed;
    }
    TraceShown shown;
    shown.analysis = std::move(analysis).value();
    shown.batteries = TraceFiguresOnEvery(
        shown.analysis.statistics, workspace.batteries(), workspace.batteryModels(),
        {workspace.deratingTemperature(), workspace.minimumVoltage()});
    shown.currentBattery = workspace.batteryIndex();
    const SleepCurrent sleep =
        LookupSleepCurrent(workspace.device(), workspace.voltage(), workspace.temperature());
    shown.modes = TraceModes(shown.analysis.levels, sleep.nanoamps);
    shown.tolerance = request.segmentation.tolerance;

    context.out << (args.format == "json"  ? TraceJsonOf(shown)
                    : args.format == "csv" ? TraceCsvOf(shown)
                                           : FormatTraceText(shown));
    if (FinishStandardOutput(context, "trace figures") != kDone) {
        return kFailed;
    }
    if (args.profile) {
        const std::filesystem::path profile = PathArgument(*args.profile);
        prompter.SetSubject(profile);
        if (sleep.warning) {
            prompter.Print(*sleep.warning);
        }
        workspace.SetModes(shown.modes);
        const Status saved = SaveSettings(workspace, profile);
        if (!saved) {
            prompter.Print(saved.error().message);
            return SettingsWereSaved(saved) ? kExtrasNotSaved : kFailed;
        }
    }
    return kDone;
}

}  // namespace

Command AddTraceCommand(CLI::App& app) {
    auto args = std::make_shared<TraceArguments>();
    CLI::App* parser = app.add_subcommand("trace");
    parser->add_option("FILE", args->positional);
    parser->add_option("--from", args->from);
    parser->add_option("--to", args->to);
    parser->add_option("--format", args->format);
    parser->add_option("--rate", args->rate);
    parser->add_option("--time-unit", args->timeUnit);
    parser->add_option("--current-unit", args->currentUnit);
    parser->add_option("--tolerance", args->tolerance);
    parser->add_option("--profile", args->profile);
    parser->add_option("--device", args->selection.device);
    parser->add_option("--voltage", args->selection.voltage);
    parser->add_option("--temperature", args->selection.temperature);
    parser->add_option("--battery", args->selection.battery);
    return {parser,
            "  runwell-cli trace FILE [--from T] [--to T] [--format text|json|csv] [--rate HZ]\n"
            "                    [--time-unit s|ms|us] [--current-unit A|mA|uA|nA]\n"
            "                    [--tolerance PERCENT] [--device NAME] [--voltage V]\n"
            "                    [--temperature T] [--battery B] [--profile SETTINGS] [--data DIR]\n"
            "      Reads the measured current trace FILE (CSV) and prints, for the range from T to T\n"
            "      (seconds, or with a unit: 250ms, 40us; default the whole trace), its samples,\n"
            "      duration, average, peak and RMS current and charge, the modes it splits into\n"
            "      (levels within PERCENT of each other, default 25), and the battery life on every\n"
            "      battery of the catalogue. --rate gives a fixed sample rate instead of a time\n"
            "      column; the unit options override the header's. --format json writes all of it\n"
            "      for scripts, csv the battery rows. --device, --voltage and --temperature pick the\n"
            "      device data (the first entry that begins with the text; default the first),\n"
            "      --battery the current battery (its number in the catalogue, or the beginning of\n"
            "      its description). --profile saves the modes as a settings file with them.\n",
            [args](const Context& context) { return RunTrace(*args, context); }};
}

}  // namespace runwell::cli
