// The main window driven as a user would: by object name, with scripted message boxes, file
// dialogs and mode editor, over a data folder written for each test.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ModalProbe.h"
#include "model/Messages.h"
#include "model/Workspace.h"
#include "persist/Report.h"
#include "persist/SettingsFile.h"
#include "ui/DialogUnits.h"
#include "ui/FileDialogs.h"
#include "ui/MainWindow.h"
#include "ui/ModeEditorLauncher.h"
#include "ui/Text.h"

namespace runwell::ui {
namespace {

namespace fs = std::filesystem;
using test_support::AnswerModal;

// Three devices whose files are visited in the order b3, a2, A1. A1 lists its voltages and
// temperatures out of order; its notes hold a quoted comma and the code-page byte 0xB5 (micro).
constexpr char kDeviceA1[] =
    "A1\r\n"
    "\"Notes for A1, first line\",second line 5 \xB5"
    "A\r\n"
    "Mode,Voltage,Temperature,Frequency,Base,UART,SPI\r\n"
    "RUN,5V,85C,1MHZ,1000,10,20\r\n"
    "RUN,1.8V,-40C,1MHZ,900,10,20\r\n"
    "RUN,3.3V,25C,1MHZ,950,10,20\r\n";
constexpr char kDeviceA2[] =
    "a2\r\n"
    "Notes for a2\r\n"
    "Mode,Voltage,Temperature,Frequency,Base,UART\r\n"
    "RUN,2V,25C,1MHZ,1000,10\r\n"
    "RUN,3V,85C,1MHZ,1000,10\r\n";
constexpr char kDeviceB3[] =
    "b3\r\n"
    "\r\n"
    "Mode,Voltage,Temperature,Frequency,Base,UART\r\n"
    "RUN,3V,0C,1MHZ,1000,10\r\n";
constexpr char kB3File[] = "1-b3.csv";

// Big has room for anything; Small allows 1000 nA continuous and 4000 nA pulse current.
constexpr char kBatteries[] =
    "Description,Capacity,Self discharge,Nominal V,Cont,Pulse,Notes\r\n"
    "Big,1000,0,3.0,10,100,roomy\r\n"
    "Small,100,0,3.0,0.001,0.004,tight\r\n";

const QColor kGreen(0, 127, 0);
const QColor kRed(255, 0, 0);

ModeRecord Mode(const std::string& label, float current) {
    ModeRecord mode;
    mode.label = label;
    mode.operatingMode = "RUN";
    mode.frequency = "1MHZ";
    mode.duration = 1000.0f;
    mode.totalCurrent = current;
    mode.totalCharge = current * 1000.0f;
    return mode;
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct Message {
    std::string text;
    MessageKind kind;
    friend bool operator==(const Message&, const Message&) = default;
};

void PrintTo(const Message& message, std::ostream* out) {
    *out << '"' << message.text << "\" kind " << static_cast<int>(message.kind);
}

/// Records every message and question; answers questions from a queue.
class ScriptedPrompter : public Prompter {
public:
    void ShowMessage(const std::string& text, MessageKind kind) override {
        messages.push_back({text, kind});
    }
    bool AskOkCancel(const std::string& text, const std::string& caption) override {
        questions.push_back(text);
        captions.push_back(caption);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<Message> messages;
    std::vector<std::string> questions;
    std::vector<std::string> captions;
    std::deque<bool> answers;
};

class ScriptedFileDialogs : public FileDialogs {
public:
    std::optional<fs::path> AskLoadSettings(QWidget*) override { return Next(loads); }
    std::optional<fs::path> AskSaveSettings(QWidget*) override { return Next(saves); }
    std::optional<fs::path> AskCreateReport(QWidget*) override { return Next(reports); }

    std::deque<std::optional<fs::path>> loads;
    std::deque<std::optional<fs::path>> saves;
    std::deque<std::optional<fs::path>> reports;

private:
    static std::optional<fs::path> Next(std::deque<std::optional<fs::path>>& queue) {
        if (queue.empty()) {
            ADD_FAILURE() << "unexpected file dialog";
            return std::nullopt;
        }
        std::optional<fs::path> next = queue.front();
        queue.pop_front();
        return next;
    }
};

/// Returns prepared records (nothing = Cancel) and records what each call was opened on.
class ScriptedModeEditor : public ModeEditorLauncher {
public:
    std::optional<ModeRecord> Edit(QWidget*, const DeviceData&, const std::string& voltage,
                                   const std::string& temperature, const ModeRecord* source,
                                   Prompter&) override {
        sources.push_back(source != nullptr ? std::optional<ModeRecord>(*source) : std::nullopt);
        voltages.push_back(voltage);
        temperatures.push_back(temperature);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected mode editor";
            return std::nullopt;
        }
        std::optional<ModeRecord> answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::optional<ModeRecord>> answers;
    std::vector<std::optional<ModeRecord>> sources;
    std::vector<std::string> voltages;
    std::vector<std::string> temperatures;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        folder_ = fs::path(QFile::encodeName(dir_.path()).toStdString());
        fs::create_directory(folder_ / "Data");
        WriteFile(folder_ / "Data" / kB3File, kDeviceB3);
        WriteFile(folder_ / "Data" / "2-a2.csv", kDeviceA2);
        WriteFile(folder_ / "Data" / "3-A1.csv", kDeviceA1);
        WriteFile(folder_ / "StandardBattery.csv", kBatteries);

        Result<Workspace> started = Workspace::Start(folder_, prompter_);
        ASSERT_TRUE(started.ok());
        ASSERT_TRUE(prompter_.messages.empty());
        workspace_.emplace(std::move(started).value());
        window_ = std::make_unique<MainWindow>(*workspace_, editor_, prompter_, files_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    template <typename T>
    T* Find(const char* name) const {
        T* widget = window_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QComboBox* Combo(const char* name) const { return Find<QComboBox>(name); }
    QTableWidget* List(const char* name) const { return Find<QTableWidget>(name); }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }
    QLineEdit* Field(const char* name) const { return Find<QLineEdit>(name); }

    static QStringList Entries(const QComboBox* combo) {
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i) {
            entries << combo->itemText(i);
        }
        return entries;
    }

    /// Picks entry `index` from the dropped-down list, as a user does with the keyboard.
    void Choose(const char* name, int index) const {
        QComboBox* combo = Combo(name);
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        ASSERT_TRUE(QTest::qWaitFor([view] { return view->isVisible(); }));
        view->setCurrentIndex(view->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);
    }

    void Click(const char* button) const { QTest::mouseClick(Button(button), Qt::LeftButton); }

    void ClickRow(const char* name, int row) const {
        QTableWidget* list = List(name);
        const QRect cell = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }

    void DoubleClickRow(const char* name, int row) const {
        QTableWidget* list = List(name);
        const QPoint point = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, point);
    }

    /// A click in the list's empty part, below its rows.
    void ClickBelowRows(const char* name) const {
        QTableWidget* list = List(name);
        const int rowsBottom = list->rowCount() * list->rowHeight(0);
        ASSERT_LT(rowsBottom + 5, list->viewport()->height());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          QPoint(10, list->viewport()->height() - 3));
    }

    void AddMode(const ModeRecord& mode) {
        editor_.answers.push_back(mode);
        Click("addButton");
    }

    /// Battery Small and two modes, both over its continuous limit on average.
    void BuildProfile() {
        ClickRow("batteryList", 1);
        AddMode(Mode("M1", 2000));
        AddMode(Mode("M2", 5000));
    }

    std::vector<std::string> ModeLabels() const {
        std::vector<std::string> labels;
        QTableWidget* list = List("modeList");
        for (int row = 0; row < list->rowCount(); ++row) {
            labels.push_back(FromDisplay(list->item(row, 0)->text()));
        }
        return labels;
    }

    /// The row shown as the current one (in bold), or -1.
    int HotRow(const char* name) const {
        QTableWidget* list = List(name);
        int hot = -1;
        for (int row = 0; row < list->rowCount(); ++row) {
            if (list->item(row, 0)->font().bold()) {
                EXPECT_EQ(hot, -1) << "two rows are shown as current";
                hot = row;
            }
        }
        return hot;
    }

    std::string Selected(const char* combo) const {
        return FromDisplay(Combo(combo)->currentText());
    }

    QTemporaryDir dir_;
    fs::path folder_;
    ScriptedPrompter prompter_;
    ScriptedModeEditor editor_;
    ScriptedFileDialogs files_;
    std::optional<Workspace> workspace_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, StartsWithTheFirstDeviceInSortedOrderAndAnEmptyProfile) {
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Quennel KDR Runwell v1.30"));
    EXPECT_FALSE(window_->windowIcon().isNull());
    EXPECT_EQ(Entries(Combo("deviceCombo")), QStringList({"A1", "a2", "b3"}));
    EXPECT_EQ(Combo("deviceCombo")->currentIndex(), 0);
    EXPECT_EQ(Entries(Combo("voltageCombo")), QStringList({"1.8V", "3.3V", "5V"}));
    EXPECT_EQ(Combo("voltageCombo")->currentIndex(), 0);
    EXPECT_EQ(Entries(Combo("temperatureCombo")), QStringList({"85C", "-40C", "25C"}));
    EXPECT_EQ(Combo("temperatureCombo")->currentIndex(), 0);

    QTableWidget* batteries = List("batteryList");
    ASSERT_EQ(batteries->rowCount(), 2);
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(FromDisplay(batteries->item(1, column)->text()),
                  workspace_->batteryRows()[1][static_cast<std::size_t>(column)]);
    }
    EXPECT_EQ(HotRow("batteryList"), 0);
    EXPECT_EQ(List("modeList")->rowCount(), 0);
    EXPECT_FALSE(Button("removeButton")->isEnabled());
    EXPECT_FALSE(Button("modifyButton")->isEnabled());
    EXPECT_TRUE(Button("addButton")->isEnabled());
    EXPECT_EQ(Field("averageCurrentField")->text(), ToDisplay(workspace_->results().averageText));
    EXPECT_EQ(Field("batteryLifeField")->text(), ToDisplay(workspace_->results().lifeText));
    for (const char* field : {"batteryLifeField", "averageCurrentField", "peakCurrentField"}) {
        EXPECT_TRUE(Field(field)->isReadOnly()) << field;
    }
    for (QPushButton* button : window_->findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault() || button->autoDefault()) << button->text().toStdString();
    }
    for (const char* name : {"deviceNotesButton", "loadSettingsButton", "saveSettingsButton",
                             "createReportButton", "quitButton"}) {
        EXPECT_TRUE(Button(name)->isEnabled()) << name;
    }
}

