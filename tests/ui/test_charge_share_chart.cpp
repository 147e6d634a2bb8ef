// The charge share chart in the real window: hovering over a bar names its mode with both of
// its shares, the share axis carries its title and marks, Export chart writes this chart under
// a title line naming the profile, and a long profile's rows are named as far as they fit and
// can be zoomed to one by one.

#include <QTabWidget>
#include <QWheelEvent>
#include <cmath>

#include "ChartInput.h"
#include "analysis/ProfileTimeline.h"
#include "ui/analysis/AnalysisPanel.h"
#include "ui/analysis/ChargeShareChart.h"

namespace runwell::ui {
namespace {

using namespace test_support;

class ChargeShareChartTest : public WindowTest {
protected:
    /// One second: the radio 1 % of the time at 64 uA, sampling 9 % at 2 uA, sleep 90 % at
    /// 200 nA, i.e. 640, 180 and 180 nA*s of 1,000 (the fixture's battery has no
    /// self-discharge).
    void SetUp() override {
        WindowTest::SetUp();
        Add(Mode("radio", 64000.0f, 10000.0f));
        Add(Mode("sample", 2000.0f, 90000.0f));
        Add(Mode("sleep", 200.0f, 900000.0f));
        Click("analysisButton");
        panel_ = Find<AnalysisPanel>(window_.get(), "analysisPanel");
        Find<QTabWidget>(panel_, "analysisTabs")->setCurrentIndex(AnalysisPanel::kChargeShare);
        chart_ = Find<ChargeShareChart>(window_.get(), "chargeShareChart");
        QApplication::processEvents();  // the panel's layout gives the chart its size
        plot_ = chart_->PlotArea(chart_->size());
        ASSERT_GT(plot_.width(), 150);
        ASSERT_GT(plot_.height(), 80);
    }
    /// The read-out with the mouse at `at`.
    std::string HoverAt(QPoint at) {
        Send(chart_, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
        return chart_->hoverText();
    }
    /// A point on the bar of `share` % in row `row` (from the top): the charge bar is the upper
    /// half of the row, the time bar the lower.
    QPoint OnBar(int row, double share, bool time) const {
        const AxisRange x = chart_->xAxis().view;
        const AxisRange y = chart_->yAxis().view;
        const double rows = static_cast<double>(chart_->rows().size());
        const double rowPixels = plot_.height() / (y.high - y.low);
        const double top = plot_.bottom() - (rows - row - y.low) * rowPixels;
        const double middle =
            plot_.left() + (share / 2.0 - x.low) / (x.high - x.low) * plot_.width();
        return QPoint(std::max(plot_.left() + 1, static_cast<int>(middle)),
                      static_cast<int>(top + rowPixels * (time ? 0.7 : 0.3)));
    }
    /// The export of the chart as Export chart writes it, its tab shown.
    QStringList Exported(const char* name) {
        const fs::path svg = data_->path / name;
        files_.exports.push_back(svg);
        QTest::mouseClick(Find(panel_, "exportChartButton"), Qt::LeftButton);
        const SvgDocument document = ReadSvg(svg);
        EXPECT_EQ(document.error, QString()) << name;
        return document.texts;
    }

    AnalysisPanel* panel_ = nullptr;
    ChargeShareChart* chart_ = nullptr;
    QRect plot_;
};

TEST_F(ChargeShareChartTest, HoveringOverABarNamesItsModeWithItsChargeAndTimeShares) {
    ASSERT_EQ(chart_->rows().size(), 5u) << "three modes, the self-discharge and the total";
    EXPECT_EQ(chart_->xAxis().data, (AxisRange{0.0, 100.0}));
    const auto tip = [&](int row, double share, bool time) {
        const std::string text = HoverAt(OnBar(row, share, time));
        const std::size_t charge = text.find(" (");
        const std::size_t rest = text.find("), ");
        // The charge's own text comes from the mode list's formatting: left out here.
        return charge == std::string::npos || rest == std::string::npos
                   ? text
                   : text.substr(0, charge) + text.substr(rest + 1);
    };
    EXPECT_EQ(tip(0, 64.0, false), "radio: charge share 64.0 %, time share 1.0 %");
    EXPECT_EQ(tip(0, 1.0, true), "radio: charge share 64.0 %, time share 1.0 %")
        << "the radio's time bar, a few pixels wide";
    EXPECT_EQ(tip(1, 18.0, false), "sample: charge share 18.0 %, time share 9.0 %");
    EXPECT_EQ(tip(2, 90.0, true), "sleep: charge share 18.0 %, time share 90.0 %");
    EXPECT_EQ(tip(3, 0.0, false), "Self-discharge: charge share 0.0 %, flows all the time");
    EXPECT_EQ(tip(4, 100.0, false), "Total: charge share 100.0 %, time share 100.0 %");
    EXPECT_EQ(HoverAt({plot_.left() - 5, plot_.center().y()}), "") << "left of the plot";
    EXPECT_EQ(HoverAt({plot_.center().x(), plot_.bottom() + 5}), "") << "below it";
}

TEST_F(ChargeShareChartTest, ExportWritesThisChartWithItsAxisTitleUnderTheProfilesTitleLine) {
    workspace_->MarkSaved(data_->path / "logger.set");
    const std::string context = ChartContext(*workspace_);
    ASSERT_EQ(context.substr(0, 13), "logger.set - ");
    ASSERT_NE(context.find(std::string(workspace_->deviceName())), std::string::npos);
    ASSERT_NE(context.find(workspace_->currentBattery()->description), std::string::npos);

    const QStringList texts = Exported("share.svg");
    EXPECT_EQ(texts.value(0), QStringLiteral("Charge share: ") + ToDisplay(context));
    for (const char* shown :
         {"Share of period (%)", "0 %", "100 %", "radio", "sleep", "Total", "64.0 % / 1.0 %",
          "share of the period's charge", "share of the period's time"}) {
        EXPECT_TRUE(texts.contains(QString::fromUtf8(shown)))
            << shown << ": " << texts.join('|').toStdString();
    }
    EXPECT_FALSE(texts.contains(QStringLiteral("Current over time: ") + ToDisplay(context)));

    // The PNG carries both bars' colours.
    const fs::path png = data_->path / "share.png";
    files_.exports.push_back(png);
    QTest::mouseClick(Find(panel_, "exportChartButton"), Qt::LeftButton);
    const QImage image(QtPath(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(HasColour(image, QColor(0, 90, 200)));
    EXPECT_TRUE(HasColour(image, QColor(160, 160, 160)));

    // A table is no chart: there Export is off.
    Find<QTabWidget>(panel_, "analysisTabs")->setCurrentIndex(AnalysisPanel::kComparison);
    EXPECT_FALSE(Find(panel_, "exportChartButton")->isEnabled());
    Find<QTabWidget>(panel_, "analysisTabs")->setCurrentIndex(AnalysisPanel::kChargeShare);
    EXPECT_TRUE(Find(panel_, "exportChartButton")->isEnabled());
}

TEST_F(ChargeShareChartTest, TheWheelZoomsTheShareAxisABoxTheRowsAndResetZoomShowsAll) {
    const QPoint left(plot_.left() + plot_.width() / 10, plot_.center().y());
    QWheelEvent wheel(QPointF(left), chart_->mapToGlobal(QPointF(left)), {}, {0, 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart_, &wheel);
    const AxisRange zoomed = chart_->xAxis().view;
    EXPECT_NEAR(zoomed.high - zoomed.low, 100.0 / 1.25, 1e-9);
    EXPECT_EQ(chart_->yAxis().view, chart_->yAxis().data) << "the wheel leaves the rows";

    // A box over the two top rows shows those two, across the whole plot's height.
    const double rowPixels = plot_.height() / 5.0;
    Drag(chart_, {plot_.left() - 5, plot_.top() - 5},
         {plot_.right() + 5, plot_.top() + static_cast<int>(std::lround(2 * rowPixels))},
         Qt::LeftButton);
    const AxisRange rows = chart_->yAxis().view;
    EXPECT_NEAR(rows.low, 3.0, 0.1);
    EXPECT_NEAR(rows.high, 5.0, 0.1);
    EXPECT_EQ(HoverAt({plot_.center().x(), plot_.top() + 5}).substr(0, 6), "radio:");
    EXPECT_EQ(HoverAt({plot_.center().x(), plot_.bottom() - 5}).substr(0, 7), "sample:");
    // Dragging up with the middle button brings the rows below into view.
    Drag(chart_, plot_.center(), plot_.center() - QPoint(0, plot_.height()), Qt::MiddleButton);
    const AxisRange moved = chart_->yAxis().view;
    EXPECT_NEAR(moved.low, 1.0, 0.1);
    // The middle of the lowest row in view, wherever the drag's rounding left its edge.
    const int selfDischarge = plot_.bottom() - static_cast<int>(std::lround(
                                                   (1.5 - moved.low) * plot_.height() /
                                                   (moved.high - moved.low)));
    EXPECT_EQ(HoverAt({plot_.center().x(), selfDischarge}).substr(0, 15), "Self-discharge:");

    EXPECT_TRUE(UseMenu(chart_, "resetZoomAction"));
    EXPECT_FALSE(chart_->zoomed());
    EXPECT_EQ(chart_->yAxis().view, (AxisRange{0.0, 5.0}));
}

TEST_F(ChargeShareChartTest, ALongProfileNamesTheRowsThatFitAndEachCanBeZoomedTo) {
    std::vector<ModeRecord> modes;
    for (int i = 0; i < 3000; ++i) {
        modes.push_back(Mode("m" + std::to_string(i), 1000.0f, 1000.0f));
    }
    modes.push_back(Mode(std::string(60, 'w'), 1000.0f, 1000.0f));
    workspace_->SetModes(std::move(modes));
    chart_->Show(*workspace_);
    plot_ = chart_->PlotArea(chart_->size());
    ASSERT_EQ(chart_->rows().size(), 3003u);
    EXPECT_GE(plot_.width(), chart_->width() / 2) << "a long label is cut, not the plot";

    const auto named = [](const QStringList& texts) {
        int count = 0;
        for (const QString& text : texts) {
            count += text.size() > 1 && text[0] == 'm' && text[1].isDigit() ? 1 : 0;
        }
        return count;
    };
    const QStringList all = Exported("all.svg");
    const int lines = plot_.height() / chart_->fontMetrics().height();
    EXPECT_GE(named(all), lines / 2) << all.join('|').toStdString();
    EXPECT_LE(named(all), lines + 1) << "no two names on one line";
    EXPECT_TRUE(all.contains(QStringLiteral("m0")));
    EXPECT_FALSE(all.contains(QStringLiteral("m1")));

    // Each box over the top tenth shows a tenth of the rows: after three, the first three, each
    // named.
    for (int i = 0; i < 3; ++i) {
        Drag(chart_, {plot_.left() - 5, plot_.top() - 5},
             {plot_.right() + 5, plot_.top() + plot_.height() / 10}, Qt::LeftButton);
    }
    const AxisRange view = chart_->yAxis().view;
    EXPECT_EQ(view.high, 3003.0) << "from the top";
    EXPECT_LT(view.high - view.low, 3.5);
    EXPECT_NEAR(chart_->xAxis().view.low, 0.0, 1e-9) << "the box spanned the plot";
    EXPECT_NEAR(chart_->xAxis().view.high, 100.0, 1e-9);
    const QStringList top = Exported("top.svg");
    EXPECT_TRUE(top.contains(QStringLiteral("m0")) && top.contains(QStringLiteral("m1")))
        << top.join('|').toStdString();
    EXPECT_EQ(HoverAt({plot_.center().x(), plot_.top() + 2}).substr(0, 3), "m0:");

    EXPECT_TRUE(UseMenu(chart_, "resetZoomAction"));
    EXPECT_EQ(chart_->yAxis().view, (AxisRange{0.0, 3003.0}));
}

}  // namespace
}  // namespace runwell::ui
