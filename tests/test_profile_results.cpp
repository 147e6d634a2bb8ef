#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "model/BatteryCatalogue.h"
#include "model/ProfileResults.h"

namespace runwell {
namespace {

ModeRecord Mode(float duration, float totalCurrent) {
    ModeRecord mode;
    mode.duration = duration;
    mode.totalCurrent = totalCurrent;
    return mode;
}

BatteryRecord Battery(std::uint32_t capacityMah, float selfDischargeCurrent = 0.0f,
                      float maxContinuous = 0.0f, float maxPulse = 0.0f) {
    BatteryRecord battery;
    battery.description = "Test";
    battery.capacityMah = capacityMah;
    battery.selfDischargeCurrent = selfDischargeCurrent;
    battery.maxContinuousCurrent = maxContinuous;
    battery.maxPulseCurrent = maxPulse;
    return battery;
}

const std::vector<std::string> kNoColumns;

// --- Average, peak and warnings --------------------------------------------------------------

TEST(ProfileResults, OneModeWithTheIdealBattery) {
    const BatteryRecord ideal = IdealBattery();
    const ProfileResults r = ComputeProfileResults({Mode(1000.0f, 10000.0f)}, kNoColumns, &ideal);
    EXPECT_EQ(r.average, 10000.0f);
    EXPECT_EQ(r.peak, 10000u);
    EXPECT_EQ(r.averageText, "10 uA");
    EXPECT_EQ(r.peakText, "10 uA");
    EXPECT_FALSE(r.averageWarning);
    EXPECT_FALSE(r.peakWarning);
    EXPECT_EQ(r.lifeText, "11 years 151 days 16 hours");
    ASSERT_EQ(r.rows.size(), 1u);
}

TEST(ProfileResults, EmptyProfile) {
    const BatteryRecord ideal = IdealBattery();
    const ProfileResults r = ComputeProfileResults({}, kNoColumns, &ideal);
    EXPECT_TRUE(r.rows.empty());
    EXPECT_EQ(r.averageText, "0 nA");
    EXPECT_EQ(r.peakText, "0 nA");
    EXPECT_FALSE(r.averageWarning);
    EXPECT_FALSE(r.peakWarning);
    EXPECT_EQ(r.lifeText, "?");
}

TEST(ProfileResults, AverageIsWeightedByDuration) {
    const ProfileResults r = ComputeProfileResults(
        {Mode(1000.0f, 1000000.0f), Mode(999000.0f, 1000.0f)}, kNoColumns, nullptr);
    EXPECT_NEAR(r.average, 1999.0f, 0.001f);
    EXPECT_EQ(r.averageText, "1.999 uA");
    EXPECT_EQ(r.peak, 1000000u);
    EXPECT_EQ(r.peakText, "1 mA");
}

TEST(ProfileResults, StoredChargeIsNotUsed) {
    ModeRecord mode = Mode(10.0f, 500.0f);
    mode.totalCharge = 123456789.0f;
    const ProfileResults r = ComputeProfileResults({mode}, kNoColumns, nullptr);
    EXPECT_EQ(r.average, 500.0f);
}

TEST(ProfileResults, Peak) {
    struct Case {
        const char* name;
        std::vector<ModeRecord> modes;
        std::uint32_t peak;
        const char* peakText;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"truncated to whole nA", {Mode(10, 150.7f), Mode(10, 99.0f)}, 150u, "0.15 uA"},
        {"largest wins in any order", {Mode(10, 99.0f), Mode(10, 150.7f)}, 150u, "0.15 uA"},
        {"negative never exceeds", {Mode(10, -5000.0f)}, 0u, "0 nA"},
        {"NaN never exceeds", {Mode(10, nan), Mode(10, 7.0f)}, 7u, "7 nA"},
        {"saturates", {Mode(10, 1e20f)}, 4294967295u, "4294.967 mA"},
    };
    for (const Case& c : cases) {
        const ProfileResults r = ComputeProfileResults(c.modes, kNoColumns, nullptr);
        EXPECT_EQ(r.peak, c.peak) << c.name;
        EXPECT_EQ(r.peakText, c.peakText) << c.name;
    }
}

TEST(ProfileResults, CurrentLimits) {
    struct Case {
        const char* name;
        float current;
        float maxContinuous;
        float maxPulse;
        const char* averageText;
        const char* peakText;
    };
    const float above = std::nextafter(100000000.0f, 1e9f);
    const Case cases[] = {
        {"limits not given never warn", 1e9f, 0.0f, 0.0f, "1000 mA", "1000 mA"},
        {"equal is no warning", 100000000.0f, 100000000.0f, 100000000.0f, "100 mA", "100 mA"},
        {"below", 5000.0f, 100000000.0f, 100000000.0f, "5 uA", "5 uA"},
        {"just above", above, 100000000.0f, 100000000.0f, "100 mA (> cont. battery current)",
         "100 mA (> pulse battery current)"},
        {"only the continuous limit", 2e6f, 1e6f, 1e7f, "2 mA (> cont. battery current)", "2 mA"},
        {"only the pulse limit", 2e6f, 1e7f, 1e6f, "2 mA", "2 mA (> pulse battery current)"},
    };
    for (const Case& c : cases) {
        const BatteryRecord battery = Battery(1000, 0.0f, c.maxContinuous, c.maxPulse);
        const ProfileResults r = ComputeProfileResults({Mode(10, c.current)}, kNoColumns, &battery);
        EXPECT_EQ(r.averageText, c.averageText) << c.name;
        EXPECT_EQ(r.peakText, c.peakText) << c.name;
        const std::string averageText = c.averageText;
        const std::string peakText = c.peakText;
        EXPECT_EQ(r.averageWarning, averageText.find('>') != std::string::npos) << c.name;
        EXPECT_EQ(r.peakWarning, peakText.find('>') != std::string::npos) << c.name;
    }
}

TEST(ProfileResults, PeakWarningUsesTheWholePeak) {
    // 1000000.9 nA truncates to a peak of 1000000, which does not exceed a 1 mA pulse limit.
    const BatteryRecord battery = Battery(1000, 0.0f, 0.0f, 1000000.0f);
    EXPECT_FALSE(ComputeProfileResults({Mode(10, 1000000.9f)}, kNoColumns, &battery).peakWarning);
    EXPECT_TRUE(ComputeProfileResults({Mode(10, 1000001.0f)}, kNoColumns, &battery).peakWarning);
}

TEST(ProfileResults, NoBattery) {
    const ProfileResults r =
        ComputeProfileResults({Mode(10, 1e9f), Mode(20, 5.0f)}, kNoColumns, nullptr);
    EXPECT_EQ(r.rows.size(), 2u);
    EXPECT_FALSE(r.averageWarning);
    EXPECT_FALSE(r.peakWarning);
    EXPECT_EQ(r.peakText, "1000 mA");
    EXPECT_EQ(r.lifeText, "?");
}

// --- Battery life ----------------------------------------------------------------------------

TEST(ProfileResults, Life) {
    struct Case {
        const char* name;
        BatteryRecord battery;
        std::vector<ModeRecord> modes;
        const char* life;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"self-discharge adds to the load",
         Battery(220, 3055.5554f),
         {Mode(10, 5000.0f)},
         "3 years 42 days 22 hours"},
        {"one hour", Battery(1), {Mode(10, 1000000.0f)}, "  1 hour"},
        {"one day", Battery(24), {Mode(10, 1000000.0f)}, " 1 day 0 hours"},
        {"one year", Battery(8760), {Mode(10, 1000000.0f)}, "1 year  0 hours"},
        {"under an hour", Battery(1), {Mode(10, 2000000.0f)}, "?"},
        {"average 0", Battery(1000, 3055.5554f), {Mode(10, 0.0f)}, "?"},
        {"zero durations give a zero average", Battery(1000), {Mode(0, 5.0f), Mode(0, 7.0f)}, "?"},
        {"no capacity", Battery(0), {Mode(10, 1000.0f)}, "?"},
        // Capacity beyond 4294 mAh must not wrap: 10000 mAh at 1 mA is 10000 hours.
        {"large capacity", Battery(10000), {Mode(10, 1000000.0f)}, "1 year 51 days 16 hours"},
        {"beyond 2^31 hours",
         Battery(4000000000u),
         {Mode(1, 0.001f)},
         "456620976937742 years 95 days 8 hours"},
        {"saturates",
         Battery(4294967295u),
         {Mode(1, 1e-30f)},
         "1052896351239129 years 240 days 7 hours"},
        {"negative average", Battery(1), {Mode(10, -1000000.0f)}, "  -1 hours"},
        {"load cancelled by self-discharge",
         Battery(1000, 3055.5554f),
         {Mode(1, -3055.5554f)},
         "?"},
        {"NaN current", Battery(1000), {Mode(1, nan)}, "?"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ComputeProfileResults(c.modes, kNoColumns, &c.battery).lifeText, c.life)
            << c.name;
    }
}

