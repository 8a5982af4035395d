// Current cell and selection under the keyboard, the mouse and the wheel, merged blocks included.

#include "GridTestSupport.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace grid;
using namespace grid::gridtest;

namespace {

void Wheel(QWidget* w, int delta) {
    const QPoint pos(10, 10);
    QWheelEvent e(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

TGridCoord Current(const TBaseGrid& g) {
    return {g.Col(), g.Row()};
}

} // namespace

struct KeyCase {
    const char* name;
    TGridCoord start;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    TGridCoord current;
    TGridRect selection;
};

TEST(GridInput, KeyboardNavigationOnTheWorksheetGrid) {
    const KeyCase cases[] = {
        {"down leaves the title", {0, 0}, Qt::Key_Down, Qt::NoModifier, {0, 1}, {0, 1, 0, 1}},
        {"right inside the title returns to its base",
         {0, 0},
         Qt::Key_Right,
         Qt::NoModifier,
         {0, 0},
         {0, 0, 0, 0}},
        {"up into a covered title cell lands on the base",
         {3, 1},
         Qt::Key_Up,
         Qt::NoModifier,
         {0, 0},
         {0, 0, 0, 0}},
        {"right moves one column", {1, 4}, Qt::Key_Right, Qt::NoModifier, {2, 4}, {2, 4, 2, 4}},
        {"left stops at the first column",
         {0, 4},
         Qt::Key_Left,
         Qt::NoModifier,
         {0, 4},
         {0, 4, 0, 4}},
        {"down stops at the last row",
         {2, 21},
         Qt::Key_Down,
         Qt::NoModifier,
         {2, 21},
         {2, 21, 2, 21}},
        {"end goes to the last column", {1, 4}, Qt::Key_End, Qt::NoModifier, {4, 4}, {4, 4, 4, 4}},
        {"ctrl+home goes to the first cell",
         {3, 9},
         Qt::Key_Home,
         Qt::ControlModifier,
         {0, 0},
         {0, 0, 0, 0}},
        {"ctrl+end goes to the last cell",
         {1, 1},
         Qt::Key_End,
         Qt::ControlModifier,
         {4, 21},
         {4, 21, 4, 21}},
        {"shift+down extends, the current cell stays",
         {1, 4},
         Qt::Key_Down,
         Qt::ShiftModifier,
         {1, 4},
         {1, 4, 1, 5}},
        {"page down moves a page of rows",
         {1, 1},
         Qt::Key_PageDown,
         Qt::NoModifier,
         {1, 21},
         {1, 21, 1, 21}},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto g = MakeWorksheetGrid();
        g->FocusCell(c.start.X, c.start.Y);
        QTest::keyClick(g.get(), c.key, c.mods);
        EXPECT_EQ(Current(*g), c.current);
        EXPECT_EQ(g->Selection(), c.selection);
    }
}

TEST(GridInput, ShiftArrowsGrowTheRangeFromItsMovingCorner) {
    auto g = MakeWorksheetGrid();
    g->FocusCell(2, 3);
    QTest::keyClick(g.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(g.get(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(g.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(g->Selection(), (TGridRect{2, 3, 3, 5}));
    EXPECT_EQ(Current(*g), (TGridCoord{2, 3}));
    QTest::keyClick(g.get(), Qt::Key_Left);
    EXPECT_EQ(g->Selection(), (TGridRect{1, 3, 1, 3}));
}

TEST(GridInput, WheelStepsMoveTheRowAndLandOnABlocksBase) {
    auto g = MakeWorksheetGrid();
    g->FocusCell(3, 2);
    Wheel(g.get(), -120);
    EXPECT_EQ(Current(*g), (TGridCoord{3, 3}));
    Wheel(g.get(), 120);
    Wheel(g.get(), 120);
    EXPECT_EQ(Current(*g), (TGridCoord{3, 1}));
    Wheel(g.get(), 120);
    EXPECT_EQ(Current(*g), (TGridCoord{0, 0}));
}

TEST(GridInput, AClickMakesTheCellCurrentAndShiftClickExtends) {
    auto g = MakeWorksheetGrid();
    QTest::mouseClick(g.get(), Qt::LeftButton, Qt::NoModifier, QPoint(320, 60));
    EXPECT_EQ(Current(*g), (TGridCoord{2, 2}));
    EXPECT_EQ(g->Selection(), (TGridRect{2, 2, 2, 2}));
    QTest::mouseClick(g.get(), Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 140));
    EXPECT_EQ(Current(*g), (TGridCoord{2, 2}));
    EXPECT_EQ(g->Selection(), (TGridRect{0, 2, 2, 5}));
    // Below the last row nothing changes.
    QTest::mouseClick(g.get(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 575));
    EXPECT_EQ(Current(*g), (TGridCoord{2, 2}));
}

TEST(GridInput, MovingPastTheViewScrollsAndKeepsRectanglesInStep) {
    TAdvStringGrid g;
    g.SetColCount(4);
    g.SetRowCount(30);
    g.SetDefaultRowHeight(20);
    g.SetScrollBars(ssNone);
    g.resize(256, 101); // fixed row and 4 scrolled rows in view
    g.FocusCell(1, 1);
    EXPECT_EQ(g.VisibleRowCount(), 4);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.Row(), 6);
    EXPECT_EQ(g.TopRow(), 3);
    EXPECT_EQ(g.PlainCellRect(1, 6), (TRect{64, 80, 128, 100}));
    QTest::keyClick(&g, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(g.TopRow(), 1);
    EXPECT_EQ(g.Row(), 1);
}

TEST(GridInput, ScrollBarsAppearOnlyWhereTheCellsDoNotFitAndLimitScrolling) {
    TAdvStringGrid g;
    g.SetColCount(4);
    g.SetRowCount(30);
    g.SetDefaultRowHeight(20);
    g.resize(300, 200);
    EXPECT_LT(g.ClientWidth(), 300);  // rows overflow: a vertical bar
    EXPECT_EQ(g.ClientHeight(), 200); // 4 x 64 columns still fit beside it
    const int rowsInView = (g.ClientHeight() - 20) / 20;
    EXPECT_EQ(g.MaxTopRow(), 30 - rowsInView);
    g.SetTopRow(100);
    EXPECT_EQ(g.TopRow(), 30 - rowsInView);
    g.SetScrollBars(ssNone);
    EXPECT_EQ(g.ClientWidth(), 300);
    g.SetScrollBars(ssHorizontal);
    EXPECT_EQ(g.ClientWidth(), 300);
    g.resize(200, 200); // now the columns overflow
    EXPECT_LT(g.ClientHeight(), 200);
    EXPECT_EQ(g.MaxLeftCol(), 2); // columns 2 and 3 fill 128 of the 136 px beside the fixed one
}
