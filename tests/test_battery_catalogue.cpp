#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "model/BatteryCatalogue.h"
#include "model/FileRead.h"
#include "model/Messages.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

using Cells = std::array<std::string, 7>;

constexpr const char* kHeader = "Description,Capacity,Self,Nominal,Cont,Pulse,Notes\r\n";

/// The one record of a file holding the header and `line`.
BatteryRecord ParseOne(const std::string& line) {
    const std::vector<BatteryRecord> records = ParseBatteryRecords(kHeader + line + "\r\n");
    EXPECT_EQ(records.size(), 1u) << line;
    return records.empty() ? BatteryRecord{} : records.front();
}

std::vector<std::string> Descriptions(const std::vector<BatteryRecord>& records) {
    std::vector<std::string> names;
    for (const BatteryRecord& record : records) {
        names.push_back(record.description);
    }
    return names;
}

/// A fresh empty folder per test, removed afterwards; the random suffix keeps test runs of
/// several build folders apart.
class TempFolder {
public:
    TempFolder() {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() / (std::string("runwell_battery_") + info->name() + "_" +
                                             std::to_string(std::random_device{}()));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ / name, std::ios::binary) << content;
    }

private:
    fs::path path_;
};

// --- Field finding ---------------------------------------------------------------------------

TEST(BatteryLine, ReadsAllFieldsOfAFullLine) {
    const BatteryRecord b = ParseOne("AA Alkaline,2500,0.25,1.5,100,1000,Example");
    EXPECT_EQ(b.description, "AA Alkaline");
    EXPECT_EQ(b.capacityMah, 2500u);
    EXPECT_EQ(b.selfDischargePercent, 0.25f);
    EXPECT_EQ(b.selfDischargeCurrent, 8680.5557f);
    EXPECT_EQ(b.nominalVoltage, "1.5");
    EXPECT_EQ(b.maxContinuousCurrent, 100000000.0f);
    EXPECT_EQ(b.maxPulseCurrent, 1000000000.0f);
    EXPECT_EQ(b.notes, "Example");
    EXPECT_EQ(BatteryCells(b), (Cells{"AA Alkaline", "2500 mAh", "0.25 %/mo(8.681 uA)", "1.5",
                                      "100 mA", "1000 mA", "Example"}));
}

TEST(BatteryLine, EmptyFieldShiftsLaterFieldsLeft) {
    const BatteryRecord b = ParseOne("Coin,220,1,3,,15,Note");
    EXPECT_EQ(b.maxContinuousCurrent, 15000000.0f);
    EXPECT_EQ(b.maxPulseCurrent, 0.0f);  // "Note" is not a number
    EXPECT_EQ(b.notes, "");
    EXPECT_EQ(b.selfDischargeCurrent, 3055.5554f);
    EXPECT_EQ(BatteryCells(b),
              (Cells{"Coin", "220 mAh", "1 %/mo(3.056 uA)", "3", "15 mA", "*", ""}));
}

TEST(BatteryLine, NotesField) {
    struct Case {
        const char* line;
        const char* description;
        const char* notes;
    };
    const Case cases[] = {
        // Quotes keep the commas of the last field.
        {"CR2032,225,0.08,3.0,3,15,\"Tested, see sheet\"", "CR2032", "Tested, see sheet"},
        // Without quotes the note ends at the next comma.
        {"X,1,1,3,1,1,a,b", "X", "a"},
        // A quote in the description makes the note run to the next quote or the line's end.
        {"Big \"D\" cell,100,1,3,1,1,note,more", "Big \"D\" cell", "note,more"},
        {"Big \"D\" cell,100,1,3,1,1,note\"tail", "Big \"D\" cell", "note"},
        // Quotes give no protection to the first six fields.
        {"\"Pack, 2 cells\",100,1,3,1,1,n", "\"Pack", "1,n"},
        {"Plain,1,1,3,1,1", "Plain", ""},
        {"Plain,1,1,3,1,1,,,", "Plain", ""},
    };
    for (const Case& c : cases) {
        const BatteryRecord b = ParseOne(c.line);
        EXPECT_EQ(b.description, c.description) << c.line;
        EXPECT_EQ(b.notes, c.notes) << c.line;
    }
}

