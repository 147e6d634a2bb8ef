#include "files/SettingsImage.h"

#include <algorithm>

#include "base/Messages.h"

namespace runwell {
namespace {

// The floats are read as their bit patterns, never as floats, so nothing can quiet a NaN.
constexpr std::size_t kFlagCount = std::tuple_size_v<PeripheralFlags>;

}  // namespace

Result<SettingsImage> ReadSettingsImage(std::string_view bytes) {
    SettingsImage image;
    ArchiveReader reader(bytes);
    auto device = reader.ReadStoredString();
    auto voltage = reader.ReadStoredString();
    auto temperature = reader.ReadStoredString();
    const auto battery = reader.ReadInt32();
    const auto modeCount = reader.ReadInt32();
    if (reader.failed()) {
        return Error{reader.error()};
    }
    image.device = std::move(*device);
    image.voltage = std::move(*voltage);
    image.temperature = std::move(*temperature);
    image.battery = *battery;
    image.modeCount = *modeCount;
    // As in the settings reader, the count is only a loop bound: a huge count in a short file
    // ends at the data's end, and room is made only for records the bytes can hold.
    constexpr std::size_t kSmallestRecord = 3 + 4 * 4 + kFlagCount;
    image.modes.reserve(std::min(static_cast<std::size_t>(std::max(image.modeCount, 0)),
                                 reader.remaining() / kSmallestRecord));
    for (std::int32_t i = 0; i < image.modeCount; ++i) {
        StoredMode mode;
        auto label = reader.ReadStoredString();
        auto operatingMode = reader.ReadStoredString();
        auto frequency = reader.ReadStoredString();
        const auto duration = reader.ReadUint32();
        const auto totalCurrent = reader.ReadUint32();
        const auto totalCharge = reader.ReadUint32();
        const auto systemCurrent = reader.ReadUint32();
        const auto flags = reader.ReadBytes(kFlagCount);
        if (reader.failed()) {
            return Error{reader.error()};
        }
        mode.label = std::move(*label);
        mode.operatingMode = std::move(*operatingMode);
        mode.frequency = std::move(*frequency);
        mode.duration = *duration;
        mode.totalCurrent = *totalCurrent;
        mode.totalCharge = *totalCharge;
        mode.systemCurrent = *systemCurrent;
        std::copy(flags->begin(), flags->end(), mode.flagBytes.begin());
        image.modes.push_back(std::move(mode));
    }
    image.trailing = std::string(*reader.ReadBytes(reader.remaining()));
    return image;
}

std::string WriteSettingsImage(const SettingsImage& image) {
    ArchiveWriter writer;
    writer.WriteString(image.device);
    writer.WriteString(image.voltage);
    writer.WriteString(image.temperature);
    writer.WriteInt32(image.battery);
    writer.WriteInt32(image.modeCount);
    for (const StoredMode& mode : image.modes) {
        writer.WriteString(mode.label);
        writer.WriteString(mode.operatingMode);
        writer.WriteString(mode.frequency);
        writer.WriteUint32(mode.duration);
        writer.WriteUint32(mode.totalCurrent);
        writer.WriteUint32(mode.totalCharge);
        writer.WriteUint32(mode.systemCurrent);
        writer.WriteBytes(std::string_view(reinterpret_cast<const char*>(mode.flagBytes.data()),
                                           mode.flagBytes.size()));
    }
    writer.WriteBytes(image.trailing);
    return writer.take();
}

}  // namespace runwell