TEST_F(MainWindowTest, ListColumnsTakeTheirShareOfTheListsFirstWidth) {
    // Both lists are 420 units wide in the design; the last column is as wide as the list.
    const int width = DialogUnits::Of(window_->font()).X(420);
    struct Expected {
        const char* list;
        std::vector<std::pair<const char*, int>> columns;
    };
    const std::vector<Expected> lists = {{"modeList",
                                          {{"Label", width / 8},
                                           {"Mode", width / 8},
                                           {"Frequency", width / 6},
                                           {"Time", width / 8},
                                           {"Current", width / 8},
                                           {"Charge", width / 8},
                                           {"Peripherals", width}}},
                                         {"batteryList",
                                          {{"Description", width / 6},
                                           {"Capacity", width / 8},
                                           {"Self-discharge", width / 5},
                                           {"Nominal V", width / 9},
                                           {"Max cont. I", width / 8},
                                           {"Max pulse I", width / 8},
                                           {"Notes", width}}}};
    for (const Expected& expected : lists) {
        QTableWidget* list = List(expected.list);
        ASSERT_EQ(list->columnCount(), 7);
        EXPECT_TRUE(list->showGrid());
        EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        for (int i = 0; i < 7; ++i) {
            const auto& [heading, columnWidth] = expected.columns[static_cast<std::size_t>(i)];
            EXPECT_EQ(list->horizontalHeaderItem(i)->text(), QString::fromLatin1(heading));
            EXPECT_EQ(list->columnWidth(i), columnWidth) << heading;
        }
    }
}

