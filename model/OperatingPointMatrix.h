#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "BatteryRecord.h"
#include "DeviceData.h"
#include "ModeRecord.h"

namespace runwell {

class Workspace;

/// The life at one voltage and temperature.
struct MatrixCell {
    bool available = true;
    std::int64_t lifeHours = 0;  // 0: cannot be told (also when not available)
    /// The life as the life field shows it, or "not available".
    std::string text;
    /// Why not available: the mode editor's message for the first mode that cannot be computed
    /// at this point, e.g. "Mode 2 (\"rx\"): ..."; empty when available.
    std::string reason;
};

inline constexpr const char* kNotAvailable = "not available";

/// The life for every voltage x temperature of the loaded device.
struct OperatingPointMatrix {
    std::vector<std::string> voltages;      // rows, as the voltage list holds them
    std::vector<std::string> temperatures;  // columns
    std::vector<MatrixCell> cells;          // row by row: voltage v, temperature t at v * T + t
    int selectedVoltage = -1;               // the workspace's point; -1 when none
    int selectedTemperature = -1;

    const MatrixCell& at(std::size_t voltage, std::size_t temperature) const {
        return cells[voltage * temperatures.size() + temperature];
    }
};

/// Each mode of `modes` recomputed at every point as the mode editor's confirmation does, and
/// the life of the result on `battery` (nullptr: every life is "?"). At the selected point the
/// profile is taken as it is, so that cell is exactly the life the results show. Identical
/// modes are recomputed once per point.
OperatingPointMatrix ComputeOperatingPointMatrix(const DeviceData& device,
                                                 const std::vector<std::string>& voltages,
                                                 const std::vector<std::string>& temperatures,
                                                 int selectedVoltage, int selectedTemperature,
                                                 const std::vector<ModeRecord>& modes,
                                                 const BatteryRecord* battery);

/// The matrix for the workspace's device, point, profile and current battery.
OperatingPointMatrix ComputeOperatingPointMatrix(const Workspace& workspace);

}  // namespace runwell
