// The regulator editor: a new regulator or an edit of the one in force reaches the prediction and
// undoes as one step, a bad figure is refused by the core's message naming it with nothing typed
// lost, Cancel changes nothing, the kind shows its own tables, and "Save as..." writes a file the
// reader takes back.

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "PredictionWindow.h"
#include "UiTestSupport.h"
#include "estimate/Format.h"
#include "power/RegulatorFiles.h"
#include "ui/prediction/RegulatorDialog.h"

namespace runwell::ui {
namespace {

using namespace test_support;

void Type(QWidget* dialog, const std::string& field, const std::string& text) {
    if (auto* table = dialog->findChild<QPlainTextEdit*>(QString::fromStdString(field))) {
        table->setPlainText(ToDisplay(text));
    } else {
        Find<QLineEdit>(dialog, field)->setText(ToDisplay(text));
    }
}

std::string Text(QWidget* dialog, const std::string& field) {
    if (auto* table = dialog->findChild<QPlainTextEdit*>(QString::fromStdString(field))) {
        return FromDisplay(table->toPlainText());
    }
    return FromDisplay(Find<QLineEdit>(dialog, field)->text());
}

/// The Analysis panel over a run with the test LDO among the regulators, the CR2032 and its model
/// chosen, and one mode of 1 uA.
class RegulatorDialogTest : public PredictionWindowTest {
protected:
    void SetUp() override {
        StartOnCr2032(false);
        Add(Mode("run", 1000.0f));
        Open();
    }
    /// Clicks the Power path's "Edit..." and lets `answer` work the editor.
    void Edit(const std::function<void(QWidget*)>& answer) {
        ASSERT_TRUE(AnswerModal([&] { Click("editRegulatorButton"); }, answer));
    }
    void UseTestLdo() {
        auto* path = Find<QComboBox>(panel_, "powerPathCombo");
        Choose(path, path->findText("Test LDO"));
        ASSERT_EQ(workspace_->predictionOptions().regulator, TestLdo());
        workspace_->SetModified(false);
    }
};

TEST_F(RegulatorDialogTest, ANewRegulatorAndAnEditReachThePredictionAndUndoAsOneStep) {
    Edit([&](QWidget* dialog) {
        EXPECT_EQ(Text(dialog, "regulatorName"), "My regulator");
        EXPECT_EQ(Find<QComboBox>(dialog, "regulatorKind")->currentText(), "linear");
        EXPECT_EQ(Text(dialog, "regulatorDropout"), "");
        EXPECT_FALSE(Find(dialog, "regulatorEfficiency")->isVisible());
        Press(dialog, "regulatorOk");
        EXPECT_EQ(Take(prompter_.messages),
                  "The regulator cannot be used: \"part\" must be a text naming the maker's part "
                  "and output option.");
        Type(dialog, "regulatorPart", "LDO-1");
        Type(dialog, "regulatorSources", "a datasheet");
        Press(dialog, "regulatorOk");
        EXPECT_EQ(Take(prompter_.messages),
                  "The regulator cannot be used: dropoutVsLoadMa: a linear regulator needs its "
                  "dropout against load.");
        Type(dialog, "regulatorDropout", "1 0.1\n100 0.2\n");
        Press(dialog, "regulatorOk");
    });
    ASSERT_TRUE(workspace_->predictionOptions().regulator.has_value());
    EXPECT_EQ(workspace_->predictionOptions().regulator->part, "LDO-1");
    EXPECT_EQ(Find<QComboBox>(panel_, "powerPathCombo")->currentText(), "My regulator");
    EXPECT_TRUE(workspace_->saveState().modified());
    // A linear regulator: the device's 1 uA and its own 1 uA.
    EXPECT_NEAR(workspace_->prediction().batteryAverage, 2000.0, 1.0);

    Edit([&](QWidget* dialog) {
        EXPECT_EQ(Text(dialog, "regulatorQuiescent"), "1");
        EXPECT_EQ(Text(dialog, "regulatorDropout"), "1 0.1\n100 0.2\n");
        Type(dialog, "regulatorQuiescent", " 5 ");
        Press(dialog, "regulatorOk");
    });
    EXPECT_NEAR(workspace_->prediction().batteryAverage, 6000.0, 1.0);
    EXPECT_EQ(FromDisplay(Find<QLineEdit>(panel_, "batteryAverageField")->text()),
              FormatCurrent(6000.0f));
    EXPECT_EQ(Find<QComboBox>(panel_, "powerPathCombo")->count(), 4)
        << "none, the test LDO, the new one, from file";

    Find<QAction>(window_.get(), "undoAction")->trigger();
    EXPECT_EQ(workspace_->predictionOptions().regulator->quiescentMicroamps, 1.0);
    EXPECT_NEAR(workspace_->prediction().batteryAverage, 2000.0, 1.0);
}

TEST_F(RegulatorDialogTest, ABadFigureIsRefusedByItsFieldAndCancelChangesNothing) {
    UseTestLdo();
    const PredictionOptions before = workspace_->predictionOptions();
    Edit([&](QWidget* dialog) {
        const std::pair<std::string, std::string> refusals[] = {
            // The editor's own: a field that holds no number, a table's line.
            {"regulatorQuiescent=five", "Quiescent current (uA) must be a number."},
            {"regulatorFixedOutput=3.3V", "Fixed output (V) must be a number or empty."},
            {"regulatorDropout=1 0.1\n100 x", "Dropout, line 2: \"100 x\" must be two numbers."},
            // The file reader's, naming the file's field or point.
            {"regulatorQuiescent=-5", "quiescentMicroamps"},
            {"regulatorMinimumInput=6", "minimumInputVolts must lie below maximumInputVolts."},
            {"regulatorDropout=100 0.2\n1 0.1",
             "dropoutVsLoadMa: point 2: the load (mA) values "
             "must rise from point to point."},
            {"regulatorName=", "\"name\" must be a text"}};
        for (const auto& [typed, message] : refusals) {
            const auto [field, text] = Split(typed);
            const std::string kept = Text(dialog, field);
            Type(dialog, field, text);
            Press(dialog, "regulatorOk");
            const std::string shown = Take(prompter_.messages);
            EXPECT_EQ(shown.rfind("The regulator cannot be used: ", 0), 0u) << shown;
            EXPECT_NE(shown.find(message), std::string::npos) << shown;
            EXPECT_TRUE(dialog->isVisible()) << typed;
            EXPECT_EQ(Text(dialog, field), text) << "nothing typed is lost";
            Type(dialog, field, kept);
        }
        Type(dialog, "regulatorQuiescent", "50");
        Press(dialog, "regulatorCancel");
    });
    EXPECT_EQ(workspace_->predictionOptions().regulator, before.regulator);
    EXPECT_FALSE(workspace_->saveState().modified());
}

TEST_F(RegulatorDialogTest, TheKindShowsItsTablesAndOnlyTheShownOnesAreTaken) {
    UseTestLdo();
    Edit([&](QWidget* dialog) {
        auto* kind = Find<QComboBox>(dialog, "regulatorKind");
        const auto shown = [&] {
            return std::to_string(Find(dialog, "regulatorDropout")->isVisible()) +
                   std::to_string(Find(dialog, "regulatorEfficiency")->isVisible());
        };
        EXPECT_EQ(shown(), "10") << "linear";
        kind->setCurrentIndex(1);
        EXPECT_EQ(shown(), "11") << "buck";
        kind->setCurrentIndex(2);
        EXPECT_EQ(shown(), "01") << "boost";
        kind->setCurrentIndex(3);
        EXPECT_EQ(shown(), "01") << "buck-boost";
        Press(dialog, "regulatorOk");
        const std::string message = Take(prompter_.messages);
        EXPECT_NE(message.find("efficiency: a switching regulator needs"), std::string::npos)
            << message;
        Type(dialog, "regulatorEfficiency", "3\n0.01 0.8\n100 0.9\n4.2\n0.01 0.75");
        Press(dialog, "regulatorOk");
    });
    const Regulator& taken = *workspace_->predictionOptions().regulator;
    EXPECT_EQ(taken.kind, RegulatorKind::kBuckBoost);
    EXPECT_TRUE(taken.dropoutVsLoadMa.empty()) << "the hidden dropout table is not a buck-boost's";
    ASSERT_EQ(taken.efficiency.size(), 2u);
    EXPECT_EQ(taken.efficiency[1].inputVolts, 4.2);
}

TEST(RegulatorDialog, SaveAsWritesAFileTheReaderTakesBackAndAFailureIsTold) {
    const DataFolder folder;
    std::vector<std::string> messages;
    std::deque<std::optional<fs::path>> files;
    Regulator buck = TestLdo();
    buck.kind = RegulatorKind::kBuck;
    buck.fixedOutputVolts = 3.3;
    buck.efficiency = {{3.6, InterpolationTable({{0.001, 0.55}, {10.0, 0.92}})}};
    RegulatorDialog dialog(
        buck, [&](const std::string& text) { messages.push_back(text); },
        [&] { return Next(files); });
    dialog.show();

    const fs::path target = folder.path / "saved.json";
    files.push_back(target);
    Press(&dialog, "regulatorSave");
    EXPECT_EQ(Take(messages), "");
    Result<Regulator> read = ReadRegulatorFile(target);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(*read, buck);

    files.push_back(std::nullopt);  // cancelled: nothing written, nothing said
    Type(&dialog, "regulatorName", "Other");
    Press(&dialog, "regulatorSave");
    EXPECT_EQ(ReadRegulatorFile(target)->name, buck.name);

    files.push_back(folder.path / "no folder" / "x.json");
    Press(&dialog, "regulatorSave");
    EXPECT_EQ(Take(messages),
              "The regulator file x.json cannot be written: Cannot open file for writing.");

    Type(&dialog, "regulatorEfficiency", "0.01 0.8");  // no file is asked for
    Press(&dialog, "regulatorSave");
    EXPECT_EQ(Take(messages),
              "The regulator cannot be saved: Efficiency, line 1: \"0.01 0.8\" comes before the "
              "first input voltage (V); each curve starts with its input voltage on a line of its "
              "own.");
    EXPECT_TRUE(files.empty());
    EXPECT_TRUE(dialog.isVisible());
}

}  // namespace
}  // namespace runwell::ui
