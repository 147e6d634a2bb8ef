#include "estimate/ModeRefresh.h"

#include <utility>

#include "estimate/ModeEditor.h"

namespace runwell {

RefreshedMode RefreshMode(const DeviceData& device, std::string_view voltage,
                          std::string_view temperature, const ModeRecord& mode) {
    RefreshedMode refreshed;
    ModeEditor editor(device, std::string(voltage), std::string(temperature), &mode);
    refreshed.warnings = editor.openingWarnings();
    ModeEditor::Confirmation confirmed =
        editor.Confirm(editor.durationText(), editor.systemCurrentText(), editor.name());
    refreshed.warnings.insert(refreshed.warnings.end(),
                              std::make_move_iterator(confirmed.warnings.begin()),
                              std::make_move_iterator(confirmed.warnings.end()));
    refreshed.record = std::move(confirmed.record);
    refreshed.refusal = std::move(confirmed.refusal);
    return refreshed;
}

ProfileRefresh RefreshProfile(const DeviceData& device, std::string_view voltage,
                              std::string_view temperature, const std::vector<ModeRecord>& modes) {
    ProfileRefresh refresh;
    refresh.modes = modes;
    for (std::size_t i = 0; i < modes.size(); ++i) {
        RefreshedMode refreshed = RefreshMode(device, voltage, temperature, modes[i]);
        for (std::string& warning : refreshed.warnings) {
            refresh.messages.push_back(std::move(warning));
        }
        if (refreshed.record) {
            refresh.modes[i] = std::move(*refreshed.record);
        } else {
            ++refresh.refused;
            refresh.messages.push_back("Mode " + std::to_string(i + 1) + " (\"" + modes[i].label +
                                       "\") was kept as it was: " + refreshed.refusal);
        }
    }
    return refresh;
}

}  // namespace runwell
