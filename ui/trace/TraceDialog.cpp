#include "ui/trace/TraceDialog.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "estimate/ModeComputation.h"
#include "session/Workspace.h"
#include "trace/TraceDecimation.h"
#include "trace/TraceProfile.h"
#include "trace/TraceText.h"
#include "ui/trace/TracePlot.h"
#include "ui/widgets/Fitting.h"

namespace runwell::ui {
namespace {

std::optional<std::filesystem::path>& NextFileName() {
    static std::optional<std::filesystem::path> next;
    return next;
}

QString Text(const std::string& text) { return QString::fromUtf8(text.c_str()); }

QTableWidget* Table(QWidget* parent, const char* name, const QStringList& headers) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

QDoubleSpinBox* Number(QWidget* parent, const char* name, double low, double high, int decimals,
                       const char* suffix) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSuffix(QString::fromLatin1(suffix));
    box->setKeyboardTracking(false);  // one analysis per finished edit, not per keystroke
    return box;
}

}  // namespace

TraceDialog::TraceDialog(Workspace& workspace, Prompter& prompter, QWidget* parent)
    : QDialog(parent), workspace_(workspace), prompter_(prompter) {
    setObjectName(QStringLiteral("traceDialog"));
    setWindowTitle(QStringLiteral("Import trace"));
    BuildControls();
}

void TraceDialog::SetNextFileName(std::optional<std::filesystem::path> path) {
    NextFileName() = std::move(path);
}

void TraceDialog::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    fileLabel_ = new QLabel(this);
    fileLabel_->setObjectName(QStringLiteral("fileLabel"));
    layout->addWidget(fileLabel_);

    layout->addLayout(BuildFormatRow());

    plot_ = new TracePlot(this);
    plot_->setObjectName(QStringLiteral("tracePlot"));
    layout->addWidget(plot_, 2);

    layout->addLayout(BuildRangeRow());

    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("statusLabel"));
    statusLabel_->setWordWrap(true);
    layout->addWidget(statusLabel_);

    layout->addLayout(BuildResultTables(), 2);
    layout->addLayout(BuildProfileRow());

    ConnectControls();
    // Its design size, within the screen's free area at any scale.
    resize(StartSize(QSize(900, 640), this));
}

QHBoxLayout* TraceDialog::BuildFormatRow() {
    auto* formatRow = new QHBoxLayout;
    timeUnitCombo_ = new QComboBox(this);
    timeUnitCombo_->setObjectName(QStringLiteral("timeUnitCombo"));
    timeUnitCombo_->addItems({QStringLiteral("from the header"), QStringLiteral("s"),
                              QStringLiteral("ms"), QStringLiteral("us")});
    currentUnitCombo_ = new QComboBox(this);
    currentUnitCombo_->setObjectName(QStringLiteral("currentUnitCombo"));
    currentUnitCombo_->addItems({QStringLiteral("from the header"), QStringLiteral("A"),
                                 QStringLiteral("mA"), QStringLiteral("uA"), QStringLiteral("nA")});
    rateEdit_ = Number(this, "rateEdit", 0.0, 1e12, 3, " Hz");
    rateEdit_->setSpecialValueText(QStringLiteral("time column"));
    readButton_ = new QPushButton(QStringLiteral("Read again"), this);
    readButton_->setObjectName(QStringLiteral("readButton"));
    readButton_->setAutoDefault(false);
    formatRow->addWidget(new QLabel(QStringLiteral("Time unit:"), this));
    formatRow->addWidget(timeUnitCombo_);
    formatRow->addWidget(new QLabel(QStringLiteral("Current unit:"), this));
    formatRow->addWidget(currentUnitCombo_);
    formatRow->addWidget(new QLabel(QStringLiteral("Sample rate:"), this));
    formatRow->addWidget(rateEdit_);
    formatRow->addWidget(readButton_);
    formatRow->addStretch();
    return formatRow;
}

QHBoxLayout* TraceDialog::BuildRangeRow() {
    auto* rangeRow = new QHBoxLayout;
    fromEdit_ = Number(this, "fromEdit", -1e12, 1e12, 6, " s");
    toEdit_ = Number(this, "toEdit", -1e12, 1e12, 6, " s");
    wholeButton_ = new QPushButton(QStringLiteral("Whole trace"), this);
    wholeButton_->setObjectName(QStringLiteral("wholeButton"));
    wholeButton_->setAutoDefault(false);
    rangeRow->addWidget(new QLabel(QStringLiteral("From:"), this));
    rangeRow->addWidget(fromEdit_);
    rangeRow->addWidget(new QLabel(QStringLiteral("To:"), this));
    rangeRow->addWidget(toEdit_);
    rangeRow->addWidget(wholeButton_);
    rangeRow->addStretch();
    return rangeRow;
}

