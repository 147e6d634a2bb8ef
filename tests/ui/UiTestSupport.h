#pragma once

// What the window tests share: scripted stand-ins for the message boxes, file dialogs and mode
// editor, a data folder copied from tests/fixtures/ui, a main window over it, acting on a window
// as a user would, and running a script table of user actions and what the window must show
// after each.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "TableFile.h"
#include "base/Prompter.h"
#include "platform/FileRead.h"
#include "session/Workspace.h"
#include "ui/editor/ModeEditorDialog.h"
#include "ui/main/MainWindow.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/Text.h"

namespace runwell::ui::test_support {

/// A path as Qt takes it, on every system.
inline QString QtPath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

namespace fs = std::filesystem;

inline fs::path Fixture(const fs::path& name) {
    return fs::path(RUNWELL_FIXTURES) / "ui" / name;
}

/// A fresh copy of tests/fixtures/ui/data: Data/ with the device files and StandardBattery.csv.
struct DataFolder {
    DataFolder() { fs::copy(Fixture("data"), path, fs::copy_options::recursive); }
    QTemporaryDir dir;
    fs::path path = fs::path(QFile::encodeName(dir.path()).toStdString());
};

/// The texts joined by " / ", which are then forgotten: what was shown since the last look.
inline std::string Take(std::vector<std::string>& texts) {
    const std::string joined = Join(texts, " / ");
    texts.clear();
    return joined;
}

/// A mode at RUN 1MHZ drawing `current` nA for `time` us.
inline ModeRecord Mode(const std::string& label, float current, float time = 1000.0f) {
    return ModeRecord{label, "RUN", "1MHZ", {}, time, current, current * time, 0.0f};
}

/// The next scripted answer; none left fails the test.
template <typename T>
T Next(std::deque<T>& queue) {
    EXPECT_FALSE(queue.empty()) << "unexpected question or dialog";
    T next = queue.empty() ? T{} : std::move(queue.front());
    if (!queue.empty()) {
        queue.pop_front();
    }
    return next;
}

/// Records messages (with "warning: ", "error: " or "notice: " by kind) and questions ("caption:
/// text"); answers OK/Cancel questions from `answers` and Save/Discard/Cancel ones from `choices`.
struct ScriptedPrompter : Prompter {
    void ShowMessage(const std::string& text, MessageKind kind) override {
        static constexpr const char* kKind[] = {"", "warning: ", "error: ", "notice: "};
        messages.push_back(kKind[static_cast<int>(kind)] + text);
    }
    bool AskOkCancel(const std::string& text, const std::string& caption) override {
        questions.push_back(caption + ": " + text);
        return Next(answers);
    }
    SaveChoice AskSaveDiscardCancel(const std::string& text) override {
        questions.push_back("Save/Discard/Cancel: " + text);
        return Next(choices);
    }
    std::vector<std::string> messages, questions;
    std::deque<bool> answers;
    std::deque<SaveChoice> choices;
};

struct ScriptedFileDialogs : FileDialogs {
    std::optional<fs::path> AskLoadSettings(QWidget*) override { return Next(loads); }
    std::optional<fs::path> AskSaveSettings(QWidget*) override { return Next(saves); }
    std::optional<fs::path> AskCreateReport(QWidget*) override { return Next(reports); }
    std::optional<fs::path> AskExportChart(QWidget*) override { return Next(exports); }
    std::optional<fs::path> AskMeasurement(QWidget*) override { return Next(measurements); }
    std::optional<fs::path> AskRegulatorFile(QWidget*) override { return Next(regulators); }
    std::optional<fs::path> AskMissionFile(QWidget*) override { return Next(missions); }
    std::optional<fs::path> AskSaveRegulator(QWidget*) override { return Next(regulatorSaves); }
    std::deque<std::optional<fs::path>> loads, saves, reports, exports, measurements, regulators,
        missions, regulatorSaves;
};

/// Answers from `answers` (nothing = Cancel), or opens the real dialog when `useDialog` is set.
/// Each call is recorded as "<source label or new> at <voltage> <temperature>".
struct ScriptedModeEditor : ModeEditorLauncher {
    std::optional<ModeRecord> Edit(QWidget* parent, const DeviceData& device,
                                   const std::string& voltage, const std::string& temperature,
                                   const ModeRecord* source, Prompter& prompter) override {
        calls.push_back((source ? source->label : "new") + " at " + voltage + " " + temperature);
        return useDialog ? DialogModeEditorLauncher().Edit(parent, device, voltage, temperature,
                                                           source, prompter)
                         : Next(answers);
    }
    std::deque<std::optional<ModeRecord>> answers;
    std::vector<std::string> calls;
    bool useDialog = false;
};

/// The child `name` of `root`; a missing one fails the test.
template <typename T = QWidget>
T* Find(const QWidget* root, const std::string& name) {
    T* child = root->findChild<T*>(QString::fromStdString(name));
    if (child == nullptr) {
        throw std::logic_error("no control named " + name);
    }
    return child;
}

/// Clicks the button `name` of `dialog`.
inline void Press(QWidget* dialog, const std::string& name) {
    QTest::mouseClick(Find(dialog, name), Qt::LeftButton);
}

/// Picks entry `index` from the dropped-down list with the mouse, as a user does.
inline void Choose(QComboBox* combo, int index) {
    combo->setFocus(Qt::MouseFocusReason);
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(QTest::qWaitFor([view] { return view->isVisible(); }));
    const QPoint centre(view->viewport()->width() / 2,
                        view->visualRect(view->model()->index(index, 0)).center().y());
    QTest::mouseMove(view->viewport(), centre);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
    ASSERT_TRUE(QTest::qWaitFor([view] { return !view->isVisible(); }));
}

/// Calls `action`; as soon as a modal window other than `except` is active, hands it to
/// `answer`, which must close it. Returns false when no modal window appeared.
inline bool AnswerModal(const std::function<void()>& action,
                        const std::function<void(QWidget*)>& answer, QWidget* except = nullptr) {
    bool answered = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != except && modal->isVisible()) {
            poll.stop();
            answered = true;
            answer(modal);
            if (modal->isVisible()) {
                ADD_FAILURE() << "the answer left " << modal->windowTitle().toStdString()
                              << " open";
                modal->close();
            }
        }
    });
    poll.start();
    action();
    poll.stop();
    return answered;
}