TEST_F(MainWindowTest, WindowIsLaidOutByTheResizeRulesAndNeverShrinksBelowItsFirstSize) {
    const DialogUnits units = DialogUnits::Of(window_->font());
    EXPECT_EQ(window_->minimumSize(), units.Size(446, 345));
    const auto check = [&] {
        // Only the lefts and the battery list's top are read from the controls.
        MainWindowGeometry current;
        current.batteryList = List("batteryList")->geometry();
        current.modeList = List("modeList")->geometry();
        current.addButton = Button("addButton")->geometry();
        const MainWindowGeometry expected =
            LayoutMainWindow(window_->size(), current, LayoutScale{units.ScaleX(), units.ScaleY()});
        EXPECT_EQ(List("batteryList")->geometry(), expected.batteryList);
        EXPECT_EQ(List("modeList")->geometry(), expected.modeList);
        EXPECT_EQ(Button("removeButton")->geometry(), expected.removeButton);
        EXPECT_EQ(Button("quitButton")->geometry(), expected.quitButton);
        EXPECT_GT(List("modeList")->height(), 0);
    };
    check();
    window_->resize(window_->size() + QSize(120, 90));
    check();
    window_->resize(QSize(100, 100));
    EXPECT_EQ(window_->size(), window_->minimumSize());
    check();
}

