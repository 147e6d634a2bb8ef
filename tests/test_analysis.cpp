// The analysis of a profile: its timeline, where its charge goes, every battery of the catalogue
// and every operating point of the device, checked on hand-computed cases and against the
// results the main window shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "RecordingPrompter.h"
#include "ScratchFolder.h"
#include "analysis/BatteryComparison.h"
#include "analysis/ChargeShare.h"
#include "analysis/OperatingPointMatrix.h"
#include "analysis/ProfileTimeline.h"
#include "base/Messages.h"
#include "estimate/ModeRefresh.h"
#include "files/ProfileDocument.h"
#include "files/SettingsFile.h"
#include "session/OperatingPointMove.h"
#include "session/Workspace.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

ModeRecord Mode(std::string label, float duration, float current) {
    ModeRecord mode;
    mode.label = std::move(label);
    mode.duration = duration;
    mode.totalCurrent = current;
    mode.totalCharge = duration * current;
    return mode;
}

// --- Timeline ---------------------------------------------------------------------------------

/// Each segment as "mode:start+duration@current", the period, each drawn point as "time@current".
std::string Shown(const ProfileTimeline& timeline) {
    std::ostringstream out;
    for (const TimelineSegment& s : timeline.segments) {
        out << s.mode << ':' << s.start << '+' << s.duration << '@' << s.current << ' ';
    }
    out << "| " << timeline.period << " |";
    for (const TimelinePoint& point : timeline.drawing) {
        out << ' ' << point.time << '@' << point.current;
    }
    return out.str();
}

TEST(ProfileTimeline, SegmentsAndStepCurveAndBadDurationsTakeNoTime) {
    EXPECT_EQ(Shown(ComputeProfileTimeline(
                  {Mode("run", 10.0f, 100000.0f), Mode("nap", 990.0f, 1000.0f)})),
              "0:0+10@100000 1:10+990@1000 | 1000 | 0@100000 10@1000 1000@1000");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(Shown(ComputeProfileTimeline(
                  {Mode("a", -5.0f, 1.0f), Mode("b", nan, 2.0f), Mode("c", 4.0f, 3.0f)})),
              "0:0+0@1 1:0+0@2 2:0+4@3 | 4 | 0@1 0@2 0@3 4@3");
    // An empty period draws nothing.
    EXPECT_TRUE(ComputeProfileTimeline({Mode("z", 0.0f, 9.0f)}).drawing.empty());
    EXPECT_TRUE(ComputeProfileTimeline({}).drawing.empty());
}

TEST(ProfileTimeline, DecimationKeepsAOneModeSpikeAndDipAmongAHundredThousand) {
    std::vector<ModeRecord> modes(100000, Mode("base", 10.0f, 1000.0f));
    modes[54321] = Mode("spike", 10.0f, 5.0e6f);
    modes[77777] = Mode("dip", 10.0f, 1.0f);
    modes[99999] = Mode("flash", 0.0f, 9.0e6f);  // no width at all, at the very end
    for (const std::size_t budget : {std::size_t{4000}, std::size_t{5}, std::size_t{0}}) {
        const ProfileTimeline timeline = ComputeProfileTimeline(modes, budget);
        const auto& drawing = timeline.drawing;
        ASSERT_LE(drawing.size(), std::max<std::size_t>(budget, 4)) << budget;
        ASSERT_FALSE(drawing.empty());
        EXPECT_TRUE(std::is_sorted(drawing.begin(), drawing.end(),
                                   [](const TimelinePoint& a, const TimelinePoint& b) {
                                       return a.time < b.time;
                                   }));
        EXPECT_EQ(drawing.back().time, 999990.0);
        const auto spike = std::max_element(
            drawing.begin(), drawing.end(),
            [](const TimelinePoint& a, const TimelinePoint& b) { return a.current < b.current; });
        EXPECT_EQ(spike->current, 9.0e6f) << budget;
        const auto dip = std::min_element(
            drawing.begin(), drawing.end(),
            [](const TimelinePoint& a, const TimelinePoint& b) { return a.current < b.current; });
        EXPECT_EQ(dip->current, 1.0f) << budget;
        if (budget == 4000) {
            // Each drawn span is 999,990 / 1999 us wide; the spike starts at 543,210 us.
            const auto at5 = std::find_if(drawing.begin(), drawing.end(),
                                          [](const TimelinePoint& p) { return p.current == 5e6f; });
            ASSERT_NE(at5, drawing.end());
            EXPECT_NEAR(at5->time, 543210.0, 999990.0 / 1999.0);
        }
    }
}

