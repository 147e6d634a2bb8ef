#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "model/FileRead.h"
#include "model/Messages.h"
#include "model/Workspace.h"
#include "persist/Report.h"
#include "persist/SettingsFile.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

/// Records what the core shows and asks; answers questions from a script (OK when it runs out).
/// Each message also records how many modes the workspace held when it was shown.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        std::string text;
        MessageKind kind;
        std::size_t modes;
    };

    void ShowMessage(const std::string& text, MessageKind kind) override {
        shown.push_back({text, kind, workspace != nullptr ? workspace->modes().size() : 0});
    }
    bool AskOkCancel(const std::string& text, const std::string&) override {
        asked.push_back(text);
        if (answers.empty()) {
            return true;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Clear() {
        shown.clear();
        asked.clear();
        answers.clear();
    }

    const Workspace* workspace = nullptr;
    std::vector<Shown> shown;
    std::vector<std::string> asked;
    std::deque<bool> answers;
};

/// The selections and the profile: what a load may change.
struct State {
    std::string device;
    int voltage;
    int temperature;
    int battery;
    std::vector<std::string> labels;
    std::size_t rows;
};

State StateOf(const Workspace& workspace) {
    State state{std::string(workspace.deviceName()),
                workspace.voltageIndex(),
                workspace.temperatureIndex(),
                workspace.batteryIndex(),
                {},
                workspace.results().rows.size()};
    for (const ModeRecord& mode : workspace.modes()) {
        state.labels.push_back(mode.label);
    }
    return state;
}

void ExpectState(const State& actual, const State& expected) {
    EXPECT_EQ(actual.device, expected.device);
    EXPECT_EQ(actual.voltage, expected.voltage);
    EXPECT_EQ(actual.temperature, expected.temperature);
    EXPECT_EQ(actual.battery, expected.battery);
    EXPECT_EQ(actual.labels, expected.labels);
    EXPECT_EQ(actual.rows, expected.rows);
}

ModeRecord Mode(std::string label, float current) {
    ModeRecord mode;
    mode.label = std::move(label);
    mode.operatingMode = "RUN";
    mode.frequency = "1MHZ";
    mode.duration = 1000.0f;
    mode.totalCurrent = current;
    mode.totalCharge = current * 1000.0f;
    mode.systemCurrent = 0.0f;
    mode.peripheralFlags[1] = 1;
    return mode;
}

/// A file for ABC12 at 3.3V and 85C with the third battery and three modes.
SettingsData FullFile() {
    SettingsData settings;
    settings.device = "abc";
    settings.voltage = "3.3";
    settings.temperature = "85";
    settings.battery = 2;
    settings.modes = {Mode("m1", 1500.0f), Mode("m2", 250000.0f), Mode("m3", 700.0f)};
    return settings;
}

std::string WithoutTail(const std::string& bytes, std::size_t count) {
    return bytes.substr(0, bytes.size() - count);
}

class SettingsLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "runwell-load-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        fs::create_directory(folder_ / "Data");
        Put(folder_ / "Data" / "abc.csv",
            "ABC12,XYZ9\r\n"
            "Notes one,notes two\r\n"
            "Mode,Voltage,Temperature,Frequency,Base,ADC,tWDT\r\n"
            "SLEEP,3.3V,25C,0,700,0,1100\r\n"
            "SLEEP,3.3V,85C,0,2600,0,3000\r\n"
            "SLEEP,1.8V,25C,0,500,0,900\r\n"
            "SLEEP,1.8V,85C,0,2000,0,2500\r\n"
            "RUN,3.3V,25C,1MHZ,150000,80000,1100\r\n");
        Put(folder_ / "Data" / "def.csv",
            "DEF1\r\n"
            "Other notes\r\n"
            "Mode,Voltage,Temperature,Frequency,Base\r\n"
            "SLEEP,5V,-40C,0,900\r\n");
        // Its header line has too few fields, so loading it fails.
        Put(folder_ / "Data" / "broken.csv", "BROKEN\r\nnotes\r\nMode,Voltage\r\n");
        Put(folder_ / "StandardBattery.csv",
            "Description,Capacity,Self discharge,Nominal V,Max cont,Max pulse,Notes\r\n"
            "CR2032 coin cell,225,0.08,3.0,3,15,coin\r\n"
            "AA alkaline,2500,0.2,1.5,50,500,aa\r\n"
            "Li-SOCl2 D,19000,0.05,3.6,150,1000,d\r\n");

        Result<Workspace> started = Workspace::Start(folder_, prompter_);
        ASSERT_TRUE(started.ok()) << started.error().message;
        workspace_.emplace(std::move(started).value());
        prompter_.workspace = &*workspace_;
        ASSERT_EQ(workspace_->batteries().size(), 3u);
        ASSERT_EQ(workspace_->deviceName(), "ABC12");
        ASSERT_EQ(workspace_->voltages(), (std::vector<std::string>{"1.8V", "3.3V"}));
        ASSERT_EQ(workspace_->temperatures(), (std::vector<std::string>{"25C", "85C"}));
        prompter_.Clear();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    /// A fresh folder and workspace, for table cases that each need one.
    void Restart() {
        TearDown();
        prompter_ = ScriptedPrompter();
        workspace_.reset();
        SetUp();
    }

    static void Put(const fs::path& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }
    int DeviceIndex(std::string_view name) const {
        const auto& devices = workspace_->devices();
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (devices[i].name == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    /// The state the failure cases start from: another device, the second battery, one mode.
    State UseOtherDevice() {
        EXPECT_TRUE(workspace_->ChangeDevice(DeviceIndex("DEF1"), prompter_));
        workspace_->SelectBattery(1);
        workspace_->AddMode(Mode("kept", 1000.0f));
        prompter_.Clear();
        return {"DEF1", 0, 0, 1, {"kept"}, 1};
    }
    void Load(const std::string& bytes) {
        const fs::path path = folder_ / "load.set";
        Put(path, bytes);
        LoadSettings(*workspace_, path, prompter_);
    }

    fs::path folder_;
    ScriptedPrompter prompter_;
    std::optional<Workspace> workspace_;
};

TEST_F(SettingsLoadTest, LoadsACompleteFile) {
    Load(SerializeSettings(FullFile()));
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(prompter_.asked.empty());  // the profile was empty
    ExpectState(StateOf(*workspace_), {"ABC12", 1, 1, 2, {"m1", "m2", "m3"}, 3});
    EXPECT_EQ(workspace_->modes(), FullFile().modes);  // the stored figures, not recomputed
    EXPECT_EQ(workspace_->currentModeRow(), 2);
}

TEST_F(SettingsLoadTest, SavedSettingsLoadIntoTheSameState) {
    Load(SerializeSettings(FullFile()));
    const State loaded = StateOf(*workspace_);
    const Status saved = SaveSettings(*workspace_, folder_ / "saved");
    ASSERT_TRUE(saved.ok()) << saved.error().message;
    EXPECT_EQ(ReadWholeFile(folder_ / "saved.set"), SerializeSettings(SettingsOf(*workspace_)));

    UseOtherDevice();
    LoadSettings(*workspace_, folder_ / "saved.set", prompter_);
    EXPECT_EQ(prompter_.asked, std::vector<std::string>{msg::kSwitchDevices});
    EXPECT_TRUE(prompter_.shown.empty());
    ExpectState(StateOf(*workspace_), loaded);
    EXPECT_EQ(workspace_->modes(), FullFile().modes);
}

TEST_F(SettingsLoadTest, UnreadableFileChangesNothing) {
    const State before = UseOtherDevice();
    for (const fs::path& path : {folder_ / "missing.set", folder_ / "Data"}) {
        SCOPED_TRACE(path.string());
        prompter_.Clear();
        LoadSettings(*workspace_, path, prompter_);
        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].text, msg::kCannotOpenForReading);
        EXPECT_EQ(prompter_.shown[0].kind, MessageKind::Plain);
        EXPECT_TRUE(prompter_.asked.empty());
        ExpectState(StateOf(*workspace_), before);
    }
}

