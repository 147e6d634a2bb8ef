#include "OperatingPointMatrix.h"

#include <cstring>
#include <optional>
#include <unordered_map>

#include "ModeRefresh.h"
#include "ProfileResults.h"
#include "Workspace.h"

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

MatrixCell LifeCell(const ProfileLoad& load, const BatteryRecord* battery) {
    MatrixCell cell;
    cell.lifeHours = battery != nullptr ? BatteryLifeHours(*battery, load.average) : 0;
    cell.text = battery != nullptr ? FormatBatteryLife(cell.lifeHours) : "?";
    return cell;
}

}  // namespace

OperatingPointMatrix ComputeOperatingPointMatrix(const DeviceData& device,
                                                 const std::vector<std::string>& voltages,
                                                 const std::vector<std::string>& temperatures,
                                                 int selectedVoltage, int selectedTemperature,
                                                 const std::vector<ModeRecord>& modes,
                                                 const BatteryRecord* battery) {
    OperatingPointMatrix matrix;
    matrix.voltages = voltages;
    matrix.temperatures = temperatures;
    matrix.selectedVoltage = selectedVoltage;
    matrix.selectedTemperature = selectedTemperature;
    matrix.cells.reserve(voltages.size() * temperatures.size());

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
                matrix.cells.push_back(LifeCell(ComputeProfileLoad(modes), battery));
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
            std::optional<MatrixCell> missing;
            for (std::size_t i = 0; i < modes.size(); ++i) {
                const Refreshed& entry = refreshed[unique[i]];
                if (entry.refusal) {
                    missing.emplace();
                    missing->available = false;
                    missing->text = kNotAvailable;
                    missing->reason = "Mode " + std::to_string(i + 1) + " (\"" + modes[i].label +
                                      "\"): " + *entry.refusal;
                    break;
                }
                sum.Add(entry.duration, entry.current);
            }
            matrix.cells.push_back(missing ? std::move(*missing)
                                           : LifeCell(sum.Result(), battery));
        }
    }
    return matrix;
}

OperatingPointMatrix ComputeOperatingPointMatrix(const Workspace& workspace) {
    return ComputeOperatingPointMatrix(workspace.device(), workspace.voltages(),
                                       workspace.temperatures(), workspace.voltageIndex(),
                                       workspace.temperatureIndex(), workspace.modes(),
                                       workspace.currentBattery());
}

}  // namespace runwell
