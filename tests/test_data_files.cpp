// The data files of the catalogues: battery files line by line, the standard and custom battery
// files together, the shipped battery file, and the device data files.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "TableFile.h"
#include "battery/BatteryCatalogue.h"
#include "device/DeviceFile.h"
#include "platform/FileRead.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kCannotOpen{"Cannot open battery data file."};

std::vector<std::string> Descriptions(const std::vector<BatteryRecord>& records) {
    std::vector<std::string> names(records.size());
    std::ranges::transform(records, names.begin(), &BatteryRecord::description);
    return names;
}

TEST(BatteryFile, LinesGiveTheirRows) {
    const auto table = ReadTable(RUNWELL_FIXTURES "/battery/lines.tsv");
    ASSERT_GE(table.size(), 18u);
    for (const std::vector<std::string>& row : table) {
        ASSERT_GE(row.size(), 2u) << row[0];
        std::string crlf;
        for (const char c : row[1]) {
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        }
        for (const std::string& content : {row[1], crlf}) {
            std::vector<std::string> cells;
            for (const BatteryRecord& record : ParseBatteryRecords(content)) {
                const auto recordCells = BatteryCells(record);
                cells.insert(cells.end(), recordCells.begin(), recordCells.end());
            }
            EXPECT_EQ(cells, std::vector<std::string>(row.begin() + 2, row.end()))
                << row[0] << (content == crlf ? " (CR LF)" : " (LF)");
        }
    }
}

TEST(BatteryCatalogueLoad, StandardThenCustom) {
    const std::string header =
        "Description,\"Capacity, mAh\",\"Self discharge, %/month\",Nominal V,"
        "\"Maximum cont. current, mA\",\"Maximum pulse. current, mA\",Notes\r\n";
    struct Case {
        const char* name;
        bool standard;       // StandardBattery.csv holds S1 and S2
        std::string custom;  // "-": nothing there, "/": a folder, "@": a dangling link
        std::vector<std::string> descriptions;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"both missing", false, "-", {"Ideal"}, kCannotOpen},
        {"custom missing: created, not read", true, "-", {"S1", "S2"}, {}},
        {"custom with its header only", true, header, {"S1", "S2"}, {}},
        {"custom with records", true, "H\r\nC1,10\r\n", {"S1", "S2", "C1"}, {}},
        {"custom is a folder", true, "/", {"S1", "S2", "Ideal"}, kCannotOpen},
        {"custom is a dangling link", true, "@", {"S1", "S2", "Ideal"}, kCannotOpen},
    };
    for (const Case& c : cases) {
        const ScratchFolder folder;
        const fs::path custom = folder / "CustomBattery.csv";
        if (c.standard) {
            folder.Put("StandardBattery.csv", "H\nS1,1\nS2,2\n");
        }
        if (c.custom == "/") {
            fs::create_directory(custom);
        } else if (c.custom == "@") {
            std::error_code ec;
            fs::create_symlink(folder / "nowhere.csv", custom, ec);
            if (ec) {
                continue;  // Windows makes links only for privileged users
            }
        } else if (c.custom != "-") {
            folder.Put("CustomBattery.csv", c.custom);
        }
        const BatteryCatalogue catalogue = LoadBatteryCatalogue(folder.path());
        EXPECT_EQ(Descriptions(catalogue.records), c.descriptions) << c.name;
        EXPECT_EQ(catalogue.messages, c.messages) << c.name;
        if (c.custom == "-") {
            EXPECT_EQ(ReadWholeFile(custom), header) << c.name;
        }
        EXPECT_FALSE(fs::exists(folder / "nowhere.csv")) << c.name;
    }
    EXPECT_EQ(BatteryCells(IdealBattery()),
              (std::array<std::string, 7>{"Ideal", "1000 mAh", "0 %/mo(0 nA)", "", "*", "*", "*"}));

    // A folder that does not exist can take no custom file, whoever runs the test.
    const BatteryCatalogue gone = LoadBatteryCatalogue(ScratchFolder() / "gone");
    EXPECT_EQ(gone.messages, kCannotOpen);
    EXPECT_EQ(gone.customFileNotCreated, "Cannot open file for writing.");
    EXPECT_EQ(gone.records, std::vector<BatteryRecord>{IdealBattery()});
}

