#pragma once

#include <filesystem>
#include <string_view>

#include "base/Result.h"
#include "device/DeviceData.h"

namespace runwell {

/// Reads a whole device data file. The load is all or nothing: on any failure the caller keeps
/// the device it had, and the error says which file and line are at fault.
Result<DeviceData> LoadDeviceFile(const std::filesystem::path& path);

/// Parses the content of a device data file; `fileName` only names the file in error messages.
Result<DeviceData> ParseDeviceData(std::string_view content, std::string_view fileName);

}  // namespace runwell
