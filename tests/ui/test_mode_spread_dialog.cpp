// The modes' own spreads from the Analysis panel's "Per mode..." dialog: a mode's spread lowers
// the worst-case life and the corner names the mode, a bad field is refused by its mode with
// the dialog kept open, and Cancel or an untouched OK change nothing, not even the undo history.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "PredictionWindow.h"
#include "UiTestSupport.h"
#include "prediction/LifePrediction.h"

namespace runwell::ui {
namespace {

using namespace test_support;

using Spreads = std::vector<std::optional<double>>;

class ModeSpreadDialogTest : public PredictionWindowTest {
protected:
    /// The CR2032 coin cell with its model, two modes, and the worst case at a 20 % device
    /// spread.
    void SetUp() override {
        StartOnCr2032(true);
        Add(Mode("sleep", 1000.0f, 990000.0f));
        Add(Mode("radio", 1e6f, 10000.0f));
        Open();
        Enter("deviceSpreadField", "20");
        QTest::mouseClick(Find(panel_, "worstCaseCheck"), Qt::LeftButton);
        ASSERT_TRUE(workspace_->prediction().worst.has_value());
    }

    /// Opens the dialog and hands it to `answer`, which must close it.
    void Edit(const std::function<void(QWidget*)>& answer) {
        ASSERT_TRUE(AnswerModal([&] { Press(panel_, "modeSpreadButton"); }, answer));
    }
    static QLineEdit* Field(QWidget* dialog, int mode) {
        return Find<QLineEdit>(dialog, "modeSpread" + std::to_string(mode));
    }
};

TEST_F(ModeSpreadDialogTest, AModesSpreadLowersTheWorstCaseAndTheCornerNamesIt) {
    const double before = workspace_->prediction().worst->hours;
    EXPECT_NE(LifeText().find("(device currents +20 %)"), std::string::npos) << LifeText();
    workspace_->SetModified(false);
    Edit([&](QWidget* dialog) {
        EXPECT_EQ(FromDisplay(Find<QLabel>(dialog, "modeSpreadLabel1")->text()),
                  "1  sleep (RUN, 1MHZ)");
        EXPECT_EQ(FromDisplay(Find<QLabel>(dialog, "modeSpreadLabel2")->text()),
                  "2  radio (RUN, 1MHZ)");
        EXPECT_EQ(Field(dialog, 1)->text(), "");
        Field(dialog, 2)->setText("50");
        Press(dialog, "modeSpreadOk");
    });
    EXPECT_EQ(workspace_->predictionOptions().modeSpreadPercent, (Spreads{std::nullopt, 50.0}));
    EXPECT_EQ(workspace_->predictionOptions().currentSpreadPercent, 20.0);
    EXPECT_TRUE(workspace_->saveState().modified());
    ASSERT_TRUE(workspace_->prediction().worst.has_value());
    EXPECT_LT(workspace_->prediction().worst->hours, before);
    EXPECT_EQ(workspace_->prediction().worstCorner, "device currents +20 %, mode 2 +50 %");
    EXPECT_EQ(LifeText(), PredictionRangeText(workspace_->prediction()));
}

TEST_F(ModeSpreadDialogTest, ABadFieldIsRefusedByItsModeAndKeepsTheDialog) {
    const PredictionOptions before = workspace_->predictionOptions();
    Edit([&](QWidget* dialog) {
        Field(dialog, 1)->setText("30");
        for (const char* bad : {"-5", "abc"}) {
            Field(dialog, 2)->setText(bad);
            Press(dialog, "modeSpreadOk");
            EXPECT_EQ(Take(prompter_.messages),
                      "The spread (%) of mode 2 \"radio\" must be empty or a number from 0 to "
                      "1000.")
                << bad;
            EXPECT_TRUE(dialog->isVisible()) << bad;
            EXPECT_EQ(Field(dialog, 1)->text(), "30") << "nothing typed is lost";
            EXPECT_EQ(FromDisplay(Field(dialog, 2)->text()), bad);
        }
        EXPECT_EQ(workspace_->predictionOptions(), before);
        Field(dialog, 2)->setText("0");
        Press(dialog, "modeSpreadOk");
    });
    EXPECT_EQ(workspace_->predictionOptions().modeSpreadPercent, (Spreads{30.0, 0.0}));
    EXPECT_EQ(workspace_->prediction().worstCorner,
              "device currents +20 %, mode 1 +30 %, mode 2 +0 %");
}

TEST_F(ModeSpreadDialogTest, CancelAndAnUntouchedOkChangeNothing) {
    Edit([&](QWidget* dialog) {
        Field(dialog, 1)->setText("40");
        Press(dialog, "modeSpreadOk");
    });
    const PredictionOptions set = workspace_->predictionOptions();
    const std::string life = LifeText();
    workspace_->SetModified(false);

    Edit([&](QWidget* dialog) {
        Field(dialog, 1)->setText("70");
        Field(dialog, 2)->setText("x");
        Press(dialog, "modeSpreadCancel");
    });
    Edit([&](QWidget* dialog) {
        EXPECT_EQ(Field(dialog, 1)->text(), "40") << "Cancel kept nothing";
        Press(dialog, "modeSpreadOk");
    });
    EXPECT_EQ(workspace_->predictionOptions(), set);
    EXPECT_EQ(LifeText(), life);
    EXPECT_FALSE(workspace_->saveState().modified());
    // The last step undone is the mode's spread: the untouched OK added none.
    Find<QAction>(window_.get(), "undoAction")->trigger();
    EXPECT_TRUE(workspace_->predictionOptions().modeSpreadPercent.empty());
    EXPECT_EQ(workspace_->predictionOptions().currentSpreadPercent, 20.0);
}

}  // namespace
}  // namespace runwell::ui
