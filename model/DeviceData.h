#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace runwell {

/// The most value columns, operating modes, voltages and temperatures one device may have, and
/// the number of currents a data line holds.
inline constexpr std::size_t kMaxEntries = 40;

/// One data line of a device data file: an operating point and its currents in nA. values[0] is
/// the controller's base current, values[k] the extra current of value column k.
struct DataRecord {
    std::string modeName;
    std::string voltageName;
    std::string temperatureName;
    std::string frequencyName;
    std::array<std::int32_t, kMaxEntries> values{};
};

/// The loaded device's characterisation data. Labels are upper-cased at load; captions keep their
/// case. Each list holds at most kMaxEntries distinct texts, in order of first appearance.
struct DeviceData {
    std::vector<std::string> columnNames;
    std::vector<std::string> modeNames;
    std::vector<std::string> voltageNames;
    std::vector<std::string> temperatureNames;
    std::string deviceNotes;
    std::vector<DataRecord> rows;

    /// Index of the first row whose four labels equal the arguments byte for byte, or -1.
    int FindModeRow(std::string_view mode, std::string_view voltage, std::string_view temperature,
                    std::string_view frequency) const;
    /// The smallest column k >= 1 whose caption equals `caption`, or -1. Column 0 is never found.
    int FindColumn(std::string_view caption) const;
    /// The distinct frequencies of the rows with these three labels, in order of first appearance.
    std::vector<std::string> ListModeFrequencies(std::string_view mode, std::string_view voltage,
                                                 std::string_view temperature) const;
};

}  // namespace runwell
