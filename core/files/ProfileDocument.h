#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/Prompter.h"
#include "base/Result.h"
#include "files/ProfileExtras.h"
#include "files/SettingsFile.h"

namespace runwell {

class Workspace;

// A profile on disk is one document in two files: the settings file, byte for byte what every
// version writes, and beside it the sidecar of the extras it has no room for. They are loaded
// and saved here alone, together, so no other code reads or writes either file.

/// Reads the file at `path` and applies it with the extras of its sidecar. "Cannot open file for
/// reading." when it can't be read. A sidecar that cannot be read, is malformed, or was saved
/// with another version of the file is reported and the defaults apply: the load goes on.
/// A load that succeeds leaves the workspace unmodified with `path` as its file; one that fails
/// at any step leaves the save state as the steps before left it (modified once anything changed).
bool LoadSettings(Workspace& workspace, const std::filesystem::path& path, Prompter& prompter);

/// ClassifyForeignFile of the first 64 KiB of the regular file at `path`, with its extension;
/// kNone for anything else (a folder, a pipe, which a look ahead would drain) and for a file
/// that cannot be read: the load itself says what is wrong.
ForeignFile ClassifyForeignFile(const std::filesystem::path& path);

/// The extras to use with the settings file bytes `bytes` read from `path`: its sidecar's, unless
/// the sidecar cannot be used or was saved with another version of the file; then the defaults,
/// and `problem` says why.
ProfileExtras ExtrasFor(const std::filesystem::path& path, std::string_view bytes,
                        std::optional<std::string>& problem);

/// The start of the message of a save whose settings file was written but whose sidecar was not;
/// the sidecar's own message follows.
inline constexpr const char* kSettingsSavedExtrasNot =
    "The settings were saved; the extras could not be written: ";

/// Writes the workspace's settings to `path` (".set" appended when it holds no '.'), replacing
/// an existing file only once the new one is complete, then its sidecar (with the digest of the
/// new file), or removes a stale sidecar file when there are no extras. A sidecar that cannot be
/// written fails the save with kSettingsSavedExtrasNot and the reason.
Status SaveSettings(const Workspace& workspace, const std::filesystem::path& path);

/// True when the settings file of a save was written, whether or not its sidecar was.
bool SettingsWereSaved(const Status& saved);

/// SaveSettings; once the file is written, the workspace is unmodified with it as its file.
Status SaveSettingsAs(Workspace& workspace, const std::filesystem::path& path);

/// The extras of the settings file at `settingsPath`: empty when it has no sidecar; an error
/// naming the sidecar when it cannot be read or is malformed.
Result<ProfileExtras> LoadProfileExtras(const std::filesystem::path& settingsPath);

/// Writes the sidecar of `settingsPath` safely, or removes a stale one when `extras` is empty, so
/// that a later load never picks up settings of an earlier save.
Status SaveProfileExtras(const std::filesystem::path& settingsPath, const ProfileExtras& extras);


}  // namespace runwell
