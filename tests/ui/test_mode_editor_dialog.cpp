// The mode editor dialog driven like a user would, by object name, over a scripted prompter.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/DeviceData.h"
#include "model/DeviceFile.h"
#include "model/ModeComputation.h"
#include "model/ModeEditor.h"
#include "model/ModeRecord.h"
#include "model/Prompter.h"
#include "ui/ModeEditorDialog.h"

namespace runwell::ui {
namespace {

// Operating modes in file order IDLE, RUN, SLEEP, STOP; STOP has rows only at 1.8V. At 3.3V and
// 25C: IDLE at 1MHZ and 4MHZ, RUN at 8MHZ, 4MHZ (without ADC) and 16MHZ, SLEEP at "0" only.
constexpr std::string_view kDevice =
    "KDR100,KDR101\n"
    "Test device\n"
    "Mode,Voltage,Temperature,Frequency,Base,Timer1 (XTAL),Timer1 (RCO),ADC,dRTC,hOSC,UART\n"
    "IDLE,3.3V,25C,4MHz,400,50,60,150,30,40,0\n"
    "IDLE,3.3V,25C,1MHz,300,50,60,150,30,40,0\n"
    "RUN,3.3V,25C,8MHz,1200,50,60,150,30,40,0\n"
    "RUN,3.3V,25C,4MHz,700,50,60,0,30,40,0\n"
    "RUN,3.3V,25C,16MHz,2500,50,60,150,30,40,0\n"
    "SLEEP,3.3V,25C,0,20,0,0,0,30,0,0\n"
    "STOP,1.8V,25C,0,5,0,0,0,0,0,0\n"
    "SLEEP,1.8V,25C,0,15,0,0,0,0,0,0\n";

// Column indexes of kDevice's peripherals.
constexpr std::size_t kXtal = 1;
constexpr std::size_t kRco = 2;
constexpr std::size_t kAdc = 3;
constexpr std::size_t kRtc = 4;

// The RUN rows at 8MHZ, in the list's order.
const QStringList kRunPeripherals = {"ADC<0.15 uA>", "RTC<30 nA>", "Timer1 (RCO)<60 nA>",
                                     "Timer1 (XTAL)<50 nA>"};

DeviceData Parse(std::string_view csv) {
    Result<DeviceData> device = ParseDeviceData(csv, "test.csv");
    if (!device) {
        throw std::runtime_error(device.error().message);
    }
    return std::move(device).value();
}

class RecordingPrompter : public Prompter {
public:
    struct Message {
        std::string text;
        MessageKind kind;
    };
    std::vector<Message> messages;

    void ShowMessage(const std::string& text, MessageKind kind) override {
        messages.push_back({text, kind});
    }
    bool AskOkCancel(const std::string& text, const std::string&) override {
        ADD_FAILURE() << "unexpected question: " << text;
        return false;
    }
    std::vector<std::string> Warnings() const {
        std::vector<std::string> texts;
        for (const Message& message : messages) {
            if (message.kind == MessageKind::Warning) {
                texts.push_back(message.text);
            }
        }
        return texts;
    }
};

template <typename T>
T* Child(QWidget* dialog, const char* name) {
    T* child = dialog->findChild<T*>(QString::fromLatin1(name));
    if (!child) {
        throw std::logic_error(std::string("the dialog has no ") + name);
    }
    return child;
}

QStringList Entries(const QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) {
        texts << combo->itemText(i);
    }
    return texts;
}

QStringList Entries(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

QStringList SelectedEntries(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected()) {
            texts << list->item(i)->text();
        }
    }
    return texts;
}

/// Picks `text` from the combo's drop-down list with the mouse.
void Choose(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text, Qt::MatchExactly);
    ASSERT_GE(index, 0) << text.toStdString();
    // What a click on the closed combo does: take the focus, then open the list.
    combo->setFocus(Qt::MouseFocusReason);
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(QTest::qWaitFor([view] { return view->isVisible(); }));
    const QPoint centre(view->viewport()->width() / 2,
                        view->visualRect(view->model()->index(index, 0)).center().y());
    QTest::mouseMove(view->viewport(), centre);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
    ASSERT_TRUE(QTest::qWaitFor([view] { return !view->isVisible(); }));
    ASSERT_EQ(combo->currentText(), text);
}

