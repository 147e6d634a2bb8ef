#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "model/Format.h"

namespace runwell {
namespace {

struct Case {
    float value;
    const char* text;
};

constexpr float kFloatMax = std::numeric_limits<float>::max();

TEST(FormatCurrent, PicksTheUnitByStrictThresholds) {
    // Below the lowest threshold the value is truncated (and saturates at 32 bits); above it
    // the quotient is rounded to single precision before printing, so 101.5 nA is 0.101 uA.
    const Case cases[] = {
        {0.0f, "0 nA"},          {0.7f, "0 nA"},
        {-0.7f, "0 nA"},         {99.9f, "99 nA"},
        {100.0f, "100 nA"},      {std::nextafter(100.0f, 1000.0f), "0.1 uA"},
        {150.0f, "0.15 uA"},     {1000.0f, "1 uA"},
        {12345.0f, "12.345 uA"}, {101.5f, "0.101 uA"},
        {100000.0f, "100 uA"},   {100001.0f, "0.1 mA"},
        {123456.0f, "0.123 mA"}, {5000000000.0f, "5000 mA"},
        {-150.0f, "-150 nA"},    {-1e10f, "-2147483648 nA"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatCurrent(c.value), c.text) << "value: " << c.value;
    }
}

TEST(FormatTime, PicksTheUnitByStrictThresholds) {
    const Case cases[] = {
        {0.0f, "0 uS"},        {50.0f, "50 uS"},  {99.9f, "99 uS"},      {100.0f, "100 uS"},
        {150.0f, "0.15 mS"},   {1000.0f, "1 mS"}, {100000.0f, "100 mS"}, {100001.0f, "0.1 S"},
        {2500000.0f, "2.5 S"}, {-3.0f, "-3 uS"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatTime(c.value), c.text) << "value: " << c.value;
    }
}

TEST(FormatCharge, WalksTheWholeLadder) {
    // The thresholds compare in single precision: 3.6e14f and 3.6e11f are slightly below
    // their decimal values.
    const Case cases[] = {
        {0.0f, "0 nAuS"},
        {100.0f, "100 nAuS"},
        {500.0f, "0.5 nAmS"},
        {100000.0f, "100 nAmS"},
        {2000000.0f, "2 nAS"},
        {360000000.0f, "360 nAS"},
        {3600000000.0f, "1 nAh"},
        {3.6e11f, "100 nAh"},
        {1e12f, "0.278 uAh"},
        {3.6e14f, "100 uAh"},
        {std::nextafter(3.6e14f, 1e15f), "0.1 mAh"},
        {3.6e15f, "1 mAh"},
        {-500.0f, "-500 nAuS"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatCharge(c.value), c.text) << "value: " << c.value;
    }
}

bool IsFinite(const std::string& text) {
    for (const char* word : {"nan", "NaN", "NAN", "inf", "Inf", "INF"}) {
        if (text.find(word) != std::string::npos) {
            return false;
        }
    }
    return !text.empty();
}

TEST(Formatters, NonFiniteInputsGiveFiniteTexts) {
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    using Formatter = std::string (*)(float);
    const Formatter formatters[] = {&FormatCurrent, &FormatTime, &FormatCharge};
    for (const Formatter format : formatters) {
        for (const float value : {kNaN, kInf, -kInf}) {
            EXPECT_TRUE(IsFinite(format(value))) << format(value);
        }
        EXPECT_EQ(format(kInf), format(kFloatMax));
        EXPECT_EQ(format(-kInf), format(-kFloatMax));
        EXPECT_EQ(format(kNaN), format(0.0f));
    }
    EXPECT_EQ(FormatCurrent(-kInf), "-2147483648 nA");
}

TEST(FormatTrimmed, RoundsThenDropsTrailingZerosAndPoint) {
    struct TrimCase {
        double value;
        int decimals;
        const char* text;
    };
    const TrimCase cases[] = {
        {100.0, 3, "100"},
        {static_cast<double>(0.15f), 3, "0.15"},
        {2.5, 3, "2.5"},
        {-2.5, 3, "-2.5"},
        {0.0, 3, "0"},
        {0.0004, 3, "0"},
        {1.0005, 3, "1"},  // the binary value lies just below the half
        {1234.5678, 2, "1234.57"},
        {10.0, 2, "10"},
        {1e20, 3, "100000000000000000000"},
        {static_cast<double>(kFloatMax), 3, "340282346638528859811704183484516925440"},
        // Without decimals there is no point, so no zero of the integer part may go.
        {100.0, 0, "100"},
        {0.0, 0, "0"},
    };
    for (const TrimCase& c : cases) {
        EXPECT_EQ(FormatTrimmed(c.value, c.decimals), c.text)
            << "value: " << c.value << ", decimals: " << c.decimals;
    }
}

}  // namespace
}  // namespace runwell
