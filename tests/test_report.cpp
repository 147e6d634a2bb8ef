// The report's bytes. Each folder under fixtures/report holds a report's content (content.tsv) and
// the exact bytes expected for it (expected.txt); every folder is a case.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "TableFile.h"
#include "model/FileRead.h"
#include "persist/Report.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

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
