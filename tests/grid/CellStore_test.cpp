// The cell model without painting: merge encoding, base cells, texts through merged blocks,
// cell rectangles with and without scrolling, alignment resolution.

#include "GridTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace grid;
using namespace grid::gridtest;

namespace {

struct Props {
    bool exists;
    bool isBase;
    int spanX;
    int spanY;
    friend bool operator==(const Props&, const Props&) = default;
};

Props PropsOf(const TCellStore& s, int c, int r) {
    const TCellProperties* p = s.CellProperties(c, r);
    if (!p)
        return {false, true, -1, -1};
    return {true, p->IsBaseCell, p->CellSpanX, p->CellSpanY};
}

// Every field the merge touches, for the whole table.
std::vector<std::tuple<int, int, Props>> Snapshot(const TCellStore& s) {
    std::vector<std::tuple<int, int, Props>> out;
    for (int r = 0; r < s.RowCount(); ++r)
        for (int c = 0; c < s.ColCount(); ++c)
            out.emplace_back(c, r, PropsOf(s, c, r));
    return out;
}

} // namespace

struct MergeCase {
    const char* name;
    int col, row;
    Props props;
    TGridCoord base;
};

TEST(CellStore, MergeEncodingAndBaseCellOfForEveryKindOfCell) {
    TCellStore store;
    store.Resize(6, 6);
    store.MergeCellRange(1, 2, 3, 2); // columns 1..3, rows 2..3
    const MergeCase cases[] = {
        {"plain cell far away has no properties", 0, 0, {false, true, -1, -1}, {0, 0}},
        {"cell left of the block stays plain", 0, 2, {false, true, -1, -1}, {0, 2}},
        {"base holds width-1 and height-1", 1, 2, {true, true, 2, 1}, {1, 2}},
        {"covered in the base row holds its column offset", 2, 2, {true, false, 1, 0}, {1, 2}},
        {"covered below the base holds its row offset", 1, 3, {true, false, 0, 1}, {1, 2}},
        {"far corner holds both offsets", 3, 3, {true, false, 2, 1}, {1, 2}},
        {"cell right of the block stays plain", 4, 3, {false, true, -1, -1}, {4, 3}},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PropsOf(store, c.col, c.row), c.props);
        EXPECT_EQ(store.BaseCellOf(c.col, c.row), c.base);
    }
    QString why;
    EXPECT_TRUE(store.CheckConsistency(&why)) << why.toStdString();
}

TEST(CellStore, ACellWithPropertiesButNoMergeIsItsOwnBase) {
    TCellStore store;
    store.Resize(3, 3);
    store.GetCellProperties(2, 1)->FontStyle = TFontStyle::fsBold;
    EXPECT_EQ(store.BaseCellOf(2, 1), (TGridCoord{2, 1}));
    // A covered flag with an unset span does not point anywhere.
    store.GetCellProperties(1, 1)->IsBaseCell = false;
    EXPECT_EQ(store.BaseCellOf(1, 1), (TGridCoord{1, 1}));
}

TEST(CellStore, MergingTheSameBlockTwiceChangesNothing) {
    TCellStore store;
    store.Resize(5, 22);
    store.MergeCellRange(0, 0, 5, 1);
    const auto once = Snapshot(store);
    store.MergeCellRange(0, 0, 5, 1);
    EXPECT_EQ(Snapshot(store), once);
}

