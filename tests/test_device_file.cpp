// Loads every device data file under fixtures/device and checks it against the table
// fixtures/device/expected.tsv: lists, rows, lookups, and the messages of files that fail.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TableFile.h"
#include "model/DeviceFile.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

std::string Join(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : "|") + item;
    }
    return text;
}

/// The row's labels, then its values up to the last one that is not 0.
std::string RowText(const DataRow& row) {
    std::string text =
        Join({std::string(row.modeName), std::string(row.voltageName),
              std::string(row.temperatureName), std::string(row.frequencyName)});
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
                                                   {"columns", Join(d.columnNames)},
                                                   {"modes", Join(d.modeNames)},
                                                   {"voltages", Join(d.voltageNames)},
                                                   {"temperatures", Join(d.temperatureNames)},
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
        return Join(d.ListModeFrequencies(q.at(2), q.at(3), q.at(4)));
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
