// The pulse-aware battery model: the version 2 file, the equivalent circuit and its pulse dips,
// the measured range, and models imported from measured battery profiles.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <string>
#include <vector>

#include "battery/DeratedLife.h"
#include "cell/BatteryModel.h"
#include "cell/CellCircuit.h"
#include "measure/ProfileImport.h"
#include "platform/FileRead.h"

namespace runwell {
namespace {

BatteryModel ShippedModel(const std::string& file) {
    const auto text = ReadWholeFile(std::string(RUNWELL_SOURCE_DIR) + "/BatteryModels/" + file);
    EXPECT_TRUE(text.has_value()) << file;
    Result<BatteryModel> model = ParseBatteryModel(text.value_or(""));
    EXPECT_TRUE(model.ok()) << (model.ok() ? "" : model.error().message);
    return model.ok() ? *model : BatteryModel{};
}

BatteryRecord Cell(std::uint32_t mah, const char* volts) {
    BatteryRecord battery;
    battery.description = "Cell";
    battery.capacityMah = mah;
    battery.nominalVoltage = volts;
    return battery;
}

/// A repeating pulse: `pulseMa` for `pulseS`, then `restMa` for `restS`.
DeratingConditions Pulses(double pulseMa, double pulseS, double restMa, double restS,
                          double minimumVolts, double celsius = 20.0) {
    DeratingConditions conditions;
    conditions.averageCurrent = (pulseMa * pulseS + restMa * restS) / (pulseS + restS) * 1e6;
    conditions.peakCurrent = pulseMa * 1e6;
    conditions.temperatureC = celsius;
    conditions.minimumVoltage = minimumVolts;
    conditions.steps = {{pulseMa / 1e3, pulseS}, {restMa / 1e3, restS}};
    return conditions;
}

TEST(PulseModelFile, Version2WritesAndReadsBackAndVersion1StillLoads) {
    BatteryModel model;
    model.version = 2;
    model.battery = "Pack";
    model.sources = "Sheet A, test 1\nSheet B";
    model.cutoffVoltage = 1.8;
    model.cellsInSeries = 2;
    model.openCircuitVoltageVsDepth = InterpolationTable({{0.0, 1.55}, {1.0, 0.9}});
    model.resistanceVsDepth = InterpolationTable({{0.0, 0.2}, {0.5, 0.25}, {1.0, 1.5}});
    model.polarisationVsDepth = InterpolationTable({{0.0, 0.1}, {1.0, 0.4}});
    model.polarisationSeconds = 2.5;
    TemperatureTables cold;
    cold.temperatureC = -10.0;
    cold.source = "Sheet C at -10 C";
    cold.capacityMah = 1800.0;
    cold.resistanceVsDepth = InterpolationTable({{0.0, 0.6}, {1.0, 2.0}});
    model.temperatures.push_back(cold);
    model.range.lowestCurrentMa = 0.01;
    model.range.highestCurrentMa = 35.0;
    model.range.longestPulseSeconds = 1.3;
    model.fit = FitRecord{"log.csv", "2026-12-08", 0.01, 35.0};

    Result<BatteryModel> read = ParseBatteryModel(WriteBatteryModel(model));
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->version, 2);
    EXPECT_EQ(read->sources, model.sources);
    EXPECT_EQ(read->cellsInSeries, 2);
    EXPECT_EQ(read->resistanceVsDepth.points(), model.resistanceVsDepth.points());
    EXPECT_EQ(read->polarisationVsDepth.points(), model.polarisationVsDepth.points());
    EXPECT_DOUBLE_EQ(read->polarisationSeconds, 2.5);
    ASSERT_EQ(read->temperatures.size(), 1u);
    EXPECT_EQ(read->temperatures[0].source, cold.source);
    EXPECT_EQ(read->temperatures[0].resistanceVsDepth.points(), cold.resistanceVsDepth.points());
    EXPECT_EQ(read->range.highestCurrentMa, 35.0);
    ASSERT_TRUE(read->fit.has_value());
    EXPECT_EQ(read->fit->log, "log.csv");

