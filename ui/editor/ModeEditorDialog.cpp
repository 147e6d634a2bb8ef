#include "ui/editor/ModeEditorDialog.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStringList>
#include <algorithm>
#include <iterator>
#include <utility>

#include "estimate/ModeComputation.h"
#include "ui/editor/NoticeLabel.h"
#include "ui/widgets/DialogUnits.h"
#include "ui/widgets/Fitting.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

// The dialog's size and margin in dialog units.
constexpr int kWidthUnits = 293;
constexpr int kHeightUnits = 282;
constexpr int kMarginUnits = 7;

void Append(std::vector<std::string>& to, std::vector<std::string> from) {
    std::move(from.begin(), from.end(), std::back_inserter(to));
}

/// Refills `combo` only when its entries differ, so a redisplay keeps an open list as it is.
void ShowEntries(QComboBox* combo, const std::vector<std::string>& texts, int selected) {
    bool same = combo->count() == static_cast<int>(texts.size());
    for (int i = 0; same && i < combo->count(); ++i) {
        same = combo->itemText(i) == ToDisplay(texts[static_cast<std::size_t>(i)]);
    }
    if (!same) {
        QStringList entries;
        for (const std::string& text : texts) {
            entries << ToDisplay(text);
        }
        combo->clear();
        combo->addItems(entries);
    }
    combo->setCurrentIndex(selected);
}

/// Sets the text only when it differs, so the cursor stays where the user left it.
void ShowText(QLineEdit* edit, const std::string& bytes) {
    const QString text = ToDisplay(bytes);
    if (edit->text() != text) {
        edit->setText(text);
        edit->setCursorPosition(0);
    }
}

}  // namespace

