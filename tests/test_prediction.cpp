// The predicted life with a regulator between the cell and the device, over a year of
// temperatures, and at the worst corner of the spreads; and the options as a profile keeps them.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "exchange/ProfileJson.h"
#include "files/ProfileExtras.h"
#include "prediction/LifePrediction.h"
#include "prediction/PredictionJson.h"

namespace runwell {
namespace {

BatteryRecord Cell(std::uint32_t mah, const char* volts) {
    BatteryRecord battery;
    battery.description = "Cell";
    battery.capacityMah = mah;
    battery.nominalVoltage = volts;
    return battery;
}

/// One cell of `mah` whose open-circuit voltage falls linearly from `full` to `empty` volts,
/// with `ohms` at once, no polarisation and no self-discharge.
BatteryModel LinearCell(double full, double empty, double ohms) {
    BatteryModel model;
    model.battery = "Cell";
    model.selfDischargePercentPerYear = 0.0;
    model.cutoffVoltage = empty;
    model.openCircuitVoltageVsDepth = InterpolationTable({{0.0, full}, {1.0, empty}});
    model.resistanceVsDepth = InterpolationTable({{0.0, ohms}, {1.0, ohms}});
    return model;
}

/// A steady device current of `microamps`, at `celsius`.
PredictionInput Steady(double microamps, double outputVolts, double celsius = 25.0) {
    PredictionInput input;
    input.conditions.averageCurrent = microamps * 1e3;
    input.conditions.peakCurrent = microamps * 1e3;
    input.conditions.temperatureC = celsius;
    input.conditions.steps = {{microamps * 1e-6, 1.0}};
    input.outputVolts = outputVolts;
    return input;
}

Regulator Linear(double quiescentMicroamps, double dropoutVolts) {
    Regulator regulator;
    regulator.name = "LDO";
    regulator.part = "LDO";
    regulator.sources = "Sheet";
    regulator.kind = RegulatorKind::kLinear;
    regulator.quiescentMicroamps = quiescentMicroamps;
    regulator.dropoutVsLoadMa = InterpolationTable({{0.001, dropoutVolts}, {100.0, dropoutVolts}});
    regulator.minimumInputVolts = 1.0;
    regulator.maximumInputVolts = 6.0;
    return regulator;
}

/// A boost of a flat `efficiency` at every load and input, running down to `lowest` volts.
Regulator Boost(double efficiency, double lowest) {
    Regulator regulator;
    regulator.name = "Boost";
    regulator.part = "Boost 3.0 V";
    regulator.sources = "Sheet";
    regulator.kind = RegulatorKind::kBoost;
    regulator.minimumInputVolts = lowest;
    regulator.maximumInputVolts = 5.0;
    regulator.efficiency = {{1.0, InterpolationTable({{0.001, efficiency}, {100.0, efficiency}})}};
    return regulator;
}

TEST(LifePrediction, WithoutOptionsItIsThePredictedLifeAsEver) {
    const BatteryRecord battery = Cell(100, "3.0");
    const BatteryModel model = LinearCell(3.0, 2.0, 10.0);
    const PredictionInput input = Steady(100.0, 3.0);
    const LifePrediction prediction = PredictLife(battery, &model, input, {});
    const DeratedLife plain = ComputeDeratedLife(battery, &model, input.conditions);
    EXPECT_EQ(prediction.typical.hours, plain.hours);
    EXPECT_EQ(prediction.typical.limitingFactor, plain.limitingFactor);
    EXPECT_FALSE(prediction.worst);
    EXPECT_EQ(PredictLife(battery, nullptr, input, {}).typical.lifeText, "no model");
}

TEST(LifePrediction, LinearRegulatorAddsItsQuiescentCurrentAndEndsAtItsDropout) {
    // 100 uA through an LDO of 50 uA quiescent current: the cell gives 150 uA. The output of
    // 2.5 V with 0.2 V dropout needs 2.7 V: the open-circuit voltage of 3.0 - depth falls to
    // 2.7 V plus 150 uA x 10 ohm at depth 0.2985, so 29.85 mAh at 0.15 mA: 199 hours.
    const BatteryRecord battery = Cell(100, "3.0");
    const BatteryModel model = LinearCell(3.0, 2.0, 10.0);
    PredictionOptions options;
    options.regulator = Linear(50.0, 0.2);
    const LifePrediction prediction = PredictLife(battery, &model, Steady(100.0, 2.5), options);
    EXPECT_NEAR(prediction.batteryAverage, 150e3, 1e-6);
    EXPECT_NEAR(prediction.limitVolts, 2.7, 1e-12);
    EXPECT_EQ(prediction.typical.limitingFactor, kLimitRegulator);
    EXPECT_NEAR(prediction.typical.hours, 0.2985 * 100.0 / 0.15, 1e-6);
}

TEST(LifePrediction, BoostDrawsMoreAsTheCellFallsAndEndsAtItsLowestInput) {
    // A cell of 1.5 V to 0.8 V through a boost of 80 % to 3.0 V at 1 mA: the cell gives
    // 3 mW / 0.8 / V, 2.5 mA at 1.5 V and 3.125 mA at 1.2 V. The life ends where the open-circuit
    // voltage falls to the boost's 0.9 V (no resistance): depth 6/7.
    const BatteryRecord battery = Cell(1000, "1.5");
    const BatteryModel model = LinearCell(1.5, 0.8, 0.0);
    PredictionOptions options;
    options.regulator = Boost(0.8, 0.9);
    const LifePrediction prediction = PredictLife(battery, &model, Steady(1000.0, 3.0), options);
    EXPECT_EQ(prediction.typical.limitingFactor, kLimitRegulator);
    EXPECT_NEAR(prediction.limitVolts, 0.9, 1e-12);
    // By hand: dQ/dV = -1000 mAh / 0.7 V and I(V) = 3.75 / V mA, so the hours from 1.5 V to
    // 0.9 V are the integral of (1000 / 0.7) V / 3.75 dV = (1000 / 0.7) (1.5^2 - 0.9^2) / 7.5.
    const double hours = 1000.0 / 0.7 * (1.5 * 1.5 - 0.9 * 0.9) / 7.5;
    // The walk holds the current of each 1/200 step at the step's middle.
    EXPECT_NEAR(prediction.typical.hours, hours, hours * 1e-4);
    // A regulator that cannot give the device's voltage gives no life, and says why.
    options.regulator->fixedOutputVolts = 5.0;
    const LifePrediction refused = PredictLife(battery, &model, Steady(1000.0, 3.0), options);
    EXPECT_FALSE(refused.problem.empty());
    EXPECT_EQ(PredictionRangeText(refused), "? (" + refused.problem + ")");
}

TEST(LifePrediction, DeviceCurrentsFollowTheMissionBetweenCharacterisedTemperatures) {
    // 1 uA at 25 C and 4 uA at 85 C: log-linear, 2 uA at 55 C; beyond 85 C it holds, flagged.
    const BatteryRecord battery = Cell(100, "3.0");
    const BatteryModel model = LinearCell(3.0, 2.0, 0.0);
    PredictionInput input = Steady(1.0, 3.0);
    input.characterised = {{25.0, {{1e-6, 1.0}}}, {85.0, {{4e-6, 1.0}}}};
    PredictionOptions options;
    options.mission = Mission{};
    options.mission->name = "Hot";
    options.mission->constantC = 55.0;
    LifePrediction prediction = PredictLife(battery, &model, input, options);
    EXPECT_NEAR(prediction.typical.hours, 100.0 / 0.002, 1e-3);
    EXPECT_TRUE(prediction.note.empty());
    options.mission->constantC = 100.0;
    prediction = PredictLife(battery, &model, input, options);
    EXPECT_NEAR(prediction.typical.hours, 100.0 / 0.004, 1e-3);
    EXPECT_FALSE(prediction.note.empty());
}

TEST(LifePrediction, WorstCornerIsNamedAndComputedByHand) {
    // Capacity-limited: the life is capacity / current, so +20 % current and -10 % capacity
    // give 0.9 / 1.2 of the typical life.
    const BatteryRecord battery = Cell(100, "3.0");
    const BatteryModel model = LinearCell(3.0, 2.0, 0.0);
    PredictionOptions options;
    options.worstCase = true;
    options.currentSpreadPercent = 20.0;
    options.capacitySpreadPercent = 10.0;
    const LifePrediction prediction = PredictLife(battery, &model, Steady(100.0, 3.0), options);
    ASSERT_TRUE(prediction.worst);
    EXPECT_NEAR(prediction.typical.hours, 1000.0, 1e-6);
    EXPECT_NEAR(prediction.worst->hours, 1000.0 * 0.9 / 1.2, 1e-6);
    EXPECT_EQ(prediction.worstCorner, "device currents +20 %, capacity -10 %");
    EXPECT_EQ(PredictionRangeText(prediction),
              "typical 41 days 16 hours (capacity), worst case 31 days 6 hours "
              "(device currents +20 %, capacity -10 %)");

    // One mode's own spread replaces the profile's; without a capacity spread the chemistry's
    // default applies, and a primary cell has none.
    options.capacitySpreadPercent.reset();
    options.currentSpreadPercent = 0.0;
    options.modeSpreadPercent = {50.0};
    const LifePrediction mode = PredictLife(battery, &model, Steady(100.0, 3.0), options);
    ASSERT_TRUE(mode.worst);
    EXPECT_NEAR(mode.worst->hours, 1000.0 / 1.5, 1e-6);
    EXPECT_EQ(mode.worstCorner, "device currents of mode 1 +50 %");
}

TEST(LifePrediction, AModesOwnSpreadReplacesTheProfilesAndTheCornerNamesIt) {
    // Two modes of 100 uA, half the time each: 1000 hours typical.
    const BatteryRecord battery = Cell(100, "3.0");
    const BatteryModel model = LinearCell(3.0, 2.0, 0.0);
    PredictionInput input = Steady(100.0, 3.0);
    input.conditions.steps = {{100e-6, 0.5}, {100e-6, 0.5}};
    PredictionOptions options;
    options.worstCase = true;
    options.capacitySpreadPercent = 0.0;
    options.currentSpreadPercent = 20.0;
    // The entry beyond the profile's modes changes nothing and is not named.
    options.modeSpreadPercent = {std::nullopt, 50.0, 300.0};
    const LifePrediction raised = PredictLife(battery, &model, input, options);
    ASSERT_TRUE(raised.worst);
    EXPECT_NEAR(raised.typical.hours, 1000.0, 1e-6);
    EXPECT_NEAR(raised.worst->hours, 1000.0 / 1.35, 1e-6);
    EXPECT_EQ(raised.worstCorner, "device currents +20 %, mode 2 +50 %");

    // A mode held at typical is named too; one equal to the profile's is not.
    options.modeSpreadPercent = {20.0, 0.0};
    const LifePrediction held = PredictLife(battery, &model, input, options);
    ASSERT_TRUE(held.worst);
    EXPECT_NEAR(held.worst->hours, 1000.0 / 1.1, 1e-6);
    EXPECT_EQ(held.worstCorner, "device currents +20 %, mode 2 +0 %");

    // Every mode at typical: no current corner at all.
    options.currentSpreadPercent = 0.0;
    options.modeSpreadPercent = {0.0, std::nullopt};
    EXPECT_FALSE(PredictLife(battery, &model, input, options).worst);
}

TEST(LifePrediction, ModelCapacitySpreadComesBeforeTheChemistrysAndIsKeptInItsFile) {
    const BatteryRecord battery = Cell(100, "3.0");
    BatteryModel model = LinearCell(3.0, 2.0, 0.0);
    model.version = 2;
    model.sources = "Sheet";
    model.capacitySpreadPercent = 8.0;
    model.capacitySpreadSource = "Sheet, minimum 92 mAh";
    PredictionOptions options;
    options.worstCase = true;
    const LifePrediction prediction = PredictLife(battery, &model, Steady(100.0, 3.0), options);
    ASSERT_TRUE(prediction.worst);
    EXPECT_EQ(prediction.worstCorner, "capacity -8 %");
    EXPECT_EQ(prediction.capacitySpreadSource, "Sheet, minimum 92 mAh");
    EXPECT_NEAR(prediction.worst->hours, 920.0, 1e-6);

    const Result<BatteryModel> read = ParseBatteryModel(WriteBatteryModel(model));
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->capacitySpreadPercent, 8.0);
    EXPECT_EQ(read->capacitySpreadSource, model.capacitySpreadSource);
    std::string text = WriteBatteryModel(model);
    text.replace(text.find("\"percent\": 8"), 12, "\"percent\": 100");
    const Result<BatteryModel> refused = ParseBatteryModel(text);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().message.rfind("capacitySpread: ", 0), 0u) << refused.error().message;
}

