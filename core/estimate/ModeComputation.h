#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "device/DeviceData.h"
#include "estimate/ModeRecord.h"

namespace runwell {

/// Unit indexes of the editor's unit lists: durations "uS", "mS", "S"; currents "nA", "uA", "mA".
inline constexpr const char* kDurationUnits[] = {"uS", "mS", "S"};
inline constexpr const char* kCurrentUnits[] = {"nA", "uA", "mA"};

struct SleepCurrent {
    std::uint32_t nanoamps = 0;
    /// Set when the device has no SLEEP row at this voltage and temperature; to be shown.
    std::optional<std::string> warning;
};

/// The base value of the SLEEP row at frequency "0" for this voltage and temperature, or 0 with a
/// warning when there is none.
SleepCurrent LookupSleepCurrent(const DeviceData& device, std::string_view voltage,
                                std::string_view temperature);

/// A typed number and its unit index in base units (us, nA), in single precision. Texts that are
/// not numbers read as 0; any unit index other than 1 or 2 leaves the number unscaled.
float ToMicroseconds(std::string_view text, int unitIndex);
float ToNanoamps(std::string_view text, int unitIndex);

/// A note on a duration the estimate takes as it is but a user hardly means: a text that is not a
/// number (it reads as the number it begins with, or 0), or a duration of zero, below zero or not
/// a number. Nothing for a plausible duration. The computation is not changed by it.
std::optional<std::string> DurationNotice(std::string_view text, int unitIndex);
/// The same for a stored duration (us), as the mode list marks it.
std::optional<std::string> DurationNotice(float duration);

/// A stored duration (us) or current (nA) as the editor shows it: a unit index and the number
/// with at most three decimals.
struct DisplaySplit {
    int unitIndex = 0;
    std::string number;
};
DisplaySplit SplitForDisplay(float value);

/// One entry of the editor's peripherals list.
struct PeripheralEntry {
    std::string text;
    int column = 0;
    bool selected = false;
};

/// The peripherals offered for row `row` (column order). Clears the flags of peripherals the row
/// lacks; hidden columns keep their flags and get no entry. No row (-1) gives no entries.
std::vector<PeripheralEntry> BuildPeripheralEntries(const DeviceData& device, int row,
                                                    PeripheralFlags& flags,
                                                    std::uint32_t sleepCurrent);

/// Everything a mode's figures are computed from: the selections as texts, the flags and the
/// typed inputs with their unit indexes.
struct ModeInputs {
    std::string_view operatingMode;
    std::string_view voltage;
    std::string_view temperature;
    std::string_view frequency;
    const PeripheralFlags* flags = nullptr;
    std::uint32_t sleepCurrent = 0;
    std::string_view systemCurrentText;
    int systemCurrentUnit = 0;
    std::string_view durationText;
    int durationUnit = 0;
};

struct ModeFigures {
    float controllerCurrent = 0.0f;
    float totalCurrent = 0.0f;
    float controllerCharge = 0.0f;
    float totalCharge = 0.0f;
};

/// The controller current from the device data, the total current with the system current, and
/// both charges over the duration, every step in single precision. Fails with the missing mode
/// data message when the device has no row for the mode.
Result<ModeFigures> ComputeMode(const DeviceData& device, const ModeInputs& inputs);

/// The controller current of row `row` for the given flags, in single precision.
float ControllerCurrent(const DeviceData& device, int row, const PeripheralFlags& flags,
                        std::uint32_t sleepCurrent);

std::string MissingSleepMessage(std::string_view voltage, std::string_view temperature);
std::string MissingModeMessage(std::string_view mode, std::string_view voltage,
                               std::string_view temperature, std::string_view frequency);

}  // namespace runwell
