// bench_window: the main window's full redisplay of a large profile, on the offscreen platform.
// The profile is put into the workspace with SetModes; each iteration then clicks the current
// battery's row, which recomputes the results from scratch, rebuilds the mode list and shows the
// three results, and lets the window paint.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "BenchData.h"
#include "session/Workspace.h"
#include "ui/analysis/AnalysisPanel.h"
#include "ui/editor/ModeEditorLauncher.h"
#include "ui/main/MainWindow.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/WindowStyle.h"

namespace runwell::bench {
namespace {

class NoModeEditor : public ui::ModeEditorLauncher {
public:
    std::optional<ModeRecord> Edit(QWidget*, const DeviceData&, const std::string&,
                                   const std::string&, const ModeRecord*, Prompter&) override {
        return std::nullopt;
    }
};

class NoFileDialogs : public ui::FileDialogs {
public:
    std::optional<std::filesystem::path> AskLoadSettings(QWidget*) override { return {}; }
    std::optional<std::filesystem::path> AskSaveSettings(QWidget*) override { return {}; }
    std::optional<std::filesystem::path> AskCreateReport(QWidget*) override { return {}; }
    std::optional<std::filesystem::path> AskExportChart(QWidget*) override { return {}; }
};

/// The window over a workspace started from a bench folder, shown and exposed.
struct Session {
    BenchFolder folder;
    SilentPrompter prompter;
    std::optional<Workspace> workspace;
    NoModeEditor modeEditor;
    NoFileDialogs fileDialogs;
    std::unique_ptr<ui::MainWindow> window;
    std::vector<ModeRecord> profile;
};

Session* session = nullptr;

/// A click on the current battery: recompute, results shown, window repainted. With `edit`, the
/// last mode's label changes before each click (as Modify does), so the mode list is rebuilt
/// and every figure of the profile recomputed; without, the rows stay as they are.
void BM_RecomputeResults(benchmark::State& state, bool edit) {
    const auto count = static_cast<std::size_t>(state.range(0));
    session->workspace->SetModes({session->profile.begin(), session->profile.begin() + count});
    auto* batteries = session->window->findChild<QTableWidget*>(QStringLiteral("batteryList"));
    auto* modes = session->window->findChild<QTableWidget*>(QStringLiteral("modeList"));
    if (batteries == nullptr || modes == nullptr || batteries->rowCount() == 0) {
        state.SkipWithError("the window has no battery or mode list");
        return;
    }
    const QPoint row0 = batteries->visualItemRect(batteries->item(0, 0)).center();
    ModeRecord last = session->profile[count - 1];
    const std::string label = last.label;
    int edits = 0;
    for (auto _ : state) {
        if (edit) {
            last.label = label + ((++edits % 2) != 0 ? "'" : "");
            session->workspace->ReplaceMode(static_cast<int>(count) - 1, last);
        }
        QTest::mouseClick(batteries->viewport(), Qt::LeftButton, {}, row0);
        QCoreApplication::processEvents();  // the repaint the refresh asked for
    }
    if (static_cast<std::size_t>(modes->rowCount()) != count) {
        state.SkipWithError("the mode list does not show the profile");
    }
    state.SetComplexityN(state.range(0));
    state.counters["per_mode"] = benchmark::Counter(
        static_cast<double>(count),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

/// The same with the Analysis panel open on tab range(1): the refresh then also recomputes and
/// repaints that tab (the others wait until shown).
void BM_RecomputeWithAnalysis(benchmark::State& state, bool edit) {
    auto* button = session->window->findChild<QPushButton*>(QStringLiteral("analysisButton"));
    if (button != nullptr && !button->isChecked()) {
        button->click();  // the panel is built when first opened
    }
    auto* tabs = session->window->findChild<QTabWidget*>(QStringLiteral("analysisTabs"));
    if (button == nullptr || tabs == nullptr) {
        state.SkipWithError("the window has no Analysis panel");
        return;
    }
    tabs->setCurrentIndex(static_cast<int>(state.range(1)));
    BM_RecomputeResults(state, edit);
    button->click();
}

/// A new window over the session's (empty-profile) workspace, shown with the panel opened on
/// its first tab: what start-up adds to the window alone.
void BM_OpenWindowWithAnalysis(benchmark::State& state) {
    session->workspace->SetModes({});
    for (auto _ : state) {
        ui::MainWindow window(*session->workspace, session->modeEditor, session->prompter,
                              session->fileDialogs);
        window.show();
        if (state.range(0) != 0) {
            window.findChild<QPushButton*>(QStringLiteral("analysisButton"))->click();
        }
        QCoreApplication::processEvents();
    }
}

}  // namespace
}  // namespace runwell::bench

int main(int argc, char** argv) {
    using namespace runwell::bench;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    runwell::ui::UseWindowLook();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }

    session = new Session;
    runwell::Result<runwell::Workspace> started =
        runwell::Workspace::Start(session->folder.path(), session->prompter);
    if (!started) {
        std::fprintf(stderr, "%s\n", started.error().message.c_str());
        return 1;
    }
    session->workspace.emplace(std::move(started).value());
    session->profile =
        MakeProfile(session->workspace->device(), 10000, std::string(session->workspace->voltage()),
                    std::string(session->workspace->temperature()));
    session->window = std::make_unique<runwell::ui::MainWindow>(
        *session->workspace, session->modeEditor, session->prompter, session->fileDialogs);
    session->window->show();
    if (!QTest::qWaitForWindowExposed(session->window.get())) {
        std::fprintf(stderr, "the window was never exposed\n");
        return 1;
    }

    for (const bool edit : {false, true}) {
        const std::string kind = edit ? "EditedResults" : "RecomputeResults";
        benchmark::RegisterBenchmark((kind + "/window").c_str(), BM_RecomputeResults, edit)
            ->Arg(1000)
            ->Arg(10000)
            ->Complexity(benchmark::oN)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        for (const std::int64_t tab : {0, 1, 2, 3, 4}) {
            benchmark::RegisterBenchmark((kind + "/analysis").c_str(), BM_RecomputeWithAnalysis,
                                         edit)
                ->Args({1000, tab})
                ->Args({10000, tab})
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    benchmark::RegisterBenchmark("OpenWindow", BM_OpenWindowWithAnalysis)
        ->Arg(0)
        ->Arg(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    session->window.reset();
    delete session;
    return 0;
}
