// The message boxes the GUI shows for the core's messages and questions.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <optional>
#include <string>

#include "ModalProbe.h"
#include "ui/MessageBoxPrompter.h"

namespace runwell::ui {
namespace {

using test_support::AnswerModal;

struct Seen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
};

/// Records the box, then closes it with `button`.
std::function<void(QWidget*)> Answer(Seen& seen, QMessageBox::StandardButton button) {
    return [&seen, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                box->textFormat()};
        box->button(button)->click();
    };
}

TEST(MessageBoxPrompterTest, MessagesCarryTheApplicationNameAndTheIconOfTheirKind) {
    struct Case {
        MessageKind kind;
        QMessageBox::Icon icon;
    };
    // CR LF breaks the line; 0x80 is the euro sign of the code page; markup is shown as typed.
    const std::string text = "Line one\r\nline <b>two</b> \x80";
    for (const Case c : {Case{MessageKind::Plain, QMessageBox::NoIcon},
                         Case{MessageKind::Warning, QMessageBox::Warning},
                         Case{MessageKind::Error, QMessageBox::Critical}}) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        MessageBoxPrompter prompter;
        Seen seen;
        ASSERT_TRUE(AnswerModal([&] { prompter.ShowMessage(text, c.kind); },
                                Answer(seen, QMessageBox::Ok)));
        EXPECT_EQ(seen.title, QCoreApplication::applicationName());
        EXPECT_EQ(seen.text, QString::fromUtf8("Line one\nline <b>two</b> \u20AC"));
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

TEST(MessageBoxPrompterTest, QuestionsHaveNoIconTheirOwnCaptionAndOkOrCancel) {
    struct Case {
        QMessageBox::StandardButton press;
        bool answer;
    };
    for (const Case c : {Case{QMessageBox::Ok, true}, Case{QMessageBox::Cancel, false}}) {
        MessageBoxPrompter prompter;
        Seen seen;
        std::optional<bool> answer;
        ASSERT_TRUE(
            AnswerModal([&] { answer = prompter.AskOkCancel("Switching?  Continue?", "Warning"); },
                        Answer(seen, c.press)));
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(seen.title, QStringLiteral("Warning"));
        EXPECT_EQ(seen.text, QStringLiteral("Switching?  Continue?"));
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
        EXPECT_EQ(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    }
}

TEST(MessageBoxPrompterTest, EscapeAnswersCancel) {
    MessageBoxPrompter prompter;
    std::optional<bool> answer;
    ASSERT_TRUE(AnswerModal([&] { answer = prompter.AskOkCancel("Continue?", "Warning"); },
                            [](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }));
    EXPECT_EQ(answer, false);
}

}  // namespace
}  // namespace runwell::ui
