// The charts' arithmetic: the marks of their axes from a microsecond to years and from a
// nanoampere to an ampere, zooming and panning within the data, and the timeline's layout in
// which a short mode stays wide enough to see.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/ChartAxis.h"
#include "analysis/ProfileTimeline.h"

namespace runwell {
namespace {

std::string Texts(const std::vector<AxisTick>& ticks) {
    std::string out;
    for (const AxisTick& tick : ticks) {
        out += (out.empty() ? "" : ", ") + tick.text;
    }
    return out;
}

TEST(ChartAxis, TimeMarksAreRoundStepsInTheUnitThatSuitsTheRange) {
    const auto time = [](double low, double high) {
        return Texts(AxisTicks({low, high}, AxisQuantity::Time, AxisScale::Linear));
    };
    EXPECT_EQ(time(0, 1), "0 uS, 0.2 uS, 0.4 uS, 0.6 uS, 0.8 uS, 1 uS");
    EXPECT_EQ(time(0, 9000), "0 mS, 2 mS, 4 mS, 6 mS, 8 mS");
    // The period of a 2 ms and a 5 ms burst and a 1 s sleep.
    EXPECT_EQ(time(0, 1007000), "0 S, 0.2 S, 0.4 S, 0.6 S, 0.8 S, 1 S");
    EXPECT_EQ(time(1000000, 1002000), "1 S, 1.0005 S, 1.001 S, 1.0015 S, 1.002 S");
    EXPECT_EQ(time(0, 3 * 3.6e9), "0 h, 0.5 h, 1 h, 1.5 h, 2 h, 2.5 h, 3 h");
    EXPECT_EQ(time(0, 10 * 8.64e10), "0 d, 2 d, 4 d, 6 d, 8 d, 10 d");
    EXPECT_EQ(time(0, 10 * 3.1536e13), "0 y, 2 y, 4 y, 6 y, 8 y, 10 y");

    // Every mark lies in the range, at an even step, and its value is what its text says.
    const std::vector<AxisTick> ticks = AxisTicks({3, 47}, AxisQuantity::Time, AxisScale::Linear);
    ASSERT_EQ(Texts(ticks), "10 uS, 20 uS, 30 uS, 40 uS");
    EXPECT_DOUBLE_EQ(ticks.front().value, 10.0);
    const std::vector<AxisTick> hours =
        AxisTicks({0, 2 * 3.6e9}, AxisQuantity::Time, AxisScale::Linear);
    EXPECT_DOUBLE_EQ(hours.back().value, 2 * 3.6e9);
}

TEST(ChartAxis, CurrentMarksOnBothScalesAndRangesThatHaveNone) {
    const auto linear = [](double low, double high) {
        return Texts(AxisTicks({low, high}, AxisQuantity::Current, AxisScale::Linear));
    };
    EXPECT_EQ(linear(0, 1), "0 nA, 0.2 nA, 0.4 nA, 0.6 nA, 0.8 nA, 1 nA");
    EXPECT_EQ(linear(-2000, 8000), "-2 uA, 0 uA, 2 uA, 4 uA, 6 uA, 8 uA");
    EXPECT_EQ(linear(0, 1e9), "0 A, 0.2 A, 0.4 A, 0.6 A, 0.8 A, 1 A");

    const auto log = [](double low, double high) {
        return Texts(AxisTicks({low, high}, AxisQuantity::Current, AxisScale::Log));
    };
    // Nine decades: one mark each; two decades: 1, 2 and 5 in each.
    EXPECT_EQ(log(1, 1e9), "1 nA, 10 nA, 100 nA, 1 uA, 10 uA, 100 uA, 1 mA, 10 mA, 100 mA, 1 A");
    EXPECT_EQ(log(1000, 100000), "1 uA, 2 uA, 5 uA, 10 uA, 20 uA, 50 uA, 100 uA");
    EXPECT_EQ(log(0.1, 0.5), "0.1 nA, 0.2 nA, 0.3 nA, 0.4 nA, 0.5 nA");  // within a decade
    EXPECT_EQ(AxisTicks({0.001, 1e12}, AxisQuantity::Current, AxisScale::Log).size(), 8u);

    for (const AxisRange bad :
         {AxisRange{1, 1}, AxisRange{2, 1}, AxisRange{0, NAN}, AxisRange{0, INFINITY}}) {
        EXPECT_TRUE(AxisTicks(bad, AxisQuantity::Current, AxisScale::Linear).empty());
    }
    EXPECT_TRUE(AxisTicks({0, 10}, AxisQuantity::Current, AxisScale::Log).empty());
}

TEST(ChartAxis, PercentMarksKeepTheirUnitAndNamedRowsHaveNone) {
    const auto percent = [](double low, double high) {
        return Texts(AxisTicks({low, high}, AxisQuantity::Percent, AxisScale::Linear));
    };
    EXPECT_EQ(percent(0, 100), "0 %, 20 %, 40 %, 60 %, 80 %, 100 %");
    // Beyond a thousand per cent no larger unit takes over; below 0 the marks go on.
    EXPECT_EQ(percent(-100, 200), "-100 %, -50 %, 0 %, 50 %, 100 %, 150 %, 200 %");
    EXPECT_EQ(percent(0, 5000), "0 %, 1000 %, 2000 %, 3000 %, 4000 %, 5000 %");
    EXPECT_EQ(percent(40, 41), "40 %, 40.2 %, 40.4 %, 40.6 %, 40.8 %, 41 %");
    EXPECT_TRUE(AxisTicks({0, 10}, AxisQuantity::Names, AxisScale::Linear).empty());
}

TEST(ChartAxis, FractionsOnBothScalesAndTheirInverse) {
    EXPECT_DOUBLE_EQ(AxisFraction(25, {0, 100}, AxisScale::Linear), 0.25);
    EXPECT_DOUBLE_EQ(AxisFraction(100, {1, 1e4}, AxisScale::Log), 0.5);
    EXPECT_DOUBLE_EQ(AxisFraction(0, {1, 1e4}, AxisScale::Log), -1.0);  // below the axis
    EXPECT_DOUBLE_EQ(AxisValue(0.5, {1, 1e4}, AxisScale::Log), 100.0);
    EXPECT_DOUBLE_EQ(AxisValue(0.25, {0, 100}, AxisScale::Linear), 25.0);
}

TEST(ChartAxis, ZoomKeepsThePointUnderTheMouseAndStaysWithinTheData) {
    const AxisRange data{0, 1000};
    // In by two about the point at a quarter: 250 stays at a quarter.
    EXPECT_EQ(ZoomAxis(data, data, 0.25, 2.0, AxisScale::Linear, 1.0), (AxisRange{125, 625}));
    // Out beyond the data gives the data; out near an end moves the view inside.
    EXPECT_EQ(ZoomAxis({400, 600}, data, 0.5, 0.1, AxisScale::Linear, 1.0), data);
    EXPECT_EQ(ZoomAxis({0, 100}, data, 0.0, 0.5, AxisScale::Linear, 1.0), (AxisRange{0, 200}));
    EXPECT_EQ(ZoomAxis({900, 1000}, data, 1.0, 0.5, AxisScale::Linear, 1.0),
              (AxisRange{800, 1000}));
    // Never narrower than the least span.
    EXPECT_EQ(ZoomAxis({10, 14}, data, 0.5, 100.0, AxisScale::Linear, 2.0), (AxisRange{11, 13}));
    // On a log scale the zoom is in decades: 1 nA..1 A about its middle, 1 uA..1 mA.
    const AxisRange zoomed = ZoomAxis({1, 1e9}, {1, 1e9}, 0.5, 3.0, AxisScale::Log, 0.1);
    EXPECT_NEAR(std::log10(zoomed.low), 3.0, 1e-9);
    EXPECT_NEAR(std::log10(zoomed.high), 6.0, 1e-9);
    // A bad factor or point changes nothing but clamping.
    EXPECT_EQ(ZoomAxis({100, 200}, data, NAN, 2.0, AxisScale::Linear, 1.0), (AxisRange{100, 200}));
    EXPECT_EQ(ZoomAxis({100, 200}, data, 0.5, 0.0, AxisScale::Linear, 1.0), (AxisRange{100, 200}));
}

TEST(ChartAxis, BoxAndPanStayWithinTheData) {
    const AxisRange data{0, 1000};
    EXPECT_EQ(BoxAxis(data, data, 0.6, 0.2, AxisScale::Linear, 1.0), (AxisRange{200, 600}));
    // A box of no width is widened about its place; one at the edge stays inside.
    EXPECT_EQ(BoxAxis(data, data, 0.5, 0.5, AxisScale::Linear, 10.0), (AxisRange{495, 505}));
    EXPECT_EQ(BoxAxis(data, data, 0.0, 0.0, AxisScale::Linear, 10.0), (AxisRange{0, 10}));
    EXPECT_EQ(PanAxis({100, 300}, data, 0.5, AxisScale::Linear), (AxisRange{200, 400}));
    EXPECT_EQ(PanAxis({100, 300}, data, -1.0, AxisScale::Linear), (AxisRange{0, 200}));
    EXPECT_EQ(PanAxis({800, 1000}, data, 3.0, AxisScale::Linear), (AxisRange{800, 1000}));
    EXPECT_EQ(PanAxis(data, data, 0.3, AxisScale::Linear), data);  // nothing to pan to
    EXPECT_EQ(ClampAxis({-50, 2000}, data, AxisScale::Linear), data);
    const AxisRange panned = PanAxis({10, 100}, {1, 1000}, 1.0, AxisScale::Log);
    EXPECT_NEAR(panned.low, 100.0, 1e-9);
    EXPECT_NEAR(panned.high, 1000.0, 1e-9);
}

// --- The timeline's layout ------------------------------------------------------------------

ProfileTimeline Timeline(const std::vector<double>& durations) {
    ProfileTimeline timeline;
    for (const double duration : durations) {
        timeline.segments.push_back(
            {timeline.period, duration, 1.0f, static_cast<int>(timeline.segments.size())});
        timeline.period += duration;
    }
    return timeline;
}

std::vector<double> Widths(const TimelineLayout& layout, double width) {
    std::vector<double> widths;
    for (std::size_t i = 0; i + 1 < layout.fractions.size(); ++i) {
        widths.push_back(std::round((layout.fractions[i + 1] - layout.fractions[i]) * width));
    }
    return widths;
}

TEST(ProfileTimelineLayout, ShortModesGetTheMinimumWidthAndTheRestShareWhatIsLeft) {
    // A 2 ms burst, a 5 ms radio burst and a 1 s sleep on 400 pixels: to scale the bursts would
    // be 0.8 and 2 pixels wide.
    const ProfileTimeline timeline = Timeline({2000, 5000, 1000000});
    const TimelineLayout layout = LayoutTimeline(timeline, 400, 12);
    EXPECT_EQ(Widths(layout, 400), (std::vector<double>{12, 12, 376}));
    EXPECT_EQ(layout.widened, (std::vector<bool>{true, true, false}));
    // Hovering the middle of each finds it; times map to where they are drawn and back.
    EXPECT_EQ(layout.SegmentAt(6.0 / 400), 0);
    EXPECT_EQ(layout.SegmentAt(18.0 / 400), 1);
    EXPECT_EQ(layout.SegmentAt(0.5), 2);
    EXPECT_DOUBLE_EQ(layout.FractionAt(1000), 6.0 / 400);
    EXPECT_DOUBLE_EQ(layout.TimeAt(layout.FractionAt(507000)), 507000);
    EXPECT_DOUBLE_EQ(layout.FractionAt(-5), 0.0);
    EXPECT_DOUBLE_EQ(layout.FractionAt(2e6), 1.0);
    EXPECT_EQ(layout.SegmentAt(1.5), -1);

    // Shrinking the rest can push another mode below the minimum: it is widened too.
    const TimelineLayout second = LayoutTimeline(Timeline({10, 45, 145}), 100, 20);
    EXPECT_EQ(Widths(second, 100), (std::vector<double>{20, 20, 60}));
    EXPECT_EQ(second.widened, (std::vector<bool>{true, true, false}));
}

TEST(ProfileTimelineLayout, EdgesTooManyModesNoDurationAndAnEmptyPeriod) {
    // Wide enough for all: to scale, nothing marked.
    const TimelineLayout scaled = LayoutTimeline(Timeline({100, 300}), 400, 10);
    EXPECT_EQ(Widths(scaled, 400), (std::vector<double>{100, 300}));
    EXPECT_EQ(scaled.widened, (std::vector<bool>{false, false}));
    // More modes than fit at the minimum: each gets the same width.
    const TimelineLayout crowded = LayoutTimeline(Timeline({1, 1, 1, 997}), 30, 10);
    EXPECT_EQ(Widths(crowded, 30), (std::vector<double>{8, 8, 8, 8}));
    EXPECT_EQ(crowded.widened, (std::vector<bool>{true, true, true, false}));
    // A mode of no duration takes no width and cannot be hovered.
    const TimelineLayout zero = LayoutTimeline(Timeline({0, 500, 0, 500}), 100, 10);
    EXPECT_EQ(Widths(zero, 100), (std::vector<double>{0, 50, 0, 50}));
    EXPECT_EQ(zero.SegmentAt(0.0), 1);
    EXPECT_EQ(zero.SegmentAt(0.5), 3);
    EXPECT_EQ(zero.SegmentAt(1.0), 3);
    EXPECT_TRUE(LayoutTimeline(Timeline({}), 100, 10).fractions.empty());
    EXPECT_TRUE(LayoutTimeline(Timeline({0, 0}), 100, 10).fractions.empty());
}

}  // namespace
}  // namespace runwell