TEST(FormatBatteryLife, Parts) {
    struct Case {
        std::int64_t hours;
        const char* text;
    };
    const Case cases[] = {
        {0, "?"},
        {1, "  1 hour"},
        {2, "  2 hours"},
        {23, "  23 hours"},
        {24, " 1 day 0 hours"},
        {25, " 1 day 1 hour"},
        {48, " 2 days 0 hours"},
        {8759, " 364 days 23 hours"},
        {8760, "1 year  0 hours"},
        {8761, "1 year  1 hour"},
        {8784, "1 year 1 day 0 hours"},
        {17520, "2 years  0 hours"},
        {27310, "3 years 42 days 22 hours"},
        {100000, "11 years 151 days 16 hours"},
        {2147483648, "245146 years 195 days 8 hours"},
        {1000000000000, "114155251 years 51 days 16 hours"},
        {-1, "  -1 hours"},
        {-25, " -1 days -1 hours"},
        {-8761, "-1 years  -1 hours"},
        {std::numeric_limits<std::int64_t>::max(), "1052896351239129 years 240 days 7 hours"},
        {std::numeric_limits<std::int64_t>::min(), "-1052896351239129 years -240 days -8 hours"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatBatteryLife(c.hours), c.text) << c.hours;
    }
}

// --- Mode rows -------------------------------------------------------------------------------

