// Renders the Import trace dialog for the documentation: the shipped data, the trace of
// tests/cli/cases/trace-text, saved as a PNG. Not a test; run it under a real or virtual X server:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/screenshot_trace_dialog [trace.csv] [out.png]

#include <QApplication>
#include <QPixmap>
#include <QTest>
#include <filesystem>
#include <iostream>
#include <string>

#include "base/Prompter.h"
#include "session/Workspace.h"
#include "ui/trace/TraceDialog.h"
#include "ui/widgets/WindowStyle.h"

namespace {

class StderrPrompter : public runwell::Prompter {
public:
    void ShowMessage(const std::string& text, runwell::MessageKind) override {
        std::cerr << text << '\n';
    }
    bool AskOkCancel(const std::string&, const std::string&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    runwell::ui::UseWindowLook();
    const std::filesystem::path source = RUNWELL_SOURCE_DIR;
    const std::filesystem::path trace =
        argc > 1 ? std::filesystem::path(argv[1]) : source / "tests/cli/cases/trace-text/trace.csv";
    const std::filesystem::path output =
        argc > 2 ? std::filesystem::path(argv[2]) : source / "docs" / "trace-dialog.png";
    StderrPrompter prompter;
    runwell::Result<runwell::Workspace> started =
        runwell::Workspace::Start(RUNWELL_BIN_DIR, prompter);
    if (!started) {
        std::cerr << started.error().message << '\n';
        return 1;
    }
    runwell::ui::TraceDialog dialog(*started, prompter);
    dialog.OpenTrace(trace);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        return 1;
    }
    QTest::qWait(100);
    if (!dialog.grab().save(QString::fromStdString(output.string()))) {
        std::cerr << "cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
