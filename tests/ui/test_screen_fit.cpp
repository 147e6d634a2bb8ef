// The windows on a small screen, built once per screen (RUNWELL_TEST_SCREEN, see QtTestMain):
// the main window with the Analysis panel open and every dialog inside the screen's free area,
// the battery list's columns sized to their texts, result fields that cut a text say so, and
// the battery list showing the battery a load made current.

#include <QAction>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QToolTip>
#include <filesystem>

#include "UiTestSupport.h"
#include "ui/analysis/AnalysisPanel.h"
#include "ui/dialogs/HelpWindow.h"
#include "ui/main/MainWindowLayout.h"
#include "ui/trace/TraceDialog.h"
#include "ui/widgets/Fitting.h"
#include "ui/widgets/MessageBoxPrompter.h"

namespace runwell::ui {
namespace {

using namespace test_support;

QRect FreeScreen() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

/// Whether `window`, with its minimum size, fits the screen's free area.
::testing::AssertionResult OnScreen(const QWidget* window) {
    QApplication::processEvents();  // the fit after a dialog has laid itself out
    const QRect free = FreeScreen();
    const QRect frame = window->frameGeometry();
    if (free.contains(frame) && free.size().expandedTo(window->minimumSize()) == free.size()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << window->windowTitle().toStdString() << " at " << frame.x() << "," << frame.y() << " "
           << frame.width() << "x" << frame.height();
}

/// The main window over the full battery catalogue, whose descriptions are long.
class ScreenFitTest : public WindowTest {
protected:
    void SetUp() override {
        // The screen asked for ("1366x768@1.5"), in device-independent pixels.
        const QStringList screen =
            QStringLiteral(RUNWELL_TEST_SCREEN).split(QRegularExpression("[x@]"));
        ASSERT_EQ(screen.size(), 3);
        ASSERT_NEAR(FreeScreen().width(), screen[0].toInt() / screen[2].toDouble(), 1.0);
        data_.emplace();
        std::filesystem::copy_file(fs::path(RUNWELL_SOURCE_DIR) / "StandardBattery.csv",
                                   Data("StandardBattery.csv"),
                                   fs::copy_options::overwrite_existing);
        Result<Workspace> started = Workspace::Start(data_->path, prompter_);
        ASSERT_TRUE(started.ok());
        workspace_.emplace(std::move(started).value());
        window_ = std::make_unique<MainWindow>(*workspace_, editor_, prompter_, files_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    void CheckModal(const std::function<void()>& open) {
        EXPECT_TRUE(AnswerModal(open, [](QWidget* dialog) {
            EXPECT_TRUE(OnScreen(dialog));
            dialog->close();
        }));
    }
};

TEST_F(ScreenFitTest, TheWindowWithTheAnalysisPanelOpenFitsTheScreen) {
    EXPECT_TRUE(OnScreen(window_.get()));
    const QSize closed = window_->size();
    Click("analysisButton");
    auto* panel = Find<AnalysisPanel>(window_.get(), "analysisPanel");
    ASSERT_TRUE(panel->isVisible());
    EXPECT_TRUE(OnScreen(window_.get()));
    // Beside the steps when both fit side by side in this font, below them otherwise.
    const auto* splitter = Find<QSplitter>(window_.get(), "analysisSplitter");
    const QSize panelMinimum = panel->minimumSizeHint() + QSize(splitter->handleWidth(), 0);
    const bool below = DockAnalysis(FreeScreen().size(), closed,
                                    Find(window_.get(), "steps")->minimumSize(), panelMinimum)
                           .below;
    EXPECT_EQ(splitter->orientation(), below ? Qt::Vertical : Qt::Horizontal)
        << FreeScreen().width();
    EXPECT_TRUE(
        window_->rect().contains(QRect(panel->mapTo(window_.get(), QPoint()), panel->size())));
    // The steps scroll in the room they keep: their last control can be reached.
    auto* steps = Find<QScrollArea>(window_.get(), "stepsScroll");
    QWidget* quit = Find(window_.get(), "quitButton");
    steps->ensureWidgetVisible(quit);
    const QRect quitInView(quit->mapTo(steps->viewport(), QPoint()), quit->size());
    EXPECT_TRUE(steps->viewport()->rect().contains(quitInView));

    Click("analysisButton");
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(OnScreen(window_.get()));
}

TEST_F(ScreenFitTest, EveryDialogOpensInsideTheScreensFreeArea) {
    CheckModal([this] { Click("deviceNotesButton"); });
    CheckModal([this] { Find<QAction>(window_.get(), "aboutAction")->trigger(); });
    editor_.useDialog = true;
    CheckModal([this] { Click("addButton"); });
    // The test device lacks data for a mode the editor offers; it says so, as it should.
    EXPECT_NE(Take(prompter_.messages).find("mode data"), std::string::npos);

    MessageBoxPrompter boxes(window_.get());
    CheckModal([&] {
        boxes.ShowMessage(std::string(20, 'x') + " is not a number.", MessageKind::Warning);
    });

    // The prediction's editors: the mission, the regulator and the modes' own spreads.
    Click("analysisButton");
    for (const char* button : {"editMissionButton", "editRegulatorButton", "modeSpreadButton"}) {
        CheckModal([&] { Click(button); });
    }
    Click("analysisButton");

    TraceDialog trace(*workspace_, prompter_, window_.get());
    trace.show();
    EXPECT_TRUE(OnScreen(&trace));
    trace.close();

    QTest::keyClick(window_.get(), Qt::Key_F1);
    auto* help = window_->findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(OnScreen(help));
    help->close();
}

TEST_F(ScreenFitTest, BatteryColumnsFollowTheirTextsWithoutSidewaysScrolling) {
    QTableWidget* list = List("batteryList");
    const QAbstractItemView* view = list;
    for (const int width : {window_->minimumWidth(), FreeScreen().width()}) {
        window_->resize(width, window_->height());
        const int room = list->viewport()->width();
        const int description = view->sizeHintForColumn(0);
        // The long descriptions get up to a third of the list, and a cut one its tooltip.
        EXPECT_GE(list->columnWidth(0), std::min(description, room / 3) * 3 / 4) << width;
        EXPECT_LE(list->columnWidth(0), room / 3) << width;
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0) << width;
    }
    // The Capacity column is as wide as its heading needs, not a share of the width.
    EXPECT_LE(list->columnWidth(1),
              list->horizontalHeader()->sectionSizeHint(1) + view->sizeHintForColumn(1));
}

TEST_F(ScreenFitTest, ALoadShowsItsBatteryInTheList) {
    QTableWidget* list = List("batteryList");
    const int last = list->rowCount() - 1;
    ASSERT_GT(last, 5);
    workspace_->SelectBattery(last);
    const fs::path saved = Data("last.set");
    files_.saves.push_back(saved);
    Click("saveSettingsButton");
    list->scrollToTop();
    ClickRow(list, 0);
    ASSERT_EQ(workspace_->batteryIndex(), 0);

    window_->OpenSettingsFile(saved);
    EXPECT_EQ(workspace_->batteryIndex(), last);
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(list->model()->index(last, 0))));
}

TEST(ElidedField, ACutTextEndsInAnEllipsisAndShowsWholeInItsTooltip) {
    ElidedField field;
    const QString text = QStringLiteral("5 years 123 days 4 hours (capacity)");
    field.setText(text);
    field.resize(field.fontMetrics().horizontalAdvance(text) / 2, 25);
    EXPECT_EQ(field.text(), text);
    EXPECT_TRUE(field.ShownText().endsWith(QChar(0x2026))) << field.ShownText().toStdString();
    EXPECT_TRUE(text.startsWith(field.ShownText().chopped(1)));
    field.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&field));
    field.clearFocus();  // with the focus, the field shows its whole text to select from
    QHelpEvent help(QEvent::ToolTip, {4, 4}, field.mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(&field, &help);
    EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), text);
    QToolTip::hideText();

    field.resize(field.fontMetrics().horizontalAdvance(text) + 40, 25);
    EXPECT_EQ(field.ShownText(), text);
}

