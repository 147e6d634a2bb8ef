// runwell-cli import: a text profile back into the settings file it describes.

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "ProfileFiles.h"
#include "base/Messages.h"
#include "exchange/ProfileJson.h"
#include "files/ProfileDocument.h"
#include "files/SettingsFile.h"
#include "platform/FileRead.h"

namespace runwell::cli {
namespace {

int RunImport(const std::vector<std::string>& positional, const Context& context) {
    if (positional.size() != 2) {
        return UsageError(context.err, "import takes a profile file and a settings file");
    }
    const std::filesystem::path profile = PathArgument(positional[0]);
    const Result<std::string> text = ReadFileContent(profile, msg::kCannotOpenForReading);
    if (!text) {
        PrintFailure(context.err, profile, text.error().message);
        return kFailed;
    }
    ProfileExtras extras;
    const Result<std::string> settings = ImportProfileJson(*text, &extras);
    if (!settings) {
        PrintFailure(context.err, profile, settings.error().message);
        return kFailed;
    }
    const std::filesystem::path output = PathArgument(positional[1]);
    if (output == "-") {
        return WriteOutput(context, output, *settings);
    }
    const std::filesystem::path target = EnsureExtension(output, ".set");
    const int written = WriteOutput(context, target, *settings);
    if (written != kDone) {
        return written;
    }
    // The sidecar is written, or a stale one removed, to match the profile: a later load never
    // takes the extras of whatever settings file stood there before.
    extras.settingsDigest = SettingsDigest(*settings);
    const Status sidecar = SaveProfileExtras(target, extras);
    if (!sidecar) {
        PrintFailure(context.err, target,
                     std::string(kSettingsSavedExtrasNot) + sidecar.error().message);
        return kExtrasNotSaved;
    }
    return kDone;
}

}  // namespace

Command AddImportCommand(CLI::App& app) {
    auto positional = std::make_shared<std::vector<std::string>>();
    CLI::App* parser = app.add_subcommand("import");
    parser->add_option("PROFILE SETTINGS", *positional);
    return {parser,
            "  runwell-cli import PROFILE SETTINGS\n"
            "      Writes the settings file a text profile describes to SETTINGS, or to standard\n"
            "      output when SETTINGS is '-' (\".set\" is appended when SETTINGS holds no '.').\n"
            "      A profile with an unknown key or a value out of range is refused.\n",
            [positional](const Context& context) { return RunImport(*positional, context); }};
}

}  // namespace runwell::cli
