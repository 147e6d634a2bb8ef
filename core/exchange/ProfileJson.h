#pragma once

#include <string>
#include <string_view>

#include "base/Result.h"
#include "files/ProfileExtras.h"
#include "files/SettingsImage.h"

namespace runwell {

/// The text profile: a JSON document that holds every byte of a settings file, so
/// ImportProfileJson(ExportProfileJson(x)) is x for every settings file a load reads completely.
/// The layout is described in docs/profile-format.md and docs/profile-format.schema.json:
/// - texts are JSON strings whose characters U+0000 to U+00FF are the file's 8-bit bytes
///   (Latin-1); a text stored with a wider length than needed, or as 16-bit characters, is an
///   object {"text" or "utf16le" (hex), "lengthBits"};
/// - floats are numbers that read back as the same float; a NaN or an infinity is a string
///   "0x" and the 8 hex digits of its bit pattern (accepted for any float);
/// - the 40 flag bytes are "peripheralFlags", the columns whose byte is 1, and
///   "peripheralFlagBytes", the bytes other than 0 and 1 by column;
/// - "modeCount" appears only when the stored count is negative, "trailingBytes" (hex) only when
///   bytes follow the last record.
inline constexpr const char* kProfileFormat = "runwell-profile";
inline constexpr int kProfileVersion = 1;

/// The profile text of an image and the extras kept beside it ("minimumVoltage", only when set),
/// 2-space indented, ending with a line feed.
std::string ProfileJsonOf(const SettingsImage& image, const ProfileExtras& extras = {});
/// The image a profile text describes, or a message naming the key or value that is wrong; the
/// extras it gives go to `extras` when asked for.
Result<SettingsImage> ParseProfileJson(std::string_view text, ProfileExtras* extras = nullptr);

/// The profile text of a settings file's bytes and its extras; the settings reader's message
/// when it would not read them completely.
Result<std::string> ExportProfileJson(std::string_view settingsBytes,
                                      const ProfileExtras& extras = {});
/// The settings file bytes a profile text describes, and its extras when asked for.
Result<std::string> ImportProfileJson(std::string_view text, ProfileExtras* extras = nullptr);

}  // namespace runwell
