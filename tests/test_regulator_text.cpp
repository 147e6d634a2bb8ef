// The regulator editor's text: figures and tables read back exactly, and a field or line that is
// not a number is refused by its name and line number.

#include <gtest/gtest.h>

#include <string>

#include "power/RegulatorText.h"

namespace runwell {
namespace {

TEST(RegulatorText, FiguresReadBackExactlyAndNonNumbersNameTheField) {
    for (const double value : {0.1, 1e-9, 123456.789, -2.5, 3.3}) {
        const Result<double> read = ReadFigureField(ExactNumberText(value), "x");
        ASSERT_TRUE(read.ok()) << value;
        EXPECT_EQ(*read, value);
    }
    EXPECT_EQ(*ReadFigureField(" \t2.5 ", "x"), 2.5);
    // A decimal comma, a unit, nothing and the values no file can hold.
    for (const char* bad : {"1,5", "3 V", "", "  ", "nan", "inf", "1e999", "0x10"}) {
        const Result<double> read = ReadFigureField(bad, "Quiescent current (uA)");
        ASSERT_FALSE(read.ok()) << bad;
        EXPECT_EQ(read.error().message, "Quiescent current (uA) must be a number.") << bad;
    }
    EXPECT_EQ(*ReadOptionalFigureField(" ", "Fixed output (V)"), std::nullopt);
    EXPECT_EQ(*ReadOptionalFigureField("1.8", "Fixed output (V)"), 1.8);
    EXPECT_EQ(ReadOptionalFigureField("adj", "Fixed output (V)").error().message,
              "Fixed output (V) must be a number or empty.");
}

TEST(RegulatorText, PointsReadBackAndABadLineIsNamedByItsNumber) {
    const InterpolationTable table({{1e-3, 0.05}, {0.1, 0.1}, {150.0, 0.3125}});
    EXPECT_EQ(PointsText(table), "0.001 0.05\n0.1 0.1\n150 0.3125\n");
    EXPECT_EQ(*ReadPointsText(PointsText(table), "Dropout"), table);
    // Blank lines, tabs and Windows line ends are no points; the order is kept for the core.
    EXPECT_EQ(*ReadPointsText("\r\n 10\t0.2\r\n\n1 0.1", "Dropout"),
              InterpolationTable({{10.0, 0.2}, {1.0, 0.1}}));
    EXPECT_TRUE(ReadPointsText("", "Dropout")->empty());

    EXPECT_EQ(ReadPointsText("1 0.1\n\n5 x\n", "Dropout").error().message,
              "Dropout, line 3: \"5 x\" must be two numbers.");
    for (const char* bad : {"1", "1 2 3", "nan 1", "1 inf"}) {
        EXPECT_EQ(ReadPointsText(bad, "Dropout").error().message,
                  "Dropout, line 1: \"" + std::string(bad) + "\" must be two numbers.");
    }
    const std::string longLine(60, '7');
    EXPECT_EQ(ReadPointsText("1 " + longLine + "x", "Dropout").error().message,
              "Dropout, line 1: \"1 " + std::string(38, '7') + "...\" must be two numbers.");
}

TEST(RegulatorText, CurvesReadBackAndAPointNeedsItsInputVoltage) {
    const std::vector<EfficiencyCurve> curves = {
        {3.0, InterpolationTable({{0.001, 0.5}, {10.0, 0.9}})},
        {4.2, InterpolationTable({{0.01, 0.45}})}};
    EXPECT_EQ(CurvesText(curves), "3\n0.001 0.5\n10 0.9\n4.2\n0.01 0.45\n");
    EXPECT_EQ(*ReadCurvesText(CurvesText(curves), "Efficiency"), curves);
    EXPECT_TRUE(ReadCurvesText(" \n", "Efficiency")->empty());
    // A voltage without points is a curve of its own: the core refuses its empty table.
    const auto bare = ReadCurvesText("3.6\n", "Efficiency");
    ASSERT_EQ(bare->size(), 1u);
    EXPECT_TRUE(bare->front().efficiencyVsLoadMa.empty());

    EXPECT_EQ(ReadCurvesText("\n0.1 0.8\n", "Efficiency").error().message,
              "Efficiency, line 2: \"0.1 0.8\" comes before the first input voltage (V); each "
              "curve starts with its input voltage on a line of its own.");
    EXPECT_EQ(ReadCurvesText("3\n0.1 0.8 9\n", "Efficiency").error().message,
              "Efficiency, line 2: \"0.1 0.8 9\" must be an input voltage (V), or a load (mA) "
              "and an efficiency.");
    EXPECT_EQ(ReadCurvesText("3 V\n", "Efficiency").error().message,
              "Efficiency, line 1: \"3 V\" must be an input voltage (V), or a load (mA) and an "
              "efficiency.");
}

}  // namespace
}  // namespace runwell
