#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/DeviceFile.h"
#include "model/ModeEditor.h"

namespace runwell {
namespace {

// Columns: 1 Timer1 (XTAL) runs from the hidden oscillator hOSC (5); 3 tWDT includes the SLEEP
// current; 4 is lower case so that sorting by bytes and ignoring case differ. RUN at 4MHz lacks
// the XTAL timer, IDLE at 4MHz lacks the adc, TURBO exists only at 1.8V, which has no SLEEP row.
constexpr const char* kDeviceCsv =
    "Test device\n"
    "Notes\n"
    "Mode,Voltage,Temperature,Frequency,Base,Timer1 (XTAL)[hOSC],Timer1 (RCO),tWDT,adc,hOSC,"
    "dUART,Comparator\n"
    "SLEEP,3.3V,25C,0,1000,0,0,1500,0,0,0,0\n"
    "RUN,3.3V,25C,16MHz,5000,300,200,1500,400,150,80,60\n"
    "RUN,3.3V,25C,4MHz,2000,0,100,1500,400,150,80,60\n"
    "IDLE,3.3V,25C,4MHz,1200,300,100,1500,0,150,80,60\n"
    "IDLE,3.3V,25C,16MHz,1600,300,200,1500,400,150,80,60\n"
    "TURBO,1.8V,25C,48MHz,9000,300,200,1500,400,150,80,60\n"
    "RUN,1.8V,25C,16MHz,4000,300,200,1500,400,150,80,60\n";

constexpr int kIdle = 0;
constexpr int kRun = 1;
constexpr int kSleep = 2;
constexpr int kTurbo = 3;

constexpr const char* kChooseMode = "No operating mode is selected. Choose an operating mode.";

DeviceData Device() {
    Result<DeviceData> device = ParseDeviceData(kDeviceCsv, "test.csv");
    EXPECT_TRUE(device.ok()) << (device.ok() ? "" : device.error().message);
    return device.ok() ? std::move(device).value() : DeviceData{};
}

std::vector<std::string> Texts(const std::vector<PeripheralEntry>& entries) {
    std::vector<std::string> texts;
    for (const PeripheralEntry& entry : entries) {
        texts.push_back(entry.text);
    }
    return texts;
}

/// Index of the entry whose text begins with `start`, or -1.
int Entry(const ModeEditor& editor, std::string_view start) {
    const std::vector<PeripheralEntry>& entries = editor.peripherals();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].text.starts_with(start)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool Selected(const ModeEditor& editor, std::string_view start) {
    const int entry = Entry(editor, start);
    EXPECT_GE(entry, 0) << start;
    return entry >= 0 && editor.peripherals()[static_cast<std::size_t>(entry)].selected;
}

int Flag(const ModeEditor& editor, std::size_t column) {
    return editor.record().peripheralFlags[column];
}

ModeRecord Source(std::string mode, std::string frequency) {
    ModeRecord record;
    record.label = "Sensor";
    record.operatingMode = std::move(mode);
    record.frequency = std::move(frequency);
    return record;
}

class ModeEditorTest : public ::testing::Test {
protected:
    DeviceData device_ = Device();
};

TEST_F(ModeEditorTest, NewModeOpensOnFirstModeAndFrequencyInTextOrder) {
    ModeEditor editor(device_, "3.3V", "25C", nullptr);

    EXPECT_EQ(std::vector<std::string>{}, editor.openingWarnings());
    EXPECT_EQ(1000u, editor.sleepCurrent());
    EXPECT_EQ("*", editor.name());
    EXPECT_EQ("*", editor.record().label);
    EXPECT_EQ((std::vector<std::string>{"IDLE", "RUN", "SLEEP", "TURBO"}), editor.operatingModes());
    EXPECT_EQ(kIdle, editor.operatingModeIndex());
    // By text, not by number: 16MHZ comes before 4MHZ.
    EXPECT_EQ((std::vector<std::string>{"16MHZ", "4MHZ"}), editor.frequencies());
    EXPECT_EQ(0, editor.frequencyIndex());
    EXPECT_TRUE(editor.frequencyEnabled());
    EXPECT_EQ("10", editor.durationText());
    EXPECT_EQ(0, editor.durationUnit());
    EXPECT_EQ("0", editor.systemCurrentText());
    EXPECT_EQ(0, editor.systemCurrentUnit());

    // Sorted ignoring case ('adc' first); the hidden hOSC is not offered; the 't' and 'd' markers
    // are dropped and WDT shows its value minus the SLEEP current (1500 - 1000).
    EXPECT_EQ(
        (std::vector<std::string>{"adc<0.4 uA>", "Comparator<60 nA>", "Timer1 (RCO)<0.2 uA>",
                                  "Timer1 (XTAL)<less than 0.3 uA>", "UART<80 nA>", "WDT<0.5 uA>"}),
        Texts(editor.peripherals()));
    const std::vector<int> columns{4, 7, 2, 1, 6, 3};
    for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(columns[i], editor.peripherals()[i].column) << i;
        EXPECT_FALSE(editor.peripherals()[i].selected) << i;
    }

