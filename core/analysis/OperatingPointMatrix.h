#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceData.h"
#include "estimate/BatteryRecord.h"
#include "estimate/ModeRecord.h"
#include "estimate/ProfileResults.h"

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

/// What the matrix knows before a battery is chosen: each point's load, or why it has none.
struct OperatingPointLoads {
    std::vector<std::string> voltages;
    std::vector<std::string> temperatures;
    int selectedVoltage = -1;
    int selectedTemperature = -1;
    std::vector<std::optional<ProfileLoad>> loads;  // row by row as the cells; empty: not available
    std::vector<std::string> reasons;               // why not available, where a load is empty
};

/// Each mode of `modes` recomputed at every point as the mode editor's confirmation does, and
/// the profile's load there. At the selected point the profile is taken as it is. Identical
/// modes are recomputed once per point.
OperatingPointLoads ComputeOperatingPointLoads(const DeviceData& device,
                                               const std::vector<std::string>& voltages,
                                               const std::vector<std::string>& temperatures,
                                               int selectedVoltage, int selectedTemperature,
                                               const std::vector<ModeRecord>& modes);

/// The life of every point's load on `battery` (nullptr: every life is "?").
OperatingPointMatrix LivesAtOperatingPoints(const OperatingPointLoads& loads,
                                            const BatteryRecord* battery);

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

/// The matrix of a workspace, recomputing the modes only when the device, the point or the
/// profile changed since the last call: a battery click costs one division per point.
class OperatingPointMatrixCache {
public:
    OperatingPointMatrix Compute(const Workspace& workspace);

private:
    std::uint64_t deviceLoadId_ = 0;
    int voltage_ = -1;
    int temperature_ = -1;
    std::vector<ModeRecord> modes_;
    std::optional<OperatingPointLoads> loads_;
};

}  // namespace runwell
