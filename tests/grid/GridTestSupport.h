#pragma once
// Grids set up for the tests, and rendering them into images.

#include "grid/AdvGrid.h"
#include "platform/GbkCodec.h"

#include <QImage>
#include <QPainter>

#include <memory>

namespace grid::gridtest {

// A grid set up as the worksheet window sets up its grid: 5 x 22 cells of 150 x 26 px, Song
// 14 px, silver lines, no fixed cells, selection never shown, vertically centred, the title row
// merged and the alignment callback answering centred for row 0 and right for the rest.
inline std::unique_ptr<TAdvStringGrid> MakeWorksheetGrid() {
    auto g = std::make_unique<TAdvStringGrid>();
    g->SetColCount(5);
    g->SetRowCount(22);
    g->SetFixedCols(0);
    g->SetFixedRows(0);
    g->SetDefaultColWidth(150);
    g->SetDefaultRowHeight(26);
    TFont font;
    font.Name = QString::fromUtf8("宋体");
    font.Height = -14;
    font.Color = clBlack;
    font.Charset = GB2312_CHARSET;
    g->SetFont(font);
    g->SetGridLineWidth(1);
    g->SetGridLineColor(clSilver);
    g->SetOptions(TGridOption::goFixedVertLine | TGridOption::goFixedHorzLine |
                  TGridOption::goVertLine | TGridOption::goHorzLine | TGridOption::goRangeSelect |
                  TGridOption::goDrawFocusSelected);
    g->SetVAlignment(vtaCenter);
    g->SetShowSelection(false);
    g->SetScrollBars(ssNone);
    g->resize(755, 577);
    g->OnGetAlignment = [](QObject*, int ARow, int, TAlignment& HAlign, TVAlignment& VAlign) {
        HAlign = ARow == 0 ? taCenter : taRightJustify;
        VAlign = vtaCenter;
    };
    g->MergeCellRange(0, 0, 5, 1);
    return g;
}

// Fills the worksheet grid's texts as a generated sheet of `count` problems does.
inline void FillWorksheet(TAdvStringGrid& g, int count) {
    g.SetCellText(0, 0, platform::Gbk("数 学 运 算 练 习"));
    g.SetCellText(0, 1, platform::Gbk("题目数：") + QByteArray::number(count));
    g.SetCellText(1, 1, platform::Gbk("姓名:       "));
    g.SetCellText(2, 1, platform::Gbk("     年级     班级"));
    g.SetCellText(3, 1, platform::Gbk("用时:       "));
    g.SetCellText(4, 1, platform::Gbk("得分:       "));
    for (int slot = 0; slot < count; ++slot) {
        const int a = 3 + (slot * 37) % 90;
        const int b = 1 + (slot * 11) % 9;
        const char op = "+-x/"[slot % 4];
        const int v = op == '+' ? a + b : op == '-' ? a - b : op == 'x' ? a * b : a / b;
        QByteArray text = QByteArray::number(a) + ' ' + op + ' ' + QByteArray::number(b) + " = " +
                          QByteArray::number(v) + "    \r";
        g.SetCellText(slot % 5, 2 + slot / 5, text);
    }
    g.SetCellFontStyle(0, 0, TFontStyle::fsBold);
}

// The grid as it paints, on white.
inline QImage Render(TBaseGrid& g) {
    QImage image(g.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    g.PaintGrid(painter, image.rect());
    return image;
}

} // namespace grid::gridtest
