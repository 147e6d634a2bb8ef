// The regulator between battery and device: the battery current it draws, the lowest cell voltage
// it holds its output from, its file (broken files, the round trip) and the files of a run.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "power/Regulator.h"
#include "power/RegulatorFiles.h"

namespace runwell {
namespace {

using Json = nlohmann::json;

Regulator Ldo(double quiescentMicroamps) {
    Regulator ldo;
    ldo.name = "LDO";
    ldo.part = "an LDO";
    ldo.sources = "its datasheet";
    ldo.kind = RegulatorKind::kLinear;
    ldo.quiescentMicroamps = quiescentMicroamps;
    ldo.dropoutVsLoadMa = InterpolationTable({{10.0, 0.02}, {250.0, 0.25}});
    ldo.minimumInputVolts = 2.3;
    ldo.maximumInputVolts = 6.0;
    return ldo;
}

/// A nano-quiescent buck: curves at 3 V and 4 V, points a decade and more apart.
Regulator Buck() {
    Regulator buck;
    buck.name = "Buck";
    buck.part = "a buck";
    buck.sources = "its datasheet";
    buck.kind = RegulatorKind::kBuck;
    buck.quiescentMicroamps = 0.06;
    buck.minimumInputVolts = 1.8;
    buck.maximumInputVolts = 6.5;
    buck.efficiency = {
        {3.0, InterpolationTable({{0.001, 0.5}, {0.1, 0.7}, {100.0, 0.9}})},
        {4.0, InterpolationTable({{0.001, 0.4}, {0.1, 0.6}, {100.0, 0.8}})}};
    return buck;
}

TEST(RegulatorCurrent, LinearPassesTheDeviceCurrentPlusQuiescentAtAnyCellVoltage) {
    const Regulator ldo = Ldo(1.6);
    EXPECT_DOUBLE_EQ(BatteryAmps(ldo, 5e-3, 3.3, 3.6), 5.0016e-3);
    EXPECT_DOUBLE_EQ(BatteryAmps(ldo, 5e-3, 3.3, 4.2), 5.0016e-3);
    EXPECT_DOUBLE_EQ(BatteryAmps(ldo, 0.0, 3.3, 4.2), 1.6e-6);
}

TEST(RegulatorCurrent, BuckInterpolatesInLogLoadAndBetweenCurves) {
    const Regulator buck = Buck();
    // 1 mA lies a third of the way from 0.1 mA to 100 mA in log10: 0.7 + 0.2 / 3 at 3 V.
    // 1.8 V * 1 mA / (0.76667 * 3.0 V) + 60 nA.
    EXPECT_NEAR(BatteryAmps(buck, 1e-3, 1.8, 3.0), 7.826686956521739e-4, 1e-15);
    // Half-way between the curves: efficiency 0.71667.
    EXPECT_NEAR(BatteryAmps(buck, 1e-3, 1.8, 3.5), 7.17667973421927e-4, 1e-15);
    // Beyond the highest curve its own efficiency holds: 1.8 mW / (0.66667 * 4.5 V) + 60 nA.
    EXPECT_NEAR(BatteryAmps(buck, 1e-3, 1.8, 4.5), 6.00060e-4, 1e-15);
    // Beyond the lightest point the curve is held: 0.5 at 1 nA.
    EXPECT_NEAR(Efficiency(buck, 1e-6, 3.0), 0.5, 1e-12);
    EXPECT_NEAR(Efficiency(buck, 1e3, 2.0), 0.9, 1e-12);
}

TEST(RegulatorCurrent, BuckLosesToAnLdoAtOneMicroamp) {
    // At 1 uA the buck runs at 50 %: 1.8 V * 1 uA / (0.5 * 3 V) + 60 nA = 1.26 uA, while the
    // nano-quiescent LDO passes 1 uA + 25 nA.
    EXPECT_NEAR(BatteryAmps(Buck(), 1e-6, 1.8, 3.0), 1.26e-6, 1e-15);
    EXPECT_NEAR(BatteryAmps(Ldo(0.025), 1e-6, 1.8, 3.0), 1.025e-6, 1e-15);
}

TEST(RegulatorCurrent, NoLoadNaNAndNoCellAreHandled) {
    EXPECT_DOUBLE_EQ(BatteryAmps(Buck(), 0.0, 1.8, 3.0), 0.06e-6);
    EXPECT_DOUBLE_EQ(BatteryAmps(Buck(), -1.0, 1.8, 3.0), 0.06e-6);
    EXPECT_TRUE(std::isnan(BatteryAmps(Buck(), 1e-3, 1.8, 0.0)));
    EXPECT_TRUE(std::isnan(BatteryAmps(Buck(), NAN, 1.8, 3.0)));
    EXPECT_TRUE(std::isnan(BatteryAmps(Ldo(1.0), 1e-3, INFINITY, 3.0)));
}

TEST(RegulatorCurrent, TheTableGivesEachCallsFigureToTheBit) {
    // Loads from nothing to beyond the curves, and voltages below, on, between and above them.
    const std::vector<double> loads{0.0, -1.0, 1e-9, 1e-6, 3.3e-4, 1e-3, 0.2, NAN};
    const std::vector<double> volts{0.0, 2.0, 3.0, 3.25, 3.999, 4.0, 5.0, NAN};
    for (const Regulator& regulator : {Buck(), Ldo(1.6), Regulator{}}) {
        const auto table = BatteryAmpsTable(regulator, loads, 1.8, volts);
        ASSERT_EQ(table.size(), volts.size());
        for (std::size_t v = 0; v < volts.size(); ++v) {
            for (std::size_t k = 0; k < loads.size(); ++k) {
                const double single = BatteryAmps(regulator, loads[k], 1.8, volts[v]);
                EXPECT_TRUE(std::bit_cast<std::uint64_t>(table[v][k]) ==
                                std::bit_cast<std::uint64_t>(single) ||
                            (std::isnan(single) && std::isnan(table[v][k])))
                    << regulator.name << " " << loads[k] << " A at " << volts[v] << " V";
            }
        }
    }
}

TEST(RegulatorMinimumCell, EachKind) {
    // Linear: 0.02 V + (130 - 10) / 240 * 0.23 V = 0.135 V of dropout at 130 mA.
    EXPECT_NEAR(MinimumCellVolts(Ldo(1.0), 3.3, 0.130), 3.435, 1e-12);
    // ...but never below the lowest input it runs from.
    EXPECT_DOUBLE_EQ(MinimumCellVolts(Ldo(1.0), 1.8, 0.0), 2.3);

    Regulator buck = Buck();
    EXPECT_DOUBLE_EQ(MinimumCellVolts(buck, 3.3, 0.05), 3.3);  // no 100 % mode table
    buck.dropoutVsLoadMa = InterpolationTable({{100.0, 0.1}});
    EXPECT_DOUBLE_EQ(MinimumCellVolts(buck, 3.3, 0.05), 3.4);
    EXPECT_DOUBLE_EQ(MinimumCellVolts(buck, 1.2, 0.05), 1.8);

    Regulator boost = Buck();
    boost.kind = RegulatorKind::kBoost;
    boost.minimumInputVolts = 0.7;
    EXPECT_DOUBLE_EQ(MinimumCellVolts(boost, 3.3, 0.1), 0.7);
    boost.kind = RegulatorKind::kBuckBoost;
    EXPECT_DOUBLE_EQ(MinimumCellVolts(boost, 3.3, 0.1), 0.7);
}

TEST(RegulatorOutput, ProblemsNameTheVoltages) {
    Regulator ldo = Ldo(1.0);
    EXPECT_EQ(OutputProblem(ldo, 3.3), std::nullopt);
    EXPECT_EQ(OutputProblem(ldo, 6.0).value_or(""),
              "LDO steps the voltage down and takes at most 6 V; it cannot give 6 V.");
    ldo.fixedOutputVolts = 3.3;
    EXPECT_EQ(OutputProblem(ldo, 1.8).value_or(""),
              "LDO gives a fixed 3.3 V; it cannot give 1.8 V.");
    EXPECT_EQ(OutputProblem(ldo, 3.3), std::nullopt);
    EXPECT_TRUE(OutputProblem(ldo, 0.0).has_value());
    EXPECT_TRUE(OutputProblem(ldo, NAN).has_value());

    Regulator boost = Buck();
    boost.kind = RegulatorKind::kBoost;
    boost.minimumInputVolts = 0.7;
    EXPECT_EQ(OutputProblem(boost, 0.5).value_or(""),
              "Buck steps the voltage up from at least 0.7 V; it cannot give 0.5 V.");
    EXPECT_EQ(OutputProblem(boost, 5.0), std::nullopt);  // above its highest input is its job
}

/// A valid buck file, changed by each broken case.
Json ValidFile() {
    const auto table = [](Json points) {
        return Json{{"source", "datasheet figure"}, {"points", std::move(points)}};
    };
    return Json{{"format", "runwell-regulator"},
                {"version", 1},
                {"name", "Buck"},
                {"part", "a buck, 1.8 V"},
                {"sources", "a datasheet"},
                {"kind", "buck"},
                {"quiescentMicroamps", 0.06},
                {"minimumInputVolts", 1.8},
                {"maximumInputVolts", 6.5},
                {"efficiency",
                 {{{"inputVolts", 3.0},
                   {"efficiencyVsLoadMa", table({{0.001, 0.5}, {1, 0.8}, {100, 0.9}})}},
                  {{"inputVolts", 4.0},
                   {"efficiencyVsLoadMa", table({{0.001, 0.4}, {1, 0.7}, {100, 0.8}})}}}}};
}

TEST(RegulatorFile, BrokenFilesNameTheFieldAndPoint) {
    struct Case {
        std::function<void(Json&)> change;
        std::string message;  // the start of the message, or all of it
    };
    const std::vector<Case> cases = {
        {[](Json& f) { f["efficiency"][1]["efficiencyVsLoadMa"]["points"][2][1] = 1.4; },
         "efficiency[1].efficiencyVsLoadMa: point 3: the efficiency 1.4 must be at least 0.001 "
         "and at most 1."},
        {[](Json& f) { f["efficiency"][0]["efficiencyVsLoadMa"]["points"][1][1] = 0; },
         "efficiency[0].efficiencyVsLoadMa: point 2: the efficiency 0 must be at least 0.001"},
        {[](Json& f) { f["efficiency"][0]["efficiencyVsLoadMa"]["points"][0][0] = 0; },
         "efficiency[0].efficiencyVsLoadMa: point 1: the load (mA) 0 lies outside"},
        {[](Json& f) { f["efficiency"][1]["inputVolts"] = 2.0; },
         "efficiency[1].inputVolts: the curves' input voltages must rise"},
        {[](Json& f) { f["efficiency"][0]["efficiencyVsLoadMa"].erase("source"); },
         "efficiency[0].efficiencyVsLoadMa: needs a \"source\""},
        {[](Json& f) { f["efficiency"][0]["slope"] = 1; },
         "efficiency[0]: \"slope\" is not a field of this format."},
        {[](Json& f) {
             for (int i = 0; i < 15; ++i) f["efficiency"].push_back(f["efficiency"][1]);
         },
         "efficiency: a switching regulator needs a list of 1 to 16 curves"},
        {[](Json& f) { f.erase("efficiency"); }, "efficiency: a switching regulator needs"},
        {[](Json& f) {
             Json& points = f["efficiency"][0]["efficiencyVsLoadMa"]["points"];
             points = Json::array();
             for (int i = 1; i <= 1001; ++i) points.push_back({i, 0.5});
         },
         "efficiency[0].efficiencyVsLoadMa: holds more than 1000 points."},
        {[](Json& f) { f["colour"] = "red"; }, "\"colour\" is not a field of this format."},
        {[](Json& f) { f["kind"] = "flyback"; }, "\"kind\" must be \"linear\""},
        {[](Json& f) { f["format"] = "runwell-battery-model"; }, "\"format\" must be"},
        {[](Json& f) { f["version"] = 2; }, "\"version\" must be 1"},
        {[](Json& f) { f["name"] = ""; }, "\"name\" must be a text"},
        {[](Json& f) { f["quiescentMicroamps"] = "a lot"; },
         "quiescentMicroamps must be a number."},
        {[](Json& f) { f["minimumInputVolts"] = 0; },
         "minimumInputVolts is 0; it must be above 0 and at most 100."},
        {[](Json& f) { f["maximumInputVolts"] = 150; }, "maximumInputVolts is 150;"},
        {[](Json& f) { f["minimumInputVolts"] = 6.5; },
         "minimumInputVolts must lie below maximumInputVolts."},
        {[](Json& f) { f["fixedOutputVolts"] = -1; }, "fixedOutputVolts is -1;"},
        {[](Json& f) {
             f["kind"] = "boost";
             f["dropoutVsLoadMa"] = f["efficiency"][0]["efficiencyVsLoadMa"];
         },
         "dropoutVsLoadMa: only a linear or buck regulator has a dropout."},
        {[](Json& f) { f["kind"] = "linear"; },
         "dropoutVsLoadMa: a linear regulator needs its dropout against load."},
        {[](Json& f) {
             f["kind"] = "linear";
             f["dropoutVsLoadMa"] = {{"source", "EC table"}, {"points", {{250, 0.178}}}};
         },
         "efficiency: a linear regulator has no efficiency curves"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Json file = ValidFile();
        cases[i].change(file);
        const Result<Regulator> read = ParseRegulator(file.dump());
        ASSERT_FALSE(read.ok()) << "case " << i;
        EXPECT_EQ(read.error().message.substr(0, cases[i].message.size()), cases[i].message)
            << "case " << i << ": " << read.error().message;
    }
    ASSERT_TRUE(ParseRegulator(ValidFile().dump()).ok());
}

TEST(RegulatorFile, BrokenTextIsRefusedWithoutAValue) {
    const std::string duplicated = R"({"format": "runwell-regulator", "format": "x"})";
    EXPECT_EQ(ParseRegulator(duplicated).error().message, "The key 'format' is given twice.");
    EXPECT_EQ(ParseRegulator("{\"format\": ").error().message.substr(0, 15), "Not valid JSON:");
    EXPECT_EQ(ParseRegulator("[1, 2]").error().message, "The file must hold one JSON object.");
    EXPECT_EQ(ParseRegulator(std::string(100, '[')).error().message,
              "The file nests lists or objects deeper than the format does.");
    EXPECT_FALSE(ParseRegulator(std::string((1 << 20) + 1, ' ')).ok());
    EXPECT_FALSE(ParseRegulator("").ok());
}

TEST(RegulatorFile, WriteReadsBackToTheSameRegulator) {
    Regulator buck = Buck();
    buck.part = "a \"quoted\" part, 1/3 V";
    buck.sources = "maker, document 1, page 2";
    buck.quiescentMicroamps = 1.0 / 3.0;
    buck.fixedOutputVolts = 0.1 + 0.2;  // not 0.3: every bit must come back
    buck.dropoutVsLoadMa = InterpolationTable({{1e-9, 1e-3}, {1.0 / 7.0, 0.2}});
    const Result<Regulator> read = ParseRegulator(WriteRegulator(buck));
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->name, buck.name);
    EXPECT_EQ(read->part, buck.part);
    EXPECT_EQ(read->sources, buck.sources);
    EXPECT_EQ(read->kind, buck.kind);
    EXPECT_EQ(read->quiescentMicroamps, buck.quiescentMicroamps);
    EXPECT_EQ(read->minimumInputVolts, buck.minimumInputVolts);
    EXPECT_EQ(read->maximumInputVolts, buck.maximumInputVolts);
    EXPECT_EQ(read->fixedOutputVolts, buck.fixedOutputVolts);
    EXPECT_EQ(read->dropoutVsLoadMa.points(), buck.dropoutVsLoadMa.points());
    ASSERT_EQ(read->efficiency.size(), buck.efficiency.size());
    for (std::size_t i = 0; i < buck.efficiency.size(); ++i) {
        EXPECT_EQ(read->efficiency[i].inputVolts, buck.efficiency[i].inputVolts);
        EXPECT_EQ(read->efficiency[i].efficiencyVsLoadMa.points(),
                  buck.efficiency[i].efficiencyVsLoadMa.points());
    }
    EXPECT_EQ(WriteRegulator(*read), WriteRegulator(buck));
}

TEST(RegulatorFiles, EveryShippedFileLoads) {
    std::size_t shipped = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(RUNWELL_SOURCE_DIR) /
                                             "Regulators")) {
        shipped += entry.path().extension() == ".json";
    }
    const RegulatorSet set =
        LoadRegulators(std::filesystem::path(RUNWELL_BIN_DIR) / "Regulators");
    EXPECT_EQ(set.messages, std::vector<std::string>{});
    EXPECT_EQ(set.regulators.size(), shipped);
    EXPECT_GE(shipped, 4u);
    for (const Regulator& regulator : set.regulators) {
        const double volts = regulator.fixedOutputVolts.value_or(3.3);
        EXPECT_EQ(OutputProblem(regulator, volts), std::nullopt) << regulator.name;
        const double amps = BatteryAmps(regulator, 1e-3, volts, regulator.maximumInputVolts);
        EXPECT_TRUE(std::isfinite(amps) && amps > 0.0) << regulator.name;
    }
}