/// A main window over a workspace over a fresh data folder, with the scripted stand-ins. By the end
/// of a test every message and question was checked and every scripted answer used.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { Start(); }
    void TearDown() override {
        EXPECT_EQ(Take(prompter_.messages) + Take(prompter_.questions), "") << "unchecked";
        EXPECT_TRUE(prompter_.answers.empty() && prompter_.choices.empty() &&
                    editor_.answers.empty() && files_.loads.empty() && files_.saves.empty() &&
                    files_.reports.empty() && files_.exports.empty() &&
                    files_.regulators.empty() && files_.missions.empty() &&
                    files_.regulatorSaves.empty());
    }

    /// A new window over a new data folder.
    void Start() {
        TearDown();
        window_.reset();
        data_.emplace();
        editor_ = {};
        Result<Workspace> started = Workspace::Start(data_->path, prompter_);
        ASSERT_TRUE(started.ok());
        workspace_.emplace(std::move(started).value());
        window_ = std::make_unique<MainWindow>(*workspace_, editor_, prompter_, files_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    QTableWidget* List(const std::string& name) const {
        return Find<QTableWidget>(window_.get(), name);
    }
    void Click(const std::string& button) const {
        QTest::mouseClick(Find(window_.get(), button), Qt::LeftButton);
    }
    /// Add, the mode editor answering `mode`.
    void Add(const ModeRecord& mode) {
        editor_.answers.push_back(mode);
        Click("addButton");
    }
    static void ClickRow(QTableWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 0)).center());
    }
    fs::path Data(const fs::path& name) const { return data_->path / name; }

    std::optional<DataFolder> data_;
    ScriptedPrompter prompter_;
    ScriptedModeEditor editor_;
    ScriptedFileDialogs files_;
    std::optional<Workspace> workspace_;
    std::unique_ptr<MainWindow> window_;
};

/// "name=value" split at the first '='; without one, all is the name.
inline std::pair<std::string, std::string> Split(const std::string& cell) {
    const std::size_t eq = cell.find('=');
    return {cell.substr(0, eq), eq == std::string::npos ? "" : cell.substr(eq + 1)};
}

