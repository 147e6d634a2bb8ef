// Files written to break the readers: huge lines, too many entries, bytes outside ASCII, numbers
// beyond every range, files over the read limit, endless ones (a FIFO fed without end,
// /dev/zero) and a load that runs out of memory. Each loads or is refused with a message, and
// nothing shows an infinity or a NaN. The sanitizer build runs these to prove there is no
// undefined behaviour on the way. Also the device scan's list of names.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "RecordingPrompter.h"
#include "ScratchFolder.h"
#include "base/Messages.h"
#include "base/Numbers.h"
#include "base/Text.h"
#include "battery/BatteryCatalogue.h"
#include "device/DeviceCatalogue.h"
#include "device/DeviceData.h"
#include "device/DeviceFile.h"
#include "estimate/Format.h"
#include "estimate/ModeComputation.h"
#include "estimate/ProfileResults.h"
#include "files/ProfileDocument.h"
#include "files/SettingsFile.h"
#include "platform/FileRead.h"
#include "session/Workspace.h"
#include "trace/TraceReader.h"
#include "trace/TraceStatistics.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

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

// --- Device files: lines of 10 MB, more than 40 entries ------------------------------------

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

TEST(HostileDeviceFile, HostileContentLoadsOrIsRefusedByName) {
    const std::string ten(kTenMegabytes, 'x');
    std::string captions = "Mode,Voltage,Temperature,Frequency";
    for (int k = 0; k < 41; ++k) {
        captions += ",C" + std::to_string(k);
    }
    const auto fortyModes = [](const DeviceData& d) { EXPECT_EQ(d.modeNames.size(), 40u); };
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
        {"41 value columns", DeviceFile("n", captions, kSleepLine),
         "line 3 has more than 40 value columns.", nullptr},
        {"41 operating modes", DeviceFile("n", kHeader, DistinctLabels(41, 0)),
         "line 44 brings a 41st operating mode; at most 40 are allowed.", nullptr},
        {"41 voltages", DeviceFile("n", kHeader, DistinctLabels(41, 1)),
         "line 44 brings a 41st voltage; at most 40 are allowed.", nullptr},
        {"41 temperatures", DeviceFile("n", kHeader, DistinctLabels(41, 2)),
         "line 44 brings a 41st temperature; at most 40 are allowed.", nullptr},
        // Repeats and skipped lines bring no entry: the 41st comes only with a kept row.
        {"41st mode after repeats",
         DeviceFile("n", kHeader,
                    DistinctLabels(40, 0) + DistinctLabels(40, 0) + "NEW,3V,25C,1,1\n"),
         "line 84 brings a 41st operating mode; at most 40 are allowed.", nullptr},
        {"41st mode on skipped lines",
         DeviceFile("n", kHeader, DistinctLabels(40, 0) + "NEW,3V,25C,1,0\nNEWER,3V,25C,1\n"),
         nullptr, fortyModes},
        {"41st mode after the end of the table",
         DeviceFile("n", kHeader, DistinctLabels(40, 0) + "\nNEW,3V,25C,1,1\n"), nullptr,
         fortyModes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result<DeviceData> device = ParseDeviceData(c.content, "hostile.csv");
        if (c.refusal != nullptr) {
            ASSERT_FALSE(device.ok());
            EXPECT_EQ(device.error().message,
                      std::string("The device data file \"hostile.csv\" is malformed: ") +
                          c.refusal);
        } else {
            ASSERT_TRUE(device.ok()) << device.error().message;
            c.check(*device);
        }
    }
}

