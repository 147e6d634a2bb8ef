#include "DeviceFile.h"

#include <algorithm>
#include <string>
#include <vector>

#include "FileRead.h"
#include "Messages.h"
#include "Numbers.h"
#include "Text.h"

namespace runwell {
namespace {

Error Malformed(std::string_view fileName, int line, std::string_view problem) {
    return Error{"The device data file \"" + std::string(fileName) + "\" is malformed: line " +
                 std::to_string(line) + " " + std::string(problem)};
}

/// Adds `label` to a derived list unless it is there already. Consecutive rows mostly repeat
/// the previous row's labels, so the last match is tried first.
bool AddDistinct(std::vector<std::string>& list, std::size_t& lastMatch, const std::string& label) {
    if (lastMatch < list.size() && list[lastMatch] == label) {
        return true;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == label) {
            lastMatch = i;
            return true;
        }
    }
    if (list.size() == kMaxEntries) {
        return false;
    }
    lastMatch = list.size();
    list.push_back(label);
    return true;
}

}  // namespace

Result<DeviceData> ParseDeviceData(std::string_view content, std::string_view fileName) {
    DeviceData device;
    LineReader reader(content);
    std::string_view line;
    std::vector<std::string_view> fields;

    reader.Next(line);  // line 1: the device names, read by the folder scan
    if (reader.Next(line)) {
        device.deviceNotes = DecodeNotes(line);
    }
    if (!reader.Next(line)) {
        line = {};
    }
    SplitFields(line, fields);
    if (fields.size() < 4) {
        return Malformed(fileName, 3, "needs four captions for the text fields before the value columns.");
    }
    if (fields.size() - 4 > kMaxEntries) {
        return Malformed(fileName, 3, "has more than 40 value columns.");
    }
    device.columnNames.assign(fields.begin() + 4, fields.end());

    std::size_t lastMode = 0;
    std::size_t lastVoltage = 0;
    std::size_t lastTemperature = 0;
    while (reader.Next(line)) {
        SplitFields(line, fields);
        if (fields.empty()) {
            break;  // an empty line ends the table
        }
        if (fields.size() < 4) {
            return Malformed(fileName, reader.lineNumber(),
                             "needs at least the operating mode, voltage, temperature and frequency.");
        }
        if (fields.size() < 5) {
            continue;
        }
        const std::int32_t base = ReadInteger(fields[4]);
        if (base == 0) {
            continue;
        }
        DataRecord& row = device.rows.emplace_back();
        row.modeName = ToUpperAscii(fields[0]);
        row.voltageName = ToUpperAscii(fields[1]);
        row.temperatureName = ToUpperAscii(fields[2]);
        row.frequencyName = ToUpperAscii(fields[3]);
        row.values[0] = base;
        const std::size_t count = std::min(fields.size() - 4, kMaxEntries);
        for (std::size_t k = 1; k < count; ++k) {
            row.values[k] = ReadInteger(fields[4 + k]);
        }
        if (!AddDistinct(device.modeNames, lastMode, row.modeName)) {
            return Malformed(fileName, reader.lineNumber(), "brings a 41st operating mode; at most 40 are allowed.");
        }
        if (!AddDistinct(device.voltageNames, lastVoltage, row.voltageName)) {
            return Malformed(fileName, reader.lineNumber(), "brings a 41st voltage; at most 40 are allowed.");
        }
        if (!AddDistinct(device.temperatureNames, lastTemperature, row.temperatureName)) {
            return Malformed(fileName, reader.lineNumber(), "brings a 41st temperature; at most 40 are allowed.");
        }
    }
    return device;
}

Result<DeviceData> LoadDeviceFile(const std::filesystem::path& path) {
    const std::optional<std::string> content = ReadWholeFile(path);
    if (!content) {
        return Error{msg::kCannotOpenDeviceFile};
    }
    return ParseDeviceData(*content, path.filename().string());
}

}  // namespace runwell
