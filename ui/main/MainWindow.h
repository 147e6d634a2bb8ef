#pragma once

#include <QDialog>
#include <array>
#include <filesystem>
#include <memory>

#include "base/Prompter.h"
#include "ui/main/MainWindowLayout.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTableWidget;

namespace runwell {
class Workspace;
}

namespace runwell::ui {

class AnalysisPanel;
class DialogUnits;
class EditActions;
class FileActions;
class FileDialogs;
class HelpWindow;
class ModeEditorLauncher;
class ProfileLists;

/// The program's window: the four steps of building a profile and its three results. It shows
/// the workspace and forwards every action of the user to it; after each action it shows the
/// workspace again. The current battery and the current mode row, on which Remove and Modify act,
/// change only by mouse clicks in their lists and by the workspace's own rules; their rows are
/// shown in bold. Closing the window (Quit, Escape, the close box or the window menu's Close)
/// asks first whether to save unsaved changes; Enter does nothing. A settings file dropped on
/// the window is loaded as Load Settings loads it, after the same question.
class MainWindow : public QDialog {
    Q_OBJECT
public:
    MainWindow(Workspace& workspace, ModeEditorLauncher& modeEditor, Prompter& prompter,
               FileDialogs& fileDialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// Loads `path` as Load Settings does once its file dialog has chosen it.
    void OpenSettingsFile(const std::filesystem::path& path);

    /// Closes the window unless the user keeps it open to save unsaved changes.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class ViewPrompter;

    // In MainWindowSplit.cpp: the steps in a scrolling area, and the Analysis panel beside them
    // or below them in a splitter.
    void CreateFrame();
    void LayoutSteps();
    void CreateAnalysisPanel();
    void OnAnalysisToggled(bool open);
    /// The prediction's options of the panel: each change through the workspace's setters,
    /// marking the profile modified.
    void ConnectPredictionOptions();

    // In MainWindowControls.cpp: the controls, their connections, their places for the resize
    // layout, the tab order and the window menu.
    void CreateControls(const DialogUnits& units);
    void ConnectControls();
    MainWindowGeometry CurrentGeometry() const;
    void ApplyGeometry(const MainWindowGeometry& geometry);
    void SetTabOrder();
    void CreateWindowMenu();
    /// The keyboard: undo and redo, Delete, duplicate, move, and the file actions.
    void CreateShortcuts();

    void FillDevices();
    /// Shows the workspace. The mode rows are rebuilt when `rebuildModeRows` is set (after every
    /// recomputation, which forgets the list's last selected row) or when they differ.
    void Refresh(bool rebuildModeRows);

    void OnDeviceActivated(int index);
    void OnVoltageActivated(int index);
    void OnTemperatureActivated(int index);
    void OnBatteryListClicked();
    void OnModeListClicked();
    void OnAddMode();
    void OnRemoveMode();
    void OnModifyMode();
    void OnDeviceNotes();
    void OnImportTrace();
    void OnMinimumVoltageEdited(const std::string& text);
    /// "Use this point" in the operating points: the profile recomputed there, or why not.
    void OnOperatingPointChosen(int voltage, int temperature);
    void ShowAbout();
    void ShowHelp();

    Workspace& workspace_;
    ModeEditorLauncher& modeEditor_;
    FileDialogs& fileDialogs_;
    std::unique_ptr<ViewPrompter> prompter_;
    std::unique_ptr<FileActions> files_;  // after prompter_, which it is given
    std::unique_ptr<EditActions> edits_;  // likewise
    LayoutScale scale_;

    QComboBox* deviceCombo_ = nullptr;
    QComboBox* voltageCombo_ = nullptr;
    QComboBox* temperatureCombo_ = nullptr;
    QPushButton* deviceNotesButton_ = nullptr;
    QTableWidget* batteryList_ = nullptr;
    QTableWidget* modeList_ = nullptr;
    QGroupBox* batteryBox_ = nullptr;
    QGroupBox* modeBox_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* modifyButton_ = nullptr;
    std::array<QGroupBox*, 3> resultBoxes_{};
    QLineEdit* batteryLifeField_ = nullptr;
    QLineEdit* averageCurrentField_ = nullptr;
    QLineEdit* peakCurrentField_ = nullptr;
    QPushButton* loadSettingsButton_ = nullptr;
    QPushButton* saveSettingsButton_ = nullptr;
    QPushButton* createReportButton_ = nullptr;
    QPushButton* importTraceButton_ = nullptr;
    QPushButton* quitButton_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QPushButton* analysisButton_ = nullptr;
    AnalysisPanel* analysisPanel_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QScrollArea* stepsScroll_ = nullptr;
    QWidget* steps_ = nullptr;  // the parent of the steps' controls, laid out by LayoutSteps
    QSize closedSize_;          // the window's size before the panel opened
    HelpWindow* help_ = nullptr;
    QSize stepsMinimum_;  // the steps scroll rather than get smaller
    std::unique_ptr<ProfileLists> lists_;
};

}  // namespace runwell::ui