// --- Charge share -----------------------------------------------------------------------------

struct ShareCase {
    const char* name;
    std::vector<ModeRecord> modes;
    float selfDischarge;  // nA; < 0: no battery
    std::vector<std::string> chargeShares;  // modes, then self-discharge when there is one
    std::vector<std::string> timeShares;    // modes
    std::string totalCharge;
};

TEST(ChargeShare, SharesAddUpToTheWholePeriodOfDurationTimesCurrent) {
    const std::vector<ShareCase> cases = {
        {"plain", {Mode("a", 10.0f, 100000.0f), Mode("b", 990.0f, 1000.0f)}, -1.0f,
         // 1e6 and 990,000 nA*us of 1,990,000
         {"50.3 %", "49.7 %"}, {"1.0 %", "99.0 %"}, "100.0 %"},
        {"zero duration", {Mode("a", 0.0f, 5.0e6f), Mode("b", 100.0f, 10.0f)}, -1.0f,
         {"0.0 %", "100.0 %"}, {"0.0 %", "100.0 %"}, "100.0 %"},
        {"negative current", {Mode("in", 100.0f, 200.0f), Mode("out", 100.0f, -100.0f)}, -1.0f,
         {"200.0 %", "-100.0 %"}, {"50.0 %", "50.0 %"}, "100.0 %"},
        // 20,000 - 10,000 + 10 nA over 200 us = 12,000 nA*us
        {"negative with self-discharge",
         {Mode("in", 100.0f, 200.0f), Mode("out", 100.0f, -100.0f)}, 10.0f,
         {"166.7 %", "-83.3 %", "16.7 %"}, {"50.0 %", "50.0 %"}, "100.0 %"},
        {"no charge at all", {Mode("in", 100.0f, 100.0f), Mode("out", 100.0f, -100.0f)}, -1.0f,
         {"-", "-"}, {"50.0 %", "50.0 %"}, "-"},
        {"no time at all", {Mode("a", 0.0f, 100.0f)}, 5.0f, {"-", "-"}, {"-"}, "-"},
    };
    for (const ShareCase& c : cases) {
        SCOPED_TRACE(c.name);
        BatteryRecord battery;
        battery.selfDischargeCurrent = c.selfDischarge;
        const ChargeShare share = ComputeChargeShare(c.modes, c.selfDischarge < 0.0f ? nullptr
                                                                                     : &battery);
        std::vector<std::string> charges;
        std::vector<std::string> times;
        for (const ChargeShareLine& line : share.modes) {
            charges.push_back(line.chargeShareText);
            times.push_back(line.timeShareText);
        }
        EXPECT_EQ(share.hasSelfDischarge, c.selfDischarge >= 0.0f);
        if (share.hasSelfDischarge) {
            charges.push_back(share.selfDischarge.chargeShareText);
            EXPECT_EQ(share.selfDischarge.timeShareText, "-");
        }
        EXPECT_EQ(charges, c.chargeShares);
        EXPECT_EQ(times, c.timeShares);
        EXPECT_EQ(share.total.chargeShareText, c.totalCharge);
    }

    // The charge per period is the duration times the current.
    ModeRecord stale = Mode("a", 2000.0f, 713280.0f);
    stale.totalCharge = 1.0f;  // a stored charge that does not match is not used
    BatteryRecord battery;
    battery.selfDischargeCurrent = 250.0f;
    const ChargeShare share = ComputeChargeShare({stale}, &battery);
    EXPECT_EQ(share.modes[0].charge, 1426560000.0);
    EXPECT_EQ(share.modes[0].chargeText, "0.396 nAh");
    EXPECT_EQ(share.selfDischarge.charge, 500000.0);
    EXPECT_EQ(share.total.charge, 1427060000.0);
    EXPECT_EQ(share.total.timeShareText, "100.0 %");
    EXPECT_EQ(FormatPercent(-0.01), "0.0 %");
    EXPECT_TRUE(FormatPercent(1e300).ends_with(".0 %"));  // no overflow of the text buffer
}

