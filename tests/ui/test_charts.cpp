// The charts' frame in the real window: the mouse finds a 2 ms burst in a 1 s period, the wheel,
// a dragged box and a drag with the middle button zoom and pan within the data, the context
// menu resets the zoom and switches the current axis, and an export carries its title line.

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <map>

#include "ChartInput.h"
#include "analysis/ProfileTimeline.h"
#include "ui/analysis/TimelineChart.h"
#include "ui/chart/SvgPaintDevice.h"

namespace runwell::ui {
namespace {

using namespace test_support;

class ChartTest : public WindowTest {
protected:
    /// A 2 ms burst, a 5 ms radio burst and a 1 s sleep, shown in the Analysis panel.
    void SetUp() override {
        WindowTest::SetUp();
        Add(Mode("burst", 3000.0f, 2000.0f));
        Add(Mode("radio", 12e6f, 5000.0f));
        Add(Mode("sleep", 1.5f, 1e6f));
        Click("analysisButton");
        chart_ = Find<TimelineChart>(window_.get(), "timelineChart");
        QApplication::processEvents();  // the panel's layout gives the chart its size
        plot_ = chart_->PlotArea(chart_->size());
        ASSERT_GT(plot_.width(), 150);
    }
    /// The read-out at pixel column `x`, half-way up the plot.
    std::string HoverAt(double x) {
        Send(chart_, QEvent::MouseMove, QPoint(static_cast<int>(x), plot_.center().y()),
             Qt::NoButton, Qt::NoButton);
        return chart_->hoverText();
    }
    /// The pixel column drawn at `fraction` of the shown part of the time axis.
    double Column(double fraction) const {
        const AxisRange view = chart_->xAxis().view;
        return plot_.left() + (fraction - view.low) / (view.high - view.low) * plot_.width();
    }

    TimelineChart* chart_ = nullptr;
    QRect plot_;
};

TEST_F(ChartTest, TheMouseFindsShortBurstsDrawnAtAMinimumWidth) {
    const TimelineLayout& layout = chart_->LayoutFor(plot_.width());
    ASSERT_EQ(layout.widened, (std::vector<bool>{true, true, false}));
    for (int mode = 0; mode < 2; ++mode) {
        const double width = (layout.fractions[mode + 1] - layout.fractions[mode]) * plot_.width();
        EXPECT_GE(width, 6.0) << "wide enough to point at";
    }
    const auto middle = [&](int mode) {
        return Column((layout.fractions[mode] + layout.fractions[mode + 1]) / 2.0);
    };
    EXPECT_EQ(HoverAt(middle(0)), "burst: 3 uA, 2 mS (drawn wider than its time)");
    EXPECT_EQ(HoverAt(middle(1)), "radio: 12 mA, 5 mS (drawn wider than its time)");
    EXPECT_EQ(HoverAt(middle(2)).substr(0, 6), "sleep:");
    EXPECT_EQ(HoverAt(plot_.left() - 5), "") << "off the plot";

    // The two widened bursts meet: drawn, they are one band of one tint, also where they touch,
    // and the sleep beside them is not tinted. An export, which does not clip, gets the band as
    // one rectangle, not a tinted plot.
    QImage image(chart_->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        chart_->Render(painter, chart_->size());
    }
    // Along a row near the top of the plot (a vertical grid line, drawn beneath, may tint
    // differently): the bursts' columns are one tint, none of them tinted twice, and the sleep's
    // columns are not tinted.
    const int y = plot_.top() + 2;
    const auto columnsOf = [&](double from, double to) {
        std::map<QRgb, int> counts;
        for (int x = static_cast<int>(std::lround(from)); x < std::lround(to); ++x) {
            ++counts[image.pixel(x, y)];
        }
        return counts;
    };
    const auto commonest = [](const std::map<QRgb, int>& counts) {
        return std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                   return a.second < b.second;
               })->first;
    };
    const std::map<QRgb, int> band =
        columnsOf(Column(layout.fractions[0]), Column(layout.fractions[2]));
    const QRgb tint = commonest(band);
    QImage twice(1, 1, QImage::Format_ARGB32);
    twice.fill(QColor::fromRgb(tint));
    {
        QPainter painter(&twice);
        painter.fillRect(twice.rect(), QColor(255, 190, 60, 90));
    }
    EXPECT_EQ(band.count(twice.pixel(0, 0)), 0u) << "no column tinted twice where the bursts meet";
    int others = 0;
    for (const auto& [colour, count] : band) {
        others += colour == tint ? 0 : count;
    }
    EXPECT_LE(others, 3) << "grid lines at most";
    const double sleep = Column(layout.fractions[2]);
    EXPECT_NE(commonest(columnsOf(sleep + 10, sleep + 60)), tint);
    QBuffer svg;
    svg.open(QIODevice::WriteOnly);
    {
        SvgPaintDevice device(&svg, chart_->size());
        QPainter painter(&device);
        chart_->Render(painter, chart_->size());
    }
    svg.open(QIODevice::ReadOnly);
    const SvgDocument document = ReadSvg(svg);
    std::vector<double> bandWidths;
    for (const SvgDocument::Element& element : document.elements) {
        // The legend's box has the tint too, but not the plot's height.
        if (element.name == "rect" && element.Attribute("fill") == "#ffbe3c" &&
            element.Attribute("height").toDouble() >= plot_.height()) {
            bandWidths.push_back(element.Attribute("width").toDouble());
        }
    }
    ASSERT_EQ(bandWidths.size(), 1u) << "the bursts' band";
    EXPECT_LT(bandWidths.front(), plot_.width() / 2.0);
}

