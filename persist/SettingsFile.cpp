#include "persist/SettingsFile.h"

#include <string>

#include "model/FileRead.h"
#include "model/Messages.h"
#include "model/Text.h"
#include "model/Workspace.h"
#include "persist/Archive.h"
#include "persist/SafeFile.h"

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
    for (const std::uint8_t flag : mode.peripheralFlags) {
        writer.WriteByte(flag != 0 ? 1 : 0);
    }
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
    for (std::uint8_t& flag : mode.peripheralFlags) {
        const auto byte = reader.ReadByte();
        flag = byte.value_or(0) != 0 ? 1 : 0;
    }
    // A failed read makes every later one fail, so checking the reader once covers them all.
    if (reader.failed()) {
        return std::nullopt;
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

std::vector<std::string> DeviceNames(const Workspace& workspace) {
    std::vector<std::string> names;
    names.reserve(workspace.devices().size());
    for (const DeviceEntry& entry : workspace.devices()) {
        names.push_back(entry.name);
    }
    return names;
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
    ArchiveWriter writer;
    writer.WriteString(settings.device);
    writer.WriteString(settings.voltage);
    writer.WriteString(settings.temperature);
    writer.WriteInt32(settings.battery);
    writer.WriteInt32(static_cast<std::int32_t>(settings.modes.size()));
    for (const ModeRecord& mode : settings.modes) {
        WriteMode(writer, mode);
    }
    return writer.take();
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
    // in a short file ends at the data's end, and nothing is reserved for it.
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

void ApplySettings(Workspace& workspace, const ParsedSettings& settings, Prompter& prompter) {
    if (!settings.device) {
        ShowReadError(settings, prompter);
        return;
    }
    const int device = FindPrefixIgnoringCase(DeviceNames(workspace), *settings.device);
    if (device < 0) {
        prompter.ShowMessage(msg::kCannotSetDevice, MessageKind::Plain);
        return;
    }
    // A load always runs the device change, also for the device already selected: it reloads
    // the device and resets the voltage and temperature. A declined question, or a device file
    // that cannot be loaded (its message already shown), ends the load with nothing changed.
    if (!workspace.ChangeDevice(device, prompter)) {
        return;
    }

    if (!settings.voltage) {
        ShowReadError(settings, prompter);
        return;
    }
    const int voltage = FindPrefixIgnoringCase(workspace.voltages(), *settings.voltage);
    if (voltage < 0) {
        prompter.ShowMessage(msg::kCannotSetVoltage, MessageKind::Plain);
        return;
    }
    workspace.SetVoltageIndex(voltage);

    if (!settings.temperature) {
        ShowReadError(settings, prompter);
        return;
    }
    const int temperature = FindPrefixIgnoringCase(workspace.temperatures(), *settings.temperature);
    if (temperature < 0) {
        prompter.ShowMessage(msg::kCannotSetTemperature, MessageKind::Plain);
        return;
    }
    workspace.SetTemperatureIndex(temperature);

    if (!settings.battery) {
        ShowReadError(settings, prompter);
        return;
    }
    const std::int32_t battery = *settings.battery;
    if (battery < 0 || static_cast<std::size_t>(battery) >= workspace.batteries().size()) {
        prompter.ShowMessage(msg::kCannotSetBattery, MessageKind::Plain);
        return;
    }
    workspace.SetBatteryIndex(battery);

    // The complete records replace the profile and the results are recomputed at once, also
    // when the file ended early; the error is shown over the updated view.
    workspace.SetModes(settings.modes);
    if (settings.error) {
        ShowReadError(settings, prompter);
    }
}

void LoadSettings(Workspace& workspace, const std::filesystem::path& path, Prompter& prompter) {
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        prompter.ShowMessage(msg::kCannotOpenForReading, MessageKind::Plain);
        return;
    }
    ApplySettings(workspace, ParseSettings(*bytes), prompter);
}

Status SaveSettings(const Workspace& workspace, const std::filesystem::path& path) {
    const SettingsData settings = SettingsOf(workspace);
    return WriteFileSafely(EnsureExtension(path, ".set"),
                           [&](std::ostream& out) { return WriteSettings(out, settings); });
}

std::filesystem::path EnsureExtension(const std::filesystem::path& path,
                                      std::string_view extension) {
    std::string text = path.string();
    if (text.find('.') == std::string::npos) {
        text.append(extension);
    }
    return std::filesystem::path(text);
}

}  // namespace runwell
