#include "DeviceData.h"

#include <algorithm>

namespace runwell {

int DeviceData::FindModeRow(std::string_view mode, std::string_view voltage,
                            std::string_view temperature, std::string_view frequency) const {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const DataRecord& row = rows[i];
        if (row.modeName == mode && row.voltageName == voltage &&
            row.temperatureName == temperature && row.frequencyName == frequency) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int DeviceData::FindColumn(std::string_view caption) const {
    for (std::size_t k = 1; k < columnNames.size(); ++k) {
        if (columnNames[k] == caption) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

std::vector<std::string> DeviceData::ListModeFrequencies(std::string_view mode,
                                                         std::string_view voltage,
                                                         std::string_view temperature) const {
    std::vector<std::string> frequencies;
    for (const DataRecord& row : rows) {
        if (row.modeName == mode && row.voltageName == voltage &&
            row.temperatureName == temperature &&
            std::find(frequencies.begin(), frequencies.end(), row.frequencyName) ==
                frequencies.end()) {
            frequencies.push_back(row.frequencyName);
        }
    }
    return frequencies;
}

}  // namespace runwell
