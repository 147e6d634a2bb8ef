// The Import trace dialog over a three-level trace: the figures and the battery table of the
// whole trace and of a range dragged on the plot, a refused file, and Make profile, asked first
// when the profile has modes.

#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <fstream>

#include "UiTestSupport.h"
#include "trace/TraceText.h"
#include "ui/trace/TraceDialog.h"
#include "ui/trace/TracePlot.h"

namespace runwell::ui {
namespace {

using namespace test_support;

class TraceDialogTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        trace_ = Data("board.csv");
        // 1 kHz: 2 uA for 80 ms, 5 mA for 10 ms, 150 uA for 10 ms.
        std::ofstream out(trace_);
        out << "Time(ms);Current(uA);Voltage(V)\n";
        for (int k = 0; k < 100; ++k) {
            out << k << ";" << (k < 80 ? "2,0" : k < 90 ? "5000" : "150") << ";3,3\n";
        }
    }

    std::string Cell(const char* table, int row, int column) {
        const QTableWidgetItem* item = Find<QTableWidget>(dialog_.get(), table)->item(row, column);
        return item ? item->text().toStdString() : "<none>";
    }

    std::string Label(const char* name) {
        return Find<QLabel>(dialog_.get(), name)->text().toStdString();
    }
    QDoubleSpinBox* Bound(const char* name) { return Find<QDoubleSpinBox>(dialog_.get(), name); }

    void Open(const fs::path& path) {
        dialog_ = std::make_unique<TraceDialog>(*workspace_, prompter_);
        TraceDialog::SetNextFileName(path);
        ASSERT_TRUE(dialog_->AskForTrace());
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    fs::path trace_;
    std::unique_ptr<TraceDialog> dialog_;
};

TEST_F(TraceDialogTest, WholeTraceThenADraggedRange) {
    Open(trace_);
    EXPECT_EQ(Label("statusLabel"), "");
    EXPECT_EQ(Cell("figuresTable", 0, 1), "100");  // samples
    EXPECT_EQ(Cell("figuresTable", 4, 0), "Average current");
    EXPECT_EQ(Cell("figuresTable", 4, 1), "0.517 mA");  // (80 x 2 + 10 x 5000 + 10 x 150) / 100 uA
    EXPECT_EQ(Cell("figuresTable", 5, 1), "5 mA");
    EXPECT_EQ(Label("modesLabel"), "3 modes in the range");
    auto* batteries = Find<QTableWidget>(dialog_.get(), "batteryTable");
    ASSERT_EQ(batteries->rowCount(), static_cast<int>(workspace_->batteries().size()));
    EXPECT_TRUE(batteries->item(workspace_->batteryIndex(), 0)->font().bold());
    EXPECT_EQ(Cell("batteryTable", 0, 0), workspace_->batteries()[0].description);
    EXPECT_EQ(batteries->horizontalHeaderItem(3)->text().toStdString(), "Predicted life");
    EXPECT_FALSE(Cell("batteryTable", 0, 3).empty());  // a life, or "no model"

    // A drag over the left half of the plot selects about the first 50 ms: sleep only.
    auto* plot = Find<TracePlot>(dialog_.get(), "tracePlot");
    const QRect area = plot->PlotArea(plot->size());
    const int y = area.center().y();
    const int half = area.left() + area.width() / 2;
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(2, y));
    QTest::mouseMove(plot, QPoint(half, y));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(half, y));
    EXPECT_NEAR(Bound("toEdit")->value(), 0.05, 0.005);
    EXPECT_EQ(Bound("fromEdit")->value(), 0.0);
    EXPECT_EQ(Cell("figuresTable", 4, 1), "2 uA");
    EXPECT_EQ(Label("modesLabel"), "1 mode in the range");

    // The 2 uA sleep and the 5 mA burst on one log axis; hovering reads the sleep. With Ctrl
    // the drag zooms to the same half instead of selecting.
    EXPECT_EQ(plot->yAxis().scale, AxisScale::Log);
    EXPECT_EQ(plot->yAxis().view.low, 1000.0);
    const QPoint sleep(area.left() + area.width() / 4, y);
    QTest::mouseMove(plot, sleep);
    const std::string tip = plot->TipAt(sleep, plot->size());
    EXPECT_EQ(tip.substr(tip.find(':')), ": 2 uA to 2 uA");
    QTest::mousePress(plot, Qt::LeftButton, Qt::ControlModifier, QPoint(area.left(), y));
    QTest::mouseMove(plot, QPoint(half, y));
    QTest::mouseRelease(plot, Qt::LeftButton, Qt::ControlModifier, QPoint(half, y));
    EXPECT_NEAR(plot->xAxis().view.high, 50000.0, 1000.0) << "us";
    EXPECT_NEAR(Bound("toEdit")->value(), 0.05, 0.005) << "the range stays";
    plot->ResetZoom();
    EXPECT_FALSE(plot->zoomed());

    // A range past the end is refused and leaves nothing to make a profile of.
    Bound("fromEdit")->setValue(5.0);
    Bound("toEdit")->setValue(6.0);
    EXPECT_EQ(Label("statusLabel"), "The range holds no part of the trace.");
    EXPECT_FALSE(Find<QPushButton>(dialog_.get(), "makeProfileButton")->isEnabled());
    QTest::mouseClick(Find<QPushButton>(dialog_.get(), "wholeButton"), Qt::LeftButton);
    EXPECT_EQ(Cell("figuresTable", 0, 1), "100");
}

