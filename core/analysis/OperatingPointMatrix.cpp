#include "analysis/OperatingPointMatrix.h"

#include <cstring>
#include <optional>
#include <unordered_map>

#include "estimate/ModeRefresh.h"
#include "estimate/ProfileResults.h"
#include "session/Workspace.h"

namespace runwell {
namespace {

/// Everything of a mode the editor reads, the label aside: modes with equal keys refresh to
/// equal figures.
std::string RefreshKey(const ModeRecord& mode) {
    std::string key;
    key.reserve(mode.operatingMode.size() + mode.frequency.size() + mode.peripheralFlags.size() +
                4 * sizeof(float) + 2);
    key += mode.operatingMode;
    key += '\0';
    key += mode.frequency;
    key += '\0';
    key.append(reinterpret_cast<const char*>(mode.peripheralFlags.data()),
               mode.peripheralFlags.size());
    for (const float value :
         {mode.duration, mode.totalCurrent, mode.totalCharge, mode.systemCurrent}) {
        char bytes[sizeof(float)];
        std::memcpy(bytes, &value, sizeof bytes);
        key.append(bytes, sizeof bytes);
    }
    return key;
}

}  // namespace

OperatingPointLoads ComputeOperatingPointLoads(const DeviceData& device,
                                               const std::vector<std::string>& voltages,
                                               const std::vector<std::string>& temperatures,
                                               int selectedVoltage, int selectedTemperature,
                                               const std::vector<ModeRecord>& modes) {
    OperatingPointLoads points;
    points.voltages = voltages;
    points.temperatures = temperatures;
    points.selectedVoltage = selectedVoltage;
    points.selectedTemperature = selectedTemperature;
    points.loads.reserve(voltages.size() * temperatures.size());
    points.reasons.reserve(voltages.size() * temperatures.size());

    // Each distinct mode is refreshed once per point; `unique[i]` is the first mode like mode i.
    std::vector<std::size_t> unique(modes.size());
    std::vector<std::size_t> distinct;
    {
        std::unordered_map<std::string, std::size_t> seen;
        for (std::size_t i = 0; i < modes.size(); ++i) {
            const auto [it, added] = seen.try_emplace(RefreshKey(modes[i]), i);
            unique[i] = it->second;
            if (added) {
                distinct.push_back(i);
            }
        }
    }
    struct Refreshed {
        float duration = 0.0f;
        float current = 0.0f;
        std::optional<std::string> refusal;
    };
    std::vector<Refreshed> refreshed(modes.size());

    for (std::size_t v = 0; v < voltages.size(); ++v) {
        for (std::size_t t = 0; t < temperatures.size(); ++t) {
            if (static_cast<int>(v) == selectedVoltage &&
                static_cast<int>(t) == selectedTemperature) {
                // The profile was computed here; this is the life the results show.
                points.loads.emplace_back(ComputeProfileLoad(modes));
                points.reasons.emplace_back();
                continue;
            }
            for (const std::size_t i : distinct) {
                RefreshedMode mode = RefreshMode(device, voltages[v], temperatures[t], modes[i]);
                Refreshed& entry = refreshed[i];
                if (mode.record) {
                    entry = {mode.record->duration, mode.record->totalCurrent, std::nullopt};
                } else {
                    entry = {0.0f, 0.0f, std::move(mode.refusal)};
                }
            }
            ProfileLoadSum sum;
            std::string reason;
            for (std::size_t i = 0; i < modes.size(); ++i) {
                const Refreshed& entry = refreshed[unique[i]];
                if (entry.refusal) {
                    reason = "Mode " + std::to_string(i + 1) + " (\"" + modes[i].label +
                             "\"): " + *entry.refusal;
                    break;
                }
                sum.Add(entry.duration, entry.current);
            }
            if (reason.empty()) {
                points.loads.emplace_back(sum.Result());
            } else {
                points.loads.emplace_back();
            }
            points.reasons.push_back(std::move(reason));
        }
    }
    return points;
}

OperatingPointMatrix LivesAtOperatingPoints(const OperatingPointLoads& points,
                                            const BatteryRecord* battery) {
    OperatingPointMatrix matrix;
    matrix.voltages = points.voltages;
    matrix.temperatures = points.temperatures;
    matrix.selectedVoltage = points.selectedVoltage;
    matrix.selectedTemperature = points.selectedTemperature;
    matrix.cells.reserve(points.loads.size());
    for (std::size_t i = 0; i < points.loads.size(); ++i) {
        MatrixCell cell;
        if (!points.loads[i]) {
            cell.available = false;
            cell.text = kNotAvailable;
            cell.reason = points.reasons[i];
        } else {
            cell.lifeHours = battery != nullptr ? BatteryLifeHours(*battery, points.loads[i]->average) : 0;
            cell.text = battery != nullptr ? FormatBatteryLife(cell.lifeHours) : "?";
        }
        matrix.cells.push_back(std::move(cell));
    }
    return matrix;
}

OperatingPointMatrix ComputeOperatingPointMatrix(const DeviceData& device,
                                                 const std::vector<std::string>& voltages,
                                                 const std::vector<std::string>& temperatures,
                                                 int selectedVoltage, int selectedTemperature,
                                                 const std::vector<ModeRecord>& modes,
                                                 const BatteryRecord* battery) {
    return LivesAtOperatingPoints(ComputeOperatingPointLoads(device, voltages, temperatures,
                                                             selectedVoltage, selectedTemperature,
                                                             modes),
                                  battery);
}

OperatingPointMatrix ComputeOperatingPointMatrix(const Workspace& workspace) {
    return ComputeOperatingPointMatrix(workspace.device(), workspace.voltages(),
                                       workspace.temperatures(), workspace.voltageIndex(),
                                       workspace.temperatureIndex(), workspace.modes(),
                                       workspace.currentBattery());
}

OperatingPointMatrix OperatingPointMatrixCache::Compute(const Workspace& workspace) {
    if (!loads_ || deviceLoadId_ != workspace.deviceLoadId() ||
        voltage_ != workspace.voltageIndex() || temperature_ != workspace.temperatureIndex() ||
        modes_ != workspace.modes()) {
        loads_.reset();
        loads_ = ComputeOperatingPointLoads(workspace.device(), workspace.voltages(),
                                            workspace.temperatures(), workspace.voltageIndex(),
                                            workspace.temperatureIndex(), workspace.modes());
        deviceLoadId_ = workspace.deviceLoadId();
        voltage_ = workspace.voltageIndex();
        temperature_ = workspace.temperatureIndex();
        modes_ = workspace.modes();
    }
    return LivesAtOperatingPoints(*loads_, workspace.currentBattery());
}

}  // namespace runwell