TEST(CellStore, MergesThatCannotBeMadeLeaveTheTableAlone) {
    struct Case {
        const char* name;
        int col, row, spanX, spanY;
    } cases[] = {
        {"zero width", 0, 0, 0, 2},
        {"negative height", 0, 0, 2, -1},
        {"block past the right edge", 3, 0, 3, 1},
        {"block past the bottom", 0, 4, 1, 2},
        {"base outside the table", -1, 0, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TCellStore store;
        store.Resize(5, 5);
        store.MergeCellRange(c.col, c.row, c.spanX, c.spanY);
        for (int r = 0; r < 5; ++r)
            for (int col = 0; col < 5; ++col)
                EXPECT_FALSE(store.HasCellProperties(col, r)) << col << "," << r;
    }
}

TEST(CellStore, AnOverlappingMergeSplitsTheOldBlockFirst) {
    TCellStore store;
    store.Resize(6, 3);
    store.MergeCellRange(0, 0, 3, 2);
    store.MergeCellRange(2, 1, 3, 1);
    QString why;
    ASSERT_TRUE(store.CheckConsistency(&why)) << why.toStdString();
    EXPECT_EQ(store.BlockOf(0, 0), (TGridRect{0, 0, 0, 0}));
    EXPECT_EQ(store.BlockOf(1, 1), (TGridRect{1, 1, 1, 1}));
    EXPECT_EQ(store.BlockOf(4, 1), (TGridRect{2, 1, 4, 1}));
}

TEST(CellStore, ShrinkingTheTableSplitsTheBlocksItCuts) {
    TCellStore store;
    store.Resize(5, 5);
    store.MergeCellRange(0, 0, 5, 1);
    store.MergeCellRange(0, 2, 2, 2);
    store.Resize(4, 5);
    QString why;
    ASSERT_TRUE(store.CheckConsistency(&why)) << why.toStdString();
    EXPECT_EQ(store.BlockOf(0, 0), (TGridRect{0, 0, 0, 0}));
    EXPECT_EQ(store.BlockOf(1, 3), (TGridRect{0, 2, 1, 3}));
}

TEST(CellStore, ConsistencyCheckNamesTheBrokenCell) {
    TCellStore store;
    store.Resize(4, 2);
    store.MergeCellRange(0, 0, 3, 1);
    store.GetCellProperties(2, 0)->CellSpanX = 1; // points at (1, 0), a covered cell
    QString why;
    EXPECT_FALSE(store.CheckConsistency(&why));
    EXPECT_EQ(why, QStringLiteral("cell (2, 0): covered cell does not point at its base"));
}

TEST(GridCells, TextsAreReadAndWrittenThroughCoveredCells) {
    auto g = MakeWorksheetGrid();
    const QByteArray title = platform::Gbk("数 学 运 算 练 习");
    g->SetCellText(3, 0, title); // a covered cell writes its base
    EXPECT_EQ(g->Cells().Text(0, 0), title);
    EXPECT_TRUE(g->Cells().Text(3, 0).isEmpty());
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(g->GetCellText(c, 0), title) << "column " << c;
    g->SetCellText(1, 1, "x");
    EXPECT_EQ(g->GetCellText(1, 1), QByteArray("x"));
    g->SetCellText(0, 0, QByteArray());
    EXPECT_TRUE(g->GetCellText(4, 0).isEmpty());
}

TEST(GridCells, TextsStoredBeforeAMergeStayButAreNoLongerRead) {
    auto g = MakeWorksheetGrid();
    g->SplitCell(0, 0);
    g->SetCellText(0, 5, "base");
    g->SetCellText(1, 5, "hidden");
    g->MergeCellRange(0, 5, 2, 1);
    EXPECT_EQ(g->GetCellText(1, 5), QByteArray("base"));
    EXPECT_EQ(g->Cells().Text(1, 5), QByteArray("hidden"));
    g->SplitCell(0, 5);
    EXPECT_EQ(g->GetCellText(1, 5), QByteArray("hidden"));
}

TEST(GridCells, DisplayTextHookSeesTheBaseCell) {
    auto g = MakeWorksheetGrid();
    g->SetCellText(0, 0, "title");
    std::vector<std::pair<int, int>> calls;
    g->OnGetDisplText = [&](QObject*, int ACol, int ARow, QByteArray& Value) {
        calls.emplace_back(ACol, ARow);
        Value += "!";
    };
    EXPECT_EQ(g->GetCellText(4, 0), QByteArray("title!"));
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 0}}));
}

TEST(GridCells, FontStyleGoesToTheAddressedCellsProperties) {
    auto g = MakeWorksheetGrid();
    g->SetCellFontStyle(0, 0, TFontStyle::fsBold);
    EXPECT_EQ(g->GetCellProperties(0, 0)->FontStyle, TFontStyles(TFontStyle::fsBold));
    EXPECT_FALSE(g->HasCellProperties(0, 1));
    QString why;
    EXPECT_TRUE(g->Cells().CheckConsistency(&why)) << why.toStdString();
}

TEST(GridGeometry, AFreshGridStartsOnItsFirstScrolledCellWith21PixelRows) {
    TAdvStringGrid g;
    EXPECT_EQ(g.DefaultRowHeight(), 21);
    EXPECT_EQ(g.RowHeights(4), 21);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_FALSE(g.HasCellProperties(1, 1));
}

TEST(GridGeometry, TheWorksheetGridStartsAtTheTitleCell) {
    auto g = MakeWorksheetGrid();
    EXPECT_EQ(g->Col(), 0);
    EXPECT_EQ(g->Row(), 0);
    EXPECT_EQ(g->FloatingFooterHeight(), 26);
}

struct RectCase {
    const char* name;
    int col, row;
    TRect rect;
};