ModeEditorDialog::ModeEditorDialog(const DeviceData& device, const std::string& voltage,
                                   const std::string& temperature, const ModeRecord* source,
                                   Prompter& prompter, QWidget* parent)
    : QDialog(parent), editor_(device, voltage, temperature, source), prompter_(prompter) {
    setWindowTitle(QStringLiteral("Add/Modify mode"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    BuildControls();
    ApplyLayout();

    nameEdit_->setText(ToDisplay(editor_.name()));
    Redisplay();
    durationNotice_->Show(DurationNotice(DurationField(), durationUnitCombo_->currentIndex()));
    durationEdit_->setFocus();
}

void ModeEditorDialog::BuildControls() {
    // Positions in dialog units. A combo's height is that of its closed box: the drop-down list
    // sizes itself.
    BuildSettingsGroups();
    BuildPowerGroupAndButtons();
    ConnectControls();
}

void ModeEditorDialog::BuildSettingsGroups() {
    Place(new QGroupBox(QStringLiteral("Mode Settings"), this), 7, 7, 279, 70);
    Place(new QLabel(QStringLiteral("Duration"), this), 20, 19, 28, 8);
    durationEdit_ = new QLineEdit(this);
    durationEdit_->setObjectName(QStringLiteral("durationEdit"));
    Place(durationEdit_, 19, 28, 61, 13);
    durationUnitCombo_ = new QComboBox(this);
    durationUnitCombo_->setObjectName(QStringLiteral("durationUnitCombo"));
    for (const char* unit : kDurationUnits) {
        durationUnitCombo_->addItem(QString::fromLatin1(unit));
    }
    Place(durationUnitCombo_, 81, 28, 37, 13);
    Place(new QLabel(QStringLiteral("Additional System Current (optional)"), this), 133, 19, 117,
          8);
    systemCurrentEdit_ = new QLineEdit(this);
    systemCurrentEdit_->setObjectName(QStringLiteral("systemCurrentEdit"));
    Place(systemCurrentEdit_, 132, 28, 61, 13);
    systemCurrentUnitCombo_ = new QComboBox(this);
    systemCurrentUnitCombo_->setObjectName(QStringLiteral("systemCurrentUnitCombo"));
    for (const char* unit : kCurrentUnits) {
        systemCurrentUnitCombo_->addItem(QString::fromLatin1(unit));
    }
    Place(systemCurrentUnitCombo_, 194, 28, 37, 13);
    Place(new QLabel(QStringLiteral("Name (optional)"), this), 21, 47, 52, 8);
    durationNotice_ = new NoticeLabel(this);  // beside the name's label, under the duration
    durationNotice_->setObjectName(QStringLiteral("durationNotice"));
    Place(durationNotice_, 76, 47, 205, 8);
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    Place(nameEdit_, 20, 56, 261, 14);

    Place(new QGroupBox(QStringLiteral("Tessel Microcontroller Settings"), this), 7, 78, 279, 105);
    Place(new QLabel(QStringLiteral("Tessel Operating Mode"), this), 20, 92, 66, 8);
    // The lists keep the editor's order (it sorts) and are read only through the selected entry.
    operatingModeCombo_ = new QComboBox(this);
    operatingModeCombo_->setObjectName(QStringLiteral("operatingModeCombo"));
    Place(operatingModeCombo_, 19, 101, 102, 13);
    Place(new QLabel(QStringLiteral("Clock Frequency"), this), 20, 125, 54, 8);
    frequencyCombo_ = new QComboBox(this);
    frequencyCombo_->setObjectName(QStringLiteral("frequencyCombo"));
    Place(frequencyCombo_, 19, 134, 102, 13);
    Place(new QLabel(QStringLiteral("Peripherals"), this), 136, 92, 36, 8);
    peripheralsList_ = new QListWidget(this);
    peripheralsList_->setObjectName(QStringLiteral("peripheralsList"));
    peripheralsList_->setSelectionMode(QAbstractItemView::MultiSelection);  // a click toggles one
    Place(peripheralsList_, 134, 101, 146, 69);
}

void ModeEditorDialog::BuildPowerGroupAndButtons() {
    Place(new QGroupBox(QStringLiteral("Power Consumption"), this), 7, 185, 279, 69);
    const auto resultField = [this](const char* name) {
        auto* field = new ElidedField(this);
        field->setObjectName(QString::fromLatin1(name));
        field->setFocusPolicy(Qt::ClickFocus);  // can be selected and copied, but no tab stop
        return field;
    };
    Place(new QLabel(QStringLiteral("Microcontroller Charge"), this), 19, 199, 73, 8);
    controllerChargeField_ = resultField("controllerChargeField");
    Place(controllerChargeField_, 18, 208, 121, 14);
    Place(new QLabel(QStringLiteral("Total Charge (uC + System)"), this), 19, 226, 91, 8);
    totalChargeField_ = resultField("totalChargeField");
    Place(totalChargeField_, 18, 235, 121, 14);
    Place(new QLabel(QStringLiteral("Microcontroller Current"), this), 153, 199, 74, 8);
    controllerCurrentField_ = resultField("controllerCurrentField");
    Place(controllerCurrentField_, 152, 208, 122, 14);
    Place(new QLabel(QStringLiteral("Total Current (uC + System)"), this), 153, 226, 92, 8);
    totalCurrentField_ = resultField("totalCurrentField");
    Place(totalCurrentField_, 153, 235, 121, 14);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setDefault(true);
    Place(okButton_, 90, 261, 50, 14);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    Place(cancelButton_, 152, 261, 50, 14);
    // A click on OK or Cancel leaves the focus where it is: OK reads the fields itself and Cancel
    // must not commit them, so neither may cause a focus-loss commit first.
    okButton_->setFocusPolicy(Qt::TabFocus);
    cancelButton_->setFocusPolicy(Qt::TabFocus);
}

void ModeEditorDialog::ConnectControls() {
    QWidget::setTabOrder(durationEdit_, durationUnitCombo_);
    QWidget::setTabOrder(durationUnitCombo_, systemCurrentEdit_);
    QWidget::setTabOrder(systemCurrentEdit_, systemCurrentUnitCombo_);
    QWidget::setTabOrder(systemCurrentUnitCombo_, nameEdit_);
    QWidget::setTabOrder(nameEdit_, operatingModeCombo_);
    QWidget::setTabOrder(operatingModeCombo_, frequencyCombo_);
    QWidget::setTabOrder(frequencyCombo_, peripheralsList_);
    QWidget::setTabOrder(peripheralsList_, okButton_);
    QWidget::setTabOrder(okButton_, cancelButton_);

    connect(operatingModeCombo_, &QComboBox::activated, this,
            &ModeEditorDialog::OnOperatingModeActivated);
    connect(frequencyCombo_, &QComboBox::activated, this, &ModeEditorDialog::OnFrequencyActivated);
    connect(peripheralsList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ModeEditorDialog::OnPeripheralSelectionChanged);
    connect(durationUnitCombo_, &QComboBox::activated, this, &ModeEditorDialog::OnDurationCommit);
    connect(systemCurrentUnitCombo_, &QComboBox::activated, this,
            &ModeEditorDialog::OnSystemCurrentCommit);
    durationEdit_->installEventFilter(this);
    systemCurrentEdit_->installEventFilter(this);
    connect(okButton_, &QPushButton::clicked, this, &ModeEditorDialog::OnConfirm);
    connect(cancelButton_, &QPushButton::clicked, this, &ModeEditorDialog::reject);
}

void ModeEditorDialog::Place(QWidget* widget, int x, int y, int width, int height) {
    placements_.push_back({widget, QRect(x, y, width, height)});
}

void ModeEditorDialog::ApplyLayout() {
    const DialogUnits units = DialogUnits::Of(font());
    int right = units.X(kWidthUnits - kMarginUnits);
    int bottom = units.Y(kHeightUnits - kMarginUnits);
    for (const Placement& placement : placements_) {
        QWidget* widget = placement.widget;
        const QRect& du = placement.dialogUnits;
        QRect pixels = units.Rect(du.x(), du.y(), du.width(), du.height());
        // Texts stay readable whatever the font: no caption or control is made smaller than
        // the font in use needs.
        const QSize needed = qobject_cast<QLabel*>(widget) || qobject_cast<QPushButton*>(widget)
                                 ? widget->sizeHint()
                                 : widget->minimumSizeHint();
        pixels.setWidth(std::max(pixels.width(), needed.width()));
        pixels.setHeight(std::max(pixels.height(), needed.height()));
        widget->setGeometry(pixels);
        right = std::max(right, pixels.right() + 1);
        bottom = std::max(bottom, pixels.bottom() + 1);
    }
    setFixedSize(right + units.X(kMarginUnits), bottom + units.Y(kMarginUnits));
}

void ModeEditorDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        ApplyLayout();
    }
}