/// Clicks the peripheral entry `text`, which toggles it.
void Toggle(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << text.toStdString();
    list->scrollToItem(items.front());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(items.front()).center());
}

/// Replaces the text of a field as a user would, leaving the focus in it.
void Type(QLineEdit* field, const QString& text) {
    field->setFocus(Qt::MouseFocusReason);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

class ModeEditorDialogTest : public ::testing::Test {
protected:
    void Open(const ModeRecord* source, std::string_view csv = kDevice) {
        dialog_.reset();
        device_ = Parse(csv);
        dialog_ = std::make_unique<ModeEditorDialog>(device_, "3.3V", "25C", source, prompter_);
        dialog_->show();
        dialog_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
    }

    template <typename T>
    T* Find(const char* name) {
        return Child<T>(dialog_.get(), name);
    }
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
    QComboBox* Combo(const char* name) { return Find<QComboBox>(name); }
    QListWidget* Peripherals() { return Find<QListWidget>("peripheralsList"); }
    void ClickOk() { QTest::mouseClick(Find<QPushButton>("okButton"), Qt::LeftButton); }

    DeviceData device_;
    RecordingPrompter prompter_;
    std::unique_ptr<ModeEditorDialog> dialog_;
};

ModeRecord RunMode() {
    ModeRecord mode;
    mode.label = "Transmit";
    mode.operatingMode = "RUN";
    mode.frequency = "8MHZ";
    mode.peripheralFlags[kAdc] = 1;
    mode.peripheralFlags[kRtc] = 1;
    mode.duration = 1500.0f;
    mode.systemCurrent = 2000000.0f;
    return mode;
}

TEST_F(ModeEditorDialogTest, NewModeOpensOnTheFirstModeAndFrequency) {
    Open(nullptr);
    EXPECT_EQ(dialog_->windowTitle(), "Add/Modify mode");
    EXPECT_EQ(Edit("nameEdit")->text(), "*");
    EXPECT_EQ(Entries(Combo("operatingModeCombo")), QStringList({"IDLE", "RUN", "SLEEP", "STOP"}));
    EXPECT_EQ(Combo("operatingModeCombo")->currentText(), "IDLE");
    EXPECT_EQ(Entries(Combo("frequencyCombo")), QStringList({"1MHZ", "4MHZ"}));
    EXPECT_EQ(Combo("frequencyCombo")->currentText(), "1MHZ");
    EXPECT_TRUE(Combo("frequencyCombo")->isEnabled());
    EXPECT_EQ(Edit("durationEdit")->text(), "10");
    EXPECT_EQ(Combo("durationUnitCombo")->currentText(), "uS");
    EXPECT_EQ(Edit("systemCurrentEdit")->text(), "0");
    EXPECT_EQ(Combo("systemCurrentUnitCombo")->currentText(), "nA");
    EXPECT_EQ(Entries(Peripherals()), kRunPeripherals);
    EXPECT_EQ(SelectedEntries(Peripherals()), QStringList());
    // The IDLE row at 1MHZ: base 300 nA for 10 us.
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "0.3 uA");
    EXPECT_EQ(Edit("totalCurrentField")->text(), "0.3 uA");
    EXPECT_EQ(Edit("controllerChargeField")->text(), "3 nAmS");
    EXPECT_EQ(Edit("totalChargeField")->text(), "3 nAmS");
    EXPECT_TRUE(prompter_.messages.empty());
    EXPECT_EQ(QApplication::focusWidget(), Edit("durationEdit"));
}