TEST(BatteryLine, LeadingAndRepeatedSeparatorsAreNoFields) {
    const BatteryRecord b = ParseOne(",,Lead,,10,,,2,,3V,4,5,n");
    EXPECT_EQ(b.description, "Lead");
    EXPECT_EQ(b.capacityMah, 10u);
    EXPECT_EQ(b.selfDischargePercent, 2.0f);
    EXPECT_EQ(b.nominalVoltage, "3V");
    EXPECT_EQ(b.maxContinuousCurrent, 4000000.0f);
    EXPECT_EQ(b.maxPulseCurrent, 5000000.0f);
    EXPECT_EQ(b.notes, "n");
}

TEST(BatteryLine, ShortLineReadsMissingFieldsAsEmpty) {
    const std::vector<BatteryRecord> records = ParseBatteryRecords(std::string(kHeader) +
                                                                   "Short,100\r\n"
                                                                   "Name only\r\n"
                                                                   "Q\"uote,5\r\n"
                                                                   "Next,7,1,1.2,3,4,after\r\n");
    ASSERT_EQ(records.size(), 4u);
    BatteryRecord shortLine;
    shortLine.description = "Short";
    shortLine.capacityMah = 100;
    EXPECT_EQ(records[0], shortLine);
    EXPECT_EQ(BatteryCells(records[0]),
              (Cells{"Short", "100 mAh", "0 %/mo(0 nA)", "", "*", "*", ""}));
    BatteryRecord nameOnly;
    nameOnly.description = "Name only";
    EXPECT_EQ(records[1], nameOnly);
    EXPECT_EQ(records[2].description, "Q\"uote");
    EXPECT_EQ(records[2].capacityMah, 5u);
    EXPECT_EQ(records[2].notes, "");
    // The following line is read on its own, untouched by the short ones.
    EXPECT_EQ(records[3].description, "Next");
    EXPECT_EQ(records[3].nominalVoltage, "1.2");
    EXPECT_EQ(records[3].notes, "after");
}

TEST(BatteryLine, NumberFields) {
    struct Case {
        const char* line;
        std::uint32_t capacity;
        const char* capacityCell;
        float continuous;
    };
    const Case cases[] = {
        {"A,2500mAh,0,3,1.5mA", 2500u, "2500 mAh", 1500000.0f},
        {"A, 42 ,0,3, 2.5e-1", 42u, "42 mAh", 250000.0f},
        {"A,abc,0,3,x", 0u, "0 mAh", 0.0f},
        // A negative capacity wraps as the unsigned field holds it, and shows as written.
        {"A,-1,0,3,-1", 4294967295u, "-1 mAh", -1000000.0f},
        // Beyond the 32-bit range the capacity saturates instead of wrapping.
        {"A,99999999999,0,3,0", 2147483647u, "2147483647 mAh", 0.0f},
    };
    for (const Case& c : cases) {
        const BatteryRecord b = ParseOne(c.line);
        EXPECT_EQ(b.capacityMah, c.capacity) << c.line;
        EXPECT_EQ(BatteryCells(b)[1], c.capacityCell) << c.line;
        EXPECT_EQ(b.maxContinuousCurrent, c.continuous) << c.line;
    }
}

TEST(BatteryLine, SelfDischargeCell) {
    struct Case {
        const char* line;
        float current;
        const char* cell;
    };
    const Case cases[] = {
        {"A,1000,2", 27777.777f, "2 %/mo(27.778 uA)"},
        {"A,1000,2.5", 34722.223f, "2.5 %/mo(34.722 uA)"},
        {"A,1000,0", 0.0f, "0 %/mo(0 nA)"},
        {"A,1000,0.126", 1749.9999f, "0.13 %/mo(1.75 uA)"},
        {"A,0,5", 0.0f, "5 %/mo(0 nA)"},
    };
    for (const Case& c : cases) {
        const BatteryRecord b = ParseOne(c.line);
        EXPECT_EQ(b.selfDischargeCurrent, c.current) << c.line;
        EXPECT_EQ(BatteryCells(b)[2], c.cell) << c.line;
    }
}

// --- Lines of a file -------------------------------------------------------------------------

