#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/Platform.h"  // ExecutableFolder

namespace runwell {

/// One device name of line 1 of a device data file, with the file it loads.
struct DeviceEntry {
    std::string name;
    std::filesystem::path file;
};

struct DeviceScan {
    /// Sorted as the device selector shows them: ASCII letters folded, then byte order; equal
    /// names keep the order of the files' names.
    std::vector<DeviceEntry> entries;
    /// "Cannot open device data file." once per file that could not be read; shown in order.
    std::vector<std::string> messages;
};

/// Lists every *.csv in `dataFolder`, visiting the files in byte order of their names.
DeviceScan ScanDeviceFolder(const std::filesystem::path& dataFolder);

}  // namespace runwell