TEST_F(MainWindowTest, ChangingASelectorWithAnEmptyProfileAsksNothing) {
    Choose("deviceCombo", 1);
    EXPECT_EQ(Selected("deviceCombo"), "a2");
    EXPECT_EQ(Entries(Combo("voltageCombo")), QStringList({"2V", "3V"}));
    EXPECT_EQ(Entries(Combo("temperatureCombo")), QStringList({"25C", "85C"}));
    Choose("voltageCombo", 1);
    Choose("temperatureCombo", 1);
    EXPECT_EQ(workspace_->voltage(), "3V");
    EXPECT_EQ(workspace_->temperature(), "85C");
    EXPECT_TRUE(prompter_.questions.empty());
    EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(MainWindowTest, CancelPutsBackTheRememberedEntryAndChangesNothing) {
    struct Case {
        const char* combo;
        int pick;
        const char* question;
    };
    const Case cases[] = {{"deviceCombo", 2, msg::kSwitchDevices},
                          {"voltageCombo", 2, msg::kSwitchVoltages},
                          {"temperatureCombo", 1, msg::kSwitchTemperatures}};
    AddMode(Mode("M1", 500));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.combo);
        const int before = Combo(c.combo)->currentIndex();
        prompter_.answers.push_back(false);
        Choose(c.combo, c.pick);
        ASSERT_FALSE(prompter_.questions.empty());
        EXPECT_EQ(prompter_.questions.back(), c.question);
        EXPECT_EQ(prompter_.captions.back(), "Warning");
        EXPECT_EQ(Combo(c.combo)->currentIndex(), before);
        EXPECT_EQ(ModeLabels(), std::vector<std::string>({"M1"}));
    }
    EXPECT_EQ(Selected("deviceCombo"), "A1");
    EXPECT_EQ(Selected("voltageCombo"), "1.8V");
    EXPECT_EQ(Selected("temperatureCombo"), "85C");

    // After an accepted device change, which selects the first voltage, Cancel puts back that
    // first voltage, not the one chosen before the change.
    prompter_.answers = {true};
    Choose("voltageCombo", 2);
    EXPECT_EQ(Selected("voltageCombo"), "5V");
    AddMode(Mode("M2", 500));
    prompter_.answers = {true};
    Choose("deviceCombo", 1);
    EXPECT_EQ(Selected("deviceCombo"), "a2");
    EXPECT_TRUE(ModeLabels().empty());
    Choose("deviceCombo", 0);  // an empty profile: nothing is asked
    EXPECT_EQ(Selected("voltageCombo"), "1.8V");
    AddMode(Mode("M3", 500));
    prompter_.answers = {false};
    Choose("voltageCombo", 1);
    EXPECT_EQ(Selected("voltageCombo"), "1.8V");
    EXPECT_EQ(ModeLabels(), std::vector<std::string>({"M3"}));
    EXPECT_TRUE(prompter_.answers.empty());
}

