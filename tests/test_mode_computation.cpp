#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "model/DeviceData.h"
#include "model/ModeComputation.h"
#include "model/ModeRecord.h"

namespace runwell {
namespace {

constexpr std::uint32_t kSleep = 1000;

/// A device at 3.3V and 25C with a SLEEP row (base kSleep) and one RUN row at 8MHZ: base 1200
/// and `values` in columns 1 and on, headed by `captions`.
DeviceData RunDevice(const std::vector<std::string>& captions,
                     const std::vector<std::int32_t>& values) {
    DeviceData device;
    device.columnNames.push_back("Base");
    device.columnNames.insert(device.columnNames.end(), captions.begin(), captions.end());
    DataRecord sleep{
        "SLEEP", "3.3V", "25C", "0", {},
    };
    sleep.values[0] = static_cast<std::int32_t>(kSleep);
    DataRecord run{
        "RUN", "3.3V", "25C", "8MHZ", {},
    };
    run.values[0] = 1200;
    for (std::size_t k = 0; k < values.size(); ++k) {
        run.values[k + 1] = values[k];
    }
    device.rows = {sleep, run};
    device.modeNames = {"SLEEP", "RUN"};
    device.voltageNames = {"3.3V"};
    device.temperatureNames = {"25C"};
    return device;
}

PeripheralFlags Selected(const std::vector<std::size_t>& columns) {
    PeripheralFlags flags{};
    for (const std::size_t k : columns) {
        flags[k] = 1;
    }
    return flags;
}

TEST(LookupSleepCurrent, FindsTheSleepRowOrWarns) {
    const DeviceData device = RunDevice({}, {});
    const SleepCurrent found = LookupSleepCurrent(device, "3.3V", "25C");
    EXPECT_EQ(found.nanoamps, kSleep);
    EXPECT_FALSE(found.warning.has_value());

    const SleepCurrent missing = LookupSleepCurrent(device, "5V", "25C");
    EXPECT_EQ(missing.nanoamps, 0u);
    ASSERT_TRUE(missing.warning.has_value());
    EXPECT_EQ(*missing.warning,
              "There's no \"SLEEP\" mode data for\r\n5V voltage and 25C temperature.\r\n"
              "The data file is corrupted.");
    EXPECT_EQ(MissingSleepMessage("3.3V", "-40C"),
              "There's no \"SLEEP\" mode data for\r\n3.3V voltage and -40C temperature.\r\n"
              "The data file is corrupted.");
}

TEST(UnitConversion, ScalesTypedNumbersToBaseUnits) {
    constexpr float kFloatMax = std::numeric_limits<float>::max();
    struct Case {
        const char* text;
        int unit;
        float expected;
    };
    const Case cases[] = {
        {"1.5", 1, 1500.0f},    {"10", 0, 10.0f},       {"2.5", 2, 2500000.0f},
        {"abc", 0, 0.0f},       {"abc", 1, 0.0f},       {"abc", 2, 0.0f},
        {"-3", 0, -3.0f},       {"0", 2, 0.0f},         {"7", -1, 7.0f},
        {"7", 3, 7.0f},         {"1e39", 0, kFloatMax}, {"-1e39", 0, -kFloatMax},
        {"1e38", 2, kFloatMax}, {" 4ms", 1, 4000.0f},   {"inf", 2, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToMicroseconds(c.text, c.unit), c.expected) << c.text << " unit " << c.unit;
        EXPECT_EQ(ToNanoamps(c.text, c.unit), c.expected) << c.text << " unit " << c.unit;
    }
    EXPECT_EQ(ToNanoamps("2", 2), 2000000.0f);
}

TEST(SplitForDisplay, PicksTheUnitByStrictThresholds) {
    struct Case {
        float value;
        int unit;
        const char* number;
    };
    const Case cases[] = {
        {0.0f, 0, "0"},          {10.0f, 0, "10"},
        {100.0f, 0, "100"},      {100.5f, 1, "0.101"},
        {123.4567f, 1, "0.123"}, {150.0f, 1, "0.15"},
        {100000.0f, 1, "100"},   {100001.0f, 2, "0.1"},
        {2500000.0f, 2, "2.5"},  {-3.0f, 0, "-3"},
        {12.3456f, 0, "12.346"}, {std::numeric_limits<float>::quiet_NaN(), 0, "0"},
    };
    for (const Case& c : cases) {
        const DisplaySplit split = SplitForDisplay(c.value);
        EXPECT_EQ(split.unitIndex, c.unit) << "value: " << c.value;
        EXPECT_EQ(split.number, c.number) << "value: " << c.value;
    }
    const DisplaySplit infinite = SplitForDisplay(std::numeric_limits<float>::infinity());
    EXPECT_EQ(infinite.unitIndex, 2);
    EXPECT_EQ(infinite.number, SplitForDisplay(std::numeric_limits<float>::max()).number);
}

TEST(BuildPeripheralEntries, ShowsNamesMarkersAndValues) {
    const DeviceData device =
        RunDevice({"dADC[OSC]", "tWDT", "Timer1", "hRCO", "CMP", "tLVD", "LCD(4 com)"},
                  {250, 1500, 80, 90, 0, 500, 3000});
    PeripheralFlags flags = Selected({2, 4, 5});
    flags[1] = 2;  // any non-zero flag shows as selected
    const std::vector<PeripheralEntry> entries = BuildPeripheralEntries(device, 1, flags, kSleep);

    // tLVD lies below the SLEEP current and shows a negative value.
    struct Expected {
        const char* text;
        int column;
        bool selected;
    };
    const Expected expected[] = {
        {"ADC<less than 0.25 uA>", 1, true}, {"WDT<0.5 uA>", 2, true},
        {"Timer1<80 nA>", 3, false},         {"LVD<-500 nA>", 6, false},
        {"LCD(4 com)<3 uA>", 7, false},
    };
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].text, expected[i].text);
        EXPECT_EQ(entries[i].column, expected[i].column);
        EXPECT_EQ(entries[i].selected, expected[i].selected);
    }
    EXPECT_EQ(flags[4], 1);  // hidden: no entry, flag unchanged
    EXPECT_EQ(flags[5], 0);  // absent from the row: flag dropped
    EXPECT_EQ(flags[1], 2);
}