TEST_F(ModeEditorDialogTest, ModifyShowsTheStoredModeInTheLargestFittingUnit) {
    const ModeRecord mode = RunMode();
    Open(&mode);
    EXPECT_EQ(Edit("nameEdit")->text(), "Transmit");
    EXPECT_EQ(Combo("operatingModeCombo")->currentText(), "RUN");
    EXPECT_EQ(Combo("frequencyCombo")->currentText(), "8MHZ");
    EXPECT_EQ(Edit("durationEdit")->text(), "1.5");
    EXPECT_EQ(Combo("durationUnitCombo")->currentText(), "mS");
    EXPECT_EQ(Edit("systemCurrentEdit")->text(), "2");
    EXPECT_EQ(Combo("systemCurrentUnitCombo")->currentText(), "mA");
    EXPECT_EQ(SelectedEntries(Peripherals()), QStringList({"ADC<0.15 uA>", "RTC<30 nA>"}));
    // 1200 + 150 + 30 nA in the controller, 2 mA more in the system.
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "1.38 uA");
    EXPECT_EQ(Edit("totalCurrentField")->text(), "2.001 mA");
}

TEST_F(ModeEditorDialogTest, FrequencyListIsEnabledOnlyWithAChoice) {
    Open(nullptr);
    Choose(Combo("operatingModeCombo"), "SLEEP");
    EXPECT_EQ(Entries(Combo("frequencyCombo")), QStringList({"0"}));
    EXPECT_EQ(Combo("frequencyCombo")->currentText(), "0");
    EXPECT_FALSE(Combo("frequencyCombo")->isEnabled());
    EXPECT_EQ(Entries(Peripherals()), QStringList({"RTC<30 nA>"}));
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "20 nA");

    Choose(Combo("operatingModeCombo"), "RUN");
    EXPECT_EQ(Entries(Combo("frequencyCombo")), QStringList({"16MHZ", "4MHZ", "8MHZ"}));
    EXPECT_TRUE(Combo("frequencyCombo")->isEnabled());
    EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(ModeEditorDialogTest, ModeChangeKeepsAFrequencyBeginningWithTheSameText) {
    Open(nullptr);
    // From IDLE at 1MHZ: RUN has no frequency beginning with "1MHZ" ("16MHZ" does not), so the
    // first is chosen.
    Choose(Combo("operatingModeCombo"), "RUN");
    EXPECT_EQ(Combo("frequencyCombo")->currentText(), "16MHZ");
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "2.5 uA");

    Choose(Combo("operatingModeCombo"), "IDLE");
    Choose(Combo("frequencyCombo"), "4MHZ");
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "0.4 uA");
    Choose(Combo("operatingModeCombo"), "RUN");
    EXPECT_EQ(Combo("frequencyCombo")->currentText(), "4MHZ");
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "0.7 uA");
}

