// The prediction's options in the Analysis panel: a regulator changes the predicted life and
// shows the battery's side, a bad regulator file is refused, the mission editor refuses a month
// out of range and takes a monthly mission, the worst case names its corner, the buffer
// capacitor advice follows its leakage, and the options come back from the sidecar.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <fstream>

#include "PredictionWindow.h"
#include "UiTestSupport.h"
#include "estimate/Format.h"
#include "prediction/LifePrediction.h"
#include "ui/analysis/DeratedCurveView.h"

namespace runwell::ui {
namespace {

using namespace test_support;

class PredictionPanelTest : public PredictionWindowTest {
protected:
    void SetUp() override { Restart(); }

    /// A new window over a data folder with the shipped regulators and missions, the test LDO,
    /// and the CR2032 coin cell with its model beside the fixture's batteries.
    void Restart() { StartOnCr2032(true); }
    QComboBox* Combo(const char* name) const { return Find<QComboBox>(panel_, name); }
};

TEST_F(PredictionPanelTest, ARegulatorChangesTheLifeAndShowsTheBatterysSideAndItsLimit) {
    Add(Mode("run", 1000.0f));
    Open();
    const std::string direct = LifeText();
    EXPECT_FALSE(Find(panel_, "batteryAverageField")->isVisible()) << "no regulator";
    EXPECT_FALSE(Find(panel_, "bufferAdviceLabel")->isVisible()) << "no brown-out";
    QComboBox* path = Combo("powerPathCombo");
    EXPECT_EQ(path->itemText(0), "None (cell to device)");
    EXPECT_EQ(path->itemText(path->count() - 1), "From file...");
    ASSERT_EQ(path->count(), 8) << "none, five shipped and the test LDO, from file";

    Choose(path, path->findText("Test LDO"));
    ASSERT_TRUE(workspace_->predictionOptions().regulator.has_value());
    EXPECT_TRUE(workspace_->saveState().modified());
    EXPECT_NE(LifeText(), direct);
    EXPECT_EQ(LifeText(), PredictionRangeText(workspace_->prediction()));
    // A linear regulator: the device's 1 uA and its own 5 uA.
    EXPECT_NEAR(workspace_->prediction().batteryAverage, 6000.0, 1.0);
    EXPECT_TRUE(Find(panel_, "batteryAverageField")->isVisible());
    EXPECT_EQ(FromDisplay(Find<QLineEdit>(panel_, "batteryAverageField")->text()),
              FormatCurrent(6000.0f));
    EXPECT_EQ(FromDisplay(Find<QLineEdit>(panel_, "batteryPeakField")->text()),
              FormatCurrent(6000.0f));
    EXPECT_NE(FromDisplay(path->toolTip()).find("Quiescent current: 5 uA"), std::string::npos);

    Find<QTabWidget>(panel_, "analysisTabs")->setCurrentIndex(AnalysisPanel::kDerated);
    DeratedCurveView& curve = panel_->deratedCurve();
    EXPECT_EQ(curve.regulatorLimit(), workspace_->prediction().limitVolts);
    ASSERT_EQ(curve.legend().size(), 3u);
    EXPECT_EQ(curve.legend()[2].text, "Regulator input limit");

    Choose(path, 0);
    EXPECT_FALSE(workspace_->predictionOptions().regulator.has_value());
    EXPECT_EQ(LifeText(), direct);
    EXPECT_EQ(curve.regulatorLimit(), std::nullopt);
    EXPECT_EQ(curve.legend().size(), 2u);
}

TEST_F(PredictionPanelTest, ABadRegulatorFileIsRefusedByItsFieldAndChangesNothing) {
    Add(Mode("run", 1000.0f));
    Open();
    QComboBox* path = Combo("powerPathCombo");
    Choose(path, path->findText("Test LDO"));
    const std::string before = LifeText();
    workspace_->SetModified(false);

    std::string content = WriteRegulator(TestLdo());
    const std::string key = "\"quiescentMicroamps\": 5";
    ASSERT_NE(content.find(key), std::string::npos) << content;
    content.replace(content.find(key), key.size(), "\"quiescentMicroamps\": -5");
    const fs::path bad = Data("bad.json");
    std::ofstream(bad) << content;
    files_.regulators.push_back(bad);
    Choose(path, path->count() - 1);
    const std::string message = Take(prompter_.messages);
    EXPECT_EQ(message.rfind("The regulator file bad.json cannot be used: ", 0), 0u) << message;
    EXPECT_NE(message.find("quiescentMicroamps"), std::string::npos) << message;
    EXPECT_EQ(workspace_->predictionOptions().regulator->quiescentMicroamps, 5.0);
    EXPECT_EQ(path->currentText(), "Test LDO");
    EXPECT_EQ(LifeText(), before);
    EXPECT_FALSE(workspace_->saveState().modified());

    files_.regulators.push_back(std::nullopt);  // cancelled: nothing either
    Choose(path, path->count() - 1);
    EXPECT_EQ(path->currentText(), "Test LDO");
}

TEST_F(PredictionPanelTest, TheMissionEditorRefusesAMonthOutOfRangeAndTakesAMonthlyMission) {
    Add(Mode("run", 1000.0f));
    Open();
    const std::string constant = LifeText();
    const bool answered = AnswerModal(
        [&] { Click("editMissionButton"); },
        [&](QWidget* dialog) {
            Find<QComboBox>(dialog, "missionKind")->setCurrentIndex(1);  // monthly
            Find<QLineEdit>(dialog, "missionName")->setText("Yard");
            for (int m = 0; m < 12; ++m) {
                Find<QLineEdit>(dialog, "missionMonth" + std::to_string(m))->setText("40");
            }
            Find<QLineEdit>(dialog, "missionMonth2")->setText("250");
            QTest::mouseClick(Find(dialog, "missionOk"), Qt::LeftButton);
            EXPECT_EQ(Take(prompter_.messages),
                      "The mission cannot be used: monthlyC: March is "
                      "250 C; it must lie within -100 to 200 C.");
            EXPECT_TRUE(dialog->isVisible()) << "nothing typed is lost";
            Find<QLineEdit>(dialog, "missionMonth2")->setText("x");
            QTest::mouseClick(Find(dialog, "missionOk"), Qt::LeftButton);
            EXPECT_EQ(Take(prompter_.messages),
                      "The mission cannot be used: March must be a number.");
            Find<QLineEdit>(dialog, "missionMonth2")->setText("40");
            QTest::mouseClick(Find(dialog, "missionOk"), Qt::LeftButton);
        });
    ASSERT_TRUE(answered);
    const std::optional<Mission>& mission = workspace_->predictionOptions().mission;
    ASSERT_TRUE(mission.has_value());
    EXPECT_EQ(mission->kind, MissionKind::kMonthly);
    EXPECT_EQ(mission->monthlyC[2], 40.0);
    EXPECT_EQ(Combo("missionCombo")->currentText(), "Yard");
    EXPECT_TRUE(workspace_->saveState().modified());
    // All year at 40 C instead of the selected 0 C.
    EXPECT_NE(LifeText(), constant);
    EXPECT_EQ(LifeText(), PredictionRangeText(workspace_->prediction()));

    Choose(Combo("missionCombo"), 0);
    EXPECT_FALSE(workspace_->predictionOptions().mission.has_value());
    EXPECT_EQ(LifeText(), constant);

    // A CSV log by its extension, named after the file; a bad one is refused by its line.
    std::ofstream(Data("Shed log.csv")) << "hours,temperature\n0,10\n4380,35\n";
    std::ofstream(Data("broken.csv")) << "hours,temperature\n0,10\nsoon,35\n";
    files_.missions.push_back(Data("broken.csv"));
    Choose(Combo("missionCombo"), Combo("missionCombo")->count() - 1);
    const std::string message = Take(prompter_.messages);
    EXPECT_EQ(message.rfind("The mission file broken.csv cannot be used: ", 0), 0u) << message;
    EXPECT_NE(message.find("line 3"), std::string::npos) << message;
    EXPECT_FALSE(workspace_->predictionOptions().mission.has_value());
    files_.missions.push_back(Data("Shed log.csv"));
    Choose(Combo("missionCombo"), Combo("missionCombo")->count() - 1);
    EXPECT_EQ(Combo("missionCombo")->currentText(), "Shed log");
    EXPECT_EQ(workspace_->predictionOptions().mission->kind, MissionKind::kSeries);
}

TEST_F(PredictionPanelTest, TheWorstCaseNamesItsCornerAndABadSpreadIsRefused) {
    Add(Mode("run", 1000.0f));
    Open();
    Enter("deviceSpreadField", "20");
    EXPECT_EQ(workspace_->predictionOptions().currentSpreadPercent, 20.0);
    EXPECT_EQ(LifeText().find("worst case"), std::string::npos) << "not asked for yet";
    QTest::mouseClick(Find(panel_, "worstCaseCheck"), Qt::LeftButton);
    EXPECT_TRUE(workspace_->predictionOptions().worstCase);
    const std::string text = LifeText();
    EXPECT_EQ(text.rfind("typical ", 0), 0u) << text;
    EXPECT_NE(text.find(", worst case "), std::string::npos) << text;
    EXPECT_NE(text.find("device currents +20 %"), std::string::npos) << text;
    EXPECT_EQ(text, PredictionRangeText(workspace_->prediction()));

    Enter("capacitySpreadField", "150");
    EXPECT_EQ(Take(prompter_.messages),
              "Capacity spread (%) must be empty or a number from 0 to 99.");
    EXPECT_EQ(workspace_->predictionOptions().capacitySpreadPercent, std::nullopt);
    EXPECT_EQ(Find<QLineEdit>(panel_, "capacitySpreadField")->text(), "");
    Enter("capacitySpreadField", "10");
    EXPECT_EQ(workspace_->predictionOptions().capacitySpreadPercent, 10.0);
    EXPECT_NE(LifeText().find("capacity -10 %"), std::string::npos) << LifeText();
    EXPECT_NE(FromDisplay(Find(panel_, "capacitySpreadField")->toolTip()).find("In use: 10 %"),
              std::string::npos);
}

TEST_F(PredictionPanelTest, TheBufferAdviceShowsForABrownOutAndFollowsTheLeakage) {
    // 30 mA for 5 ms each second: the coin cell's resistance takes it below 2.7 V.
    Add(Mode("sleep", 1000.0f, 995000.0f));
    Add(Mode("pulse", 30e6f, 5000.0f));
    Open();
    Enter("minimumVoltageField", "2.7");
    ASSERT_TRUE(workspace_->bufferAdvice().has_value()) << LifeText();
    auto* advice = Find<QLabel>(panel_, "bufferAdviceLabel");
    EXPECT_TRUE(advice->isVisible());
    const std::string withDefault = FromDisplay(advice->text());
    EXPECT_EQ(withDefault, BufferAdviceText(*workspace_->bufferAdvice()));
    EXPECT_EQ(withDefault.rfind("A ", 0), 0u) << withDefault;

    workspace_->SetModified(false);
    Enter("capacitorLeakageField", "500");
    EXPECT_EQ(workspace_->bufferLeakage(), 500.0);
    EXPECT_TRUE(workspace_->saveState().modified());
    EXPECT_NE(FromDisplay(advice->text()), withDefault);
    EXPECT_NE(FromDisplay(advice->text()).find("500 uA"), std::string::npos)
        << FromDisplay(advice->text());
    Enter("capacitorLeakageField", "-1");
    EXPECT_EQ(Take(prompter_.messages),
              "Capacitor leakage (uA) must be empty or a number from 0 to 1e+06.");
    EXPECT_EQ(workspace_->bufferLeakage(), 500.0);
    Enter("capacitorLeakageField", "");
    EXPECT_EQ(workspace_->bufferLeakage(), std::nullopt);
    EXPECT_EQ(FromDisplay(advice->text()), withDefault);
}

TEST_F(PredictionPanelTest, UndoAndRedoBringTheOptionsAndTheLeakageBack) {
    Add(Mode("sleep", 1000.0f, 995000.0f));
    Add(Mode("pulse", 30e6f, 5000.0f));
    Open();
    Enter("minimumVoltageField", "2.7");
    const auto step = [this](const char* action) {
        Find<QAction>(window_.get(), action)->trigger();
        return Combo("powerPathCombo")->currentText().toStdString() + " | " +
               Find<QLineEdit>(panel_, "capacitorLeakageField")->text().toStdString();
    };
    Enter("capacitorLeakageField", "500");
    Choose(Combo("powerPathCombo"), Combo("powerPathCombo")->findText("Test LDO"));
    const std::string regulated = LifeText();
    EXPECT_EQ(step("undoAction"), "None (cell to device) | 500");
    EXPECT_FALSE(workspace_->predictionOptions().regulator.has_value());
    EXPECT_NE(LifeText(), regulated);
    EXPECT_EQ(step("undoAction"), "None (cell to device) | ");
    EXPECT_EQ(workspace_->bufferLeakage(), std::nullopt);
    EXPECT_EQ(workspace_->minimumVoltage(), 2.7) << "a step of its own";
    EXPECT_EQ(step("redoAction"), "None (cell to device) | 500");
    EXPECT_EQ(step("redoAction"), "Test LDO | 500");
    EXPECT_EQ(LifeText(), regulated);
    EXPECT_TRUE(workspace_->saveState().modified());
}

TEST_F(PredictionPanelTest, TheOptionsAreSavedInTheSidecarAndComeBackOnLoad) {
    Add(Mode("run", 1000.0f));
    Open();
    Choose(Combo("powerPathCombo"), Combo("powerPathCombo")->findText("Test LDO"));
    Choose(Combo("missionCombo"), 2);  // the shipped monthly Hong Kong mission
    QTest::mouseClick(Find(panel_, "worstCaseCheck"), Qt::LeftButton);
    const std::string mission = Combo("missionCombo")->currentText().toStdString();
    EXPECT_NE(mission.find("monthly"), std::string::npos) << mission;
    const std::string life = LifeText();

    QTemporaryDir saved;
    const fs::path file = fs::path(QFile::encodeName(saved.path()).toStdString()) / "p.set";
    files_.saves.push_back(file);
    Click("saveSettingsButton");
    ASSERT_FALSE(workspace_->saveState().modified());

    Restart();
    Open();
    EXPECT_FALSE(workspace_->predictionOptions().Active());
    files_.loads.push_back(file);
    prompter_.choices.push_back(SaveChoice::Discard);  // the battery picked on the way
    Click("loadSettingsButton");
    EXPECT_EQ(Take(prompter_.questions),
              "Save/Discard/Cancel: The profile has unsaved changes. "
              "Save them before loading another profile?");
    const PredictionOptions& options = workspace_->predictionOptions();
    ASSERT_TRUE(options.regulator && options.mission);
    EXPECT_EQ(options.regulator->name, "Test LDO");
    EXPECT_EQ(options.mission->name, mission);
    EXPECT_TRUE(options.worstCase);
    EXPECT_EQ(Combo("powerPathCombo")->currentText(), "Test LDO");
    EXPECT_EQ(Combo("missionCombo")->currentText().toStdString(), mission);
    EXPECT_TRUE(Find<QCheckBox>(panel_, "worstCaseCheck")->isChecked());
    EXPECT_EQ(LifeText(), life);
}

}  // namespace
}  // namespace runwell::ui
