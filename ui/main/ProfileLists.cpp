#include "ui/main/ProfileLists.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <algorithm>
#include <optional>
#include <vector>

#include "estimate/ModeComputation.h"
#include "session/Workspace.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

struct Column {
    const char* heading;
    int divisor;  // the column is the list's width divided by this; 1 for the last column
};

constexpr std::array<Column, 7> kModeColumns = {{{"Label", 8},
                                                 {"Mode", 8},
                                                 {"Frequency", 6},
                                                 {"Time", 8},
                                                 {"Current", 8},
                                                 {"Charge", 8},
                                                 {"Peripherals", 1}}};
constexpr std::array<Column, 7> kBatteryColumns = {{{"Description", 6},
                                                    {"Capacity", 8},
                                                    {"Self-discharge", 5},
                                                    {"Nominal V", 9},
                                                    {"Max cont. I", 8},
                                                    {"Max pulse I", 8},
                                                    {"Notes", 1}}};

/// Column widths come from the list's outer width at this moment, as integer fractions of it;
/// the user may resize them, and the last column takes up the room the others leave, so an empty
/// list never scrolls sideways.
void SetColumns(QTableWidget* list, const std::array<Column, 7>& columns) {
    const int width = list->width();
    list->setColumnCount(static_cast<int>(columns.size()));
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const Column& column = columns[static_cast<std::size_t>(i)];
        list->setHorizontalHeaderItem(i, new QTableWidgetItem(QString::fromLatin1(column.heading)));
        if (column.divisor > 1) {
            list->setColumnWidth(i, width / column.divisor);
        }
    }
    list->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    list->horizontalHeader()->setStretchLastSection(true);
}

/// Sizes the columns but the last to their longest text (the heading's included), each to at
/// most a third of the room; where they would leave the last column less room than it takes,
/// all are narrowed alike, so the list never scrolls sideways. A cut text shows
/// whole in its tooltip (ClickList).
void FitColumnsToText(QTableWidget* list, const std::vector<int>* textWidths = nullptr) {
    const int count = list->columnCount();
    if (count < 2) {
        return;
    }
    // The room inside the frame, less a vertical scroll bar's, whether it shows yet or not.
    const int room =
        list->maximumViewportSize().width() - list->verticalScrollBar()->sizeHint().width();
    const QHeaderView* header = list->horizontalHeader();
    const QAbstractItemView* view = list;  // QTableView hides the view's public size hint
    std::vector<int> widths;
    int total = 0;
    for (int i = 0; i < count - 1; ++i) {
        const int widest = textWidths != nullptr ? (*textWidths)[static_cast<std::size_t>(i)]
                                                 : view->sizeHintForColumn(i);
        const int text = std::max(widest, header->sectionSizeHint(i));
        widths.push_back(std::min(text, room / 3));
        total += widths.back();
    }
    // The stretched last column gets no narrower than the header's default section.
    const int last = std::max({header->sectionSizeHint(count - 1), header->minimumSectionSize(),
                               header->defaultSectionSize()});
    const int fits = std::max(0, room - last);
    for (int i = 0; i < count - 1; ++i) {
        const int width = widths[static_cast<std::size_t>(i)];
        list->setColumnWidth(i, total > fits ? width * fits / total : width);
    }
}

/// The outer height of `list` when it shows its header and `rows` rows.
int ListHeightFor(const QTableWidget* list, int rows) {
    return list->horizontalHeader()->sizeHint().height() +
           rows * list->verticalHeader()->defaultSectionSize() + 2 * list->frameWidth();
}

