#include "ui/prediction/ModeSpreadDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <utility>

#include "prediction/ModeSpreads.h"
#include "session/Workspace.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {

ModeSpreadDialog::ModeSpreadDialog(const Workspace& workspace,
                                   std::function<void(const std::string&)> showMessage,
                                   QWidget* parent)
    : QDialog(parent),
      modes_(workspace.modes()),
      options_(workspace.predictionOptions()),
      showMessage_(std::move(showMessage)) {
    setObjectName(QStringLiteral("modeSpreadDialog"));
    setWindowTitle(QStringLiteral("Spread per mode"));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(ToDisplay(ModeSpreadNote(options_)), this);
    note->setWordWrap(true);
    layout->addWidget(note);

    // A profile of many modes scrolls rather than outgrowing the screen.
    auto* rows = new QWidget;
    auto* grid = new QGridLayout(rows);
    const std::vector<ModeSpreadRow> shown = ModeSpreadRows(modes_, options_);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const QString number = QString::number(i + 1);
        auto* label = new QLabel(ToDisplay(shown[i].mode), rows);
        label->setObjectName(QStringLiteral("modeSpreadLabel") + number);
        auto* field = new QLineEdit(ToDisplay(shown[i].text), rows);
        field->setObjectName(QStringLiteral("modeSpread") + number);
        field->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("1000.00")) + 16);
        label->setBuddy(field);
        grid->addWidget(label, static_cast<int>(i), 0);
        grid->addWidget(field, static_cast<int>(i), 1);
        fields_.push_back(field);
    }
    grid->setColumnStretch(0, 1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(rows);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    layout->addWidget(scroll, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("modeSpreadOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("modeSpreadCancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ModeSpreadDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ModeSpreadDialog::reject);
}

void ModeSpreadDialog::accept() {
    std::vector<std::string> texts;
    texts.reserve(fields_.size());
    for (const QLineEdit* field : fields_) {
        texts.push_back(FromDisplay(field->text()));
    }
    Result<PredictionOptions> options = WithModeSpreadTexts(options_, modes_, texts);
    if (!options) {
        if (showMessage_) {
            showMessage_(options.error().message);
        }
        return;
    }
    options_ = std::move(*options);
    QDialog::accept();
}

}  // namespace runwell::ui
