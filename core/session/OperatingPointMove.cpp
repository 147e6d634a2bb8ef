#include "session/OperatingPointMove.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "base/Messages.h"
#include "base/Text.h"
#include "estimate/ModeRefresh.h"

namespace runwell {
namespace {

bool InRange(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

/// "Mode 2 ("rx")", the label shortened and escaped as messages quote a file's text.
std::string ModeName(std::size_t index, const ModeRecord& mode) {
    return "Mode " + std::to_string(index + 1) + " (" + QuotedForMessage(mode.label, '"') + ")";
}

/// The names joined as a sentence lists them: "a", "a and b", "a, b and c".
std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            text += i + 1 == names.size() ? " and " : ", ";
        }
        text += names[i];
    }
    return text;
}

}  // namespace

Result<ProfileState> StateAtOperatingPoint(const Workspace& workspace, int voltageIndex,
                                           int temperatureIndex) {
    if (!InRange(voltageIndex, workspace.voltages().size())) {
        return Error{msg::kCannotSetVoltage};
    }
    if (!InRange(temperatureIndex, workspace.temperatures().size())) {
        return Error{msg::kCannotSetTemperature};
    }
    const std::string& voltage = workspace.voltages()[static_cast<std::size_t>(voltageIndex)];
    const std::string& temperature =
        workspace.temperatures()[static_cast<std::size_t>(temperatureIndex)];
    ProfileState state = workspace.State();
    state.voltageIndex = voltageIndex;
    state.temperatureIndex = temperatureIndex;
    std::vector<std::string> refused;
    for (std::size_t i = 0; i < state.modes.size(); ++i) {
        RefreshedMode refreshed =
            RefreshMode(workspace.device(), voltage, temperature, state.modes[i]);
        if (refreshed.record) {
            state.modes[i] = std::move(*refreshed.record);
        } else {
            refused.push_back(ModeName(i, state.modes[i]));
        }
    }
    if (!refused.empty()) {
        return Error{"The profile cannot be used at " + QuotedForMessage(voltage, '"') + " and " +
                     QuotedForMessage(temperature, '"') + ": " + Listed(refused) +
                     " cannot be computed there. Nothing was changed."};
    }
    return state;
}

Result<bool> MoveToOperatingPoint(Workspace& workspace, int voltageIndex, int temperatureIndex,
                                  Prompter& prompter) {
    if (voltageIndex == workspace.voltageIndex() &&
        temperatureIndex == workspace.temperatureIndex()) {
        return false;
    }
    Result<ProfileState> state = StateAtOperatingPoint(workspace, voltageIndex, temperatureIndex);
    if (!state) {
        return state.error();
    }
    // The device stays, so the restore loads nothing and cannot fail.
    if (!workspace.Restore(*state, prompter)) {
        return Error{msg::kCannotSetDevice};
    }
    workspace.SetModified(true);
    return true;
}

}  // namespace runwell