TEST(ModeRows, TimeShare) {
    struct Case {
        const char* name;
        std::vector<float> durations;
        std::vector<std::string> timeCells;
    };
    const Case cases[] = {
        {"half", {10000.0f, 10000.0f}, {"10 mS/50%", "10 mS/50%"}},
        {"under one percent", {5.0f, 999995.0f}, {"5 uS/<1%", "1 S/99%"}},
        {"truncated", {2.0f, 1.0f}, {"2 uS/66%", "1 uS/33%"}},
        {"single mode", {7.0f}, {"7 uS/100%"}},
        {"all durations zero", {0.0f, 0.0f}, {"0 uS/0%", "0 uS/0%"}},
        {"durations that cancel", {5.0f, -5.0f}, {"5 uS/0%", "-5 uS/0%"}},
    };
    for (const Case& c : cases) {
        std::vector<ModeRecord> modes;
        for (const float duration : c.durations) {
            modes.push_back(Mode(duration, 1.0f));
        }
        const ProfileResults r = ComputeProfileResults(modes, kNoColumns, nullptr);
        std::vector<std::string> timeCells;
        for (const ModeCells& row : r.rows) {
            timeCells.push_back(row[3]);
        }
        EXPECT_EQ(timeCells, c.timeCells) << c.name;
    }
}

TEST(ModeRows, AllCells) {
    const std::vector<std::string> columns = {"Base", "dADC[hOSC]", "tWDT", "Timer1"};
    ModeRecord mode = Mode(2500000.0f, 1500.0f);
    mode.label = "Measure";
    mode.operatingMode = "RUN";
    mode.frequency = "1MHZ";
    mode.totalCharge = 3750000000.0f;
    mode.peripheralFlags[1] = 1;
    mode.peripheralFlags[3] = 1;
    ModeRecord idle = Mode(2500000.0f, 2.0f);
    idle.label = "Idle";
    const BatteryRecord ideal = IdealBattery();
    const ProfileResults r = ComputeProfileResults({mode, idle}, columns, &ideal);
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0], (ModeCells{"Measure", "RUN", "1MHZ", "2.5 S/50%", "1.5 uA", "1.042 nAh",
                                    "ADC,Timer1"}));
    EXPECT_EQ(r.rows[1], (ModeCells{"Idle", "", "", "2.5 S/50%", "2 nA", "0 nAuS", ""}));
}

TEST(ModeRows, PeripheralsText) {
    struct Case {
        const char* name;
        std::vector<std::string> columns;
        std::vector<std::size_t> on;
        const char* text;
    };
    const Case cases[] = {
        {"markers and sources dropped",
         {"Base", "dADC[hOSC]", "tWDT", "Timer1"},
         {1, 2, 3},
         "ADC,WDT,Timer1"},
        {"none on", {"Base", "ADC"}, {}, ""},
        {"base column never shown", {"Base", "ADC"}, {0, 1}, "ADC"},
        {"flags beyond the captions", {"Base", "ADC"}, {1, 5, 39}, "ADC"},
        {"only lower-case d and t are markers",
         {"Base", "DAC", "Temp", "hRTC"},
         {1, 2, 3},
         "DAC,Temp,hRTC"},
        {"leading brackets skipped", {"Base", "[[UART]x"}, {1}, "UART]x"},
        {"a caption that is only a marker", {"Base", "d", "tWDT"}, {1, 2}, ",WDT"},
        {"no captions", {}, {1}, ""},
    };
    for (const Case& c : cases) {
        PeripheralFlags flags{};
        for (const std::size_t k : c.on) {
            flags[k] = 1;
        }
        EXPECT_EQ(PeripheralsText(flags, c.columns), c.text) << c.name;
    }
}

// Every row's share is taken of the whole profile's time, also deep into a long profile.
TEST(ModeRows, LongProfileSharesOneTotal) {
    // Sums that stay exact in single precision, so the figures are known.
    const std::vector<ModeRecord> modes(100000, Mode(1.0f, 100.0f));
    const BatteryRecord ideal = IdealBattery();
    const ProfileResults r = ComputeProfileResults(modes, kNoColumns, &ideal);
    EXPECT_EQ(r.rows.size(), modes.size());
    EXPECT_EQ(r.rows.back()[3], "1 uS/<1%");
    EXPECT_EQ(r.averageText, "100 nA");
}

}  // namespace
}  // namespace runwell