TEST(RegulatorFiles, ShippedBuckLosesToTheShippedLdoAtLightLoadFromALowCell) {
    const auto read = [](const char* file) {
        const auto text =
            ReadWholeFile(std::filesystem::path(RUNWELL_SOURCE_DIR) / "Regulators" / file);
        Result<Regulator> regulator = ParseRegulator(text.value_or(""));
        EXPECT_TRUE(regulator.ok()) << file;
        return regulator.ok() ? *regulator : Regulator{};
    };
    const Regulator buck = read("TPS62840-3.3V.json");
    const Regulator ldo = read("TPS7A02-3.3V.json");
    // 1 uA from 3.6 V: the 3.6 V curve's 81 % point, 3.3 uW / (0.81 * 3.6 V) + 60 nA.
    EXPECT_NEAR(BatteryAmps(buck, 1e-6, 3.3, 3.6), 1.1916872427983539e-6, 1e-15);
    EXPECT_NEAR(BatteryAmps(ldo, 1e-6, 3.3, 3.6), 1.025e-6, 1e-15);
    // 10 uA from 4.2 V: 91 %, and the buck wins, 33 uW / (0.91 * 4.2 V) + 60 nA.
    EXPECT_NEAR(BatteryAmps(buck, 1e-5, 3.3, 4.2), 8.694222919937204e-6, 1e-15);
    EXPECT_NEAR(BatteryAmps(ldo, 1e-5, 3.3, 4.2), 10.025e-6, 1e-15);
}

