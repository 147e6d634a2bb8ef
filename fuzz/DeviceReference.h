#pragma once

// The device data file format read the plain way, one line and one field at a time with the
// general helpers, to check the optimised reader of core/device/DeviceFile.cpp against it.

#include <string>
#include <string_view>
#include <vector>

#include "base/Numbers.h"
#include "base/Result.h"
#include "base/Text.h"
#include "device/DeviceData.h"

namespace runwell::fuzz {

/// Where the plain reading stopped: the line and the problem of a malformed file, or nothing.
struct ReferenceOutcome {
    DeviceData device;
    int errorLine = 0;  // 0: the file is well formed
    std::string problem;
};

inline bool AddDistinctLabel(std::vector<std::string>& list, const std::string& label) {
    for (const std::string& entry : list) {
        if (entry == label) {
            return true;
        }
    }
    if (list.size() == kMaxEntries) {
        return false;
    }
    list.push_back(label);
    return true;
}

inline ReferenceOutcome ReadDeviceReference(std::string_view content) {
    ReferenceOutcome outcome;
    DeviceData& device = outcome.device;
    const auto fail = [&](int line, std::string problem) {
        outcome.errorLine = line;
        outcome.problem = std::move(problem);
        return outcome;
    };
    LineReader reader(content);
    std::string_view line;
    reader.Next(line);
    const bool crInFirstLine = line.find('\r') != std::string_view::npos;
    if (reader.Next(line)) {
        device.deviceNotes = DecodeNotes(line);
    } else if (crInFirstLine) {
        return fail(1, "holds the whole file: its lines end with CR only. Save it with LF or CR "
                       "LF line ends.");
    }
    if (!reader.Next(line)) {
        line = {};
    }
    std::vector<std::string_view> fields = SplitFields(line);
    if (fields.size() < 4) {
        return fail(3, "needs four captions for the text fields before the value columns.");
    }
    if (fields.size() - 4 > kMaxEntries) {
        return fail(3, "has more than 40 value columns.");
    }
    device.columnNames.assign(fields.begin() + 4, fields.end());
    while (reader.Next(line)) {
        fields = SplitFields(line);
        if (fields.empty()) {
            break;
        }
        if (fields.size() < 4) {
            return fail(reader.lineNumber(),
                        "needs at least the operating mode, voltage, temperature and frequency.");
        }
        if (fields.size() == 4 || ReadInteger(fields[4]) == 0) {
            continue;
        }
        DataRecord row;
        row.modeName = ToUpperAscii(fields[0]);
        row.voltageName = ToUpperAscii(fields[1]);
        row.temperatureName = ToUpperAscii(fields[2]);
        row.frequencyName = ToUpperAscii(fields[3]);
        for (std::size_t k = 0; k < kMaxEntries && 4 + k < fields.size(); ++k) {
            row.values[k] = ReadInteger(fields[4 + k]);
        }
        device.rows.push_back(row);
        if (!AddDistinctLabel(device.modeNames, row.modeName)) {
            return fail(reader.lineNumber(),
                        "brings a 41st operating mode; at most 40 are allowed.");
        }
        if (!AddDistinctLabel(device.voltageNames, row.voltageName)) {
            return fail(reader.lineNumber(), "brings a 41st voltage; at most 40 are allowed.");
        }
        if (!AddDistinctLabel(device.temperatureNames, row.temperatureName)) {
            return fail(reader.lineNumber(), "brings a 41st temperature; at most 40 are allowed.");
        }
    }
    return outcome;
}

inline bool SameRecord(const DataRow& a, const DataRow& b) {
    return a.modeName == b.modeName && a.voltageName == b.voltageName &&
           a.temperatureName == b.temperatureName && a.frequencyName == b.frequencyName &&
           a.values == b.values;
}

inline bool SameDevice(const DeviceData& a, const DeviceData& b) {
    if (a.columnNames != b.columnNames || a.modeNames != b.modeNames ||
        a.voltageNames != b.voltageNames || a.temperatureNames != b.temperatureNames ||
        a.deviceNotes != b.deviceNotes || a.rows.size() != b.rows.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.rows.size(); ++i) {
        if (!SameRecord(a.rows[i], b.rows[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace runwell::fuzz
