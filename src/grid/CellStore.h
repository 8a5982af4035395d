#pragma once
// The grid's cells: their GBK texts, the property objects made on first use, and the merge
// model of blocks of cells.

#include "grid/GridTypes.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class QObject;
class QWidget;

namespace grid {

class TBaseGrid;

// Per-cell properties, created the first time something writes them. Fields the worksheet never
// uses are kept so the object stays whole for the rest of the grid's family.
class TCellProperties {
public:
    TCellProperties(TBaseGrid* grid, int col, int row) : Grid(grid), OwnerCol(col), OwnerRow(row) {}

    bool IsBaseCell = true;
    int CellSpanX = -1;
    int CellSpanY = -1;
    TBaseGrid* Grid;
    int OwnerCol;
    int OwnerRow;
    TAlignment Alignment = taLeftJustify;
    TColor BorderColor = 0;
    int BorderWidth = 0;
    TColor BrushColor = clNone;
    Qt::BrushStyle BrushStyle = Qt::SolidPattern;
    QObject* CellObject = nullptr; // not owned
    TColor FontColor = clNone;
    QString FontName;
    int FontSize = 0; // points
    TFontStyles FontStyle;
    int Editor = 0;
    bool ReadOnly = false;
    TVAlignment VAlignment = vtaTop;
    bool WordWrap = false;
    int NodeLevel = 0;
    QWidget* Control = nullptr; // not owned
    int PaintStamp = 0;
};

// The cell store: a ColCount x RowCount table of GBK texts and optional property objects, with
// the merge model. Knows nothing of widgets, so it is tested on its own.
//
// Merge encoding (every cell of a block has properties):
//   plain cell    IsBaseCell true,  spans -1, -1
//   block base    IsBaseCell true,  spans = block width - 1, block height - 1
//   covered cell  IsBaseCell false, spans = offset of the cell from the base
class TCellStore {
public:
    explicit TCellStore(TBaseGrid* owner = nullptr) : m_owner(owner) {}

    int ColCount() const { return m_cols; }
    int RowCount() const { return m_rows; }
    // Keeps texts and properties of the cells that remain. A merged block cut by the new size
    // is split, so no block ever reaches outside the table.
    void Resize(int cols, int rows);
    bool Contains(int col, int row) const {
        return col >= 0 && row >= 0 && col < m_cols && row < m_rows;
    }

    // The text stored in the cell itself (no merge lookup). Empty outside the table.
    const QByteArray& Text(int col, int row) const;
    // Stores into the cell itself; ignored outside the table.
    void SetText(int col, int row, const QByteArray& text);

    bool HasCellProperties(int col, int row) const;
    // Creates the object on first use. Null outside the table.
    TCellProperties* GetCellProperties(int col, int row);
    const TCellProperties* CellProperties(int col, int row) const;

    TGridCoord BaseCellOf(int col, int row) const;
    // Merges SpanX x SpanY cells from (col, row). Does nothing for spans below 1 or a block that
    // does not fit in the table. Blocks the new one overlaps are split first.
    void MergeCellRange(int col, int row, int spanX, int spanY);
    // Splits the block holding (col, row) back into plain cells; returns the block it was (or
    // the cell alone).
    TGridRect SplitCell(int col, int row);
    // The block holding (col, row), or the cell alone.
    TGridRect BlockOf(int col, int row) const;

    // Checks the merge invariant over the whole table; describes the first breach in `why`.
    bool CheckConsistency(QString* why = nullptr) const;

private:
    qsizetype Index(int col, int row) const { return qsizetype(row) * m_cols + col; }

    TBaseGrid* m_owner;
    int m_cols = 0;
    int m_rows = 0;
    std::vector<QByteArray> m_texts;
    std::vector<std::unique_ptr<TCellProperties>> m_props;
};

} // namespace grid
