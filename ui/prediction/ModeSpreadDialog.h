#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "estimate/ModeRecord.h"
#include "prediction/LifePrediction.h"

class QLineEdit;

namespace runwell {
class Workspace;
}

namespace runwell::ui {

/// The modes' own current spreads: one row per mode of the profile, numbered as the worst
/// corner names them, with a field that holds the mode's spread (empty: the device spread). OK
/// takes the fields only when every one holds a spread; otherwise `showMessage` gets the message
/// that names the mode, and the dialog stays open with nothing lost.
class ModeSpreadDialog : public QDialog {
    Q_OBJECT
public:
    /// The workspace's modes and prediction options; it is not kept.
    ModeSpreadDialog(const Workspace& workspace,
                     std::function<void(const std::string&)> showMessage,
                     QWidget* parent = nullptr);

    /// The options as OK took them: the workspace's with the modes' spreads, equal to them when
    /// no spread changed.
    const PredictionOptions& options() const { return options_; }

    void accept() override;

private:
    std::vector<ModeRecord> modes_;
    PredictionOptions options_;
    std::function<void(const std::string&)> showMessage_;
    std::vector<QLineEdit*> fields_;  // by mode
};

}  // namespace runwell::ui
