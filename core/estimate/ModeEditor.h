#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceData.h"
#include "estimate/ModeComputation.h"
#include "estimate/ModeRecord.h"

namespace runwell {

/// The mode editor's state and decisions, without any window. The dialog shows what this holds
/// and forwards every user action to it; each action returns the warnings to show, in order.
class ModeEditor {
public:
    /// Opens the editor on a copy of `source` (Modify) or on a new mode (nullptr), for the device
    /// at the selected voltage and temperature. Warnings raised while opening (no SLEEP row, a
    /// source whose operating mode the device does not offer) are in openingWarnings().
    ModeEditor(const DeviceData& device, std::string voltage, std::string temperature,
               const ModeRecord* source);

    const std::vector<std::string>& openingWarnings() const { return openingWarnings_; }

    // What the dialog shows.
    const std::vector<std::string>& operatingModes() const { return operatingModes_; }  // sorted
    int operatingModeIndex() const { return operatingModeIndex_; }  // -1: none selected
    const std::vector<std::string>& frequencies() const { return frequencies_; }  // sorted
    int frequencyIndex() const { return frequencyIndex_; }                        // -1: none
    bool frequencyEnabled() const { return frequencies_.size() > 1; }
    const std::vector<PeripheralEntry>& peripherals() const { return peripherals_; }  // sorted
    const std::string& durationText() const { return durationText_; }
    int durationUnit() const { return durationUnit_; }
    const std::string& systemCurrentText() const { return systemCurrentText_; }
    int systemCurrentUnit() const { return systemCurrentUnit_; }
    const std::string& name() const { return name_; }
    const std::string& controllerCurrentText() const { return controllerCurrentText_; }
    const std::string& totalCurrentText() const { return totalCurrentText_; }
    const std::string& controllerChargeText() const { return controllerChargeText_; }
    const std::string& totalChargeText() const { return totalChargeText_; }
    std::uint32_t sleepCurrent() const { return sleepCurrent_; }
    const ModeRecord& record() const { return record_; }

    /// The user picked an operating mode (-1 or an index out of range: none): the frequencies are
    /// refilled (keeping one that begins with the previous frequency) and the peripherals rebuilt.
    /// Rebuilding is silent when there is no row; computing without a mode warns.
    std::vector<std::string> SelectOperatingMode(int index);
    /// The user picked a frequency: the peripherals are rebuilt.
    std::vector<std::string> SelectFrequency(int index);
    /// The user toggled peripheral entry `entry`; selecting one of a variant group ("Name (...")
    /// deselects the others of that group. An entry out of range changes nothing.
    std::vector<std::string> SetPeripheralSelected(int entry, bool selected);
    /// The duration field lost the focus or its unit changed. Both fields' texts are taken as
    /// typed.
    std::vector<std::string> CommitDuration(std::string_view durationField,
                                            std::string_view systemCurrentField, int unit);
    /// The system-current field lost the focus or its unit changed.
    std::vector<std::string> CommitSystemCurrent(std::string_view durationField,
                                                 std::string_view systemCurrentField, int unit);

    struct Confirmation {
        std::vector<std::string> warnings;
        /// The record to hand back; empty when the mode cannot be confirmed (the dialog stays
        /// open and `refusal` says why).
        std::optional<ModeRecord> record;
        std::string refusal;
    };
    /// OK: takes the fields as typed, rebuilds the flags from the list's selection, recomputes and
    /// hands back the finished record. Without a selected operating mode or frequency (a mode
    /// with no data at this voltage and temperature) it is refused and nothing changes.
    Confirmation Confirm(std::string_view durationField, std::string_view systemCurrentField,
                         std::string_view name);

private:
    std::vector<std::string> RefillFrequencies();
    std::vector<std::string> RebuildPeripherals();
    void SyncPeripheralFlags();
    void RecomputeMode(std::vector<std::string>& warnings);
    std::string_view SelectedMode() const;
    std::string_view SelectedFrequency() const;

    const DeviceData& device_;
    std::string voltage_;
    std::string temperature_;
    ModeRecord record_;
    std::uint32_t sleepCurrent_ = 0;
    std::vector<std::string> openingWarnings_;

    std::vector<std::string> operatingModes_;
    int operatingModeIndex_ = -1;
    std::vector<std::string> frequencies_;
    int frequencyIndex_ = -1;
    std::vector<PeripheralEntry> peripherals_;
    std::string durationText_;
    int durationUnit_ = 0;
    std::string systemCurrentText_;
    int systemCurrentUnit_ = 0;
    std::string name_;
    std::string controllerCurrentText_;
    std::string totalCurrentText_;
    std::string controllerChargeText_;
    std::string totalChargeText_;
};

}  // namespace runwell
