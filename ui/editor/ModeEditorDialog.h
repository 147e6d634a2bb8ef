#pragma once

#include <QDialog>
#include <QRect>
#include <optional>
#include <string>
#include <vector>

#include "base/Prompter.h"
#include "device/DeviceData.h"
#include "estimate/ModeEditor.h"
#include "estimate/ModeRecord.h"
#include "ui/editor/ModeEditorLauncher.h"

class QComboBox;
class QItemSelection;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace runwell::ui {

class NoticeLabel;

/// "Add/Modify mode": shows what the ModeEditor holds and forwards every user action to it.
/// The dialog decides nothing itself; after each action it redisplays the editor's state and
/// shows the editor's warnings through the prompter.
class ModeEditorDialog : public QDialog {
    Q_OBJECT

public:
    /// Opens on a copy of `source` (Modify) or a new mode (nullptr). `device` and `prompter` must
    /// outlive the dialog.
    ModeEditorDialog(const DeviceData& device, const std::string& voltage,
                     const std::string& temperature, const ModeRecord* source, Prompter& prompter,
                     QWidget* parent = nullptr);

    /// Shows the warnings raised while the editor opened (no SLEEP row, an operating mode the
    /// device does not offer). Called once, after the dialog is set up.
    void ShowOpeningWarnings();

    /// The record confirmed with OK; empty until then.
    const std::optional<ModeRecord>& confirmedRecord() const { return confirmed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    struct Placement {
        QWidget* widget;
        QRect dialogUnits;
    };

    void BuildControls();
    /// "Mode Settings" and "Tessel Microcontroller Settings": what the user edits.
    void BuildSettingsGroups();
    /// "Power Consumption", which shows the editor's figures, then OK and Cancel.
    void BuildPowerGroupAndButtons();
    /// The tab order, and each control's signals to the dialog's handlers.
    void ConnectControls();
    void Place(QWidget* widget, int x, int y, int width, int height);
    void ApplyLayout();

    void OnOperatingModeActivated(int index);
    void OnFrequencyActivated(int index);
    void OnPeripheralSelectionChanged(const QItemSelection& selected,
                                      const QItemSelection& deselected);
    void OnDurationCommit();
    void OnSystemCurrentCommit();
    void OnConfirm();

    /// Shows the editor's state in every control; never reports a user action back.
    void Redisplay();
    void ShowWarnings(const std::vector<std::string>& warnings);
    void MarkFieldsCommitted();
    std::string DurationField() const;
    std::string SystemCurrentField() const;

    ModeEditor editor_;
    Prompter& prompter_;
    std::optional<ModeRecord> confirmed_;
    std::vector<Placement> placements_;
    bool redisplaying_ = false;
    bool closing_ = false;

    QLineEdit* durationEdit_ = nullptr;
    QComboBox* durationUnitCombo_ = nullptr;
    QLineEdit* systemCurrentEdit_ = nullptr;
    QComboBox* systemCurrentUnitCombo_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    NoticeLabel* durationNotice_ = nullptr;
    QComboBox* operatingModeCombo_ = nullptr;
    QComboBox* frequencyCombo_ = nullptr;
    QListWidget* peripheralsList_ = nullptr;
    QLineEdit* controllerChargeField_ = nullptr;
    QLineEdit* totalChargeField_ = nullptr;
    QLineEdit* controllerCurrentField_ = nullptr;
    QLineEdit* totalCurrentField_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

/// Runs ModeEditorDialog modally for the main window.
class DialogModeEditorLauncher : public ModeEditorLauncher {
public:
    std::optional<ModeRecord> Edit(QWidget* parent, const DeviceData& device,
                                   const std::string& voltage, const std::string& temperature,
                                   const ModeRecord* source, Prompter& prompter) override;
};

}  // namespace runwell::ui
