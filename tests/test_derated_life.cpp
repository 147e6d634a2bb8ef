// The derated life on the hand-computed cases of fixtures/battery-model/derated_life.tsv; the
// helpers' cases are in fixtures/functions/derating.tsv.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "TableFile.h"
#include "analysis/CurveScale.h"
#include "battery/DeratedLife.h"

namespace runwell {
namespace {

std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string Point(const VoltagePoint& point) {
    return Number(point.volts) + " V at " + Number(point.hours) + " h";
}

/// A battery from "capacity mAh;nominal voltage;self-discharge %/month".
BatteryRecord Battery(const std::string& text) {
    std::vector<std::string> fields = SplitAt(text, ';');
    fields.resize(3);
    BatteryRecord battery;
    battery.description = "Cell";
    battery.capacityMah = static_cast<std::uint32_t>(std::stoul(fields[0]));
    battery.nominalVoltage = fields[1];
    battery.selfDischargePercent = fields[2].empty() ? 0.0f : std::stof(fields[2]);
    return battery;
}

TEST(DeratedLife, HandComputedCases) {
    const auto rows = ReadTable(RUNWELL_FIXTURES "/battery-model/derated_life.tsv");
    ASSERT_GE(rows.size(), 25u);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.at(0));
        ASSERT_GE(row.size(), 8u);
        std::optional<BatteryModel> model;
        if (row[2] != "-") {
            Result<BatteryModel> parsed = ParseBatteryModel(row[2]);
            ASSERT_TRUE(parsed.ok()) << parsed.error().message;
            model = std::move(parsed).value();
        }
        const DeratingConditions conditions{
            std::stod(row[3]), std::stod(row[4]), std::stod(row[5]),
            row[6] == "-" ? std::nullopt : std::optional<double>(std::stod(row[6])), {}};
        const DeratedLife life =
            ComputeDeratedLife(Battery(row[1]), model ? &*model : nullptr, conditions);
        const std::map<std::string, std::string> figures = {
            {"model", life.hasModel ? "yes" : "no"},
            {"text", DeratedLifeFieldText(life)},
            {"hours", Number(life.hours)},
            {"usable", Number(life.usableFraction)},
            {"factor", life.limitingFactor},
            {"minimum", Number(life.minimumVoltage)},
            {"points", std::to_string(life.curve.size())},
            {"start", life.curve.empty() ? "none" : Point(life.curve.front())},
            {"end", life.curve.empty() ? "none" : Point(life.curve.back())},
            {"note", DeratedCurveNote(life).value_or("none")},
        };
        for (std::size_t i = 7; i < row.size(); ++i) {
            const std::size_t equals = row[i].find('=');
            ASSERT_NE(equals, std::string::npos) << row[i];
            const auto figure = figures.find(row[i].substr(0, equals));
            ASSERT_NE(figure, figures.end()) << row[i];
            EXPECT_EQ(figure->first + "=" + figure->second, row[i]);
        }
        for (std::size_t i = 1; i < life.curve.size(); ++i) {
            EXPECT_GT(life.curve[i].hours, life.curve[i - 1].hours);
            EXPECT_LE(life.curve[i].volts, life.curve[i - 1].volts);
        }
    }
    EXPECT_EQ(HourTicks(180.0)[1].value, 48.0);  // the curve's axis: a tick's value stays in hours
}

}  // namespace
}  // namespace runwell
