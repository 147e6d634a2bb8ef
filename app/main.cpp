// runwell: the application shell. Reads the command line, starts the workspace from where the
// data is found (the program's folder, or the installed layout), shows the main window (loading
// a settings file named on the command line once it is up) and ends when it closes.

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "Application.h"
#include "CommandLine.h"

#include "platform/BuildInfo.h"
#include "platform/DataLocation.h"
#include "session/Workspace.h"
#include "ui/editor/ModeEditorDialog.h"
#include "ui/main/MainWindow.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/MessageBoxPrompter.h"
#include "ui/widgets/WindowStyle.h"

namespace {

// Start-up timing (bench/compare.sh): with RUNWELL_EXIT_AFTER_SHOW=1 in the environment the
// program ends as soon as its window has been exposed, and so painted, for the first time.
class QuitAfterFirstExpose : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && watched->isWindowType()) {
            QCoreApplication::instance()->removeEventFilter(this);
            // Queued: the window paints while it handles this event; quit once that is done.
            QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window system is needed.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s %s\n", runwell::kWindowProgramName, runwell::kVersion);
        return 0;
    }
    runwell::app::Application app(argc, argv);
    runwell::ui::UseWindowLook();
    QApplication::setApplicationVersion(QString::fromLatin1(runwell::kVersion));
    // Message boxes without a caption of their own carry the program's file name.
    QApplication::setApplicationName(
        QFileInfo(QApplication::applicationFilePath()).completeBaseName());
    QApplication::setWindowIcon(runwell::ui::AppIcon());

    const runwell::app::CommandLine commandLine = runwell::app::ParseCommandLine(
        QApplication::arguments(), QString::fromLatin1(runwell::kVersion));
    if (commandLine.exitCode) {
        std::fputs(commandLine.output.toLocal8Bit().constData(),
                   *commandLine.exitCode == 0 ? stdout : stderr);
        return *commandLine.exitCode;
    }

    runwell::ui::MessageBoxPrompter prompter;
    runwell::Result<runwell::Workspace> started =
        runwell::Workspace::Start(runwell::LocateData(), prompter);
    if (!started) {
        prompter.ShowMessage(started.error().message, runwell::MessageKind::Plain);
        return 1;
    }
    runwell::Workspace workspace = std::move(started).value();

    runwell::ui::DialogModeEditorLauncher modeEditor;
    runwell::ui::QtFileDialogs fileDialogs;
    runwell::ui::MainWindow window(workspace, modeEditor, prompter, fileDialogs);
    prompter.SetOwner(&window);
    app.SetPrompter(&prompter);
    // The program is one run of the main window: when it closes, the program ends.
    QObject::connect(&window, &QDialog::finished, &app, &QCoreApplication::quit);
    QuitAfterFirstExpose quitAfterFirstExpose;  // start-up timing only, see above
    if (qEnvironmentVariableIntValue("RUNWELL_EXIT_AFTER_SHOW") == 1) {
        app.installEventFilter(&quitAfterFirstExpose);
    }
    window.show();
    if (commandLine.settingsFile) {
        // Once the window is up, exactly as Load Settings loads a file it was given.
        QTimer::singleShot(0, &window, [&window, &commandLine] {
            window.OpenSettingsFile(*commandLine.settingsFile);
        });
    }
    return QApplication::exec();
}