// The dialog opens within the screen's free area, whatever the screen.
TEST_F(TraceDialogTest, OpensWithinTheScreen) {
    Open(trace_);
    const QRect room = dialog_->screen()->availableGeometry();
    EXPECT_LE(dialog_->width(), room.width());
    EXPECT_LE(dialog_->height(), room.height());
}

TEST_F(TraceDialogTest, RefusedTraceShowsWhy) {
    const fs::path bad = Data("bad.csv");
    std::ofstream(bad) << "Time(s),Current\n0,1\n";
    Open(bad);
    EXPECT_EQ(
        Label("statusLabel"),
        "The current column \"Current\" names no unit; give the current unit (A, mA, uA or nA).");
    EXPECT_FALSE(Find<QPushButton>(dialog_.get(), "makeProfileButton")->isEnabled());
    EXPECT_EQ(Find<QTableWidget>(dialog_.get(), "batteryTable")->rowCount(), 0);
}

TEST_F(TraceDialogTest, MakeProfileAsksBeforeReplacingModes) {
    workspace_->AddMode(Mode("Kept", 0.0f));
    Open(trace_);
    auto* make = Find<QPushButton>(dialog_.get(), "makeProfileButton");
    prompter_.answers = {false, true};
    QTest::mouseClick(make, Qt::LeftButton);
    EXPECT_EQ(workspace_->modes().size(), 1u);
    EXPECT_TRUE(dialog_->isVisible());
    QTest::mouseClick(make, Qt::LeftButton);
    EXPECT_EQ(Take(prompter_.questions),
              "Make profile: " + ReplaceProfileQuestion(1, 3) + " / Make profile: " +
                  ReplaceProfileQuestion(1, 3));
    // This device has no SLEEP row: the whole current becomes system current, and the user is
    // told so, as the mode editor would tell.
    EXPECT_EQ(Take(prompter_.messages).rfind("warning: There's no \"SLEEP\" mode data", 0), 0u);
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    ASSERT_EQ(workspace_->modes().size(), 3u);
    EXPECT_EQ(workspace_->modes()[1].label, "Trace 2");
    EXPECT_FLOAT_EQ(workspace_->modes()[1].totalCurrent, 5e6f);
    EXPECT_FLOAT_EQ(workspace_->modes()[1].systemCurrent, 5e6f);
    EXPECT_FLOAT_EQ(workspace_->modes()[1].duration, 10000.0f);
}

// The main window's button opens the dialog on the chosen file; a profile made there is shown.
TEST_F(TraceDialogTest, ImportTraceFromTheMainWindow) {
    TraceDialog::SetNextFileName(trace_);
    EXPECT_TRUE(AnswerModal([&] { Click("importTraceButton"); },
                            [&](QWidget* dialog) {
                                EXPECT_EQ(dialog->objectName().toStdString(), "traceDialog");
                                QTest::mouseClick(Find<QPushButton>(dialog, "makeProfileButton"),
                                                  Qt::LeftButton);
                            },
                            window_.get()));
    prompter_.messages.clear();  // the missing SLEEP row, checked above
    EXPECT_EQ(List("modeList")->rowCount(), 3);
    EXPECT_EQ(List("modeList")->item(0, 0)->text().toStdString(), "Trace 1");
}

}  // namespace
}  // namespace runwell::ui
