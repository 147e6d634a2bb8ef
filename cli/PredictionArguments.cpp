#include "PredictionArguments.h"

#include <CLI/CLI.hpp>

#include <utility>

#include "mission/MissionFiles.h"
#include "power/RegulatorFiles.h"

namespace runwell::cli {
namespace {

/// The file a command-line word names, read by `read`; nothing after a message naming it.
template <typename T>
std::optional<T> ReadOptionFile(const Context& context, const std::string& argument,
                                Result<T> (*read)(const std::filesystem::path&)) {
    const std::filesystem::path path = PathArgument(argument);
    Result<T> parsed = read(path);
    if (!parsed) {
        PrintFailure(context.err, path, parsed.error().message);
        return std::nullopt;
    }
    return std::move(*parsed);
}

}  // namespace

void AddPredictionOptions(CLI::App* parser, PredictionArguments& args) {
    parser->add_option("--regulator", args.regulator);
    parser->add_option("--mission", args.mission);
    parser->add_flag("--worst-case", args.worstCase);
    parser->add_option("--current-spread", args.currentSpread)->check(CLI::Range(0.0, 1000.0));
    parser->add_option("--capacity-spread", args.capacitySpread)->check(CLI::Range(0.0, 99.0));
}

bool ApplyPredictionArguments(const Context& context, const PredictionArguments& args,
                              Workspace& workspace) {
    if (!args.Given()) {
        return true;
    }
    PredictionOptions options = workspace.predictionOptions();
    if (args.regulator) {
        std::optional<Regulator> regulator =
            ReadOptionFile(context, *args.regulator, ReadRegulatorFile);
        if (!regulator) {
            return false;
        }
        options.regulator = std::move(*regulator);
    }
    if (args.mission) {
        std::optional<Mission> mission = ReadOptionFile(context, *args.mission, ReadMissionFile);
        if (!mission) {
            return false;
        }
        options.mission = std::move(*mission);
    }
    options.worstCase = options.worstCase || args.worstCase || args.currentSpread ||
                        args.capacitySpread;
    if (args.currentSpread) {
        options.currentSpreadPercent = *args.currentSpread;
    }
    if (args.capacitySpread) {
        options.capacitySpreadPercent = *args.capacitySpread;
    }
    workspace.SetPredictionOptions(std::move(options));
    return true;
}

}  // namespace runwell::cli
