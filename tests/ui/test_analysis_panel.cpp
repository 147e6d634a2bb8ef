// The Analysis panel in the real window: its figures follow every recomputation, a row of the
// battery comparison chooses that battery, the minimum voltage field is checked, and the chart
// exports to PNG and SVG files that load back; the SVG writer keeps what is painted as
// well-formed elements; a cell of the operating points moves the profile to its point, undoably,
// or says why it cannot.

#include <QAction>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSplitter>
#include <QTabWidget>
#include <algorithm>

#include "UiTestSupport.h"
#include "analysis/ChargeShare.h"
#include "base/Messages.h"
#include "battery/MinimumVoltage.h"
#include "estimate/Format.h"
#include "ui/analysis/AnalysisPanel.h"
#include "ui/analysis/BatteryComparisonTable.h"
#include "ui/analysis/ChargeShareChart.h"
#include "ui/analysis/DeratedCurveView.h"
#include "ui/analysis/OperatingPointTable.h"
#include "ui/analysis/TimelineChart.h"
#include "ui/chart/SvgPaintDevice.h"

namespace runwell::ui {
namespace {

using namespace test_support;

class AnalysisPanelTest : public WindowTest {
protected:
    void Open() {
        closedSize_ = window_->size();
        Click("analysisButton");
        panel_ = Find<AnalysisPanel>(window_.get(), "analysisPanel");
        ASSERT_TRUE(panel_->isVisible());
        // Beside the steps where the screen has room for both, below them otherwise; the window
        // grows for it, the steps keep their place, and all is inside the window.
        const auto inWindow = [this](const QWidget* widget) {
            return QRect(widget->mapTo(window_.get(), QPoint()), widget->size());
        };
        const QRect panel = inWindow(panel_);
        if (Find<QSplitter>(window_.get(), "analysisSplitter")->orientation() == Qt::Horizontal) {
            EXPECT_GT(window_->width(), closedSize_.width());
            EXPECT_LT(inWindow(Find(window_.get(), "quitButton")).right(), panel.left());
        } else {
            EXPECT_GE(window_->height(), closedSize_.height());
            EXPECT_LT(inWindow(Find(window_.get(), "stepsScroll")).bottom(), panel.top());
        }
        EXPECT_TRUE(window_->rect().contains(panel));
    }
    void ShowTab(AnalysisPanel::Tab tab) {
        Find<QTabWidget>(panel_, "analysisTabs")->setCurrentIndex(tab);
    }
    /// The catalogue index of the bold row of the comparison, or -1.
    int BoldBattery() {
        BatteryComparisonTable& table = panel_->comparison();
        for (int row = 0; row < table.rowCount(); ++row) {
            if (table.item(row, 0)->font().bold()) {
                return table.rowBatteries()[static_cast<std::size_t>(row)];
            }
        }
        return -1;
    }

