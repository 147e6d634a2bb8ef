#pragma once

// The fixed texts the system shows; the GUI and the command-line tool show them as they are.

namespace runwell::msg {

inline constexpr const char* kCannotOpenDeviceFile = "Cannot open device data file.";
inline constexpr const char* kNoDeviceFiles = "There are no device data files.";
inline constexpr const char* kCannotOpenBatteryFile = "Cannot open battery data file.";
inline constexpr const char* kCannotOpenForWriting = "Cannot open file for writing.";
inline constexpr const char* kCannotOpenForReading = "Cannot open file for reading.";
inline constexpr const char* kCannotSetDevice = "Cannot set device.";
inline constexpr const char* kCannotSetVoltage = "Cannot set voltage.";
inline constexpr const char* kCannotSetTemperature = "Cannot set temperature.";
inline constexpr const char* kCannotSetBattery = "Cannot set battery.";
inline constexpr const char* kFileEndsEarly = "An attempt was made to access an unnamed file past its end.";
inline constexpr const char* kBadStringLength =
    "The file holds a text length that cannot be read; it is damaged or not a settings file.";
inline constexpr const char* kWriteFailed =
    "An error occurred while writing the file. The previous file was kept unchanged.";

inline constexpr const char* kSwitchDevices =
    "Switching devices will clear the existing profile.  Continue?";
inline constexpr const char* kSwitchVoltages =
    "Switching Voltages will clear the existing profile.  Continue?";
inline constexpr const char* kSwitchTemperatures =
    "Switching Temperatures will clear the existing profile.  Continue?";
inline constexpr const char* kWarningCaption = "Warning";

inline constexpr const char* kWindowCaption = "Quennel KDR Runwell v1.30";
inline constexpr const char* kUnsavedChanges =
    "The profile has unsaved changes. Save them before closing?";
inline constexpr const char* kUnsavedChangesBeforeLoad =
    "The profile has unsaved changes. Save them before loading another profile?";
inline constexpr const char* kUnsavedChangesBeforeNew =
    "The profile has unsaved changes. Save them before starting a new profile?";

}  // namespace runwell::msg
