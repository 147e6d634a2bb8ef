// Runs the case tables under fixtures/functions: number reading, text helpers, quantity texts, the
// mode computation, battery cells and the derating helpers. Each line names a function, gives its
// arguments as texts and ends with the expected result as text.

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "TableFile.h"
#include "analysis/CurveScale.h"
#include "base/Numbers.h"
#include "base/Text.h"
#include "battery/BatteryCatalogue.h"
#include "cell/BatteryModel.h"
#include "battery/DeratedLife.h"
#include "battery/MinimumVoltage.h"
#include "estimate/Format.h"
#include "estimate/ModeComputation.h"
#include "estimate/ProfileResults.h"
#include "files/SettingsFile.h"

namespace runwell {
namespace {

using Args = std::vector<std::string>;

constexpr std::uint32_t kSleep = 1000;

/// The shortest text that reads back as the same value.
template <typename Real>
std::string Shortest(Real value) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

template <typename Items>
std::string Bracketed(const Items& items) {
    std::string text;
    for (const auto& item : items) {
        text += "[" + std::string(item) + "]";
    }
    return text;
}

float Float(const std::string& text) {
    return std::strtof(text.c_str(), nullptr);
}
double Double(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}
std::string Bool(bool value) {
    return value ? "true" : "false";
}

PeripheralFlags Flags(const std::string& digits) {
    PeripheralFlags flags{};
    for (std::size_t k = 0; k < digits.size() && digits != "-"; ++k) {
        flags.at(k) = static_cast<std::uint8_t>(digits[k] - '0');
    }
    return flags;
}

/// A device at 3.3V and 25C: a SLEEP row of kSleep nA and a RUN row at 8MHZ of base 1200 nA with
/// `values` (separated by spaces) in the columns headed by `captions` (separated by '|').
DeviceData RunDevice(const std::string& captions, const std::string& values) {
    DeviceData device;
    device.columnNames = SplitAt("Base|" + captions, '|');
    DataRecord sleep{"SLEEP", "3.3V", "25C", "0", {static_cast<std::int32_t>(kSleep)}};
    DataRecord run{"RUN", "3.3V", "25C", "8MHZ", {1200}};
    const std::vector<std::string> numbers = SplitAt(values, ' ');
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        run.values.at(k + 1) = std::stoi(numbers[k]);
    }
    device.rows.push_back(sleep);
    device.rows.push_back(run);
    return device;
}

std::string Entries(const Args& a) {
    const DeviceData device = RunDevice(a[0], a[1]);
    PeripheralFlags flags = Flags(a[2]);
    std::string text;
    for (const PeripheralEntry& e :
         BuildPeripheralEntries(device, std::stoi(a[3]), flags, kSleep)) {
        text += "[" + e.text + "," + std::to_string(e.column) + (e.selected ? ",on]" : ",off]");
    }
    text += "flags=";
    for (std::size_t k = 0; k < device.columnNames.size(); ++k) {
        text += static_cast<char>('0' + flags[k]);
    }
    return text;
}

std::string Figures(const Args& a) {
    const PeripheralFlags flags = Flags(a[2]);
    const ModeInputs inputs{.operatingMode = "RUN",
                            .voltage = "3.3V",
                            .temperature = "25C",
                            .frequency = a[3],
                            .flags = a[2] == "-" ? nullptr : &flags,
                            .sleepCurrent = kSleep,
                            .systemCurrentText = a[4],
                            .systemCurrentUnit = std::stoi(a[5]),
                            .durationText = a[6],
                            .durationUnit = std::stoi(a[7])};
    const Result<ModeFigures> r = ComputeMode(RunDevice(a[0], a[1]), inputs);
    if (!r.ok()) {
        return r.error().message;
    }
    return Shortest(r->controllerCurrent) + " " + Shortest(r->totalCurrent) + " " +
           Shortest(r->controllerCharge) + " " + Shortest(r->totalCharge);
}

/// A value that may be missing: "none" when it is.
std::string Optional(const std::optional<double>& value) {
    return value ? Shortest(*value) : "none";
}

std::string Ticks(const std::vector<AxisTick>& ticks) {
    std::string texts;
    for (const AxisTick& tick : ticks) {
        texts += (texts.empty() ? "" : ",") + tick.text;
    }
    return texts;
}

/// Points "x y|x y|..." of a table; an empty text is an empty table.
InterpolationTable Points(const std::string& text) {
    std::vector<std::pair<double, double>> points;
    for (const std::string& point : SplitAt(text, '|')) {
        std::istringstream(point) >> points.emplace_back().first >> points.back().second;
    }
    return InterpolationTable(points);
}

struct Function {
    std::size_t arity;
    std::function<std::string(const Args&)> call;
};

const std::map<std::string, Function> kFunctions = {
    {"ReadInteger", {1, [](const Args& a) { return std::to_string(ReadInteger(a[0])); }}},
    {"ReadReal", {1, [](const Args& a) { return Shortest(ReadReal(a[0])); }}},
    {"NarrowToFloat", {1, [](const Args& a) { return Shortest(NarrowToFloat(Double(a[0]))); }}},
    {"Saturate",
     {1,
      [](const Args& a) {
          const double v = Double(a[0]);
          return std::to_string(SaturateToInt32(v)) + " " + std::to_string(SaturateToUint32(v)) +
                 " " + std::to_string(SaturateToInt64(v));
      }}},
    {"SplitFields",
     {1,
      [](const Args& a) {
          std::vector<std::string_view> reused{"left", "over"};
          SplitFields(a[0], reused);  // the overload that reuses a vector must clear it first
          return Bracketed(SplitFields(a[0])) + (reused == SplitFields(a[0]) ? "" : " (reused)");
      }}},
    {"SplitTokens", {2, [](const Args& a) { return Bracketed(SplitTokens(a[0], a[1])); }}},
    {"DecodeNotes", {1, [](const Args& a) { return DecodeNotes(a[0]); }}},
    {"TextColumns", {1, [](const Args& a) { return std::to_string(TextColumns(a[0])); }}},
    // Rows split at '|' and cells at '/'; minimum widths as a list of numbers; '.' marks a blank.
    {"LayOutColumns",
     {2,
      [](const Args& a) {
          std::vector<std::vector<std::string>> rows;
          for (const std::string_view row : SplitTokens(a[0], "|")) {
              rows.emplace_back();
              for (const std::string_view cell : SplitTokens(row, "/")) {
                  rows.back().emplace_back(cell == "-" ? std::string_view() : cell);
              }
          }
          std::vector<std::size_t> minimum;
          for (const std::string_view width : SplitTokens(a[1], " ")) {
              minimum.push_back(std::stoul(std::string(width)));
          }
          std::string text = LayOutColumns(rows, minimum);
          std::replace(text.begin(), text.end(), ' ', '.');
          return text;
      }}},
    {"ClassifyForeignFile",
     {2,
      [](const Args& a) {
          static const char* const kKinds[] = {"none", "json", "csv", "text"};
          return std::string(kKinds[static_cast<int>(ClassifyForeignFile(a[0], a[1]))]);
      }}},
    {"ToUpperAscii", {1, [](const Args& a) { return ToUpperAscii(a[0]); }}},
    {"LessIgnoringCase", {2, [](const Args& a) { return Bool(LessIgnoringCase(a[0], a[1])); }}},
    {"StartsWithIgnoringCase",
     {2, [](const Args& a) { return Bool(StartsWithIgnoringCase(a[0], a[1])); }}},
    {"FindPrefixIgnoringCase",
     {2,
      [](const Args& a) {
          return std::to_string(FindPrefixIgnoringCase(SplitAt(a[0], '|'), a[1]));
      }}},
    {"LineReader",
     {1,
      [](const Args& a) {
          LineReader reader(a[0]);
          std::vector<std::string_view> lines;
          for (std::string_view line; reader.Next(line);) {
              lines.push_back(line);
              EXPECT_EQ(reader.lineNumber(), static_cast<int>(lines.size()));
          }
          std::string_view after;
          return Bracketed(lines) + (reader.Next(after) ? " (more after the end)" : "");
      }}},
    {"FormatCurrent", {1, [](const Args& a) { return FormatCurrent(Float(a[0])); }}},
    {"FormatTime", {1, [](const Args& a) { return FormatTime(Float(a[0])); }}},
    {"FormatCharge", {1, [](const Args& a) { return FormatCharge(Float(a[0])); }}},
    {"FormatTrimmed",
     {2, [](const Args& a) { return FormatTrimmed(Double(a[0]), std::stoi(a[1])); }}},
    {"LookupSleepCurrent",
     {2,
      [](const Args& a) {
          const SleepCurrent sleep = LookupSleepCurrent(RunDevice("", ""), a[0], a[1]);
          return std::to_string(sleep.nanoamps) + " " + sleep.warning.value_or("(no warning)");
      }}},
    {"ToMicroseconds",
     {2, [](const Args& a) { return Shortest(ToMicroseconds(a[0], std::stoi(a[1]))); }}},
    {"ToNanoamps", {2, [](const Args& a) { return Shortest(ToNanoamps(a[0], std::stoi(a[1]))); }}},
    {"SplitForDisplay",
     {1,
      [](const Args& a) {
          const DisplaySplit split = SplitForDisplay(Float(a[0]));
          return std::to_string(split.unitIndex) + " " + split.number;
      }}},
    {"BuildPeripheralEntries", {4, Entries}},
    {"ControllerCurrent",
     {3,
      [](const Args& a) {
          return Shortest(ControllerCurrent(RunDevice(a[0], a[1]), 1, Flags(a[2]), kSleep));
      }}},
    {"ComputeMode", {8, Figures}},
    {"BatteryCell",
     {2,
      [](const Args& a) {
          const std::vector<BatteryRecord> records = ParseBatteryRecords("Header\n" + a[0] + "\n");
          return records.size() != 1 ? "(no record)" : BatteryCells(records[0]).at(std::stoul(a[1]));
      }}},
    {"NumberOfLabel", {1, [](const Args& a) { return Optional(NumberOfLabel(a[0])); }}},
    {"ReadMinimumVoltage",
     {1,
      [](const Args& a) {
          const Result<std::optional<double>> read = ReadMinimumVoltage(a[0]);
          return read.ok() ? Optional(*read) : read.error().message;
      }}},
    {"MinimumVoltageText",
     {1,
      [](const Args& a) {
          return MinimumVoltageText(a[0] == "none" ? std::nullopt
                                                   : std::optional<double>(Double(a[0])));
      }}},
    {"HourTicks", {1, [](const Args& a) { return Ticks(HourTicks(Double(a[0]))); }}},
    {"VoltTicks", {2, [](const Args& a) { return Ticks(VoltTicks(Double(a[0]), Double(a[1]))); }}},
    {"FormatBatteryLife", {1, [](const Args& a) { return FormatBatteryLife(std::stoll(a[0])); }}},
    {"Interpolate",
     {2, [](const Args& a) { return Shortest(Points(a[0]).At(Double(a[1]), -1.0)); }}},
};

// Every table under fixtures/functions, each line a call of one of kFunctions.
TEST(CoreFunctions, EveryTable) {
    std::size_t tables = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(RUNWELL_FIXTURES) / "functions")) {
        const std::string name = entry.path().filename().string();
        const std::vector<Args> table = ReadTable(entry.path());
        ASSERT_FALSE(table.empty()) << name;
        for (const Args& row : table) {
            const auto function = kFunctions.find(row[0]);
            ASSERT_TRUE(function != kFunctions.end()) << name << ": no function " << row[0];
            ASSERT_EQ(row.size(), function->second.arity + 2)
                << name << ": " << testing::PrintToString(row);
            const Args args(row.begin() + 1, row.end() - 1);
            EXPECT_EQ(function->second.call(args), row.back())
                << name << ": " << testing::PrintToString(row);
        }
        ++tables;
    }
    EXPECT_GE(tables, 6u);
}

}  // namespace
}  // namespace runwell