TEST(HostileDeviceFile, TenMegabyteFileLoadsFromDisk) {
    const ScratchFolder folder;
    const std::string label(kTenMegabytes, 'v');
    const Result<DeviceData> device = LoadDeviceFile(folder.Put(
        "huge.csv",
        DeviceFile("n", kHeader, std::string(kSleepLine) + "SLEEP," + label + ",25C,0,9\r\n")));
    ASSERT_TRUE(device.ok()) << device.error().message;
    EXPECT_EQ(device->voltageNames,
              (std::vector<std::string>{"3V", std::string(kTenMegabytes, 'V')}));
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

/// The RUN mode at 3V and 25C with every peripheral of `flags`, the system current and the
/// duration in the third unit (mA, s).
ModeInputs RunInputs(const char* frequency, const PeripheralFlags& flags, std::uint32_t sleep,
                     const char* systemCurrent, const char* duration) {
    return {.operatingMode = "RUN", .voltage = "3V", .temperature = "25C", .frequency = frequency,
            .flags = &flags, .sleepCurrent = sleep, .systemCurrentText = systemCurrent,
            .systemCurrentUnit = 2, .durationText = duration, .durationUnit = 2};
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
            const Result<ModeFigures> figures =
                ComputeMode(*device, RunInputs("1MHZ", flags, 50, number.text, number.text));
            ASSERT_TRUE(figures.ok()) << figures.error().message;
            for (const auto& [value, text] :
                 {std::pair{figures->controllerCurrent, FormatCurrent(figures->controllerCurrent)},
                  std::pair{figures->totalCurrent, FormatCurrent(figures->totalCurrent)},
                  std::pair{figures->controllerCharge, FormatCharge(figures->controllerCharge)},
                  std::pair{figures->totalCharge, FormatCharge(figures->totalCharge)}}) {
                EXPECT_TRUE(std::isfinite(value) && !ShowsNonFinite(text)) << value << " " << text;
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
    const Result<ModeFigures> figures =
        ComputeMode(*device, RunInputs("1", flags, sleep.nanoamps, "", "1e39"));
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

// The texts of saturated fields are in fixtures/functions/battery_cells.tsv.

// Lines of 10 MB, and bytes outside ASCII, NUL included, kept byte for byte.
TEST(HostileBatteryFile, TenMegabyteLinesAndBytesOutsideAscii) {
    const std::string ten(kTenMegabytes, 'x');
    const std::string raw = HighBytesAndNul();
    const std::vector<BatteryRecord> records = ParseBatteryRecords(
        std::string(kBatteryHeader) + ten + ",1" + std::string(kTenMegabytes, '9') + "\n" +
        "Next," + std::string(kTenMegabytes, ',') + "5,1\n" + "Quoted,1,0,3,0,0,\"" + ten + "\n" +
        "d" + raw + ",1,0,v" + raw + ",0,0,n" + raw + "\n");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].description, ten);
    EXPECT_EQ(records[0].capacityMah, static_cast<std::uint32_t>(kIntMax));
    EXPECT_EQ(records[1].capacityMah, 5u);
    EXPECT_EQ(records[2].notes, ten);  // an unclosed quote runs to the end of the line
    EXPECT_EQ(records[3].description, "d" + raw);
    EXPECT_EQ(records[3].nominalVoltage, "v" + raw);
    EXPECT_EQ(records[3].notes, "n" + raw);
}

// --- The read limit, endless input and memory ---------------------------------------------

class ReadLimits : public ::testing::Test {
protected:
    ~ReadLimits() override { ReapWriter(); }
    /// A file one byte over the limit, sparse, so it costs no disk and is never read.
    fs::path PutOversized(const std::string& name) const {
        const fs::path path = folder_.Put(name, "x");
        fs::resize_file(path, kMaxInputFileBytes + 1);
        return path;
    }
#ifndef _WIN32
    /// A FIFO that a child process fills with `line` repeated until the reader goes away.
    fs::path EndlessFifo(const std::string& name, const std::string& line) {
        const fs::path path = folder_ / name;
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        writer_ = ::fork();
        if (writer_ == 0) {
            ::signal(SIGPIPE, SIG_DFL);
            const int fd = ::open(path.c_str(), O_WRONLY);
            std::string chunk;
            while (chunk.size() < 65536) {
                chunk += line;
            }
            while (::write(fd, chunk.data(), chunk.size()) > 0) {
            }
            ::_exit(0);
        }
        return path;
    }
    pid_t writer_ = -1;
#endif
    void ReapWriter() {
#ifndef _WIN32
        if (writer_ > 0) {
            ::kill(writer_, SIGKILL);
            ::waitpid(writer_, nullptr, 0);
            writer_ = -1;
        }
#endif
    }

    const ScratchFolder folder_;
};

#ifndef _WIN32  // a sparse file of 1 GiB
TEST_F(ReadLimits, FilesOverTheLimitAreRefusedBeforeTheyAreRead) {
    const fs::path device = PutOversized("big.csv");
    EXPECT_EQ(LoadDeviceFile(device).error().message, FileTooLargeMessage(device));
    EXPECT_EQ(FileTooLargeMessage(device),
              "The file \"big.csv\" is larger than 1 GiB, the most Runwell reads; it was not read.");

    std::vector<BatteryRecord> catalogue;
    const fs::path battery = PutOversized("StandardBattery.csv");
    EXPECT_EQ(LoadBatteryFile(battery, catalogue), FileTooLargeMessage(battery));
    ASSERT_EQ(catalogue.size(), 1u);  // "Ideal" stands in, as for a file that cannot be opened
    EXPECT_EQ(catalogue[0].description, "Ideal");

    folder_.Put("Data/small.csv", "Small\nNotes\nM,V,T,F,Base\nSLEEP,3V,25C,0,5\n");
    fs::rename(device, folder_ / "Data/big.csv");
    const DeviceScan scan = ScanDeviceFolder(folder_ / "Data");
    EXPECT_EQ(scan.messages, std::vector<std::string>{FileTooLargeMessage(device)});
    ASSERT_EQ(scan.entries.size(), 1u);
    EXPECT_EQ(scan.entries[0].name, "Small");

    RecordingPrompter prompter;
    Result<Workspace> workspace = Workspace::Start(folder_.path(), prompter);
    ASSERT_TRUE(workspace.ok());
    const fs::path settings = PutOversized("big.set");
    prompter.messages.clear();
    LoadSettings(*workspace, settings, prompter);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{FileTooLargeMessage(settings)});

    const fs::path trace = PutOversized("trace.csv");
    TraceAccumulator sink;
    EXPECT_EQ(ReadTraceFile(trace, {}, sink).error().message, FileTooLargeMessage(trace));
}

