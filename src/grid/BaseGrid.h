#pragma once
// The string grid's foundation: a scrollable table of GBK text cells with column widths, row
// heights, fixed rows and columns, a current cell and a range selection, plus per-cell property
// objects, merged cells and the cell paint pass (background and grid lines). What a cell looks
// like and how its text is drawn is left to the derived grid.

#include "grid/CellStore.h"
#include "grid/GridAxis.h"
#include "grid/GridTypes.h"

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QPainter;
class QScrollBar;

namespace grid {

class TBaseGrid;

// Program callbacks of the grid. Sender is the grid.
using TGetDisplTextEvent =
    std::function<void(QObject* Sender, int ACol, int ARow, QByteArray& Value)>;
using TIsFixedCellEvent = std::function<void(QObject* Sender, int ACol, int ARow, bool& IsFixed)>;

// Scroll bars the grid may show.
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TBaseGrid : public QWidget {
    Q_OBJECT
public:
    // The look of one cell, decided before it is painted.
    struct CellLook {
        TColor BrushColor = clNone;
        TFont Font;
        TAlignment HAlign = taLeftJustify;
        TVAlignment VAlign = vtaTop;
    };

    explicit TBaseGrid(QWidget* parent = nullptr);
    ~TBaseGrid() override;

    // --- size and geometry
    int ColCount() const { return m_cells.ColCount(); }
    void SetColCount(int count);
    int RowCount() const { return m_cells.RowCount(); }
    void SetRowCount(int count);
    int FixedCols() const { return m_cols.Fixed(); }
    void SetFixedCols(int count);
    int FixedRows() const { return m_rows.Fixed(); }
    void SetFixedRows(int count);
    // Fixed rows at the bottom and fixed columns at the right; 0 unless set.
    int FixedFooters() const { return m_rows.FixedEnd(); }
    void SetFixedFooters(int count);
    int FixedRightCols() const { return m_cols.FixedEnd(); }
    void SetFixedRightCols(int count);
    int DefaultColWidth() const { return m_cols.DefaultSize(); }
    void SetDefaultColWidth(int width); // resets every column
    int DefaultRowHeight() const { return m_rows.DefaultSize(); }
    void SetDefaultRowHeight(int height); // resets every row and the floating footer
    int FloatingFooterHeight() const { return m_floatingFooterHeight; }
    int ColWidths(int col) const { return m_cols.Size(col); }
    void SetColWidths(int col, int width);
    int RowHeights(int row) const { return m_rows.Size(row); }
    void SetRowHeights(int row, int height);
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle style);

    // --- scrolling: the first non-fixed column and row in view
    int LeftCol() const { return m_leftCol; }
    void SetLeftCol(int col);
    int TopRow() const { return m_topRow; }
    void SetTopRow(int row);
    // The furthest the view can scroll: the last column (row) wholly in view.
    int MaxLeftCol() const;
    int MaxTopRow() const;
    // The widget less its scroll bars: where cells are painted.
    int ClientWidth() const;
    int ClientHeight() const;
    // Non-fixed columns/rows wholly in view (at least 1).
    int VisibleColCount() const;
    int VisibleRowCount() const;

    // --- current cell and selection
    int Col() const { return m_current.X; }
    int Row() const { return m_current.Y; }
    void SetCol(int col);
    void SetRow(int row);
    // Makes (col, row) current and the selection that cell alone; scrolls it into view.
    void FocusCell(int col, int row);
    TGridRect Selection() const;
    void SetSelection(const TGridRect& rect);

    // --- look
    const TFont& Font() const { return m_font; }
    void SetFont(const TFont& font);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TColor FixedColor() const { return m_fixedColor; }
    void SetFixedColor(TColor color);
    const TFont& FixedFont() const { return m_fixedFont; }
    void SetFixedFont(const TFont& font);
    int GridLineWidth() const { return m_gridLineWidth; }
    void SetGridLineWidth(int width);
    TColor GridLineColor() const { return m_gridLineColor; }
    void SetGridLineColor(TColor color);
    TGridOptions Options() const { return m_options; }
    void SetOptions(TGridOptions options);
    // Kept and reported; painting never uses it.
    bool DefaultDrawing() const { return m_defaultDrawing; }
    void SetDefaultDrawing(bool on) { m_defaultDrawing = on; }
    bool HideFocusRect() const { return m_hideFocusRect; }
    void SetHideFocusRect(bool on);

