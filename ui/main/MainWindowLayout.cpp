#include "ui/main/MainWindowLayout.h"

#include <algorithm>
#include <cmath>

namespace runwell::ui {
namespace {

int Scaled(int pixels, double factor) {
    return static_cast<int>(std::lround(pixels * factor));
}

/// The pixels of the client height that the lists do not get.
int FixedHeight(LayoutScale scale) { return Scaled(273, scale.y); }

/// A rectangle from its left, top, right and bottom edges (right and bottom exclusive).
QRect FromEdges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace

MainWindowGeometry LayoutMainWindow(QSize client, const MainWindowGeometry& current,
                                    LayoutScale scale) {
    const auto x = [&](int pixels) { return Scaled(pixels, scale.x); };
    const auto y = [&](int pixels) { return Scaled(pixels, scale.y); };
    const int cx = client.width();
    const int cy = client.height();
    // Integer division truncates toward zero, so 274 pixels give lists of height 0.
    const int listHeight = std::max(0, (cy - FixedHeight(scale)) / 2);

    MainWindowGeometry next = current;
    const int batteryLeft = current.batteryList.left();
    const int batteryTop = current.batteryList.top();
    next.batteryList = QRect(batteryLeft, batteryTop, cx - x(16) - batteryLeft, listHeight);
    next.batteryBox = FromEdges(batteryLeft - x(7), batteryTop - y(18), cx - x(9),
                                batteryTop + listHeight + y(7));

    const int modeLeft = current.modeList.left();
    const int modeTop = next.batteryBox.top() + next.batteryBox.height() + y(27);
    next.modeList = QRect(modeLeft, modeTop, cx - x(16) - modeLeft, listHeight);
    const int boxBottom = modeTop + listHeight + y(36);
    next.modeBox = FromEdges(modeLeft - x(7), modeTop - y(18), cx - x(9), boxBottom);

    const QSize editButton(x(80), y(20));
    const int addLeft = current.addButton.left();
    next.addButton = QRect(QPoint(addLeft, boxBottom - y(27)), editButton);
    next.modifyButton = QRect(QPoint(addLeft + x(89), boxBottom - y(27)), editButton);
    next.removeButton = QRect(QPoint(addLeft + x(178), boxBottom - y(27)), editButton);

    for (std::size_t i = 0; i < next.resultBoxes.size(); ++i) {
        const int boxLeft = current.resultBoxes[i].left();
        next.resultBoxes[i] = QRect(boxLeft, boxBottom + y(9), x(211), y(50));
        next.resultFields[i] = QRect(boxLeft + x(7), boxBottom + y(27), x(197), y(25));
    }

    const QSize fileButton(x(100), y(25));
    const int rowTop = cy - y(34);
    next.loadSettingsButton = QRect(QPoint(x(9), rowTop), fileButton);
    next.saveSettingsButton = QRect(QPoint(x(118), rowTop), fileButton);
    next.createReportButton = QRect(QPoint(x(227), rowTop), fileButton);
    next.quitButton = QRect(QPoint(cx - x(109), rowTop), fileButton);
    return next;
}

int ClientHeightForLists(int listHeight, LayoutScale scale) {
    return FixedHeight(scale) + 2 * listHeight;
}

QSize StartClientSize(QSize design, QSize minimum, QSize available) {
    return design.boundedTo(available).expandedTo(minimum);
}

}  // namespace runwell::ui

namespace runwell::ui {

AnalysisDock DockAnalysis(QSize room, QSize closed, QSize steps, QSize panel) {
    AnalysisDock dock;
    dock.below = steps.width() + panel.width() > room.width();
    if (dock.below) {
        dock.minimum = QSize(std::max(steps.width(), panel.width()), steps.height());
        dock.client = QSize(closed.width(), std::max(closed.height(), room.height()));
    } else {
        dock.minimum =
            QSize(steps.width() + panel.width(), std::max(steps.height(), panel.height()));
        dock.client = QSize(2 * closed.width(), closed.height());
    }
    dock.minimum = dock.minimum.boundedTo(room);
    dock.client = dock.client.boundedTo(room).expandedTo(dock.minimum);
    return dock;
}

}  // namespace runwell::ui
