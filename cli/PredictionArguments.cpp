#include "PredictionArguments.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <utility>

#include "base/Text.h"
#include "mission/MissionFiles.h"
#include "power/RegulatorFiles.h"
#include "prediction/PredictionFields.h"

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

struct ModeSpreadWord {
    std::size_t mode = 0;  // from 1
    double percent = 0.0;
};

/// "2=50" read, or what is wrong with the word.
Result<ModeSpreadWord> ReadModeSpreadWord(const std::string& word) {
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos) {
        return Error{QuotedForMessage(word) + " needs MODE=PERCENT, such as 2=50"};
    }
    ModeSpreadWord read;
    const char* const end = word.data() + equals;
    const auto [last, error] = std::from_chars(word.data(), end, read.mode);
    if (equals == 0 || error != std::errc() || last != end || read.mode == 0) {
        return Error{QuotedForMessage(word) + ": MODE must be a mode's number, from 1"};
    }
    // The percent is read as --current-spread's is.
    if (!CLI::detail::lexical_cast(word.substr(equals + 1), read.percent) ||
        !(read.percent >= 0.0 && read.percent <= kMaxDeviceSpreadPercent)) {  // also NaN
        return Error{QuotedForMessage(word) + ": PERCENT must be a number from 0 to 1000"};
    }
    return read;
}

/// Sets the modes' own spreads `words` give in `options`; kUsage after the message naming a
/// word whose mode the profile, of `modes` modes, does not have or that names a mode again.
int ApplyModeSpreads(const Context& context, const std::vector<std::string>& words,
                     std::size_t modes, PredictionOptions& options) {
    std::vector<bool> given(modes, false);
    for (const std::string& word : words) {
        const Result<ModeSpreadWord> spread = ReadModeSpreadWord(word);
        if (!spread) {  // the parser's check refuses these first
            return UsageError(context.err, "--mode-spread: " + spread.error().message);
        }
        const std::size_t index = spread->mode - 1;
        if (index >= modes) {
            return UsageError(context.err, "--mode-spread: " + QuotedForMessage(word) +
                                               ": the profile has " + std::to_string(modes) +
                                               (modes == 1 ? " mode" : " modes"));
        }
        if (given[index]) {
            return UsageError(context.err, "--mode-spread: " + QuotedForMessage(word) +
                                               ": mode " + std::to_string(spread->mode) +
                                               " is given more than once");
        }
        given[index] = true;
        if (options.modeSpreadPercent.size() <= index) {
            options.modeSpreadPercent.resize(index + 1);
        }
        options.modeSpreadPercent[index] = spread->percent;
    }
    return kDone;
}

}  // namespace

void AddPredictionOptions(CLI::App* parser, PredictionArguments& args) {
    parser->add_option("--regulator", args.regulator);
    parser->add_option("--mission", args.mission);
    parser->add_flag("--worst-case", args.worstCase);
    parser->add_option("--current-spread", args.currentSpread)->check(CLI::Range(0.0, 1000.0));
    parser->add_option("--capacity-spread", args.capacitySpread)->check(CLI::Range(0.0, 99.0));
    // One word per --mode-spread, however often it is given.
    parser->add_option("--mode-spread", args.modeSpreads)
        ->allow_extra_args(false)
        ->check(CLI::Validator(
            [](const std::string& word) {
                const Result<ModeSpreadWord> spread = ReadModeSpreadWord(word);
                return spread ? std::string() : spread.error().message;
            },
            "MODE=PERCENT"));
}

int ApplyPredictionArguments(const Context& context, const PredictionArguments& args,
                             Workspace& workspace) {
    if (!args.Given()) {
        return kDone;
    }
    PredictionOptions options = workspace.predictionOptions();
    if (const int status =
            ApplyModeSpreads(context, args.modeSpreads, workspace.modes().size(), options);
        status != kDone) {
        return status;
    }
    if (args.regulator) {
        std::optional<Regulator> regulator =
            ReadOptionFile(context, *args.regulator, ReadRegulatorFile);
        if (!regulator) {
            return kFailed;
        }
        options.regulator = std::move(*regulator);
    }
    if (args.mission) {
        std::optional<Mission> mission = ReadOptionFile(context, *args.mission, ReadMissionFile);
        if (!mission) {
            return kFailed;
        }
        options.mission = std::move(*mission);
    }
    options.worstCase = options.worstCase || args.worstCase || args.currentSpread ||
                        args.capacitySpread || !args.modeSpreads.empty();
    if (args.currentSpread) {
        options.currentSpreadPercent = *args.currentSpread;
    }
    if (args.capacitySpread) {
        options.capacitySpreadPercent = *args.capacitySpread;
    }
    workspace.SetPredictionOptions(std::move(options));
    return kDone;
}

}  // namespace runwell::cli