TEST(ChargeShare, ReadOutAndShareAxisOfTheChart) {
    // 10 us at 100 uA and 990 us at 1 uA, 10 nA of self-discharge: 1e6, 990,000 and 10,000
    // nA*us of 2,000,000.
    BatteryRecord battery;
    battery.selfDischargeCurrent = 10.0f;
    const ChargeShare share =
        ComputeChargeShare({Mode("radio", 10.0f, 100000.0f), Mode("sleep", 990.0f, 1000.0f)},
                           &battery);
    EXPECT_EQ(ChargeShareTip(share.modes[0]),
              "radio: charge share 50.0 % (" + share.modes[0].chargeText + "), time share 1.0 %");
    EXPECT_EQ(ChargeShareTip(share.selfDischarge).substr(0, 30), "Self-discharge: charge share 0");
    EXPECT_TRUE(ChargeShareTip(share.selfDischarge).ends_with("), flows all the time"));
    EXPECT_TRUE(ChargeShareTip(share.total).ends_with("), time share 100.0 %"));
    // A mode may be called as the self-discharge line is; it still has its time share.
    const ChargeShare named = ComputeChargeShare({Mode("Self-discharge", 5.0f, 1.0f)}, nullptr);
    EXPECT_TRUE(ChargeShareTip(named.modes[0]).ends_with("time share 100.0 %"));

    EXPECT_EQ(ChargeShareRange(share), (AxisRange{0.0, 100.0}));
    // Charged back by the second mode: 200 % and -100 % of the charge.
    const ChargeShare back =
        ComputeChargeShare({Mode("in", 100.0f, 200.0f), Mode("out", 100.0f, -100.0f)}, nullptr);
    EXPECT_EQ(ChargeShareRange(back), (AxisRange{-100.0, 200.0}));
    // A share that is not finite does not widen the axis.
    ChargeShare broken = share;
    broken.modes[1].chargeShare = std::numeric_limits<double>::infinity();
    broken.modes[1].timeShare = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(ChargeShareRange(broken), (AxisRange{0.0, 100.0}));
    EXPECT_EQ(ChargeShareRange(ComputeChargeShare({}, nullptr)), (AxisRange{0.0, 100.0}));
}

// --- Workspace-level cases --------------------------------------------------------------------

/// A copy of a data folder in a scratch folder (start-up creates CustomBattery.csv there), a
/// workspace started from it and the settings file `settings` loaded.
class Loaded {
public:
    Loaded(const fs::path& data, const fs::path& settings) {
        for (const char* part : {"Data", "StandardBattery.csv", "BatteryModels"}) {
            if (fs::exists(data / part)) {
                fs::copy(data / part, folder_ / part, fs::copy_options::recursive);
            }
        }
        Result<Workspace> started = Workspace::Start(folder_.path(), prompter_);
        EXPECT_TRUE(static_cast<bool>(started));
        workspace_.emplace(std::move(started).value());
        EXPECT_TRUE(LoadSettings(*workspace_, settings, prompter_));
        EXPECT_EQ(prompter_.messages, std::vector<std::string>{});
    }

    Workspace& operator*() { return *workspace_; }
    Workspace* operator->() { return &*workspace_; }

private:
    const ScratchFolder folder_;
    RecordingPrompter prompter_;
    std::optional<Workspace> workspace_;
};

const fs::path kShipped = RUNWELL_BIN_DIR;
const fs::path kCases = fs::path(RUNWELL_SOURCE_DIR) / "tests/cli/cases";

TEST(BatteryComparison, EveryShippedBatteryMatchesTheResultsShownWhenItIsCurrent) {
    Loaded workspace(kShipped, kCases / "report-shipped/profile.set");
    const BatteryComparison comparison = CompareBatteries(*workspace);
    ASSERT_EQ(comparison.rows.size(), workspace->batteries().size());
    ASSERT_GE(comparison.rows.size(), 10u);
    int modelled = 0;
    for (const BatteryComparisonRow& row : comparison.rows) {
        workspace->SelectBattery(row.index);
        const ProfileResults& results = workspace->results();
        SCOPED_TRACE(row.description);
        EXPECT_EQ(row.lifeText, results.lifeText);
        EXPECT_EQ(row.lifeHours, results.lifeHours);
        EXPECT_EQ(row.averageOver, results.averageWarning);
        EXPECT_EQ(row.peakOver, results.peakWarning);
        EXPECT_EQ(row.deratedLifeText, workspace->derated().lifeText);
        EXPECT_EQ(row.limitingFactor, workspace->derated().limitingFactor);
        modelled += row.hasModel ? 1 : 0;
    }
    EXPECT_GT(modelled, 0);
    EXPECT_EQ(comparison.average, workspace->results().average);
    EXPECT_EQ(comparison.peak, workspace->results().peak);
}

