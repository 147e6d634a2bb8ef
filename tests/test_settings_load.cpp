// Settings files loaded into a workspace. The cases are in
// fixtures/settings/load_cases.tsv, over the device and battery files in fixtures/settings/data.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "TableFile.h"
#include "model/Workspace.h"
#include "persist/SettingsFile.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;
const fs::path kFixtures = fs::path(RUNWELL_FIXTURES) / "settings";

/// Logs each message and question with the number of modes the profile held at that moment, and
/// answers every question with `answer`.
class ScriptedPrompter : public Prompter {
public:
    void ShowMessage(const std::string& text, MessageKind kind) override {
        static const char* const kKinds[] = {"plain", "warning", "error", "notice"};
        Log(kKinds[static_cast<int>(kind)] + (" " + text));
    }
    bool AskOkCancel(const std::string&, const std::string&) override {
        Log("ask");
        return answer;
    }
    void Log(const std::string& entry) {
        const std::size_t modes = workspace != nullptr ? workspace->modes().size() : 0;
        log += (log.empty() ? "" : " | ") + std::to_string(modes) + " " + entry;
    }

    const Workspace* workspace = nullptr;
    std::string log;
    bool answer = true;
};

/// The caption after its fixed title and " - ": the file's name and "*" while modified.
std::string CaptionEnd(const Workspace& workspace) {
    const std::string end = WindowCaption(workspace.saveState()).substr(25);
    return end.starts_with(" - ") ? end.substr(3) : end;
}

/// The selections, the profile's labels and the number of result rows: what a load may change.
std::string StateOf(const Workspace& workspace) {
    std::string labels;
    for (const ModeRecord& mode : workspace.modes()) {
        labels += (labels.empty() ? "" : ",") + mode.label;
    }
    return std::string(workspace.deviceName()) + " " + std::to_string(workspace.voltageIndex()) +
           " " + std::to_string(workspace.temperatureIndex()) + " " +
           std::to_string(workspace.batteryIndex()) + " [" + labels + "] " +
           std::to_string(workspace.results().rows.size()) + " " + CaptionEnd(workspace);
}

ModeRecord Mode(std::string label, float current) {
    return {.label = label, .operatingMode = "RUN", .frequency = "1MHZ", .totalCurrent = current};
}

const std::vector<ModeRecord> kModes = {Mode("m1", 1500.0f), Mode("m2", 250000.0f),
                                        Mode("m3", 700.0f)};

class SettingsLoadTest : public ::testing::Test {
protected:
    /// A workspace over the fixture data (which holds CustomBattery.csv, so start-up writes
    /// nothing) with `device` at its last voltage and temperature, the second battery and one mode
    /// "kept".
    Workspace& Start(const std::string& device) {
        prompter_ = ScriptedPrompter();
        Result<Workspace> started = Workspace::Start(kFixtures / "data", prompter_);
        EXPECT_TRUE(started.ok()) << started.error().message;
        workspace_.emplace(std::move(started).value());
        prompter_.workspace = &*workspace_;
        const auto& devices = workspace_->devices();
        const auto entry = std::find_if(devices.begin(), devices.end(),
                                        [&](const DeviceEntry& e) { return e.name == device; });
        EXPECT_TRUE(workspace_->ChangeDevice(static_cast<int>(entry - devices.begin()), prompter_));
        workspace_->SetVoltageIndex(static_cast<int>(workspace_->voltages().size()) - 1);
        workspace_->SetTemperatureIndex(static_cast<int>(workspace_->temperatures().size()) - 1);
        workspace_->SelectBattery(1);
        workspace_->AddMode(Mode("kept", 1000.0f));
        prompter_.log.clear();
        return *workspace_;
    }

    const ScratchFolder folder_;
    ScriptedPrompter prompter_;
    std::optional<Workspace> workspace_;
};

TEST_F(SettingsLoadTest, LoadCases) {
    const auto rows = ReadTable(kFixtures / "load_cases.tsv");
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.at(0));
        ASSERT_EQ(row.size(), 11u);
        Workspace& workspace = Start(row[1]);
        std::string bytes = SerializeSettings({row[2], row[3], row[4], std::stoi(row[5]), kModes});
        const std::string& keep = row[6];
        const bool written = keep != "folder" && keep != "missing";
        const long count = written && !keep.empty() ? std::stol(keep) : 0;  // -N: all but N bytes
        bytes.resize(count < 0      ? bytes.size() - static_cast<std::size_t>(-count)
                     : keep.empty() ? bytes.size()
                                    : static_cast<std::size_t>(count));
        const fs::path path =
            keep == "folder" ? folder_.path() : folder_ / (written ? "load.set" : "missing.set");
        if (written) {
            std::ofstream(path, std::ios::binary) << bytes + row[7];
        }
        prompter_.answer = row[8] == "ok";
        LoadSettings(workspace, path, prompter_);
        EXPECT_EQ(prompter_.log, row[9]);
        EXPECT_EQ(StateOf(workspace), row[10]);
    }
}

}  // namespace
}  // namespace runwell