TEST(PredictionOptions, JsonRoundTripsAndRefusesByField) {
    PredictionOptions options;
    options.regulator = Boost(0.85, 0.9);
    options.mission = Mission{};
    options.mission->name = "Outdoor";
    options.mission->kind = MissionKind::kMonthly;
    options.mission->monthlyC = {-5, -3, 2, 8, 13, 17, 19, 18, 14, 9, 3, -2};
    options.currentSpreadPercent = 15.0;
    options.modeSpreadPercent = {std::nullopt, 40.0};
    options.capacitySpreadPercent = 5.0;
    options.worstCase = true;
    const nlohmann::json json = PredictionOptionsJson(options);
    Result<PredictionOptions> read = ParsePredictionOptions(json, "prediction");
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(PredictionOptionsJson(*read), json);
    EXPECT_TRUE(PredictionOptionsJson({}).empty());

    const struct {
        const char* json;
        const char* message;
    } bad[] = {
        {R"({"currentSpreadPercent": -1})",
         "prediction.currentSpreadPercent must be a percentage of 0 to 1000"},
        {R"({"capacitySpreadPercent": 100})",
         "prediction.capacitySpreadPercent must be a percentage of 0 to 99"},
        {R"({"modeSpreadPercent": [null, "x"]})",
         "prediction.modeSpreadPercent[1] must be a percentage of 0 to 1000"},
        {R"({"worstCase": 1})", "prediction.worstCase must be true or false"},
        {R"({"later": 1})", "prediction: unknown key \"later\""},
        {R"([])", "prediction must be an object"},
    };
    for (const auto& c : bad) {
        const Result<PredictionOptions> refused =
            ParsePredictionOptions(nlohmann::json::parse(c.json), "prediction");
        ASSERT_FALSE(refused.ok()) << c.json;
        EXPECT_EQ(refused.error().message, c.message);
    }
    const Result<PredictionOptions> badMission = ParsePredictionOptions(
        nlohmann::json::parse(R"({"mission": {"format": "runwell-mission"}})"), "prediction");
    ASSERT_FALSE(badMission.ok());
    EXPECT_EQ(badMission.error().message.rfind("prediction.mission: ", 0), 0u);
}