TEST_F(ModeEditorDialogTest, FrequencyChangeDropsPeripheralsTheNewRowLacks) {
    Open(nullptr);
    Choose(Combo("operatingModeCombo"), "RUN");
    Choose(Combo("frequencyCombo"), "8MHZ");
    Toggle(Peripherals(), "ADC<0.15 uA>");
    Toggle(Peripherals(), "RTC<30 nA>");
    EXPECT_EQ(SelectedEntries(Peripherals()), QStringList({"ADC<0.15 uA>", "RTC<30 nA>"}));
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "1.38 uA");

    Choose(Combo("frequencyCombo"), "4MHZ");
    EXPECT_EQ(Entries(Peripherals()),
              QStringList({"RTC<30 nA>", "Timer1 (RCO)<60 nA>", "Timer1 (XTAL)<50 nA>"}));
    EXPECT_EQ(SelectedEntries(Peripherals()), QStringList({"RTC<30 nA>"}));
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "0.73 uA");

    Choose(Combo("frequencyCombo"), "8MHZ");
    EXPECT_EQ(Entries(Peripherals()), kRunPeripherals);
    EXPECT_EQ(SelectedEntries(Peripherals()), QStringList({"RTC<30 nA>"}));
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "1.23 uA");
    EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(ModeEditorDialogTest, SelectingAVariantDeselectsTheOthersOfItsGroup) {
    Open(nullptr);
    QListWidget* list = Peripherals();
    Toggle(list, "Timer1 (XTAL)<50 nA>");
    EXPECT_EQ(SelectedEntries(list), QStringList({"Timer1 (XTAL)<50 nA>"}));
    Toggle(list, "Timer1 (RCO)<60 nA>");
    EXPECT_EQ(SelectedEntries(list), QStringList({"Timer1 (RCO)<60 nA>"}));
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "0.36 uA");
    // An entry without '(' belongs to no group.
    Toggle(list, "ADC<0.15 uA>");
    Toggle(list, "RTC<30 nA>");
    EXPECT_EQ(SelectedEntries(list),
              QStringList({"ADC<0.15 uA>", "RTC<30 nA>", "Timer1 (RCO)<60 nA>"}));
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "0.54 uA");
    // A second click deselects.
    Toggle(list, "ADC<0.15 uA>");
    EXPECT_EQ(SelectedEntries(list), QStringList({"RTC<30 nA>", "Timer1 (RCO)<60 nA>"}));

    ClickOk();
    ASSERT_TRUE(dialog_->confirmedRecord().has_value());
    PeripheralFlags expected{};
    expected[kRco] = 1;
    expected[kRtc] = 1;
    EXPECT_EQ(dialog_->confirmedRecord()->peripheralFlags, expected);
    EXPECT_EQ(dialog_->confirmedRecord()->peripheralFlags[kXtal], 0);
}

TEST_F(ModeEditorDialogTest, TypedInputsAreCommittedWhenTheFocusMovesOn) {
    Open(nullptr);
    Type(Edit("durationEdit"), "1000");
    EXPECT_EQ(Edit("totalChargeField")->text(), "3 nAmS");  // not yet committed
    QTest::keyClick(Edit("durationEdit"), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Combo("durationUnitCombo"));
    EXPECT_EQ(Edit("controllerChargeField")->text(), "0.3 nAS");
    EXPECT_EQ(Edit("totalChargeField")->text(), "0.3 nAS");

    // A unit change commits at once.
    Choose(Combo("durationUnitCombo"), "mS");
    EXPECT_EQ(Edit("totalChargeField")->text(), "300 nAS");  // 300 nA for 1 s

    Type(Edit("systemCurrentEdit"), "1");
    Choose(Combo("systemCurrentUnitCombo"), "uA");
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "0.3 uA");
    EXPECT_EQ(Edit("totalCurrentField")->text(), "1.3 uA");
    EXPECT_TRUE(prompter_.messages.empty());

    ClickOk();
    ASSERT_TRUE(dialog_->confirmedRecord().has_value());
    EXPECT_EQ(dialog_->confirmedRecord()->duration, 1000000.0f);
    EXPECT_EQ(dialog_->confirmedRecord()->systemCurrent, 1000.0f);
    EXPECT_EQ(dialog_->confirmedRecord()->totalCurrent, 1300.0f);
}

