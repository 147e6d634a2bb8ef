#include "files/SettingsFile.h"

#include <algorithm>
#include <charconv>
#include <new>
#include <string>
#include <tuple>

#include "base/HugePages.h"
#include "base/Messages.h"
#include "base/Text.h"
#include "files/Archive.h"
#include "files/ProfileExtras.h"
#include "files/SafeFile.h"
#include "platform/FileRead.h"
#include "session/Workspace.h"

namespace runwell {
namespace {

void WriteMode(ArchiveWriter& writer, const ModeRecord& mode) {
    writer.WriteString(mode.label);
    writer.WriteString(mode.operatingMode);
    writer.WriteString(mode.frequency);
    writer.WriteFloat(mode.duration);
    writer.WriteFloat(mode.totalCurrent);
    writer.WriteFloat(mode.totalCharge);
    writer.WriteFloat(mode.systemCurrent);
    char flags[std::tuple_size_v<PeripheralFlags>];
    for (std::size_t k = 0; k < mode.peripheralFlags.size(); ++k) {
        flags[k] = mode.peripheralFlags[k] != 0 ? 1 : 0;
    }
    writer.WriteBytes(std::string_view(flags, sizeof flags));
}

/// The bytes of a settings file; the parts are passed one by one so a save need not copy the
/// profile into a SettingsData first.
std::string Serialize(std::string_view device, std::string_view voltage,
                      std::string_view temperature, std::int32_t battery,
                      const std::vector<ModeRecord>& modes) {
    // The size is reserved up front (texts below 255 bytes have a one-byte length), so a large
    // profile is written without the buffer being copied as it grows.
    constexpr std::size_t kFixedModeBytes = 4 * 4 + std::tuple_size_v<PeripheralFlags>;
    std::size_t size = device.size() + voltage.size() + temperature.size() + 3 + 8;
    for (const ModeRecord& mode : modes) {
        size += mode.label.size() + mode.operatingMode.size() + mode.frequency.size() + 3 +
                kFixedModeBytes;
    }
    ArchiveWriter writer;
    writer.Reserve(size);
    writer.WriteString(device);
    writer.WriteString(voltage);
    writer.WriteString(temperature);
    writer.WriteInt32(battery);
    writer.WriteInt32(static_cast<std::int32_t>(modes.size()));
    for (const ModeRecord& mode : modes) {
        WriteMode(writer, mode);
    }
    return writer.take();
}

/// One mode record, or nothing when the data ended inside it.
std::optional<ModeRecord> ReadMode(ArchiveReader& reader) {
    ModeRecord mode;
    auto label = reader.ReadString();
    auto operatingMode = reader.ReadString();
    auto frequency = reader.ReadString();
    const auto duration = reader.ReadFloat();
    const auto totalCurrent = reader.ReadFloat();
    const auto totalCharge = reader.ReadFloat();
    const auto systemCurrent = reader.ReadFloat();
    const auto flags = reader.ReadBytes(mode.peripheralFlags.size());
    // A failed read makes every later one fail, so checking the reader once covers them all.
    if (reader.failed()) {
        return std::nullopt;
    }
    for (std::size_t k = 0; k < mode.peripheralFlags.size(); ++k) {
        mode.peripheralFlags[k] = (*flags)[k] != 0 ? 1 : 0;
    }
    mode.label = std::move(*label);
    mode.operatingMode = std::move(*operatingMode);
    mode.frequency = std::move(*frequency);
    mode.duration = *duration;
    mode.totalCurrent = *totalCurrent;
    mode.totalCharge = *totalCharge;
    mode.systemCurrent = *systemCurrent;
    return mode;
}

/// Shows the archive's error; a parse that stopped always carries one.
void ShowReadError(const ParsedSettings& settings, Prompter& prompter) {
    prompter.ShowMessage(settings.error.value_or(msg::kFileEndsEarly), MessageKind::Error);
}

/// The first device entry, in list order, that begins with `prefix` ignoring case, or -1.
int FindDevice(const Workspace& workspace, std::string_view prefix) {
    const DeviceList& devices = workspace.devices();
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (StartsWithIgnoringCase(devices[i].name, prefix)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

SettingsData SettingsOf(const Workspace& workspace) {
    SettingsData settings;
    settings.device = workspace.deviceName();
    settings.voltage = workspace.voltage();
    settings.temperature = workspace.temperature();
    settings.battery = workspace.batteryIndex();
    settings.modes = workspace.modes();
    return settings;
}

std::string SerializeSettings(const SettingsData& settings) {
    return Serialize(settings.device, settings.voltage, settings.temperature, settings.battery,
                     settings.modes);
}

bool WriteSettings(std::ostream& out, const SettingsData& settings) {
    const std::string bytes = SerializeSettings(settings);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

ParsedSettings ParseSettings(std::string_view bytes) {
    ParsedSettings settings;
    ArchiveReader reader(bytes);
    // Once a read fails every later one does too, so the fields after the failure stay empty.
    settings.device = reader.ReadString();
    settings.voltage = reader.ReadString();
    settings.temperature = reader.ReadString();
    settings.battery = reader.ReadInt32();
    settings.modeCount = reader.ReadInt32();
    // The count is only a loop bound: every record must be read from the data, so a huge count
    // in a short file ends at the data's end. Room is made only for the records the remaining
    // bytes can hold (each takes at least its fixed part and three one-byte lengths).
    if (settings.modeCount && *settings.modeCount > 0) {
        constexpr std::size_t kSmallestRecord = 3 + 4 * 4 + std::tuple_size_v<PeripheralFlags>;
        ReserveLarge(settings.modes, std::min(static_cast<std::size_t>(*settings.modeCount),
                                              reader.remaining() / kSmallestRecord));
    }
    for (std::int32_t i = 0; settings.modeCount && i < *settings.modeCount; ++i) {
        std::optional<ModeRecord> mode = ReadMode(reader);
        if (!mode) {
            break;
        }
        settings.modes.push_back(std::move(*mode));
    }
    if (reader.failed()) {
        settings.error = reader.error();
    }
    return settings;
}

namespace {

/// ApplySettings; `ownModes`, when given, are settings.modes themselves, free to be moved into
/// the profile instead of copied.
bool Apply(Workspace& workspace, const ParsedSettings& settings, std::vector<ModeRecord>* ownModes,
           Prompter& prompter) {
    if (!settings.device) {
        ShowReadError(settings, prompter);
        return false;
    }
    const int device = FindDevice(workspace, *settings.device);
    if (device < 0) {
        prompter.ShowMessage(msg::kCannotSetDevice, MessageKind::Plain);
        return false;
    }
    // A load always runs the device change, also for the device already selected: it reloads
    // the device and resets the voltage and temperature. A declined question, or a device file
    // that cannot be loaded (its message already shown), ends the load with nothing changed.
    if (!workspace.ChangeDevice(device, prompter)) {
        return false;
    }

    // The voltage and the temperature: the first entry that begins with the stored text, ignoring
    // case; selected without asking and without emptying the profile.
    const auto findEntry = [&](const std::optional<std::string>& text,
                               const std::vector<std::string>& entries, const char* failure) {
        if (!text) {
            ShowReadError(settings, prompter);
            return -1;
        }
        const int index = FindPrefixIgnoringCase(entries, *text);
        if (index < 0) {
            prompter.ShowMessage(failure, MessageKind::Plain);
        }
        return index;
    };
    const int voltage = findEntry(settings.voltage, workspace.voltages(), msg::kCannotSetVoltage);
    if (voltage < 0) {
        return false;
    }
    workspace.SetVoltageIndex(voltage);
    const int temperature =
        findEntry(settings.temperature, workspace.temperatures(), msg::kCannotSetTemperature);
    if (temperature < 0) {
        return false;
    }
    workspace.SetTemperatureIndex(temperature);

    if (!settings.battery) {
        ShowReadError(settings, prompter);
        return false;
    }
    const std::int32_t battery = *settings.battery;
    if (battery < 0 || static_cast<std::size_t>(battery) >= workspace.batteries().size()) {
        prompter.ShowMessage(msg::kCannotSetBattery, MessageKind::Plain);
        return false;
    }
    workspace.SetBatteryIndex(battery);

    // The complete records replace the profile and the results are recomputed at once, also
    // when the file ended early; the error is shown over the updated view.
    if (ownModes != nullptr) {
        workspace.SetModes(std::move(*ownModes));
    } else {
        workspace.SetModes(settings.modes);
    }
    if (settings.error) {
        ShowReadError(settings, prompter);
        return false;
    }
    return true;
}

}  // namespace

bool ApplySettings(Workspace& workspace, const ParsedSettings& settings, Prompter& prompter) {
    return Apply(workspace, settings, nullptr, prompter);
}

bool ApplySettings(Workspace& workspace, ParsedSettings&& settings, Prompter& prompter) {
    return Apply(workspace, settings, &settings.modes, prompter);
}

std::string SerializeSettings(const Workspace& workspace) {
    // The same bytes as SerializeSettings(SettingsOf(workspace)), without copying the profile.
    return Serialize(workspace.deviceName(), workspace.voltage(), workspace.temperature(),
                     workspace.batteryIndex(), workspace.modes());
}

namespace {

/// The battery a command names: its catalogue number from 1, or the beginning of its
/// description; -1 for none.
int FindBattery(const std::vector<BatteryRecord>& batteries, std::string_view text) {
    std::size_t number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (!text.empty() && ec == std::errc() && end == text.data() + text.size()) {
        return number >= 1 && number <= batteries.size() ? static_cast<int>(number - 1) : -1;
    }
    for (std::size_t i = 0; i < batteries.size(); ++i) {
        if (!text.empty() && StartsWithIgnoringCase(batteries[i].description, text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

ForeignFile ClassifyForeignFile(std::string_view bytes, std::string_view extension) {
    if (bytes.empty()) {
        return ForeignFile::kNone;
    }
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') || byte == 0x7F) {
            return ForeignFile::kNone;
        }
    }
    std::string_view text = bytes;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    const std::size_t first = text.find_first_not_of(" \t\r\n\f");
    if (first != std::string_view::npos && (text[first] == '{' || text[first] == '[')) {
        return ForeignFile::kJson;
    }
    for (const std::string_view table : {".csv", ".tsv", ".txt"}) {
        if (extension.size() == table.size() && StartsWithIgnoringCase(extension, table)) {
            return ForeignFile::kCsv;
        }
    }
    LineReader lines(text);
    for (std::string_view line; lines.Next(line);) {
        if (line.find_first_not_of(" \t\f") == std::string_view::npos || line.starts_with('#')) {
            continue;
        }
        return line.find_first_of(",;\t") != std::string_view::npos ? ForeignFile::kCsv
                                                                      : ForeignFile::kText;
    }
    return ForeignFile::kText;
}

bool ApplyNamedSelection(Workspace& workspace, const NamedSelection& selection, Prompter& prompter) {
    const auto refuse = [&prompter](const char* message) {
        prompter.ShowMessage(message, MessageKind::Plain);
        return false;
    };
    if (selection.device) {
        const int device = selection.device->empty() ? -1 : FindDevice(workspace, *selection.device);
        if (device < 0) {
            return refuse(msg::kCannotSetDevice);
        }
        if (device != workspace.deviceIndex() && !workspace.ChangeDevice(device, prompter)) {
            return false;
        }
    }
    if (selection.voltage) {
        const int voltage = selection.voltage->empty()
                                ? -1
                                : FindPrefixIgnoringCase(workspace.voltages(), *selection.voltage);
        if (voltage < 0) {
            return refuse(msg::kCannotSetVoltage);
        }
        workspace.SetVoltageIndex(voltage);
    }
    if (selection.temperature) {
        const int temperature =
            selection.temperature->empty()
                ? -1
                : FindPrefixIgnoringCase(workspace.temperatures(), *selection.temperature);
        if (temperature < 0) {
            return refuse(msg::kCannotSetTemperature);
        }
        workspace.SetTemperatureIndex(temperature);
    }
    if (selection.battery) {
        const int battery = FindBattery(workspace.batteries(), *selection.battery);
        if (battery < 0) {
            return refuse(msg::kCannotSetBattery);
        }
        workspace.SetBatteryIndex(battery);
    }
    workspace.Recompute();
    return true;
}

std::filesystem::path EnsureExtension(const std::filesystem::path& path,
                                      std::string_view extension) {
    // The native form: on Windows a wide name, where each '.' is one code unit.
    if (path.native().find('.') != std::filesystem::path::string_type::npos) {
        return path;
    }
    std::filesystem::path extended = path;
    extended += std::filesystem::path::string_type(extension.begin(), extension.end());
    return extended;
}

}  // namespace runwell