TEST(PredictionOptions, SidecarAndTextProfileCarryThemAndRefuseThemByKey) {
    ProfileExtras extras;
    extras.minimumVoltage = 2.2;
    extras.prediction.regulator = Linear(0.06, 0.1);
    extras.prediction.worstCase = true;
    extras.prediction.currentSpreadPercent = 30.0;
    extras.bufferLeakage = 0.5;
    extras.settingsDigest = "fnv1a64:0000000000000000";
    const Result<ProfileExtras> sidecar = ParseProfileExtras(SerializeProfileExtras(extras));
    ASSERT_TRUE(sidecar.ok()) << sidecar.error().message;
    EXPECT_EQ(*sidecar, extras);
    EXPECT_FALSE(sidecar->empty());

    SettingsImage image;
    image.battery = 0;
    extras.settingsDigest.reset();  // a text profile carries no digest
    ProfileExtras read;
    const Result<SettingsImage> profile = ParseProfileJson(ProfileJsonOf(image, extras), &read);
    ASSERT_TRUE(profile.ok()) << profile.error().message;
    EXPECT_EQ(read, extras);

    const Result<ProfileExtras> badSidecar = ParseProfileExtras(
        R"({"format":"runwell-profile-extras","version":1,"prediction":{"worstCase":"yes"}})");
    ASSERT_FALSE(badSidecar.ok());
    EXPECT_EQ(badSidecar.error().message, "\"prediction\".worstCase must be true or false.");
    std::string text = ProfileJsonOf(image, extras);
    text.replace(text.find("\"bufferLeakage\": 0.5"), 20, "\"bufferLeakage\": -1 ");
    const Result<SettingsImage> badProfile = ParseProfileJson(text, &read);
    ASSERT_FALSE(badProfile.ok());
    EXPECT_NE(badProfile.error().message.find("bufferLeakage"), std::string::npos);
}

}  // namespace
}  // namespace runwell
