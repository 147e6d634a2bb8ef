// runwell-cli export: a settings file as a text profile, every byte kept.

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "ProfileFiles.h"
#include "Session.h"
#include "base/Messages.h"
#include "exchange/ProfileJson.h"
#include "files/ProfileDocument.h"
#include "files/SettingsFile.h"
#include "platform/FileRead.h"

namespace runwell::cli {
namespace {

int RunExport(const std::vector<std::string>& positional, const Context& context) {
    if (positional.size() != 2) {
        return UsageError(context.err, "export takes a settings file and a profile file");
    }
    const std::filesystem::path settings = PathArgument(positional[0]);
    if (const std::optional<std::string> foreign = NotSettingsMessage(settings)) {
        PrintFailure(context.err, settings, *foreign);
        return kFailed;
    }
    const Result<std::string> bytes = ReadFileContent(settings, msg::kCannotOpenForReading);
    if (!bytes) {
        PrintFailure(context.err, settings, bytes.error().message);
        return kFailed;
    }
    // The extras beside the settings file go into the profile with it; a sidecar that cannot
    // be used is named, and the profile is exported without them.
    std::optional<std::string> problem;
    const ProfileExtras extras = ExtrasFor(settings, *bytes, problem);
    if (problem) {
        PrintFailure(context.err, settings, *problem);
    }
    const Result<std::string> profile = ExportProfileJson(*bytes, extras);
    if (!profile) {
        PrintFailure(context.err, settings, profile.error().message);
        return kFailed;
    }
    const std::filesystem::path output = PathArgument(positional[1]);
    return WriteOutput(context, output == "-" ? output : EnsureExtension(output, ".json"),
                       *profile);
}

}  // namespace

Command AddExportCommand(CLI::App& app) {
    auto positional = std::make_shared<std::vector<std::string>>();
    CLI::App* parser = app.add_subcommand("export");
    parser->add_option("SETTINGS PROFILE", *positional);
    return {parser,
            "  runwell-cli export SETTINGS PROFILE\n"
            "      Writes the settings file SETTINGS as a text profile (JSON, see\n"
            "      docs/profile-format.md) to PROFILE, or to standard output when PROFILE is '-'\n"
            "      (\".json\" is appended when PROFILE holds no '.'). Every byte of SETTINGS is kept.\n",
            [positional](const Context& context) { return RunExport(*positional, context); }};
}

}  // namespace runwell::cli
