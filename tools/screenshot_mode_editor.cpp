// Renders the mode editor for the documentation: a RUN mode of the first device file with two
// peripherals on, saved as a PNG. Not a test; run it under a real or virtual X server:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/screenshot_mode_editor [device.csv] [out.png]

#include <QApplication>
#include <QPixmap>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "base/Prompter.h"
#include "device/DeviceFile.h"
#include "estimate/ModeComputation.h"
#include "estimate/ModeRecord.h"
#include "ui/editor/ModeEditorDialog.h"
#include "ui/widgets/WindowStyle.h"

namespace {

class StderrPrompter : public runwell::Prompter {
public:
    void ShowMessage(const std::string& text, runwell::MessageKind) override {
        std::cerr << text << '\n';
    }
    bool AskOkCancel(const std::string&, const std::string&) override { return false; }
};

std::filesystem::path FirstDeviceFile() {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = std::filesystem::path(RUNWELL_SOURCE_DIR) / "Data";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".csv") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files.empty() ? std::filesystem::path() : files.front();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    runwell::ui::UseWindowLook();
    const std::filesystem::path input =
        argc > 1 ? std::filesystem::path(argv[1]) : FirstDeviceFile();
    const std::filesystem::path output =
        argc > 2 ? std::filesystem::path(argv[2])
                 : std::filesystem::path(RUNWELL_SOURCE_DIR) / "docs" / "mode-editor.png";

    runwell::Result<runwell::DeviceData> loaded = runwell::LoadDeviceFile(input);
    if (!loaded) {
        std::cerr << input << ": " << loaded.error().message << '\n';
        return 1;
    }
    const runwell::DeviceData& device = *loaded;
    if (device.voltageNames.empty() || device.temperatureNames.empty()) {
        std::cerr << input << ": no operating points\n";
        return 1;
    }
    const std::string& voltage = device.voltageNames.front();
    const std::string& temperature = device.temperatureNames.front();

    runwell::ModeRecord mode;
    mode.label = "Measure and send";
    mode.operatingMode = "RUN";
    const std::vector<std::string> frequencies =
        device.ListModeFrequencies(mode.operatingMode, voltage, temperature);
    if (frequencies.empty()) {
        std::cerr << input << ": no RUN rows at " << voltage << ' ' << temperature << '\n';
        return 1;
    }
    mode.frequency = frequencies.front();
    mode.duration = 2500.0f;
    mode.systemCurrent = 50000.0f;
    // The first two peripherals outside any variant group.
    const int row = device.FindModeRow(mode.operatingMode, voltage, temperature, mode.frequency);
    runwell::PeripheralFlags flags{};
    int chosen = 0;
    for (const runwell::PeripheralEntry& entry :
         runwell::BuildPeripheralEntries(device, row, flags, 0)) {
        if (chosen < 2 && entry.text.find('(') == std::string::npos) {
            mode.peripheralFlags[static_cast<std::size_t>(entry.column)] = 1;
            ++chosen;
        }
    }

    StderrPrompter prompter;
    runwell::ui::ModeEditorDialog dialog(device, voltage, temperature, &mode, prompter);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        std::cerr << "the dialog was never shown\n";
        return 1;
    }
    QTest::qWait(200);
    if (!dialog.grab().save(QString::fromStdString(output.string()), "PNG")) {
        std::cerr << output << ": cannot write\n";
        return 1;
    }
    std::cout << output.string() << '\n';
    return 0;
}
