// The derated life on hand-computed cases; its helpers' cases are in
// fixtures/functions/derating.tsv.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "model/CurveScale.h"
#include "model/DeratedLife.h"

namespace runwell {
namespace {

/// 225 mAh rated; 225 mAh at 0.2 mA, 200 mAh at 1 mA and 150 mAh at 3 mA; no self-discharge.
struct Fixture {
    BatteryRecord battery;
    BatteryModel model;
    Fixture() {
        battery.description = "Cell";
        battery.capacityMah = 225;
        model.battery = "Cell";
        model.cutoffVoltage = 2.0;
        model.capacityVsCurrent = InterpolationTable({{0.2, 225.0}, {1.0, 200.0}, {3.0, 150.0}});
        model.selfDischargePercentPerYear = 0.0;
    }
};

DeratingConditions Load(double averageNa, double peakNa = 0.0, double temperatureC = 25.0,
                        std::optional<double> minimumVoltage = std::nullopt) {
    return {averageNa, peakNa, temperatureC, minimumVoltage};
}

TEST(DeratedLife, ConstantDrainReproducesTheCapacityTable) {
    const Fixture f;
    struct Case {
        double milliamps, hours, fraction;
        const char* text;
    };
    // Hours = capacity at that drain / drain; 2 mA lies halfway between 200 and 150 mAh.
    for (const Case c : {Case{0.2, 1125.0, 1.0, " 46 days 21 hours"},
                         Case{1.0, 200.0, 200.0 / 225.0, " 8 days 8 hours"},
                         Case{2.0, 87.5, 175.0 / 225.0, " 3 days 15 hours"},
                         Case{3.0, 50.0, 150.0 / 225.0, " 2 days 2 hours"},
                         Case{30.0, 5.0, 150.0 / 225.0, "  5 hours"},
                         Case{0.01, 22500.0, 1.0, "2 years 207 days 12 hours"}}) {
        const DeratedLife life = ComputeDeratedLife(f.battery, &f.model, Load(c.milliamps * 1e6));
        EXPECT_NEAR(life.hours, c.hours, c.hours * 1e-9) << c.milliamps;
        EXPECT_NEAR(life.usableFraction, c.fraction, 1e-9) << c.milliamps;
        EXPECT_EQ(life.limitingFactor, "capacity");
        EXPECT_EQ(DeratedLifeFieldText(life), std::string(c.text) + " (capacity)") << c.milliamps;
        EXPECT_TRUE(life.curve.empty());  // no open-circuit or nominal voltage, no curve
    }
}

TEST(DeratedLife, NominalVoltageStandsInForAMissingOpenCircuitTable) {
    Fixture f;
    f.battery.nominalVoltage = "3.0";
    f.model.resistanceVsDepth = InterpolationTable({{0.0, 10.0}, {1.0, 110.0}});
    // As with a flat 3.0 V open-circuit table: brown-out at depth 0.9 under a 10 mA peak.
    const DeratedLife life = ComputeDeratedLife(f.battery, &f.model, Load(1e6, 10e6));
    EXPECT_NEAR(life.hours, 180.0, 1e-6);
    EXPECT_NEAR(life.curve.front().volts, 2.9, 1e-12);
    f.battery.nominalVoltage = "n/a";
    EXPECT_EQ(ComputeDeratedLife(f.battery, &f.model, Load(1e6, 10e6)).limitingFactor, "capacity");
}

TEST(DeratedLife, TemperatureFactorScalesTheCapacity) {
    Fixture f;
    f.model.capacityFactorVsTemperature = InterpolationTable({{-20.0, 0.5}, {20.0, 1.0}});
    // 1 mA: 200 mAh x factor; 0 C lies halfway between -20 C and 20 C.
    for (const auto& [celsius, hours] :
         std::vector<std::pair<double, double>>{{0.0, 150.0}, {-20.0, 100.0}, {-40.0, 100.0},
                                                {25.0, 200.0}}) {
        EXPECT_NEAR(ComputeDeratedLife(f.battery, &f.model, Load(1e6, 0.0, celsius)).hours, hours,
                    1e-6)
            << celsius;
    }
}

TEST(DeratedLife, BrownOutAtPeakBeforeTheChargeIsSpent) {
    Fixture f;
    f.model.openCircuitVoltageVsDepth = InterpolationTable({{0.0, 3.0}, {1.0, 3.0}});
    f.model.resistanceVsDepth = InterpolationTable({{0.0, 10.0}, {1.0, 110.0}});
    // At 1 mA the cell holds 200 mAh. Under a 10 mA peak the loaded voltage is
    // 3.0 - 0.010 x R(depth) with R rising from 10 to 110 ohm: it reaches the 2.0 V cut-off at
    // R = 100 ohm, depth 0.9, after 180 mAh = 180 h.
    DeratedLife life = ComputeDeratedLife(f.battery, &f.model, Load(1e6, 10e6));
    EXPECT_EQ(life.limitingFactor, "brown-out at peak current");
    EXPECT_NEAR(life.hours, 180.0, 1e-6);
    EXPECT_NEAR(life.usableFraction, 180.0 / 225.0, 1e-9);
    EXPECT_EQ(DeratedLifeFieldText(life), " 7 days 12 hours (brown-out at peak current)");
    ASSERT_GE(life.curve.size(), 2u);
    EXPECT_DOUBLE_EQ(life.curve.front().hours, 0.0);
    EXPECT_NEAR(life.curve.front().volts, 2.9, 1e-12);
    EXPECT_NEAR(life.curve.back().hours, 180.0, 1e-6);
    EXPECT_NEAR(life.curve.back().volts, 2.0, 1e-12);
    EXPECT_EQ(life.minimumVoltage, 2.0);
    for (std::size_t i = 1; i < life.curve.size(); ++i) {
        EXPECT_GT(life.curve[i].hours, life.curve[i - 1].hours);
        EXPECT_LE(life.curve[i].volts, life.curve[i - 1].volts);
    }

    // A device that needs 2.5 V browns out at R = 50 ohm, depth 0.4: 80 h.
    life = ComputeDeratedLife(f.battery, &f.model, Load(1e6, 10e6, 25.0, 2.5));
    EXPECT_NEAR(life.hours, 80.0, 1e-6);
    EXPECT_EQ(life.minimumVoltage, 2.5);

    // Resistance doubled in the cold: crossing at R = 50 ohm, depth 0.4 again.
    f.model.resistanceFactorVsTemperature = InterpolationTable({{-10.0, 2.0}, {20.0, 1.0}});
    EXPECT_NEAR(ComputeDeratedLife(f.battery, &f.model, Load(1e6, 10e6, -10.0)).hours, 80.0, 1e-6);

    // A small peak never browns out: the charge ends first.
    life = ComputeDeratedLife(f.battery, &f.model, Load(1e6, 1e6));
    EXPECT_EQ(life.limitingFactor, "capacity");
    EXPECT_NEAR(life.hours, 200.0, 1e-6);

    // Below the minimum from the start: no life at all.
    life = ComputeDeratedLife(f.battery, &f.model, Load(1e6, 200e6));
    EXPECT_EQ(DeratedLifeFieldText(life), "? (brown-out at peak current)");
    EXPECT_EQ(life.hours, 0.0);
    EXPECT_EQ(life.curve.size(), 1u);
}

TEST(DeratedLife, SelfDischargeDoublesPerTenDegreesCompounded) {
    Fixture f;
    f.model.capacityVsCurrent = InterpolationTable();  // the rated capacity at any drain
    f.battery.capacityMah = 876;
    f.model.selfDischargePercentPerYear = 25.0;
    // At 30 C the rate doubles to 50 % a year: the charge left halves every year, k = ln 2 per
    // year. With dQ/dt = -I - kQ the charge is spent after ln(1 + kC/I) / k years; a drain of
    // I = kC/3 makes that ln 4 / ln 2 = 2 years exactly.
    const double drainNa = 876.0 * std::log(2.0) / 3.0 / 8760.0 * 1e6;
    DeratedLife life = ComputeDeratedLife(f.battery, &f.model, Load(drainNa, 0.0, 30.0));
    EXPECT_NEAR(life.hours, 2.0 * 8760.0, 1e-6);
    // The device got I x 2 years = 2 ln 2 / 3 = 46.2 % of the charge, self-discharge the rest.
    EXPECT_NEAR(life.usableFraction, 2.0 * std::log(2.0) / 3.0, 1e-9);
    EXPECT_EQ(life.limitingFactor, "self-discharge");

    // At 20 C the same drain loses only 25 % a year: ln(1 + kC/I) / k with k = -ln 0.75.
    const double k20 = -std::log(0.75);
    const double years20 = std::log(1.0 + k20 * 3.0 / std::log(2.0)) / k20;
    life = ComputeDeratedLife(f.battery, &f.model, Load(drainNa, 0.0, 20.0));
    EXPECT_NEAR(life.hours, years20 * 8760.0, 1e-6);
    EXPECT_EQ(life.limitingFactor, "capacity");

    // A model without self-discharge figures takes the catalogue's 2 %/month as 24 %/year.
    f.model.selfDischargePercentPerYear.reset();
    f.battery.selfDischargePercent = 2.0f;
    const double k24 = -std::log(0.76);
    EXPECT_NEAR(ComputeDeratedLife(f.battery, &f.model, Load(drainNa, 0.0, 20.0)).hours,
                std::log(1.0 + k24 * 876.0 / (drainNa / 1e6 * 8760.0)) / k24 * 8760.0, 1e-6);
}

TEST(DeratedLife, ShelfLifeEndsALongLife) {
    Fixture f;
    f.model.shelfLifeYears = 1.0;
    f.model.openCircuitVoltageVsDepth = InterpolationTable({{0.0, 3.0}, {1.0, 2.5}});
    const DeratedLife life = ComputeDeratedLife(f.battery, &f.model, Load(1000.0));  // 1 uA
    EXPECT_NEAR(life.hours, 8760.0, 1e-6);
    EXPECT_EQ(DeratedLifeFieldText(life), "1 year  0 hours (self-discharge)");
    EXPECT_NEAR(life.usableFraction, 8.76 / 225.0, 1e-9);
    // 8.76 of 225 mAh spent: the curve ends at that depth of the open-circuit line.
    EXPECT_NEAR(life.curve.back().volts, 3.0 - 0.5 * 8.76 / 225.0, 1e-9);
}

TEST(DeratedLife, NoModelAndNoLoad) {
    const Fixture f;
    DeratedLife life = ComputeDeratedLife(f.battery, nullptr, Load(1e6));
    EXPECT_FALSE(life.hasModel);
    EXPECT_EQ(DeratedLifeFieldText(life), "no model");
    for (const double average : {0.0, -5.0, std::nan("")}) {
        life = ComputeDeratedLife(f.battery, &f.model, Load(average));
        EXPECT_TRUE(life.hasModel);
        EXPECT_EQ(DeratedLifeFieldText(life), "?") << average;
    }
}

TEST(CurveScale, TickValuesStayInHours) {
    EXPECT_EQ(HourTicks(180.0)[1].value, 48.0);
}

}  // namespace
}  // namespace runwell
