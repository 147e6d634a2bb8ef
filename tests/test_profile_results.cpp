#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "TableFile.h"
#include "model/ProfileResults.h"

namespace runwell {
namespace {

/// The words of `text` split at `separator`; none for an empty text.
std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; !text.empty() && std::getline(in, word, separator);) {
        words.push_back(word);
    }
    return words;
}

TEST(ProfileResults, AveragePeakLifeAndShares) {
    const auto table = ReadTable(RUNWELL_FIXTURES "/results/profiles.tsv");
    ASSERT_GE(table.size(), 35u);
    for (const std::vector<std::string>& row : table) {
        ASSERT_GE(row.size(), 6u) << row[0];
        BatteryRecord battery;
        std::istringstream(row[1]) >> battery.capacityMah >> battery.selfDischargeCurrent >>
            battery.maxContinuousCurrent >> battery.maxPulseCurrent;
        std::vector<ModeRecord> modes;
        for (const std::string& mode : Split(row[2], ' ')) {
            char* colon = nullptr;  // strtof reads "nan" too
            modes.emplace_back().duration = std::strtof(mode.c_str(), &colon);
            modes.back().totalCurrent = std::strtof(colon + 1, nullptr);
        }
        const ProfileResults r =
            ComputeProfileResults(modes, {}, row[1] == "-" ? nullptr : &battery);
        EXPECT_EQ(r.averageText, row[3]) << row[0];
        EXPECT_EQ(r.averageWarning, row[3].find("(>") != std::string::npos) << row[0];
        EXPECT_EQ(r.peakText, row[4]) << row[0];
        EXPECT_EQ(r.peakWarning, row[4].find("(>") != std::string::npos) << row[0];
        EXPECT_EQ(r.lifeText, row[5]) << row[0];
        std::vector<std::string> shares;
        for (const ModeCells& cells : r.rows) {
            shares.push_back(cells[3]);
        }
        EXPECT_EQ(shares, std::vector<std::string>(row.begin() + 6, row.end())) << row[0];
    }
}

TEST(ProfileResults, LifeText) {
    const auto table = ReadTable(RUNWELL_FIXTURES "/results/life.tsv");
    ASSERT_GE(table.size(), 21u);
    for (const std::vector<std::string>& row : table) {
        EXPECT_EQ(FormatBatteryLife(std::stoll(row.at(0))), row.at(1)) << row[0];
    }
}

TEST(ProfileResults, PeripheralsText) {
    const auto table = ReadTable(RUNWELL_FIXTURES "/results/peripherals.tsv");
    ASSERT_GE(table.size(), 8u);
    for (const std::vector<std::string>& row : table) {
        ASSERT_EQ(row.size(), 4u) << row[0];
        PeripheralFlags flags{};
        for (const std::string& column : Split(row[2], ' ')) {
            flags.at(std::stoul(column)) = 1;
        }
        EXPECT_EQ(PeripheralsText(flags, Split(row[1], '|')), row[3]) << row[0];
    }
}

}  // namespace
}  // namespace runwell
