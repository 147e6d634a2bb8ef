#include "PredictionArguments.h"

#include <CLI/CLI.hpp>

#include <utility>

#include "base/Messages.h"
#include "mission/Mission.h"
#include "platform/FileRead.h"
#include "platform/Platform.h"
#include "power/Regulator.h"

namespace runwell::cli {
namespace {

/// The largest regulator or mission file read: a mission's series of a year.
constexpr std::uint64_t kMaxOptionFileBytes = std::uint64_t{16} << 20;

template <typename T, typename Parse>
std::optional<T> ReadOptionFile(const Context& context, const std::string& argument,
                                Parse parse) {
    const std::filesystem::path path = PathArgument(argument);
    Result<std::string> content =
        ReadFileContent(path, msg::kCannotOpenForReading, kMaxOptionFileBytes);
    if (!content) {
        PrintFailure(context.err, path, content.error().message);
        return std::nullopt;
    }
    Result<T> parsed = parse(*content, path);
    if (!parsed) {
        PrintFailure(context.err, path, parsed.error().message);
        return std::nullopt;
    }
    return std::move(*parsed);
}

bool IsCsv(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return extension == ".csv" || extension == ".txt" || extension == ".tsv";
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
        std::optional<Regulator> regulator = ReadOptionFile<Regulator>(
            context, *args.regulator,
            [](const std::string& content, const std::filesystem::path&) {
                return ParseRegulator(content);
            });
        if (!regulator) {
            return false;
        }
        options.regulator = std::move(*regulator);
    }
    if (args.mission) {
        std::optional<Mission> mission = ReadOptionFile<Mission>(
            context, *args.mission,
            [](const std::string& content, const std::filesystem::path& path) {
                return IsCsv(path) ? ParseMissionCsv(content, PathToUtf8(path.stem()))
                                   : ParseMission(content);
            });
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
