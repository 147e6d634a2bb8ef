// A profile's results: the average, peak, life and shares (fixtures/results; the life texts are
// in fixtures/functions/life.tsv), the check against limits (fixtures/check/limits.tsv) and the
// report's bytes (each folder under fixtures/report holds a report's content, content.tsv, and the
// exact bytes expected for it, expected.txt).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "TableFile.h"
#include "estimate/ProfileResults.h"
#include "estimate/ResultCheck.h"
#include "exchange/Report.h"
#include "platform/FileRead.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

TEST(ProfileResults, AveragePeakLifeAndShares) {
    const auto table = ReadTable(RUNWELL_FIXTURES "/results/profiles.tsv");
    ASSERT_GE(table.size(), 35u);
    for (const std::vector<std::string>& row : table) {
        ASSERT_GE(row.size(), 6u) << row[0];
        BatteryRecord battery;
        std::istringstream(row[1]) >> battery.capacityMah >> battery.selfDischargeCurrent >>
            battery.maxContinuousCurrent >> battery.maxPulseCurrent;
        std::vector<ModeRecord> modes;
        for (const std::string& mode : SplitAt(row[2], ' ')) {
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

TEST(ProfileResults, PeripheralsText) {
    const auto table = ReadTable(RUNWELL_FIXTURES "/results/peripherals.tsv");
    ASSERT_GE(table.size(), 8u);
    for (const std::vector<std::string>& row : table) {
        ASSERT_EQ(row.size(), 4u) << row[0];
        PeripheralFlags flags{};
        for (const std::string& column : SplitAt(row[2], ' ')) {
            flags.at(std::stoul(column)) = 1;
        }
        EXPECT_EQ(PeripheralsText(flags, SplitAt(row[1], '|')), row[3]) << row[0];
    }
}

std::optional<double> Limit(const std::string& cell) {
    return cell == "-" ? std::nullopt : std::optional<double>(std::stod(cell));
}

TEST(ResultCheckTest, LimitsAndVerdicts) {
    const auto rows = ReadTable(fs::path(RUNWELL_FIXTURES) / "check/limits.tsv");
    ASSERT_GT(rows.size(), 20u);
    for (const auto& row : rows) {
        if (row[0] == "life" || row[0] == "current") {
            ASSERT_EQ(row.size(), 3u);
            const std::optional<double> value =
                row[0] == "life" ? ParseLifeLimit(row[1]) : ParseCurrentLimit(row[1]);
            if (row[2] == "<refused>") {
                EXPECT_FALSE(value.has_value()) << row[1];
            } else {
                ASSERT_TRUE(value.has_value()) << row[1];
                EXPECT_DOUBLE_EQ(std::stod(row[2]), *value) << row[1];
            }
            continue;
        }
        ASSERT_EQ(row.size(), 8u);
        ProfileResults results;
        results.lifeHours = std::stoll(row[1]);
        results.lifeText = results.lifeHours == 0 ? "?" : FormatBatteryLife(results.lifeHours);
        results.average = row[2] == "nan" ? std::nanf("") : std::stof(row[2]);
        results.averageWarning = row[3] == "both";
        results.peakWarning = row[3] == "both" || row[3] == "peak";
        const CheckLimits limits{Limit(row[4]), Limit(row[5]), row[6] == "yes"};
        const CheckOutcome outcome = CheckResults(results, limits);
        EXPECT_EQ(row[7] == "pass", outcome.passed) << outcome.line;
        EXPECT_TRUE(outcome.line.ends_with(": " + row[7])) << outcome.line;
    }
}

ReportContent ContentOf(const fs::path& table) {
    static const std::map<std::string, std::string ReportContent::*> kFields = {
        {"device", &ReportContent::device},
        {"voltage", &ReportContent::voltage},
        {"temperature", &ReportContent::temperature},
        {"life", &ReportContent::batteryLife},
        {"average", &ReportContent::averageCurrent},
        {"peak", &ReportContent::peakCurrent},
        {"notes", &ReportContent::notes}};
    ReportContent content;
    for (const auto& row : ReadTable(table)) {
        ReportCells cells;  // cells missing at the end of a line are empty
        for (std::size_t i = 1; i < row.size() && i <= cells.size(); ++i) {
            cells[i - 1] = row[i];
        }
        if (row[0] == "battery") {
            content.battery = cells;
        } else if (row[0] == "mode") {
            content.modes.push_back(cells);
        } else {
            content.*kFields.at(row[0]) = cells[0];
        }
    }
    return content;
}

TEST(ReportTest, ExpectedOutputFolders) {
    std::size_t cases = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(RUNWELL_FIXTURES) / "report")) {
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(FormatReport(ContentOf(entry.path() / "content.tsv")),
                  ReadWholeFile(entry.path() / "expected.txt").value_or("<no expected.txt>"));
        ++cases;
    }
    EXPECT_GE(cases, 2u);
}

}  // namespace
}  // namespace runwell
