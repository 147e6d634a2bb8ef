// runwell-cli battery-model: a model of the user's own cell, from a measured battery profile
// (import) or from a discharge log (fit).

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Command.h"
#include "ProfileFiles.h"
#include "base/Messages.h"
#include "base/Numbers.h"
#include "measure/DischargeFit.h"
#include "measure/MeasuredModel.h"
#include "measure/ProfileImport.h"
#include "measure/SteadyCapacity.h"
#include "platform/FileRead.h"
#include "platform/Platform.h"

namespace runwell::cli {
namespace {

struct ModelOptions {
    std::vector<std::string> inputs;
    std::string input;
    double pulseCurrent = 0.0;
    std::string rating;
    std::string battery;
    std::string output;
    std::string citation;
    int series = 1;
    int parallel = 1;
    std::optional<double> temperature;
    std::optional<double> cutoff;
    std::string date;
    std::vector<std::string> steady;
    std::string steadyCitation;
};

/// The maker's rating as --rating gives it, MAH@MA; false when it is malformed.
bool ReadRating(const std::string& text, double& mah, double& ma) {
    if (text.empty()) {
        return true;
    }
    const std::size_t at = text.find('@');
    mah = ReadReal(text.substr(0, at));
    ma = at == std::string::npos ? 0.0 : ReadReal(text.substr(at + 1));
    return mah > 0.0 && ma > 0.0 && mah < 1e9 && ma < 1e7;
}

constexpr const char* kRatingUsage = "--rating takes MAH@MA, such as 225@0.19";

int RunFit(const ModelOptions& options, const Context& context) {
    const std::filesystem::path input = PathArgument(options.input);
    DischargeFitOptions fit;
    if (!ReadRating(options.rating, fit.ratingMah, fit.ratingMa)) {
        return UsageError(context.err, kRatingUsage);
    }
    fit.citation = options.citation;
    fit.battery = options.battery;
    fit.logName = PathToUtf8(input.filename());
    fit.date = options.date.empty() ? TodayUtc() : options.date;
    fit.temperatureC = options.temperature;
    fit.cutoffVolts = options.cutoff;
    Result<BatteryModel> model = FitDischargeLog(input, fit);
    if (!model) {
        PrintFailure(context.err, input, model.error().message);
        return kFailed;
    }
    model->cellsInSeries = options.series;
    model->cellsInParallel = options.parallel;
    return WriteOutput(context, PathArgument(options.output), WriteBatteryModel(*model));
}

int RunImport(const ModelOptions& options, const Context& context) {
    std::vector<std::string> texts;
    std::vector<ProfileFile> files;
    texts.reserve(options.inputs.size());
    for (const std::string& word : options.inputs) {
        const std::filesystem::path input = PathArgument(word);
        Result<std::string> text = ReadFileContent(input, msg::kCannotOpenForReading);
        if (!text) {
            PrintFailure(context.err, input, text.error().message);
            return kFailed;
        }
        texts.push_back(std::move(*text));
        files.push_back({PathToUtf8(input.filename()), texts.back()});
    }
    ProfileImportOptions import;
    import.battery = options.battery;
    import.citation = options.citation;
    import.cellsInSeries = options.series;
    import.cellsInParallel = options.parallel;
    import.statedPulseMa = options.pulseCurrent;
    if (!ReadRating(options.rating, import.ratingMah, import.ratingMa)) {
        return UsageError(context.err, kRatingUsage);
    }
    Result<BatteryModel> model = ImportBatteryProfiles(files, import);
    if (!model) {
        PrintFailure(context.err, PathArgument(options.inputs.front()), model.error().message);
        return kFailed;
    }
    if (!options.steady.empty()) {
        std::vector<SteadyDischarge> discharges;
        for (const std::string& word : options.steady) {
            const std::filesystem::path log = PathArgument(word);
            Result<SteadyDischarge> discharge =
                ReadSteadyDischarge(log, model->cutoffVoltage / model->cellsInSeries);
            if (!discharge) {
                PrintFailure(context.err, log, discharge.error().message);
                return kFailed;
            }
            discharges.push_back(std::move(*discharge));
        }
        model = WithSteadyCapacity(std::move(*model), AverageOf(discharges),
                                   options.steadyCitation);
        if (!model) {
            PrintFailure(context.err, PathArgument(options.steady.front()),
                         model.error().message);
            return kFailed;
        }
    }
    return WriteOutput(context, PathArgument(options.output), WriteBatteryModel(*model));
}

void AddCommonOptions(CLI::App* parser, ModelOptions& options) {
    parser->add_option("--battery", options.battery)->required();
    parser->add_option("-o,--output", options.output)->required();
    parser->add_option("--series", options.series)->check(CLI::Range(1, 100));
    parser->add_option("--parallel", options.parallel)->check(CLI::Range(1, 100));
    parser->add_option("--citation", options.citation);
    parser->add_option("--rating", options.rating);
}

}  // namespace

Command AddBatteryModelCommand(CLI::App& app) {
    auto options = std::make_shared<ModelOptions>();
    CLI::App* parser = app.add_subcommand("battery-model");
    parser->require_subcommand(1);
    CLI::App* import = parser->add_subcommand("import");
    import->add_option("PROFILE", options->inputs)->required();
    AddCommonOptions(import, *options);
    import->add_option("--pulse-current", options->pulseCurrent)->check(CLI::Range(0.0, 1e7));
    import->add_option("--steady", options->steady);
    import->add_option("--steady-citation", options->steadyCitation);
    CLI::App* fit = parser->add_subcommand("fit");
    fit->add_option("LOG", options->input)->required();
    AddCommonOptions(fit, *options);
    fit->add_option("--temperature", options->temperature)->check(CLI::Range(-100.0, 200.0));
    fit->add_option("--cutoff", options->cutoff)->check(CLI::Range(0.001, 1000.0));
    fit->add_option("--date", options->date)
        ->check(CLI::Validator(
            [](const std::string& text) {
                const bool ok = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                                std::all_of(text.begin(), text.end(), [](char c) {
                                    return c == '-' || (c >= '0' && c <= '9');
                                });
                return ok ? std::string() : std::string("the date must be YYYY-MM-DD");
            },
            "YYYY-MM-DD", "date"));
    return {parser,
            "  runwell-cli battery-model import PROFILE... --battery NAME -o MODEL\n"
            "          [--series N] [--parallel N] [--citation TEXT] [--pulse-current MA]\n"
            "          [--rating MAH@MA] [--steady LOG]... [--steady-citation TEXT]\n"
            "      Converts power analyser battery profiles of one cell (JSON tables of\n"
            "      delivered capacity, open-circuit voltage and resistance, one per\n"
            "      temperature) into a battery model for the catalogue battery NAME, written\n"
            "      to MODEL ('-': standard output). --series and --parallel describe a pack of\n"
            "      such cells; --citation says where the profiles were published;\n"
            "      --pulse-current states the pulse current of a profile that does not;\n"
            "      --rating adds the maker's rated capacity per cell at its drain.\n"
            "      --steady adds the capacity that steady discharges of single cells (logs\n"
            "      as for fit, a constant current or a resistor, to the profiles' end\n"
            "      voltage) delivered on average, at their average drain, set so that the\n"
            "      model reproduces it; --steady-citation says where the logs were published.\n"
            "      Put MODEL in a BatteryModels folder to use it.\n"
            "  runwell-cli battery-model fit LOG --battery NAME -o MODEL\n"
            "          [--temperature C] [--cutoff V] [--date YYYY-MM-DD] [--series N]\n"
            "          [--parallel N] [--citation TEXT] [--rating MAH@MA]\n"
            "      Fits a battery model to a measured pulsed discharge: LOG is CSV or TSV with\n"
            "      time, voltage and current columns (\"Time(s),Voltage(V),Current(mA)\"),\n"
            "      rests and pulses at two currents. A steady discharge (no current step)\n"
            "      gives only the capacity at its average drain. --temperature is the cell's\n"
            "      during the log; --cutoff ends the discharge at the first sample below V;\n"
            "      --date is the fit's date in the model (default: today); --citation and\n"
            "      --rating as for import.\n",
            [options, import, fit](const Context& context) {
                if (import->parsed()) {
                    return RunImport(*options, context);
                }
                if (fit->parsed()) {
                    return RunFit(*options, context);
                }
                return UsageError(context.err, "battery-model needs import or fit");
            }};
}

}  // namespace runwell::cli
