// The program's command line, read by the program itself: help, version, a settings file, and
// a one-line error with exit status 2 for anything else; and the program's style.

#include <QFontMetricsF>
#include <QGroupBox>
#include <QImage>
#include <QProcess>
#include <QStyleFactory>
#include <new>

#include "RecordingPrompter.h"
#include "UiTestSupport.h"
#include "app/Application.h"
#include "app/CommandLine.h"
#include "platform/BuildInfo.h"
#include "ui/widgets/WindowStyle.h"

namespace runwell::app {
namespace {

struct Outcome {
    int exitCode;
    std::string out, err;
};

/// What the program wrote, with Windows's "\r\n" line ends read as '\n'.
std::string Lines(QByteArray bytes) {
#ifdef _WIN32
    bytes.replace("\r\n", "\n");
#endif
    return bytes.toStdString();
}

Outcome Runwell(const QStringList& args) {
    QProcess program;
    program.start(RUNWELL_BIN_DIR "/runwell", args);
    EXPECT_TRUE(program.waitForFinished(30000));
    return {program.exitCode(), Lines(program.readAllStandardOutput()),
            Lines(program.readAllStandardError())};
}

TEST(AppShell, HelpVersionErrorsAndOneSettingsFile) {
    const Outcome help = Runwell({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("[settings-file]"), std::string::npos) << help.out;
    const Outcome version = Runwell({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("runwell ") + kVersion + "\n");
    const Outcome unknown = Runwell({"--frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    // The last line: the toolkit may warn about the environment before it.
    EXPECT_TRUE(unknown.err.ends_with("\nrunwell: Unknown option 'frobnicate'.\n") ||
                unknown.err == "runwell: Unknown option 'frobnicate'.\n")
        << unknown.err;
    EXPECT_EQ(unknown.out, "");

    // At most one settings file.
    const CommandLine none = ParseCommandLine({"runwell"}, "1");
    EXPECT_FALSE(none.exitCode);
    EXPECT_FALSE(none.settingsFile);
    const CommandLine one = ParseCommandLine({"/opt/runwell", "a b.set"}, "1");
    EXPECT_FALSE(one.exitCode);
    EXPECT_EQ(one.settingsFile.value(), std::filesystem::path("a b.set"));
    const CommandLine two = ParseCommandLine({"runwell", "a.set", "b.set"}, "1");
    EXPECT_EQ(two.exitCode, 2);
    EXPECT_EQ(two.output.toStdString(), "runwell: only one settings file can be opened.\n");
}

TEST(AppShell, TheWindowStyleDrawsGroupBoxesAsFusionDoes) {
    QStyle* fusion = QStyleFactory::create(QStringLiteral("fusion"));
    ASSERT_NE(fusion, nullptr);
    ui::WindowStyle style(QStyleFactory::create(QStringLiteral("fusion")));
    for (const QString& title : {QStringLiteral("Step 1: Select Device"), QString()}) {
        const auto render = [&title](QStyle* with) {
            QGroupBox box(title);
            box.setStyle(with);
            box.resize(220, 90);
            QImage image(box.size(), QImage::Format_ARGB32);
            image.fill(Qt::white);
            box.render(&image);
            return image;
        };
        EXPECT_EQ(render(fusion), render(&style)) << title.toStdString();
    }
    delete fusion;
}

TEST(AppShell, TheWindowFontSetsTextGlyphByGlyph) {
    QFont base(QStringLiteral("DejaVu Sans"), 9);
    base.setBold(true);
    const QFont window = ui::WindowFont(base);
    EXPECT_EQ(window.family(), base.family());
    EXPECT_EQ(window.pointSizeF(), base.pointSizeF());
    EXPECT_EQ(window.weight(), base.weight());
    // Unkerned: a pair the font kerns measures as its two letters.
    const QFontMetricsF metrics(window);
    for (const QString& pair : {QStringLiteral("AV"), QStringLiteral("To"), QStringLiteral("Ty")}) {
        EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(pair),
                         metrics.horizontalAdvance(pair.left(1)) +
                             metrics.horizontalAdvance(pair.mid(1)))
            << pair.toStdString();
    }
}

// An event whose handling runs out of memory ends with the message; the program goes on and the
// next event is handled. Without a window to speak through, the failure is passed on. (The
// event goes to a plain object: unwinding through a widget's own handlers, built without
// exceptions, would skip their clean-up, a few bytes the sanitizer would rightly report.)
TEST(AppShell, RunningOutOfMemoryEndsTheActionWithAMessage) {
    class Hungry : public QObject {
    public:
        int handled = 0;
        bool event(QEvent* event) override {
            if (event->type() != QEvent::User) {
                return QObject::event(event);
            }
            if (++handled == 1) {
                throw std::bad_alloc();
            }
            return true;
        }
    } hungry;
    auto* app = static_cast<Application*>(QCoreApplication::instance());
    RecordingPrompter prompter;
    app->SetPrompter(&prompter);
    QEvent event(QEvent::User);
    EXPECT_TRUE(QCoreApplication::sendEvent(&hungry, &event));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{kNotEnoughMemory});
    EXPECT_TRUE(QCoreApplication::sendEvent(&hungry, &event));
    EXPECT_EQ(hungry.handled, 2);
    EXPECT_EQ(prompter.messages.size(), 1u);

    app->SetPrompter(nullptr);
    hungry.handled = 0;
    EXPECT_THROW(QCoreApplication::sendEvent(&hungry, &event), std::bad_alloc);
}

}  // namespace
}  // namespace runwell::app
