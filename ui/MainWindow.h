#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <vector>

#include "MainWindowLayout.h"
#include "model/ProfileResults.h"
#include "model/Prompter.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;

namespace runwell {
class Workspace;
}

namespace runwell::ui {

class DialogUnits;
class FileDialogs;
class ModeEditorLauncher;

/// The program's window: the four steps of building a profile and its three results. It shows
/// the workspace and forwards every action of the user to it; after each action it shows the
/// workspace again. The current battery and the current mode row, on which Remove and Modify act,
/// change only by mouse clicks in their lists and by the workspace's own rules; their rows are
/// shown in bold. Closing the window (Quit, Escape or the close box) ends it; Enter does nothing.
class MainWindow : public QDialog {
    Q_OBJECT
public:
    MainWindow(Workspace& workspace, ModeEditorLauncher& modeEditor, Prompter& prompter,
               FileDialogs& fileDialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    class ViewPrompter;

    void CreateControls(const DialogUnits& units);
    void CreateListColumns();
    void CreateWindowMenu();
    void FillDevices();

    /// Shows the workspace. The mode rows are rebuilt when `rebuildModeRows` is set (after every
    /// recomputation, which forgets the list's last selected row) or when they differ.
    void Refresh(bool rebuildModeRows);
    void ShowModeRows(const std::vector<ModeCells>& rows);

    MainWindowGeometry CurrentGeometry() const;
    void ApplyGeometry(const MainWindowGeometry& geometry);

    void OnDeviceActivated(int index);
    void OnVoltageActivated(int index);
    void OnTemperatureActivated(int index);
    void OnBatteryListClicked();
    void OnModeListClicked();
    void OnAddMode();
    void OnRemoveMode();
    void OnModifyMode();
    void OnDeviceNotes();
    void OnLoadSettings();
    void OnSaveSettings();
    void OnCreateReport();
    void OnImportTrace();
    void ShowAbout();

    Workspace& workspace_;
    ModeEditorLauncher& modeEditor_;
    FileDialogs& fileDialogs_;
    std::unique_ptr<ViewPrompter> prompter_;
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

    std::vector<ModeCells> shownModeRows_;
};

}  // namespace runwell::ui