    // A version 1 file is read as before, and keeps refusing the version 2 fields.
    EXPECT_EQ(ShippedModel("ER14505.json").version, 1);
    Result<BatteryModel> mixed = ParseBatteryModel(
        R"({"format":"runwell-battery-model","version":1,"battery":"X","sources":["s"],)"
        R"("cutoffVoltage":2,"cells":{"series":2}})");
    ASSERT_FALSE(mixed.ok());
    EXPECT_EQ(mixed.error().message, "\"cells\" is not a field of this format.");
}

TEST(PulseDips, SteadyStatePolarisationMatchesTheClosedForm) {
    // 20 mA for 0.1 s, then 1 mA for 0.9 s, tau 0.5 s: in the periodic steady state the
    // polarisation current at the pulse's end, u1, and at its start, u0, satisfy
    // u1 = I1 + (u0 - I1) e^(-d1/tau) and u0 = I0 + (u1 - I0) e^(-d0/tau).
    const double i1 = 0.020, d1 = 0.1, i0 = 0.001, d0 = 0.9, tau = 0.5;
    const double a1 = std::exp(-d1 / tau), a0 = std::exp(-d0 / tau);
    const double u1 = (i1 * (1 - a1) + a1 * i0 * (1 - a0)) / (1 - a1 * a0);
    const PulseDips dips({{i1, d1}, {i0, d0}}, tau, i1);
    EXPECT_NEAR(dips.Drop(0.0, 1.0), u1, 1e-12);
    EXPECT_NEAR(dips.Drop(10.0, 1.0), i1 * 10.0 + u1, 1e-12);
    EXPECT_EQ(dips.DeepestStep(10.0, 1.0), 0);

    // Without a time constant the polarisation follows at once: the peak sees R0 + R1.
    EXPECT_NEAR(PulseDips({{i1, d1}, {i0, d0}}, 0.0, i1).Drop(10.0, 5.0), i1 * 15.0, 1e-12);
    // A time constant far beyond the period sees only the average.
    const double average = (i1 * d1 + i0 * d0) / (d1 + d0);
    EXPECT_NEAR(PulseDips({{i1, d1}, {i0, d0}}, 1e9, i1).Drop(0.0, 1.0), average, 1e-9);
    // Without steps, the peak drawn long enough to polarise fully.
    EXPECT_NEAR(PulseDips({}, tau, i1).Drop(10.0, 5.0), i1 * 15.0, 1e-12);
    // A current that is not a number neither breaks the ordering nor hides.
    EXPECT_TRUE(std::isnan(PulseDips({{NAN, 1.0}, {i0, d0}}, tau, i1).Drop(1.0, 1.0)));
}

/// The depth at which OCV(d) - I R(d) first falls to `volts`, found by walking the model's own
/// tables finely: what the simulation must find independently.
double CrossingDepth(const BatteryModel& model, double amps, double volts) {
    for (int i = 0; i <= 100000; ++i) {
        const double depth = i / 100000.0;
        if (model.openCircuitVoltageVsDepth.At(depth, 0.0) -
                amps * model.resistanceVsDepth.At(depth, 0.0) <
            volts) {
            return depth;
        }
    }
    return 1.0;
}

TEST(PredictedLife, PulsesOfEqualChargeDifferAsTheCellsResistanceSays) {
    const BatteryModel model = ShippedModel("CR2032.json");
    const BatteryRecord battery = Cell(225, "3.0");
    // 15 mA for 10 ms or 30 mA for 5 ms every second over 10 uA: the same charge per period.
    const DeratedLife at15 =
        ComputeDeratedLife(battery, &model, Pulses(15.0, 0.010, 0.010, 0.990, 2.0));
    const DeratedLife at30 =
        ComputeDeratedLife(battery, &model, Pulses(30.0, 0.005, 0.010, 0.995, 2.0));
    EXPECT_EQ(at15.limitingFactor, kLimitBrownOut);
    EXPECT_EQ(at30.limitingFactor, kLimitBrownOut);
    EXPECT_LT(at30.hours, at15.hours);
    // Each ends where the loaded voltage of its own pulse crosses 2.0 V.
    const double capacity = model.capacityVsCurrent.At(0.16, 225.0);
    for (const auto& [life, amps] : {std::pair{&at15, 0.015}, std::pair{&at30, 0.030}}) {
        const double delivered = life->usableFraction * 225.0;
        EXPECT_NEAR(delivered / capacity, CrossingDepth(model, amps, 2.0), 0.01) << amps;
    }
    EXPECT_TRUE(at15.outsideData.empty());
}

TEST(PredictedLife, SaysWhenTheProfileLeavesTheModelsData) {
    const BatteryModel model = ShippedModel("CR2032.json");
    const BatteryRecord battery = Cell(225, "3.0");
    const DeratedLife strong = ComputeDeratedLife(battery, &model, Pulses(50, 0.01, 0.01, 1, 2));
    EXPECT_EQ(strong.outsideData, "outside the model's data: drain above 40 mA");
    EXPECT_NE(DeratedLifeFieldText(strong).find("drain above 40 mA"), std::string::npos);
    const DeratedLife cold =
        ComputeDeratedLife(battery, &model, Pulses(10, 0.01, 0.01, 1, 1.5, -20.0));
    EXPECT_EQ(cold.outsideData,
              "outside the model's data: temperature below 20 C; end voltage below 2 V");

    // A sustained drain above the battery's rated continuous current is outside any model,
    // though each pulse lies within the measured ones; at the rating it is inside.
    BatteryRecord rated = battery;
    rated.maxContinuousCurrent = 3e6f;  // nA
    const DeratedLife sustained =
        ComputeDeratedLife(rated, &model, Pulses(9, 1, 9, 1, 2.0));
    EXPECT_EQ(sustained.outsideData,
              "outside the model's data: average drain above the battery's rated 3 mA continuous");
    EXPECT_TRUE(ComputeDeratedLife(rated, &model, Pulses(3, 1, 3, 1, 2.0)).outsideData.empty());

    // A model that states no measured range (a cut-off only) is never "outside", and the
    // tooltip says that whether the profile lies within its data is not known.
    const std::string unknown = "states no conditions it was measured under";
    const DeratedLife inside = ComputeDeratedLife(battery, &model, Pulses(10, 0.01, 0.01, 1, 2));
    EXPECT_TRUE(inside.rangeStated);
    EXPECT_EQ(PredictedLifeTip(inside).find(unknown), std::string::npos);
    BatteryModel bare;  // a cut-off only, as a version 1 file may hold
    bare.battery = "AA lithium iron disulfide";
    bare.cutoffVoltage = 0.9;
    const DeratedLife blind =
        ComputeDeratedLife(Cell(3500, "1.5"), &bare, Pulses(800, 1, 800, 1, 1.1));
    EXPECT_FALSE(blind.rangeStated);
    EXPECT_TRUE(blind.outsideData.empty());
    EXPECT_NE(PredictedLifeTip(blind).find(unknown), std::string::npos);
}

TEST(CellCircuit, TablesPerTemperatureAreInterpolatedForThePack) {
    const BatteryModel model = ShippedModel("LiPo-1000.json");
    ASSERT_EQ(model.cellsInParallel, 2);
    ASSERT_EQ(model.temperatures.size(), 2u);  // -10 C and 5 C beside the 20 C reference
    const double at5 = *model.temperatures[1].capacityMah;
    const double at20 = model.capacityVsCurrent.points().front().second;
    EXPECT_NEAR(CellCircuit(model, 5.0, 100.0, 1000.0, 3.7).capacityMah(), 2 * at5, 1e-9);
    EXPECT_NEAR(CellCircuit(model, 12.5, 100.0, 1000.0, 3.7).capacityMah(), at5 + at20, 1e-9);
    // Beyond the outermost temperatures the nearest holds.
    EXPECT_NEAR(CellCircuit(model, 40.0, 100.0, 1000.0, 3.7).capacityMah(), 2 * at20, 1e-9);
    // Two cells in parallel halve the resistance.
    const CellCircuit circuit(model, 20.0, 100.0, 1000.0, 3.7);
    EXPECT_NEAR(circuit.R0(0.5), model.resistanceVsDepth.At(0.5, 0.0) / 2, 1e-12);
}

/// The capacity a measured profile delivered until its pulse's loaded voltage, open-circuit
/// voltage less pulse current times resistance, first fell below `volts`: read from its rows.
double MeasuredCapacity(const std::string& text, double pulseAmps, double volts) {
    const auto rows = nlohmann::json::parse(text).at("dischargetables").at(0).at("table");
    for (const auto& row : rows) {
        if (row.at("voltage").get<double>() - pulseAmps * row.at("resistance").get<double>() <
            volts) {
            return row.at("capacity").get<double>();
        }
    }
    return rows.back().at("capacity").get<double>();
}

TEST(ProfileImport, AMeasuredProfileReproducesItsOwnCapacityUnderItsOwnPulses) {
    struct Case {
        const char* file;
        double pulseMa, pulseS, restMa, restS, endVolts;
    };
    for (const Case& c : {Case{"AA-Varta-(25).json", 35, 1.3, 0.01, 1.3, 0.75},
                          Case{"CR2032-Energizer-(25).json", 10, 0.002, 0.25, 60, 1.8}}) {
        const auto text = ReadWholeFile(std::string(RUNWELL_SOURCE_DIR) +
                                        "/measurements/battery-profiles/" + c.file);
        ASSERT_TRUE(text.has_value()) << c.file;
        ProfileImportOptions options;
        options.battery = "Cell";
        options.fileName = c.file;
        Result<BatteryModel> model = ImportBatteryProfile(*text, options);
        ASSERT_TRUE(model.ok()) << model.error().message;
        EXPECT_LE(model->openCircuitVoltageVsDepth.points().size(), kModelTablePoints);
        const double measured = MeasuredCapacity(*text, c.pulseMa / 1e3, c.endVolts);
        BatteryRecord battery = Cell(1000, "");
        battery.selfDischargePercent = 0.0f;
        const DeratedLife life = ComputeDeratedLife(
            battery, &*model, Pulses(c.pulseMa, c.pulseS, c.restMa, c.restS, c.endVolts, 25));
        EXPECT_NEAR(life.usableFraction * 1000.0 / measured, 1.0, 0.02) << c.file;
        EXPECT_TRUE(life.outsideData.empty()) << c.file << ": " << life.outsideData;
    }
}

TEST(ProfileImport, ProfilesAtSeveralTemperaturesEachCiteTheirOwnFile) {
    // The cold file comes first and its table is the coldest; the reference is the one at 20 C.
    const auto profile = [](int celsius, double mah) {
        return R"({"battery":{},"dischargetables":[{"temperature":)" + std::to_string(celsius) +
               R"(,"table":[{"capacity":0,"voltage":3.2,"resistance":10},{"capacity":)" +
               std::to_string(mah) + R"(,"voltage":2.0,"resistance":30}]}]})";
    };
    const std::string cold = profile(-10, 150);
    const std::string room = profile(20, 220);
    ProfileImportOptions options;
    options.battery = "Cell";
    Result<BatteryModel> model =
        ImportBatteryProfiles({{"cold.json", cold}, {"room.json", room}}, options);
    ASSERT_TRUE(model.ok()) << model.error().message;
    const auto file = nlohmann::json::parse(WriteBatteryModel(*model));
    const auto cites = [](const nlohmann::json& source, const char* name) {
        return source.get<std::string>().rfind(std::string("Battery profile ") + name, 0) == 0;
    };
    EXPECT_EQ(file.at("referenceTemperatureC"), 20);
    for (const char* key : {"openCircuitVoltageVsDepth", "resistanceVsDepth"}) {
        const nlohmann::json& source = file.at(key).at("source");
        EXPECT_TRUE(cites(source, "room.json")) << key << ": " << source;
    }
    ASSERT_EQ(file.at("temperatures").size(), 1u);
    EXPECT_EQ(file.at("temperatures").at(0).at("temperatureC"), -10);
    EXPECT_TRUE(cites(file.at("temperatures").at(0).at("source"), "cold.json"));
    ASSERT_EQ(file.at("sources").size(), 2u);
    EXPECT_TRUE(cites(file.at("sources").at(1), "cold.json"));
}

TEST(ProfileImport, MalformedProfilesAreRefusedWithTheirReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"[1, 2]", "This is not a battery profile"},
        {R"({"battery":{},"dischargetables":[{"table":[{"capacity":1}]}]})",
         "Discharge table 1: row 1 needs the numbers"},
        {R"({"battery":{},"dischargetables":[{"table":[{"capacity":1,"voltage":1,)"
         R"("resistance":-1},{"capacity":2,"voltage":1,"resistance":1}]}]})",
         "Discharge table 1: row 1 holds a capacity outside 0 to 1e9 mAh"},
        {R"({"battery":{},"dischargetables":[{"table":[{"capacity":1,"voltage":1,)"
         R"("resistance":1},{"capacity":8.9e25,"voltage":1,"resistance":1}]}]})",
         "Discharge table 1: row 2 holds a capacity outside"},
        {R"({"battery":{"cutoffvoltage":1e300},"dischargetables":[{"table":[{"capacity":1,)"
         R"("voltage":1,"resistance":1},{"capacity":2,"voltage":1,"resistance":1}]}]})",
         "The battery's \"cutoffvoltage\" 1e+300 V lies outside"},
        {R"({"battery":{},"dischargetables":[{"table":[{"capacity":1,"voltage":1,)"
         R"("resistance":1}]}]})",
         "Discharge table 1: holds fewer than two rows"},
        {R"({"battery":{},"battery":{}})", "The key"},
        {"{\"battery\":[[[[[[[[[[]]]]]]]]]]}", "The file nests"},
    };
    ProfileImportOptions options;
    options.battery = "Cell";
    for (const auto& [content, start] : cases) {
        Result<BatteryModel> model = ImportBatteryProfile(content, options);
        ASSERT_FALSE(model.ok()) << content;
        EXPECT_EQ(model.error().message.rfind(start, 0), 0u) << model.error().message;
    }
}

}  // namespace
}  // namespace runwell
