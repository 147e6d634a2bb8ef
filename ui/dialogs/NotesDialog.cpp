#include "ui/dialogs/NotesDialog.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/widgets/DialogUnits.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {

NotesDialog::NotesDialog(std::string_view notes, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Device Notes"));
    const DialogUnits units = DialogUnits::Of(font());
    setFixedSize(units.Size(275, 156));

    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("notesText"));
    text->setGeometry(units.Rect(7, 7, 261, 119));
    text->setReadOnly(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The notes keep the CR LF line ends of the model; the editor breaks its lines at each.
    text->setPlainText(ToDisplay(notes));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(units.Rect(112, 135, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace runwell::ui
