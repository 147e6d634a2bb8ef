#include "estimate/ModeEditor.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "base/Text.h"
#include "estimate/Format.h"

namespace runwell {
namespace {

constexpr const char* kChooseOperatingMode =
    "No operating mode is selected. Choose an operating mode.";
constexpr const char* kChooseFrequency =
    "No clock frequency is selected. Choose a clock frequency.";

std::string ModeNotOfferedMessage(std::string_view mode) {
    return "The device offers no operating mode " + std::string(mode) +
           ". Choose an operating mode.";
}

std::string ModeWithoutDataMessage(std::string_view mode, std::string_view voltage,
                                   std::string_view temperature) {
    return "The operating mode " + std::string(mode) + " has no data at " + std::string(voltage) +
           " and " + std::string(temperature) + ". Choose another operating mode.";
}

void SortTexts(std::vector<std::string>& texts) {
    // Stable, so texts that differ only in letter case keep the device file's order.
    std::stable_sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
        return LessIgnoringCase(a, b);
    });
}

/// `index` when it names an entry of a list of `size`, else -1 (no selection).
int ValidIndex(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size ? index : -1;
}

void Append(std::vector<std::string>& to, std::vector<std::string> from) {
    std::move(from.begin(), from.end(), std::back_inserter(to));
}

}  // namespace

ModeEditor::ModeEditor(const DeviceData& device, std::string voltage, std::string temperature,
                       const ModeRecord* source)
    : device_(device), voltage_(std::move(voltage)), temperature_(std::move(temperature)) {
    if (source) {
        record_ = *source;
    }
    SleepCurrent sleep = LookupSleepCurrent(device_, voltage_, temperature_);
    sleepCurrent_ = sleep.nanoamps;
    if (sleep.warning) {
        openingWarnings_.push_back(std::move(*sleep.warning));
    }
    if (record_.operatingMode.empty()) {
        record_.label = "*";  // a new mode
    }
    name_ = record_.label;

    operatingModes_ = device_.modeNames;
    SortTexts(operatingModes_);
    if (record_.operatingMode.empty()) {
        operatingModeIndex_ = operatingModes_.empty() ? -1 : 0;
    } else {
        operatingModeIndex_ = FindPrefixIgnoringCase(operatingModes_, record_.operatingMode);
        if (operatingModeIndex_ < 0) {
            openingWarnings_.push_back(ModeNotOfferedMessage(record_.operatingMode));
        }
    }

    const DisplaySplit duration = SplitForDisplay(record_.duration);
    durationUnit_ = duration.unitIndex;
    durationText_ = duration.number;
    const DisplaySplit systemCurrent = SplitForDisplay(record_.systemCurrent);
    systemCurrentUnit_ = systemCurrent.unitIndex;
    systemCurrentText_ = systemCurrent.number;

    Append(openingWarnings_, RefillFrequencies());
    Append(openingWarnings_, RebuildPeripherals());
}

std::string_view ModeEditor::SelectedMode() const {
    return operatingModeIndex_ < 0 ? std::string_view{}
                                   : std::string_view{operatingModes_[operatingModeIndex_]};
}

std::string_view ModeEditor::SelectedFrequency() const {
    return frequencyIndex_ < 0 ? std::string_view{}
                               : std::string_view{frequencies_[frequencyIndex_]};
}

std::vector<std::string> ModeEditor::SelectOperatingMode(int index) {
    operatingModeIndex_ = ValidIndex(index, operatingModes_.size());
    return RefillFrequencies();
}

std::vector<std::string> ModeEditor::SelectFrequency(int index) {
    frequencyIndex_ = ValidIndex(index, frequencies_.size());
    return RebuildPeripherals();
}

std::vector<std::string> ModeEditor::RefillFrequencies() {
    const std::string previous =
        frequencyIndex_ >= 0 ? std::string(SelectedFrequency()) : record_.frequency;
    frequencies_.clear();
    if (operatingModeIndex_ >= 0) {
        frequencies_ = device_.ListModeFrequencies(SelectedMode(), voltage_, temperature_);
    }
    SortTexts(frequencies_);
    frequencyIndex_ = FindPrefixIgnoringCase(frequencies_, previous);
    if (frequencyIndex_ < 0 && !frequencies_.empty()) {
        frequencyIndex_ = 0;
    }
    return RebuildPeripherals();
}

std::vector<std::string> ModeEditor::RebuildPeripherals() {
    std::vector<std::string> warnings;
    peripherals_.clear();
    const int row =
        device_.FindModeRow(SelectedMode(), voltage_, temperature_, SelectedFrequency());
    if (row < 0) {
        return warnings;  // silent: the results keep what they showed
    }
    peripherals_ = BuildPeripheralEntries(device_, row, record_.peripheralFlags, sleepCurrent_);
    std::stable_sort(peripherals_.begin(), peripherals_.end(),
                     [](const PeripheralEntry& a, const PeripheralEntry& b) {
                         return LessIgnoringCase(a.text, b.text);
                     });
    RecomputeMode(warnings);
    return warnings;
}

