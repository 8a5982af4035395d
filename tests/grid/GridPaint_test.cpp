// Painted pixels of the grid: lines, merged blocks, alignment, selection, the focus frame, and
// how cell texts are drawn; plus the colour resolution behind them.

#include "GridTestSupport.h"
#include "TestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace grid;
using namespace grid::gridtest;

namespace {

bool IsInk(QRgb p) {
    return qGray(p) < 128;
}

// Bounding box of the dark pixels inside `area`; empty when there are none.
QRect InkBox(const QImage& image, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (IsInk(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

int InkCount(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += IsInk(image.pixel(x, y));
    return n;
}

const QRgb kSilver = qRgb(0xC0, 0xC0, 0xC0);
const QRgb kWhite = qRgb(0xFF, 0xFF, 0xFF);

// A worksheet grid with one text in cell (2, 5) and nothing else, for looking at one cell.
std::unique_ptr<TAdvStringGrid> OneCellGrid(const QByteArray& text) {
    auto g = MakeWorksheetGrid();
    g->SetCellText(2, 5, text);
    return g;
}

const QRect kCell25(300, 130, 150, 26); // cell (2, 5) of the worksheet grid

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(GridPaint, LinesAreTheLastPixelColumnAndRowOfEachCell) {
    auto g = OneCellGrid(QByteArray());
    const QImage img = Render(*g);
    const int right = kCell25.x() + kCell25.width() - 1;
    const int bottom = kCell25.y() + kCell25.height() - 1;
    for (int y = kCell25.top(); y <= bottom; ++y)
        ASSERT_EQ(img.pixel(right, y), kSilver) << "right line, y " << y;
    for (int x = kCell25.left(); x <= right; ++x)
        ASSERT_EQ(img.pixel(x, bottom), kSilver) << "bottom line, x " << x;
    // Inside, the grid's window colour.
    EXPECT_EQ(img.pixel(right - 1, bottom - 1), kWhite);
    EXPECT_EQ(img.pixel(kCell25.left(), kCell25.top()), kWhite);
    // Outside the 750 x 572 cells the grid's colour, no lines.
    EXPECT_EQ(img.pixel(752, 100), kWhite);
    EXPECT_EQ(img.pixel(100, 575), kWhite);
}

TEST(GridPaint, AMergedBlockHasLinesOnlyAlongItsOuterEdges) {
    auto g = MakeWorksheetGrid();
    const QImage img = Render(*g);
    for (int x : {149, 299, 449, 599})
        for (int y = 0; y < 25; ++y)
            ASSERT_EQ(img.pixel(x, y), kWhite) << "inner line at x " << x << ", y " << y;
    for (int x = 0; x < 750; ++x)
        ASSERT_EQ(img.pixel(x, 25), kSilver) << "bottom of the block, x " << x;
    for (int y = 0; y < 26; ++y)
        ASSERT_EQ(img.pixel(749, y), kSilver) << "right of the block, y " << y;
    // The row below keeps its own column lines.
    EXPECT_EQ(img.pixel(149, 30), kSilver);
}

TEST(GridPaint, TheTitleIsBoldAndCentredAcrossFiveColumns) {
    auto g = MakeWorksheetGrid();
    g->SetCellText(0, 0, platform::Gbk("数 学 运 算 练 习"));
    const QRect row0(0, 0, 749, 25);
    const QImage regular = Render(*g);
    g->SetCellFontStyle(0, 0, TFontStyle::fsBold);
    const QImage bold = Render(*g);
    const QRect box = InkBox(bold, row0);
    ASSERT_FALSE(box.isEmpty());
    // Centred in the text rectangle (3 .. 747 across, 3 .. 25 down).
    EXPECT_NEAR((box.left() + box.right() + 1) / 2.0, 375.0, 2.0);
    EXPECT_NEAR((box.top() + box.bottom() + 1) / 2.0, 14.0, 2.5);
    EXPECT_GT(box.width(), 100);
    EXPECT_GT(InkCount(bold, row0), InkCount(regular, row0) * 6 / 5);
    // Other cells keep the grid's regular style.
    g->SetCellText(0, 1, platform::Gbk("数学"));
    const QRect cell01(0, 26, 149, 25);
    const QImage withBoldTitle = Render(*g);
    g->SetCellFontStyle(0, 0, TFontStyles());
    EXPECT_EQ(Render(*g).copy(cell01), withBoldTitle.copy(cell01));
}

TEST(GridPaint, RightAlignedTextEndsTwoPixelsAndTheLineFromTheEdge) {
    auto g = OneCellGrid("12 + 7 = 19");
    const QImage img = Render(*g);
    const QRect box = InkBox(img, kCell25);
    ASSERT_FALSE(box.isEmpty());
    const int lastTextColumn = kCell25.left() + 150 - 1 - 1 - 2; // line, inset
    EXPECT_LE(box.right(), lastTextColumn);
    EXPECT_GE(box.right(), lastTextColumn - 2); // the glyph's own side bearing
    EXPECT_NEAR((box.top() + box.bottom() + 1) / 2.0, 130 + 14.0, 2.5);
}

TEST(GridPaint, ALoneCarriageReturnShowsOnlyTheFirstLine) {
    const QImage cut = Render(*OneCellGrid("12 + 7 = 19\r20 + 1 = 21"));
    const QImage first = Render(*OneCellGrid("12 + 7 = 19"));
    EXPECT_EQ(cut.copy(kCell25), first.copy(kCell25));
    // The worksheet's tail of blanks and a CR keeps the blanks: the text moves left.
    const QImage tail = Render(*OneCellGrid("12 + 7 = 19    \r"));
    EXPECT_LT(InkBox(tail, kCell25).right(), InkBox(first, kCell25).right() - 10);
}

TEST(GridPaint, ALongTextIsClippedAtTheTextRectangleWithoutEllipsis) {
    auto g = OneCellGrid(QByteArray(40, 'M'));
    g->OnGetAlignment = nullptr; // left aligned
    const QImage clipped = Render(*g);
    const QRect box = InkBox(clipped, kCell25);
    const int lastTextColumn = kCell25.left() + 150 - 1 - 1 - 2;
    EXPECT_EQ(box.left(), kCell25.left() + 3);
    EXPECT_EQ(box.right(), lastTextColumn); // ink reaches the clip and stops there
    // Against a text that ends in an ellipsis: only EnhTextSize draws one.
    auto e = OneCellGrid(QByteArray(40, 'M'));
    e->OnGetAlignment = nullptr;
    e->SetEnhTextSize(true);
    const QImage ellipsis = Render(*e);
    EXPECT_NE(ellipsis.copy(kCell25), clipped.copy(kCell25));
    EXPECT_LE(InkBox(ellipsis, kCell25).right(), lastTextColumn);
}

TEST(GridPaint, AnAmpersandIsDrawnAsItself) {
    auto width = [](const QByteArray& text) {
        auto g = OneCellGrid(text);
        return InkBox(Render(*g), kCell25).width();
    };
    // As an accelerator prefix it would vanish and "AB" would be drawn (B underlined).
    const int withAmp = width("A&B");
    EXPECT_GT(withAmp, width("AB") + 4);
    EXPECT_NEAR(withAmp, width("A+B"), 2);
}

TEST(GridPaint, ADragSelectionPaintsLikeUnselectedCellsWithShowSelectionOff) {
    auto g = MakeWorksheetGrid();
    FillWorksheet(*g, 40);
    const QImage before = Render(*g);
    // Press in cell (1, 3), drag to cell (3, 6), release.
    SendMouse(g.get(), QEvent::MouseButtonPress, {160, 80}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(g.get(), QEvent::MouseMove, {310, 110}, Qt::NoButton, Qt::LeftButton);
    SendMouse(g.get(), QEvent::MouseMove, {460, 160}, Qt::NoButton, Qt::LeftButton);
    SendMouse(g.get(), QEvent::MouseButtonRelease, {460, 160}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(g->Selection(), (TGridRect{1, 3, 3, 6}));
    EXPECT_EQ(g->Col(), 1);
    EXPECT_EQ(g->Row(), 3);
    g->clearFocus();
    EXPECT_EQ(Render(*g), before);
    // The same selection shown: the selected cells take the selection colour.
    g->SetShowSelection(true);
    const QImage shown = Render(*g);
    EXPECT_EQ(QColor(shown.pixel(455, 140)), ColorToQColor(clHighlight));
    EXPECT_EQ(shown.pixel(610, 140), kWhite);
}

TEST(GridPaint, TheFocusFrameCirclesTheTitleBlockOnlyWhileTheGridHasFocus) {
    auto g = MakeWorksheetGrid();
    const QImage unfocused = Render(*g);
    EXPECT_EQ(unfocused.pixel(0, 0), kWhite);

    g->show();
    QApplication::setActiveWindow(g.get());
    g->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(g.get()));
    ASSERT_TRUE(g->hasFocus());
    const QImage focused = Render(*g);
    // Dots on every other pixel of the outline, just inside the block's lines.
    EXPECT_TRUE(IsInk(focused.pixel(0, 0)));
    EXPECT_EQ(focused.pixel(1, 0), kWhite);
    EXPECT_TRUE(IsInk(focused.pixel(2, 0)));
    EXPECT_TRUE(IsInk(focused.pixel(748, 24)));
    EXPECT_TRUE(IsInk(focused.pixel(0, 24)));
    EXPECT_TRUE(IsInk(focused.pixel(748, 2)));
    EXPECT_EQ(focused.pixel(749, 2), kSilver);
    EXPECT_EQ(focused.pixel(10, 25), kSilver);
    // Nowhere else.
    EXPECT_EQ(focused.copy(0, 26, 755, 551), unfocused.copy(0, 26, 755, 551));

    g->SetHideFocusRect(true);
    EXPECT_EQ(Render(*g), unfocused);
    g->SetHideFocusRect(false);
    g->clearFocus();
    EXPECT_EQ(Render(*g), unfocused);
}

TEST(GridPaint, TheAlignmentCallbackIsAskedForTheBaseCellRowFirst) {
    auto g = MakeWorksheetGrid();
    FillWorksheet(*g, 10);
    std::vector<std::pair<int, int>> calls; // (ARow, ACol)
    g->OnGetAlignment = [&](QObject*, int ARow, int ACol, TAlignment& HAlign, TVAlignment& VAlign) {
        calls.emplace_back(ARow, ACol);
        HAlign = ARow == 0 ? taCenter : taRightJustify;
        VAlign = vtaCenter;
    };
    Render(*g);
    for (const auto& [row, col] : calls)
        EXPECT_FALSE(row == 0 && col > 0) << "asked for covered cell (" << col << ", 0)";
    EXPECT_EQ(calls.front(), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(calls.back(), (std::pair<int, int>{21, 4}));
}

TEST(GridPaint, ACoveredCellDrawsItsBaseOncePerPass) {
    TAdvStringGrid g;
    g.SetColCount(10);
    g.SetRowCount(3);
    g.SetFixedCols(0);
    g.SetFixedRows(0);
    g.resize(400, 63);
    g.MergeCellRange(0, 0, 4, 1);
    int baseDraws = 0;
    g.OnGetAlignment = [&](QObject*, int ARow, int ACol, TAlignment&, TVAlignment&) {
        baseDraws += ARow == 0 && ACol == 0;
    };
    Render(g);
    Render(g);
    EXPECT_EQ(g.PaintPass(), 2);
    baseDraws = 0;
    Render(g);
    EXPECT_EQ(baseDraws, 2); // once visited, once through its first covered cell
    // Scrolled out of view, the block is still drawn, once, through a covered cell.
    g.SetLeftCol(2);
    baseDraws = 0;
    const QImage img = Render(g);
    EXPECT_EQ(baseDraws, 1);
    EXPECT_EQ(img.pixel(127, 5), kSilver); // block's right edge: column 3 ends at 2 * 64
    EXPECT_EQ(img.pixel(63, 5), kWhite);   // no line between columns 2 and 3
}

struct LookCase {
    const char* name;
    std::function<void(TAdvStringGrid&)> setUp;
    int col, row;
    TGridDrawState state;
    TColor brush;
    TColor fontColor;
};

TEST(GridLook, BrushAndFontColourResolution) {
    using S = TGridDrawStateItem;
    const TGridDrawState none;
    const LookCase cases[] = {
        {"cell without properties takes the grid colour",
         [](TAdvStringGrid& g) { g.SetColor(clRed); }, 2, 2, none, clRed, clWindowText},
        {"cell brush and font colour override",
         [](TAdvStringGrid& g) {
             g.GetCellProperties(2, 2)->BrushColor = clBlue;
             g.GetCellProperties(2, 2)->FontColor = clRed;
         },
         2, 2, none, clBlue, clRed},
        {"band primary on the first scrolled row",
         [](TAdvStringGrid& g) {
             g.SetBands({true, clRed, 1, clBlue, 2, false});
         },
         2, 1, none, clRed, clWindowText},
        {"band secondary on the second",
         [](TAdvStringGrid& g) {
             g.SetBands({true, clRed, 1, clBlue, 2, false});
         },
         2, 2, none, clBlue, clWindowText},
        {"bands of zero length leave the grid colour",
         [](TAdvStringGrid& g) {
             g.SetBands({true, clRed, 0, clBlue, 0, false});
         },
         2, 2, none, clWindow, clWindowText},
        {"fixed cell takes the fixed colours", [](TAdvStringGrid& g) {}, 0, 2, S::gdFixed,
         clBtnFace, clWindowText},
        {"cell properties win over the fixed colour",
         [](TAdvStringGrid& g) { g.GetCellProperties(0, 2)->BrushColor = clBlue; }, 0, 2,
         S::gdFixed, clBlue, clWindowText},
        {"active fixed cell of the current row",
         [](TAdvStringGrid& g) {
             g.SetActiveCellShow(true);
             g.FocusCell(3, 2);
         },
         0, 2, S::gdFixed, clGray, clWindowText},
        {"colour hook has the last word before selection",
         [](TAdvStringGrid& g) {
             g.OnGetCellColor = [](QObject*, int, int, TGridDrawState, TBrush& b, TFont& f) {
                 b.Color = clMaroon;
                 f.Color = clNavy;
             };
         },
         2, 2, none, clMaroon, clNavy},
        {"selection colours with ShowSelection", [](TAdvStringGrid& g) {}, 2, 2, S::gdSelected,
         clHighlight, clHighlightText},
        {"no selection colours without ShowSelection",
         [](TAdvStringGrid& g) { g.SetShowSelection(false); }, 2, 2, S::gdSelected, clWindow,
         clWindowText},
        {"focused selected cell without goDrawFocusSelected keeps its colours",
         [](TAdvStringGrid& g) {
             g.SetOptions(g.Options() & ~TGridOptions(TGridOption::goDrawFocusSelected));
         },
         2, 2, S::gdSelected | S::gdFocused, clWindow, clWindowText},
        {"focused selected cell with goDrawFocusSelected", [](TAdvStringGrid& g) {}, 2, 2,
         S::gdSelected | S::gdFocused, clHighlight, clHighlightText},
    };
    for (const LookCase& c : cases) {
        SCOPED_TRACE(c.name);
        TAdvStringGrid g;
        c.setUp(g);
        const auto look = g.CellLookFor(c.col, c.row, c.state);
        EXPECT_EQ(look.BrushColor, c.brush);
        EXPECT_EQ(look.Font.Color, c.fontColor);
    }
}

TEST(GridLook, CellFontPropertiesReplaceTheGridFont) {
    TAdvStringGrid g;
    TCellProperties* p = g.GetCellProperties(1, 1);
    p->FontStyle = TFontStyle::fsItalic;
    p->FontSize = 12;
    p->FontName = QStringLiteral("Arial");
    const auto look = g.CellLookFor(1, 1, {});
    EXPECT_EQ(look.Font.Style, TFontStyles(TFontStyle::fsItalic));
    EXPECT_EQ(look.Font.Height, -16);
    EXPECT_EQ(look.Font.Name, QStringLiteral("Arial"));
    const auto plain = g.CellLookFor(2, 1, {});
    EXPECT_EQ(plain.Font, g.Font());
    EXPECT_EQ(plain.HAlign, taLeftJustify);
    EXPECT_EQ(plain.VAlign, vtaTop);
}

struct KindCase {
    const char* name;
    const char* text;
    bool enableHTML;
    TTextKind kind;
};

TEST(GridText, TextKindClassification) {
    const KindCase cases[] = {
        {"empty text is plain", "", true, tkPlain},
        {"<B is HTML", "x<B>bold", true, tkHTML},
        {"</ is HTML", "a</i>", true, tkHTML},
        {"<I is HTML", "<I>x", true, tkHTML},
        {"lower-case <b is plain", "<b>bold</b", false, tkPlain},
        {"lower-case <b alone is plain even with HTML on", "<b>bold", true, tkPlain},
        {"<B with HTML off is plain", "x<B>bold", false, tkPlain},
        {"leading = is a formula", "=A1+1", true, tkFormula},
        {"|\\ is wide text", "|\\abc", true, tkWide},
        {"| alone is plain", "|", true, tkPlain},
        {"{\\ is rich text", "{\\rtf1}", true, tkRich},
        {"worksheet problem is plain", "12 + 7 = 19    \r", true, tkPlain},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TextKind(QByteArray(c.text), c.enableHTML), c.kind);
    }
    EXPECT_EQ(TextKind(platform::Gbk("数<B学"), true), tkHTML);
}

TEST(GridText, AnHtmlClassifiedTextIsDrawnAsItStands) {
    const QImage html = Render(*OneCellGrid("A<B>C"));
    auto off = OneCellGrid("A<B>C");
    off->SetEnableHTML(false);
    EXPECT_EQ(html.copy(kCell25), Render(*off).copy(kCell25));
}
