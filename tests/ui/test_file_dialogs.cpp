// The toolkit's save dialogs ask before replacing a file: declining the question and then
// cancelling the dialog leaves the file byte for byte; agreeing gives its path.

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <fstream>

#include "UiTestSupport.h"

namespace runwell::ui {
namespace {

using namespace test_support;

/// Runs `ask` on a real dialog: types `file` and accepts, answers the replace question with
/// `replace`, and when declined cancels the dialog. Returns the dialog's answer and the question.
std::pair<std::optional<fs::path>, std::string> AskReplacing(
    const std::function<std::optional<fs::path>()>& ask, const fs::path& file,
    QMessageBox::StandardButton replace) {
    std::optional<fs::path> chosen;
    std::string question;
    AnswerModal([&] { chosen = ask(); },
                [&](QWidget* modal) {
                    auto* dialog = qobject_cast<QFileDialog*>(modal);
                    ASSERT_NE(dialog, nullptr);
                    dialog->selectFile(QtPath(file));
                    // selectFile leaves the name field alone while it has the focus, as it has
                    // once the window system has activated the dialog, which may or may not
                    // have happened by now: type the name into the field as the user would.
                    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
                    ASSERT_NE(name, nullptr);
                    name->setText(QtPath(file));
                    AnswerModal([dialog] { QMetaObject::invokeMethod(dialog, "accept"); },
                                [&](QWidget* box) {
                                    auto* message = qobject_cast<QMessageBox*>(box);
                                    ASSERT_NE(message, nullptr);
                                    question = message->text().toStdString();
                                    message->button(replace)->click();
                                },
                                dialog);
                    if (dialog->isVisible()) {
                        dialog->reject();
                    }
                });
    return {chosen, question};
}

TEST(FileDialogs, SavesAskBeforeReplacingAFile) {
    const DataFolder folder;
    QtFileDialogs dialogs;
    const std::function<std::optional<fs::path>()> asks[] = {
        [&] { return dialogs.AskSaveSettings(nullptr); },
        [&] { return dialogs.AskCreateReport(nullptr); },
        [&] { return dialogs.AskSaveRegulator(nullptr); }};
    for (const auto& ask : asks) {
        const fs::path file = folder.path / "existing.set";
        std::ofstream(file, std::ios::binary) << std::string("\x03old\0\x01", 6);
        const auto before = ReadWholeFile(file);
        const auto [declined, question] = AskReplacing(ask, file, QMessageBox::No);
        EXPECT_FALSE(declined);
        EXPECT_NE(question.find("existing.set"), std::string::npos) << question;
        EXPECT_EQ(ReadWholeFile(file), before);
        const auto [agreed, asked] = AskReplacing(ask, file, QMessageBox::Yes);
        EXPECT_EQ(agreed.value_or(""), file);
        EXPECT_EQ(asked, question);
    }
}

}  // namespace
}  // namespace runwell::ui
