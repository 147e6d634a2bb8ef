#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/Prompter.h"
#include "base/Result.h"
#include "estimate/ModeRecord.h"

namespace runwell {

class Workspace;

/// What a settings file holds: the selections by name, the battery by index, the profile.
struct SettingsData {
    std::string device;
    std::string voltage;
    std::string temperature;
    std::int32_t battery = 0;
    std::vector<ModeRecord> modes;
};

/// A settings file as far as it could be read. Fields are filled in file order; `error` is set
/// when the data ended early or held an unreadable length, and only the fields (and the complete
/// mode records) before that point are present.
struct ParsedSettings {
    std::optional<std::string> device;
    std::optional<std::string> voltage;
    std::optional<std::string> temperature;
    std::optional<std::int32_t> battery;
    std::optional<std::int32_t> modeCount;
    std::vector<ModeRecord> modes;
    std::optional<std::string> error;
};

/// The settings of the workspace's current state.
SettingsData SettingsOf(const Workspace& workspace);

/// The file's bytes: device, voltage and temperature texts, the battery index, the mode count,
/// then per mode its three texts, duration, total current, total charge, system current and 40
/// flag bytes (a non-zero flag is written as 1). No header, no padding.
std::string SerializeSettings(const SettingsData& settings);
/// SerializeSettings of the workspace's current state, without copying its profile.
std::string SerializeSettings(const Workspace& workspace);
/// Writes SerializeSettings(settings) to `out`; false when the stream failed.
bool WriteSettings(std::ostream& out, const SettingsData& settings);
/// Reads the fields in file order until the data ends or a length cannot be read. The mode count
/// is never trusted for an allocation; a non-zero flag byte reads as 1; bytes after the last mode
/// record are ignored.
ParsedSettings ParseSettings(std::string_view bytes);

/// Applies a parsed file step by step, as a load does: device (asking first when the profile has
/// modes; a declined question or a device file that cannot be loaded ends the load with nothing
/// changed), voltage, temperature, battery, then the modes. Device, voltage and temperature are
/// the first entries that begin with the stored texts, ignoring case. The first step that fails
/// shows its message and ends the load; what earlier steps did stays. When the file ended early
/// after the battery, the complete mode records read before that point become the profile and
/// then the error is shown. The results are recomputed whenever the profile was touched. True
/// when the whole file was applied.
bool ApplySettings(Workspace& workspace, const ParsedSettings& settings, Prompter& prompter);
/// ApplySettings that takes the parsed modes over rather than copying them.
bool ApplySettings(Workspace& workspace, ParsedSettings&& settings, Prompter& prompter);

/// What a file given for a settings file holds when it is plainly something else.
enum class ForeignFile {
    kNone,  // may be a settings file, whole or damaged: its load says what is wrong
    kJson,  // a JSON text, such as a text profile
    kCsv,   // a table of text: a current trace, a data file
    kText,  // other text
};

/// Tells a text from a settings file without guessing: a settings file always holds binary
/// numbers (its battery index and mode count are 32-bit, so it has NUL bytes near its start),
/// while `bytes` (a file's start) counts as text only when it is not empty and holds no NUL and
/// no control byte but TAB, LF, CR and form feed. Such a text is JSON when its first byte after blanks (and a UTF-8 byte
/// order mark) is '{' or '['; a table when `extension` is ".csv", ".tsv" or ".txt" (any case)
/// or its first line that is neither blank nor a '#' comment holds ',', ';' or TAB; else text.
ForeignFile ClassifyForeignFile(std::string_view bytes, std::string_view extension);

/// The selections a command names by text; an unset one keeps the workspace's.
struct NamedSelection {
    std::optional<std::string> device;
    std::optional<std::string> voltage;
    std::optional<std::string> temperature;
    std::optional<std::string> battery;
};

/// Makes the named selections as a settings load makes them, before any profile is set: the
/// device, voltage and temperature are the first entries that begin with the texts, ignoring
/// case; the battery is the catalogue number (1 for the first, as `compare` numbers them) when
/// the text is a whole number, else the first battery whose description begins with it. The
/// first that matches nothing shows the load's message for it ("Cannot set device.") and
/// returns false.
bool ApplyNamedSelection(Workspace& workspace, const NamedSelection& selection, Prompter& prompter);

/// `path` with `extension` appended when it contains no '.' at all (a '.' in a folder name
/// counts).
std::filesystem::path EnsureExtension(const std::filesystem::path& path,
                                      std::string_view extension);

}  // namespace runwell
