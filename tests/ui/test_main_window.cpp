// The main window driven as a user would, by object name, with scripted message boxes, file
// dialogs and mode editor over a copy of tests/fixtures/ui/data: devices b3, a2 and A1 in file
// order (A1 lists its voltages out of order and has RUN data at 5V and 85C only, no SLEEP),
// batteries Big (roomy) and Small (1000 nA continuous, 4000 nA pulse). Most behaviour is in the
// script tests/fixtures/ui/main_window_script.tsv. Also the resize layout the window follows.

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QToolTip>
#include <QUrl>
#include <fstream>

#include "UiTestSupport.h"
#include "app/CommandLine.h"
#include "base/Messages.h"
#include "platform/BuildInfo.h"
#include "files/SettingsFile.h"
#include "ui/widgets/DialogUnits.h"

void PrintTo(const QRect& r, std::ostream* out) {
    *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}

namespace runwell::ui {
namespace {

using namespace test_support;

/// Runs runwell-cli with `args` over the data folder `folder`; returns its standard output.
std::string RunCli(QStringList args, const fs::path& folder) {
    QProcess cli;
    cli.start(RUNWELL_BIN_DIR "/runwell-cli", args << "--data" << QtPath(folder));
    EXPECT_TRUE(cli.waitForFinished(30000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    return cli.readAllStandardOutput().toStdString();
}

TEST(MainWindowLayout, FollowsTheLayoutTableAndStartsWithinTheScreen) {
    const DialogUnits u(DialogUnits::kReferenceCharWidth, DialogUnits::kReferenceCharHeight);
    EXPECT_EQ(u.Size(446, 345), QSize(669, 561));  // 560.625 rounds up
    EXPECT_EQ(DialogUnits(7, 14).Rect(12, 55, 420, 85), QRect(21, 96, 735, 149));
    MainWindowGeometry design;  // the layout reads only the lefts and the battery list's top
    design.batteryList = u.Rect(12, 55, 420, 85);
    design.modeList = u.Rect(12, 163, 420, 87);
    design.addButton = u.Rect(18, 259, 53, 12);
    design.resultBoxes = {u.Rect(7, 281, 141, 30), u.Rect(152, 281, 141, 31),
                          u.Rect(296, 281, 140, 31)};
    for (const std::vector<std::string>& row : ReadTable(Fixture("layout.tsv"))) {
        SCOPED_TRACE(row[0] + " cell, client " + row[1]);
        QStringList n;  // the numbers of every cell: 6x13 669x561 18 267 635 144 ...
        for (const std::string& text : row) {
            n += QString::fromStdString(text).replace('x', ' ').split(' ');
        }
        ASSERT_EQ(n.size(), 20);
        const auto v = [&n](int i) { return n[i].toInt(); };
        const DialogUnits cell(v(0), v(1));
        const LayoutScale scale{cell.ScaleX(), cell.ScaleY()};
        const MainWindowGeometry g = LayoutMainWindow(QSize(v(2), v(3)), design, scale);
        const auto rect = [&v](int i) { return QRect(v(i), v(i + 1), v(i + 2), v(i + 3)); };
        EXPECT_EQ(g.modeList, rect(4));
        EXPECT_EQ(g.batteryList.height(), g.modeList.height());
        EXPECT_EQ(g.modeBox, rect(8));
        EXPECT_EQ(g.addButton, rect(12));
        EXPECT_EQ(g.quitButton, rect(16));
        EXPECT_EQ(LayoutMainWindow(QSize(v(2), v(3)), g, scale), g);  // stable when repeated
    }
    // The window starts no larger than the screen nor smaller than the minimum.
    const QSize minimum(669, 421);
    EXPECT_EQ(StartClientSize(u.Size(446, 345), minimum, {1920, 1050}), QSize(669, 561));
    EXPECT_EQ(StartClientSize(u.Size(446, 345), minimum, {910, 450}), QSize(669, 450));
    EXPECT_EQ(StartClientSize(u.Size(446, 345), minimum, {640, 400}), minimum);
}

class MainWindowTest : public WindowTest {
protected:
    /// The title and texts of the modal window `open` opens, which Escape then closes.
    std::string ReadModal(const std::function<void()>& open) {
        std::string shown;
        EXPECT_TRUE(AnswerModal(
            open,
            [&](QWidget* dialog) {
                QStringList texts{dialog->windowTitle()};
                for (const QWidget* control : dialog->findChildren<QWidget*>()) {
                    if (const QString text = control->property("text").toString() +
                                             control->property("plainText").toString();
                        !text.isEmpty()) {
                        texts << text +
                                     (control->property("readOnly").toBool() ? " (read-only)" : "");
                    }
                }
                shown = FromDisplay(texts.join(" | "));
                QTest::keyClick(dialog, Qt::Key_Escape);
            },
            window_.get()));
        return shown;
    }

    /// The row shown in bold as the current one, or -1.
    int HotRow(const char* name) const {
        for (int row = 0; row < List(name)->rowCount(); ++row) {
            if (List(name)->item(row, 0)->font().bold()) {
                return row;
            }
        }
        return -1;
    }

    /// Carries out a scripted action; see the head of main_window_script.tsv.
    void Do(const std::string& action, const std::string& argument) {
        const auto [name, value] = Split(argument);
        if (action == "start") {
            Start();
        } else if (action == "answer") {
            prompter_.answers.push_back(argument == "ok");
        } else if (action == "unsaved") {
            prompter_.choices.push_back(argument == "save"      ? SaveChoice::Save
                                        : argument == "discard" ? SaveChoice::Discard
                                                                : SaveChoice::Cancel);
        } else if (action == "saveas" || action == "save") {
            files_.saves.push_back(argument == "cancel" ? std::nullopt
                                                        : std::optional(Data(argument)));
            if (action == "save") {
                Click("saveSettingsButton");
            }
        } else if (action == "menu") {
            Find<QMenu>(window_.get(), "windowMenu")
                ->findChild<QAction*>(QString::fromStdString(argument))
                ->trigger();
        } else if (action == "add" || action == "edit") {
            editor_.answers.push_back(
                argument == "cancel" ? std::nullopt : std::optional(Mode(name, std::stof(value))));
            if (action == "add") {
                Click("addButton");
            }
        } else if (action == "row" || action == "dclick") {  // -1: below the rows
            QTableWidget* list = List(name);
            const int row = std::stoi(value);
            const QPoint at = row >= 0 ? list->visualRect(list->model()->index(row, 0)).center()
                                       : QPoint(10, list->viewport()->height() - 3);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            if (action == "dclick") {
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
            }
        } else if (action == "delete") {
            fs::remove(Data(argument));
        } else if (action == "load" || action == "drop" || action == "open") {
            // DEVICE,VOLTAGE,TEMPERATURE,BATTERY,CUT: a file of those and modes F1 and F2, CUT
            // bytes cut from its end; anything else: no file.
            const fs::path path = Data("load.set");
            std::vector<std::string> f = SplitAt(argument, ',');
            f.resize(5);
            if (!f[4].empty()) {
                const std::string bytes = SerializeSettings(
                    {f[0], f[1], f[2], std::stoi(f[3]), {Mode("F1", 300), Mode("F2", 400)}});
                std::ofstream(path, std::ios::binary)
                    << bytes.substr(0, bytes.size() - std::stoul(f[4]));
            }
            if (action == "load") {  // the Load Settings button
                files_.loads = {path};
                Click("loadSettingsButton");
            } else if (action == "drop") {  // dropped on the window
                Drop(QUrl::fromLocalFile(QtPath(path)));
            } else {  // named on the command line: runwell load.set
                const app::CommandLine line =
                    app::ParseCommandLine({"runwell", QtPath(path)}, "1.1.0");
                ASSERT_FALSE(line.exitCode) << line.output.toStdString();
                window_->OpenSettingsFile(line.settingsFile.value());
            }
        } else if (!CommonAction(window_.get(), action, argument)) {
            FAIL() << "unknown action " << action;
        }
    }

    std::string Aspect(const std::string& aspect) {
        if (aspect == "messages" || aspect == "questions") {
            return Take(aspect == "messages" ? prompter_.messages : prompter_.questions);
        }
        if (aspect == "calls") {
            return Take(editor_.calls);
        }
        if (aspect == "caption") {  // after the fixed title and " - ": file name and "*"
            QString title = window_->windowTitle();
            EXPECT_TRUE(title.startsWith("Quennel KDR Runwell v1.30")) << title.toStdString();
            return FromDisplay(title.mid(25).remove(QRegularExpression("^ - ")));
        }
        if (aspect.starts_with("file:")) {  // the file's bytes, or "none"
            const fs::path path = Data(aspect.substr(5));
            return fs::exists(path)
                       ? std::to_string(ReadWholeFile(path).value_or("").size()) + " bytes"
                       : "none";
        }
        if (aspect == "battery1") {  // the second battery's cells
            std::vector<std::string> cells;
            for (int column = 0; column < 7; ++column) {
                cells.push_back(FromDisplay(List("batteryList")->item(1, column)->text()));
            }
            return Take(cells);
        }
        if (aspect != "state") {
            return CommonAspect(window_.get(), aspect);
        }
        std::string state;
        for (const char* combo : {"deviceCombo", "voltageCombo", "temperatureCombo"}) {
            state += CommonAspect(window_.get(), combo) + ' ';
        }
        state += 'b' + std::to_string(HotRow("batteryList")) + " [";
        for (int row = 0; row < List("modeList")->rowCount(); ++row) {
            state += (row > 0 ? " " : "") + FromDisplay(List("modeList")->item(row, 0)->text()) +
                     (row == HotRow("modeList") ? "*" : "");
        }
        const bool rows = List("modeList")->rowCount() > 0;
        EXPECT_EQ(Find(window_.get(), "removeButton")->isEnabled(), rows);
        EXPECT_EQ(Find(window_.get(), "modifyButton")->isEnabled(), rows);
        return state + ']';
    }

    /// Drags `url` over the window and drops it there.
    void Drop(const QUrl& url) {
        QMimeData mime;
        mime.setUrls({url});
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window_.get(), &enter);
        ASSERT_TRUE(enter.isAccepted()) << "the window refused the drag";
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window_.get(), &drop);
    }
};

TEST_F(MainWindowTest, FollowsTheScript) {
    RunScript(
        "main_window_script.tsv", [this](auto& action, auto& argument) { Do(action, argument); },
        [this](auto& aspect) { return Aspect(aspect); });
}

TEST_F(MainWindowTest, ResizingFollowsTheLayoutDownToListsOfThreeRowsThatFitSmallScreens) {
    const DialogUnits units = DialogUnits::Of(window_->font());
    // Free areas of 1366x768 at 1.5x scaling (910x512 less a task bar) and of 800x600, less an
    // allowance for the title bar and borders, for the reference font: scaled to this one.
    const QSize frame(16, 40);
    for (const QSize screen : {QSize(910, 512 - 32), QSize(800, 600 - 40)}) {
        const QSize scaled(static_cast<int>(screen.width() * units.ScaleX()),
                           static_cast<int>(screen.height() * units.ScaleY()));
        EXPECT_TRUE(QRect(QPoint(), scaled).contains(QRect(QPoint(), window_->minimumSize() + frame)))
            << screen.width() << "x" << screen.height();
    }
    for (const QSize size : {window_->size() + QSize(120, 90), QSize(100, 100)}) {
        window_->resize(size);
        EXPECT_EQ(window_->size(), size.expandedTo(window_->minimumSize()));
        MainWindowGeometry now;
        now.batteryList = List("batteryList")->geometry();
        now.modeList = List("modeList")->geometry();
        // The steps keep their least size and scroll in a smaller window: laid out in their own.
        const MainWindowGeometry expected = LayoutMainWindow(Find(window_.get(), "steps")->size(),
                                                             now, {units.ScaleX(), units.ScaleY()});
        EXPECT_EQ(now.modeList, expected.modeList);
        EXPECT_EQ(Find(window_.get(), "quitButton")->geometry(), expected.quitButton);
    }
    // At the minimum size every control is inside the window and each list shows three rows.
    for (const QWidget* control : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isVisible()) {
            EXPECT_TRUE(window_->rect().contains(control->geometry())) << control->objectName().toStdString();
        }
    }
    for (const char* name : {"batteryList", "modeList"}) {
        QTableWidget* list = List(name);
        EXPECT_GE(list->viewport()->height(), 3 * list->verticalHeader()->defaultSectionSize()) << name;
        // Resizable columns, the last one filling the rest: no sideways scrolling.
        EXPECT_EQ(list->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        EXPECT_TRUE(list->horizontalHeader()->stretchLastSection());
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0) << name;
    }
}

TEST_F(MainWindowTest, TabFollowsTheReadingOrderAndLongCellsShowTooltips) {
    const std::string label(80, 'L');
    Do("add", label + "=500");  // Modify and Remove take the focus only when enabled
    QWidget* focus = Find(window_.get(), "deviceCombo");
    focus->setFocus(Qt::TabFocusReason);
    std::string order = "deviceCombo";
    for (int i = 0; i < 15; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order += " " + QApplication::focusWidget()->objectName().toStdString();
    }
    EXPECT_EQ(order,
              "deviceCombo deviceNotesButton voltageCombo temperatureCombo batteryList modeList "
              "addButton modifyButton removeButton batteryLifeField averageCurrentField "
              "peakCurrentField loadSettingsButton saveSettingsButton createReportButton "
              "quitButton");

    QTableWidget* list = List("modeList");
    for (const int column : {1, 0}) {  // "RUN", which fits, then the long label
        const QRect cell = list->visualRect(list->model()->index(0, column));
        QHelpEvent help(QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(list->viewport(), &help);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text().toStdString() : "",
                  column == 0 ? label : "");
        QToolTip::hideText();
    }
    EXPECT_EQ(Take(editor_.calls), "new at 1.8V 85C");
}

TEST_F(MainWindowTest, OnlyModeRowsWhoseTextsChangedGetNewItems) {
    for (const char* mode : {"M1=500", "M2=600", "M3=700"}) {
        Do("add", mode);
    }
    // The rows' items are marked: a kept item keeps its mark (k), a new one has none (n).
    QTableWidget* modes = List("modeList");
    for (int row = 0; row < modes->rowCount(); ++row) {
        modes->item(row, 0)->setData(Qt::UserRole, true);
    }
    const auto marked = [modes] {
        std::string rows;
        for (int row = 0; row < modes->rowCount(); ++row) {
            rows += modes->item(row, 0)->data(Qt::UserRole).isValid() ? 'k' : 'n';
        }
        return rows;
    };
    Do("row", "batteryList=1");  // recomputed, the rows' texts the same
    EXPECT_EQ(marked(), "kkk");
    Do("edit", "M2=800");
    Do("dclick", "modeList=1");
    EXPECT_EQ(marked(), "knk");
    Add(Mode("M4", 900.0f, 0.0f));  // no time, so the other rows' shares of it stay
    EXPECT_EQ(marked(), "knkn");
    EXPECT_EQ(Aspect("state"), "A1 1.8V 85C b1 [M1 M2 M3 M4*]");
    EXPECT_EQ(modes->currentRow(), -1) << "as a list rebuilt from nothing";
    EXPECT_TRUE(modes->selectedItems().isEmpty());
    EXPECT_EQ(Take(editor_.calls),
              "new at 1.8V 85C / new at 1.8V 85C / new at 1.8V 85C / M2 at 1.8V 85C / "
              "new at 1.8V 85C");
}

TEST_F(MainWindowTest, SaveAndReportWriteWhatTheCommandLineToolWritesOrSayWhyNot) {
    Do("row", "batteryList=1");
    Do("add", "M1=2000");
    files_.loads = files_.saves = files_.reports = {std::nullopt};  // cancelled: nothing happens
    prompter_.choices = {SaveChoice::Discard};  // Load asks first about the unsaved mode
    Click("loadSettingsButton");
    EXPECT_EQ(Aspect("questions"), "Save/Discard/Cancel: " +
                                       std::string(msg::kUnsavedChangesBeforeLoad));
    Click("saveSettingsButton");
    Click("createReportButton");
    EXPECT_EQ(Aspect("state"), "A1 1.8V 85C b1 [M1*]");

    files_.saves = {Data("profile")};  // ".set" is appended
    files_.reports = {Data("report.txt")};
    Click("saveSettingsButton");
    Click("createReportButton");
    const QString settings = QtPath(Data("profile.set"));
    EXPECT_EQ(RunCli({"report", settings}, data_->path), ReadWholeFile(Data("report.txt")));

    files_.saves = {Data("missing/profile.set")};
    files_.reports = {Data("missing/report.txt")};
    Click("saveSettingsButton");
    Click("createReportButton");
    EXPECT_EQ(Aspect("messages"), "Cannot open file for writing. / Cannot open file for writing.");
}

TEST_F(MainWindowTest, AModeAddedInTheEditorIsSavedAsTheCommandLineToolRefreshesIt) {
    Do("choose", "voltageCombo=5V");  // A1 has RUN data at 5V and 85C only
    editor_.useDialog = true;
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {  // Cancel adds nothing
        ASSERT_TRUE(AnswerModal([this] { Click("addButton"); },
                                [&](QWidget* dialog) {
                                    EXPECT_EQ(prompter_.messages.size(), 1u);  // over the dialog
                                    Find<QLineEdit>(dialog, "durationEdit")->setText("250");
                                    QTest::keyClick(dialog, key);
                                },
                                window_.get()));
        EXPECT_EQ(Aspect("messages"),
                  "warning: There's no \"SLEEP\" mode data for\r\n5V voltage "
                  "and 85C temperature.\r\nThe data file is corrupted.");
    }
    EXPECT_EQ(Aspect("state"), "A1 5V 85C b0 [**]");
    const fs::path added = Data("added.set"), refreshed = Data("out.set");
    files_.saves = {added};
    Click("saveSettingsButton");
    RunCli({"refresh", QtPath(added), QtPath(refreshed)},
           data_->path);
    EXPECT_EQ(ReadWholeFile(refreshed), ReadWholeFile(added));
}

TEST_F(MainWindowTest, DeviceNotesAndAboutOpenOverTheWindow) {
    EXPECT_EQ(ReadModal([this] { Click("deviceNotesButton"); }),
              "Device Notes | Notes for A1, first line\nsecond line 5 \xb5"
              "A (read-only) | OK");

    // A right click opens the window menu, whose last entry is About; F1 opens About too.
    auto* menu = Find<QMenu>(window_.get(), "windowMenu");
    bool menuShown = false;
    QTimer::singleShot(0, menu, [&] {
        menuShown = QApplication::activePopupWidget() == menu;
        menu->close();
    });
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, {4, 4},
                                 window_->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(window_.get(), &rightClick);
    EXPECT_TRUE(menuShown);
    QAction* about = menu->actions().back();
    EXPECT_EQ(about->text(), "&About Veltra KDR Runwell...");
    const std::string aboutShown =
        "About Veltra KDR Runwell | Veltra KDR Runwell Version " + std::string(kVersion) +
        " | Battery life estimator | OK";
    EXPECT_EQ(ReadModal([about] { about->trigger(); }), aboutShown);
    EXPECT_TRUE(window_->isVisible());
}

}  // namespace
}  // namespace runwell::ui