TEST(ScreenLayout, WindowsAreMovedAndCutIntoTheFreeArea) {
    const QRect area(0, 30, 910, 480);
    EXPECT_EQ(FitWithin(QRect(100, 100, 400, 300), area), QRect(100, 100, 400, 300));
    EXPECT_EQ(FitWithin(QRect(700, 400, 400, 300), area), QRect(510, 210, 400, 300));
    EXPECT_EQ(FitWithin(QRect(-50, 0, 400, 300), area), QRect(0, 30, 400, 300));
    EXPECT_EQ(FitWithin(QRect(100, 100, 1200, 900), area), area);
}

TEST(ScreenLayout, ThePanelGoesBesideTheStepsWhenBothFitAndBelowThemOtherwise) {
    const QSize steps(669, 421);
    const QSize panel(420, 300);
    // 1280x720 less a title bar: beside, the window twice as wide as far as the room allows.
    AnalysisDock dock = DockAnalysis({1280, 690}, {669, 561}, steps, panel);
    EXPECT_FALSE(dock.below);
    EXPECT_EQ(dock.client, QSize(1280, 561));
    EXPECT_EQ(dock.minimum, QSize(1089, 421));
    // A room narrower than both and lower than the steps: below, nothing larger than the room.
    dock = DockAnalysis({900, 400}, {669, 400}, steps, panel);
    EXPECT_TRUE(dock.below);
    EXPECT_EQ(dock.client, QSize(669, 400));
    EXPECT_EQ(dock.minimum, QSize(669, 400));
}

}  // namespace
}  // namespace runwell::ui
