// The derated-life curve view: the curve and the red minimum-voltage line are drawn where the
// core's figures put them, and without a curve the view shows the derated life's own text.

#include "UiTestSupport.h"
#include "ui/analysis/DeratedCurveView.h"

namespace runwell::ui {
namespace {

using namespace test_support;

TEST(DeratedCurveView, DrawsTheCurveAndTheMinimumLine) {
    DeratedCurveView view;
    view.resize(400, 240);
    DeratedLife life;
    life.hasModel = true;
    life.lifeText = " 7 days 12 hours";
    life.limitingFactor = kLimitBrownOut;
    life.minimumVoltage = 2.0;
    life.curve = {{0.0, 2.9}, {90.0, 2.45}, {180.0, 2.0}};
    view.SetLife(life);
    EXPECT_EQ(view.toolTip().toStdString(), " 7 days 12 hours (brown-out at peak current)");
    const QImage drawn = view.grab().toImage();
    EXPECT_TRUE(HasColour(drawn, QColor(255, 0, 0)));
    EXPECT_TRUE(HasColour(drawn, QColor(0, 127, 0)));
    // The read-out follows the curve: half-way along it, half-way down.
    const QRect plot = view.PlotArea(view.size());
    EXPECT_EQ(view.TipAt(QPoint(plot.left() + plot.width() / 2, plot.center().y()), view.size())
                  .substr(0, 4),
              "90 h");
    EXPECT_NE(view.TipAt(plot.center(), view.size()).find("2.45 V"), std::string::npos);
    EXPECT_EQ(view.TipAt(QPoint(plot.left() - 3, plot.center().y()), view.size()), "");

    // No curve (no model): nothing red or green, the text instead; a single point likewise.
    DeratedLife none;
    none.lifeText = "no model";
    view.SetLife(none);
    EXPECT_EQ(view.toolTip().toStdString(), "no model");
    EXPECT_FALSE(HasColour(view.grab().toImage(), QColor(255, 0, 0)));
    life.curve.resize(1);
    view.SetLife(life);
    EXPECT_FALSE(HasColour(view.grab().toImage(), QColor(0, 127, 0)));
}

}  // namespace
}  // namespace runwell::ui
