#pragma once

#include <optional>
#include <string>

#include "base/Prompter.h"
#include "device/DeviceData.h"
#include "estimate/ModeRecord.h"

class QWidget;

namespace runwell::ui {

/// Opens the mode editor modally over `parent` for the device at the selected voltage and
/// temperature, on a copy of `source` (Modify) or a new mode (nullptr). Returns the confirmed
/// record, or nothing when the user cancelled. Tests replace the dialog with scripted answers.
class ModeEditorLauncher {
public:
    virtual ~ModeEditorLauncher() = default;
    virtual std::optional<ModeRecord> Edit(QWidget* parent, const DeviceData& device,
                                           const std::string& voltage,
                                           const std::string& temperature,
                                           const ModeRecord* source, Prompter& prompter) = 0;
};

}  // namespace runwell::ui
