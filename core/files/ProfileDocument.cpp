#include "files/ProfileDocument.h"

#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "base/Messages.h"
#include "files/SafeFile.h"
#include "files/SettingsFile.h"
#include "platform/FileRead.h"
#include "session/Workspace.h"

namespace runwell {

bool LoadSettings(Workspace& workspace, const std::filesystem::path& path, Prompter& prompter) {
    try {
        Result<std::string> bytes = ReadFileContent(path, msg::kCannotOpenForReading);
        if (!bytes) {
            prompter.ShowMessage(bytes.error().message, MessageKind::Plain);
            return false;
        }
        ParsedSettings settings = ParseSettings(*bytes);
        bytes = std::string();  // the file's bytes are not needed once parsed
        // The sidecar is read before the load changes anything and applied once the load has
        // replaced the profile; a profile without one gets the defaults.
        Result<ProfileExtras> extras = LoadProfileExtras(path);
        if (!ApplySettings(workspace, std::move(settings), prompter)) {
            // Whatever the steps before the failure changed stays, and stays unsaved: the
            // session no longer equals the previous file, nor this one.
            return false;
        }
        workspace.SetMinimumVoltage(extras ? extras->minimumVoltage : std::nullopt);
        if (!extras) {
            prompter.ShowMessage(extras.error().message, MessageKind::Plain);
        }
    } catch (const std::bad_alloc&) {
        // The load stops where memory ran out; what the steps before did stays, as it does
        // for every other failure of a load.
        prompter.ShowMessage(OutOfMemoryMessage(path), MessageKind::Plain);
        return false;
    }
    workspace.MarkSaved(path);
    return true;
}

Status SaveSettings(const Workspace& workspace, const std::filesystem::path& path) {
    const std::string bytes = SerializeSettings(workspace);
    const std::filesystem::path target = EnsureExtension(path, ".set");
    Status written = WriteFileSafely(target, [&](std::ostream& out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return out.good();
    });
    if (!written) {
        return written;
    }
    return SaveProfileExtras(target, ProfileExtras{workspace.minimumVoltage()});
}

Status SaveSettingsAs(Workspace& workspace, const std::filesystem::path& path) {
    const std::filesystem::path file = EnsureExtension(path, ".set");
    Status saved = SaveSettings(workspace, file);
    if (saved) {
        workspace.MarkSaved(file);
    }
    return saved;
}

Result<ProfileExtras> LoadProfileExtras(const std::filesystem::path& settingsPath) {
    const std::filesystem::path sidecar = ProfileExtrasPath(settingsPath);
    std::error_code error;
    // A missing entry is the usual case, reported as not_found (with an error code set).
    if (std::filesystem::symlink_status(sidecar, error).type() ==
        std::filesystem::file_type::not_found) {
        return ProfileExtras{};
    }
    const std::string name = sidecar.filename().string();
    std::error_code typeError;
    if (!std::filesystem::is_regular_file(sidecar, typeError)) {  // a folder, a pipe, a device
        return Error{name + ": " + msg::kCannotOpenForReading};
    }
    std::error_code sizeError;
    if (std::filesystem::file_size(sidecar, sizeError) > kMaxProfileExtrasBytes && !sizeError) {
        return Error{name + ": The file is larger than 64 KiB; it is not a profile's extra "
                            "settings."};
    }
    const std::optional<std::string> content = ReadWholeFile(sidecar);
    if (!content) {
        return Error{name + ": " + msg::kCannotOpenForReading};
    }
    Result<ProfileExtras> extras = ParseProfileExtras(*content);
    if (!extras) {
        return Error{name + ": " + extras.error().message};
    }
    return extras;
}

Status SaveProfileExtras(const std::filesystem::path& settingsPath, const ProfileExtras& extras) {
    const std::filesystem::path sidecar = ProfileExtrasPath(settingsPath);
    if (extras.empty()) {
        std::error_code error;
        std::filesystem::remove(sidecar, error);
        if (error) {
            return Error{sidecar.filename().string() + ": " + msg::kCannotOpenForWriting};
        }
        return {};
    }
    const std::string bytes = SerializeProfileExtras(extras);
    return WriteFileSafely(sidecar, [&](std::ostream& out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return out.good();
    });
}

}  // namespace runwell
