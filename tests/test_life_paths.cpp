// The life walked through spans of time (temperatures over a year, storage first) and the
// buffer capacitor that carries a pulse the cell alone cannot.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "battery/BufferAdvice.h"
#include "battery/DeratedLife.h"
#include "battery/PathWalk.h"
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

BatteryRecord Cell(std::uint32_t mah, const char* volts, float selfDischargePercent = 0.0f) {
    BatteryRecord battery;
    battery.description = "Cell";
    battery.capacityMah = mah;
    battery.nominalVoltage = volts;
    battery.selfDischargePercent = selfDischargePercent;
    return battery;
}

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

/// The walk's load for a cell wired straight to the device.
CellLoad DirectLoad(const DeratingConditions& conditions) {
    CellLoad load;
    load.temperatureC = conditions.temperatureC;
    load.fixedMa = conditions.averageCurrent / 1e6;
    load.capacityDrainMa = conditions.averageCurrent / 1e6;
    load.steps = conditions.steps;
    load.peakAmps = conditions.peakCurrent / 1e9;
    return load;
}

PathWalkInput OneTemperature(const DeratingConditions& conditions, double limitVolts) {
    PathWalkInput input;
    input.loads = {DirectLoad(conditions)};
    input.year = {{8760.0, 0}};
    input.limitVolts = limitVolts;
    return input;
}

