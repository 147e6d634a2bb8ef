// The window's prediction fields: optional figures read at their limits, and the texts of a
// regulator and of the capacity spread in use; the modes' own spreads as their editor reads them.

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "prediction/ModeSpreads.h"
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

std::vector<ModeRecord> ThreeModes() {
    std::vector<ModeRecord> modes(3);
    modes[0] = {"Measure", "RUN", "4MHZ", {}, 2.0f, 0.0f, 0.0f, 0.0f};
    modes[1] = {"Radio", "IDLE", "1MHZ", {}, 5.0f, 0.0f, 0.0f, 0.0f};
    modes[2] = {"Sleep", "SLEEP", "0", {}, 993.0f, 0.0f, 0.0f, 0.0f};
    return modes;
}

TEST(ModeSpreads, RowsNameTheModesAndAnUntouchedEditorChangesNothing) {
    const std::vector<ModeRecord> modes = ThreeModes();
    PredictionOptions options;
    options.currentSpreadPercent = 20.0;
    // Shown rounded, a trailing entry of none and one beyond the modes: kept exactly.
    options.modeSpreadPercent = {std::nullopt, 12.3456789, std::nullopt, 7.0};
    const std::vector<ModeSpreadRow> rows = ModeSpreadRows(modes, options);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].mode, "1  Measure (RUN, 4MHZ)");
    EXPECT_EQ(rows[1].mode, "2  Radio (IDLE, 1MHZ)");
    EXPECT_EQ(rows[0].text, "");
    EXPECT_EQ(rows[1].text, "12.3457");
    std::vector<std::string> texts;
    for (const ModeSpreadRow& row : rows) {
        texts.push_back(row.text);
    }
    EXPECT_EQ(*WithModeSpreadTexts(options, modes, texts), options);
    options.modeSpreadPercent = {std::nullopt, 50.0, std::nullopt};
    EXPECT_EQ(*WithModeSpreadTexts(options, modes, {"", "50", " "}), options);
}

TEST(ModeSpreads, FieldsSetClearAndRefuseByMode) {
    const std::vector<ModeRecord> modes = ThreeModes();
    PredictionOptions options;
    options.modeSpreadPercent = {30.0};
    // Setting the last mode, clearing the first: the entries before it stay empty.
    const Result<PredictionOptions> set = WithModeSpreadTexts(options, modes, {"", "", "1000"});
    ASSERT_TRUE(set.ok()) << set.error().message;
    EXPECT_EQ(set->modeSpreadPercent,
              (std::vector<std::optional<double>>{std::nullopt, std::nullopt, 1000.0}));
    // 0 is a spread of its own (typical), unlike an empty field; clearing every field leaves
    // no entry at all.
    const Result<PredictionOptions> held = WithModeSpreadTexts(options, modes, {"", "0", ""});
    ASSERT_TRUE(held.ok());
    EXPECT_EQ(held->modeSpreadPercent, (std::vector<std::optional<double>>{std::nullopt, 0.0}));
    EXPECT_TRUE(WithModeSpreadTexts(options, modes, {"", "", ""})->modeSpreadPercent.empty());

    for (const char* bad : {"-1", "abc", "1000.5", "nan", "5 %"}) {
        const Result<PredictionOptions> refused =
            WithModeSpreadTexts(options, modes, {"30", bad, "x"});
        ASSERT_FALSE(refused.ok()) << bad;
        EXPECT_EQ(refused.error().message,
                  "The spread (%) of mode 2 \"Radio\" must be empty or a number from 0 to 1000.");
    }
}

}  // namespace
}  // namespace runwell
