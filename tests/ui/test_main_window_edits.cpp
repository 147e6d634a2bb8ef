// The main window's keyboard and history: undo and redo through the window with the results and
// the caption's modified mark, every shortcut, and Load and New asking about unsaved work first.

#include <QAction>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QTableWidget>
#include <QTextBrowser>

#include "UiTestSupport.h"
#include "base/Messages.h"
#include "measure/MeasuredModel.h"
#include "ui/dialogs/HelpWindow.h"

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

// F1 opens the built-in guide beside the window (one window, however often it is asked for);
// its search goes through every page and says when a text is nowhere.
TEST_F(MainWindowEditsTest, F1OpensTheGuideWithItsSearch) {
    Key(Qt::Key_F1);
    Key(Qt::Key_F1);
    const QList<HelpWindow*> helps = window_->findChildren<HelpWindow*>();
    ASSERT_EQ(helps.size(), 1);
    HelpWindow* help = helps.front();
    EXPECT_TRUE(help->isVisible());
    EXPECT_FALSE(help->isModal());
    auto* browser = Find<QTextBrowser>(help, "helpBrowser");
    auto* pages = Find<QListWidget>(help, "helpPages");
    EXPECT_TRUE(browser->toPlainText().contains("Quick start"));
    EXPECT_EQ(pages->count(), 6);
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentRow(page);
        EXPECT_GT(browser->toPlainText().size(), 200) << page;  // every guide is built in
    }
    pages->setCurrentRow(0);
    // A key only the battery models' guide names: found on a later page.
    EXPECT_TRUE(help->Find("settingsDigest"));
    EXPECT_GT(pages->currentRow(), 0);
    EXPECT_TRUE(browser->textCursor().hasSelection());
    const int found = pages->currentRow();
    EXPECT_FALSE(help->Find("zqxwv-nowhere"));
    EXPECT_EQ(pages->currentRow(), found);
    help->close();
}

// A mode of zero or negative duration is computed as it is, and its row says so.
TEST_F(MainWindowEditsTest, DoubtfulDurationsAreMarkedInTheModeList) {
    Add(Mode("zero", 100, 0.0f));
    Add(Mode("fine", 100));
    Add(Mode("back", 100, -5.0f));
    const QTableWidget* list = List("modeList");
    EXPECT_FALSE(list->item(0, 0)->icon().isNull());
    EXPECT_EQ(FromDisplay(list->item(0, 1)->toolTip()),
              "A duration of 0: the mode adds no charge, yet its current still sets the peak.");
    EXPECT_TRUE(list->item(1, 0)->icon().isNull());
    EXPECT_TRUE(list->item(1, 1)->toolTip().isEmpty());
    EXPECT_EQ(FromDisplay(list->item(2, 0)->toolTip()),
              "A negative duration: the mode takes charge away from the profile.");
    // Fixed by a Modify, the mark goes.
    ClickRow(List("modeList"), 0);
    editor_.answers.push_back(Mode("zero", 100, 50.0f));
    Click("modifyButton");
    EXPECT_TRUE(list->item(0, 0)->icon().isNull());
    EXPECT_TRUE(list->item(0, 0)->toolTip().isEmpty());
}

// The mode list's columns fit their texts after every change, as a list measuring every row
// itself would size them: wider for a longer label, narrower again when it is gone, and the same
// after a battery click, which changes no text.
TEST_F(MainWindowEditsTest, ModeColumnsFollowTheirTextsThroughEdits) {
    Add(Mode("a", 100));
    Add(Mode("b", 100));
    QTableWidget* list = List("modeList");
    const auto fitted = [&] {  // what the list's own measure of every row gives column 0
        const QAbstractItemView* view = list;  // QTableView hides the view's public size hint
        return std::max(view->sizeHintForColumn(0), list->horizontalHeader()->sectionSizeHint(0));
    };
    const int narrow = list->columnWidth(0);
    EXPECT_EQ(narrow, fitted());
    ClickRow(list, 1);
    editor_.answers.push_back(Mode("a label long enough to widen its column", 100));
    Click("modifyButton");
    const int wide = list->columnWidth(0);
    EXPECT_GT(wide, narrow);
    EXPECT_LE(wide, fitted()) << "as wide as the text at most; the room may cut it";
    ClickRow(List("batteryList"), 1);
    EXPECT_EQ(list->columnWidth(0), wide);
    ClickRow(list, 1);
    editor_.answers.push_back(Mode("b", 100));
    Click("modifyButton");
    EXPECT_EQ(list->columnWidth(0), narrow);
}

