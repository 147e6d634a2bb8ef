#pragma once

#include <array>
#include <string>
#include <vector>

#include "estimate/ProfileResults.h"

class QTableWidget;

namespace runwell {
class Workspace;
}

namespace runwell::ui {

/// What the main window's two lists show: the batteries of step 3 and the mode rows of step 4,
/// their columns, and their current rows in bold. The window creates the lists and owns them.
class ProfileLists {
public:
    /// Names `list` and gives it the look both lists share: whole rows selected, no editing,
    /// no row numbers, rows as high as the font.
    static void Configure(QTableWidget* list, const char* name);

    ProfileLists(QTableWidget* batteryList, QTableWidget* modeList);

    /// Sets both lists' columns from the lists' outer widths at this moment.
    void CreateColumns();
    /// Sizes the columns of both lists to their texts, as far as the lists' widths allow
    /// without sideways scrolling; the window calls it when the lists change size.
    void FitColumns();
    /// The outer height at which both lists show their headers and `rows` rows.
    int HeightFor(int rows) const;
    /// Fills the battery list, which keeps these rows from then on.
    void ShowBatteries(const std::vector<std::array<std::string, 7>>& rows);
    /// Marks the current battery and shows the workspace's mode rows. The mode rows are rebuilt
    /// when `rebuildModeRows` is set (after every recomputation, which forgets the list's last
    /// selected row) or when they differ from those shown.
    void Show(const Workspace& workspace, bool rebuildModeRows);

private:
    void ShowModeRows(const std::vector<ModeCells>& rows);
    void MarkDoubtfulModes(const std::vector<ModeRecord>& modes);
    /// The mode rows whose texts size the columns: from the top, as many as the list measures.
    std::size_t MeasuredModeRows() const;
    void MeasureModeRow(std::size_t row);
    /// Fits the mode columns to the widest text of each over the measured rows.
    void FitModeColumns();

    QTableWidget* batteryList_;
    QTableWidget* modeList_;
    std::vector<ModeCells> shownModeRows_;
    std::vector<std::array<int, 7>> modeTextWidths_;  // per measured row and column, pixels
    int shownBattery_ = -1;
};

}  // namespace runwell::ui
