// The check of a profile's results against limits (ResultCheck): the limits as typed and the
// verdicts at and beside each limit. The table is fixtures/check/limits.tsv.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "TableFile.h"
#include "model/ResultCheck.h"

namespace runwell {
namespace {

const std::filesystem::path kTable = std::filesystem::path(RUNWELL_FIXTURES) / "check/limits.tsv";

std::optional<double> Limit(const std::string& cell) {
    return cell == "-" ? std::nullopt : std::optional<double>(std::stod(cell));
}

TEST(ResultCheckTest, LimitsAndVerdicts) {
    const auto rows = ReadTable(kTable);
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

}  // namespace
}  // namespace runwell
