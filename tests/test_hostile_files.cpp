// Device and battery files written to break the readers: huge lines, too many entries, bytes
// outside ASCII, and numbers beyond every range. Each loads or is refused with a message, and
// nothing shows an infinity or a NaN. The sanitizer build runs these to prove there is no
// undefined behaviour on the way.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "model/BatteryCatalogue.h"
#include "model/DeviceData.h"
#include "model/DeviceFile.h"
#include "model/Format.h"
#include "model/ModeComputation.h"
#include "model/Numbers.h"
#include "model/ProfileResults.h"

namespace runwell {
namespace {

constexpr std::size_t kTenMegabytes = std::size_t{10} << 20;
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

/// Number texts beyond every range, and what ReadInteger makes of each: the leading decimal
/// digits, saturated at the 32-bit limits.
struct HostileNumber {
    const char* text;
    std::int32_t integer;
    double real;  // what ReadReal makes of it: no infinities, no NaN, no hexadecimal
};
const HostileNumber kHostileNumbers[] = {
    {"1e39", 1, 1e39},
    {"-0", 0, -0.0},
    {"99999999999999999999", kIntMax, 1e20},
    {"-99999999999999999999", kIntMin, -1e20},
    {"nan", 0, 0.0},
    {"inf", 0, 0.0},
    {"0x1F", 0, 0.0},
};

/// True when a number's text shows an infinity or a NaN.
bool ShowsNonFinite(std::string_view text) {
    return text.find("inf") != std::string_view::npos || text.find("nan") != std::string_view::npos;
}

std::string Repeat(std::string_view unit, std::size_t totalSize) {
    std::string text;
    text.reserve(totalSize + unit.size());
    while (text.size() < totalSize) {
        text += unit;
    }
    return text;
}

/// A device file: line 1 names the device, then the notes, the header and the table.
std::string DeviceFile(std::string_view notes, std::string_view header, std::string_view table) {
    std::string content = "KDR100\n";
    content.append(notes).append("\n").append(header).append("\n").append(table);
    return content;
}

constexpr std::string_view kHeader = "Mode,Voltage,Temperature,Frequency,Base,ADC";
constexpr std::string_view kSleepLine = "SLEEP,3V,25C,0,50\n";

// --- Device files: lines of 10 MB -----------------------------------------------------------

TEST(HostileDeviceFile, TenMegabyteLinesLoadOrAreRefused) {
    const std::string ten(kTenMegabytes, 'x');
    struct Case {
        const char* what;
        std::string content;
        const char* refusal;  // nullptr: the file loads
        std::function<void(const DeviceData&)> check;
    };
    const Case cases[] = {
        {"notes line of one word", DeviceFile(ten, kHeader, kSleepLine), nullptr,
         [&](const DeviceData& d) { EXPECT_EQ(d.deviceNotes, ten); }},
        {"notes line of commas and quotes",
         DeviceFile(Repeat("a,\"b,c\"", kTenMegabytes), kHeader, kSleepLine), nullptr,
         [](const DeviceData& d) {
             EXPECT_EQ(d.deviceNotes.size(), kTenMegabytes / 7 * 6 + 6);
             EXPECT_EQ(d.deviceNotes.substr(0, 11), "a\r\nb,ca\r\nb,");
         }},
        {"caption line with one caption of 10 MB",
         DeviceFile("n", "Mode,Voltage,Temperature,Frequency,Base," + ten, kSleepLine), nullptr,
         [&](const DeviceData& d) {
             ASSERT_EQ(d.columnNames.size(), 2u);
             EXPECT_EQ(d.columnNames[1], ten);
         }},
        {"caption line of a million captions",
         DeviceFile("n", "Mode,Voltage,Temperature,Frequency" + Repeat(",C", kTenMegabytes),
                    kSleepLine),
         "line 3 has more than 40 value columns.", nullptr},
        {"caption line of commas around one caption",
         DeviceFile("n",
                    "Mode,Voltage,Temperature,Frequency" + std::string(kTenMegabytes, ',') +
                        "Base" + std::string(kTenMegabytes, ','),
                    kSleepLine),
         nullptr,
         [](const DeviceData& d) { EXPECT_EQ(d.columnNames, std::vector<std::string>{"Base"}); }},
        {"data line with a label of 10 MB", DeviceFile("n", kHeader, "run" + ten + ",3V,25C,1,7\n"),
         nullptr,
         [](const DeviceData& d) {
             ASSERT_EQ(d.rows.size(), 1u);
             EXPECT_EQ(d.rows[0].modeName, "RUN" + std::string(kTenMegabytes, 'X'));
             EXPECT_EQ(d.modeNames, std::vector<std::string>{std::string(d.rows[0].modeName)});
         }},
        {"data line with a number of 10 MB digits",
         DeviceFile("n", kHeader,
                    "SLEEP,3V,25C,0,1" + std::string(kTenMegabytes, '9') + ",-" +
                        std::string(kTenMegabytes, '9') + "\n"),
         nullptr,
         [](const DeviceData& d) {
             ASSERT_EQ(d.rows.size(), 1u);
             EXPECT_EQ(d.rows[0].values[0], kIntMax);
             EXPECT_EQ(d.rows[0].values[1], kIntMin);
         }},
        {"data line of a million numbers",
         DeviceFile("n", kHeader, "SLEEP,3V,25C,0" + Repeat(",7", kTenMegabytes) + "\n"), nullptr,
         [](const DeviceData& d) {
             ASSERT_EQ(d.rows.size(), 1u);
             std::array<std::int32_t, kMaxEntries> sevens;
             sevens.fill(7);
             EXPECT_EQ(d.rows[0].values, sevens);
         }},
        {"data line of one field of 10 MB", DeviceFile("n", kHeader, std::string(kSleepLine) + ten),
         "line 5 needs at least the operating mode, voltage, temperature and frequency.", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result<DeviceData> device = ParseDeviceData(c.content, "huge.csv");
        if (c.refusal != nullptr) {
            ASSERT_FALSE(device.ok());
            EXPECT_EQ(device.error().message,
                      std::string("The device data file \"huge.csv\" is malformed: ") + c.refusal);
        } else {
            ASSERT_TRUE(device.ok()) << device.error().message;
            c.check(*device);
        }
    }
}

TEST(HostileDeviceFile, TenMegabyteFileLoadsFromDisk) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("runwell_hostile_" + std::to_string(std::random_device{}()) + ".csv");
    const std::string label(kTenMegabytes, 'v');
    std::ofstream(path, std::ios::binary)
        << DeviceFile("n", kHeader, std::string(kSleepLine) + "SLEEP," + label + ",25C,0,9\r\n");
    const Result<DeviceData> device = LoadDeviceFile(path);
    std::filesystem::remove(path);
    ASSERT_TRUE(device.ok()) << device.error().message;
    EXPECT_EQ(device->voltageNames,
              (std::vector<std::string>{"3V", std::string(kTenMegabytes, 'V')}));
}

// --- Device files: more than 40 entries -----------------------------------------------------

/// `count` data lines whose label in field `field` (0 mode, 1 voltage, 2 temperature) is
/// distinct on every line; the other labels stay the same.
std::string DistinctLabels(int count, int field) {
    std::string table;
    for (int i = 0; i < count; ++i) {
        std::string labels[3] = {"RUN", "3V", "25C"};
        labels[field] = "L" + std::to_string(i);
        table += labels[0] + "," + labels[1] + "," + labels[2] + ",1MHZ,100\n";
    }
    return table;
}

TEST(HostileDeviceFile, TheFortyFirstEntryIsRefusedByName) {
    std::string captions = "Mode,Voltage,Temperature,Frequency";
    for (int k = 0; k < 41; ++k) {
        captions += ",C" + std::to_string(k);
    }
    struct Case {
        const char* what;
        std::string content;
        const char* message;  // nullptr: the file loads
    };
    const Case cases[] = {
        {"41 value columns", DeviceFile("n", captions, kSleepLine),
         "line 3 has more than 40 value columns."},
        {"41 operating modes", DeviceFile("n", kHeader, DistinctLabels(41, 0)),
         "line 44 brings a 41st operating mode; at most 40 are allowed."},
        {"41 voltages", DeviceFile("n", kHeader, DistinctLabels(41, 1)),
         "line 44 brings a 41st voltage; at most 40 are allowed."},
        {"41 temperatures", DeviceFile("n", kHeader, DistinctLabels(41, 2)),
         "line 44 brings a 41st temperature; at most 40 are allowed."},
        // Repeats and skipped lines bring no entry: the 41st comes only with a kept row.
        {"41st mode after repeats",
         DeviceFile("n", kHeader,
                    DistinctLabels(40, 0) + DistinctLabels(40, 0) + "NEW,3V,25C,1,1\n"),
         "line 84 brings a 41st operating mode; at most 40 are allowed."},
        {"41st mode on skipped lines",
         DeviceFile("n", kHeader, DistinctLabels(40, 0) + "NEW,3V,25C,1,0\nNEWER,3V,25C,1\n"),
         nullptr},
        {"41st mode after the end of the table",
         DeviceFile("n", kHeader, DistinctLabels(40, 0) + "\nNEW,3V,25C,1,1\n"), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result<DeviceData> device = ParseDeviceData(c.content, "many.csv");
        if (c.message == nullptr) {
            ASSERT_TRUE(device.ok()) << device.error().message;
            EXPECT_EQ(device->modeNames.size(), 40u);
            continue;
        }
        ASSERT_FALSE(device.ok());
        EXPECT_EQ(device.error().message,
                  std::string("The device data file \"many.csv\" is malformed: ") + c.message);
    }
}

// --- Device files: bytes outside ASCII ------------------------------------------------------

/// Every byte from 0x80 to 0xFF and a NUL.
std::string HighBytesAndNul() {
    std::string bytes;
    for (int b = 0x80; b <= 0xFF; ++b) {
        bytes += static_cast<char>(b);
    }
    bytes += '\0';
    return bytes;
}

TEST(HostileDeviceFile, BytesOutsideAsciiAreKeptByteForByte) {
    const std::string raw = HighBytesAndNul();
    const std::string header = "Mode,Voltage,Temperature,Frequency,Base,adc" + raw;
    const std::string table = "SLEEP,v" + raw + ",t" + raw + ",0,50\n" + "run" + raw + ",v" + raw +
                              ",t" + raw + ",f" + raw + ",1000,20\n";
    const Result<DeviceData> device =
        ParseDeviceData(DeviceFile("n" + raw + "z", header, table), "bytes.csv");
    ASSERT_TRUE(device.ok()) << device.error().message;

    // Only ASCII letters are upper-cased; 0xE0 and the like are no letters here.
    EXPECT_EQ(device->deviceNotes, "n" + raw + "z");
    EXPECT_EQ(device->columnNames[1], "adc" + raw);
    EXPECT_EQ(device->modeNames, (std::vector<std::string>{"SLEEP", "RUN" + raw}));
    EXPECT_EQ(device->voltageNames, std::vector<std::string>{"V" + raw});
    EXPECT_EQ(device->temperatureNames, std::vector<std::string>{"T" + raw});
    ASSERT_EQ(device->rows.size(), 2u);
    EXPECT_EQ(device->rows[1].frequencyName, "F" + raw);

    // The labels work as keys, NUL and all.
    EXPECT_EQ(device->FindModeRow("RUN" + raw, "V" + raw, "T" + raw, "F" + raw), 1);
    EXPECT_EQ(device->FindModeRow("RUN", "V", "T", "F"), -1);
    EXPECT_EQ(device->ListModeFrequencies("RUN" + raw, "V" + raw, "T" + raw),
              std::vector<std::string>{"F" + raw});
    const SleepCurrent sleep = LookupSleepCurrent(*device, "V" + raw, "T" + raw);
    EXPECT_EQ(sleep.nanoamps, 50u);
    EXPECT_FALSE(sleep.warning.has_value());
    PeripheralFlags flags{};
    const std::vector<PeripheralEntry> entries = BuildPeripheralEntries(*device, 1, flags, 50);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].text, "adc" + raw + "<20 nA>");
}

// --- Device files: numbers beyond every range -----------------------------------------------

/// Forty captions with every convention: 't' and 'd' markers, shared sources and a hidden
/// source column last.
std::string FortyCaptions() {
    std::string header = "Mode,Voltage,Temperature,Frequency,Base";
    for (int k = 1; k < 39; ++k) {
        const std::string name = "P" + std::to_string(k);
        const std::string forms[] = {"t" + name, "d" + name + "[hOSC]", name + "[hOSC]",
                                     name + " (A)"};
        header += "," + forms[k % 4];
    }
    return header + ",hOSC";
}

TEST(HostileDeviceFile, EveryNumericFieldTakesHostileNumbers) {
    const std::string header = FortyCaptions();
    for (const HostileNumber& number : kHostileNumbers) {
        for (std::size_t k = 0; k < kMaxEntries; ++k) {
            SCOPED_TRACE(std::string(number.text) + " in value " + std::to_string(k));
            std::string line = "RUN,3V,25C,1MHZ";
            for (std::size_t j = 0; j < kMaxEntries; ++j) {
                line += "," + (j == k ? std::string(number.text) : std::to_string(100 * (j + 1)));
            }
            const Result<DeviceData> device =
                ParseDeviceData(DeviceFile("n", header, std::string(kSleepLine) + line), "n.csv");
            ASSERT_TRUE(device.ok()) << device.error().message;
            if (k == 0 && number.integer == 0) {
                EXPECT_EQ(device->rows.size(), 1u);  // a base value of 0 skips the line
                continue;
            }
            ASSERT_EQ(device->rows.size(), 2u);
            EXPECT_EQ(device->rows[1].values[k], number.integer);

            PeripheralFlags flags;
            flags.fill(1);
            for (const PeripheralEntry& entry : BuildPeripheralEntries(*device, 1, flags, 50)) {
                EXPECT_FALSE(ShowsNonFinite(entry.text)) << entry.text;
            }
            flags.fill(1);
            ModeInputs inputs;
            inputs.operatingMode = "RUN";
            inputs.voltage = "3V";
            inputs.temperature = "25C";
            inputs.frequency = "1MHZ";
            inputs.flags = &flags;
            inputs.sleepCurrent = 50;
            inputs.systemCurrentText = number.text;
            inputs.systemCurrentUnit = 2;
            inputs.durationText = number.text;
            inputs.durationUnit = 2;
            const Result<ModeFigures> figures = ComputeMode(*device, inputs);
            ASSERT_TRUE(figures.ok()) << figures.error().message;
            for (const float value : {figures->controllerCurrent, figures->totalCurrent}) {
                EXPECT_TRUE(std::isfinite(value)) << value;
                EXPECT_FALSE(ShowsNonFinite(FormatCurrent(value))) << FormatCurrent(value);
            }
            for (const float value : {figures->controllerCharge, figures->totalCharge}) {
                EXPECT_TRUE(std::isfinite(value)) << value;
                EXPECT_FALSE(ShowsNonFinite(FormatCharge(value))) << FormatCharge(value);
            }
        }
    }
}

TEST(HostileDeviceFile, SaturatedCurrentsShowTheirLimits) {
    const Result<DeviceData> device =
        ParseDeviceData(DeviceFile("n", "Mode,Voltage,Temperature,Frequency,Base,Big,Small,tSleepy",
                                   "SLEEP,3V,25C,0,-99999999999999999999\n"
                                   "RUN,3V,25C,1,99999999999999999999,99999999999999999999,"
                                   "-99999999999999999999,-99999999999999999999\n"),
                        "n.csv");
    ASSERT_TRUE(device.ok()) << device.error().message;
    // A SLEEP base of -2^31 is held unsigned as 2^31.
    const SleepCurrent sleep = LookupSleepCurrent(*device, "3V", "25C");
    EXPECT_EQ(sleep.nanoamps, 2147483648u);
    PeripheralFlags flags{};
    std::vector<std::string> texts;
    for (const PeripheralEntry& entry : BuildPeripheralEntries(*device, 1, flags, sleep.nanoamps)) {
        texts.push_back(entry.text);
    }
    // Below the lowest step a current is truncated to whole nA: the sum -2^32 saturates there.
    EXPECT_EQ(texts, (std::vector<std::string>{"Big<2147.484 mA>", "Small<-2147483648 nA>",
                                               "Sleepy<-2147483648 nA>"}));

    flags.fill(1);
    ModeInputs inputs;
    inputs.operatingMode = "RUN";
    inputs.voltage = "3V";
    inputs.temperature = "25C";
    inputs.frequency = "1";
    inputs.flags = &flags;
    inputs.sleepCurrent = sleep.nanoamps;
    inputs.durationText = "1e39";
    inputs.durationUnit = 2;
    const Result<ModeFigures> figures = ComputeMode(*device, inputs);
    ASSERT_TRUE(figures.ok());
    // (2^31 - 1) + (2^31 - 1) - 2^31 - 2^31, less the SLEEP current 2^31, in single precision.
    EXPECT_EQ(figures->controllerCurrent, -2147483648.0f);
    EXPECT_EQ(FormatCurrent(figures->controllerCurrent), "-2147483648 nA");
    // The largest float times -4e9 saturates at the lowest float instead of -inf.
    EXPECT_EQ(figures->totalCharge, std::numeric_limits<float>::lowest());
    EXPECT_FALSE(ShowsNonFinite(FormatCharge(figures->totalCharge)));
}

// --- Battery files --------------------------------------------------------------------------

constexpr std::string_view kBatteryHeader = "Description,Capacity,Self,Nominal,Cont,Pulse,Notes\n";

/// The record of the line "Cell,1000,2,3.0,100,1000,Note" with fields[field] replaced (0 is the
/// description, 6 the notes).
BatteryRecord BatteryWith(int field, std::string_view text) {
    std::string fields[] = {"Cell", "1000", "2", "3.0", "100", "1000", "Note"};
    fields[field] = text;
    std::string line = fields[0];
    for (int i = 1; i < 7; ++i) {
        line += "," + fields[i];
    }
    const std::vector<BatteryRecord> records =
        ParseBatteryRecords(std::string(kBatteryHeader) + line + "\n");
    EXPECT_EQ(records.size(), 1u) << line;
    return records.empty() ? BatteryRecord{} : records.front();
}

/// What a battery shows and the life it gives a profile of one mode drawing 1 mA.
void ExpectFiniteTexts(const BatteryRecord& battery) {
    const std::array<std::string, 7> cells = BatteryCells(battery);
    for (const std::string& cell : cells) {
        EXPECT_FALSE(ShowsNonFinite(cell)) << cell;
    }
    ModeRecord mode;
    mode.duration = 10.0f;
    mode.totalCurrent = 1000000.0f;
    const ProfileResults results = ComputeProfileResults({mode}, {"Base"}, &battery);
    EXPECT_FALSE(ShowsNonFinite(results.averageText)) << results.averageText;
    EXPECT_FALSE(ShowsNonFinite(results.peakText)) << results.peakText;
    EXPECT_FALSE(ShowsNonFinite(results.lifeText)) << results.lifeText;
}

TEST(HostileBatteryFile, EveryNumericFieldTakesHostileNumbers) {
    for (const HostileNumber& number : kHostileNumbers) {
        SCOPED_TRACE(number.text);
        const BatteryRecord capacity = BatteryWith(1, number.text);
        EXPECT_EQ(capacity.capacityMah, static_cast<std::uint32_t>(number.integer));
        ExpectFiniteTexts(capacity);

        const BatteryRecord selfDischarge = BatteryWith(2, number.text);
        EXPECT_EQ(selfDischarge.selfDischargePercent, NarrowToFloat(number.real));
        ExpectFiniteTexts(selfDischarge);

        // The nominal voltage is text and stays as written.
        EXPECT_EQ(BatteryWith(3, number.text).nominalVoltage, number.text);

        for (const int field : {4, 5}) {
            const BatteryRecord current = BatteryWith(field, number.text);
            const float nanoamps =
                field == 4 ? current.maxContinuousCurrent : current.maxPulseCurrent;
            EXPECT_TRUE(std::isfinite(nanoamps)) << field;
            ExpectFiniteTexts(current);
        }
    }
}

TEST(HostileBatteryFile, SaturatedFieldsShowTheirLimits) {
    struct Case {
        int field;
        const char* text;
        int cell;
        const char* shown;
    };
    const Case cases[] = {
        {1, "99999999999999999999", 1, "2147483647 mAh"},
        // Saturated at -2^31, held unsigned as 2^31 and shown signed, as -1 shows as -1 mAh.
        {1, "-99999999999999999999", 1, "-2147483648 mAh"},
        {1, "1e39", 1, "1 mAh"},
        {1, "0x1F", 1, "0 mAh"},
        {2, "nan", 2, "0 %/mo(0 nA)"},
        {2, "inf", 2, "0 %/mo(0 nA)"},
        {2, "99999999999999999999", 2, "100000002004087734272 %/mo(1388888931994435584 mA)"},
        // 1e39 mA saturates at the largest float in nA, shown in mA.
        {4, "1e39", 4, "340282327376181848531187106054144 mA"},
        {4, "-0", 4, "*"},
        {4, "nan", 4, "*"},
        // Negative currents are never above a step: they are truncated to whole nA, and saturate.
        {5, "-99999999999999999999", 5, "-2147483648 nA"},
        {5, "0x1F", 5, "*"},
    };
    for (const Case& c : cases) {
        const std::array<std::string, 7> cells = BatteryCells(BatteryWith(c.field, c.text));
        EXPECT_EQ(cells[static_cast<std::size_t>(c.cell)], c.shown)
            << c.text << " in field " << c.field;
    }
}

TEST(HostileBatteryFile, BytesOutsideAsciiAreKeptByteForByte) {
    const std::string raw = HighBytesAndNul();
    const std::vector<BatteryRecord> records = ParseBatteryRecords(
        std::string(kBatteryHeader) + "d" + raw + ",1,0,v" + raw + ",0,0,n" + raw + "\n");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].description, "d" + raw);
    EXPECT_EQ(records[0].nominalVoltage, "v" + raw);
    EXPECT_EQ(records[0].notes, "n" + raw);
}

TEST(HostileBatteryFile, TenMegabyteLines) {
    const std::string ten(kTenMegabytes, 'x');
    const std::vector<BatteryRecord> records = ParseBatteryRecords(
        std::string(kBatteryHeader) + ten + ",1" + std::string(kTenMegabytes, '9') + "\n" +
        "Next," + std::string(kTenMegabytes, ',') + "5,1\n" + "Quoted,1,0,3,0,0,\"" + ten + "\n");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].description, ten);
    EXPECT_EQ(records[0].capacityMah, static_cast<std::uint32_t>(kIntMax));
    EXPECT_EQ(records[1].capacityMah, 5u);
    EXPECT_EQ(records[2].notes, ten);  // an unclosed quote runs to the end of the line
}

}  // namespace
}  // namespace runwell