QHBoxLayout* TraceDialog::BuildResultTables() {
    auto* results = new QHBoxLayout;
    figuresTable_ = Table(this, "figuresTable", {QStringLiteral("Figure"), QStringLiteral("Value")});
    figuresTable_->horizontalHeader()->hide();
    results->addWidget(figuresTable_, 1);
    batteryTable_ = Table(this, "batteryTable",
                          {QStringLiteral("Battery"), QStringLiteral("Capacity"),
                           QStringLiteral("Battery life"), QStringLiteral("Predicted life"),
                           QStringLiteral("Average"),
                           QStringLiteral("Peak")});
    results->addWidget(batteryTable_, 3);
    return results;
}

QHBoxLayout* TraceDialog::BuildProfileRow() {
    auto* buttons = new QHBoxLayout;
    toleranceEdit_ = Number(this, "toleranceEdit", 1.0, 1000.0, 1, " %");
    toleranceEdit_->setValue(Segmentation::kDefaultTolerance * 100.0);
    modesLabel_ = new QLabel(this);
    modesLabel_->setObjectName(QStringLiteral("modesLabel"));
    makeProfileButton_ = new QPushButton(QStringLiteral("Make profile"), this);
    makeProfileButton_->setObjectName(QStringLiteral("makeProfileButton"));
    makeProfileButton_->setAutoDefault(false);
    makeProfileButton_->setEnabled(false);
    closeButton_ = new QPushButton(QStringLiteral("Close"), this);
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    closeButton_->setAutoDefault(false);
    buttons->addWidget(new QLabel(QStringLiteral("Mode tolerance:"), this));
    buttons->addWidget(toleranceEdit_);
    buttons->addWidget(modesLabel_);
    buttons->addStretch();
    buttons->addWidget(makeProfileButton_);
    buttons->addWidget(closeButton_);
    return buttons;
}

void TraceDialog::ConnectControls() {
    connect(readButton_, &QPushButton::clicked, this, [this] {
        if (!path_.empty()) {
            OpenTrace(path_);
        }
    });
    connect(plot_, &TracePlot::rangeSelected, this, &TraceDialog::OnRangeSelected);
    connect(fromEdit_, &QDoubleSpinBox::valueChanged, this, [this] { Analyse(); });
    connect(toEdit_, &QDoubleSpinBox::valueChanged, this, [this] { Analyse(); });
    connect(toleranceEdit_, &QDoubleSpinBox::valueChanged, this, [this] { Analyse(); });
    connect(wholeButton_, &QPushButton::clicked, this, &TraceDialog::OnWholeTrace);
    connect(makeProfileButton_, &QPushButton::clicked, this, &TraceDialog::OnMakeProfile);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
}

bool TraceDialog::AskForTrace() {
    std::optional<std::filesystem::path> path = std::move(NextFileName());
    NextFileName().reset();
    if (!path) {
        const QString file = QFileDialog::getOpenFileName(
            this, QStringLiteral("Import trace"), QString(),
            QStringLiteral("Trace (*.csv *.txt);;All files (*)"));
        if (file.isEmpty()) {
            return false;
        }
        path = std::filesystem::path(QFile::encodeName(file).toStdString());
    }
    OpenTrace(*path);
    return true;
}

TraceFormat TraceDialog::Format() const {
    TraceFormat format;
    if (timeUnitCombo_->currentIndex() > 0) {
        format.timeUnit = static_cast<TimeUnit>(timeUnitCombo_->currentIndex() - 1);
    }
    if (currentUnitCombo_->currentIndex() > 0) {
        format.currentUnit = static_cast<CurrentUnit>(currentUnitCombo_->currentIndex() - 1);
    }
    format.sampleRate = rateEdit_->value();
    return format;
}

void TraceDialog::ShowRefusal(const std::string& message) {
    statusLabel_->setText(Text(message));
    figuresTable_->setRowCount(0);
    batteryTable_->setRowCount(0);
    modesLabel_->clear();
    modes_.clear();
    makeProfileButton_->setEnabled(false);
}

