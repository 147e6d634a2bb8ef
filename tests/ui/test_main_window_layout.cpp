// The main window's resize layout and the dialog-unit conversion it starts from.

#include <gtest/gtest.h>

#include <QRect>
#include <QSize>

#include "ui/DialogUnits.h"
#include "ui/MainWindowLayout.h"

// Failure messages show rectangles and sizes as values.
void PrintTo(const QRect& r, std::ostream* out) {
    *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}
void PrintTo(const QSize& s, std::ostream* out) {
    *out << "QSize(" << s.width() << ", " << s.height() << ")";
}

namespace runwell::ui {
namespace {

const DialogUnits kReference(DialogUnits::kReferenceCharWidth, DialogUnits::kReferenceCharHeight);

/// The moved controls where the design puts them, for the reference font.
MainWindowGeometry DesignGeometry(const DialogUnits& u) {
    MainWindowGeometry g;
    g.batteryList = u.Rect(12, 55, 420, 85);
    g.batteryBox = u.Rect(7, 43, 432, 103);
    g.modeList = u.Rect(12, 163, 420, 87);
    g.modeBox = u.Rect(7, 152, 432, 124);
    g.addButton = u.Rect(18, 259, 53, 12);
    g.modifyButton = u.Rect(77, 259, 53, 12);
    g.removeButton = u.Rect(136, 259, 53, 12);
    g.resultBoxes = {u.Rect(7, 281, 141, 30), u.Rect(152, 281, 141, 31), u.Rect(296, 281, 140, 31)};
    g.resultFields = {u.Rect(11, 292, 132, 15), u.Rect(155, 291, 133, 17),
                      u.Rect(300, 291, 132, 18)};
    g.loadSettingsButton = u.Rect(6, 324, 67, 15);
    g.saveSettingsButton = u.Rect(79, 324, 66, 15);
    g.createReportButton = u.Rect(152, 324, 66, 15);
    g.quitButton = u.Rect(373, 324, 66, 15);
    return g;
}

const QSize kDesignClient(669, 561);  // 446 x 345 units of 1.5 x 1.625 pixels

TEST(DialogUnitsTest, ConvertsWithTheFontsCharacterCell) {
    EXPECT_EQ(kReference.X(446), 669);
    EXPECT_EQ(kReference.Y(345), 561);  // 560.625 rounds up
    EXPECT_EQ(kReference.X(7), 11);     // 10.5 rounds away from zero
    EXPECT_EQ(kReference.Y(8), 13);
    EXPECT_EQ(kReference.ScaleX(), 1.0);
    EXPECT_EQ(kReference.ScaleY(), 1.0);

    const DialogUnits wide(7, 14);
    EXPECT_EQ(wide.Rect(12, 55, 420, 85), QRect(21, 96, 735, 149));
    EXPECT_EQ(wide.Size(446, 345), QSize(781, 604));
}

TEST(MainWindowLayoutTest, AtTheDesignSizeEveryRuleHoldsToThePixel) {
    const MainWindowGeometry g =
        LayoutMainWindow(kDesignClient, DesignGeometry(kReference), LayoutScale{});
    // (561 - 273) / 2 = 144 for each list.
    EXPECT_EQ(g.batteryList, QRect(18, 89, 635, 144));
    EXPECT_EQ(g.batteryBox, QRect(11, 71, 649, 169));
    EXPECT_EQ(g.modeList, QRect(18, 267, 635, 144));
    EXPECT_EQ(g.modeBox, QRect(11, 249, 649, 198));  // bottom B = 447
    EXPECT_EQ(g.addButton, QRect(27, 420, 80, 20));
    EXPECT_EQ(g.modifyButton, QRect(116, 420, 80, 20));
    EXPECT_EQ(g.removeButton, QRect(205, 420, 80, 20));
    EXPECT_EQ(g.resultBoxes[0], QRect(11, 456, 211, 50));
    EXPECT_EQ(g.resultBoxes[1], QRect(228, 456, 211, 50));
    EXPECT_EQ(g.resultBoxes[2], QRect(444, 456, 211, 50));
    EXPECT_EQ(g.resultFields[0], QRect(18, 474, 197, 25));
    EXPECT_EQ(g.resultFields[1], QRect(235, 474, 197, 25));
    EXPECT_EQ(g.resultFields[2], QRect(451, 474, 197, 25));
    EXPECT_EQ(g.loadSettingsButton, QRect(9, 527, 100, 25));
    EXPECT_EQ(g.saveSettingsButton, QRect(118, 527, 100, 25));
    EXPECT_EQ(g.createReportButton, QRect(227, 527, 100, 25));
    EXPECT_EQ(g.quitButton, QRect(560, 527, 100, 25));
}

TEST(MainWindowLayoutTest, ListsShareTheHeightLeftByTheFixedParts) {
    struct Case {
        int clientHeight;
        int listHeight;
    };
    // 274 and 275 truncate to 0; a client too small for the fixed parts gives 0, never less.
    for (const Case c : {Case{473, 100}, Case{474, 100}, Case{475, 101}, Case{275, 1}, Case{274, 0},
                         Case{273, 0}, Case{200, 0}, Case{0, 0}}) {
        SCOPED_TRACE(c.clientHeight);
        const MainWindowGeometry g =
            LayoutMainWindow(QSize(669, c.clientHeight), DesignGeometry(kReference), LayoutScale{});
        EXPECT_EQ(g.batteryList.height(), c.listHeight);
        EXPECT_EQ(g.modeList.height(), c.listHeight);
        EXPECT_GE(g.batteryBox.height(), 0);
        EXPECT_GE(g.modeBox.height(), 0);
    }
}

TEST(MainWindowLayoutTest, WideningStretchesListsAndBoxesAndKeepsQuitAtTheRight) {
    const MainWindowGeometry design = DesignGeometry(kReference);
    const MainWindowGeometry before = LayoutMainWindow(kDesignClient, design, LayoutScale{});
    const MainWindowGeometry after =
        LayoutMainWindow(kDesignClient + QSize(200, 0), before, LayoutScale{});

    EXPECT_EQ(after.batteryList.width(), before.batteryList.width() + 200);
    EXPECT_EQ(after.modeList.width(), before.modeList.width() + 200);
    EXPECT_EQ(after.batteryBox.width(), before.batteryBox.width() + 200);
    EXPECT_EQ(after.modeBox.width(), before.modeBox.width() + 200);
    EXPECT_EQ(869 - after.quitButton.left(), 109);
    EXPECT_EQ(after.quitButton.top(), before.quitButton.top());
    // Everything else keeps its place and size.
    EXPECT_EQ(after.batteryList.topLeft(), before.batteryList.topLeft());
    EXPECT_EQ(after.modeList.topLeft(), before.modeList.topLeft());
    EXPECT_EQ(after.addButton, before.addButton);
    EXPECT_EQ(after.modifyButton, before.modifyButton);
    EXPECT_EQ(after.removeButton, before.removeButton);
    EXPECT_EQ(after.resultBoxes, before.resultBoxes);
    EXPECT_EQ(after.resultFields, before.resultFields);
    EXPECT_EQ(after.loadSettingsButton, before.loadSettingsButton);
    EXPECT_EQ(after.createReportButton, before.createReportButton);
}

TEST(MainWindowLayoutTest, HeighteningMovesTheResultsDownWithTheStepFourBox) {
    const MainWindowGeometry before =
        LayoutMainWindow(kDesignClient, DesignGeometry(kReference), LayoutScale{});
    const MainWindowGeometry after =
        LayoutMainWindow(kDesignClient + QSize(0, 100), before, LayoutScale{});

    EXPECT_EQ(after.batteryList.height(), before.batteryList.height() + 50);
    EXPECT_EQ(after.modeList.top(), before.modeList.top() + 50);
    EXPECT_EQ(after.modeBox.bottom(), before.modeBox.bottom() + 100);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(after.resultBoxes[i], before.resultBoxes[i].translated(0, 100));
        EXPECT_EQ(after.resultFields[i], before.resultFields[i].translated(0, 100));
    }
    EXPECT_EQ(after.addButton, before.addButton.translated(0, 100));
    EXPECT_EQ(after.removeButton, before.removeButton.translated(0, 100));
    EXPECT_EQ(after.quitButton, before.quitButton.translated(0, 100));
    EXPECT_EQ(after.batteryList.topLeft(), before.batteryList.topLeft());
}

TEST(MainWindowLayoutTest, RepeatedLayoutAtTheSameSizeChangesNothing) {
    const MainWindowGeometry once =
        LayoutMainWindow(kDesignClient, DesignGeometry(kReference), LayoutScale{});
    EXPECT_EQ(LayoutMainWindow(kDesignClient, once, LayoutScale{}), once);
}

TEST(MainWindowLayoutTest, ALargerFontScalesEveryConstant) {
    // A 7 x 14 cell: x constants times 7/6, y constants times 14/13, rounded.
    const DialogUnits wide(7, 14);
    const LayoutScale scale{wide.ScaleX(), wide.ScaleY()};
    const QSize client = wide.Size(446, 345);  // 781 x 604
    const MainWindowGeometry g = LayoutMainWindow(client, DesignGeometry(wide), scale);

    EXPECT_EQ(g.batteryList.height(), (604 - 294) / 2);
    EXPECT_EQ(g.batteryList.right() + 1, 781 - 19);
    EXPECT_EQ(g.quitButton, QRect(781 - 127, 604 - 37, 117, 27));
    EXPECT_EQ(g.modifyButton.left() - g.addButton.left(), 104);
    EXPECT_EQ(g.resultBoxes[1].size(), QSize(246, 54));
}

}  // namespace
}  // namespace runwell::ui
