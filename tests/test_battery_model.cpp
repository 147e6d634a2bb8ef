// Battery model files: the reader's messages for broken files, the folder scan, and the shipped
// models against the shipped catalogue. Interpolation is in fixtures/functions/derating.tsv.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "TableFile.h"
#include "battery/BatteryCatalogue.h"
#include "cell/BatteryModel.h"
#include "battery/BatteryModelFiles.h"
#include "platform/DataLocation.h"
#include "platform/FileRead.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;
const fs::path kFixtures = fs::path(RUNWELL_FIXTURES) / "battery-model";

TEST(BatteryModelFile, BrokenFilesGiveTheirMessages) {
    const auto rows = ReadTable(kFixtures / "broken.tsv");
    ASSERT_GE(rows.size(), 30u);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 3u) << row[0];
        const Result<BatteryModel> model = ParseBatteryModel(row[1]);
        ASSERT_FALSE(model.ok()) << row[0];
        EXPECT_EQ(model.error().message, row[2]) << row[0];
    }
    EXPECT_EQ(ParseBatteryModel(std::string(std::size_t{1} << 21, ' ')).error().message,
              "The file is larger than 1 MiB; a battery model is a few kilobytes.");
}

TEST(BatteryModelFile, FullFileReadsEveryField) {
    const Result<BatteryModel> model = ParseBatteryModel(R"({
        "format": "runwell-battery-model", "version": 1, "battery": "Cell",
        "sources": ["Sheet one", "Note two"], "comment": "free text",
        "cutoffVoltage": 2.0,
        "capacityVsCurrent": {"source": "s", "points": [[0.2, 225], [3, 150]]},
        "capacityFactorVsTemperature": {"source": "s", "points": [[-20, 0.5], [20, 1]]},
        "openCircuitVoltageVsDepth": {"source": "s", "points": [[0, 3.2], [1, 2.0]]},
        "resistanceVsDepth": {"source": "s", "points": [[0, 10], [1, 40]]},
        "resistanceFactorVsTemperature": {"source": "s", "points": [[-20, 3], [20, 1]]},
        "selfDischarge": {"source": "s", "percentPerYearAt20C": 1, "doublingPerC": 12},
        "shelfLifeYears": 10
    })");
    ASSERT_TRUE(model.ok()) << model.error().message;
    EXPECT_EQ(model->battery, "Cell");
    EXPECT_EQ(model->sources, "Sheet one\nNote two");
    EXPECT_EQ(model->cutoffVoltage, 2.0);
    EXPECT_EQ(model->capacityVsCurrent.points().size(), 2u);
    EXPECT_EQ(model->resistanceFactorVsTemperature.At(0.0, 1.0), 2.0);
    EXPECT_EQ(model->selfDischargePercentPerYear, 1.0);
    EXPECT_EQ(model->selfDischargeDoublingC, 12.0);
    EXPECT_EQ(model->shelfLifeYears, 10.0);
}

/// Each battery's model as its cut-off voltage, "-" for none.
std::string Cutoffs(const BatteryModelSet& set) {
    std::ostringstream text;
    for (const std::optional<BatteryModel>& model : set.models) {
        text << ' ' << (model ? std::to_string(model->cutoffVoltage).substr(0, 3) : "-");
    }
    return text.str();
}

TEST(BatteryModelFolder, MatchesByDescriptionAndNamesBadFiles) {
    std::vector<BatteryRecord> batteries(4);
    batteries[0].description = "Cell B";
    batteries[1].description = "Cell A";
    batteries[2].description = "Cell C";
    batteries[3].description = "Cell A";  // the same description in the custom file
    const BatteryModelSet set = LoadBatteryModels(kFixtures / "folder", batteries);
    EXPECT_EQ(Cutoffs(set), " - 2.0 - 2.0");  // the first file in name order wins
    EXPECT_EQ(set.messages,
              (std::vector<std::string>{
                  "BatteryModels/b-broken.json: The file is not valid JSON (near byte 71).",
                  "BatteryModels/c-second-for-a.json: BatteryModels/a-good.json already "
                  "describes \"Cell A\"; this file is not used."}));

    // A folder and a pipe named like model files are named, never opened.
    const ScratchFolder temp;
    fs::create_directory(temp / "folder.json");
    ASSERT_EQ(::mkfifo((temp / "pipe.json").c_str(), 0600), 0);
    EXPECT_EQ(LoadBatteryModels(temp.path(), batteries).messages,
              (std::vector<std::string>{"BatteryModels/folder.json: The file cannot be read.",
                                        "BatteryModels/pipe.json: The file cannot be read."}));

    const BatteryModelSet none = LoadBatteryModels(kFixtures / "no-such-folder", batteries);
    EXPECT_EQ(Cutoffs(none), " - - - -");
    EXPECT_TRUE(none.messages.empty());
}

