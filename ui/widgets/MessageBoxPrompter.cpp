#include "ui/widgets/MessageBoxPrompter.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

/// The model's texts end their lines with CR LF; a label breaks lines at LF alone.
QString MessageText(const std::string& text) {
    QString shown = ToDisplay(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QMessageBox::Icon IconFor(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning:
            return QMessageBox::Warning;
        case MessageKind::Error:
            return QMessageBox::Critical;
        case MessageKind::Plain:
        case MessageKind::Notice:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void MessageBoxPrompter::ShowMessage(const std::string& text, MessageKind kind) {
    QMessageBox box(IconFor(kind), QCoreApplication::applicationName(), MessageText(text),
                    QMessageBox::Ok, owner_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool MessageBoxPrompter::AskOkCancel(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, ToDisplay(caption), MessageText(text),
                    QMessageBox::Ok | QMessageBox::Cancel, owner_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

SaveChoice MessageBoxPrompter::AskSaveDiscardCancel(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), MessageText(text),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, owner_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Save:
            return SaveChoice::Save;
        case QMessageBox::Discard:
            return SaveChoice::Discard;
        default:
            return SaveChoice::Cancel;
    }
}

}  // namespace runwell::ui
