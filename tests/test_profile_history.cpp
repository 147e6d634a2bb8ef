// Undo and redo over a workspace: every kind of change, the saved mark, a device that no longer
// loads, the bounds of the history; duplicating and moving modes; the recent files.

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "RecordingPrompter.h"
#include "ScratchFolder.h"
#include "session/ProfileHistory.h"
#include "session/RecentFiles.h"
#include "session/Workspace.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(RUNWELL_FIXTURES) / "settings" / "data";

ModeRecord Mode(const std::string& label, float duration = 10.0f) {
    ModeRecord mode;
    mode.label = label;
    mode.operatingMode = "SLEEP";
    mode.frequency = "0";
    mode.duration = duration;
    mode.totalCurrent = 700.0f;
    mode.totalCharge = 700.0f * duration;
    return mode;
}

std::vector<std::string> Labels(const Workspace& workspace) {
    std::vector<std::string> labels;
    for (const ModeRecord& mode : workspace.modes()) {
        labels.push_back(mode.label);
    }
    return labels;
}

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy(kData, scratch_.path(), fs::copy_options::recursive);
        Result<Workspace> started = Workspace::Start(scratch_.path(), prompter_);
        ASSERT_TRUE(started.ok()) << started.error().message;
        workspace_.emplace(std::move(started).value());
        history_.emplace(*workspace_);
    }

    /// An action as the window runs it: the change, then the history looks.
    template <class Change>
    void Do(Change change) {
        change(*workspace_);
        history_->Observe(*workspace_);
    }
    bool Undo() { return history_->Undo(*workspace_, prompter_); }
    bool Redo() { return history_->Redo(*workspace_, prompter_); }
    int DeviceIndex(const std::string& name) const {
        const DeviceList& devices = workspace_->devices();
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (devices[i].name == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    ScratchFolder scratch_;
    RecordingPrompter prompter_;
    std::optional<Workspace> workspace_;
    std::optional<ProfileHistory> history_;
};

// Each kind of change is one step, undone and redone in turn with the results recomputed; the
// modified mark is clear exactly at the start.
TEST_F(HistoryTest, EveryKindOfChangeIsOneStep) {
    Workspace& w = *workspace_;
    const int firstDevice = w.deviceIndex();
    const int otherDevice = DeviceIndex(w.deviceName() == "ABC12" ? "DEF1" : "ABC12");
    ASSERT_GE(otherDevice, 0);
    Do([](Workspace& ws) { ws.AddMode(Mode("a", 10)); });
    Do([](Workspace& ws) { ws.AddMode(Mode("b", 20)); });
    Do([](Workspace& ws) { ws.ReplaceMode(0, Mode("a2", 30)); });
    Do([](Workspace& ws) { ws.DuplicateCurrentMode(); });  // the current row is 0 after Replace
    Do([](Workspace& ws) { ws.MoveCurrentMode(5); });       // to the end
    Do([](Workspace& ws) { ws.SelectBattery(2); });
    Do([](Workspace& ws) { ws.SetMinimumVoltage(2.5); });
    Do([](Workspace& ws) { ws.RemoveCurrentMode(); });
    Do([&](Workspace& ws) { ws.ChangeDevice(otherDevice, prompter_); });
    const std::vector<std::vector<std::string>> profiles = {
        {},
        {"a"},
        {"a", "b"},
        {"a2", "b"},
        {"a2", "a2", "b"},
        {"a2", "b", "a2"},
        {"a2", "b", "a2"},
        {"a2", "b", "a2"},
        {"a2", "b"},
        {},
    };
    EXPECT_TRUE(w.saveState().modified());
    EXPECT_EQ(w.deviceIndex(), otherDevice);
    for (std::size_t step = profiles.size() - 1; step > 0; --step) {
        ASSERT_TRUE(Undo()) << step;
        EXPECT_EQ(Labels(w), profiles[step - 1]) << step;
        EXPECT_EQ(w.saveState().modified(), step - 1 != 0) << step;
    }
    EXPECT_FALSE(Undo());
    EXPECT_EQ(w.deviceIndex(), firstDevice);
    EXPECT_EQ(w.batteryIndex(), 0);
    EXPECT_EQ(w.results().peak, 0);

    for (std::size_t step = 1; step < profiles.size(); ++step) {
        ASSERT_TRUE(Redo()) << step;
        EXPECT_EQ(Labels(w), profiles[step]) << step;
    }
    EXPECT_FALSE(Redo());
    EXPECT_EQ(w.deviceIndex(), otherDevice);
    EXPECT_TRUE(w.saveState().modified());
}

TEST_F(HistoryTest, UndoBringsBackTheFiguresBatteryAndMinimumVoltage) {
    Workspace& w = *workspace_;
    Do([](Workspace& ws) { ws.AddMode(Mode("a", 10)); });
    Do([](Workspace& ws) { ws.SelectBattery(1); });
    Do([](Workspace& ws) { ws.SetMinimumVoltage(2.0); });
    const ProfileResults before = w.results();
    const std::string life = w.derated().lifeText;
    Do([](Workspace& ws) { ws.AddMode(Mode("b", 1000)); });
    Do([](Workspace& ws) { ws.SetMinimumVoltage(std::nullopt); });
    ASSERT_TRUE(Undo());
    ASSERT_TRUE(Undo());
    EXPECT_EQ(w.results().averageText, before.averageText);
    EXPECT_EQ(w.results().lifeText, before.lifeText);
    EXPECT_EQ(w.derated().lifeText, life);
    EXPECT_EQ(w.minimumVoltage(), std::optional(2.0));
    EXPECT_EQ(w.batteryIndex(), 1);
    // Clicking a row is no change: it makes no step.
    Do([](Workspace& ws) { ws.SelectModeRow(0); });
    ASSERT_TRUE(Undo());
    EXPECT_EQ(w.minimumVoltage(), std::nullopt);
    EXPECT_EQ(w.batteryIndex(), 1);
}

TEST_F(HistoryTest, ThePredictionOptionsAndTheLeakageAreStepsAndAnEqualSetIsNone) {
    Workspace& w = *workspace_;
    PredictionOptions options;
    options.worstCase = true;
    options.mission = Mission{};
    options.mission->name = "Shed";
    options.mission->kind = MissionKind::kMonthly;
    options.mission->monthlyC.fill(30.0);
    Do([&](Workspace& ws) { ws.SetPredictionOptions(options); });
    Do([](Workspace& ws) { ws.SetBufferLeakage(20.0); });
    // The same options again, a copy of their own: no step.
    Do([&](Workspace& ws) { ws.SetPredictionOptions(options); });
    options.mission->monthlyC[11] = 31.0;  // one month: a step
    Do([&](Workspace& ws) { ws.SetPredictionOptions(options); });

    ASSERT_TRUE(Undo());
    EXPECT_EQ(w.predictionOptions().mission->monthlyC[11], 30.0);
    EXPECT_EQ(w.bufferLeakage(), std::optional(20.0));
    ASSERT_TRUE(Undo());
    EXPECT_EQ(w.bufferLeakage(), std::nullopt);
    EXPECT_TRUE(w.predictionOptions().worstCase);
    ASSERT_TRUE(Undo());
    EXPECT_FALSE(w.predictionOptions().Active());
    EXPECT_FALSE(Undo());
    ASSERT_TRUE(Redo());
    ASSERT_TRUE(Redo());
    ASSERT_TRUE(Redo());
    EXPECT_EQ(w.predictionOptions().mission->monthlyC[11], 31.0);
    EXPECT_EQ(w.bufferLeakage(), std::optional(20.0));
    EXPECT_FALSE(Redo());
}

// A save in the middle: undo past it and redo back clears the mark there; a new change made
// while the saved state is on the redo side makes it unreachable.
TEST_F(HistoryTest, TheSavedMarkFollowsTheHistory) {
    Workspace& w = *workspace_;
    Do([](Workspace& ws) { ws.AddMode(Mode("a")); });
    Do([](Workspace& ws) { ws.AddMode(Mode("b")); });
    Do([&](Workspace& ws) { ws.MarkSaved(scratch_ / "p.set"); });
    EXPECT_FALSE(w.saveState().modified());
    Do([](Workspace& ws) { ws.AddMode(Mode("c")); });
    ASSERT_TRUE(Undo());
    EXPECT_FALSE(w.saveState().modified());
    ASSERT_TRUE(Undo());
    EXPECT_TRUE(w.saveState().modified());
    ASSERT_TRUE(Redo());
    EXPECT_FALSE(w.saveState().modified());

    ASSERT_TRUE(Undo());
    Do([](Workspace& ws) { ws.AddMode(Mode("other")); });
    EXPECT_FALSE(history_->canRedo());
    ASSERT_TRUE(Undo());
    EXPECT_EQ(Labels(w), std::vector<std::string>{"a"});
    EXPECT_TRUE(w.saveState().modified());  // the start was not saved: a file is now the saved state
    ASSERT_TRUE(Undo());
    EXPECT_TRUE(w.saveState().modified());
}

// A device file that no longer loads: the undo says why and changes nothing, history included.
TEST_F(HistoryTest, ADeviceThatNoLongerLoadsRefusesTheUndo) {
    Workspace& w = *workspace_;
    const fs::path firstFile = w.devices()[static_cast<std::size_t>(w.deviceIndex())].file;
    const int other = DeviceIndex(w.deviceName() == "ABC12" ? "DEF1" : "ABC12");
    Do([](Workspace& ws) { ws.AddMode(Mode("a")); });
    Do([&](Workspace& ws) { ws.ChangeDevice(other, prompter_); });
    Do([](Workspace& ws) { ws.AddMode(Mode("b")); });
    fs::remove(firstFile);
    ASSERT_TRUE(Undo());
    const std::size_t messages = prompter_.messages.size();
    EXPECT_FALSE(Undo());
    EXPECT_EQ(prompter_.messages.size(), messages + 1);
    EXPECT_EQ(w.deviceIndex(), other);
    EXPECT_TRUE(w.modes().empty());
    EXPECT_TRUE(history_->canUndo());
    ASSERT_TRUE(Redo());
    EXPECT_EQ(Labels(w), std::vector<std::string>{"b"});
}

TEST_F(HistoryTest, TheOldestStepsGoFirst) {
    for (std::size_t i = 0; i < ProfileHistory::kMaxSteps + 20; ++i) {
        Do([i](Workspace& ws) { ws.AddMode(Mode(std::to_string(i))); });
    }
    std::size_t undone = 0;
    while (Undo()) {
        ++undone;
    }
    EXPECT_EQ(undone, ProfileHistory::kMaxSteps);
    EXPECT_EQ(workspace_->modes().size(), 20u);
    // The start is gone from the history, so no state reached is the saved one.
    EXPECT_TRUE(workspace_->saveState().modified());
}

// A figure that is NaN (a loaded file may hold one) equals itself for the history: looking again
// without a change makes no step.
TEST_F(HistoryTest, ANaNFigureIsNoChange) {
    ModeRecord odd = Mode("nan");
    odd.duration = std::numeric_limits<float>::quiet_NaN();
    Do([&](Workspace& ws) { ws.AddMode(odd); });
    history_->Observe(*workspace_);
    ASSERT_TRUE(Undo());
    EXPECT_FALSE(history_->canUndo());
}

TEST_F(HistoryTest, DuplicateAndMoveKeepTheRowCurrent) {
    Workspace& w = *workspace_;
    w.DuplicateCurrentMode();  // nothing to duplicate
    w.MoveCurrentMode(-1);
    EXPECT_TRUE(w.modes().empty());
    w.AddMode(Mode("a"));
    w.AddMode(Mode("b"));
    w.AddMode(Mode("c"));
    w.SelectModeRow(1);
    w.DuplicateCurrentMode();
    EXPECT_EQ(Labels(w), (std::vector<std::string>{"a", "b", "b", "c"}));
    EXPECT_EQ(w.currentModeRow(), 2);
    w.MoveCurrentMode(-10);
    EXPECT_EQ(Labels(w), (std::vector<std::string>{"b", "a", "b", "c"}));
    EXPECT_EQ(w.currentModeRow(), 0);
    w.MoveCurrentMode(-1);  // already first
    EXPECT_EQ(w.currentModeRow(), 0);
    w.MoveCurrentMode(2);
    EXPECT_EQ(Labels(w), (std::vector<std::string>{"a", "b", "b", "c"}));
    EXPECT_EQ(w.currentModeRow(), 2);
    EXPECT_EQ(w.results().peak, 700);
}

// What a store's bytes list: CR LF or LF, blank lines and lines with a NUL skipped, the first
// eight distinct paths, nothing past the read limit.
TEST(RecentFiles, AStoreReadsAsThePathsItNames) {
    using Paths = std::vector<fs::path>;
    EXPECT_EQ(ParseRecentFiles(""), Paths{});
    EXPECT_EQ(ParseRecentFiles("/a.set\r\n\n/b c.set\n/a.set\n"), (Paths{"/a.set", "/b c.set"}));
    EXPECT_EQ(ParseRecentFiles(std::string("/x\0y\n/z", 7)), Paths{"/z"});
    std::string many;
    for (int i = 0; i < 20; ++i) {
        many += "/p" + std::to_string(i) + "\n";
    }
    const Paths eight = ParseRecentFiles(many);
    ASSERT_EQ(eight.size(), RecentFiles::kMax);
    EXPECT_EQ(eight.back(), "/p7");
    const std::string beyond = std::string(RecentFiles::kMaxStoreBytes, '\n') + "/late.set\n";
    EXPECT_EQ(ParseRecentFiles(beyond), Paths{});
}

// Newest first, a path once, eight at most, kept across runs; a store that cannot be written
// loses only the list.
TEST(RecentFiles, NewestFirstAndKeptAcrossRuns) {
    ScratchFolder scratch;
    const fs::path store = scratch / "RecentFiles.txt";
    {
        RecentFiles recent(store);
        EXPECT_TRUE(recent.paths().empty());
        for (int i = 0; i < 10; ++i) {
            recent.Add(scratch / ("p" + std::to_string(i) + ".set"));
        }
        recent.Add(scratch / "p5.set");
        recent.Remove(scratch / "p8.set");
    }
    const RecentFiles again(store);
    ASSERT_EQ(again.paths().size(), 7u);
    EXPECT_EQ(again.paths()[0], scratch / "p5.set");
    EXPECT_EQ(again.paths()[1], scratch / "p9.set");
    EXPECT_EQ(again.paths()[2], scratch / "p7.set");
    EXPECT_EQ(again.paths().back(), scratch / "p2.set");
    EXPECT_FALSE(fs::exists(scratch / "RecentFiles.txt.tmp"));

    RecentFiles nowhere(scratch / "missing" / "RecentFiles.txt");
    nowhere.Add("/a.set");
    EXPECT_EQ(nowhere.paths(), std::vector<fs::path>{"/a.set"});
    EXPECT_FALSE(fs::exists(scratch / "missing"));
}

}  // namespace
}  // namespace runwell
