#include "files/ProfileDocument.h"

#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "base/Messages.h"
#include "files/SafeFile.h"
#include "files/SettingsFile.h"
#include "platform/FileRead.h"
#include "platform/Platform.h"
#include "session/Workspace.h"

namespace runwell {

ForeignFile ClassifyForeignFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return ForeignFile::kNone;
    }
    std::FILE* file = OpenForReading(path);
    if (file == nullptr) {
        return ForeignFile::kNone;
    }
    std::string start(64 * 1024, '\0');
    start.resize(std::fread(start.data(), 1, start.size(), file));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? ForeignFile::kNone
                  : ClassifyForeignFile(start, PathToUtf8(path.extension()));
}

ProfileExtras ExtrasFor(const std::filesystem::path& path, std::string_view bytes,
                        std::optional<std::string>& problem) {
    Result<ProfileExtras> extras = LoadProfileExtras(path);
    if (!extras) {
        problem = extras.error().message + " The default extra settings apply.";
        return {};
    }
    if (extras->settingsDigest && *extras->settingsDigest != SettingsDigest(bytes)) {
        problem = PathToUtf8(ProfileExtrasPath(path).filename()) +
                  ": these extra settings were saved with another version of " +
                  PathToUtf8(path.filename()) + " and are ignored; the defaults apply.";
        return {};
    }
    return std::move(*extras);
}

bool LoadSettings(Workspace& workspace, const std::filesystem::path& path, Prompter& prompter) {
    try {
        Result<std::string> bytes = ReadFileContent(path, msg::kCannotOpenForReading);
        if (!bytes) {
            prompter.ShowMessage(bytes.error().message, MessageKind::Plain);
            return false;
        }
        ParsedSettings settings = ParseSettings(*bytes);
        // The sidecar is read before the load changes anything and applied once the load has
        // replaced the profile; a profile without one, or with one that cannot be used, gets
        // the defaults and is loaded all the same.
        std::optional<std::string> problem;
        const ProfileExtras extras = ExtrasFor(path, *bytes, problem);
        bytes = std::string();  // the file's bytes are not needed once parsed
        if (!ApplySettings(workspace, std::move(settings), prompter)) {
            // Whatever the steps before the failure changed stays, and stays unsaved: the
            // session no longer equals the previous file, nor this one.
            return false;
        }
        workspace.SetMinimumVoltage(extras.minimumVoltage);
        workspace.SetPredictionOptions(extras.prediction);
        workspace.SetBufferLeakage(extras.bufferLeakage);
        if (problem) {
            prompter.ShowMessage(*problem, MessageKind::Plain);
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
    // The settings file is replaced first: a save that stops before its sidecar is replaced
    // leaves the old sidecar, whose digest no longer matches, so a load ignores it and says so.
    Status extras = SaveProfileExtras(
        target, ProfileExtras{workspace.minimumVoltage(), SettingsDigest(bytes),
                              workspace.predictionOptions(), workspace.bufferLeakage()});
    if (!extras) {
        return Error{std::string(kSettingsSavedExtrasNot) + extras.error().message};
    }
    return {};
}

bool SettingsWereSaved(const Status& saved) {
    return saved.ok() || saved.error().message.starts_with(kSettingsSavedExtrasNot);
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
        return Error{name + ": The file is larger than 8 MiB; it is not a profile's extra "
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
    const std::string name = PathToUtf8(sidecar.filename());
    if (extras.empty()) {
        // Only a stale sidecar file (or a link) is removed; a folder or anything else of that
        // name is left alone, and a load reports it.
        std::error_code error;
        const auto type = std::filesystem::symlink_status(sidecar, error).type();
        if (type != std::filesystem::file_type::regular &&
            type != std::filesystem::file_type::symlink) {
            return {};
        }
        std::filesystem::remove(sidecar, error);
        if (error) {
            return Error{name + ": " + msg::kCannotOpenForWriting};
        }
        return {};
    }
    const std::string bytes = SerializeProfileExtras(extras);
    Status written = WriteFileSafely(sidecar, [&](std::ostream& out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return out.good();
    });
    if (!written) {
        return Error{name + ": " + written.error().message};
    }
    return {};
}

}  // namespace runwell