void ModeEditorDialog::showEvent(QShowEvent* event) {
    closing_ = false;
    QDialog::showEvent(event);
}

void ModeEditorDialog::done(int result) {
    // Hiding takes the focus from the field it is in; that is no commit.
    closing_ = true;
    QDialog::done(result);
}

bool ModeEditorDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !closing_) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window taking over (a message box, another program) or a popup opening is not
        // the user leaving the field: the commit follows when the focus moves on inside the
        // dialog, or OK reads the field.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == durationEdit_) {
                OnDurationCommit();
            } else if (watched == systemCurrentEdit_) {
                OnSystemCurrentCommit();
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ModeEditorDialog::ShowOpeningWarnings() {
    ShowWarnings(editor_.openingWarnings());
}

void ModeEditorDialog::OnOperatingModeActivated(int index) {
    const std::vector<std::string> warnings = editor_.SelectOperatingMode(index);
    Redisplay();
    ShowWarnings(warnings);
}

void ModeEditorDialog::OnFrequencyActivated(int index) {
    const std::vector<std::string> warnings = editor_.SelectFrequency(index);
    Redisplay();
    ShowWarnings(warnings);
}

void ModeEditorDialog::OnPeripheralSelectionChanged(const QItemSelection& selected,
                                                    const QItemSelection& deselected) {
    if (redisplaying_) {
        return;
    }
    // Only the entries the user toggled are forwarded (one per click; a drag toggles several):
    // the rest of the list may still show a variant the editor has just switched off.
    std::vector<std::string> warnings;
    for (const QModelIndex& index : deselected.indexes()) {
        Append(warnings, editor_.SetPeripheralSelected(index.row(), false));
    }
    for (const QModelIndex& index : selected.indexes()) {
        Append(warnings, editor_.SetPeripheralSelected(index.row(), true));
    }
    Redisplay();
    ShowWarnings(warnings);
}

void ModeEditorDialog::OnDurationCommit() {
    const std::vector<std::string> warnings = editor_.CommitDuration(
        DurationField(), SystemCurrentField(), durationUnitCombo_->currentIndex());
    MarkFieldsCommitted();
    Redisplay();
    durationNotice_->Show(DurationNotice(DurationField(), durationUnitCombo_->currentIndex()));
    ShowWarnings(warnings);
}

void ModeEditorDialog::OnSystemCurrentCommit() {
    const std::vector<std::string> warnings = editor_.CommitSystemCurrent(
        DurationField(), SystemCurrentField(), systemCurrentUnitCombo_->currentIndex());
    MarkFieldsCommitted();
    Redisplay();
    ShowWarnings(warnings);
}

void ModeEditorDialog::OnConfirm() {
    ModeEditor::Confirmation confirmation =
        editor_.Confirm(DurationField(), SystemCurrentField(), FromDisplay(nameEdit_->text()));
    if (!confirmation.record) {
        // Nothing changed: the fields keep what the user typed and the dialog stays open.
        ShowWarnings(confirmation.warnings);
        prompter_.ShowMessage(confirmation.refusal, MessageKind::Warning);
        return;
    }
    confirmed_ = std::move(confirmation.record);
    MarkFieldsCommitted();
    Redisplay();
    ShowWarnings(confirmation.warnings);
    accept();
}

void ModeEditorDialog::Redisplay() {
    const QScopedValueRollback<bool> guard(redisplaying_, true);
    ShowEntries(operatingModeCombo_, editor_.operatingModes(), editor_.operatingModeIndex());
    ShowEntries(frequencyCombo_, editor_.frequencies(), editor_.frequencyIndex());
    frequencyCombo_->setEnabled(editor_.frequencyEnabled());

    // The list is rebuilt only when its entries change, so a toggle keeps the scroll position.
    const std::vector<PeripheralEntry>& entries = editor_.peripherals();
    bool same = peripheralsList_->count() == static_cast<int>(entries.size());
    for (int row = 0; same && row < peripheralsList_->count(); ++row) {
        same = peripheralsList_->item(row)->text() ==
               ToDisplay(entries[static_cast<std::size_t>(row)].text);
    }
    if (!same) {
        peripheralsList_->clear();
        for (const PeripheralEntry& entry : entries) {
            peripheralsList_->addItem(ToDisplay(entry.text));
        }
    }
    for (int row = 0; row < peripheralsList_->count(); ++row) {
        QListWidgetItem* item = peripheralsList_->item(row);
        const bool selected = entries[static_cast<std::size_t>(row)].selected;
        if (item->isSelected() != selected) {
            item->setSelected(selected);
        }
    }

    // A field typed into and not yet committed keeps what the user typed.
    if (!durationEdit_->isModified()) {
        ShowText(durationEdit_, editor_.durationText());
    }
    durationUnitCombo_->setCurrentIndex(editor_.durationUnit());
    if (!systemCurrentEdit_->isModified()) {
        ShowText(systemCurrentEdit_, editor_.systemCurrentText());
    }
    systemCurrentUnitCombo_->setCurrentIndex(editor_.systemCurrentUnit());
    ShowText(controllerCurrentField_, editor_.controllerCurrentText());
    ShowText(totalCurrentField_, editor_.totalCurrentText());
    ShowText(controllerChargeField_, editor_.controllerChargeText());
    ShowText(totalChargeField_, editor_.totalChargeText());
}

void ModeEditorDialog::ShowWarnings(const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings) {
        prompter_.ShowMessage(warning, MessageKind::Warning);
    }
}

void ModeEditorDialog::MarkFieldsCommitted() {
    // Every commit hands the editor both texts.
    durationEdit_->setModified(false);
    systemCurrentEdit_->setModified(false);
}

std::string ModeEditorDialog::DurationField() const {
    return FromDisplay(durationEdit_->text());
}

std::string ModeEditorDialog::SystemCurrentField() const {
    return FromDisplay(systemCurrentEdit_->text());
}

std::optional<ModeRecord> DialogModeEditorLauncher::Edit(QWidget* parent, const DeviceData& device,
                                                         const std::string& voltage,
                                                         const std::string& temperature,
                                                         const ModeRecord* source,
                                                         Prompter& prompter) {
    ModeEditorDialog dialog(device, voltage, temperature, source, prompter, parent);
    // Shown before the opening warnings so they appear over the dialog they concern.
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    dialog.ShowOpeningWarnings();
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.confirmedRecord();
}

}  // namespace runwell::ui