TEST(BuildPeripheralEntries, NoRowGivesNoEntriesAndKeepsTheFlags) {
    const DeviceData device = RunDevice({"ADC", "CMP"}, {0, 0});
    PeripheralFlags flags = Selected({1, 2});
    EXPECT_TRUE(BuildPeripheralEntries(device, -1, flags, kSleep).empty());
    EXPECT_EQ(flags, Selected({1, 2}));
    EXPECT_TRUE(BuildPeripheralEntries(device, 1, flags, kSleep).empty());
    EXPECT_EQ(flags, PeripheralFlags{});
}

TEST(ControllerCurrent, CountsSelectedPeripheralsAndSharedSourcesOnce) {
    struct Case {
        const char* what;
        std::vector<std::string> captions;
        std::vector<std::int32_t> values;
        std::vector<std::size_t> selected;
        float expected;
    };
    const std::vector<std::string> shared{"tWDT", "Timer1",    "ADC[hOSC]",
                                          "hOSC", "CMP[hOSC]", "DAC[hOSC]"};
    const std::vector<std::int32_t> sharedValues{1500, 80, 300, 150, 200, 100};
    const Case cases[] = {
        {"nothing selected", shared, sharedValues, {}, 1200.0f},
        {"plain column", shared, sharedValues, {2}, 1280.0f},
        {"t column takes off SLEEP", shared, sharedValues, {1}, 1700.0f},
        {"t column below SLEEP", {"tWDT"}, {500}, {1}, 700.0f},
        {"one user of a source", shared, sharedValues, {3}, 1500.0f},
        {"the other user alone", shared, sharedValues, {5}, 1400.0f},
        {"two users of a source", shared, sharedValues, {3, 5}, 1200.0f + 300 + 200 - 150},
        {"three users of a source", shared, sharedValues, {3, 5, 6}, 1200.0f + 600 - 300},
        {"hidden source selected", shared, sharedValues, {4}, 1350.0f},
        {"source must match exactly",
         {"ADC[OSC]", "hOSC", "CMP[OSC]"},
         {300, 150, 200},
         {1, 3},
         1700.0f},
        {"unknown source",
         {"PWM[nosuch]", "LCD[nosuch]", "SPI[nosuch]"},
         {40, 60, 70},
         {1, 2, 3},
         1370.0f},
        {"absent peripheral", {"ADC", "CMP"}, {0, 25}, {1, 2}, 1225.0f},
        {"distinct sources", {"ADC[hA]", "CMP[hB]", "hA", "hB"}, {30, 40, 10, 20}, {1, 2}, 1270.0f},
    };
    for (const Case& c : cases) {
        const DeviceData device = RunDevice(c.captions, c.values);
        EXPECT_EQ(ControllerCurrent(device, 1, Selected(c.selected), kSleep), c.expected) << c.what;
    }
}