TEST_F(ChartTest, WheelBoxAndPanZoomWithinTheDataAndResetZoomShowsItAll) {
    EXPECT_FALSE(chart_->zoomed());
    EXPECT_FALSE(UseMenu(chart_, "resetZoomAction")) << "nothing to reset";
    // Two notches about the quarter of the plot: that point stays where it is.
    const QPoint quarter(plot_.left() + plot_.width() / 4, plot_.center().y());
    const double before = chart_->xAxis().view.low + 0.25;
    QWheelEvent wheel(QPointF(quarter), chart_->mapToGlobal(QPointF(quarter)), {}, {0, 240},
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart_, &wheel);
    AxisRange view = chart_->xAxis().view;
    EXPECT_NEAR(view.high - view.low, 1.0 / (1.25 * 1.25), 1e-9);
    EXPECT_NEAR(view.low + (quarter.x() - plot_.left()) * (view.high - view.low) / plot_.width(),
                before, 0.01);
    EXPECT_TRUE(chart_->zoomed());

    // A box over the middle half of the plot shows the middle half of what was shown, and a
    // narrower stretch of the current axis.
    const AxisRange current = chart_->yAxis().view;
    Drag(chart_, {plot_.left() + plot_.width() / 4, plot_.top() + 20},
         {plot_.left() + 3 * plot_.width() / 4, plot_.bottom() - 20}, Qt::LeftButton);
    const AxisRange boxed = chart_->xAxis().view;
    EXPECT_NEAR(boxed.high - boxed.low, (view.high - view.low) / 2, 0.01);
    EXPECT_GT(chart_->yAxis().view.low, current.low);
    EXPECT_LT(chart_->yAxis().view.high, current.high);

    // Dragging right with the middle button shows earlier times; far beyond the start it stops
    // there.
    Drag(chart_, plot_.center(), plot_.center() + QPoint(20, 0), Qt::MiddleButton);
    EXPECT_LT(chart_->xAxis().view.low, boxed.low);
    Drag(chart_, {plot_.left(), plot_.center().y()}, {plot_.right(), plot_.center().y()},
         Qt::MiddleButton);
    Drag(chart_, {plot_.left(), plot_.center().y()}, {plot_.right(), plot_.center().y()},
         Qt::MiddleButton);
    EXPECT_EQ(chart_->xAxis().view.low, 0.0);
    EXPECT_NEAR(chart_->xAxis().view.high - chart_->xAxis().view.low, boxed.high - boxed.low, 1e-9);

    EXPECT_TRUE(UseMenu(chart_, "resetZoomAction"));
    EXPECT_FALSE(chart_->zoomed());
    EXPECT_EQ(chart_->xAxis().view, (AxisRange{0.0, 1.0}));
}

TEST_F(ChartTest, TheCurrentAxisSwitchesBetweenLogAndLinear) {
    EXPECT_EQ(chart_->yAxis().scale, AxisScale::Log);
    const AxisRange log = chart_->yAxis().view;
    EXPECT_EQ(log.low, 1.0) << "the decade below the 1.5 nA sleep";
    EXPECT_TRUE(UseMenu(chart_, "logScaleAction"));
    EXPECT_EQ(chart_->yAxis().scale, AxisScale::Linear);
    EXPECT_EQ(chart_->yAxis().view.low, 0.0);
    EXPECT_GE(chart_->yAxis().view.high, 12e6);
    EXPECT_TRUE(UseMenu(chart_, "logScaleAction"));
    EXPECT_EQ(chart_->yAxis().view, log);
}

TEST_F(ChartTest, AnExportCarriesTheTitleLine) {
    EXPECT_EQ(ChartContext(*workspace_).substr(0, 18), "Unsaved profile - ");
    workspace_->MarkSaved(data_->path / "bursts.set");
    const std::string context = ChartContext(*workspace_);
    EXPECT_EQ(context.substr(0, 13), "bursts.set - ") << "the file's name, not its folder";
    EXPECT_NE(context.find(std::string(workspace_->deviceName())), std::string::npos);
    EXPECT_NE(context.find(std::string(workspace_->voltage())), std::string::npos);
    EXPECT_NE(context.find(workspace_->currentBattery()->description), std::string::npos);
    const fs::path svg = data_->path / "title.svg";
    ASSERT_TRUE(chart_->Export(svg).ok());
    QFile file(QtPath(svg));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string text = QString::fromUtf8(file.readAll()).toStdString();
    EXPECT_NE(text.find("Current over time: " + context), std::string::npos) << text;

    // In the PNG the title line is drawn above the plot: text-coloured pixels in its band.
    const fs::path png = data_->path / "title.png";
    ASSERT_TRUE(chart_->Export(png).ok());
    const QImage image(QtPath(png));
    ASSERT_FALSE(image.isNull());
    const QColor ink = chart_->palette().text().color();
    int inked = 0;
    for (int y = 0; y < chart_->fontMetrics().height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            inked += image.pixelColor(x, y) == ink ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 20);
}

}  // namespace
}  // namespace runwell::ui