TEST(BatteryComparison, VerdictsAndSortingByLife) {
    std::vector<BatteryRecord> batteries(4);
    batteries[0].capacityMah = 100;
    batteries[0].maxContinuousCurrent = 10.0f;   // below the 55 nA average
    batteries[0].maxPulseCurrent = 100.0f;       // exactly the peak: not over
    batteries[1].capacityMah = 1000;             // no limits given
    batteries[2].capacityMah = 0;                // a life of 0 hours: "?"
    batteries[3].capacityMah = 1000;             // as long as [1]: keeps its place after it
    BatteryComparison comparison =
        CompareBatteries({Mode("a", 1.0f, 100.0f), Mode("b", 1.0f, 10.0f)}, batteries, {}, {});
    EXPECT_EQ(comparison.average, 55.0f);
    EXPECT_EQ(comparison.rows[0].averageVerdict, kVerdictOver);
    EXPECT_EQ(comparison.rows[0].peakVerdict, kVerdictOk);
    EXPECT_EQ(comparison.rows[1].averageVerdict, kVerdictNoLimit);
    EXPECT_EQ(comparison.rows[2].lifeText, "?");
    EXPECT_EQ(comparison.rows[1].deratedLifeText, "no model");

    const auto order = [](const std::vector<BatteryComparisonRow>& rows) {
        std::vector<int> indexes;
        for (const BatteryComparisonRow& row : rows) {
            indexes.push_back(row.index);
        }
        return indexes;
    };
    SortByLife(comparison.rows);
    EXPECT_EQ(order(comparison.rows), (std::vector<int>{1, 3, 0, 2}));
    SortByLife(comparison.rows, false);
    EXPECT_EQ(order(comparison.rows), (std::vector<int>{0, 1, 3, 2}));
}

TEST(OperatingPointMatrix, TheSelectedCellIsTheShownLifeAndEveryOtherTheProfileRefreshedThere) {
    // The settings file holds figures of an older device revision: the selected cell still shows
    // the life the results show, since the profile is not recomputed there.
    Loaded workspace(kShipped, kCases / "report-shipped/profile.set");
    const BatteryRecord* battery = workspace->currentBattery();
    const OperatingPointMatrix stale = ComputeOperatingPointMatrix(*workspace);
    // The window's cache gives what a fresh computation gives, whatever changed since last.
    OperatingPointMatrixCache cache;
    const auto cells = [](const OperatingPointMatrix& m) {
        std::vector<std::string> texts;
        for (const MatrixCell& cell : m.cells) {
            texts.push_back(cell.text + "|" + cell.reason);
        }
        return texts;
    };
    const auto expectCacheFresh = [&](const char* after) {
        SCOPED_TRACE(after);
        EXPECT_EQ(cells(cache.Compute(*workspace)), cells(ComputeOperatingPointMatrix(*workspace)));
    };
    expectCacheFresh("first");
    ASSERT_EQ(stale.voltages, workspace->voltages());
    ASSERT_EQ(stale.temperatures, workspace->temperatures());
    ASSERT_GT(stale.cells.size(), 1u);
    const auto v0 = static_cast<std::size_t>(stale.selectedVoltage);
    const auto t0 = static_cast<std::size_t>(stale.selectedTemperature);
    EXPECT_EQ(stale.at(v0, t0).text, workspace->results().lifeText);

    // Refreshed at the selected point, as the mode editor leaves it: now every cell, the selected
    // one included, is the life of the profile refreshed at its point.
    workspace->SetModes(RefreshProfile(workspace->device(), workspace->voltage(),
                                       workspace->temperature(), workspace->modes())
                            .modes);
    expectCacheFresh("new modes");
    const OperatingPointMatrix matrix = ComputeOperatingPointMatrix(*workspace);
    EXPECT_EQ(matrix.at(v0, t0).text, workspace->results().lifeText);
    for (std::size_t v = 0; v < matrix.voltages.size(); ++v) {
        for (std::size_t t = 0; t < matrix.temperatures.size(); ++t) {
            const ProfileRefresh refresh = RefreshProfile(
                workspace->device(), matrix.voltages[v], matrix.temperatures[t], workspace->modes());
            SCOPED_TRACE(matrix.voltages[v] + " " + matrix.temperatures[t]);
            ASSERT_EQ(refresh.refused, 0);
            EXPECT_TRUE(matrix.at(v, t).available);
            EXPECT_EQ(matrix.at(v, t).text,
                      ComputeProfileResults(refresh.modes, workspace->device().columnNames, battery)
                          .lifeText);
            if (v != v0 || t != t0) {
                EXPECT_EQ(matrix.at(v, t).text, stale.at(v, t).text);
            }
        }
    }
    workspace->SelectBattery(static_cast<int>(workspace->batteries().size()) - 1);
    expectCacheFresh("another battery");
    workspace->SetVoltageIndex(static_cast<int>(workspace->voltages().size()) - 1);
    expectCacheFresh("another voltage");
    workspace->SetModes({workspace->modes().front()});
    expectCacheFresh("one mode");
}