TEST_F(MainWindowTest, AcceptedChangeEmptiesTheProfileAndKeepsTheBattery) {
    ClickRow("batteryList", 1);
    AddMode(Mode("M1", 500));
    prompter_.answers = {true};
    Choose("voltageCombo", 1);
    EXPECT_TRUE(ModeLabels().empty());
    EXPECT_FALSE(Button("removeButton")->isEnabled());
    EXPECT_EQ(Selected("voltageCombo"), "3.3V");
    EXPECT_EQ(Selected("deviceCombo"), "A1");
    EXPECT_EQ(Selected("temperatureCombo"), "85C");
    EXPECT_EQ(workspace_->batteryIndex(), 1);
    EXPECT_EQ(HotRow("batteryList"), 1);
}

TEST_F(MainWindowTest, BatteryChangesOnlyByClicksAndRecomputesWithItsLimits) {
    AddMode(Mode("M1", 2000));  // over Small's continuous limit, under its pulse limit
    QLineEdit* average = Field("averageCurrentField");
    QLineEdit* peak = Field("peakCurrentField");
    EXPECT_EQ(average->palette().color(QPalette::Text), kGreen);

    ClickRow("batteryList", 1);
    EXPECT_EQ(workspace_->batteryIndex(), 1);
    EXPECT_EQ(HotRow("batteryList"), 1);
    EXPECT_TRUE(average->text().endsWith(QStringLiteral(" (> cont. battery current)")))
        << average->text().toStdString();
    EXPECT_EQ(average->palette().color(QPalette::Text), kRed);
    EXPECT_EQ(peak->palette().color(QPalette::Text), kGreen);
    EXPECT_EQ(Field("batteryLifeField")->text(), ToDisplay(workspace_->results().lifeText));

    // The keyboard moves the list's selection but not the current battery.
    const QString life = Field("batteryLifeField")->text();
    QTest::keyClick(List("batteryList"), Qt::Key_Up);
    EXPECT_EQ(List("batteryList")->currentRow(), 0);
    EXPECT_EQ(workspace_->batteryIndex(), 1);
    EXPECT_EQ(HotRow("batteryList"), 1);
    EXPECT_EQ(average->palette().color(QPalette::Text), kRed);
    EXPECT_EQ(Field("batteryLifeField")->text(), life);

    // The next click, even below the rows, takes the most recently selected row.
    ClickBelowRows("batteryList");
    EXPECT_EQ(workspace_->batteryIndex(), 0);
    EXPECT_EQ(HotRow("batteryList"), 0);
    EXPECT_EQ(average->palette().color(QPalette::Text), kGreen);
}

TEST_F(MainWindowTest, RemoveAndModifyActOnTheLastRowAfterRecomputingAndOnAClickedRowOtherwise) {
    for (const char* label : {"M1", "M2", "M3", "M4"}) {
        AddMode(Mode(label, 500));
    }
    EXPECT_EQ(HotRow("modeList"), 3);
    Click("removeButton");
    EXPECT_EQ(ModeLabels(), std::vector<std::string>({"M1", "M2", "M3"}));
    EXPECT_EQ(HotRow("modeList"), 2);

    // Modify with OK keeps the modified row current.
    ClickRow("modeList", 1);
    EXPECT_EQ(HotRow("modeList"), 1);
    editor_.answers.push_back(Mode("M2b", 700));
    Click("modifyButton");
    ASSERT_EQ(editor_.sources.size(), 5u);
    EXPECT_EQ(editor_.sources.back(), Mode("M2", 500));
    EXPECT_EQ(editor_.voltages.back(), "1.8V");
    EXPECT_EQ(editor_.temperatures.back(), "85C");
    EXPECT_EQ(ModeLabels(), std::vector<std::string>({"M1", "M2b", "M3"}));
    EXPECT_EQ(workspace_->modes()[1], Mode("M2b", 700));
    EXPECT_EQ(HotRow("modeList"), 1);

    // Modify with Cancel changes nothing and keeps the same row current.
    ClickRow("modeList", 0);
    editor_.answers.push_back(std::nullopt);
    Click("modifyButton");
    EXPECT_EQ(editor_.sources.back(), Mode("M1", 500));
    EXPECT_EQ(ModeLabels(), std::vector<std::string>({"M1", "M2b", "M3"}));
    EXPECT_EQ(HotRow("modeList"), 0);
    Click("removeButton");
    EXPECT_EQ(ModeLabels(), std::vector<std::string>({"M2b", "M3"}));
    EXPECT_EQ(HotRow("modeList"), 1);

    // The rebuilt list has no selected row, so a click below the rows means the first.
    ClickBelowRows("modeList");
    EXPECT_EQ(HotRow("modeList"), 0);
    // A double click is Modify on the clicked row.
    editor_.answers.push_back(Mode("M3b", 900));
    DoubleClickRow("modeList", 1);
    EXPECT_EQ(editor_.sources.back(), Mode("M3", 500));
    EXPECT_EQ(ModeLabels(), std::vector<std::string>({"M2b", "M3b"}));
    EXPECT_EQ(HotRow("modeList"), 1);

    // A battery click recomputes: the last row is current again.
    ClickRow("modeList", 0);
    ClickRow("batteryList", 0);
    EXPECT_EQ(HotRow("modeList"), 1);

    Click("removeButton");
    Click("removeButton");
    EXPECT_TRUE(ModeLabels().empty());
    EXPECT_FALSE(Button("removeButton")->isEnabled());
    EXPECT_FALSE(Button("modifyButton")->isEnabled());
}

