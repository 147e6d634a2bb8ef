#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Prompter.h"
#include "base/Result.h"
#include "battery/BatteryCatalogue.h"
#include "battery/BatteryModelFiles.h"
#include "battery/BufferAdvice.h"
#include "battery/DeratedLife.h"
#include "device/DeviceCatalogue.h"
#include "device/DeviceData.h"
#include "estimate/ModeRecord.h"
#include "estimate/ProfileResults.h"
#include "platform/DataLocation.h"
#include "prediction/LifePrediction.h"
#include "session/SaveState.h"

namespace runwell {

/// What undo and redo bring back: the selections, the battery, the profile with its current row,
/// the minimum voltage, the prediction's options and the buffer capacitor's leakage.
struct ProfileState {
    int deviceIndex = -1;
    int voltageIndex = -1;
    int temperatureIndex = -1;
    int batteryIndex = -1;
    std::vector<ModeRecord> modes;
    int currentModeRow = -1;
    std::optional<double> minimumVoltage;
    /// Shared with the workspace while unchanged, so a step costs no copy of a long mission;
    /// nothing stands for no options.
    std::shared_ptr<const PredictionOptions> predictionOptions;
    std::optional<double> bufferLeakage;
};

/// Whether two states hold the same profile; the current row is only where the user stands.
bool SameProfile(const ProfileState& a, const ProfileState& b);

/// The whole state of one session: the device catalogue and the loaded device, the selected
/// voltage and temperature, the battery catalogue and the current battery, the profile and the
/// current mode row, and the results shown for them. The main window and the command-line tool
/// are views over one Workspace; every action that changes the profile, the selections or the
/// battery recomputes the results before it returns, and marks the session modified.
class Workspace {
public:
    /// Start-up: the device scan of `location.folder`/Data, the battery catalogue of
    /// `location`, the first device loaded. Messages go to `prompter` in order. Fails with
    /// "There are no device data files." when no file names a device; the program then ends
    /// with exit status 1.
    static Result<Workspace> Start(const DataLocation& location, Prompter& prompter);
    /// Start-up in the portable layout: everything in `folder`.
    static Result<Workspace> Start(const std::filesystem::path& folder, Prompter& prompter);

    // The selections. An index is -1 where its list is empty, and the device index also when
    // the first device failed to load at start-up.
    const DeviceList& devices() const { return devices_; }
    int deviceIndex() const { return deviceIndex_; }
    const std::vector<std::string>& voltages() const { return voltages_; }  // sorted
    int voltageIndex() const { return voltageIndex_; }
    const std::vector<std::string>& temperatures() const { return temperatures_; }  // file order
    int temperatureIndex() const { return temperatureIndex_; }
    std::string_view deviceName() const;
    std::string_view voltage() const;
    std::string_view temperature() const;
    const DeviceData& device() const { return device_; }
    /// Tells this load of the device from every other load in the process (of any workspace): a
    /// figure derived from the device is stale when it changed.
    std::uint64_t deviceLoadId() const { return deviceLoadId_; }

    const std::vector<BatteryRecord>& batteries() const { return batteries_; }
    const std::vector<std::array<std::string, 7>>& batteryRows() const { return batteryRows_; }
    /// The current battery's row, or -1 when the catalogue is empty.
    int batteryIndex() const { return batteryIndex_; }
    const BatteryRecord* currentBattery() const;

    const std::vector<ModeRecord>& modes() const { return modes_; }
    /// The row Remove and Modify act on, or -1 when the profile is empty.
    int currentModeRow() const { return currentModeRow_; }
    const ProfileResults& results() const { return results_; }