TEST_F(SettingsLoadTest, FailuresStopWhereTheyOccur) {
    const std::string full = SerializeSettings(FullFile());
    const auto with = [](auto change) {
        SettingsData settings = FullFile();
        change(settings);
        return SerializeSettings(settings);
    };
    const State before{"DEF1", 0, 0, 1, {"kept"}, 1};
    // After an accepted device change: ABC12 with its first voltage and temperature, no modes.
    const State changed{"ABC12", 0, 0, 1, {}, 0};

    struct Case {
        const char* name;
        std::string bytes;
        std::size_t questions;
        const char* message;
        MessageKind kind;
        State state;
        std::size_t modesWhenShown;
    };
    const Case cases[] = {
        {"empty file", "", 0, msg::kFileEndsEarly, MessageKind::Error, before, 1},
        {"unknown device", with([](SettingsData& s) { s.device = "QQQ"; }), 0,
         msg::kCannotSetDevice, MessageKind::Plain, before, 1},
        {"a name the entry only contains", with([](SettingsData& s) { s.device = "BC12"; }), 0,
         msg::kCannotSetDevice, MessageKind::Plain, before, 1},
        {"file ends after the device", full.substr(0, 4), 1, msg::kFileEndsEarly,
         MessageKind::Error, changed, 0},
        {"unknown voltage", with([](SettingsData& s) { s.voltage = "9V"; }), 1,
         msg::kCannotSetVoltage, MessageKind::Plain, changed, 0},
        {"unreadable voltage length",
         full.substr(0, 4) + "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x01\x00\x00\x00"s, 1,
         msg::kBadStringLength, MessageKind::Error, changed, 0},
        {"unknown temperature",
         with([](SettingsData& s) { s.temperature = "150C"; }),
         1,
         msg::kCannotSetTemperature,
         MessageKind::Plain,
         {"ABC12", 1, 0, 1, {}, 0},
         0},
        {"battery index equal to the count",
         with([](SettingsData& s) { s.battery = 3; }),
         1,
         msg::kCannotSetBattery,
         MessageKind::Plain,
         {"ABC12", 1, 1, 1, {}, 0},
         0},
        {"negative battery index",
         with([](SettingsData& s) { s.battery = -1; }),
         1,
         msg::kCannotSetBattery,
         MessageKind::Plain,
         {"ABC12", 1, 1, 1, {}, 0},
         0},
        {"file ends inside the battery index",
         full.substr(0, 4 + 4 + 3 + 2),
         1,
         msg::kFileEndsEarly,
         MessageKind::Error,
         {"ABC12", 1, 1, 1, {}, 0},
         0},
        {"file ends before the mode count",
         full.substr(0, 4 + 4 + 3 + 4),
         1,
         msg::kFileEndsEarly,
         MessageKind::Error,
         {"ABC12", 1, 1, 2, {}, 0},
         0},
        {"file ends inside the third mode",
         WithoutTail(full, 10),
         1,
         msg::kFileEndsEarly,
         MessageKind::Error,
         {"ABC12", 1, 1, 2, {"m1", "m2"}, 2},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        UseOtherDevice();
        Load(c.bytes);
        EXPECT_EQ(prompter_.asked.size(), c.questions);
        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].text, c.message);
        EXPECT_EQ(prompter_.shown[0].kind, c.kind);
        // The error is shown over the up-to-date profile.
        EXPECT_EQ(prompter_.shown[0].modes, c.modesWhenShown);
        ExpectState(StateOf(*workspace_), c.state);
    }
}