    // --- cells
    TCellStore& Cells() { return m_cells; }
    const TCellStore& Cells() const { return m_cells; }
    bool HasCellProperties(int col, int row) const { return m_cells.HasCellProperties(col, row); }
    TCellProperties* GetCellProperties(int col, int row) {
        return m_cells.GetCellProperties(col, row);
    }
    TGridCoord BaseCellOf(int col, int row) const { return m_cells.BaseCellOf(col, row); }
    // The text shown in a cell: a covered cell reads its base; OnGetDisplText may replace it.
    QByteArray GetCellText(int col, int row) const;
    void SetCellText(int col, int row, const QByteArray& text);
    void MergeCellRange(int col, int row, int spanX, int spanY);
    void SplitCell(int col, int row);
    void SetCellFontStyle(int col, int row, TFontStyles styles);

    TRect PlainCellRect(int col, int row) const;
    TRect MergedCellRect(int col, int row) const;
    // The cell under a point of the widget; false outside every cell.
    bool MouseToCell(QPoint pos, int& col, int& row) const;

    // Repaints the cell's rectangle (its whole block for a merged cell).
    void InvalidateCell(int col, int row);

    // Number of complete paints so far.
    int PaintPass() const { return m_paintPass; }
    // Paints the cells meeting `clip` into `painter` (widget coordinates): the paint event's
    // work, callable on any device.
    void PaintGrid(QPainter& painter, const QRect& clip);

    // Whether a cell counts as fixed when painted.
    bool IsFixedCell(int col, int row) const;

    TGetDisplTextEvent OnGetDisplText;
    TIsFixedCellEvent OnIsFixedCell;

Q_SIGNALS:
    // The current cell or the selection changed.
    void SelectionChanged();

protected:
    // Brush colour, font and alignment of the cell (col, row) in `state`.
    virtual CellLook ResolveCellLook(int col, int row, TGridDrawState state) = 0;
    // Draws the inside of a cell: `content` is the cell rectangle less its grid lines.
    virtual void DrawCellContent(QPainter& painter, int col, int row, const TRect& content,
                                 TGridDrawState state, const CellLook& look) = 0;
    // The dotted focus frame for a cell whose content rectangle is `content`, when it is due.
    void DrawFocusFrame(QPainter& painter, int col, int row, const TRect& content);
    // Whether the grid counts as having the keyboard focus.
    virtual bool GridHasFocus() const { return hasFocus(); }

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawCell(QPainter& painter, int col, int row, TGridDrawState state);
    void DrawBlock(QPainter& painter, int col, int row, TGridDrawState state);
    TGridDrawState CellState(int col, int row) const;
    // Moves the current cell (and the selection, or only its moving corner when extending).
    void MoveCurrent(int col, int row, bool extend);
    void MoveToBaseCell();
    void ScrollInView(int col, int row);
    void ClampScroll();
    void UpdateScrollBars();
    void BarsNeeded(bool& needH, bool& needV) const;
    void InvalidateRange(const TGridRect& rect);
    int FixedWidth() const { return m_cols.FixedExtent(); }
    int FixedHeight() const { return m_rows.FixedExtent(); }
    int FirstScrollCol() const { return m_cols.Fixed(); }
    int FirstScrollRow() const { return m_rows.Fixed(); }
    int LastSelectableCol() const { return ColCount() - 1 - m_cols.FixedEnd(); }
    int LastSelectableRow() const { return RowCount() - 1 - m_rows.FixedEnd(); }

    TCellStore m_cells;
    TGridAxis m_cols{5, 64};  // widths in px
    TGridAxis m_rows{5, 21};  // heights in px
    int m_floatingFooterHeight = 21; // px
    TScrollStyle m_scrollBars = ssBoth;
    int m_leftCol = 1;
    int m_topRow = 1;
    TGridCoord m_current{1, 1};
    TGridCoord m_anchor{1, 1}; // the moving corner of the selection
    bool m_selecting = false;  // a mouse drag is extending the selection
    TFont m_font;
    TFont m_fixedFont;
    TColor m_color = clWindow;
    TColor m_fixedColor = clBtnFace;
    int m_gridLineWidth = 1; // px
    TColor m_gridLineColor = clSilver;
    TGridOptions m_options;
    bool m_defaultDrawing = false;
    bool m_hideFocusRect = false;
    int m_paintPass = 0;
    QScrollBar* m_hbar = nullptr; // child widgets
    QScrollBar* m_vbar = nullptr;
};

} // namespace grid
