#pragma once

#include <QWidget>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mission/Mission.h"
#include "power/Regulator.h"
#include "prediction/LifePrediction.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace runwell {
class Workspace;
}

namespace runwell::ui {

/// The prediction's options beside the predicted life: the power path (none, a regulator of the
/// run, one from a file or the editor), the mission (the selected temperature, a mission of the
/// run, one from a file or the editor), the worst case with its spreads, the battery's side of a
/// regulator, and the buffer capacitor the workspace advises with its leakage. It shows the
/// workspace's options and hands every change on whole; it changes nothing itself.
class PredictionOptionsBar : public QWidget {
    Q_OBJECT
public:
    explicit PredictionOptionsBar(QWidget* parent = nullptr);

    /// Shows `workspace`, which must outlive the bar or the next Refresh. The first call reads
    /// the regulators and missions of its data location.
    void Refresh(const Workspace& workspace);

    /// The options the user chose: the workspace's with one change.
    std::function<void(PredictionOptions options)> onOptionsChosen;
    /// The capacitor leakage the user typed (nothing: the default).
    std::function<void(std::optional<double> microamps)> onLeakageChosen;
    /// A message to show: a refused file or figure.
    std::function<void(const std::string& text)> onMessage;
    /// The file of "From file..."; nothing when the user cancelled.
    std::function<std::optional<std::filesystem::path>()> onAskRegulatorFile;
    std::function<std::optional<std::filesystem::path>()> onAskMissionFile;
    /// The file the regulator editor saves to; nothing when the user cancelled.
    std::function<std::optional<std::filesystem::path>()> onAskRegulatorSaveFile;

private:
    void CreateControls();
    void Connect();
    void ShowLists();
    void Choose(PredictionOptions options);
    void Message(const std::string& text);
    void OnPowerPath(int index);
    void OnEditRegulator();
    void OnMission(int index);
    void OnEditMission();
    void OnSpreadEdited();
    void OnLeakageEdited();

    const Workspace* workspace_ = nullptr;
    bool loaded_ = false;
    std::vector<Regulator> regulators_;  // the run's, then those read from files
    std::vector<Mission> missions_;      // likewise
    QComboBox* powerPath_ = nullptr;
    QPushButton* editRegulator_ = nullptr;
    QComboBox* mission_ = nullptr;
    QPushButton* editMission_ = nullptr;
    QCheckBox* worstCase_ = nullptr;
    QLineEdit* deviceSpread_ = nullptr;
    QPushButton* modeSpreads_ = nullptr;  // "Per mode...": ModeSpreadDialog
    QLineEdit* capacitySpread_ = nullptr;
    QWidget* batteryRow_ = nullptr;
    QLineEdit* batteryAverage_ = nullptr;
    QLineEdit* batteryPeak_ = nullptr;
    QWidget* adviceRow_ = nullptr;
    QLabel* advice_ = nullptr;
    QLineEdit* leakage_ = nullptr;
};

}  // namespace runwell::ui