TEST(OperatingPointMatrix, AModeWithoutRowsMakesItsCellNotAvailable) {
    const fs::path folder = kCases / "matrix-not-available";
    Loaded workspace(folder / "data", folder / "profile.set");
    // Twice the same mode: the recomputation done once still names the first.
    std::vector<ModeRecord> modes = workspace->modes();
    modes.push_back(modes[0]);
    const OperatingPointMatrix matrix =
        ComputeOperatingPointMatrix(workspace->device(), workspace->voltages(),
                                    workspace->temperatures(), 0, 0, modes,
                                    workspace->currentBattery());
    ASSERT_EQ(matrix.voltages, (std::vector<std::string>{"3V", "5V"}));
    ASSERT_EQ(matrix.temperatures, (std::vector<std::string>{"25C", "85C"}));
    EXPECT_EQ(matrix.at(0, 0).text, ComputeProfileResults(modes, {}, workspace->currentBattery())
                                        .lifeText);
    const MatrixCell& missing = matrix.at(1, 1);
    EXPECT_FALSE(missing.available);
    EXPECT_EQ(missing.text, kNotAvailable);
    EXPECT_EQ(missing.lifeHours, 0);
    EXPECT_EQ(missing.reason,
              "Mode 1 (\"Run\"): The operating mode RUN has no data at 5V and 85C. Choose another "
              "operating mode.");
    EXPECT_TRUE(matrix.at(1, 0).available);
    EXPECT_TRUE(matrix.at(0, 1).available);
    EXPECT_NE(matrix.at(0, 1).text, matrix.at(0, 0).text);

    // Without a battery every life is "?", availability stays.
    const OperatingPointMatrix none = ComputeOperatingPointMatrix(
        workspace->device(), workspace->voltages(), workspace->temperatures(), 0, 0, modes,
        nullptr);
    EXPECT_EQ(none.at(0, 1).text, "?");
    EXPECT_FALSE(none.at(1, 1).available);
}

// --- Moving to an operating point -------------------------------------------------------------

TEST(OperatingPointMove, EveryPointGivesTheFiguresItsCellShowedAndKeepsEverythingElse) {
    Loaded workspace(kShipped, kCases / "report-shipped/profile.set");
    workspace->SelectBattery(1);
    ASSERT_TRUE(workspace->SetMinimumVoltage(2.0));
    workspace->SelectModeRow(0);
    workspace->SetModified(false);
    const ProfileState before = workspace->State();
    const OperatingPointMatrix matrix = ComputeOperatingPointMatrix(*workspace);
    ASSERT_GT(matrix.cells.size(), 1u);
    RecordingPrompter prompter;
    for (std::size_t v = 0; v < matrix.voltages.size(); ++v) {
        for (std::size_t t = 0; t < matrix.temperatures.size(); ++t) {
            SCOPED_TRACE(matrix.voltages[v] + " " + matrix.temperatures[t]);
            ASSERT_TRUE(workspace->Restore(before, prompter));
            workspace->SetModified(false);
            const Result<bool> moved =
                MoveToOperatingPoint(*workspace, static_cast<int>(v), static_cast<int>(t), prompter);
            ASSERT_TRUE(moved.ok()) << moved.error().message;
            const bool here = static_cast<int>(v) == before.voltageIndex &&
                              static_cast<int>(t) == before.temperatureIndex;
            EXPECT_EQ(*moved, !here);
            EXPECT_EQ(workspace->saveState().modified(), !here) << "the same point changes nothing";
            EXPECT_EQ(workspace->voltageIndex(), static_cast<int>(v));
            EXPECT_EQ(workspace->temperatureIndex(), static_cast<int>(t));
            EXPECT_EQ(workspace->results().lifeText, matrix.at(v, t).text);
            EXPECT_EQ(workspace->results().lifeHours, matrix.at(v, t).lifeHours);
            const ProfileState after = workspace->State();
            EXPECT_EQ(after.deviceIndex, before.deviceIndex);
            EXPECT_EQ(after.batteryIndex, 1);
            EXPECT_EQ(after.minimumVoltage, 2.0);
            EXPECT_EQ(after.currentModeRow, 0);
            if (!here) {
                EXPECT_EQ(after.modes, RefreshProfile(workspace->device(), matrix.voltages[v],
                                                      matrix.temperatures[t], before.modes)
                                           .modes);
            } else {
                EXPECT_TRUE(SameProfile(after, before));
            }
            // The matrix seen from there keeps every figure; the point moved.
            const OperatingPointMatrix there = ComputeOperatingPointMatrix(*workspace);
            EXPECT_EQ(there.selectedVoltage, static_cast<int>(v));
            EXPECT_EQ(there.at(v, t).text, matrix.at(v, t).text);
        }
    }
    EXPECT_EQ(prompter.messages, std::vector<std::string>{});
}