TEST(GridGeometry, PlainAndMergedRectanglesOfTheWorksheetGrid) {
    auto g = MakeWorksheetGrid();
    g->MergeCellRange(2, 5, 2, 3);
    const RectCase plain[] = {
        {"first cell", 0, 0, {0, 0, 150, 26}},
        {"last cell", 4, 21, {600, 546, 750, 572}},
        {"covered title cell alone", 3, 0, {450, 0, 600, 26}},
    };
    for (const RectCase& c : plain) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(g->PlainCellRect(c.col, c.row), c.rect);
    }
    const RectCase merged[] = {
        {"title base is the whole row", 0, 0, {0, 0, 750, 26}},
        {"covered title cell is the whole row", 4, 0, {0, 0, 750, 26}},
        {"inner covered cell of a 2x3 block", 3, 6, {300, 130, 600, 208}},
        {"plain cell is its own rectangle", 1, 1, {150, 26, 300, 52}},
    };
    for (const RectCase& c : merged) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(g->MergedCellRect(c.col, c.row), c.rect);
    }
}

TEST(GridGeometry, RectanglesFollowScrollingAndStayValidOutOfView) {
    TAdvStringGrid g;
    g.SetColCount(10);
    g.SetRowCount(10);
    g.SetDefaultColWidth(50);
    g.SetDefaultRowHeight(20);
    g.SetColWidths(0, 30); // fixed column
    g.resize(200, 100);
    g.SetLeftCol(4);
    g.SetTopRow(3);
    const RectCase cases[] = {
        {"fixed corner does not move", 0, 0, {0, 0, 30, 20}},
        {"first scrolled cell sits after the fixed area", 4, 3, {30, 20, 80, 40}},
        {"column scrolled out lies left of the fixed area", 2, 3, {-70, 20, -20, 40}},
        {"fixed column cell follows the row scroll", 0, 5, {0, 60, 30, 80}},
        {"fixed row cell follows the column scroll", 6, 0, {130, 0, 180, 20}},
    };
    for (const RectCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(g.PlainCellRect(c.col, c.row), c.rect);
    }
    g.MergeCellRange(2, 4, 3, 1); // base scrolled out, covered cell in view
    EXPECT_EQ(g.MergedCellRect(4, 4), (TRect{-70, 40, 80, 60}));
}

struct AlignCase {
    const char* name;
    bool autoNum;
    QByteArray text;
    int propsAlign; // -1: no properties
    bool callback;
    TAlignment h;
    TVAlignment v;
};

TEST(GridAlignment, ResolutionOrderDefaultsPropertiesCallback) {
    const AlignCase cases[] = {
        {"nothing set: left and the grid's vertical", false, "abc", -1, false, taLeftJustify,
         vtaBottom},
        {"number without auto alignment stays left", false, "12", -1, false, taLeftJustify,
         vtaBottom},
        {"auto alignment puts a number right", true, " -12.5 ", -1, false, taRightJustify,
         vtaBottom},
        {"auto alignment leaves words left", true, "abc", -1, false, taLeftJustify, vtaBottom},
        {"formula text is not taken for a number", true, "=1+2", -1, false, taLeftJustify,
         vtaBottom},
        {"properties override auto alignment", true, "12", taCenter, false, taCenter, vtaBottom},
        {"callback has the last word", true, "12", taCenter, true, taRightJustify, vtaTop},
    };
    for (const AlignCase& c : cases) {
        SCOPED_TRACE(c.name);
        TAdvStringGrid g;
        g.SetVAlignment(vtaBottom);
        g.SetAutoNumAlign(c.autoNum);
        g.SetCellText(2, 2, c.text);
        if (c.propsAlign >= 0)
            g.GetCellProperties(2, 2)->Alignment = TAlignment(c.propsAlign);
        std::vector<std::tuple<int, int, TAlignment, TVAlignment>> seen;
        if (c.callback)
            g.OnGetAlignment = [&](QObject* sender, int ARow, int ACol, TAlignment& HAlign,
                                   TVAlignment& VAlign) {
                EXPECT_EQ(sender, &g);
                seen.emplace_back(ARow, ACol, HAlign, VAlign);
                HAlign = taRightJustify;
                VAlign = vtaTop;
            };
        TAlignment h = taCenter;
        TVAlignment v = vtaCenter;
        g.GetCellAlignment(2, 2, h, v);
        EXPECT_EQ(h, c.h);
        EXPECT_EQ(v, c.v);
        if (c.callback) {
            // On entry the callback sees what the grid would use.
            ASSERT_EQ(seen.size(), 1u);
            EXPECT_EQ(std::get<2>(seen[0]), TAlignment(c.propsAlign));
            EXPECT_EQ(std::get<3>(seen[0]), vtaBottom);
        }
    }
}

TEST(GridFont, SizeAndHeightConvertAt96PixelsPerInch) {
    TFont f;
    f.Height = -14;
    EXPECT_EQ(f.Size(), 11); // 10.5 points rounds away from zero
    f.SetSize(9);
    EXPECT_EQ(f.Height, -12);
    f.Height = -14;
    const QFont q = f.ToQFont();
    EXPECT_EQ(q.pixelSize(), 14);
}
