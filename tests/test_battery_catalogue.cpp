#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "TableFile.h"
#include "model/BatteryCatalogue.h"
#include "model/FileRead.h"

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

}  // namespace
}  // namespace runwell
