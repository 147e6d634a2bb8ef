#include "session/PredictionRun.h"

#include <utility>

#include "session/OperatingPointMove.h"

namespace runwell {

std::vector<TemperatureModes> CharacterisedModes(const Workspace& workspace) {
    std::vector<TemperatureModes> modes;
    const std::vector<std::string>& temperatures = workspace.temperatures();
    for (std::size_t i = 0; i < temperatures.size(); ++i) {
        const std::optional<double> celsius = NumberOfLabel(temperatures[i]);
        if (!celsius) {
            continue;
        }
        const Result<ProfileState> state =
            StateAtOperatingPoint(workspace, workspace.voltageIndex(), static_cast<int>(i));
        if (state) {
            modes.push_back({*celsius, LoadStepsOf(state->modes)});
        }
    }
    return modes;
}

PredictionInput PredictionInputOf(const Workspace& workspace, DeratingConditions conditions,
                                  bool withTemperatures) {
    PredictionInput input;
    input.conditions = std::move(conditions);
    input.outputVolts = NumberOfLabel(workspace.voltage()).value_or(0.0);
    if (withTemperatures) {
        input.characterised = CharacterisedModes(workspace);
    }
    return input;
}

}  // namespace runwell