    AnalysisPanel* panel_ = nullptr;
    QSize closedSize_;
};

TEST_F(AnalysisPanelTest, FiguresFollowAddRemoveAndBatteryClicksAndTabsAreBuiltWhenShown) {
    EXPECT_EQ(window_->findChild<AnalysisPanel*>(), nullptr) << "built when first opened";
    Add(Mode("sleep", 2.0f, 9000.0f));
    Open();
    EXPECT_TRUE(panel_->IsBuilt(AnalysisPanel::kTimeline));
    EXPECT_FALSE(panel_->IsBuilt(AnalysisPanel::kChargeShare));

    Add(Mode("rx", 5000.0f));
    const auto shown = [&] {
        std::string text = Find<QLineEdit>(panel_, "deratedLifeField")->text().toStdString();
        const ProfileTimeline& timeline = panel_->timeline().timeline();
        text += " | segments " + std::to_string(timeline.segments.size()) + " period " +
                FormatTrimmed(timeline.period, 0);
        ShowTab(AnalysisPanel::kChargeShare);
        for (const ChargeShareLine& line : panel_->chargeShare().share().modes) {
            text += " | " + line.label + " " + line.chargeShareText + " " + line.timeShareText;
        }
        ShowTab(AnalysisPanel::kOperatingPoints);
        const OperatingPointTable& matrix = panel_->operatingPoints();
        const QTableWidgetItem* selected =
            matrix.item(workspace_->voltageIndex(), workspace_->temperatureIndex());
        EXPECT_TRUE(selected->font().bold());
        EXPECT_EQ(FromDisplay(selected->text()), workspace_->results().lifeText);
        ShowTab(AnalysisPanel::kDerated);
        EXPECT_EQ(panel_->deratedCurve().life().lifeText, workspace_->derated().lifeText);
        ShowTab(AnalysisPanel::kComparison);
        text += " | bold " + std::to_string(BoldBattery());
        ShowTab(AnalysisPanel::kTimeline);
        return text;
    };
    const std::string derated = DeratedLifeFieldText(workspace_->derated());
    EXPECT_EQ(shown(), derated + " | segments 2 period 10000 | sleep 0.4 % 90.0 % | rx 99.6 % " +
                           "10.0 %" + " | bold 0")
        << "the self-discharge takes its own line, so the two modes may sum below 100 %";

    ClickRow(List("batteryList"), 1);
    EXPECT_EQ(workspace_->batteryIndex(), 1);
    EXPECT_NE(shown().find("| bold 1"), std::string::npos);

    Click("removeButton");
    EXPECT_EQ(shown().find("rx"), std::string::npos);
    EXPECT_EQ(panel_->timeline().timeline().segments.size(), 1u);

    // Closing gives the room back.
    Click("analysisButton");
    EXPECT_FALSE(panel_->isVisible());
    EXPECT_EQ(window_->size(), closedSize_);
}

TEST_F(AnalysisPanelTest, AComparisonRowChoosesItsBatteryAsTheBatteryListDoes) {
    Add(Mode("run", 300.0f));
    Open();
    ShowTab(AnalysisPanel::kComparison);
    BatteryComparisonTable& table = panel_->comparison();
    ASSERT_GE(table.rowCount(), 2);
    for (const int row : {table.rowCount() - 1, 0}) {
        const int battery = table.rowBatteries()[static_cast<std::size_t>(row)];
        ClickRow(&table, row);
        EXPECT_EQ(workspace_->batteryIndex(), battery);
        auto* list = List("batteryList");
        EXPECT_EQ(list->currentRow(), battery);
        EXPECT_TRUE(list->item(battery, 0)->font().bold());
        EXPECT_EQ(BoldBattery(), battery);
        EXPECT_EQ(FromDisplay(Find<QLineEdit>(window_.get(), "batteryLifeField")->text()),
                  workspace_->results().lifeText);
    }
}

TEST_F(AnalysisPanelTest, MinimumVoltageIsCheckedAndExportWritesImagesThatLoadBack) {
    Add(Mode("run", 300.0f));
    Add(Mode("burst", 8e6f, 10.0f));
    Open();
    auto* field = Find<QLineEdit>(panel_, "minimumVoltageField");
    for (const char* text : {"abc", "0", "-1"}) {
        CommonAction(window_.get(), "type", std::string("minimumVoltageField=") + text);
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(Take(prompter_.messages), kBadMinimumVoltage) << text;
        EXPECT_EQ(workspace_->minimumVoltage(), std::nullopt);
        EXPECT_EQ(field->text(), QString()) << "the field shows the value in force";
    }
    CommonAction(window_.get(), "type", "minimumVoltageField=2.5 V");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(workspace_->minimumVoltage(), 2.5);
    EXPECT_EQ(Find<QLineEdit>(panel_, "deratedLifeField")->text().toStdString(),
              DeratedLifeFieldText(workspace_->derated()));

    const fs::path png = data_->path / "chart.png";
    const fs::path svg = data_->path / "chart.svg";
    const fs::path unwritable = data_->path / "no such folder" / "chart.png";
    for (const fs::path& path : {png, svg, unwritable}) {
        files_.exports.push_back(path);
        QTest::mouseClick(Find(panel_, "exportChartButton"), Qt::LeftButton);
    }
    EXPECT_EQ(Take(prompter_.messages), msg::kWriteFailed);
    EXPECT_FALSE(fs::exists(unwritable));
    const QImage image(QtPath(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), panel_->timeline().sizeHint().width());
    EXPECT_TRUE(HasColour(image, QColor(0, 90, 200))) << "the step curve's blue";
    const SvgDocument document = ReadSvg(svg);
    EXPECT_EQ(document.error, QString());
    ASSERT_FALSE(document.elements.empty());
    EXPECT_EQ(document.elements.front().name, QStringLiteral("svg"));
    EXPECT_EQ(document.elements.front().Attribute("viewBox"),
              QStringLiteral("0 0 %1 %2").arg(image.width()).arg(image.height()));
    // The chart's texts stay texts: the title line, the time axis's start and the key's line.
    EXPECT_TRUE(document.texts.contains(QStringLiteral("Current over time: ") +
                                        ToDisplay(ChartContext(*workspace_))));
    EXPECT_TRUE(document.texts.contains(QStringLiteral("0 mS")))
        << document.texts.join('|').toStdString();
    EXPECT_TRUE(document.texts.contains(QStringLiteral("average")));
    const auto steps = std::find_if(document.elements.begin(), document.elements.end(),
                                    [](const SvgDocument::Element& element) {
                                        return element.Attribute("stroke") == "#005ac8";
                                    });
    ASSERT_NE(steps, document.elements.end()) << "the steps' blue";
    EXPECT_EQ(steps->name, QStringLiteral("polyline"));
    EXPECT_EQ(steps->Attribute("fill"), QStringLiteral("none"));
    files_.exports.push_back(std::nullopt);  // a cancelled dialog writes nothing
    QTest::mouseClick(Find(panel_, "exportChartButton"), Qt::LeftButton);

    // The predicted voltage chart, its tab shown, exports itself under its own title.
    auto* tabs = panel_->findChild<QTabWidget*>();
    tabs->setCurrentIndex(tabs->count() - 1);
    const fs::path voltage = data_->path / "voltage.svg";
    files_.exports.push_back(voltage);
    QTest::mouseClick(Find(panel_, "exportChartButton"), Qt::LeftButton);
    EXPECT_TRUE(ReadSvg(voltage).texts.contains(QStringLiteral("Predicted voltage: ") +
                                                ToDisplay(ChartContext(*workspace_))));
}

TEST_F(AnalysisPanelTest, TheTooltipNamesTheStepUnderThePointerAndAnEmptyPeriodDrawsNoSteps) {
    Open();
    TimelineChart& chart = panel_->timeline();
    const QSize size(400, 200);
    EXPECT_EQ(chart.TipAt({200, 100}, size), "") << "no profile";
    Add(Mode("zero", 700.0f, 0.0f));  // no time: a period of 0, nothing drawn, no tooltip
    EXPECT_TRUE(chart.timeline().drawing.empty());
    EXPECT_EQ(chart.TipAt({200, 100}, size), "");
    EXPECT_FALSE(chart.grab().isNull());
    Add(Mode("sleep", 2.0f, 9000.0f));
    Add(Mode("rx", 5000.0f));
    // The plot spans the period; sleep fills its first 90 %, rx the rest, and the zero-length
    // mode at its start is never the one named.
    const QRect plot = chart.PlotArea(size);
    ASSERT_GT(plot.width(), 100);
    std::string tips;
    for (const double at : {-0.05, 0.0, 0.5, 0.88, 0.92, 0.999, 1.05}) {  // of the period
        const int x = plot.left() + static_cast<int>(at * plot.width());
        const std::string tip = chart.TipAt({x, plot.center().y()}, size);
        tips += (tips.empty() ? "" : " / ") + (tip.empty() ? "-" : tip.substr(0, tip.find(':')));
    }
    EXPECT_EQ(tips, "- / sleep / sleep / sleep / rx / rx / -") << "outside the plot: no tooltip";
    EXPECT_EQ(chart.TipAt(plot.center(), size),
              "sleep: " + FormatCurrent(2.0f) + ", " + FormatTime(9000.0f));
}

/// The fixture's first device, A1, offers RUN only at 5V 85C, 1.8V -40C and 3.3V 25C; the window
/// starts at 1.8V 85C, where the scripted modes stand as they are.
class OperatingPointMoveTest : public AnalysisPanelTest {
protected:
    void SetUp() override {
        AnalysisPanelTest::SetUp();
        Add(Mode("run", 300.0f));
        Add(Mode("idle", 2.0f, 9000.0f));
        ClickRow(List("modeList"), 0);
        Open();
        ShowTab(AnalysisPanel::kOperatingPoints);
        table_ = &panel_->operatingPoints();
        ASSERT_EQ(Point(), "1.8V 85C");
        ASSERT_EQ(table_->rowCount(), 3);
        ASSERT_EQ(table_->columnCount(), 3);
    }
    /// The voltage and temperature the selectors show, which must be the workspace's.
    std::string Point() const {
        const std::string shown = CommonAspect(window_.get(), "voltageCombo") + " " +
                                  CommonAspect(window_.get(), "temperatureCombo");
        EXPECT_EQ(shown, std::string(workspace_->voltage()) + " " +
                             std::string(workspace_->temperature()));
        return shown;
    }
    std::string Life() const { return CommonAspect(window_.get(), "batteryLifeField"); }
    std::string Cell(int v, int t) const { return FromDisplay(table_->item(v, t)->text()); }
    QPoint Centre(int v, int t) const {
        return table_->visualRect(table_->model()->index(v, t)).center();
    }
    /// As the system delivers one: a click, then the second press as a double-click.
    void DoubleClick(int v, int t) {
        QTest::mouseClick(table_->viewport(), Qt::LeftButton, {}, Centre(v, t));
        QTest::mouseDClick(table_->viewport(), Qt::LeftButton, {}, Centre(v, t));
        QTest::mouseRelease(table_->viewport(), Qt::LeftButton, {}, Centre(v, t));
    }
    /// Opens the cell's context menu and picks "Use this point" when it is enabled; returns
    /// whether it was.
    bool UseFromMenu(int v, int t) {
        bool enabled = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            auto* use = Find<QAction>(menu, "usePointAction");
            EXPECT_EQ(FromDisplay(use->text()), "Use this point");
            enabled = use->isEnabled();
            if (enabled) {
                menu->setActiveAction(use);
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                QTest::keyClick(menu, Qt::Key_Escape);
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, Centre(v, t),
                                table_->viewport()->mapToGlobal(Centre(v, t)));
        QApplication::sendEvent(table_->viewport(), &event);
        return enabled;
    }
    /// Ctrl+Z in the window, made active again after a menu or a double-click.
    void Undo() {
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        Find(window_.get(), "modeList")->setFocus();
        QTest::keyClick(Find(window_.get(), "modeList"), Qt::Key_Z, Qt::ControlModifier);
    }