/// The actions of every window: choose COMBO=ENTRY (with the mouse), click BUTTON, type
/// FIELD=TEXT (replacing its text; the focus stays), key [CONTROL=]KEY (to the focused control,
/// or to CONTROL, "window" for the window itself, after focusing it) and close (the close box).
/// False for any other action.
inline bool CommonAction(QWidget* window, const std::string& action, const std::string& argument) {
    const auto [name, value] = Split(argument);
    if (action == "choose") {
        auto* combo = Find<QComboBox>(window, name);
        EXPECT_GE(combo->findText(ToDisplay(value)), 0) << argument;
        Choose(combo, combo->findText(ToDisplay(value)));
    } else if (action == "click") {
        QTest::mouseClick(Find(window, argument), Qt::LeftButton);
    } else if (action == "type") {
        auto* field = Find<QLineEdit>(window, name);
        field->setFocus(Qt::MouseFocusReason);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, ToDisplay(value));
    } else if (action == "key") {
        QWidget* target = value.empty()      ? QApplication::focusWidget()
                          : name == "window" ? window
                                             : Find(window, name);
        target->setFocus();
        const std::string key = value.empty() ? name : value;
        QTest::keyClick(target, QKeySequence(QString::fromStdString(key))[0].key(),
                        key == "Enter" ? Qt::KeypadModifier : Qt::NoModifier);
    } else if (action == "close") {
        window->close();
    } else {
        return false;
    }
    return true;
}

/// The aspects of every window: open, focus (the focused control's name), COMBO.entries, and
/// what the control named shows: a combo box its entry (" (off)" when disabled), a field its
/// text (after its colour, "#rrggbb: ", when that is not the default), a list its entries with
/// the selected ones marked '*'.
inline std::string CommonAspect(const QWidget* window, const std::string& aspect) {
    QStringList texts;
    if (aspect == "open" || aspect == "focus") {
        const QWidget* focus = QApplication::focusWidget();
        texts << (aspect == "focus"     ? (focus ? focus->objectName() : "")
                  : window->isVisible() ? "yes"
                                        : "no");
    } else if (aspect.ends_with(".entries")) {
        const auto* combo = Find<QComboBox>(window, aspect.substr(0, aspect.size() - 8));
        for (int i = 0; i < combo->count(); ++i) {
            texts << combo->itemText(i);
        }
    } else if (const auto* combo = window->findChild<QComboBox*>(QString::fromStdString(aspect))) {
        texts << combo->currentText() + (combo->isEnabled() ? "" : " (off)");
    } else if (const auto* list = window->findChild<QListWidget*>(QString::fromStdString(aspect))) {
        for (int i = 0; i < list->count(); ++i) {
            texts << list->item(i)->text() + (list->item(i)->isSelected() ? "*" : "");
        }
    } else {
        const auto* field = Find<QLineEdit>(window, aspect);
        const QColor colour = field->palette().color(QPalette::Text);
        const bool usual = colour == QApplication::palette(field).color(QPalette::Text);
        texts << (usual ? "" : colour.name() + ": ") + field->text();
    }
    return FromDisplay(texts.join(','));
}

/// True when some pixel of `image` is `colour`: the mark of a drawn curve or bar.
inline bool HasColour(const QImage& image, const QColor& colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

/// An SVG document read back as XML: its elements with their attributes, in order, and its
/// texts; `error` says where it is not well-formed.
struct SvgDocument {
    struct Element {
        QString name;
        QXmlStreamAttributes attributes;
        QString Attribute(const char* key) const { return attributes.value(key).toString(); }
    };
    std::vector<Element> elements;
    QStringList texts;
    QString error;
};

inline SvgDocument ReadSvg(QIODevice& device) {
    SvgDocument document;
    QXmlStreamReader xml(&device);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        document.elements.push_back({xml.name().toString(), xml.attributes()});
        if (xml.name() == QLatin1String("text")) {
            document.texts << xml.readElementText();
        }
    }
    if (xml.hasError()) {
        document.error = xml.errorString() + " at line " + QString::number(xml.lineNumber());
    }
    return document;
}

inline SvgDocument ReadSvg(const fs::path& path) {
    QFile file(QtPath(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {{}, {}, QStringLiteral("cannot open")};
    }
    return ReadSvg(file);
}

/// Runs the script table `name`: each line is a case name, an action and its argument, then
/// aspect=value cells that must hold after the action. `act` carries the action out; `aspect`
/// tells what an aspect shows.
inline void RunScript(const char* name,
                      const std::function<void(const std::string&, const std::string&)>& act,
                      const std::function<std::string(const std::string&)>& aspect) {
    const std::vector<std::vector<std::string>> rows = ReadTable(Fixture(name));
    ASSERT_GT(rows.size(), 20u) << name;
    for (std::vector<std::string> row : rows) {
        row.resize(std::max(row.size(), std::size_t{3}));  // the argument may be left off
        SCOPED_TRACE(row[0] + ": " + row[1] + ' ' + row[2]);
        act(row[1], row[2]);
        for (std::size_t i = 3; i < row.size(); ++i) {
            const auto [shown, expected] = Split(row[i]);
            EXPECT_EQ(aspect(shown), expected) << shown;
        }
    }
}

}  // namespace runwell::ui::test_support
