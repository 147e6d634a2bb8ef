#pragma once

#include <QDialog>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/Prompter.h"
#include "estimate/ModeRecord.h"
#include "trace/TraceReader.h"
#include "trace/TraceStatistics.h"

class QComboBox;
class QDoubleSpinBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableWidget;

namespace runwell {
class Workspace;
}

namespace runwell::ui {

class TracePlot;

/// "Import trace": a measured current trace plotted, a range chosen on it (by dragging or in the
/// From and To fields), the range's figures, the life on every battery, and "Make profile",
/// which replaces the workspace's profile with the modes of the range (asking first when the
/// profile has modes) and closes the dialog. Every text shown comes from the core.
class TraceDialog : public QDialog {
    Q_OBJECT
public:
    TraceDialog(Workspace& workspace, Prompter& prompter, QWidget* parent = nullptr);

    /// Asks for a trace file and reads it; false when the user cancelled.
    bool AskForTrace();
    /// Reads `path` with the units and rate of the dialog's fields, plots it and shows the
    /// whole trace's figures; a refusal is shown in the status line.
    void OpenTrace(const std::filesystem::path& path);

    /// Tests: the next AskForTrace takes this answer instead of showing a file dialog.
    static void SetNextFileName(std::optional<std::filesystem::path> path);

private:
    void BuildControls();
    // The rows around the plot, top to bottom: each creates its controls and returns the row
    // for BuildControls to add.
    QHBoxLayout* BuildFormatRow();
    QHBoxLayout* BuildRangeRow();
    QHBoxLayout* BuildResultTables();
    QHBoxLayout* BuildProfileRow();
    /// Each control's signals to the dialog's handlers.
    void ConnectControls();
    TraceFormat Format() const;
    /// Reads the trace again over the From/To range and shows the figures of the range.
    void Analyse();
    void ShowRefusal(const std::string& message);
    void OnRangeSelected(double from, double to);
    void OnWholeTrace();
    void OnMakeProfile();

    Workspace& workspace_;
    Prompter& prompter_;
    std::filesystem::path path_;
    bool haveTrace_ = false;
    double traceStart_ = 0.0;
    double traceEnd_ = 0.0;
    std::vector<ModeRecord> modes_;

    QLabel* fileLabel_ = nullptr;
    QComboBox* timeUnitCombo_ = nullptr;
    QComboBox* currentUnitCombo_ = nullptr;
    QDoubleSpinBox* rateEdit_ = nullptr;
    QPushButton* readButton_ = nullptr;
    TracePlot* plot_ = nullptr;
    QDoubleSpinBox* fromEdit_ = nullptr;
    QDoubleSpinBox* toEdit_ = nullptr;
    QPushButton* wholeButton_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QTableWidget* figuresTable_ = nullptr;
    QDoubleSpinBox* toleranceEdit_ = nullptr;
    QLabel* modesLabel_ = nullptr;
    QTableWidget* batteryTable_ = nullptr;
    QPushButton* makeProfileButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

}  // namespace runwell::ui
