#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/DeviceData.h"
#include "model/DeviceFile.h"
#include "model/Messages.h"

namespace runwell {
namespace {

using Strings = std::vector<std::string>;

constexpr std::string_view kPreamble = "KDR100\nNotes\n";
constexpr std::string_view kHeader = "Mode,Voltage,Temperature,Frequency,Base,ADC,tWDT\n";

// The example family file: two devices, a notes line, six value columns, a skipped line with
// base value 0 and a table ended by an empty line.
constexpr std::string_view kWorkedExample =
    "KDR100,KDR101\n"
    "Low-power family. \"Supply 1.8V, 3.3V\",see errata\n"
    "Mode,Voltage,Temperature,Frequency,Base,ADC,tWDT,Timer1[hTMR],Timer2[hTMR],hTMR\n"
    "SLEEP,3.3V,25C,0,20,0,540,0,0,0\n"
    "Run,3.3v,25c,8MHz,1200,150,540,35,35,15\n"
    "Run,3.3V,25C,4MHz,0,150,540,35,35,15\n"
    "\n"
    "IDLE,5V,85C,1MHz,300,1,2,3,4,5\n";

std::array<std::int32_t, kMaxEntries> Values(std::initializer_list<std::int32_t> leading) {
    std::array<std::int32_t, kMaxEntries> values{};
    std::size_t k = 0;
    for (const std::int32_t v : leading) {
        values[k++] = v;
    }
    return values;
}

/// Parses a table written below the standard preamble and header.
Result<DeviceData> ParseTable(std::string_view table) {
    return ParseDeviceData(std::string(kPreamble) + std::string(kHeader) + std::string(table),
                           "test.csv");
}

void ExpectWorkedExample(const DeviceData& device) {
    EXPECT_EQ(device.deviceNotes, "Low-power family. Supply 1.8V, 3.3V\r\nsee errata");
    EXPECT_EQ(device.columnNames,
              (Strings{"Base", "ADC", "tWDT", "Timer1[hTMR]", "Timer2[hTMR]", "hTMR"}));
    EXPECT_EQ(device.modeNames, (Strings{"SLEEP", "RUN"}));
    EXPECT_EQ(device.voltageNames, (Strings{"3.3V"}));
    EXPECT_EQ(device.temperatureNames, (Strings{"25C"}));
    ASSERT_EQ(device.rows.size(), 2u);
    const DataRecord& sleep = device.rows[0];
    EXPECT_EQ(sleep.modeName, "SLEEP");
    EXPECT_EQ(sleep.frequencyName, "0");
    EXPECT_EQ(sleep.values, Values({20, 0, 540, 0, 0, 0}));
    const DataRecord& run = device.rows[1];
    EXPECT_EQ(run.modeName, "RUN");
    EXPECT_EQ(run.voltageName, "3.3V");
    EXPECT_EQ(run.temperatureName, "25C");
    EXPECT_EQ(run.frequencyName, "8MHZ");
    EXPECT_EQ(run.values, Values({1200, 150, 540, 35, 35, 15}));

    EXPECT_EQ(device.FindModeRow("RUN", "3.3V", "25C", "8MHZ"), 1);
    EXPECT_EQ(device.FindModeRow("SLEEP", "3.3V", "25C", "0"), 0);
    EXPECT_EQ(device.FindModeRow("RUN", "3.3V", "25C", "4MHZ"), -1);  // skipped line
    EXPECT_EQ(device.FindModeRow("Run", "3.3v", "25c", "8MHz"), -1);  // exact comparison
    EXPECT_EQ(device.FindModeRow("IDLE", "5V", "85C", "1MHZ"), -1);   // after the empty line
    EXPECT_EQ(device.FindColumn("hTMR"), 5);
    EXPECT_EQ(device.FindColumn("Timer2[hTMR]"), 4);
    EXPECT_EQ(device.FindColumn("Base"), -1);
    EXPECT_EQ(device.FindColumn("htmr"), -1);
    EXPECT_EQ(device.ListModeFrequencies("SLEEP", "3.3V", "25C"), (Strings{"0"}));
    EXPECT_EQ(device.ListModeFrequencies("RUN", "3.3V", "25C"), (Strings{"8MHZ"}));
    EXPECT_EQ(device.ListModeFrequencies("RUN", "5V", "25C"), Strings{});
}

TEST(ParseDeviceData, ReadsTheWorkedExample) {
    const Result<DeviceData> device = ParseDeviceData(kWorkedExample, "family.csv");
    ASSERT_TRUE(device.ok()) << device.error().message;
    ExpectWorkedExample(*device);
}

TEST(ParseDeviceData, DecodesTheNotesLine) {
    struct Case {
        std::string_view line;
        std::string notes;
    };
    const Case cases[] = {
        {"\"x,y\",z", "x,y\r\nz"},
        {"", ""},
        {"a\"\"b", "ab"},
        {"first,second\r", "first\r\nsecond"},  // the CR of a CR LF line end is not notes
    };
    for (const Case& c : cases) {
        const std::string content = "KDR100\n" + std::string(c.line) + "\n" + std::string(kHeader);
        const Result<DeviceData> device = ParseDeviceData(content, "test.csv");
        ASSERT_TRUE(device.ok()) << device.error().message;
        EXPECT_EQ(device->deviceNotes, c.notes) << "line 2: " << c.line;
    }
}

TEST(ParseDeviceData, UpperCasesLabelsButKeepsCaptions) {
    const Result<DeviceData> device =
        ParseTable("run,3.3v,25c,4mhz,900,1\nRUN,3.3V,-40c,4MHZ,800,1\n");
    ASSERT_TRUE(device.ok()) << device.error().message;
    ASSERT_EQ(device->rows.size(), 2u);
    EXPECT_EQ(device->rows[0].modeName, "RUN");
    EXPECT_EQ(device->rows[0].voltageName, "3.3V");
    EXPECT_EQ(device->rows[0].temperatureName, "25C");
    EXPECT_EQ(device->rows[0].frequencyName, "4MHZ");
    EXPECT_EQ(device->modeNames, (Strings{"RUN"}));
    EXPECT_EQ(device->voltageNames, (Strings{"3.3V"}));  // 3.3v and 3.3V are one voltage
    EXPECT_EQ(device->temperatureNames, (Strings{"25C", "-40C"}));
    EXPECT_EQ(device->columnNames, (Strings{"Base", "ADC", "tWDT"}));
}

TEST(ParseDeviceData, SplitsDataLinesLikeEveryOtherLine) {
    struct Case {
        std::string_view line;
        std::array<std::int32_t, kMaxEntries> values;
    };
    const Case cases[] = {
        {"RUN,3.3V,25C,8MHZ,1200,150,540", Values({1200, 150, 540})},
        {"RUN,3.3V,25C,8MHZ,1200,,540", Values({1200, 540})},  // shifted one column left
        {",,RUN,3.3V,25C,8MHZ,1200,150,540", Values({1200, 150, 540})},
        {"RUN,,3.3V,25C,8MHZ,1200,150", Values({1200, 150})},
        {"RUN,3.3V,25C,8MHZ, 1200,12.7,-5,x", Values({1200, 12, -5, 0})},
    };
    for (const Case& c : cases) {
        const Result<DeviceData> device = ParseTable(std::string(c.line) + "\n");
        ASSERT_TRUE(device.ok()) << device.error().message;
        ASSERT_EQ(device->rows.size(), 1u) << c.line;
        EXPECT_EQ(device->rows[0].modeName, "RUN") << c.line;
        EXPECT_EQ(device->rows[0].frequencyName, "8MHZ") << c.line;
        EXPECT_EQ(device->rows[0].values, c.values) << c.line;
    }
}

TEST(ParseDeviceData, SkipsFourFieldLinesAndLinesWithoutABaseValue) {
    const Result<DeviceData> device = ParseTable(
        "SLEEP,3.3V,25C,0\n"
        "SLEEP,3.3V,25C,0,0,5\n"
        "SLEEP,3.3V,25C,0,n/a,5\n"
        "IDLE,5V,85C,0,0\n"
        "RUN,3.3V,25C,8MHZ,1200\n");
    ASSERT_TRUE(device.ok()) << device.error().message;
    ASSERT_EQ(device->rows.size(), 1u);
    EXPECT_EQ(device->rows[0].modeName, "RUN");
    EXPECT_EQ(device->modeNames, (Strings{"RUN"}));  // skipped lines add no labels
    EXPECT_EQ(device->voltageNames, (Strings{"3.3V"}));
    EXPECT_EQ(device->temperatureNames, (Strings{"25C"}));
}

TEST(ParseDeviceData, AnEmptyFirstFieldEndsTheTable) {
    for (const std::string_view end : {"\n", ",,,,\n", "\r\n"}) {
        const Result<DeviceData> device = ParseTable("RUN,3.3V,25C,8MHZ,1200\n" + std::string(end) +
                                                     "IDLE,5V,85C,1MHZ,300\nbroken\n");
        ASSERT_TRUE(device.ok()) << device.error().message;
        ASSERT_EQ(device->rows.size(), 1u);
        EXPECT_EQ(device->modeNames, (Strings{"RUN"}));
        EXPECT_EQ(device->voltageNames, (Strings{"3.3V"}));
        EXPECT_EQ(device->temperatureNames, (Strings{"25C"}));
    }
}

TEST(ParseDeviceData, AHeaderOfFourFieldsGivesNoValueColumns) {
    const Result<DeviceData> device =
        ParseDeviceData("KDR100\nNotes\nA,B,C,D\nRUN,3.3V,25C,8MHZ,1200,7\n", "test.csv");
    ASSERT_TRUE(device.ok()) << device.error().message;
    EXPECT_EQ(device->columnNames, Strings{});
    ASSERT_EQ(device->rows.size(), 1u);
    EXPECT_EQ(device->rows[0].values, Values({1200, 7}));
    EXPECT_EQ(device->FindColumn("D"), -1);
}

TEST(ParseDeviceData, StoresAtMostFortyValuesAndNothingOfThePreviousLine) {
    std::string full = "RUN,3.3V,25C,8MHZ";
    for (int k = 1; k <= 45; ++k) {
        full += "," + std::to_string(k);
    }
    const Result<DeviceData> device = ParseTable(full + "\nIDLE,3.3V,25C,1MHZ,7,8,9\n");
    ASSERT_TRUE(device.ok()) << device.error().message;
    ASSERT_EQ(device->rows.size(), 2u);
    std::array<std::int32_t, kMaxEntries> first{};
    for (std::size_t k = 0; k < kMaxEntries; ++k) {
        first[k] = static_cast<std::int32_t>(k + 1);
    }
    EXPECT_EQ(device->rows[0].values, first);
    EXPECT_EQ(device->rows[1].values, Values({7, 8, 9}));
}

TEST(DeviceData, LookupsTakeTheFirstMatch) {
    const Result<DeviceData> device = ParseTable(
        "RUN,3.3V,25C,8MHZ,1200\n"
        "RUN,3.3V,25C,4MHZ,700\n"
        "RUN,3.3V,85C,2MHZ,900\n"
        "RUN,3.3V,25C,8MHZ,1300\n"
        "RUN,3.3V,25C,1MHZ,400\n");
    ASSERT_TRUE(device.ok()) << device.error().message;
    EXPECT_EQ(device->FindModeRow("RUN", "3.3V", "25C", "8MHZ"), 0);
    EXPECT_EQ(device->ListModeFrequencies("RUN", "3.3V", "25C"), (Strings{"8MHZ", "4MHZ", "1MHZ"}));
    EXPECT_EQ(device->ListModeFrequencies("RUN", "3.3V", "85C"), (Strings{"2MHZ"}));
    EXPECT_EQ(device->ListModeFrequencies("SLEEP", "3.3V", "25C"), Strings{});
}

TEST(DeviceData, FindColumnNeverReturnsColumnZero) {
    DeviceData device;
    device.columnNames = {"Base", "ADC", "tWDT"};
    EXPECT_EQ(device.FindColumn("Base"), -1);
    EXPECT_EQ(device.FindColumn("ADC"), 1);
    EXPECT_EQ(device.FindColumn(""), -1);
    device.columnNames = {"Base", "ADC", "Base", "Base"};
    EXPECT_EQ(device.FindColumn("Base"), 2);
    device.columnNames.clear();
    EXPECT_EQ(device.FindColumn("Base"), -1);
}

/// A table of `count` lines whose labels in field `field` (0 mode, 1 voltage, 2 temperature)
/// are all different.
std::string DistinctLabels(int count, int field) {
    std::string table;
    for (int i = 0; i < count; ++i) {
        std::array<std::string, 3> labels{"L0", "L0", "L0"};
        labels[static_cast<std::size_t>(field)] = "L" + std::to_string(i);
        table += labels[0] + "," + labels[1] + "," + labels[2] + ",0,100\n";
    }
    return table;
}

std::string HeaderWithColumns(int count) {
    std::string header = "Mode,Voltage,Temperature,Frequency";
    for (int k = 0; k < count; ++k) {
        header += ",C" + std::to_string(k);
    }
    return header + "\n";
}

TEST(ParseDeviceData, AcceptsFortyOfEachList) {
    const std::string content = std::string(kPreamble) + HeaderWithColumns(40) +
                                DistinctLabels(40, 0) + DistinctLabels(40, 1) +
                                DistinctLabels(40, 2) + "L40,L40,L40,0,0\n" +  // skipped
                                "L0,L0,L0,0,100\n";                            // a repeat
    const Result<DeviceData> device = ParseDeviceData(content, "test.csv");
    ASSERT_TRUE(device.ok()) << device.error().message;
    EXPECT_EQ(device->columnNames.size(), 40u);
    EXPECT_EQ(device->modeNames.size(), 40u);
    EXPECT_EQ(device->voltageNames.size(), 40u);
    EXPECT_EQ(device->temperatureNames.size(), 40u);
    EXPECT_EQ(device->rows.size(), 121u);
}

TEST(ParseDeviceData, MalformedFilesNameTheFileAndTheLine) {
    const std::string header(kHeader);
    struct Case {
        const char* what;
        std::string content;
        int line;
    };
    const Case cases[] = {
        {"empty file", "", 3},
        {"names only", "KDR100\n", 3},
        {"no header", "KDR100\nNotes\n", 3},
        {"header of two fields", "KDR100\nNotes\nMode,Voltage\nRUN,3.3V,25C,8MHZ,1\n", 3},
        {"header of three fields", "KDR100\nNotes\nA,B,C\n", 3},
        {"header of spaces", "KDR100\nNotes\n    \n", 3},
        {"41 value columns", "KDR100\nNotes\n" + HeaderWithColumns(41), 3},
        {"one field", "KDR100\nNotes\n" + header + "RUN,3.3V,25C,8MHZ,1\nRUN\n", 5},
        {"two fields", "KDR100\nNotes\n" + header + "RUN,3.3V\n", 4},
        {"three fields", "KDR100\nNotes\n" + header + "X,1,2,3,4\n,,RUN,3.3V,25C,,\n", 5},
        {"spaces only", "KDR100\nNotes\n" + header + "RUN,3.3V,25C,8MHZ,1\n   \n", 5},
        {"41 modes", "KDR100\nNotes\n" + header + DistinctLabels(41, 0), 44},
        {"41 voltages", "KDR100\nNotes\n" + header + DistinctLabels(41, 1), 44},
        {"41 temperatures", "KDR100\nNotes\n" + header + DistinctLabels(41, 2), 44},
    };
    for (const Case& c : cases) {
        const Result<DeviceData> device = ParseDeviceData(c.content, "bad.csv");
        ASSERT_FALSE(device.ok()) << c.what;
        const std::string& message = device.error().message;
        EXPECT_NE(message.find("\"bad.csv\""), std::string::npos) << c.what << ": " << message;
        EXPECT_NE(message.find("line " + std::to_string(c.line) + " "), std::string::npos)
            << c.what << ": " << message;
    }
}

const std::string kFixtures = RUNWELL_FIXTURES "/device/";

TEST(LoadDeviceFile, ReadsARealFileWithCrLfLineEnds) {
    const Result<DeviceData> device = LoadDeviceFile(kFixtures + "worked_example.csv");
    ASSERT_TRUE(device.ok()) << device.error().message;
    ExpectWorkedExample(*device);
}

TEST(LoadDeviceFile, ReportsFilesThatCannotBeOpened) {
    for (const std::string& path : {kFixtures + "missing.csv", kFixtures, kFixtures + "."}) {
        const Result<DeviceData> device = LoadDeviceFile(path);
        ASSERT_FALSE(device.ok()) << path;
        EXPECT_EQ(device.error().message, msg::kCannotOpenDeviceFile) << path;
    }
}

TEST(LoadDeviceFile, AMalformedFileIsNamedInTheMessage) {
    const Result<DeviceData> device = LoadDeviceFile(kFixtures + "short_header.csv");
    ASSERT_FALSE(device.ok());
    EXPECT_NE(device.error().message.find("\"short_header.csv\""), std::string::npos)
        << device.error().message;
    EXPECT_NE(device.error().message.find("line 3 "), std::string::npos) << device.error().message;
}

}  // namespace
}  // namespace runwell