    EXPECT_EQ("1.6 uA", editor.controllerCurrentText());
    EXPECT_EQ("1.6 uA", editor.totalCurrentText());
    EXPECT_EQ("16 nAmS", editor.controllerChargeText());
    EXPECT_EQ("16 nAmS", editor.totalChargeText());
    EXPECT_EQ(1600.0f, editor.record().totalCurrent);
    EXPECT_EQ(16000.0f, editor.record().totalCharge);
}

TEST_F(ModeEditorTest, ModifyShowsTheSourceInItsUnits) {
    ModeRecord source = Source("RUN", "4mhz");  // the frequency is found ignoring case
    source.duration = 1500.0f;
    source.systemCurrent = 2000000.0f;
    ModeEditor editor(device_, "3.3V", "25C", &source);

    EXPECT_EQ("Sensor", editor.name());
    EXPECT_EQ(kRun, editor.operatingModeIndex());
    EXPECT_EQ(1, editor.frequencyIndex());
    EXPECT_EQ("1.5", editor.durationText());
    EXPECT_EQ(1, editor.durationUnit());
    EXPECT_EQ("2", editor.systemCurrentText());
    EXPECT_EQ(2, editor.systemCurrentUnit());
    EXPECT_EQ("2 uA", editor.controllerCurrentText());
    EXPECT_EQ("2.002 mA", editor.totalCurrentText());
    EXPECT_EQ("3 nAS", editor.controllerChargeText());
}

TEST_F(ModeEditorTest, FrequencyListIsEnabledOnlyWithSeveralEntries) {
    ModeEditor editor(device_, "3.3V", "25C", nullptr);

    EXPECT_EQ(std::vector<std::string>{}, editor.SelectOperatingMode(kSleep));
    EXPECT_EQ(std::vector<std::string>{"0"}, editor.frequencies());
    EXPECT_EQ(0, editor.frequencyIndex());
    EXPECT_FALSE(editor.frequencyEnabled());
    EXPECT_EQ("1 uA", editor.controllerCurrentText());

    EXPECT_EQ(std::vector<std::string>{}, editor.SelectOperatingMode(kRun));
    EXPECT_TRUE(editor.frequencyEnabled());
}

TEST_F(ModeEditorTest, OperatingModeChangeKeepsAFrequencyThatBeginsTheSame) {
    ModeEditor editor(device_, "3.3V", "25C", nullptr);
    editor.SelectFrequency(1);
    ASSERT_EQ("4MHZ", editor.frequencies()[1]);

    editor.SelectOperatingMode(kRun);
    EXPECT_EQ(1, editor.frequencyIndex());  // 4MHZ kept
    EXPECT_EQ("2 uA", editor.controllerCurrentText());

    editor.SelectOperatingMode(kSleep);  // no 4MHZ: the first
    EXPECT_EQ(0, editor.frequencyIndex());

    editor.SelectOperatingMode(kIdle);  // no "0...": the first
    EXPECT_EQ(0, editor.frequencyIndex());
    EXPECT_EQ("16MHZ", editor.frequencies()[0]);
}

TEST_F(ModeEditorTest, FrequencyChangeDropsPeripheralsTheNewRowLacksForGood) {
    ModeRecord source = Source("RUN", "16MHZ");
    ModeEditor editor(device_, "3.3V", "25C", &source);
    editor.SetPeripheralSelected(Entry(editor, "Timer1 (XTAL)"), true);
    editor.SetPeripheralSelected(Entry(editor, "UART"), true);
    EXPECT_EQ("5.38 uA", editor.controllerCurrentText());

    editor.SelectFrequency(1);  // 4MHZ: no XTAL timer
    EXPECT_EQ(-1, Entry(editor, "Timer1 (XTAL)"));
    EXPECT_EQ(0, Flag(editor, 1));
    EXPECT_TRUE(Selected(editor, "UART"));
    EXPECT_EQ("2.08 uA", editor.controllerCurrentText());

    editor.SelectFrequency(0);  // back at 16MHZ the timer is offered again, but off
    EXPECT_FALSE(Selected(editor, "Timer1 (XTAL)"));
    EXPECT_EQ(0, Flag(editor, 1));
    EXPECT_TRUE(Selected(editor, "UART"));
    EXPECT_EQ(1, Flag(editor, 6));
    EXPECT_EQ("5.08 uA", editor.controllerCurrentText());
}

TEST_F(ModeEditorTest, SelectingAVariantDeselectsTheOthersOfItsGroup) {
    ModeRecord source = Source("RUN", "16MHZ");
    ModeEditor editor(device_, "3.3V", "25C", &source);

    EXPECT_EQ(std::vector<std::string>{},
              editor.SetPeripheralSelected(Entry(editor, "Timer1 (XTAL)"), true));
    EXPECT_EQ(1, Flag(editor, 1));
    EXPECT_EQ("5.3 uA", editor.controllerCurrentText());

    // RCO comes before XTAL in the list: the later entry is deselected.
    editor.SetPeripheralSelected(Entry(editor, "Timer1 (RCO)"), true);
    EXPECT_FALSE(Selected(editor, "Timer1 (XTAL)"));
    EXPECT_TRUE(Selected(editor, "Timer1 (RCO)"));
    EXPECT_EQ(0, Flag(editor, 1));
    EXPECT_EQ(1, Flag(editor, 2));
    EXPECT_EQ("5.2 uA", editor.controllerCurrentText());

    // And the other way round: the earlier entry is deselected and its flag cleared.
    editor.SetPeripheralSelected(Entry(editor, "Timer1 (XTAL)"), true);
    EXPECT_FALSE(Selected(editor, "Timer1 (RCO)"));
    EXPECT_EQ(0, Flag(editor, 2));
    EXPECT_EQ(1, Flag(editor, 1));

    // Entries without '(' never deselect anything.
    editor.SetPeripheralSelected(Entry(editor, "UART"), true);
    editor.SetPeripheralSelected(Entry(editor, "Comparator"), true);
    EXPECT_TRUE(Selected(editor, "Timer1 (XTAL)"));
    EXPECT_TRUE(Selected(editor, "UART"));
    EXPECT_TRUE(Selected(editor, "Comparator"));

    editor.SetPeripheralSelected(Entry(editor, "UART"), false);
    EXPECT_EQ(0, Flag(editor, 6));
    EXPECT_EQ("5.36 uA", editor.controllerCurrentText());

    // Out of range: nothing changes.
    const ModeRecord before = editor.record();
    EXPECT_EQ(std::vector<std::string>{}, editor.SetPeripheralSelected(-1, true));
    EXPECT_EQ(std::vector<std::string>{}, editor.SetPeripheralSelected(6, true));
    EXPECT_EQ(before, editor.record());
}

TEST_F(ModeEditorTest, TimedColumnCountsWithoutTheSleepCurrent) {
    ModeEditor editor(device_, "3.3V", "25C", nullptr);
    editor.SetPeripheralSelected(Entry(editor, "WDT"), true);
    EXPECT_EQ("2.1 uA", editor.controllerCurrentText());  // 1600 + 1500 - 1000
}

TEST_F(ModeEditorTest, CommitsStoreBaseUnitsAndRecompute) {
    ModeEditor editor(device_, "3.3V", "25C", nullptr);

    EXPECT_EQ(std::vector<std::string>{}, editor.CommitDuration("1.5", "0", 1));
    EXPECT_EQ(1500.0f, editor.record().duration);
    EXPECT_EQ("1.5", editor.durationText());
    EXPECT_EQ(1, editor.durationUnit());
    EXPECT_EQ("2.4 nAS", editor.totalChargeText());

    // The other field's text is taken as typed too.
    EXPECT_EQ(std::vector<std::string>{}, editor.CommitSystemCurrent("3", "2", 2));
    EXPECT_EQ(2000000.0f, editor.record().systemCurrent);
    EXPECT_EQ("3", editor.durationText());
    EXPECT_EQ(1500.0f, editor.record().duration);  // stored only by the duration commit
    EXPECT_EQ("1.6 uA", editor.controllerCurrentText());
    EXPECT_EQ("2.002 mA", editor.totalCurrentText());
    EXPECT_EQ(2001600.0f, editor.record().totalCurrent);
}

TEST_F(ModeEditorTest, ConfirmHandsBackTheFinishedRecord) {
    ModeRecord source = Source("RUN", "16MHZ");
    ModeEditor editor(device_, "3.3V", "25C", &source);
    editor.SetPeripheralSelected(Entry(editor, "Timer1 (XTAL)"), true);
    editor.SetPeripheralSelected(Entry(editor, "UART"), true);

    const ModeEditor::Confirmation done = editor.Confirm("2", "1", "");
    EXPECT_EQ(std::vector<std::string>{}, done.warnings);
    EXPECT_EQ("", done.refusal);
    ASSERT_TRUE(done.record.has_value());
    ModeRecord expected;
    expected.label = "";  // an emptied name stays empty
    expected.operatingMode = "RUN";
    expected.frequency = "16MHZ";
    expected.peripheralFlags[1] = 1;
    expected.peripheralFlags[6] = 1;
    expected.duration = 2.0f;  // units as shown: uS and nA
    expected.systemCurrent = 1.0f;
    expected.totalCurrent = 5381.0f;
    expected.totalCharge = 10762.0f;
    EXPECT_EQ(expected, *done.record);
}

TEST_F(ModeEditorTest, ConfirmingUnchangedKeepsThreeDecimalsOfTheShownUnit) {
    ModeRecord source = Source("IDLE", "16MHZ");
    source.duration = 123.4567f;
    source.systemCurrent = 100.5f;
    ModeEditor editor(device_, "3.3V", "25C", &source);
    ASSERT_EQ("0.123", editor.durationText());
    ASSERT_EQ("0.101", editor.systemCurrentText());

    const ModeEditor::Confirmation done =
        editor.Confirm(editor.durationText(), editor.systemCurrentText(), editor.name());
    ASSERT_TRUE(done.record.has_value());
    EXPECT_EQ("Sensor", done.record->label);
    EXPECT_EQ(123.0f, done.record->duration);
    EXPECT_EQ(101.0f, done.record->systemCurrent);
}

TEST_F(ModeEditorTest, ConfirmClearsFlagsTheListDoesNotShowAndCountsOnlyTheRest) {
    ModeRecord source = Source("RUN", "16MHZ");
    source.peripheralFlags[5] = 1;  // hidden hOSC, set by no editor
    source.peripheralFlags[6] = 1;  // UART
    source.peripheralFlags[4] = 2;  // adc, a damaged flag: shown on but not counted
    ModeEditor editor(device_, "3.3V", "25C", &source);
    EXPECT_TRUE(Selected(editor, "adc"));
    EXPECT_EQ("5.23 uA", editor.controllerCurrentText());  // 5000 + 150 + 80

    const ModeEditor::Confirmation done = editor.Confirm("10", "0", "Sensor");
    ASSERT_TRUE(done.record.has_value());
    PeripheralFlags expected{};
    expected[4] = 1;
    expected[6] = 1;
    EXPECT_EQ(expected, done.record->peripheralFlags);
    // The stored total counts exactly the stored flags.
    EXPECT_EQ(5480.0f, done.record->totalCurrent);
    EXPECT_EQ("5.48 uA", editor.controllerCurrentText());
}

TEST_F(ModeEditorTest, ModeWithoutDataHereCannotBeConfirmed) {
    ModeEditor editor(device_, "3.3V", "25C", nullptr);
    const std::string shown = editor.controllerCurrentText();

    EXPECT_EQ(std::vector<std::string>{}, editor.SelectOperatingMode(kTurbo));
    EXPECT_EQ(std::vector<std::string>{}, editor.frequencies());
    EXPECT_EQ(-1, editor.frequencyIndex());
    EXPECT_FALSE(editor.frequencyEnabled());
    EXPECT_EQ(0u, editor.peripherals().size());
    EXPECT_EQ(shown, editor.controllerCurrentText());  // the rebuild is silent

    // Every computation names the mode and an empty frequency.
    EXPECT_EQ(std::vector<std::string>{"There's no TURBO mode data for\r\n3.3V voltage, 25C "
                                       "temperature and\r\n frequency.\r\n"},
              editor.CommitDuration("20", "0", 0));
    EXPECT_EQ(0.0f, editor.record().totalCurrent);
    EXPECT_EQ(shown, editor.controllerCurrentText());

    const ModeRecord before = editor.record();
    const ModeEditor::Confirmation refused = editor.Confirm("30", "5", "Turbo");
    EXPECT_FALSE(refused.record.has_value());
    EXPECT_EQ(
        "The operating mode TURBO has no data at 3.3V and 25C. Choose another operating mode.",
        refused.refusal);
    EXPECT_EQ(before, editor.record());
    EXPECT_EQ("", editor.record().operatingMode);
}

TEST_F(ModeEditorTest, MissingSleepRowWarnsOnOpeningAndCountsZero) {
    ModeEditor editor(device_, "1.8V", "25C", nullptr);
    EXPECT_EQ(std::vector<std::string>{"There's no \"SLEEP\" mode data for\r\n1.8V voltage and 25C "
                                       "temperature.\r\nThe data file is corrupted."},
              editor.openingWarnings());
    EXPECT_EQ(0u, editor.sleepCurrent());
    // IDLE has no data at 1.8V: nothing is listed and nothing computed.
    EXPECT_EQ(kIdle, editor.operatingModeIndex());
    EXPECT_EQ(std::vector<std::string>{}, editor.frequencies());
    EXPECT_EQ("", editor.controllerCurrentText());

    editor.SelectOperatingMode(kRun);
    EXPECT_GE(Entry(editor, "WDT<1.5 uA>"), 0);
    EXPECT_EQ("4 uA", editor.controllerCurrentText());
}

TEST_F(ModeEditorTest, SourceModeTheDeviceDoesNotOfferMustBeChosenAgain) {
    ModeRecord source = Source("FAST", "4MHZ");
    source.totalCurrent = 77.0f;
    ModeEditor editor(device_, "3.3V", "25C", &source);
    EXPECT_EQ(std::vector<std::string>{"The device offers no operating mode FAST. Choose an "
                                       "operating mode."},
              editor.openingWarnings());
    EXPECT_EQ(-1, editor.operatingModeIndex());
    EXPECT_EQ(std::vector<std::string>{}, editor.frequencies());
    EXPECT_EQ(0u, editor.peripherals().size());
    EXPECT_EQ("", editor.totalCurrentText());
    EXPECT_EQ(77.0f, editor.record().totalCurrent);

    EXPECT_EQ(std::vector<std::string>{kChooseMode}, editor.CommitSystemCurrent("10", "1", 0));
    EXPECT_EQ(0.0f, editor.record().totalCurrent);
    EXPECT_EQ(1.0f, editor.record().systemCurrent);

    const ModeEditor::Confirmation refused = editor.Confirm("10", "1", "Sensor");
    EXPECT_FALSE(refused.record.has_value());
    EXPECT_EQ(kChooseMode, refused.refusal);

    // Choosing a mode brings back the source's frequency.
    editor.SelectOperatingMode(kRun);
    EXPECT_EQ(1, editor.frequencyIndex());
    const ModeEditor::Confirmation done = editor.Confirm("10", "1", "Sensor");
    ASSERT_TRUE(done.record.has_value());
    EXPECT_EQ("RUN", done.record->operatingMode);
    EXPECT_EQ("4MHZ", done.record->frequency);
    EXPECT_EQ(2001.0f, done.record->totalCurrent);
}

TEST_F(ModeEditorTest, SelectionsOutOfRangeMeanNoSelection) {
    ModeEditor editor(device_, "3.3V", "25C", nullptr);

    editor.SelectFrequency(5);
    EXPECT_EQ(-1, editor.frequencyIndex());
    EXPECT_EQ(0u, editor.peripherals().size());
    const ModeEditor::Confirmation noFrequency = editor.Confirm("10", "0", "x");
    EXPECT_FALSE(noFrequency.record.has_value());
    EXPECT_EQ("No clock frequency is selected. Choose a clock frequency.", noFrequency.refusal);

    editor.SelectOperatingMode(-7);
    EXPECT_EQ(-1, editor.operatingModeIndex());
    EXPECT_EQ(std::vector<std::string>{}, editor.frequencies());
    EXPECT_EQ(kChooseMode, editor.Confirm("10", "0", "x").refusal);
}

TEST_F(ModeEditorTest, DeviceWithoutRowsOpensEmpty) {
    const Result<DeviceData> empty =
        ParseDeviceData("Empty\nNotes\nMode,Voltage,Temperature,Frequency,Base\n", "empty.csv");
    ASSERT_TRUE(empty.ok());
    ModeEditor editor(*empty, "3.3V", "25C", nullptr);
    EXPECT_EQ(1u, editor.openingWarnings().size());
    EXPECT_EQ(-1, editor.operatingModeIndex());
    EXPECT_EQ(std::vector<std::string>{kChooseMode}, editor.CommitDuration("1", "0", 0));
    EXPECT_EQ(kChooseMode, editor.Confirm("1", "0", "").refusal);
}

}  // namespace
}  // namespace runwell