TEST(RegulatorFiles, UserFilesReplaceShippedOnesOfTheSameName) {
    const ScratchFolder folder;
    Regulator ldo = Ldo(1.6);
    folder.Put("Data/Regulators/a-ldo.json", WriteRegulator(ldo));
    folder.Put("Data/Regulators/b-buck.json", WriteRegulator(Buck()));
    folder.Put("Data/Regulators/c-same-name.json", WriteRegulator(Buck()));
    folder.Put("Data/Regulators/d-broken.json", "{");
    folder.Put("Data/Regulators/notes.txt", "not a regulator");
    ldo.quiescentMicroamps = 0.5;
    folder.Put("User/Regulators/own-ldo.json", WriteRegulator(ldo));
    ldo.name = "Own LDO";
    folder.Put("User/Regulators/own-new.json", WriteRegulator(ldo));

    const RegulatorSet set = LoadRegulators(
        DataLocation{folder / "Data", folder / "User" / "CustomBattery.csv", false});
    ASSERT_EQ(set.regulators.size(), 3u) << ::testing::PrintToString(set.messages);
    EXPECT_EQ(set.regulators[0].name, "LDO");
    EXPECT_EQ(set.regulators[0].quiescentMicroamps, 0.5);  // the user's, in the shipped place
    EXPECT_EQ(set.regulators[1].name, "Buck");
    EXPECT_EQ(set.regulators[2].name, "Own LDO");
    ASSERT_EQ(set.messages.size(), 2u);
    EXPECT_EQ(set.messages[0], "Regulators/c-same-name.json: Regulators/b-buck.json already "
                               "describes \"Buck\"; this file is not used.");
    EXPECT_EQ(set.messages[1].substr(0, 28), "Regulators/d-broken.json: No");
    EXPECT_TRUE(LoadRegulators(folder / "missing").regulators.empty());
}

TEST(RegulatorFiles, AFileOverOneMebibyteIsNotRead) {
    const ScratchFolder folder;
    folder.Put("Regulators/big.json", std::string((std::size_t{1} << 20) + 1, ' '));
    folder.Put("Regulators/limit.json", WriteRegulator(Buck()) + std::string(
                                            (std::size_t{1} << 20) - WriteRegulator(Buck()).size(),
                                            ' '));
    const RegulatorSet set = LoadRegulators(folder / "Regulators");
    ASSERT_EQ(set.messages.size(), 1u);
    EXPECT_EQ(set.messages[0], "Regulators/big.json: The file is larger than 1 MiB; a regulator "
                               "file is a few kilobytes.");
    ASSERT_EQ(set.regulators.size(), 1u);  // exactly 1 MiB is read
}

}  // namespace
}  // namespace runwell
