// runwell-cli refresh: every mode recomputed from the current device data, saved again.

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Command.h"
#include "Session.h"
#include "estimate/ModeRefresh.h"
#include "files/ProfileDocument.h"
#include "files/SettingsFile.h"

namespace runwell::cli {
namespace {

int RunRefresh(const std::vector<std::string>& positional, const Context& context) {
    if (positional.size() != 2) {
        return UsageError(context.err, "refresh takes a settings file and an output file");
    }
    const std::filesystem::path settings = PathArgument(positional[0]);
    const std::filesystem::path output = PathArgument(positional[1]);
    StderrPrompter prompter(context.err, context.data, context.verbose);
    std::optional<Workspace> workspace = OpenSettings(context.data, settings, prompter);
    if (!workspace) {
        return kFailed;
    }
    // What the editor has to say about a mode concerns the settings file it came from.
    ProfileRefresh refresh = RefreshProfile(workspace->device(), workspace->voltage(),
                                            workspace->temperature(), workspace->modes());
    for (const std::string& message : refresh.messages) {
        prompter.Print(message);
    }
    workspace->SetModes(std::move(refresh.modes));
    const Status saved = SaveSettings(*workspace, output);
    if (!saved) {
        PrintFailure(context.err, EnsureExtension(output, ".set"), saved.error().message);
        return SettingsWereSaved(saved) ? kExtrasNotSaved : kFailed;
    }
    return kDone;
}

}  // namespace

Command AddRefreshCommand(CLI::App& app) {
    auto positional = std::make_shared<std::vector<std::string>>();
    CLI::App* parser = app.add_subcommand("refresh");
    parser->add_option("SETTINGS OUTPUT", *positional);
    return {parser,
            "  runwell-cli refresh SETTINGS OUTPUT [--data DIR]\n"
            "      Loads SETTINGS, recomputes every mode from the current device data as if it were\n"
            "      opened in the mode editor and confirmed unchanged, and saves the profile to OUTPUT\n"
            "      (\".set\" is appended when OUTPUT holds no '.'). A mode that cannot be recomputed\n"
            "      is kept as it was and named on standard error.\n",
            [positional](const Context& context) { return RunRefresh(*positional, context); }};
}

}  // namespace runwell::cli