TEST(ControllerCurrent, OnlyAFlagOfExactlyOneCounts) {
    const DeviceData device = RunDevice({"ADC"}, {300});
    PeripheralFlags flags{};
    flags[1] = 2;
    EXPECT_EQ(ControllerCurrent(device, 1, flags, kSleep), 1200.0f);
}

ModeInputs RunInputs(const PeripheralFlags* flags) {
    ModeInputs inputs;
    inputs.operatingMode = "RUN";
    inputs.voltage = "3.3V";
    inputs.temperature = "25C";
    inputs.frequency = "8MHZ";
    inputs.flags = flags;
    inputs.sleepCurrent = kSleep;
    inputs.systemCurrentText = "0";
    inputs.durationText = "10";
    return inputs;
}

void ExpectFigures(const Result<ModeFigures>& result, float controller, float total,
                   float controllerCharge, float totalCharge) {
    ASSERT_TRUE(result.ok()) << result.error().message;
    EXPECT_EQ(result->controllerCurrent, controller);
    EXPECT_EQ(result->totalCurrent, total);
    EXPECT_EQ(result->controllerCharge, controllerCharge);
    EXPECT_EQ(result->totalCharge, totalCharge);
}

TEST(ComputeMode, ANewModeUsesTheBaseCurrentForTenMicroseconds) {
    const DeviceData device = RunDevice({"ADC"}, {300});
    const PeripheralFlags none{};
    ExpectFigures(ComputeMode(device, RunInputs(&none)), 1200.0f, 1200.0f, 12000.0f, 12000.0f);
    ExpectFigures(ComputeMode(device, RunInputs(nullptr)), 1200.0f, 1200.0f, 12000.0f, 12000.0f);
}

TEST(ComputeMode, AddsTheSystemCurrentAndScalesByTheDuration) {
    const DeviceData device = RunDevice({"ADC", "tWDT"}, {300, 1500});
    const PeripheralFlags flags = Selected({1, 2});
    ModeInputs inputs = RunInputs(&flags);
    inputs.systemCurrentText = "2";
    inputs.systemCurrentUnit = 2;  // mA
    inputs.durationText = "2";
    inputs.durationUnit = 1;  // mS
    // 1200 + 300 + 1500 - 1000 = 2000 nA in the controller.
    ExpectFigures(ComputeMode(device, inputs), 2000.0f, 2002000.0f, 4000000.0f, 4004000000.0f);

    inputs.systemCurrentText = "abc";
    inputs.durationText = "-3";
    inputs.durationUnit = 0;
    ExpectFigures(ComputeMode(device, inputs), 2000.0f, 2000.0f, -6000.0f, -6000.0f);
}

TEST(ComputeMode, HugeInputsStayFinite) {
    const DeviceData device = RunDevice({}, {});
    ModeInputs inputs = RunInputs(nullptr);
    inputs.systemCurrentText = "1e35";
    inputs.systemCurrentUnit = 2;
    inputs.durationText = "1e35";
    inputs.durationUnit = 2;
    constexpr float kFloatMax = std::numeric_limits<float>::max();
    ExpectFigures(ComputeMode(device, inputs), 1200.0f, kFloatMax, kFloatMax, kFloatMax);
}

TEST(ComputeMode, AMissingRowGivesTheMissingModeMessage) {
    const DeviceData device = RunDevice({}, {});
    ModeInputs inputs = RunInputs(nullptr);
    inputs.frequency = "";
    const Result<ModeFigures> result = ComputeMode(device, inputs);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().message,
              "There's no RUN mode data for\r\n3.3V voltage, 25C temperature and\r\n"
              " frequency.\r\n");

    inputs.frequency = "8mhz";  // labels compare exactly
    EXPECT_FALSE(ComputeMode(device, inputs).ok());
    EXPECT_EQ(MissingModeMessage("IDLE", "5V", "85C", "4MHZ"),
              "There's no IDLE mode data for\r\n5V voltage, 85C temperature and\r\n"
              "4MHZ frequency.\r\n");
}

}  // namespace
}  // namespace runwell