QTableWidgetItem* CellItem(const std::string& text) {
    auto* item = new QTableWidgetItem(ToDisplay(text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

template <std::size_t N>
void SetRow(QTableWidget* list, int row, const std::array<std::string, N>& cells) {
    for (std::size_t column = 0; column < N; ++column) {
        list->setItem(row, static_cast<int>(column), CellItem(cells[column]));
    }
}

/// Shows `hotRow` (or none, for -1) in bold and every other row in the list's own font.
void MarkHotRow(QTableWidget* list, int hotRow) {
    QFont normal = list->font();
    QFont bold = normal;
    normal.setBold(false);
    bold.setBold(true);
    for (int row = 0; row < list->rowCount(); ++row) {
        // A row that was never marked shows the list's own font: with thousands of rows, only
        // the hot row and a row marked before need their fonts looked at.
        const QTableWidgetItem* first = list->item(row, 0);
        if (row != hotRow && first != nullptr && !first->data(Qt::FontRole).isValid()) {
            continue;
        }
        for (int column = 0; column < list->columnCount(); ++column) {
            if (QTableWidgetItem* item = list->item(row, column)) {
                const QFont& wanted = row == hotRow ? bold : normal;
                if (item->font() != wanted) {
                    item->setFont(wanted);
                }
            }
        }
    }
}

}  // namespace

void ProfileLists::Configure(QTableWidget* list, const char* name) {
    list->setObjectName(QString::fromLatin1(name));
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->horizontalHeader()->setHighlightSections(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->setWordWrap(false);
    list->setTabKeyNavigation(false);
    list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

ProfileLists::ProfileLists(QTableWidget* batteryList, QTableWidget* modeList)
    : batteryList_(batteryList), modeList_(modeList) {}

void ProfileLists::CreateColumns() {
    SetColumns(modeList_, kModeColumns);
    SetColumns(batteryList_, kBatteryColumns);
}

int ProfileLists::HeightFor(int rows) const {
    return std::max(ListHeightFor(batteryList_, rows), ListHeightFor(modeList_, rows));
}

void ProfileLists::ShowBatteries(const std::vector<std::array<std::string, 7>>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        batteryList_->insertRow(static_cast<int>(i));
        SetRow(batteryList_, static_cast<int>(i), rows[i]);
    }
    FitColumnsToText(batteryList_);
}

void ProfileLists::FitColumns() {
    FitColumnsToText(batteryList_);
    // After a change of size, perhaps of screen and font: every row is measured again.
    modeTextWidths_.resize(MeasuredModeRows());
    for (std::size_t row = 0; row < modeTextWidths_.size(); ++row) {
        MeasureModeRow(row);
    }
    FitModeColumns();
}

std::size_t ProfileLists::MeasuredModeRows() const {
    // As many rows from the top as the list itself measures for a column's size hint.
    const int precision = modeList_->verticalHeader()->resizeContentsPrecision();
    const auto rows = static_cast<std::size_t>(modeList_->rowCount());
    return precision >= 0 ? std::min(rows, static_cast<std::size_t>(precision)) : rows;
}

void ProfileLists::MeasureModeRow(std::size_t row) {
    std::array<int, 7>& widths = modeTextWidths_[row];
    for (int column = 0; column < modeList_->columnCount() && column < 7; ++column) {
        const QModelIndex index = modeList_->model()->index(static_cast<int>(row), column);
        widths[static_cast<std::size_t>(column)] = modeList_->sizeHintForIndex(index).width();
    }
}

void ProfileLists::FitModeColumns() {
    // Each column's widest text as QTableView::sizeHintForColumn gives it: the widest measured
    // row, and the grid's line.
    std::vector<int> widths(static_cast<std::size_t>(modeList_->columnCount()), 0);
    for (const std::array<int, 7>& row : modeTextWidths_) {
        for (std::size_t column = 0; column < widths.size() && column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column]);
        }
    }
    if (modeList_->showGrid()) {
        for (int& width : widths) {
            ++width;
        }
    }
    FitColumnsToText(modeList_, &widths);
}

void ProfileLists::Show(const Workspace& workspace, bool rebuildModeRows) {
    MarkHotRow(batteryList_, workspace.batteryIndex());
    if (workspace.batteryIndex() != shownBattery_ && workspace.batteryIndex() >= 0) {
        // Another battery (a load, an undo): its row is brought into view.
        shownBattery_ = workspace.batteryIndex();
        batteryList_->scrollToItem(batteryList_->item(shownBattery_, 0));
    }
    const std::vector<ModeCells>& rows = workspace.results().rows;
    if (rebuildModeRows || rows != shownModeRows_) {
        ShowModeRows(rows);
        MarkDoubtfulModes(workspace.modes());
    }
    MarkHotRow(modeList_, workspace.currentModeRow());
}

void ProfileLists::ShowModeRows(const std::vector<ModeCells>& rows) {
    // Only rows whose texts changed get new items (a battery click changes none, Modify one,
    // Add one at the end); the list then forgets its current row and scrolls to the top, as a
    // list rebuilt from nothing does: a click below the rows then means the first row.
    const std::size_t kept = std::min(
        {rows.size(), shownModeRows_.size(), static_cast<std::size_t>(modeList_->rowCount())});
    modeList_->setRowCount(static_cast<int>(rows.size()));
    // The columns fit the texts. Measuring a text is what costs, so each row's widths are kept
    // and only new and changed rows are measured again.
    const std::size_t measured = MeasuredModeRows();
    bool changed = measured != modeTextWidths_.size();
    modeTextWidths_.resize(measured);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i >= kept || rows[i] != shownModeRows_[i]) {
            SetRow(modeList_, static_cast<int>(i), rows[i]);
            changed = true;
            if (i < measured) {
                MeasureModeRow(i);
            }
        }
    }
    modeList_->setCurrentIndex(QModelIndex());
    modeList_->clearSelection();
    modeList_->scrollToTop();
    shownModeRows_ = rows;
    if (changed) {
        FitModeColumns();
    }
}

void ProfileLists::MarkDoubtfulModes(const std::vector<ModeRecord>& modes) {
    // A duration of zero, below zero or not a number is computed as it is; the row says so.
    const QIcon warning = modeList_->style()->standardIcon(QStyle::SP_MessageBoxWarning);
    const int rows = std::min(modeList_->rowCount(), static_cast<int>(modes.size()));
    for (int row = 0; row < rows; ++row) {
        const std::optional<std::string> notice =
            DurationNotice(modes[static_cast<std::size_t>(row)].duration);
        QTableWidgetItem* first = modeList_->item(row, 0);
        if (!notice && first->icon().isNull()) {
            continue;
        }
        first->setIcon(notice ? warning : QIcon());
        for (int column = 0; column < modeList_->columnCount(); ++column) {
            modeList_->item(row, column)->setToolTip(notice ? ToDisplay(*notice) : QString());
        }
    }
}

}  // namespace runwell::ui
