#include "ui/prediction/RegulatorDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <ostream>
#include <utility>

#include "files/SafeFile.h"
#include "platform/Platform.h"
#include "power/RegulatorText.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

constexpr RegulatorKind kKinds[] = {RegulatorKind::kLinear, RegulatorKind::kBuck,
                                    RegulatorKind::kBoost, RegulatorKind::kBuckBoost};

}  // namespace

Regulator NewRegulator() {
    Regulator regulator;
    regulator.name = "My regulator";
    regulator.kind = RegulatorKind::kLinear;
    regulator.quiescentMicroamps = 1.0;
    regulator.minimumInputVolts = 1.8;
    regulator.maximumInputVolts = 5.5;
    return regulator;
}

RegulatorDialog::RegulatorDialog(const Regulator& regulator,
                                 std::function<void(const std::string&)> showMessage,
                                 std::function<std::optional<std::filesystem::path>()> askSaveFile,
                                 QWidget* parent)
    : QDialog(parent),
      regulator_(regulator),
      showMessage_(std::move(showMessage)),
      askSaveFile_(std::move(askSaveFile)) {
    setObjectName(QStringLiteral("regulatorDialog"));
    setWindowTitle(QStringLiteral("Regulator"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(CreateForm(regulator));

    dropout_ = AddTable("regulatorDropout",
                        "Dropout (V) against load (mA):", PointsText(regulator.dropoutVsLoadMa),
                        "A point a line: load_mA dropout_V");
    dropoutBox_ = dropout_->parentWidget();
    efficiency_ =
        AddTable("regulatorEfficiency", "Efficiency against load (mA), a curve for each input (V):",
                 CurvesText(regulator.efficiency),
                 "Each curve's input voltage on a line of its own, then its points a "
                 "line each: load_mA efficiency (0 to 1)");
    efficiencyBox_ = efficiency_->parentWidget();
    auto* tables = new QHBoxLayout;
    tables->addWidget(dropoutBox_);
    tables->addWidget(efficiencyBox_);
    layout->addLayout(tables, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("regulatorOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("regulatorCancel"));
    QPushButton* save =
        buttons->addButton(QStringLiteral("Save as..."), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("regulatorSave"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &RegulatorDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RegulatorDialog::reject);
    connect(save, &QPushButton::clicked, this, [this] { Save(); });
    connect(kind_, &QComboBox::currentIndexChanged, this, [this] { ShowKind(); });
    ShowKind();
}

QFormLayout* RegulatorDialog::CreateForm(const Regulator& regulator) {
    auto* form = new QFormLayout;
    name_ = AddField("regulatorName", regulator.name);
    form->addRow(QStringLiteral("Name:"), name_);
    part_ = AddField("regulatorPart", regulator.part);
    form->addRow(QStringLiteral("Part:"), part_);
    sources_ = AddField("regulatorSources", regulator.sources);
    sources_->setPlaceholderText(QStringLiteral("Maker, datasheet number and revision"));
    form->addRow(QStringLiteral("Sources:"), sources_);
    kind_ = new QComboBox(this);
    kind_->setObjectName(QStringLiteral("regulatorKind"));
    for (const RegulatorKind kind : kKinds) {
        kind_->addItem(ToDisplay(RegulatorKindName(kind)));
    }
    kind_->setCurrentIndex(static_cast<int>(regulator.kind));
    form->addRow(QStringLiteral("Kind:"), kind_);
    quiescent_ = AddField("regulatorQuiescent", ExactNumberText(regulator.quiescentMicroamps));
    form->addRow(QStringLiteral("Quiescent current (uA):"), quiescent_);
    minimumInput_ = AddField("regulatorMinimumInput", ExactNumberText(regulator.minimumInputVolts));
    form->addRow(QStringLiteral("Minimum input (V):"), minimumInput_);
    maximumInput_ = AddField("regulatorMaximumInput", ExactNumberText(regulator.maximumInputVolts));
    form->addRow(QStringLiteral("Maximum input (V):"), maximumInput_);
    fixedOutput_ = AddField(
        "regulatorFixedOutput",
        regulator.fixedOutputVolts ? ExactNumberText(*regulator.fixedOutputVolts) : std::string());
    fixedOutput_->setPlaceholderText(QStringLiteral("adjustable"));
    form->addRow(QStringLiteral("Fixed output (V):"), fixedOutput_);
    return form;
}

QLineEdit* RegulatorDialog::AddField(const char* name, const std::string& text) {
    auto* field = new QLineEdit(ToDisplay(text), this);
    field->setObjectName(QString::fromLatin1(name));
    return field;
}

QPlainTextEdit* RegulatorDialog::AddTable(const char* name, const char* label,
                                          const std::string& text, const char* placeholder) {
    // The label and the table in one box, shown or hidden with the kind.
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    auto* table = new QPlainTextEdit(ToDisplay(text), box);
    table->setObjectName(QString::fromLatin1(name));
    table->setPlaceholderText(QString::fromLatin1(placeholder));
    table->setToolTip(table->placeholderText());
    table->setTabChangesFocus(true);
    column->addWidget(new QLabel(QString::fromLatin1(label), box));
    column->addWidget(table);
    return table;
}

void RegulatorDialog::ShowKind() {
    const auto kind = static_cast<RegulatorKind>(kind_->currentIndex());
    dropoutBox_->setVisible(HasDropoutTable(kind));
    efficiencyBox_->setVisible(HasEfficiencyCurves(kind));
}

Status RegulatorDialog::ReadFigures(Regulator& regulator) const {
    const std::pair<const QLineEdit*, std::pair<const char*, double*>> figures[] = {
        {quiescent_, {"Quiescent current (uA)", &regulator.quiescentMicroamps}},
        {minimumInput_, {"Minimum input (V)", &regulator.minimumInputVolts}},
        {maximumInput_, {"Maximum input (V)", &regulator.maximumInputVolts}}};
    for (const auto& [field, target] : figures) {
        Result<double> figure = ReadFigureField(FromDisplay(field->text()), target.first);
        if (!figure) {
            return figure.error();
        }
        *target.second = *figure;
    }
    Result<std::optional<double>> fixed =
        ReadOptionalFigureField(FromDisplay(fixedOutput_->text()), "Fixed output (V)");
    if (!fixed) {
        return fixed.error();
    }
    regulator.fixedOutputVolts = *fixed;
    return {};
}

Result<Regulator> RegulatorDialog::Read() const {
    Regulator regulator;
    regulator.name = FromDisplay(name_->text());
    regulator.part = FromDisplay(part_->text());
    regulator.sources = FromDisplay(sources_->text());
    regulator.kind = static_cast<RegulatorKind>(kind_->currentIndex());
    if (Status figures = ReadFigures(regulator); !figures) {
        return figures.error();
    }
    // Only the kind's own tables are read: the other's text waits in its hidden field.
    if (HasDropoutTable(regulator.kind)) {
        Result<InterpolationTable> dropout =
            ReadPointsText(FromDisplay(dropout_->toPlainText()), "Dropout");
        if (!dropout) {
            return dropout.error();
        }
        regulator.dropoutVsLoadMa = std::move(*dropout);
    }
    if (HasEfficiencyCurves(regulator.kind)) {
        Result<std::vector<EfficiencyCurve>> curves =
            ReadCurvesText(FromDisplay(efficiency_->toPlainText()), "Efficiency");
        if (!curves) {
            return curves.error();
        }
        regulator.efficiency = std::move(*curves);
    }
    // The file's own reader holds every rule, so the editor takes what a file could hold.
    return ParseRegulator(WriteRegulator(regulator));
}

void RegulatorDialog::Show(const std::string& text) const {
    if (showMessage_) {
        showMessage_(text);
    }
}

void RegulatorDialog::accept() {
    Result<Regulator> regulator = Read();
    if (!regulator) {
        Show("The regulator cannot be used: " + regulator.error().message);
        return;
    }
    regulator_ = std::move(*regulator);
    QDialog::accept();
}

void RegulatorDialog::Save() {
    const Result<Regulator> regulator = Read();
    if (!regulator) {
        Show("The regulator cannot be saved: " + regulator.error().message);
        return;
    }
    const std::optional<std::filesystem::path> file = askSaveFile_ ? askSaveFile_() : std::nullopt;
    if (!file) {
        return;
    }
    const Status written = WriteFileSafely(*file, [&](std::ostream& out) {
        out << WriteRegulator(*regulator);
        return static_cast<bool>(out);
    });
    if (!written) {
        Show("The regulator file " + PathToUtf8(file->filename()) +
             " cannot be written: " + written.error().message);
    }
}

}  // namespace runwell::ui