TEST(BatteryFile, HeaderIsNeverReadAndEmptyFirstFieldEndsTheList) {
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> descriptions;
    };
    const Case cases[] = {
        {"empty file", "", {}},
        {"header only", "A,1,1,1,1,1,n", {}},
        {"header without line end", "Description\r\nA,1", {"A"}},
        {"blank line", "H\r\nA,1\r\n\r\nB,2\r\n", {"A"}},
        {"only commas", "H\nA,1\n,,,\nB,2\n", {"A"}},
        {"blank line first", "H\n\nA,1\n", {}},
        {"trailing blank lines", "H\nA,1\nB,2\n\n\n", {"A", "B"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Descriptions(ParseBatteryRecords(c.content)), c.descriptions) << c.name;
    }
}

TEST(BatteryFile, CrLfAndLfGiveTheSameRecords) {
    const std::string lf =
        "H\n"
        "AA Alkaline,2500,0.25,1.5,100,1000,Example\n"
        "Coin,220,1,3,,15,Note\n"
        "CR2032,225,0.08,3.0,3,15,\"Tested, see sheet\"";
    std::string crlf;
    for (const char c : lf) {
        if (c == '\n') {
            crlf += '\r';
        }
        crlf += c;
    }
    const std::vector<BatteryRecord> fromLf = ParseBatteryRecords(lf);
    ASSERT_EQ(fromLf.size(), 3u);
    EXPECT_EQ(ParseBatteryRecords(crlf), fromLf);
    EXPECT_EQ(fromLf[0].notes, "Example");
    EXPECT_EQ(fromLf[2].notes, "Tested, see sheet");
}

TEST(BatteryFile, LoadAppendsInFileOrder) {
    TempFolder folder;
    folder.Write("b.csv", "H\r\nFirst,1\r\nSecond,2\r\n");
    std::vector<BatteryRecord> catalogue{IdealBattery()};
    EXPECT_EQ(LoadBatteryFile(folder.path() / "b.csv", catalogue), std::nullopt);
    EXPECT_EQ(Descriptions(catalogue), (std::vector<std::string>{"Ideal", "First", "Second"}));
}

TEST(BatteryFile, UnreadableFileGivesIdealAndMessage) {
    TempFolder folder;
    fs::create_directory(folder.path() / "dir.csv");
    for (const fs::path& path : {folder.path() / "missing.csv", folder.path() / "dir.csv"}) {
        std::vector<BatteryRecord> catalogue;
        EXPECT_EQ(LoadBatteryFile(path, catalogue), std::string(msg::kCannotOpenBatteryFile));
        EXPECT_EQ(catalogue, std::vector<BatteryRecord>{IdealBattery()}) << path;
    }
    EXPECT_EQ(BatteryCells(IdealBattery()),
              (Cells{"Ideal", "1000 mAh", "0 %/mo(0 nA)", "", "*", "*", "*"}));
}

// --- The custom file and start-up ------------------------------------------------------------

TEST(CustomBatteryFile, CreatedWithItsHeaderOnly) {
    TempFolder folder;
    const fs::path path = folder.path() / "CustomBattery.csv";
    const EnsureOutcome outcome = EnsureCustomBatteryFile(path);
    EXPECT_FALSE(outcome.existed);
    EXPECT_EQ(outcome.message, std::nullopt);
    EXPECT_EQ(
        ReadWholeFile(path),
        std::string("Description,\"Capacity, mAh\",\"Self discharge, %/month\",Nominal V,"
                    "\"Maximum cont. current, mA\",\"Maximum pulse. current, mA\",Notes\r\n"));
    // The header is a header: it yields no battery.
    EXPECT_TRUE(ParseBatteryRecords(CustomBatteryHeader()).empty());

    const EnsureOutcome again = EnsureCustomBatteryFile(path);
    EXPECT_TRUE(again.existed);
    EXPECT_EQ(again.message, std::nullopt);
}

TEST(CustomBatteryFile, ExistingEntryIsLeftAlone) {
    TempFolder folder;
    folder.Write("file.csv", "H\nMine,5\n");
    fs::create_directory(folder.path() / "dir.csv");
    fs::create_symlink(folder.path() / "nowhere.csv", folder.path() / "dangling.csv");
    for (const char* name : {"file.csv", "dir.csv", "dangling.csv"}) {
        const EnsureOutcome outcome = EnsureCustomBatteryFile(folder.path() / name);
        EXPECT_TRUE(outcome.existed) << name;
        EXPECT_EQ(outcome.message, std::nullopt) << name;
    }
    EXPECT_EQ(ReadWholeFile(folder.path() / "file.csv"), std::string("H\nMine,5\n"));
    EXPECT_FALSE(fs::exists(folder.path() / "nowhere.csv"));  // not written through the link
}