// Saved and loaded files are offered again, newest first; one that is gone is taken off the list
// with a message.
TEST_F(MainWindowEditsTest, RecentFilesOpenAndForgetWhatIsGone) {
    Add(Mode("a", 100));
    files_.saves.push_back(Data("one.set"));
    Key(Qt::Key_S, Qt::ControlModifier);
    Add(Mode("b", 100));
    files_.saves.push_back(Data("two.set"));
    Key(Qt::Key_S, Qt::ControlModifier);
    auto* recent = Find<QMenu>(window_.get(), "recentMenu");
    const auto entries = [recent] {
        emit recent->aboutToShow();
        QStringList texts;
        for (const QAction* action : recent->actions()) {
            texts << action->text();
        }
        return texts.join(" ").toStdString();
    };
    EXPECT_EQ(entries(), "two.set one.set");
    prompter_.answers.push_back(true);  // a load over modes asks before clearing them
    recent->actions()[1]->trigger();
    Take(prompter_.questions);
    EXPECT_EQ(ModeRows(), (Labels{"a"}));
    EXPECT_EQ(entries(), "one.set two.set");

    fs::remove(Data("two.set"));
    recent->actions()[1]->trigger();
    EXPECT_EQ(Take(prompter_.messages),
              "'" + Data("two.set").string() + "' no longer exists; it was taken off the recent files.");
    EXPECT_EQ(ModeRows(), (Labels{"a"}));
    EXPECT_EQ(entries(), "one.set");
}

TEST_F(MainWindowEditsTest, DraggingAModeMovesItAsOneUndoableChange) {
    Add(Mode("a", 100));
    Add(Mode("b", 200));
    Add(Mode("c", 300));
    auto* list = Find<QTableWidget>(window_.get(), "modeList");
    const auto centre = [list](int row) { return list->visualItemRect(list->item(row, 0)).center(); };
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, centre(0));
    QTest::mouseMove(list->viewport(), centre(2));
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre(2));
    EXPECT_EQ(ModeRows(), (Labels{"b", "c", "a"}));
    EXPECT_EQ(workspace_->currentModeRow(), 2);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ModeRows(), (Labels{"a", "b", "c"}));
    // A press and release on one row stays a click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre(1));
    EXPECT_EQ(ModeRows(), (Labels{"a", "b", "c"}));
    EXPECT_EQ(workspace_->currentModeRow(), 1);
}

TEST_F(MainWindowEditsTest, ABatteryModelFromAMeasurementAppliesAtOnce) {
    QAction* action = window_->findChild<QAction*>(QStringLiteral("newBatteryModelAction"));
    ASSERT_NE(action, nullptr);
    const int battery = workspace_->batteryIndex();
    const std::string name = workspace_->batteries()[static_cast<std::size_t>(battery)].description;
    const fs::path profile =
        fs::path(RUNWELL_SOURCE_DIR) / "measurements/battery-profiles/CR2032-Energizer-(25).json";
    const fs::path kept = workspace_->userFolder() / "BatteryModels" / ModelFileName(name);

    // A file that is neither a profile nor a log: a message, and nothing changes.
    const BatteryModel* before = workspace_->batteryModel(battery);
    files_.measurements = {Data("StandardBattery.csv")};
    action->trigger();
    EXPECT_NE(Take(prompter_.messages).find("'StandardBattery.csv': "), std::string::npos);
    EXPECT_EQ(workspace_->batteryModel(battery), before);

    files_.measurements = {profile};
    action->trigger();
    EXPECT_EQ(Take(prompter_.messages), "The model of " + name + " was saved as " +
                                            kept.string() + " and applies now.");
    ASSERT_NE(workspace_->batteryModel(battery), nullptr);
    EXPECT_EQ(workspace_->batteryModel(battery)->version, 2);
    EXPECT_TRUE(workspace_->derated().hasModel);
    EXPECT_TRUE(fs::exists(kept));

    // A second one asks before replacing the first; Cancel keeps it.
    files_.measurements = {profile};
    prompter_.answers = {false};
    const auto written = fs::last_write_time(kept);
    action->trigger();
    EXPECT_EQ(Take(prompter_.questions), "New battery model: Replace your model " +
                                             kept.filename().string() + " of " + name + "?");
    EXPECT_EQ(fs::last_write_time(kept), written);
}

}  // namespace
}  // namespace runwell::ui