TEST_F(MainWindowTest, EnterDoesNothingWhereverTheFocusIs) {
    QSignalSpy finished(window_.get(), &QDialog::finished);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             window_.get(), List("batteryList"), List("modeList"), Combo("deviceCombo"),
             Field("averageCurrentField"), Button("addButton"), Button("quitButton")}) {
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Return);
        QTest::keyClick(widget, Qt::Key_Enter, Qt::KeypadModifier);
    }
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(editor_.sources.empty());
}

TEST_F(MainWindowTest, QuitEscapeAndTheCloseBoxEndTheWindow) {
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"Quit", [this] { Click("quitButton"); }},
        {"Escape", [this] { QTest::keyClick(List("batteryList"), Qt::Key_Escape); }},
        {"close box", [this] { window_->close(); }}};
    for (const auto& [name, close] : ways) {
        SCOPED_TRACE(name);
        AddMode(Mode("unsaved", 500));
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        QSignalSpy finished(window_.get(), &QDialog::finished);
        close();
        EXPECT_FALSE(window_->isVisible());
        EXPECT_EQ(finished.count(), 1);
        EXPECT_TRUE(prompter_.questions.empty());
    }
}

TEST_F(MainWindowTest, AFailedDeviceChangeKeepsTheLoadedDeviceAndTheProfile) {
    AddMode(Mode("M1", 500));
    fs::remove(folder_ / "Data" / kB3File);
    prompter_.answers = {true};
    Choose("deviceCombo", 2);
    EXPECT_EQ(prompter_.messages,
              std::vector<Message>({{msg::kCannotOpenDeviceFile, MessageKind::Plain}}));
    EXPECT_EQ(Selected("deviceCombo"), "A1");
    EXPECT_EQ(Entries(Combo("voltageCombo")), QStringList({"1.8V", "3.3V", "5V"}));
    EXPECT_EQ(ModeLabels(), std::vector<std::string>({"M1"}));
}

struct LoadCase {
    const char* name;
    std::function<std::string()> file;  // nothing: the file does not exist
    std::deque<bool> answers;           // to the device question
    std::vector<Message> messages;
    const char* device;
    const char* voltage;
    const char* temperature;
    int battery;
    std::vector<std::string> modes;
};

void PrintTo(const LoadCase& c, std::ostream* out) {
    *out << c.name;
}

std::string SettingsFile(const char* device, const char* voltage, const char* temperature,
                         std::int32_t battery) {
    return SerializeSettings(
        {device, voltage, temperature, battery, {Mode("F1", 300), Mode("F2", 400)}});
}

