#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "model/DeviceFile.h"
#include "model/ModeEditor.h"

namespace runwell {
namespace {

std::string FlagsText(const PeripheralFlags& flags) {
    std::string text = "flags";
    for (std::size_t k = 0; k < flags.size(); ++k) {
        text += flags[k] != 0 ? " " + std::to_string(k) : "";
    }
    return text;
}

/// Every field of a record; nine digits give every float back exactly.
std::string Describe(const ModeRecord& r) {
    std::ostringstream out;
    out << std::setprecision(9) << r.label << " | " << r.operatingMode << " " << r.frequency
        << " | " << FlagsText(r.peripheralFlags) << " | " << r.duration << " us " << r.systemCurrent
        << " nA " << r.totalCurrent << " nA " << r.totalCharge << " nAus";
    return out.str();
}

// editor/device.csv: Timer1 (XTAL) (column 1) runs from the hidden oscillator hOSC (5); tWDT (3)
// includes the SLEEP current; adc (4) is lower case so that sorting by bytes and ignoring case
// differ. RUN at 4MHz lacks the XTAL timer; TURBO exists only at 1.8V, which has no SLEEP row.
enum OperatingMode { kIdle, kRun, kSleep, kTurbo };
const std::vector<std::string> kNone;

/// What the dialog's lists show: operating mode, frequencies ([selected]; "fixed" when the list
/// is disabled) and peripherals (+: selected), then the controller current and the flags set.
/// `onlySelected` leaves out the operating mode, the frequencies and the peripherals that are off.
std::string State(const ModeEditor& e, bool onlySelected = false) {
    const int mode = e.operatingModeIndex();
    std::string s = mode < 0 ? "-" : e.operatingModes()[static_cast<std::size_t>(mode)];
    for (std::size_t i = 0; i < e.frequencies().size(); ++i) {
        const bool on = static_cast<int>(i) == e.frequencyIndex();
        s += on ? " [" + e.frequencies()[i] + "]" : " " + e.frequencies()[i];
    }
    s = onlySelected ? "" : s + (e.frequencyEnabled() ? " | " : " fixed | ");
    for (const PeripheralEntry& entry : e.peripherals()) {
        s += entry.selected ? "+" + entry.text + " " : onlySelected ? "" : entry.text + " ";
    }
    return s + "| " + e.controllerCurrentText() + " | " + FlagsText(e.record().peripheralFlags);
}

/// The fields: name, duration and system current with their units, total current and charges.
std::string Fields(const ModeEditor& e) {
    return e.name() + " | " + e.durationText() + " unit " + std::to_string(e.durationUnit()) +
           " | " + e.systemCurrentText() + " unit " + std::to_string(e.systemCurrentUnit()) +
           " | " + e.totalCurrentText() + ", " + e.controllerChargeText() + ", " +
           e.totalChargeText();
}

class ModeEditorTest : public ::testing::Test {
protected:
    const Result<DeviceData> device_ = LoadDeviceFile(RUNWELL_FIXTURES "/editor/device.csv");
    void SetUp() override { ASSERT_TRUE(device_.ok()) << device_.error().message; }
    ModeEditor Open(const ModeRecord* source, const char* voltage = "3.3V") {
        return ModeEditor(*device_, voltage, "25C", source);
    }
};

TEST_F(ModeEditorTest, NewModeOpensOnItsDefaults) {
    const ModeEditor e = Open(nullptr);
    EXPECT_EQ(e.openingWarnings(), kNone);
    // Frequencies by text (16MHZ before 4MHZ); peripherals sorted ignoring case, the hidden hOSC
    // left out, markers dropped, WDT less the SLEEP current (1500 - 1000).
    EXPECT_EQ(State(e),
              "IDLE [16MHZ] 4MHZ | adc<0.4 uA> Timer1 (RCO)<0.2 uA> Timer1 "
              "(XTAL)<less than 0.3 uA> UART<80 nA> WDT<0.5 uA> | 1.6 uA | flags");
    EXPECT_EQ(Fields(e), "* | 10 unit 0 | 0 unit 0 | 1.6 uA, 16 nAmS, 16 nAmS");
    EXPECT_EQ(Describe(e.record()), "* |   | flags | 10 us 0 nA 1600 nA 16000 nAus");
}

TEST_F(ModeEditorTest, ModifyAndFrequencyFollowingTheOperatingMode) {
    const std::string run4MHz =
        "RUN 16MHZ [4MHZ] | adc<0.4 uA> Timer1 (RCO)<100 nA> UART<80 nA> WDT<0.5 uA> | 2 uA | "
        "flags";
    // Modify shows the source's figures in their units; its frequency is found ignoring case.
    const ModeRecord source{.label = "Sensor",
                            .operatingMode = "RUN",
                            .frequency = "4mhz",
                            .duration = 1500.0f,
                            .systemCurrent = 2000000.0f};
    const ModeEditor modified = Open(&source);
    EXPECT_EQ(State(modified), run4MHz);
    EXPECT_EQ(Fields(modified), "Sensor | 1.5 unit 1 | 2 unit 2 | 2.002 mA, 3 nAS, 0.834 nAh");

    ModeEditor e = Open(nullptr);
    e.SelectFrequency(1);
    EXPECT_EQ(e.SelectOperatingMode(kRun), kNone);
    EXPECT_EQ(State(e), run4MHz);                     // 4MHZ kept
    EXPECT_EQ(e.SelectOperatingMode(kSleep), kNone);  // no 4MHZ: the first, and the only
    EXPECT_EQ(State(e), "SLEEP [0] fixed | WDT<0.5 uA> | 1 uA | flags");
    e.SelectOperatingMode(kIdle);  // nothing begins with "0": the first
    EXPECT_EQ(State(e).substr(0, 20), "IDLE [16MHZ] 4MHZ | ");
}

TEST_F(ModeEditorTest, VariantGroupsAndPeripheralsTheNewRowLacks) {
    const ModeRecord source{.label = "Sensor", .operatingMode = "RUN", .frequency = "16MHZ"};
    ModeEditor e = Open(&source);
    // The list: adc, Timer1 (RCO), Timer1 (XTAL), UART, WDT.
    const struct {
        int entry;
        const char* selection;
    } steps[] = {
        {2, "+Timer1 (XTAL)<less than 0.3 uA> | 5.3 uA | flags 1"},
        {1, "+Timer1 (RCO)<0.2 uA> | 5.2 uA | flags 2"},             // the XTAL variant off
        {2, "+Timer1 (XTAL)<less than 0.3 uA> | 5.3 uA | flags 1"},  // and the other way round
        {3, "+Timer1 (XTAL)<less than 0.3 uA> +UART<80 nA> | 5.38 uA | flags 1 6"},  // no '('
    };
    for (const auto& step : steps) {
        EXPECT_EQ(e.SetPeripheralSelected(step.entry, true), kNone);
        EXPECT_EQ(State(e, true), step.selection) << step.entry;
    }
    e.SelectFrequency(1);  // 4MHZ has no XTAL timer: its flag is cleared
    EXPECT_EQ(State(e),
              "RUN 16MHZ [4MHZ] | adc<0.4 uA> Timer1 (RCO)<100 nA> +UART<80 nA> WDT<0.5 uA> | 2.08 "
              "uA | flags 6");
    e.SelectFrequency(0);  // offered again, but off for good
    EXPECT_EQ(State(e, true), "+UART<80 nA> | 5.08 uA | flags 6");
    EXPECT_EQ(e.peripherals().at(2).text, "Timer1 (XTAL)<less than 0.3 uA>");
}

TEST_F(ModeEditorTest, ConfirmStoresWhatTheListShows) {
    ModeRecord source{.label = "Sensor",
                      .operatingMode = "RUN",
                      .frequency = "16MHZ",
                      .duration = 123.4567f,
                      .systemCurrent = 100.5f};
    source.peripheralFlags[5] = 1;  // the hidden hOSC, set by no editor
    source.peripheralFlags[6] = 1;  // UART
    source.peripheralFlags[4] = 2;  // adc, a damaged flag
    ModeEditor e = Open(&source);
    // 5000 + hOSC 150 + UART 80: the damaged adc flag is shown, but only a 1 counts.
    EXPECT_EQ(State(e),
              "RUN [16MHZ] 4MHZ | +adc<0.4 uA> Timer1 (RCO)<0.2 uA> "
              "Timer1 (XTAL)<less than 0.3 uA> +UART<80 nA> WDT<0.5 uA> | 5.23 uA | "
              "flags 4 5 6");

    // Confirmed unchanged: three decimals of the shown unit; an emptied name stays empty. The
    // stored total counts exactly the stored flags: 5000 + 400 + 80 + 101.
    const ModeEditor::Confirmation done = e.Confirm(e.durationText(), e.systemCurrentText(), "");
    EXPECT_EQ(done.warnings, kNone);
    EXPECT_EQ(Describe(done.record.value_or(ModeRecord{})),
              " | RUN 16MHZ | flags 4 6 | 123 us 101 nA 5581 nA 686463 nAus");
}

TEST_F(ModeEditorTest, ModeWithoutDataCannotBeConfirmed) {
    ModeEditor e = Open(nullptr);
    EXPECT_EQ(e.SelectOperatingMode(kTurbo), kNone);  // the rebuild is silent
    EXPECT_EQ(State(e), "TURBO fixed | | 1.6 uA | flags");
    EXPECT_EQ(e.CommitDuration("20", "0", 0).size(), 1u);  // no data, and says so
    const std::string before = Describe(e.record());
    const ModeEditor::Confirmation refused = e.Confirm("30", "5", "Turbo");
    EXPECT_FALSE(refused.record.has_value());
    EXPECT_EQ(
        refused.refusal,
        "The operating mode TURBO has no data at 3.3V and 25C. Choose another operating mode.");
    EXPECT_EQ(Describe(e.record()), before);

    // A source whose operating mode the device does not offer opens on none, to be chosen again.
    const ModeRecord fast{.label = "Sensor", .operatingMode = "FAST", .frequency = "4MHZ"};
    ModeEditor f = Open(&fast);
    EXPECT_EQ(f.openingWarnings(), std::vector<std::string>{"The device offers no operating mode "
                                                            "FAST. Choose an operating mode."});
    EXPECT_EQ(State(f), "- fixed | |  | flags");
    EXPECT_EQ(f.Confirm("10", "1", "Sensor").refusal,
              "No operating mode is selected. Choose an operating mode.");
    f.SelectOperatingMode(kRun);  // brings back the source's frequency
    EXPECT_EQ(Describe(f.Confirm("10", "1", "Sensor").record.value_or(ModeRecord{})),
              "Sensor | RUN 4MHZ | flags | 10 us 1 nA 2001 nA 20010 nAus");
}

TEST_F(ModeEditorTest, MissingSleepRowWarnsOnOpeningAndCountsZero) {
    ModeEditor e = Open(nullptr, "1.8V");
    EXPECT_EQ(e.openingWarnings(),
              std::vector<std::string>{"There's no \"SLEEP\" mode data for\r\n1.8V voltage and 25C "
                                       "temperature.\r\nThe data file is corrupted."});
    EXPECT_EQ(State(e), "IDLE fixed | |  | flags");  // IDLE has no data at 1.8V
    e.SelectOperatingMode(kRun);  // WDT counted whole: there is no SLEEP current to take off
    EXPECT_EQ(State(e),
              "RUN [16MHZ] fixed | adc<0.4 uA> Timer1 (RCO)<0.2 uA> "
              "Timer1 (XTAL)<less than 0.3 uA> UART<80 nA> WDT<1.5 uA> | 4 uA | flags");
}

}  // namespace
}  // namespace runwell