TEST(BatteryModelFolder, UserModelsBesideTheCustomFileReplaceShippedOnes) {
    const ScratchFolder temp;
    const auto write = [&temp](const char* file, const std::string& battery, double cutoff) {
        temp.Put(file, R"({"format":"runwell-battery-model","version":1,"battery":")" + battery +
                           R"(","sources":["test"],"cutoffVoltage":)" + std::to_string(cutoff) +
                           "}");
    };
    write("share/BatteryModels/a.json", "Cell A", 2.0);
    write("share/BatteryModels/b.json", "Cell B", 2.0);
    write("user/BatteryModels/a-measured.json", "Cell A", 2.5);
    write("user/BatteryModels/c.json", "Cell C", 1.0);
    temp.Put("user/BatteryModels/broken.json", "{");
    std::vector<BatteryRecord> batteries(4);
    batteries[0].description = "Cell A";
    batteries[1].description = "Cell B";
    batteries[2].description = "Cell C";
    batteries[3].description = "Cell D";

    DataLocation installed{temp / "share", temp / "user/CustomBattery.csv", true};
    const BatteryModelSet set = LoadBatteryModels(installed, batteries);
    EXPECT_EQ(Cutoffs(set), " 2.5 2.0 1.0 -");  // the user's own figures win
    ASSERT_EQ(set.messages.size(), 1u);
    // The user's file is named where it is, not as one of the shipped folder's.
    const std::string userFile =
        PathToUtf8(temp / "user" / "BatteryModels" / "broken.json") + ": ";
    EXPECT_EQ(set.messages[0].rfind(userFile, 0), 0u) << set.messages[0];

    // Portable layout: one folder, read once (no second-file message for every model).
    const BatteryModelSet portable =
        LoadBatteryModels(PortableDataLocation(temp / "share"), batteries);
    EXPECT_TRUE(portable.messages.empty());
    EXPECT_EQ(Cutoffs(portable), " 2.0 2.0 - -");
    // Nowhere to keep a custom file: the shipped models alone.
    EXPECT_EQ(Cutoffs(LoadBatteryModels(DataLocation{temp / "share", {}, false}, batteries)),
              " 2.0 2.0 - -");
}

TEST(ShippedBatteryModels, EveryFileReadsAndBelongsToACatalogueBattery) {
    const fs::path source(RUNWELL_SOURCE_DIR);
    const std::optional<std::string> csv = ReadWholeFile(source / "StandardBattery.csv");
    ASSERT_TRUE(csv);
    const std::vector<BatteryRecord> batteries = ParseBatteryRecords(*csv);
    const BatteryModelSet set = LoadBatteryModels(source / "BatteryModels", batteries);
    EXPECT_TRUE(set.messages.empty()) << set.messages.front();

    std::set<std::string> modelled;
    for (std::size_t i = 0; i < batteries.size(); ++i) {
        if (set.models[i]) {
            modelled.insert(batteries[i].description);
        }
    }
    for (const char* required :
         {"CR2032 coin cell", "CR2450 coin cell", "AA alkaline", "AAA alkaline",
          "AA lithium iron disulfide", "ER14505 AA bobbin cell", "Li-polymer pouch 1000 mAh"}) {
        EXPECT_TRUE(modelled.count(required)) << required;
    }
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(source / "BatteryModels")) {
        files += entry.path().extension() == ".json";
    }
    EXPECT_EQ(files, modelled.size()) << "a shipped model names no shipped battery";
}

}  // namespace
}  // namespace runwell
