#pragma once

#include <QRect>
#include <QSize>
#include <array>

namespace runwell::ui {

/// Pixel sizes of the resize layout are given for the reference character cell; a window with
/// a larger font multiplies the horizontal ones by x and the vertical ones by y.
struct LayoutScale {
    double x = 1.0;
    double y = 1.0;
};

/// The controls of the main window that the resize layout moves, in client coordinates. The
/// controls of steps 1 and 2 never move and are not part of it.
struct MainWindowGeometry {
    QRect batteryList;
    QRect batteryBox;  // "Step 3: Select Battery"
    QRect modeList;
    QRect modeBox;  // "Step 4: Add/Modify Operational Mode"
    QRect addButton;
    QRect modifyButton;
    QRect removeButton;
    std::array<QRect, 3> resultBoxes;   // battery life, average current, peak current
    std::array<QRect, 3> resultFields;  // the field inside each result box
    QRect loadSettingsButton;
    QRect saveSettingsButton;
    QRect createReportButton;
    QRect quitButton;

    friend bool operator==(const MainWindowGeometry&, const MainWindowGeometry&) = default;
};

/// The resize layout for a client area of `client`: the two lists share the height left over by
/// the fixed parts (273 pixels at scale 1) equally, and grow to 16 pixels from the right edge;
/// the step boxes frame them; the Add, Modify and Remove buttons and the result boxes follow the
/// bottom of the Step 4 box; the bottom button row keeps to the bottom edge, with Quit at the
/// right. Lefts and the battery list's top are taken from `current`. A client too small for the
/// fixed parts gives lists of height 0.
MainWindowGeometry LayoutMainWindow(QSize client, const MainWindowGeometry& current,
                                    LayoutScale scale);

/// The client height at which the layout gives each list `listHeight` pixels.
int ClientHeightForLists(int listHeight, LayoutScale scale);

/// The client size the window starts with: the design's size, made no larger than the screen's
/// free area `available`, but never smaller than `minimum` (on a screen too small even for that,
/// the window manager lets the user move the window to reach the rest).
QSize StartClientSize(QSize design, QSize minimum, QSize available);

}  // namespace runwell::ui

namespace runwell::ui {

/// Where the Analysis panel stands when it opens, and the window's client size with it.
struct AnalysisDock {
    bool below = false;  // below the steps; beside them at their right otherwise
    QSize client;        // the client size to open with
    QSize minimum;       // the client's minimum size while the panel is open
};

/// The panel goes beside the steps when the free area `room` is wide enough for the minimum
/// widths of both, `steps` and `panel`; the window then grows to twice its width `closed`. Else
/// it goes below the steps and the window grows to the room's height, the steps scrolling in
/// the half they keep. Neither size is larger than the room.
AnalysisDock DockAnalysis(QSize room, QSize closed, QSize steps, QSize panel);

}  // namespace runwell::ui