    OperatingPointTable* table_ = nullptr;
};

TEST_F(OperatingPointMoveTest, ADoubleClickMovesTheProfileThereAndCtrlZBringsItBack) {
    const std::vector<ModeRecord> modes = workspace_->modes();
    const std::string life = Life();
    const std::string there = Cell(0, 1);  // 1.8V -40C
    ASSERT_NE(there, life);
    DoubleClick(0, 1);
    EXPECT_EQ(Point(), "1.8V -40C");
    EXPECT_EQ(Life(), there) << "the life the cell showed";
    EXPECT_EQ(workspace_->currentModeRow(), 0) << "the current row stays";
    EXPECT_EQ(List("modeList")->rowCount(), 2);
    EXPECT_TRUE(table_->item(0, 1)->font().bold());
    EXPECT_FALSE(table_->item(0, 0)->font().bold());
    EXPECT_NE(workspace_->modes(), modes) << "recomputed from the device's figures";
    EXPECT_EQ(FromDisplay(window_->windowTitle()).back(), '*');

    Undo();
    EXPECT_EQ(Point(), "1.8V 85C");
    EXPECT_EQ(workspace_->modes(), modes);
    EXPECT_EQ(Life(), life);
    EXPECT_TRUE(table_->item(0, 0)->font().bold());
    EXPECT_EQ(Cell(0, 1), there);
}

TEST_F(OperatingPointMoveTest, TheContextMenuDoesTheSameAndIsOffOnThePointInUse) {
    EXPECT_FALSE(UseFromMenu(0, 0));
    EXPECT_EQ(Point(), "1.8V 85C");
    const std::string there = Cell(2, 0);  // 5V 85C
    EXPECT_TRUE(UseFromMenu(2, 0));
    EXPECT_EQ(Point(), "5V 85C");
    EXPECT_EQ(Life(), there);
    DoubleClick(2, 0);  // the point in use: no change, so no undo step
    Undo();
    EXPECT_EQ(Point(), "1.8V 85C");
}

TEST_F(OperatingPointMoveTest, APointWhereAModeCannotBeComputedIsRefusedAndChangesNothing) {
    const ProfileState before = workspace_->State();
    const std::string life = Life();
    const std::string caption = FromDisplay(window_->windowTitle());
    ASSERT_EQ(Cell(1, 0), kNotAvailable);  // 3.3V 85C
    DoubleClick(1, 0);
    EXPECT_EQ(Take(prompter_.messages),
              "The profile cannot be used at \"3.3V\" and \"85C\": Mode 1 (\"run\") and Mode 2 "
              "(\"idle\") cannot be computed there. Nothing was changed.");
    EXPECT_TRUE(UseFromMenu(1, 0));
    EXPECT_NE(Take(prompter_.messages), "");
    EXPECT_EQ(Point(), "1.8V 85C");
    EXPECT_TRUE(SameProfile(workspace_->State(), before));
    EXPECT_EQ(workspace_->currentModeRow(), 0);
    EXPECT_EQ(Life(), life);
    EXPECT_EQ(FromDisplay(window_->windowTitle()), caption);
    EXPECT_TRUE(table_->item(0, 0)->font().bold());
    Undo();  // the last change is still the second mode
    EXPECT_EQ(List("modeList")->rowCount(), 1);
}

TEST(SvgPaintDevice, KeepsEachPrimitiveWithItsPenBrushAndTransformAndEscapesTexts) {
    QBuffer output;
    ASSERT_TRUE(output.open(QIODevice::WriteOnly));
    {
        SvgPaintDevice svg(&output, QSize(40, 30), QStringLiteral("Title & more"));
        QPainter painter(&svg);
        painter.fillRect(QRectF(1, 2, 3, 4), QColor(255, 0, 0, 128));
        painter.setPen(QPen(Qt::blue, 2, Qt::DashLine));
        painter.drawLine(QPointF(0, 0), QPointF(10, 5));
        painter.translate(5, 6);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(1, 2), QStringLiteral("a < b & \"c\""));
        QPainterPath path;
        path.moveTo(0, 0);
        path.cubicTo(1, 1, 2, 1, 3, 0);
        path.addRect(10, 10, 2, 2);  // closed: its corner is joined
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        EXPECT_TRUE(painter.end());
    }
    output.close();
    ASSERT_TRUE(output.open(QIODevice::ReadOnly));
    const SvgDocument document = ReadSvg(output);
    ASSERT_EQ(document.error, QString()) << output.data().toStdString();
    std::string names;
    for (const SvgDocument::Element& element : document.elements) {
        names += element.name.toStdString() + " ";
    }
    EXPECT_EQ(names, "svg title rect line text path ");
    const auto& e = document.elements;
    EXPECT_EQ(e[0].Attribute("width") + " " + e[0].Attribute("height"), "40 30");
    EXPECT_EQ(e[2].Attribute("fill") + " " + e[2].Attribute("fill-opacity") + " " +
                  e[2].Attribute("stroke"),
              "#ff0000 0.5019608 none");
    EXPECT_EQ(e[3].Attribute("stroke") + " " + e[3].Attribute("stroke-width") + " " +
                  e[3].Attribute("stroke-dasharray"),
              "#0000ff 2 8 4");
    EXPECT_EQ(e[3].Attribute("transform"), QString()) << "drawn before the translation";
    EXPECT_EQ(document.texts, QStringList({QStringLiteral("a < b & \"c\"")}));
    EXPECT_EQ(e[4].Attribute("transform"), QStringLiteral("matrix(1 0 0 1 5 6)"));
    EXPECT_EQ(e[5].Attribute("d"),
              QStringLiteral("M0,0C1,1 2,1 3,0M10,10L12,10L12,12L10,12L10,10Z"));
    EXPECT_EQ(e[5].Attribute("fill"), QStringLiteral("none"));

    QBuffer closed;  // never opened: nothing can be painted on it
    SvgPaintDevice unwritable(&closed, QSize(10, 10));
    QPainter painter;
    EXPECT_FALSE(painter.begin(&unwritable));
}

}  // namespace
}  // namespace runwell::ui