TEST(OperatingPointMove, ARefusalNamesEveryModeThatCannotBeComputedThereAndChangesNothing) {
    const fs::path folder = kCases / "matrix-not-available";
    Loaded workspace(folder / "data", folder / "profile.set");
    ModeRecord tx = workspace->modes()[0];
    tx.label = "tx\x1b[2J" + std::string(70, 'x');  // an escape sequence, and too long to show
    ModeRecord idle = workspace->modes()[0];
    idle.label = "idle";
    idle.operatingMode = "SLEEP";
    idle.frequency = "0";
    std::vector<ModeRecord> modes = {workspace->modes()[0], idle, tx};
    modes = RefreshProfile(workspace->device(), "3V", "25C", modes).modes;
    workspace->SetModes(modes);
    workspace->SelectModeRow(1);
    workspace->SetModified(false);
    const ProfileState before = workspace->State();
    const std::string life = workspace->results().lifeText;
    RecordingPrompter prompter;
    const auto refused = [&](int v, int t) {
        const Result<bool> moved = MoveToOperatingPoint(*workspace, v, t, prompter);
        EXPECT_TRUE(SameProfile(workspace->State(), before));
        EXPECT_EQ(workspace->currentModeRow(), 1);
        EXPECT_EQ(workspace->results().lifeText, life);
        EXPECT_FALSE(workspace->saveState().modified());
        return !moved.ok() ? moved.error().message : *moved ? "moved" : "unchanged";
    };
    EXPECT_EQ(refused(1, 1),
              "The profile cannot be used at \"5V\" and \"85C\": Mode 1 (\"Run\") and Mode 3 "
              "(\"tx\\x1B[2J" + std::string(54, 'x') + "...\") cannot be computed there. Nothing "
              "was changed.");
    workspace->SetModes({modes[0], idle});
    workspace->SetModified(false);
    const ProfileState two = workspace->State();
    const Result<bool> one = MoveToOperatingPoint(*workspace, 1, 1, prompter);
    ASSERT_FALSE(one.ok());
    EXPECT_EQ(one.error().message, "The profile cannot be used at \"5V\" and \"85C\": Mode 1 "
                                   "(\"Run\") cannot be computed there. Nothing was changed.");
    EXPECT_TRUE(SameProfile(workspace->State(), two));
    workspace->SetModes(modes);
    workspace->SelectModeRow(1);
    workspace->SetModified(false);
    for (const auto& [v, t] : {std::pair{-1, 0}, std::pair{2, 0}}) {
        EXPECT_EQ(refused(v, t), msg::kCannotSetVoltage);
    }
    for (const auto& [v, t] : {std::pair{0, -1}, std::pair{1, 2}}) {
        EXPECT_EQ(refused(v, t), msg::kCannotSetTemperature);
    }
    EXPECT_EQ(prompter.messages, std::vector<std::string>{});

    // Where every mode can be computed the move goes ahead.
    EXPECT_EQ(refused(0, 0), "unchanged") << "the point in use";
    ASSERT_TRUE(MoveToOperatingPoint(*workspace, 1, 0, prompter).ok());
    EXPECT_EQ(workspace->voltage(), "5V");
    EXPECT_EQ(workspace->temperature(), "25C");
    EXPECT_EQ(workspace->modes()[1].label, "idle");
    EXPECT_NE(workspace->modes()[0].totalCurrent, modes[0].totalCurrent);
}

}  // namespace
}  // namespace runwell