TEST(PathWalk, OneTemperatureAllYearIsThePredictedLife) {
    // Brown-out of pulses on the measured coin cell, a light drain that spends the capacity,
    // and a shelf life that ends first: the walk in spans agrees with the walk in depth.
    const BatteryModel coin = ShippedModel("CR2032.json");
    const BatteryRecord cr2032 = Cell(225, "3.0", 0.08f);
    BatteryModel shelf = coin;
    shelf.shelfLifeYears = 2.0;
    struct Case {
        const char* name;
        const BatteryModel* model;
        DeratingConditions conditions;
    };
    const Case cases[] = {
        {"pulses", &coin, Pulses(30.0, 0.005, 0.002, 0.995, 2.7)},
        {"light", &coin, Pulses(0.2, 1.0, 0.01, 9.0, 2.0)},
        {"shelf", &shelf, Pulses(0.01, 1.0, 0.001, 9.0, 2.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DeratedLife expected = ComputeDeratedLife(cr2032, c.model, c.conditions);
        const DeratedLife walked =
            WalkPath(cr2032, *c.model, OneTemperature(c.conditions, *c.conditions.minimumVoltage));
        EXPECT_EQ(walked.limitingFactor, expected.limitingFactor);
        EXPECT_NEAR(walked.hours, expected.hours, expected.hours * 1e-6);
        EXPECT_NEAR(walked.usableFraction, expected.usableFraction, 1e-6);
        EXPECT_EQ(walked.lifeText, expected.lifeText);
    }
}

/// A cell of 100 mAh with no voltage to check and a yearly self-discharge of 12 % at 20 C that
/// doubles every 10 C.
BatteryModel PlainModel() {
    BatteryModel model;
    model.battery = "Cell";
    model.selfDischargePercentPerYear = 12.0;
    return model;
}

double PerHour(double yearlyPercent) { return -std::log1p(-yearlyPercent / 100.0) / 8760.0; }

TEST(PathWalk, MonthsAndStorageCompoundTheSelfDischargeAsByHand) {
    const BatteryRecord battery = Cell(100, "");
    const BatteryModel model = PlainModel();
    PathWalkInput input;
    CellLoad warm, cold, store;
    warm.temperatureC = 30.0;  // 24 % a year
    cold.temperatureC = 10.0;  // 6 % a year
    store.temperatureC = 40.0;  // 48 % a year
    warm.fixedMa = cold.fixedMa = 0.01;
    warm.capacityDrainMa = cold.capacityDrainMa = store.capacityDrainMa = 0.01;
    input.loads = {warm, cold, store};
    input.storage = {{6 * 730.0, 2}};
    input.year = {{6 * 730.0, 0}, {6 * 730.0, 1}};

    // By hand: storage keeps exp(-k t) of the charge; each half year then follows
    // dQ/dt = -L - k Q, so Q(t) = (Q0 + L/k) exp(-k t) - L/k, until Q reaches 0.
    double charge = 100.0 * std::exp(-PerHour(48.0) * 6 * 730.0);
    const double load = 0.01;
    double hours = 0.0;
    for (int half = 0;; ++half) {
        const double k = PerHour(half % 2 == 0 ? 24.0 : 6.0);
        const double after = (charge + load / k) * std::exp(-k * 6 * 730.0) - load / k;
        if (after <= 0.0) {
            hours += std::log1p(k * charge / load) / k;
            break;
        }
        charge = after;
        hours += 6 * 730.0;
    }
    const DeratedLife life = WalkPath(battery, model, input);
    EXPECT_NEAR(life.hours, hours, hours * 1e-9);
    EXPECT_EQ(life.limitingFactor, kLimitCapacity);  // the device still took the most
}

TEST(PathWalk, AColdMonthWithLessCapacityEndsTheLifeInThatMonth) {
    BatteryModel model = PlainModel();
    model.selfDischargePercentPerYear = 0.0;
    model.capacityFactorVsTemperature = InterpolationTable({{-20.0, 0.5}, {20.0, 1.0}});
    const BatteryRecord battery = Cell(1000, "");
    PathWalkInput input;
    CellLoad mild, winter;
    mild.temperatureC = 20.0;
    winter.temperatureC = -20.0;
    mild.fixedMa = winter.fixedMa = 0.1;
    mild.capacityDrainMa = winter.capacityDrainMa = 0.1;
    input.loads = {mild, winter};
    input.year = {{730.0, 1}, {11 * 730.0, 0}};  // January is cold
    // 500 mAh are drawn by 5000 h, in the first year's mild months; in the second January
    // (8760 h on) more than half the charge is gone, so the life ends as it starts.
    const DeratedLife life = WalkPath(battery, model, input);
    EXPECT_NEAR(life.hours, 8760.0, 1e-6);
    EXPECT_EQ(life.limitingFactor, kLimitCapacity);
    input.year = {{12 * 730.0, 0}};
    EXPECT_NEAR(WalkPath(battery, model, input).hours, 10000.0, 1e-6);
}

TEST(PathWalk, EmptyYearOrIdleCellEndsWithoutHanging) {
    BatteryModel model = PlainModel();
    model.selfDischargePercentPerYear = 0.0;
    const BatteryRecord battery = Cell(100, "");
    PathWalkInput input;
    EXPECT_EQ(WalkPath(battery, model, input).lifeText, "?");
    CellLoad idle;
    input.loads = {idle};
    input.year = {{8760.0, 0}};
    const DeratedLife life = WalkPath(battery, model, input);  // never ends: stops at a limit
    EXPECT_TRUE(std::isfinite(life.hours));
}

/// A cell whose open-circuit voltage falls linearly from 3.0 V to 2.0 V, with 10 ohm at once
/// and no polarisation, no self-discharge.
BatteryModel LinearCell() {
    BatteryModel model = PlainModel();
    model.selfDischargePercentPerYear = 0.0;
    model.cutoffVoltage = 2.0;
    model.openCircuitVoltageVsDepth = InterpolationTable({{0.0, 3.0}, {1.0, 2.0}});
    model.resistanceVsDepth = InterpolationTable({{0.0, 10.0}, {1.0, 10.0}});
    return model;
}

TEST(BufferAdvice, CarriesThePulseWithTheCapacitanceComputedByHand) {
    const BatteryRecord battery = Cell(100, "3.0");
    const BatteryModel model = LinearCell();
    const DeratingConditions conditions = Pulses(40.0, 0.01, 0.0, 0.99, 2.5);
    const DeratedLife without = ComputeDeratedLife(battery, &model, conditions);
    ASSERT_EQ(without.limitingFactor, kLimitBrownOut);
    EXPECT_NEAR(without.usableFraction, 0.1, 1e-6);  // 40 mA x 10 ohm: 2.9 V open circuit

    // With an unlimited capacitor the cell sees the average, 0.4 mA: down to 2.504 V, depth
    // 0.496. 95 % of that life is depth 0.4712, where 28.8 mV may drop: the cell's current may
    // reach 2.88 mA, so 1 - exp(-10 ms / (10 ohm C)) <= 2.48 / 39.6, C >= 15.3 mF: 22 mF.
    const std::optional<BufferAdvice> advice =
        AdviseBuffer(battery, model, conditions, without, std::nullopt);
    ASSERT_TRUE(advice.has_value());
    EXPECT_EQ(advice->mode, 0);
    EXPECT_DOUBLE_EQ(advice->microfarads, 22000.0);
    EXPECT_DOUBLE_EQ(advice->leakageMicroamps, 0.01 * 22000.0 * 3.0);
    EXPECT_FALSE(advice->leakageGiven);

    const std::optional<BufferAdvice> tight =
        AdviseBuffer(battery, model, conditions, without, 0.0);
    ASSERT_TRUE(tight.has_value());
    EXPECT_GT(tight->life.hours, 0.95 * 0.496 * 100.0 / 0.4);
    EXPECT_LT(advice->life.hours, tight->life.hours);  // the leakage costs life
    EXPECT_EQ(BufferAdviceText(*tight),
              "A 22 mF capacitor across the cell carries mode 1: predicted life " +
                  tight->life.lifeText + " with its 0 uA leakage.");
}

TEST(BufferAdvice, NoneWhenThePulsesDoNotEndTheLife) {
    const BatteryRecord battery = Cell(100, "3.0");
    const BatteryModel model = LinearCell();
    const DeratingConditions light = Pulses(1.0, 0.01, 0.0, 0.99, 1.9);  // the charge ends first
    EXPECT_FALSE(AdviseBuffer(battery, model, light,
                              ComputeDeratedLife(battery, &model, light), std::nullopt));
    DeratingConditions steady = Pulses(40.0, 1.0, 40.0, 1.0, 2.5);  // nothing to smooth
    EXPECT_FALSE(AdviseBuffer(battery, model, steady,
                              ComputeDeratedLife(battery, &model, steady), std::nullopt));
}

}  // namespace
}  // namespace runwell
