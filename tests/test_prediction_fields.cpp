// The window's prediction fields: optional figures read at their limits, and the texts of a
// regulator and of the capacity spread in use.

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "prediction/PredictionFields.h"

namespace runwell {
namespace {

TEST(PredictionFields, AnOptionalFigureIsEmptyOrANumberWithinItsLimits) {
    const auto read = [](const char* text) {
        return ReadOptionalFigure(text, "Capacity spread (%)", 0.0, kMaxCapacitySpreadPercent);
    };
    EXPECT_EQ(*read(""), std::nullopt);
    EXPECT_EQ(*read("  \t"), std::nullopt);
    EXPECT_EQ(*read("0"), 0.0);
    EXPECT_EQ(*read(" 99 "), 99.0);
    EXPECT_EQ(*read("12.5"), 12.5);
    for (const char* bad : {"99.01", "-0.5", "abc", "10 %", "nan", "1e400", "5,5"}) {
        const auto figure = read(bad);
        ASSERT_FALSE(figure.ok()) << bad;
        EXPECT_EQ(figure.error().message,
                  "Capacity spread (%) must be empty or a number from 0 to 99.");
    }
    EXPECT_EQ(
        ReadOptionalFigure("1e6", "Capacitor leakage (uA)", 0.0, kMaxLeakageMicroamps).value(),
        1e6);
    EXPECT_EQ(OptionalFigureText(std::nullopt), "");
    EXPECT_EQ(OptionalFigureText(2.5), "2.5");
    EXPECT_EQ(OptionalFigureText(20.0), "20");
}

TEST(PredictionFields, TheRegulatorSummaryAndTheCapacitySpreadTipNameWhatIsInUse) {
    Regulator ldo;
    ldo.name = "LDO";
    ldo.part = "X1-33";
    ldo.sources = "Maker, datasheet rev. A";
    ldo.quiescentMicroamps = 1.6;
    ldo.minimumInputVolts = 2.3;
    ldo.maximumInputVolts = 6.0;
    ldo.fixedOutputVolts = 3.3;
    EXPECT_EQ(RegulatorSummary(ldo),
              "LDO\nPart: X1-33\nKind: linear\nQuiescent current: 1.6 uA\n"
              "Input: 2.3 to 6 V\nOutput: 3.3 V fixed\n"
              "Sources: Maker, datasheet rev. A");
    ldo.fixedOutputVolts.reset();
    EXPECT_NE(RegulatorSummary(ldo).find("Output: adjustable"), std::string::npos);

    LifePrediction prediction;
    const std::string plain = CapacitySpreadTip(prediction);
    EXPECT_EQ(plain.find("in use"), std::string::npos);
    prediction.capacitySpreadPercent = 8.0;
    prediction.capacitySpreadSource = "Maker, cell sheet";
    EXPECT_EQ(CapacitySpreadTip(prediction), plain + "\nDefault in use: 8 % (Maker, cell sheet)");
    prediction.capacitySpreadSource = "given";
    EXPECT_EQ(CapacitySpreadTip(prediction), plain + "\nIn use: 8 %");
}

}  // namespace
}  // namespace runwell
