#include "session/Workspace.h"

#include <algorithm>
#include <atomic>
#include <bit>

#include "base/Messages.h"
#include "base/Text.h"
#include "device/DeviceFile.h"
#include "session/PredictionRun.h"

namespace runwell {
namespace {

bool InRange(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

template <typename T>
std::string_view Selected(const std::vector<T>& list, int index) {
    return InRange(index, list.size()) ? std::string_view(list[static_cast<std::size_t>(index)])
                                       : std::string_view{};
}

}  // namespace

Result<Workspace> Workspace::Start(const std::filesystem::path& folder, Prompter& prompter) {
    return Start(PortableDataLocation(folder), prompter);
}

Result<Workspace> Workspace::Start(const DataLocation& location, Prompter& prompter) {
    Workspace workspace;
    workspace.userFolder_ = location.customBatteries.parent_path();
    workspace.dataLocation_ = location;
    DeviceScan scan = ScanDeviceFolder(location.folder / "Data");
    for (const std::string& message : scan.messages) {
        prompter.ShowMessage(message, MessageKind::Plain);
    }
    if (scan.entries.empty()) {
        return Error{msg::kNoDeviceFiles};
    }
    workspace.devices_ = std::move(scan.entries);

    BatteryCatalogue catalogue = LoadBatteryCatalogue(location);
    for (const std::string& message : catalogue.messages) {
        prompter.ShowMessage(message, MessageKind::Plain);
    }
    if (catalogue.customFileNotCreated) {
        prompter.ShowMessage(*catalogue.customFileNotCreated, MessageKind::Notice);
    }
    workspace.batteries_ = std::move(catalogue.records);
    for (const BatteryRecord& battery : workspace.batteries_) {
        workspace.batteryRows_.push_back(BatteryCells(battery));
    }
    workspace.batteryIndex_ = workspace.batteries_.empty() ? -1 : 0;
    BatteryModelSet models = LoadBatteryModels(location, workspace.batteries_);
    for (const std::string& message : models.messages) {
        prompter.ShowMessage(message, MessageKind::Plain);
    }
    workspace.batteryModels_ = std::move(models.models);

    // The first device in sorted order is loaded. When its file fails, no device is selected,
    // so the user can pick any entry, that one included.
    workspace.deviceIndex_ = workspace.LoadDevice(0, prompter) ? 0 : -1;
    workspace.Recompute();
    return workspace;
}

std::string_view Workspace::deviceName() const {
    return InRange(deviceIndex_, devices_.size())
               ? std::string_view(devices_[static_cast<std::size_t>(deviceIndex_)].name)
               : std::string_view{};
}

std::string_view Workspace::voltage() const { return Selected(voltages_, voltageIndex_); }
std::string_view Workspace::temperature() const {
    return Selected(temperatures_, temperatureIndex_);
}

const BatteryRecord* Workspace::currentBattery() const {
    return InRange(batteryIndex_, batteries_.size())
               ? &batteries_[static_cast<std::size_t>(batteryIndex_)]
               : nullptr;
}

bool Workspace::LoadDevice(int index, Prompter& prompter) {
    Result<DeviceData> loaded = LoadDeviceFile(devices_[static_cast<std::size_t>(index)].file);
    if (!loaded) {
        const std::string& message = loaded.error().message;
        prompter.ShowMessage(message, message == msg::kCannotOpenDeviceFile ? MessageKind::Plain
                                                                            : MessageKind::Error);
        return false;
    }
    device_ = std::move(loaded).value();
    static std::atomic<std::uint64_t> loads{0};
    deviceLoadId_ = ++loads;
    voltages_ = device_.voltageNames;
    std::stable_sort(voltages_.begin(), voltages_.end(),
                     [](const std::string& a, const std::string& b) { return LessIgnoringCase(a, b); });
    voltageIndex_ = voltages_.empty() ? -1 : 0;
    temperatures_ = device_.temperatureNames;
    temperatureIndex_ = temperatures_.empty() ? -1 : 0;
    return true;
}

bool Workspace::ChangeDevice(int index, Prompter& prompter) {
    if (!InRange(index, devices_.size())) {
        return false;
    }
    if (!modes_.empty() && !prompter.AskOkCancel(msg::kSwitchDevices, msg::kWarningCaption)) {
        return false;
    }
    if (!LoadDevice(index, prompter)) {
        return false;
    }
    deviceIndex_ = index;
    modes_.clear();
    saveState_.MarkModified();
    Recompute();
    return true;
}

bool Workspace::ChangeVoltage(int index, Prompter& prompter) {
    if (!InRange(index, voltages_.size())) {
        return false;
    }
    if (!modes_.empty() && !prompter.AskOkCancel(msg::kSwitchVoltages, msg::kWarningCaption)) {
        return false;
    }
    voltageIndex_ = index;
    modes_.clear();
    saveState_.MarkModified();
    Recompute();
    return true;
}

bool Workspace::ChangeTemperature(int index, Prompter& prompter) {
    if (!InRange(index, temperatures_.size())) {
        return false;
    }
    if (!modes_.empty() && !prompter.AskOkCancel(msg::kSwitchTemperatures, msg::kWarningCaption)) {
        return false;
    }
    temperatureIndex_ = index;
    modes_.clear();
    saveState_.MarkModified();
    Recompute();
    return true;
}

void Workspace::SelectBattery(int row) {
    if (batteries_.empty()) {
        return;
    }
    const int picked = InRange(row, batteries_.size()) ? row : 0;
    if (picked != batteryIndex_) {
        batteryIndex_ = picked;
        saveState_.MarkModified();
    }
    Recompute();
}

void Workspace::SelectModeRow(int row) {
    if (modes_.empty()) {
        return;
    }
    currentModeRow_ = InRange(row, modes_.size()) ? row : 0;
}

void Workspace::AddMode(const ModeRecord& mode) {
    modes_.push_back(mode);
    saveState_.MarkModified();
    Recompute();
}

void Workspace::RemoveCurrentMode() {
    if (!InRange(currentModeRow_, modes_.size())) {
        return;
    }
    modes_.erase(modes_.begin() + currentModeRow_);
    saveState_.MarkModified();
    Recompute();
}

void Workspace::ReplaceMode(int index, const ModeRecord& mode) {
    if (!InRange(index, modes_.size())) {
        return;
    }
    modes_[static_cast<std::size_t>(index)] = mode;
    saveState_.MarkModified();
    Recompute();
    currentModeRow_ = index;
}

void Workspace::SetVoltageIndex(int index) {
    if (InRange(index, voltages_.size()) && index != voltageIndex_) {
        voltageIndex_ = index;
        saveState_.MarkModified();
    }
}

void Workspace::SetTemperatureIndex(int index) {
    if (InRange(index, temperatures_.size()) && index != temperatureIndex_) {
        temperatureIndex_ = index;
        saveState_.MarkModified();
    }
}

void Workspace::SetBatteryIndex(int index) {
    if (InRange(index, batteries_.size()) && index != batteryIndex_) {
        batteryIndex_ = index;
        saveState_.MarkModified();
    }
}

void Workspace::SetModes(std::vector<ModeRecord> modes) {
    modes_ = std::move(modes);
    saveState_.MarkModified();
    Recompute();
}

void Workspace::NewProfile() {
    modes_.clear();
    minimumVoltage_.reset();
    predictionOptions_ = std::make_shared<const PredictionOptions>();
    bufferLeakage_.reset();
    saveState_ = SaveState{};
    Recompute();
}

void Workspace::DuplicateCurrentMode() {
    if (!InRange(currentModeRow_, modes_.size())) {
        return;
    }
    const int copy = currentModeRow_ + 1;
    const ModeRecord mode = modes_[static_cast<std::size_t>(currentModeRow_)];
    modes_.insert(modes_.begin() + copy, mode);
    saveState_.MarkModified();
    Recompute();
    currentModeRow_ = copy;
}

void Workspace::MoveCurrentMode(int step) {
    if (!InRange(currentModeRow_, modes_.size())) {
        return;
    }
    const int last = static_cast<int>(modes_.size()) - 1;
    const int from = currentModeRow_;
    const int to = std::clamp(from + step, 0, last);
    if (to == from) {
        return;
    }
    const auto begin = modes_.begin();
    if (to < from) {
        std::rotate(begin + to, begin + from, begin + from + 1);
    } else {
        std::rotate(begin + from, begin + from + 1, begin + to + 1);
    }
    saveState_.MarkModified();
    Recompute();
    currentModeRow_ = to;
}

ProfileState Workspace::State() const {
    return {deviceIndex_,    voltageIndex_,   temperatureIndex_,  batteryIndex_, modes_,
            currentModeRow_, minimumVoltage_, predictionOptions_, bufferLeakage_};
}

bool Workspace::Restore(const ProfileState& state, Prompter& prompter) {
    if (state.deviceIndex != deviceIndex_) {
        if (!InRange(state.deviceIndex, devices_.size()) || !LoadDevice(state.deviceIndex, prompter)) {
            return false;
        }
        deviceIndex_ = state.deviceIndex;
    }
    // The device file may have changed since: an index its lists no longer hold selects nothing.
    voltageIndex_ = InRange(state.voltageIndex, voltages_.size()) ? state.voltageIndex : -1;
    temperatureIndex_ =
        InRange(state.temperatureIndex, temperatures_.size()) ? state.temperatureIndex : -1;
    batteryIndex_ = InRange(state.batteryIndex, batteries_.size()) ? state.batteryIndex : -1;
    modes_ = state.modes;
    minimumVoltage_ = state.minimumVoltage;
    predictionOptions_ = state.predictionOptions ? state.predictionOptions
                                                 : std::make_shared<const PredictionOptions>();
    bufferLeakage_ = state.bufferLeakage;
    Recompute();
    SelectModeRow(state.currentModeRow);
    return true;
}

bool SameProfile(const ProfileState& a, const ProfileState& b) {
    // Figures compare by their bits: a loaded file may hold a NaN, which equals nothing.
    const auto bits = [](float value) { return std::bit_cast<std::uint32_t>(value); };
    const auto same = [&bits](const ModeRecord& x, const ModeRecord& y) {
        return x.label == y.label && x.operatingMode == y.operatingMode &&
               x.frequency == y.frequency && x.peripheralFlags == y.peripheralFlags &&
               bits(x.duration) == bits(y.duration) &&
               bits(x.totalCurrent) == bits(y.totalCurrent) &&
               bits(x.totalCharge) == bits(y.totalCharge) &&
               bits(x.systemCurrent) == bits(y.systemCurrent);
    };
    // Unchanged options are one shared object: only a changed one is compared member by member.
    static const PredictionOptions kNone;
    const PredictionOptions& optionsA = a.predictionOptions ? *a.predictionOptions : kNone;
    const PredictionOptions& optionsB = b.predictionOptions ? *b.predictionOptions : kNone;
    return a.deviceIndex == b.deviceIndex && a.voltageIndex == b.voltageIndex &&
           a.temperatureIndex == b.temperatureIndex && a.batteryIndex == b.batteryIndex &&
           a.minimumVoltage == b.minimumVoltage && a.bufferLeakage == b.bufferLeakage &&
           (a.predictionOptions == b.predictionOptions || optionsA == optionsB) &&
           std::equal(a.modes.begin(), a.modes.end(), b.modes.begin(), b.modes.end(), same);
}

const BatteryModel* Workspace::batteryModel(int index) const {
    if (!InRange(index, batteryModels_.size())) {
        return nullptr;
    }
    const std::optional<BatteryModel>& model = batteryModels_[static_cast<std::size_t>(index)];
    return model ? &*model : nullptr;
}

bool Workspace::SetMinimumVoltage(std::optional<double> volts) {
    if (volts && !(*volts > 0.0 && *volts <= 100.0)) {  // also NaN
        return false;
    }
    minimumVoltage_ = volts;
    RecomputeDerated();  // the classic figures do not depend on it
    return true;
}

double Workspace::deratingTemperature() const {
    return NumberOfLabel(temperature()).value_or(25.0);
}

void Workspace::Recompute() {
    results_ = ComputeProfileResults(modes_, device_.columnNames, currentBattery());
    RecomputeDerated();
    currentModeRow_ = modes_.empty() ? -1 : static_cast<int>(modes_.size()) - 1;
}

void Workspace::SetBatteryModel(int index, BatteryModel model) {
    if (index < 0 || static_cast<std::size_t>(index) >= batteryModels_.size()) {
        return;
    }
    batteryModels_[static_cast<std::size_t>(index)] = std::move(model);
    RecomputeDerated();
}

void Workspace::SetPredictionOptions(PredictionOptions options) {
    predictionOptions_ = std::make_shared<const PredictionOptions>(std::move(options));
    RecomputeDerated();
}

bool Workspace::SetBufferLeakage(std::optional<double> microamps) {
    if (microamps && !(*microamps >= 0.0 && *microamps <= 1e6)) {  // also NaN
        return false;
    }
    bufferLeakage_ = microamps;
    RecomputeDerated();
    return true;
}

void Workspace::RecomputeDerated() {
    const BatteryRecord* battery = currentBattery();
    bufferAdvice_.reset();
    if (battery == nullptr) {
        prediction_ = LifePrediction{};
        derated_ = DeratedLife{};
        derated_.lifeText = "?";
        return;
    }
    DeratingConditions conditions;
    conditions.averageCurrent = results_.average;
    conditions.peakCurrent = static_cast<double>(results_.peak);
    conditions.temperatureC = deratingTemperature();
    conditions.minimumVoltage = minimumVoltage_;
    conditions.steps = LoadStepsOf(modes_);
    const BatteryModel* model = batteryModel(batteryIndex_);
    prediction_ = PredictLife(
        *battery, model,
        PredictionInputOf(*this, conditions, predictionOptions_->mission.has_value()),
        *predictionOptions_);
    derated_ = prediction_.typical;
    if (model != nullptr && !predictionOptions_->Active()) {
        bufferAdvice_ = AdviseBuffer(*battery, *model, conditions, derated_, bufferLeakage_);
    }
}

}  // namespace runwell