TEST_F(ModeEditorDialogTest, OkTakesTheFieldsAsTyped) {
    Open(nullptr);
    Type(Edit("nameEdit"), QString::fromUtf8("Sensor \u00b0C"));
    // Typed and confirmed without leaving the field: OK reads it.
    Type(Edit("durationEdit"), "2.5");
    ClickOk();
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog_->isVisible());
    ASSERT_TRUE(dialog_->confirmedRecord().has_value());
    const ModeRecord& mode = *dialog_->confirmedRecord();
    EXPECT_EQ(mode.label,
              "Sensor \xb0"
              "C");  // kept as the bytes of the code page
    EXPECT_EQ(mode.operatingMode, "IDLE");
    EXPECT_EQ(mode.frequency, "1MHZ");
    EXPECT_EQ(mode.duration, 2.5f);
    EXPECT_EQ(mode.systemCurrent, 0.0f);
    EXPECT_EQ(mode.totalCurrent, 300.0f);
    EXPECT_EQ(mode.totalCharge, 750.0f);
    EXPECT_EQ(mode.peripheralFlags, PeripheralFlags{});
    EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(ModeEditorDialogTest, ConfirmingUnchangedStoresWhatIsShown) {
    struct Case {
        const char* name;
        std::string label;
        float duration;
        float expectedDuration;
        std::string expectedLabel;
    };
    const std::vector<Case> cases = {
        // Three decimals in the shown unit: 123.4567 us shows as 0.123 mS.
        {"rounded to the shown decimals", "Kept", 123.4567f, 123.0f, "Kept"},
        {"whole value", "", 10.0f, 10.0f, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModeRecord mode = RunMode();
        mode.label = c.label;
        mode.duration = c.duration;
        Open(&mode);
        ClickOk();
        ASSERT_TRUE(dialog_->confirmedRecord().has_value());
        EXPECT_EQ(dialog_->confirmedRecord()->duration, c.expectedDuration);
        EXPECT_EQ(dialog_->confirmedRecord()->systemCurrent, 2000000.0f);
        EXPECT_EQ(dialog_->confirmedRecord()->label, c.expectedLabel);
    }
}

TEST_F(ModeEditorDialogTest, EmptiedNameIsStoredEmpty) {
    const ModeRecord mode = RunMode();
    Open(&mode);
    QLineEdit* name = Edit("nameEdit");
    name->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(name, Qt::Key_Delete);
    EXPECT_EQ(name->text(), "");
    ClickOk();
    ASSERT_TRUE(dialog_->confirmedRecord().has_value());
    EXPECT_EQ(dialog_->confirmedRecord()->label, "");
}

TEST_F(ModeEditorDialogTest, ModeWithoutRowsIsRefusedAndTheDialogStaysOpen) {
    Open(nullptr);
    Choose(Combo("operatingModeCombo"), "STOP");
    EXPECT_EQ(Entries(Combo("frequencyCombo")), QStringList());
    EXPECT_FALSE(Combo("frequencyCombo")->isEnabled());
    EXPECT_EQ(Entries(Peripherals()), QStringList());
    EXPECT_EQ(Edit("controllerCurrentField")->text(), "0.3 uA");  // kept from IDLE
    EXPECT_TRUE(prompter_.messages.empty());                      // the rebuild is silent

    Type(Edit("durationEdit"), "7");  // not committed: OK reads it, and refuses
    ClickOk();

    ModeEditor editor(device_, "3.3V", "25C", nullptr);
    (void)editor.SelectOperatingMode(3);
    const std::string refusal = editor.Confirm("10", "0", "*").refusal;
    ASSERT_FALSE(refusal.empty());
    EXPECT_EQ(prompter_.Warnings(), std::vector<std::string>({refusal}));
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_NE(dialog_->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog_->confirmedRecord().has_value());
    EXPECT_EQ(Edit("durationEdit")->text(), "7");  // the typed text is not lost

    // Another mode can still be chosen and confirmed; leaving the field commits it first, which
    // on STOP finds no row.
    prompter_.messages.clear();
    Choose(Combo("operatingModeCombo"), "RUN");
    EXPECT_EQ(prompter_.Warnings(),
              std::vector<std::string>({MissingModeMessage("STOP", "3.3V", "25C", "")}));
    ClickOk();
    ASSERT_TRUE(dialog_->confirmedRecord().has_value());
    EXPECT_EQ(dialog_->confirmedRecord()->operatingMode, "RUN");
    EXPECT_EQ(dialog_->confirmedRecord()->duration, 7.0f);
}

TEST_F(ModeEditorDialogTest, LeavingAFieldOnAModeWithoutRowsWarns) {
    Open(nullptr);
    Choose(Combo("operatingModeCombo"), "STOP");
    Type(Edit("durationEdit"), "5");
    QTest::keyClick(Edit("durationEdit"), Qt::Key_Tab);
    EXPECT_EQ(prompter_.Warnings(),
              std::vector<std::string>({MissingModeMessage("STOP", "3.3V", "25C", "")}));
}

TEST_F(ModeEditorDialogTest, EveryWayOfCancellingHandsNothingBackAndCommitsNothing) {
    const std::vector<const char*> ways = {"Cancel button", "Escape", "close box"};
    for (const char* way : ways) {
        SCOPED_TRACE(way);
        prompter_.messages.clear();
        Open(nullptr);
        Toggle(Peripherals(), "ADC<0.15 uA>");
        // On a mode without rows every commit warns, so a commit while closing would show.
        Choose(Combo("operatingModeCombo"), "STOP");
        Type(Edit("systemCurrentEdit"), "12");
        const std::string_view how(way);
        if (how == "Cancel button") {
            QTest::mouseClick(Find<QPushButton>("cancelButton"), Qt::LeftButton);
        } else if (how == "Escape") {
            QTest::keyClick(Edit("systemCurrentEdit"), Qt::Key_Escape);
        } else {
            dialog_->close();
        }
        EXPECT_EQ(dialog_->result(), QDialog::Rejected);
        EXPECT_FALSE(dialog_->isVisible());
        EXPECT_FALSE(dialog_->confirmedRecord().has_value());
        EXPECT_TRUE(prompter_.messages.empty());
    }
}

TEST_F(ModeEditorDialogTest, TabVisitsTheInputsInOrderAndSkipsTheResults) {
    Open(nullptr);
    const std::vector<const char*> order = {
        "durationEdit", "durationUnitCombo",  "systemCurrentEdit", "systemCurrentUnitCombo",
        "nameEdit",     "operatingModeCombo", "frequencyCombo",    "peripheralsList",
        "okButton",     "cancelButton",       "durationEdit"};
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>(order.front()));
    for (std::size_t i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), order[i]);
    }
    // Passing through the list selects nothing; only a click or the space bar toggles.
    EXPECT_EQ(SelectedEntries(Peripherals()), QStringList());
    EXPECT_TRUE(prompter_.messages.empty());
    for (const char* name : {"controllerCurrentField", "totalCurrentField", "controllerChargeField",
                             "totalChargeField"}) {
        EXPECT_TRUE(Edit(name)->isReadOnly()) << name;
        EXPECT_FALSE(Edit(name)->focusPolicy() & Qt::TabFocus) << name;
    }
    EXPECT_TRUE(Find<QPushButton>("okButton")->isDefault());
    EXPECT_FALSE(Combo("operatingModeCombo")->isEditable());
    EXPECT_FALSE(Combo("frequencyCombo")->isEditable());
    EXPECT_EQ(Entries(Combo("durationUnitCombo")), QStringList({"uS", "mS", "S"}));
    EXPECT_EQ(Entries(Combo("systemCurrentUnitCombo")), QStringList({"nA", "uA", "mA"}));
    EXPECT_EQ(Peripherals()->selectionMode(), QAbstractItemView::MultiSelection);
}