TEST(CustomBatteryFile, CreationFailureIsReported) {
    TempFolder folder;
    // A folder that does not exist cannot take the file, whoever runs the test.
    const EnsureOutcome outcome =
        EnsureCustomBatteryFile(folder.path() / "no such folder" / "CustomBattery.csv");
    EXPECT_FALSE(outcome.existed);
    EXPECT_EQ(outcome.message, std::string(msg::kCannotOpenForWriting));
}

TEST(BatteryCatalogueLoad, BothFilesMissing) {
    TempFolder folder;
    const BatteryCatalogue catalogue = LoadBatteryCatalogue(folder.path());
    EXPECT_EQ(catalogue.messages, std::vector<std::string>{msg::kCannotOpenBatteryFile});
    EXPECT_EQ(catalogue.records, std::vector<BatteryRecord>{IdealBattery()});
    EXPECT_EQ(ReadWholeFile(folder.path() / "CustomBattery.csv"),
              std::string(CustomBatteryHeader()));
}

TEST(BatteryCatalogueLoad, StandardThenCustom) {
    struct Case {
        const char* name;
        const char* custom;  // nullptr: no custom file
        bool customIsFolder;
        std::vector<std::string> descriptions;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        // Created now and not read.
        {"no custom file", nullptr, false, {"S1", "S2"}, {}},
        {"custom with header only", "Description,Capacity\r\n", false, {"S1", "S2"}, {}},
        {"custom with records", "H\r\nC1,10\r\n", false, {"S1", "S2", "C1"}, {}},
        // A folder there counts as existing, and then cannot be read.
        {"custom is a folder", nullptr, true, {"S1", "S2", "Ideal"}, {msg::kCannotOpenBatteryFile}},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        folder.Write("StandardBattery.csv", "H\nS1,1\nS2,2\n");
        if (c.custom != nullptr) {
            folder.Write("CustomBattery.csv", c.custom);
        }
        if (c.customIsFolder) {
            fs::create_directory(folder.path() / "CustomBattery.csv");
        }
        const BatteryCatalogue catalogue = LoadBatteryCatalogue(folder.path());
        EXPECT_EQ(Descriptions(catalogue.records), c.descriptions) << c.name;
        EXPECT_EQ(catalogue.messages, c.messages) << c.name;
    }
}

TEST(BatteryCatalogueLoad, FolderThatDoesNotExist) {
    TempFolder folder;
    const BatteryCatalogue catalogue = LoadBatteryCatalogue(folder.path() / "gone");
    EXPECT_EQ(catalogue.messages,
              (std::vector<std::string>{msg::kCannotOpenBatteryFile, msg::kCannotOpenForWriting}));
    EXPECT_EQ(catalogue.records, std::vector<BatteryRecord>{IdealBattery()});
}

// --- The catalogue that comes with the system ------------------------------------------------

TEST(StandardBatteryFile, LoadsAndEveryRowRenders) {
    std::vector<BatteryRecord> catalogue;
    EXPECT_EQ(LoadBatteryFile(RUNWELL_SOURCE_DIR "/StandardBattery.csv", catalogue), std::nullopt);
    EXPECT_GE(catalogue.size(), 12u);
    for (const BatteryRecord& battery : catalogue) {
        EXPECT_FALSE(battery.description.empty());
        EXPECT_GT(battery.capacityMah, 0u) << battery.description;
        EXPECT_LT(battery.capacityMah, 2147483648u) << battery.description;
        EXPECT_GE(battery.selfDischargePercent, 0.0f) << battery.description;
        EXPECT_GE(battery.maxContinuousCurrent, 0.0f) << battery.description;
        EXPECT_GE(battery.maxPulseCurrent, 0.0f) << battery.description;
        const Cells cells = BatteryCells(battery);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i != 3) {
                EXPECT_FALSE(cells[i].empty()) << battery.description << " cell " << i;
            }
            EXPECT_EQ(cells[i].find_first_of("\r\n\""), std::string::npos)
                << battery.description << " cell " << i;
        }
    }
}

}  // namespace
}  // namespace runwell