// Before each load: A1 at 1.8V and 85C, battery Big, one mode "OLD".
const LoadCase kLoadCases[] = {
    {"Loaded",
     [] { return SettingsFile("a2", "3V", "85C", 1); },
     {true},
     {},
     "a2",
     "3V",
     "85C",
     1,
     {"F1", "F2"}},
    {"Unreadable",
     nullptr,
     {},
     {{msg::kCannotOpenForReading, MessageKind::Plain}},
     "A1",
     "1.8V",
     "85C",
     0,
     {"OLD"}},
    {"NoSuchDevice",
     [] { return SettingsFile("zz", "3V", "85C", 1); },
     {},
     {{msg::kCannotSetDevice, MessageKind::Plain}},
     "A1",
     "1.8V",
     "85C",
     0,
     {"OLD"}},
    {"DeviceQuestionDeclined",
     [] { return SettingsFile("a2", "3V", "85C", 1); },
     {false},
     {},
     "A1",
     "1.8V",
     "85C",
     0,
     {"OLD"}},
    {"NoSuchVoltage",
     [] { return SettingsFile("a2", "9V", "85C", 1); },
     {true},
     {{msg::kCannotSetVoltage, MessageKind::Plain}},
     "a2",
     "2V",
     "25C",
     0,
     {}},
    {"NoSuchTemperature",
     [] { return SettingsFile("a2", "3V", "99C", 1); },
     {true},
     {{msg::kCannotSetTemperature, MessageKind::Plain}},
     "a2",
     "3V",
     "25C",
     0,
     {}},
    {"NoSuchBattery",
     [] { return SettingsFile("a2", "3V", "85C", 2); },
     {true},
     {{msg::kCannotSetBattery, MessageKind::Plain}},
     "a2",
     "3V",
     "85C",
     0,
     {}},
    {"EndsInTheSecondMode",
     [] {
         const std::string bytes = SettingsFile("a2", "3V", "85C", 1);
         return bytes.substr(0, bytes.size() - 10);
     },
     {true},
     {{msg::kFileEndsEarly, MessageKind::Error}},
     "a2",
     "3V",
     "85C",
     1,
     {"F1"}},
};

class LoadSettingsTest : public MainWindowTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadSettingsTest, LeavesTheStateOfTheLastStepThatSucceeded) {
    const LoadCase& c = GetParam();
    AddMode(Mode("OLD", 500));
    const fs::path path = folder_ / "profile.set";
    if (c.file) {
        WriteFile(path, c.file());
    }
    prompter_.answers = c.answers;
    files_.loads.push_back(path);
    Click("loadSettingsButton");

    EXPECT_EQ(prompter_.messages, c.messages);
    EXPECT_TRUE(prompter_.answers.empty()) << "the device question was not asked";
    EXPECT_EQ(Selected("deviceCombo"), c.device);
    EXPECT_EQ(Selected("voltageCombo"), c.voltage);
    EXPECT_EQ(Selected("temperatureCombo"), c.temperature);
    EXPECT_EQ(HotRow("batteryList"), c.battery);
    EXPECT_EQ(ModeLabels(), c.modes);
    EXPECT_EQ(HotRow("modeList"), static_cast<int>(c.modes.size()) - 1);
    EXPECT_EQ(Button("removeButton")->isEnabled(), !c.modes.empty());
    EXPECT_EQ(Field("averageCurrentField")->text(), ToDisplay(workspace_->results().averageText));
}

INSTANTIATE_TEST_SUITE_P(MainWindow, LoadSettingsTest, ::testing::ValuesIn(kLoadCases),
                         [](const ::testing::TestParamInfo<LoadCase>& tested) {
                             return std::string(tested.param.name);
                         });

TEST_F(MainWindowTest, FileButtonsWriteTheirFileOrShowWhyNot) {
    BuildProfile();
    // Cancelled dialogs do nothing.
    files_.loads.push_back(std::nullopt);
    files_.saves.push_back(std::nullopt);
    files_.reports.push_back(std::nullopt);
    Click("loadSettingsButton");
    Click("saveSettingsButton");
    Click("createReportButton");
    EXPECT_EQ(ModeLabels(), std::vector<std::string>({"M1", "M2"}));

    files_.saves.push_back(folder_ / "profile");
    Click("saveSettingsButton");
    EXPECT_EQ(ReadFile(folder_ / "profile.set"), SerializeSettings(SettingsOf(*workspace_)));
    files_.reports.push_back(folder_ / "report.txt");
    Click("createReportButton");
    const std::string report = ReadFile(folder_ / "report.txt");
    EXPECT_EQ(report, BuildReport(*workspace_));
    EXPECT_NE(report.find("(> cont. battery current)"), std::string::npos);
    EXPECT_TRUE(prompter_.messages.empty());

    files_.saves.push_back(folder_ / "missing" / "profile.set");
    Click("saveSettingsButton");
    files_.reports.push_back(folder_ / "missing" / "report.txt");
    Click("createReportButton");
    EXPECT_EQ(prompter_.messages,
              std::vector<Message>({{msg::kCannotOpenForWriting, MessageKind::Plain},
                                    {msg::kCannotOpenForWriting, MessageKind::Plain}}));
}