#endif

TEST_F(ReadLimits, TheLimitItselfIsReadAndOneByteMoreIsNot) {
    const fs::path ten = folder_.Put("ten", "0123456\r\n9");
    ASSERT_TRUE(ReadFileContent(ten, "closed", 10).ok());
    EXPECT_EQ(ReadFileContent(ten, "closed", 9).error().message, FileTooLargeMessage(ten));
    EXPECT_EQ(ReadFileContent(folder_ / "missing", "closed").error().message, "closed");

    for (const std::uint64_t limit : {9u, 10u}) {
        FileLineReader reader(ten, 4, limit);
        std::string_view line;
        std::vector<std::string> lines;
        while (reader.Next(line)) {
            lines.emplace_back(line);
        }
        EXPECT_EQ(reader.tooLarge(), limit == 9);
        const std::vector<std::string> expected =
            limit == 9 ? std::vector<std::string>{} : std::vector<std::string>{"0123456", "9"};
        EXPECT_EQ(lines, expected);
    }

    // The trace reader streams its file, and stops at the same limit.
    const std::string text = "t(s),i(nA)\n0,5\n1,5\n";
    const fs::path trace = folder_.Put("trace.csv", text);
    TraceAccumulator sink;
    const Result<TraceReadSummary> whole = ReadTraceFile(trace, {}, sink, text.size());
    ASSERT_TRUE(whole.ok()) << whole.error().message;
    EXPECT_EQ(whole->samples, 2);
    EXPECT_EQ(ReadTraceFile(trace, {}, sink, text.size() - 1).error().message,
              FileTooLargeMessage(trace));
}