    /// The model of battery `index` from the BatteryModels folder, or nullptr ("no model").
    const BatteryModel* batteryModel(int index) const;
    /// The predicted life of the current battery for the profile, beside the classic results:
    /// the typical one of prediction() when it has options.
    const DeratedLife& derated() const { return derated_; }
    /// The prediction with its power path, mission and worst case, as the options give it.
    const LifePrediction& prediction() const { return prediction_; }
    const PredictionOptions& predictionOptions() const { return *predictionOptions_; }
    /// Sets the power path, mission and spreads, and recomputes.
    void SetPredictionOptions(PredictionOptions options);
    /// The capacitor across the cell that carries the pulse a brown-out ends the life at, for
    /// a cell wired to the device; nothing when there is no such brown-out.
    const std::optional<BufferAdvice>& bufferAdvice() const { return bufferAdvice_; }
    /// The buffer capacitor's leakage, uA; nothing takes the default (DefaultLeakageMicroamps).
    std::optional<double> bufferLeakage() const { return bufferLeakage_; }
    /// Sets it (nothing, or a finite figure of 0 to 1e6 uA; anything else is ignored and
    /// returns false) and recomputes.
    bool SetBufferLeakage(std::optional<double> microamps);
    /// The device's minimum operating voltage; nothing means the current cell's cut-off.
    std::optional<double> minimumVoltage() const { return minimumVoltage_; }
    /// The temperature the derated life is reckoned at: the number of the temperature label,
    /// 25 C when it holds none.
    double deratingTemperature() const;
    /// The model of every battery, in catalogue order (nothing: "no model").
    const std::vector<std::optional<BatteryModel>>& batteryModels() const { return batteryModels_; }
    /// Gives battery `index` the model `model` (a new one the user made) and recomputes; an
    /// index outside the catalogue changes nothing.
    void SetBatteryModel(int index, BatteryModel model);
    /// Sets it (nothing, or a finite voltage above 0 and at most 100 V; anything else is
    /// ignored and returns false) and recomputes.
    bool SetMinimumVoltage(std::optional<double> volts);
    /// The user's own folder (where CustomBattery.csv is kept); empty when there is none.
    const std::filesystem::path& userFolder() const { return userFolder_; }
    /// Where the session found its data: the regulators and missions it offers are there.
    const DataLocation& dataLocation() const { return dataLocation_; }
    /// Whether the session differs from the settings file last saved or loaded, and that file.
    const SaveState& saveState() const { return saveState_; }
    /// The session now equals the settings file `file` (a save, or a load that succeeded).
    void MarkSaved(std::filesystem::path file) { saveState_.MarkSaved(std::move(file)); }

    /// The user picked another device, voltage or temperature. With modes in the profile the
    /// user is asked first; a declined question, or a device file that cannot be loaded, leaves
    /// everything as it was and returns false. An accepted change empties the profile.
    bool ChangeDevice(int index, Prompter& prompter);
    bool ChangeVoltage(int index, Prompter& prompter);
    bool ChangeTemperature(int index, Prompter& prompter);

    /// A click in the battery list: `row` is the list's most recently selected row, or -1 for
    /// none, which means row 0.
    void SelectBattery(int row);
    /// A click in the mode list, likewise.
    void SelectModeRow(int row);

    /// Appends a confirmed mode; it becomes the current row.
    void AddMode(const ModeRecord& mode);
    /// Removes the current row's mode; the new last row becomes current.
    void RemoveCurrentMode();
    /// Overwrites mode `index` (a Modify confirmed) and keeps that row current.
    void ReplaceMode(int index, const ModeRecord& mode);

    // Steps of a settings load: they select without asking and without emptying the profile.
    // Only SetModes recomputes; a load always ends with it once the battery is set.
    void SetVoltageIndex(int index);
    void SetTemperatureIndex(int index);
    void SetBatteryIndex(int index);
    void SetModes(std::vector<ModeRecord> modes);

    /// An empty profile on the same selections and battery, without a minimum voltage, prediction
    /// options or buffer leakage, not modified and with no file.
    void NewProfile();
    /// Inserts a copy of the current row's mode after it; the copy becomes current.
    void DuplicateCurrentMode();
    /// Moves the current row's mode `step` rows up (negative) or down, as far as the profile
    /// goes; it stays current.
    void MoveCurrentMode(int step);

    /// The state undo and redo work on.
    ProfileState State() const;
    /// Brings back `state`, loading the device file again when the device differs. When that
    /// load fails the loader's message is shown, nothing changes and the result is false.
    bool Restore(const ProfileState& state, Prompter& prompter);
    /// Sets the modified mark (undo back to the state last saved clears it).
    void SetModified(bool modified) { saveState_.SetModified(modified); }

    /// Rebuilds the mode rows and the three results from scratch; the last row becomes current.
    void Recompute();

private:
    Workspace() = default;
    /// Loads entry `index`'s file; on success replaces the device and refills the lists.
    bool LoadDevice(int index, Prompter& prompter);
    /// The derated figures from the results as they stand.
    void RecomputeDerated();

    DeviceList devices_;
    int deviceIndex_ = -1;
    DeviceData device_;
    std::uint64_t deviceLoadId_ = 0;
    std::vector<std::string> voltages_;
    int voltageIndex_ = -1;
    std::vector<std::string> temperatures_;
    int temperatureIndex_ = -1;

    std::vector<BatteryRecord> batteries_;
    std::vector<std::array<std::string, 7>> batteryRows_;
    int batteryIndex_ = -1;

    std::vector<ModeRecord> modes_;
    int currentModeRow_ = -1;
    ProfileResults results_;

    std::vector<std::optional<BatteryModel>> batteryModels_;  // one per battery
    std::optional<double> minimumVoltage_;
    DeratedLife derated_;
    std::shared_ptr<const PredictionOptions> predictionOptions_ =
        std::make_shared<const PredictionOptions>();
    LifePrediction prediction_;
    std::optional<double> bufferLeakage_;
    std::optional<BufferAdvice> bufferAdvice_;
    SaveState saveState_;
    std::filesystem::path userFolder_;
    DataLocation dataLocation_;
};

}  // namespace runwell