void TraceDialog::OpenTrace(const std::filesystem::path& path) {
    path_ = path;
    fileLabel_->setText(QString::fromStdString(path.filename().string()));
    TraceDecimator decimator;
    const Result<TraceAnalysis> whole = AnalyseTraceFile(path, Format(), {}, std::nullopt, &decimator);
    haveTrace_ = whole.ok();
    if (!whole) {
        plot_->SetBuckets({});
        ShowRefusal(whole.error().message);
        return;
    }
    fileLabel_->setText(QString::fromStdString(path.filename().string()) + QStringLiteral(": ") +
                        Text(TraceLayoutText(whole->read.layout)));
    plot_->SetBuckets(decimator.Buckets());
    traceStart_ = whole->statistics.start;
    traceEnd_ = whole->statistics.end;
    OnWholeTrace();
}

void TraceDialog::OnWholeTrace() {
    OnRangeSelected(traceStart_, traceEnd_);
}

void TraceDialog::OnRangeSelected(double from, double to) {
    // One analysis for both ends, not one per field.
    const QSignalBlocker blockFrom(fromEdit_);
    const QSignalBlocker blockTo(toEdit_);
    fromEdit_->setValue(from);
    toEdit_->setValue(to);
    Analyse();
}

void TraceDialog::Analyse() {
    if (!haveTrace_) {
        return;
    }
    // The fields round to their decimals; the trace's own ends are kept when they are shown.
    TraceRange range{fromEdit_->value(), toEdit_->value()};
    plot_->SetRange(*range.from, *range.to);
    const Result<TraceAnalysis> analysis = AnalyseTraceFile(
        path_, Format(), range, Segmentation{toleranceEdit_->value() / 100.0});
    if (!analysis) {
        ShowRefusal(analysis.error().message);
        return;
    }
    statusLabel_->setText(Text(MalformedLinesText(analysis->read)));

    const std::vector<TraceFigureLine> lines = TraceFigureLines(analysis->statistics);
    figuresTable_->setRowCount(static_cast<int>(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        figuresTable_->setItem(static_cast<int>(i), 0, new QTableWidgetItem(Text(lines[i].caption)));
        figuresTable_->setItem(static_cast<int>(i), 1, new QTableWidgetItem(Text(lines[i].value)));
    }

    const std::vector<TraceBatteryFigures> batteries =
        TraceFiguresOnEvery(analysis->statistics, workspace_.batteries(), workspace_.batteryModels(),
                            {workspace_.deratingTemperature(), workspace_.minimumVoltage()});
    batteryTable_->setRowCount(static_cast<int>(batteries.size()));
    for (std::size_t i = 0; i < batteries.size(); ++i) {
        const TraceBatteryFigures& b = batteries[i];
        const QStringList cells = {Text(b.description), Text(b.capacity), Text(b.lifeText),
                                   Text(b.deratedText), Text(b.averageText), Text(b.peakText)};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (static_cast<int>(i) == workspace_.batteryIndex()) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            if ((column == 4 && b.averageWarning) || (column == 5 && b.peakWarning)) {
                item->setForeground(QColor(255, 0, 0));
            }
            batteryTable_->setItem(static_cast<int>(i), column, item);
        }
    }
    batteryTable_->resizeColumnsToContents();

    const SleepCurrent sleep =
        LookupSleepCurrent(workspace_.device(), workspace_.voltage(), workspace_.temperature());
    modes_ = TraceModes(analysis->levels, sleep.nanoamps);
    modesLabel_->setText(Text(ModeCountText(modes_.size())));
    makeProfileButton_->setEnabled(!modes_.empty());
}

void TraceDialog::OnMakeProfile() {
    if (modes_.empty()) {
        return;
    }
    if (!workspace_.modes().empty() &&
        !prompter_.AskOkCancel(ReplaceProfileQuestion(workspace_.modes().size(), modes_.size()),
                               "Make profile")) {
        return;
    }
    const SleepCurrent sleep =
        LookupSleepCurrent(workspace_.device(), workspace_.voltage(), workspace_.temperature());
    if (sleep.warning) {
        prompter_.ShowMessage(*sleep.warning, MessageKind::Warning);
    }
    workspace_.SetModes(modes_);
    accept();
}

}  // namespace runwell::ui
