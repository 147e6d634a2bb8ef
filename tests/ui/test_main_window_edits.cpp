// The main window's keyboard and history: undo and redo through the window with the results and
// the caption's modified mark, every shortcut, and Load and New asking about unsaved work first.

#include <QAction>

#include "UiTestSupport.h"
#include "base/Messages.h"

namespace runwell::ui {
namespace {

using namespace test_support;

class MainWindowEditsTest : public WindowTest {
protected:
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Find(window_.get(), "modeList")->setFocus();
        QTest::keyClick(Find(window_.get(), "modeList"), key, modifiers);
    }
    std::vector<std::string> ModeRows() const {
        std::vector<std::string> rows;
        for (int row = 0; row < List("modeList")->rowCount(); ++row) {
            rows.push_back(FromDisplay(List("modeList")->item(row, 0)->text()));
        }
        return rows;
    }
    std::string Caption() const { return FromDisplay(window_->windowTitle()); }
    std::string Peak() const {
        return FromDisplay(Find<QLineEdit>(window_.get(), "peakCurrentField")->text());
    }
};

using Labels = std::vector<std::string>;

TEST_F(MainWindowEditsTest, UndoAndRedoFollowEveryChangeWithTheMark) {
    const std::string clean = Caption();
    Add(Mode("a", 100));
    Add(Mode("b", 300));
    const std::string peakTwo = Peak();
    ClickRow(List("modeList"), 0);
    Key(Qt::Key_D, Qt::ControlModifier);   // duplicate a
    Key(Qt::Key_Down, Qt::AltModifier);    // move the copy below b
    EXPECT_EQ(ModeRows(), (Labels{"a", "b", "a"}));
    Key(Qt::Key_Delete);                   // remove the copy
    EXPECT_EQ(ModeRows(), (Labels{"a", "b"}));
    ClickRow(List("batteryList"), 1);
    EXPECT_EQ(Caption(), clean + "*");

    Key(Qt::Key_Z, Qt::ControlModifier);  // the battery
    EXPECT_EQ(workspace_->batteryIndex(), 0);
    Key(Qt::Key_Z, Qt::ControlModifier);  // the removal
    EXPECT_EQ(ModeRows(), (Labels{"a", "b", "a"}));
    Key(Qt::Key_Z, Qt::ControlModifier);  // the move
    Key(Qt::Key_Z, Qt::ControlModifier);  // the duplicate
    EXPECT_EQ(ModeRows(), (Labels{"a", "b"}));
    EXPECT_EQ(Peak(), peakTwo);
    Key(Qt::Key_Z, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(ModeRows().empty());
    EXPECT_EQ(Caption(), clean);  // back at the start: nothing unsaved
    Key(Qt::Key_Z, Qt::ControlModifier);  // nothing more to undo
    EXPECT_EQ(Caption(), clean);

    Key(Qt::Key_Y, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(ModeRows(), (Labels{"a", "b"}));
    EXPECT_EQ(Caption(), clean + "*");
    // A new change drops what could be redone.
    Add(Mode("c", 1));
    Key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(ModeRows(), (Labels{"a", "b", "c"}));
}

TEST_F(MainWindowEditsTest, SaveLoadReportAndNewByKeyboard) {
    Add(Mode("a", 100));
    files_.saves.push_back(Data("kept.set"));
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Caption().back(), 't');  // "... - kept.set", no mark
    files_.reports.push_back(Data("kept.txt"));
    Key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(fs::exists(Data("kept.txt")));

    // Unsaved work: Load asks before its file dialog, and Cancel ends it there.
    Add(Mode("b", 100));
    prompter_.choices.push_back(SaveChoice::Cancel);
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Take(prompter_.questions),
              "Save/Discard/Cancel: " + std::string(msg::kUnsavedChangesBeforeLoad));
    EXPECT_EQ(ModeRows(), (Labels{"a", "b"}));
    // Discard, then the file, then the question every load with modes asks: the saved profile is
    // back.
    prompter_.choices.push_back(SaveChoice::Discard);
    files_.loads.push_back(Data("kept.set"));
    prompter_.answers.push_back(true);
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(prompter_.questions.size(), 2u);
    EXPECT_EQ(prompter_.questions[0],
              "Save/Discard/Cancel: " + std::string(msg::kUnsavedChangesBeforeLoad));
    Take(prompter_.questions);
    EXPECT_EQ(ModeRows(), (Labels{"a"}));
    EXPECT_EQ(Caption().back(), 't');

    // New: no question while nothing is unsaved; an empty profile with no file; undoable.
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(ModeRows().empty());
    EXPECT_EQ(Caption(), msg::kWindowCaption);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ModeRows(), (Labels{"a"}));
    files_.saves.push_back(std::nullopt);  // Save As: its dialog, cancelled
    Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(files_.saves.empty());
    EXPECT_EQ(Caption().back(), '*');
}

// Delete in a text field deletes text, not the current mode.
TEST_F(MainWindowEditsTest, DeleteInAFieldStaysInTheField) {
    Add(Mode("a", 100));
    Click("analysisButton");
    auto* field = Find<QLineEdit>(window_.get(), "minimumVoltageField");
    field->setFocus();
    QTest::keyClicks(field, "12");
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_EQ(field->text(), "2");
    EXPECT_EQ(ModeRows(), (Labels{"a"}));
}

}  // namespace
}  // namespace runwell::ui