TEST(StandardBatteryFile, LoadsWithSensibleRows) {
    std::vector<BatteryRecord> catalogue;
    EXPECT_EQ(LoadBatteryFile(RUNWELL_SOURCE_DIR "/StandardBattery.csv", catalogue), std::nullopt);
    EXPECT_GE(catalogue.size(), 12u);
    for (const BatteryRecord& b : catalogue) {
        EXPECT_TRUE(b.capacityMah > 0 && b.capacityMah < 2147483648u &&
                    b.selfDischargePercent >= 0 && b.maxContinuousCurrent >= 0 &&
                    b.maxPulseCurrent >= 0)
            << b.description;
        const auto cells = BatteryCells(b);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            EXPECT_TRUE((i == 3 || !cells[i].empty()) &&
                        cells[i].find_first_of("\r\n\"") == std::string::npos)
                << b.description << " cell " << i << ": " << cells[i];
        }
    }
}

// --- Device data files: every file under fixtures/device against fixtures/device/expected.tsv:
// lists, rows, lookups, and the messages of files that fail. ---------------------------------

/// The row's labels, then its values up to the last one that is not 0.
std::string RowText(const DataRow& row) {
    std::string text = Join({std::string(row.modeName), std::string(row.voltageName),
                             std::string(row.temperatureName), std::string(row.frequencyName)},
                            "|");
    std::size_t count = row.values.size();
    while (count > 0 && row.values[count - 1] == 0) {
        --count;
    }
    for (std::size_t k = 0; k < count; ++k) {
        text += (k == 0 ? "|" : " ") + std::to_string(row.values[k]);
    }
    return text;
}

/// The answer to one query of the table: q[1] names it, q[2] and on are its arguments.
std::string Answer(const Result<DeviceData>& loaded, const std::vector<std::string>& q) {
    if (!loaded.ok()) {
        return (q[1] == "error" ? "" : "(failed) ") + loaded.error().message;
    }
    if (q[1] == "error") {
        return "(loaded)";
    }
    const DeviceData& d = *loaded;
    const std::map<std::string, std::string> lists{{"notes", d.deviceNotes},
                                                   {"columns", Join(d.columnNames, "|")},
                                                   {"modes", Join(d.modeNames, "|")},
                                                   {"voltages", Join(d.voltageNames, "|")},
                                                   {"temperatures", Join(d.temperatureNames, "|")},
                                                   {"rows", std::to_string(d.rows.size())}};
    if (const auto it = lists.find(q[1]); it != lists.end()) {
        return it->second;
    }
    if (q[1] == "row") {
        return RowText(d.rows.at(std::stoul(q.at(2))));
    }
    if (q[1] == "FindModeRow") {
        return std::to_string(d.FindModeRow(q.at(2), q.at(3), q.at(4), q.at(5)));
    }
    if (q[1] == "FindColumn") {
        return std::to_string(d.FindColumn(q.at(2)));
    }
    if (q[1] == "ListModeFrequencies") {
        return Join(d.ListModeFrequencies(q.at(2), q.at(3), q.at(4)), "|");
    }
    return "(unknown query)";
}

TEST(LoadDeviceFile, EveryFixtureLoadsAsTheTableSays) {
    const fs::path folder = fs::path(RUNWELL_FIXTURES) / "device";
    const std::vector<std::vector<std::string>> table = ReadTable(folder / "expected.tsv");
    ASSERT_FALSE(table.empty());
    std::map<std::string, Result<DeviceData>> loaded;
    for (const std::vector<std::string>& q : table) {
        ASSERT_GE(q.size(), 3u) << q[0];
        auto it = loaded.find(q[0]);
        if (it == loaded.end()) {
            it = loaded.emplace(q[0], LoadDeviceFile(folder / q[0])).first;
        }
        EXPECT_EQ(Answer(it->second, q), q.back()) << testing::PrintToString(q);
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(entry.path().extension() != ".csv" || loaded.contains(name))
            << "unused " << name;
    }
}

}  // namespace
}  // namespace runwell
