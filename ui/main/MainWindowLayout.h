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

/// How a client area is shared between the steps and the Analysis panel at their right.
struct AnalysisSplit {
    QSize steps;  // the area LayoutMainWindow lays the steps out in, from the top left
    QRect panel;  // empty while the panel is closed
};

/// With the panel open, the steps keep half of the client width but never less than
/// `stepsMinimum` (unless the client is narrower still) and the panel takes the rest; a closed
/// panel leaves the whole client to the steps.
AnalysisSplit SplitForAnalysis(QSize client, bool open, int stepsMinimum);

}  // namespace runwell::ui