TEST_F(MainWindowTest, ReportIsWhatTheCommandLineToolWritesForTheSavedSettings) {
    const QString cli = QStringLiteral(RUNWELL_BIN_DIR "/runwell-cli");
    if (!QFile::exists(cli)) {
        GTEST_SKIP() << "runwell-cli is not built";
    }
    BuildProfile();
    files_.saves.push_back(folder_ / "profile.set");
    Click("saveSettingsButton");
    files_.reports.push_back(folder_ / "report.txt");
    Click("createReportButton");

    QProcess process;
    process.start(cli,
                  {QStringLiteral("report"), QFile::decodeName((folder_ / "profile.set").c_str()),
                   QStringLiteral("--data"), dir_.path()});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(process.readAllStandardOutput().toStdString(), ReadFile(folder_ / "report.txt"));
}

TEST_F(MainWindowTest, DeviceNotesShowsTheDecodedNotesReadOnly) {
    QString notes;
    bool readOnly = false;
    QString title;
    const bool opened =
        AnswerModal([this] { Click("deviceNotesButton"); },
                    [&](QWidget* dialog) {
                        title = dialog->windowTitle();
                        auto* text = dialog->findChild<QPlainTextEdit*>("notesText");
                        ASSERT_NE(text, nullptr);
                        notes = text->toPlainText();
                        readOnly = text->isReadOnly();
                        EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
                        QTest::keyClick(dialog, Qt::Key_Escape);
                    },
                    window_.get());
    ASSERT_TRUE(opened);
    EXPECT_EQ(title, QStringLiteral("Device Notes"));
    EXPECT_EQ(notes, QString::fromUtf8("Notes for A1, first line\nsecond line 5 \u00B5A"));
    EXPECT_TRUE(readOnly);
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, AboutBoxOpensFromTheWindowMenuAndWithF1) {
    auto* menu = window_->findChild<QMenu*>(QStringLiteral("windowMenu"));
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    QAction* about = actions.back();
    EXPECT_EQ(about->text(), QStringLiteral("&About Veltra KDR Runwell..."));

    // A right click on the window opens the menu.
    bool menuShown = false;
    QTimer::singleShot(0, menu, [&] {
        menuShown = QApplication::activePopupWidget() == menu;
        menu->close();
    });
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(4, 4),
                                 window_->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(window_.get(), &rightClick);
    EXPECT_TRUE(menuShown);

    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"menu", [about] { about->trigger(); }},
        {"F1", [this] { QTest::keyClick(window_.get(), Qt::Key_F1); }},
        {"F1 in a list", [this] { QTest::keyClick(List("modeList"), Qt::Key_F1); }}};
    for (const auto& [name, open] : ways) {
        SCOPED_TRACE(name);
        QString title;
        QStringList texts;
        const bool opened = AnswerModal(
            open,
            [&](QWidget* dialog) {
                title = dialog->windowTitle();
                for (QLabel* label : dialog->findChildren<QLabel*>()) {
                    texts << label->text();
                }
                auto* ok = dialog->findChild<QPushButton*>();
                ASSERT_NE(ok, nullptr);
                EXPECT_TRUE(ok->isDefault());
                ok->click();
            },
            window_.get());
        ASSERT_TRUE(opened);
        EXPECT_EQ(title, QStringLiteral("About Veltra KDR Runwell"));
        EXPECT_TRUE(texts.contains(QStringLiteral("Veltra KDR Runwell Version 1.30")))
            << texts.join('|').toStdString();
        EXPECT_EQ(texts.size(), 2);
    }
    EXPECT_TRUE(window_->isVisible());
}

}  // namespace
}  // namespace runwell::ui
