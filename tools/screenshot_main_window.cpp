// Renders the main window for the documentation: the shipped data with a profile of three modes,
// each confirmed through the mode editor's logic, saved as a PNG. Not a test; run it under a
// real or virtual X server:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/screenshot_main_window [data-folder] [out.png]
// With a third argument, a tab number, the Analysis panel is opened on that tab first
// (docs/analysis-panel.png is tab 0). The pictures at 150 % (docs/*-150.png) are taken on
// "-screen 0 1366x768x24" with QT_SCALE_FACTOR=1.5.

#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "estimate/ModeEditor.h"
#include "session/Workspace.h"
#include "ui/editor/ModeEditorLauncher.h"
#include "ui/main/MainWindow.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/WindowStyle.h"

namespace {

class StderrPrompter : public runwell::Prompter {
public:
    void ShowMessage(const std::string& text, runwell::MessageKind) override {
        std::cerr << text << '\n';
    }
    bool AskOkCancel(const std::string&, const std::string&) override { return false; }
};

class NoModeEditor : public runwell::ui::ModeEditorLauncher {
public:
    std::optional<runwell::ModeRecord> Edit(QWidget*, const runwell::DeviceData&,
                                            const std::string&, const std::string&,
                                            const runwell::ModeRecord*,
                                            runwell::Prompter&) override {
        return std::nullopt;
    }
};

int IndexOf(const std::vector<std::string>& list, std::string_view text) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

struct PlannedMode {
    const char* name;
    const char* operatingMode;
    const char* frequency;   // nullptr: the first offered
    const char* peripheral;  // selects the entries that begin with it; nullptr: none
    const char* duration;
    int durationUnit;  // 0 uS, 1 mS, 2 S
};

/// A mode as the user would confirm it in the editor.
std::optional<runwell::ModeRecord> Confirm(const runwell::Workspace& workspace,
                                           const PlannedMode& planned) {
    runwell::ModeEditor editor(workspace.device(), std::string(workspace.voltage()),
                               std::string(workspace.temperature()), nullptr);
    editor.SelectOperatingMode(IndexOf(editor.operatingModes(), planned.operatingMode));
    if (planned.frequency != nullptr) {
        editor.SelectFrequency(IndexOf(editor.frequencies(), planned.frequency));
    }
    if (planned.peripheral != nullptr) {
        for (std::size_t i = 0; i < editor.peripherals().size(); ++i) {
            if (editor.peripherals()[i].text.starts_with(planned.peripheral)) {
                editor.SetPeripheralSelected(static_cast<int>(i), true);
            }
        }
    }
    editor.CommitDuration(planned.duration, "0", planned.durationUnit);
    runwell::ModeEditor::Confirmation confirmed =
        editor.Confirm(planned.duration, "0", planned.name);
    if (!confirmed.record) {
        std::cerr << planned.name << ": " << confirmed.refusal << '\n';
    }
    return confirmed.record;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    runwell::ui::UseWindowLook();
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::path(RUNWELL_BIN_DIR);
    const std::filesystem::path output =
        argc > 2 ? std::filesystem::path(argv[2])
                 : std::filesystem::path(RUNWELL_SOURCE_DIR) / "docs" / "main-window.png";

    StderrPrompter prompter;
    runwell::Result<runwell::Workspace> started = runwell::Workspace::Start(folder, prompter);
    if (!started) {
        std::cerr << folder << ": " << started.error().message << '\n';
        return 1;
    }
    runwell::Workspace workspace = std::move(started).value();
    const PlannedMode modes[] = {{"Measure", "RUN", "4MHZ", "ADC", "2", 1},
                                 {"Send", "RUN", "16MHZ", "UART", "5", 1},
                                 {"Sleep", "SLEEP", nullptr, nullptr, "1", 2}};
    for (const PlannedMode& planned : modes) {
        if (std::optional<runwell::ModeRecord> mode = Confirm(workspace, planned)) {
            workspace.AddMode(*mode);
        }
    }

    NoModeEditor modeEditor;
    runwell::ui::QtFileDialogs fileDialogs;
    runwell::ui::MainWindow window(workspace, modeEditor, prompter, fileDialogs);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::cerr << "the window was not shown\n";
        return 1;
    }
    if (argc > 3) {
        window.findChild<QPushButton*>(QStringLiteral("analysisButton"))->click();
        window.findChild<QTabWidget*>(QStringLiteral("analysisTabs"))
            ->setCurrentIndex(std::stoi(argv[3]));
    }
    QTest::qWait(200);
    if (!window.grab().save(QString::fromStdString(output.string()))) {
        std::cerr << output << ": cannot be written\n";
        return 1;
    }
    std::cout << output.string() << '\n';
    return 0;
}