#ifndef _WIN32
TEST_F(ReadLimits, EndlessInputIsReadInBoundedStepsAndRefused) {
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 22;
    {
        const fs::path fifo = EndlessFifo("whole.set", std::string(1000, '\0'));
        EXPECT_EQ(ReadFileContent(fifo, "closed", kLimit).error().message,
                  FileTooLargeMessage(fifo));
        ReapWriter();
    }
    // Lines, and one endless line, as a device file's reader sees them.
    for (const std::string line : {"SLEEP,3V,25C,0,5\n", "xxxxxxxx"}) {
        const fs::path fifo = EndlessFifo("lines" + std::to_string(line.size()) + ".csv", line);
        FileLineReader reader(fifo, 4096, kLimit);
        std::string_view read;
        std::uint64_t bytes = 0;
        while (reader.Next(read)) {
            bytes += read.size() + 1;
        }
        EXPECT_TRUE(reader.tooLarge());
        EXPECT_LE(bytes, kLimit);
        ReapWriter();
    }
    // A trace from an endless FIFO of lines or of one line, from /dev/zero, and from a link to
    // it: none has a size to check up front, and each is refused once past the limit.
    for (const std::string line : {"t(s),i(nA)\n", "0,5,"}) {
        const fs::path fifo = EndlessFifo("trace" + std::to_string(line.size()) + ".csv", line);
        TraceAccumulator sink;
        EXPECT_EQ(ReadTraceFile(fifo, {}, sink, kLimit).error().message,
                  FileTooLargeMessage(fifo));
        ReapWriter();
    }
    const fs::path link = folder_ / "zero.csv";
    fs::create_symlink("/dev/zero", link);
    for (const fs::path& endless : {fs::path("/dev/zero"), link}) {
        TraceAccumulator sink;
        EXPECT_EQ(ReadTraceFile(endless, {}, sink, kLimit).error().message,
                  FileTooLargeMessage(endless));
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#ifdef __GLIBC__
// A fixed threshold keeps every large block mapped on its own, so the 10 MB texts of the cases
// above go back to the system when freed instead of leaving holes in the heap that the load
// below would fill without reaching its memory limit.
[[maybe_unused]] const int kLargeBlocksMapped = ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif

TEST_F(ReadLimits, RunningOutOfMemoryInADeviceLoadIsAMessage) {
    // 300,000 rows of 40 currents need about 53 MB; the child may use 24 MB more than it holds.
    const std::string row = "RUN,3V,25C,1" + Repeat(",1", 80) + "\n";
    const fs::path path = folder_.Put(
        "huge.csv", "D\nNotes\n" + FortyCaptions() + "\n" + Repeat(row, 300000 * row.size()));

    const fs::path result = folder_ / "message";  // the child's verdict, written without memory
    const pid_t child = ::fork();
    if (child == 0) {
        std::ifstream status("/proc/self/status");
        std::string line;
        long sizeKb = 0;
        while (std::getline(status, line)) {
            if (line.rfind("VmSize:", 0) == 0) {
                sizeKb = std::stol(line.substr(7));
            }
        }
        const rlim_t bytes = static_cast<rlim_t>(sizeKb) * 1024 + (rlim_t{24} << 20);
        rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_AS, &limit);
        const Result<DeviceData> loaded = LoadDeviceFile(path);
        const std::string message = loaded ? "loaded" : loaded.error().message;
        const int fd = ::open(result.c_str(), O_WRONLY | O_CREAT, 0600);
        (void)!::write(fd, message.data(), message.size());
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    const std::string message = ReadWholeFile(result).value_or("<no verdict>");
    EXPECT_EQ(message, OutOfMemoryMessage(path));
}
#endif
#endif  // _WIN32

TEST_F(ReadLimits, TheScanKeepsEachNameOnceWithItsFile) {
    folder_.Put("Data/a.csv", ",b3,,A1,abc ,\r\nnotes, not names\n");
    folder_.Put("Data/b.csv", "a2,ABC ,a1\r");  // no line end: the CR is dropped all the same
    folder_.Put("Data/c.csv", std::string(300000, ',') + "z9" + std::string(300000, ',') + "\n");
    folder_.Put("Data/d.csv", "\nno names on line 1\n");
    const DeviceScan scan = ScanDeviceFolder(folder_ / "Data");
    EXPECT_TRUE(scan.messages.empty());
    std::vector<std::string> entries;
    for (const DeviceEntry& entry : scan.entries) {
        entries.push_back(std::string(entry.name) + "@" + entry.file.filename().string());
    }
    EXPECT_EQ(entries, (std::vector<std::string>{"A1@a.csv", "a1@b.csv", "a2@b.csv",
                                                 "abc @a.csv", "ABC @b.csv", "b3@a.csv",
                                                 "z9@c.csv"}));
    EXPECT_EQ(&scan.entries[0].file, &scan.entries[5].file);  // one path for all of a file's names
}

TEST_F(ReadLimits, TheScanOfManyNamesSortsLikeAStableSortIgnoringCase) {
    // Enough names for every path of the sort (split in place on several threads, then sorted
    // through a buffer; runs of names that agree in their first eight letters), in an order
    // that is not sorted.
    std::vector<std::string> names;
    std::string line;
    for (std::uint32_t i = 0; i < 1100000; ++i) {
        const std::uint32_t k = i * 2654435761u;
        std::string name = (k & 1u) != 0 ? "Dev-" : "DEV-";
        name += static_cast<char>('a' + (k >> 8) % 26);
        name += static_cast<char>('A' + (k >> 12) % 26);
        name += "xy";
        if ((k >> 16) % 3 == 0) {
            name += std::to_string((k >> 4) % 5000);  // beyond the eighth letter, and duplicated
        }
        names.push_back(name);
        line += name + ",";
    }
    folder_.Put("Data/many.csv", line + "\n");
    const DeviceScan scan = ScanDeviceFolder(folder_ / "Data");
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return LessIgnoringCase(a, b);
    });
    ASSERT_EQ(scan.entries.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(scan.entries[i].name, names[i]) << "at " << i;
    }
}

}  // namespace
}  // namespace runwell