TEST_F(SettingsLoadTest, DeclinedDeviceQuestionEndsTheLoad) {
    const State before = UseOtherDevice();
    prompter_.answers = {false};
    Load(SerializeSettings(FullFile()));
    EXPECT_EQ(prompter_.asked, std::vector<std::string>{msg::kSwitchDevices});
    EXPECT_TRUE(prompter_.shown.empty());
    ExpectState(StateOf(*workspace_), before);
}

TEST_F(SettingsLoadTest, DeviceFileThatFailsToLoadEndsTheLoad) {
    const State before = UseOtherDevice();
    SettingsData settings = FullFile();
    settings.device = "broken";
    Load(SerializeSettings(settings));
    EXPECT_EQ(prompter_.asked.size(), 1u);
    // Only the device file's own error: nothing of the settings file is applied after it.
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].kind, MessageKind::Error);
    ExpectState(StateOf(*workspace_), before);
}

TEST_F(SettingsLoadTest, ReloadsTheSelectedDevice) {
    // Loading the device already selected still resets what the device change resets.
    workspace_->SetVoltageIndex(1);
    workspace_->SetTemperatureIndex(1);
    SettingsData settings = FullFile();
    settings.device = "ABC12";
    settings.voltage = "1.8";
    settings.temperature = "150C";
    Load(SerializeSettings(settings));
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, msg::kCannotSetTemperature);
    ExpectState(StateOf(*workspace_), {"ABC12", 0, 0, 0, {}, 0});
}

TEST_F(SettingsLoadTest, ReportShowsTheLoadedState) {
    Load(SerializeSettings(FullFile()));
    const Status status = CreateReport(*workspace_, folder_ / "report");
    ASSERT_TRUE(status.ok()) << status.error().message;
    const std::optional<std::string> written = ReadWholeFile(folder_ / "report.txt");
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(*written, BuildReport(*workspace_));

    const std::string report = *written;
    EXPECT_EQ(
        report.rfind("DEVICE\r\n\r\nDevice : ABC12\r\nVoltage : 3.3V\r\nTemperature : 85C\r\n", 0),
        0u);
    const std::string batteryLine =
        "\r\n" + ReportLine(workspace_->batteryRows()[2], kBatteryColumns) + "\r\n\r\nMODES\r\n";
    EXPECT_NE(report.find(batteryLine), std::string::npos);
    for (const ModeCells& row : workspace_->results().rows) {
        EXPECT_NE(report.find("\r\n" + ReportLine(row, kModeColumns) + "\r\n"), std::string::npos);
    }
    EXPECT_NE(report.find("\r\nBattery Life : " + workspace_->results().lifeText + "\r\n"),
              std::string::npos);
    const std::string notes = "\r\nNOTES\r\n\r\nNotes one\r\nnotes two";
    ASSERT_GE(report.size(), notes.size());
    EXPECT_EQ(report.substr(report.size() - notes.size()), notes);
}

}  // namespace
}  // namespace runwell
