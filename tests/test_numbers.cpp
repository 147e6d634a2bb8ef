#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "model/Numbers.h"

namespace runwell {
namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr double kHuge = 1e300;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ReadInteger, ReadsTheLeadingDecimalNumber) {
    struct Case {
        std::string_view text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"12.7", 12},
        {"  -42", -42},
        {"\t+7x", 7},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 5", 0},
        {"0x1F", 0},
        {"540", 540},
        {"2147483647", kInt32Max},
        {"2147483648", kInt32Max},
        {"-2147483648", kInt32Min},
        {"-2147483649", kInt32Min},
        {"99999999999999999999", kInt32Max},
        {"-99999999999999999999", kInt32Min},
        {"000000000000000000000000000012", 12},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadInteger(c.text), c.expected) << "text: \"" << c.text << '"';
    }
}

TEST(ReadReal, ReadsTheLongestNumberPrefix) {
    // '.' is the decimal point whatever the locale; no hexadecimal, infinity or NaN.
    struct Case {
        std::string_view text;
        double expected;
    };
    const Case cases[] = {
        {"1.5", 1.5},
        {"  +5e2xyz", 500.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"2E-3", 0.002},
        {"-3", -3.0},
        {"12,5", 12.0},
        {"0x10", 0.0},
        {"inf", 0.0},
        {"-infinity", 0.0},
        {"nan", 0.0},
        {"abc", 0.0},
        {".", 0.0},
        {"-.", 0.0},
        {"e5", 0.0},
        {"", 0.0},
        {"1e-400", 0.0},
        {"1e400", std::numeric_limits<double>::max()},
        {"-1e400", std::numeric_limits<double>::lowest()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadReal(c.text), c.expected) << "text: \"" << c.text << '"';
    }
}

TEST(ReadReal, MinusZeroKeepsItsSign) {
    const double value = ReadReal("-0");
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(std::signbit(value));
}

TEST(NarrowToFloat, SaturatesInsteadOfBecomingInfinite) {
    constexpr float kFloatMax = std::numeric_limits<float>::max();
    EXPECT_EQ(NarrowToFloat(1e39), kFloatMax);
    EXPECT_EQ(NarrowToFloat(-1e39), -kFloatMax);
    EXPECT_EQ(NarrowToFloat(kInf), kFloatMax);
    EXPECT_EQ(NarrowToFloat(-kInf), -kFloatMax);
    EXPECT_EQ(NarrowToFloat(static_cast<double>(kFloatMax)), kFloatMax);
    EXPECT_EQ(NarrowToFloat(0.1015), 0.1015f);  // rounded to nearest
    EXPECT_EQ(NarrowToFloat(-2.5), -2.5f);
    EXPECT_TRUE(std::isnan(NarrowToFloat(kNaN)));
}

TEST(Saturate, TruncatesTowardZeroAndClampsAtTheLimits) {
    struct Case {
        double value;
        std::int32_t int32;
        std::uint32_t uint32;
        std::int64_t int64;
    };
    constexpr std::uint32_t kUint32Max = std::numeric_limits<std::uint32_t>::max();
    constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
    const double twoTo63 = std::ldexp(1.0, 63);
    const Case cases[] = {
        {kNaN, 0, 0, 0},
        {0.0, 0, 0, 0},
        {2.9, 2, 2, 2},
        {-2.9, -2, 0, -2},
        {-0.5, 0, 0, 0},
        {2147483647.0, kInt32Max, 2147483647u, 2147483647},
        {2147483648.0, kInt32Max, 2147483648u, 2147483648},
        {-2147483649.0, kInt32Min, 0, -2147483649},
        {4294967295.0, kInt32Max, kUint32Max, 4294967295},
        {4294967296.0, kInt32Max, kUint32Max, 4294967296},
        {twoTo63, kInt32Max, kUint32Max, kInt64Max},
        {-twoTo63, kInt32Min, 0, kInt64Min},
        {kHuge, kInt32Max, kUint32Max, kInt64Max},
        {-kHuge, kInt32Min, 0, kInt64Min},
        {kInf, kInt32Max, kUint32Max, kInt64Max},
        {-kInf, kInt32Min, 0, kInt64Min},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SaturateToInt32(c.value), c.int32) << "value: " << c.value;
        EXPECT_EQ(SaturateToUint32(c.value), c.uint32) << "value: " << c.value;
        EXPECT_EQ(SaturateToInt64(c.value), c.int64) << "value: " << c.value;
    }
}

}  // namespace
}  // namespace runwell