/// Every caption is readable: no text is cut, and no two controls overlap, whatever the font.
TEST_F(ModeEditorDialogTest, CaptionsFitInDefaultAndLargeFonts) {
    Open(nullptr);
    for (const int pointSize : {0, 14}) {
        SCOPED_TRACE(pointSize);
        if (pointSize > 0) {
            QFont font = dialog_->font();
            font.setPointSize(pointSize);
            dialog_->setFont(font);
        }
        const QList<QLabel*> labels = dialog_->findChildren<QLabel*>();
        QStringList captions;
        for (const QLabel* label : labels) {
            captions << label->text();
            EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
                << label->text().toStdString();
            EXPECT_GE(label->height(), label->fontMetrics().height())
                << label->text().toStdString();
        }
        captions.sort();
        EXPECT_EQ(captions,
                  QStringList({"Additional System Current (optional)", "Clock Frequency",
                               "Duration", "Microcontroller Charge", "Microcontroller Current",
                               "Name (optional)", "Peripherals", "Tessel Operating Mode",
                               "Total Charge (uC + System)", "Total Current (uC + System)"}));

        QStringList titles;
        for (const QGroupBox* box : dialog_->findChildren<QGroupBox*>()) {
            titles << box->title();
            EXPECT_GT(box->width(), box->fontMetrics().horizontalAdvance(box->title()));
        }
        titles.sort();
        EXPECT_EQ(titles, QStringList({"Mode Settings", "Power Consumption",
                                       "Tessel Microcontroller Settings"}));

        // Controls other than the group boxes never overlap and stay inside the dialog.
        QList<QWidget*> controls;
        for (QWidget* child : dialog_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!qobject_cast<QGroupBox*>(child) && child->isVisible()) {
                controls << child;
            }
        }
        for (qsizetype i = 0; i < controls.size(); ++i) {
            EXPECT_TRUE(dialog_->rect().contains(controls[i]->geometry()))
                << controls[i]->objectName().toStdString();
            for (qsizetype j = i + 1; j < controls.size(); ++j) {
                EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                    << controls[i]->objectName().toStdString() << " / "
                    << controls[j]->objectName().toStdString();
            }
        }
        const QPushButton* ok = Find<QPushButton>("okButton");
        EXPECT_GE(ok->width(), ok->fontMetrics().horizontalAdvance(ok->text()));
    }
}

