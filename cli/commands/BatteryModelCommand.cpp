// runwell-cli battery-model: a model of the user's own cell, from a measured battery profile
// (import) or from a discharge log (fit).

#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "Command.h"
#include "ProfileFiles.h"
#include "base/Messages.h"
#include "measure/ProfileImport.h"
#include "platform/FileRead.h"
#include "platform/Platform.h"

namespace runwell::cli {
namespace {

struct ModelOptions {
    std::string input;
    std::string battery;
    std::string output;
    std::string citation;
    int series = 1;
    int parallel = 1;
};

int RunImport(const ModelOptions& options, const Context& context) {
    const std::filesystem::path input = PathArgument(options.input);
    const Result<std::string> text = ReadFileContent(input, msg::kCannotOpenForReading);
    if (!text) {
        PrintFailure(context.err, input, text.error().message);
        return kFailed;
    }
    ProfileImportOptions import;
    import.battery = options.battery;
    import.fileName = PathToUtf8(input.filename());
    import.citation = options.citation;
    import.cellsInSeries = options.series;
    import.cellsInParallel = options.parallel;
    const Result<BatteryModel> model = ImportBatteryProfile(*text, import);
    if (!model) {
        PrintFailure(context.err, input, model.error().message);
        return kFailed;
    }
    return WriteOutput(context, PathArgument(options.output), WriteBatteryModel(*model));
}

void AddCommonOptions(CLI::App* parser, ModelOptions& options, const char* inputName) {
    parser->add_option(inputName, options.input)->required();
    parser->add_option("--battery", options.battery)->required();
    parser->add_option("-o,--output", options.output)->required();
    parser->add_option("--series", options.series)->check(CLI::Range(1, 100));
    parser->add_option("--parallel", options.parallel)->check(CLI::Range(1, 100));
}

}  // namespace

Command AddBatteryModelCommand(CLI::App& app) {
    auto options = std::make_shared<ModelOptions>();
    CLI::App* parser = app.add_subcommand("battery-model");
    parser->require_subcommand(1);
    CLI::App* import = parser->add_subcommand("import");
    AddCommonOptions(import, *options, "PROFILE");
    import->add_option("--citation", options->citation);
    return {parser,
            "  runwell-cli battery-model import PROFILE --battery NAME -o MODEL\n"
            "          [--series N] [--parallel N] [--citation TEXT]\n"
            "      Converts a power analyser's battery profile (JSON tables of delivered\n"
            "      capacity, open-circuit voltage and resistance) into a battery model for the\n"
            "      catalogue battery NAME, written to MODEL ('-': standard output). --series and\n"
            "      --parallel describe a pack of such cells; --citation says where the profile\n"
            "      was published. Put MODEL in a BatteryModels folder to use it.\n",
            [options, import](const Context& context) {
                if (import->parsed()) {
                    return RunImport(*options, context);
                }
                return UsageError(context.err, "battery-model needs import");
            }};
}

}  // namespace runwell::cli