void ModeEditor::RecomputeMode(std::vector<std::string>& warnings) {
    // A failed computation leaves no stale total behind; the total charge stays as it was.
    record_.totalCurrent = 0.0f;
    if (operatingModeIndex_ < 0) {
        warnings.emplace_back(kChooseOperatingMode);
        return;
    }
    ModeInputs inputs;
    inputs.operatingMode = SelectedMode();
    inputs.voltage = voltage_;
    inputs.temperature = temperature_;
    inputs.frequency = SelectedFrequency();
    inputs.flags = &record_.peripheralFlags;
    inputs.sleepCurrent = sleepCurrent_;
    inputs.systemCurrentText = systemCurrentText_;
    inputs.systemCurrentUnit = systemCurrentUnit_;
    inputs.durationText = durationText_;
    inputs.durationUnit = durationUnit_;
    const Result<ModeFigures> figures = ComputeMode(device_, inputs);
    if (!figures) {
        warnings.push_back(figures.error().message);
        return;
    }
    controllerCurrentText_ = FormatCurrent(figures->controllerCurrent);
    totalCurrentText_ = FormatCurrent(figures->totalCurrent);
    controllerChargeText_ = FormatCharge(figures->controllerCharge);
    totalChargeText_ = FormatCharge(figures->totalCharge);
    record_.totalCurrent = figures->totalCurrent;
    record_.totalCharge = figures->totalCharge;
}

std::vector<std::string> ModeEditor::SetPeripheralSelected(int entry, bool selected) {
    std::vector<std::string> warnings;
    if (ValidIndex(entry, peripherals_.size()) < 0) {
        return warnings;
    }
    peripherals_[entry].selected = selected;
    SyncPeripheralFlags();
    RecomputeMode(warnings);
    return warnings;
}

void ModeEditor::SyncPeripheralFlags() {
    PeripheralFlags& flags = record_.peripheralFlags;
    for (std::size_t i = 0; i < peripherals_.size(); ++i) {
        const PeripheralEntry& entry = peripherals_[i];
        std::uint8_t& flag = flags[static_cast<std::size_t>(entry.column)];
        if (!entry.selected) {
            flag = 0;
            continue;
        }
        const bool variant = entry.text.find('(') != std::string::npos;
        if (!variant || flag != 0) {
            flag = 1;
            continue;
        }
        // Just selected: the other variants of its group ("Timer1 (" for "Timer1 (XTAL)<...>")
        // are switched off, whether they come before or after it in the list.
        flag = 1;
        const std::vector<std::string_view> tokens = SplitTokens(entry.text, "(");
        std::string prefix(tokens.empty() ? std::string_view{} : tokens.front());
        prefix += '(';
        for (std::size_t j = 0; j < peripherals_.size(); ++j) {
            PeripheralEntry& other = peripherals_[j];
            if (j != i && other.text.find(prefix) != std::string::npos) {
                other.selected = false;
                flags[static_cast<std::size_t>(other.column)] = 0;
            }
        }
    }
}

std::vector<std::string> ModeEditor::CommitDuration(std::string_view durationField,
                                                    std::string_view systemCurrentField, int unit) {
    std::vector<std::string> warnings;
    durationText_ = durationField;
    systemCurrentText_ = systemCurrentField;
    durationUnit_ = unit;
    record_.duration = ToMicroseconds(durationText_, durationUnit_);
    RecomputeMode(warnings);
    return warnings;
}

std::vector<std::string> ModeEditor::CommitSystemCurrent(std::string_view durationField,
                                                         std::string_view systemCurrentField,
                                                         int unit) {
    std::vector<std::string> warnings;
    durationText_ = durationField;
    systemCurrentText_ = systemCurrentField;
    systemCurrentUnit_ = unit;
    record_.systemCurrent = ToNanoamps(systemCurrentText_, systemCurrentUnit_);
    RecomputeMode(warnings);
    return warnings;
}

ModeEditor::Confirmation ModeEditor::Confirm(std::string_view durationField,
                                             std::string_view systemCurrentField,
                                             std::string_view name) {
    Confirmation confirmation;
    // Refused before anything changes: the dialog stays open on exactly what it showed.
    if (operatingModeIndex_ < 0) {
        confirmation.refusal = kChooseOperatingMode;
        return confirmation;
    }
    if (frequencies_.empty()) {
        confirmation.refusal = ModeWithoutDataMessage(SelectedMode(), voltage_, temperature_);
        return confirmation;
    }
    if (frequencyIndex_ < 0) {
        confirmation.refusal = kChooseFrequency;
        return confirmation;
    }

    record_.operatingMode = SelectedMode();
    record_.label = name;
    name_ = name;
    record_.frequency = SelectedFrequency();
    // The flags follow the list's selection (hidden columns and columns the row lacks end up 0)
    // before the last computations, so the stored totals count exactly the stored flags.
    record_.peripheralFlags.fill(0);
    for (const PeripheralEntry& entry : peripherals_) {
        if (entry.selected) {
            record_.peripheralFlags[static_cast<std::size_t>(entry.column)] = 1;
        }
    }
    Append(confirmation.warnings, CommitDuration(durationField, systemCurrentField, durationUnit_));
    Append(confirmation.warnings,
           CommitSystemCurrent(durationField, systemCurrentField, systemCurrentUnit_));
    confirmation.record = record_;
    return confirmation;
}

}  // namespace runwell