// The launcher as the main window uses it: modal, opening warnings shown over the dialog.

TEST(DialogModeEditorLauncher, ShowsTheMissingSleepMessageWhenItOpens) {
    const DeviceData device = Parse(
        "KDR100\nNotes\nMode,Voltage,Temperature,Frequency,Base,ADC\n"
        "RUN,3.3V,25C,8MHz,1200,150\n");
    RecordingPrompter prompter;
    std::vector<std::string> shownWhileOpen;
    bool visible = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<ModeEditorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        visible = dialog->isVisible();
        shownWhileOpen = prompter.Warnings();
        QTest::mouseClick(Child<QPushButton>(dialog, "cancelButton"), Qt::LeftButton);
    });
    DialogModeEditorLauncher launcher;
    const std::optional<ModeRecord> mode =
        launcher.Edit(nullptr, device, "3.3V", "25C", nullptr, prompter);
    EXPECT_FALSE(mode.has_value());
    EXPECT_TRUE(visible);
    EXPECT_EQ(shownWhileOpen, std::vector<std::string>({MissingSleepMessage("3.3V", "25C")}));
    EXPECT_EQ(prompter.messages.size(), 1u);
}

TEST(DialogModeEditorLauncher, HandsBackTheConfirmedRecordOrNothing) {
    const DeviceData device = Parse(kDevice);
    RecordingPrompter prompter;
    DialogModeEditorLauncher launcher;
    const ModeRecord source = RunMode();

    for (const bool confirm : {true, false}) {
        SCOPED_TRACE(confirm ? "OK" : "Cancel");
        QTimer::singleShot(0, [confirm] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            // A change first, so Cancel has something to drop.
            Toggle(Child<QListWidget>(dialog, "peripheralsList"), "RTC<30 nA>");
            QTest::mouseClick(Child<QPushButton>(dialog, confirm ? "okButton" : "cancelButton"),
                              Qt::LeftButton);
        });
        const std::optional<ModeRecord> mode =
            launcher.Edit(nullptr, device, "3.3V", "25C", &source, prompter);
        if (confirm) {
            ASSERT_TRUE(mode.has_value());
            ModeRecord expected = source;
            expected.peripheralFlags[kRtc] = 0;
            expected.totalCurrent = 2001350.0f;  // 1200 + 150 nA and 2 mA
            expected.totalCharge = 2001350.0f * 1500.0f;
            EXPECT_EQ(*mode, expected);
        } else {
            EXPECT_FALSE(mode.has_value());
        }
    }
    EXPECT_TRUE(prompter.messages.empty());
}

}  // namespace
}  // namespace runwell::ui
