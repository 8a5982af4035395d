#pragma once
// The string grid's foundation: a scrollable table of GBK text cells with column widths, row
// heights, fixed rows and columns, a current cell and a range selection, plus per-cell property
// objects, merged cells and the cell paint pass (background and grid lines). What a cell looks
// like and how its text is drawn is left to the derived grid.

#include "platform/Canvas.h"
#include "platform/CanvasFont.h"

#include <QByteArray>
#include <QFlags>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QScrollBar;

namespace grid {

// Colours as the designs give them: 0x00BBGGRR, or a system colour (0xFF0000nn, nn = the
// platform's colour index), or clNone.
using TColor = quint32;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clHighlight = 0xFF00000D;
inline constexpr TColor clHighlightText = 0xFF00000E;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clBtnText = 0xFF000012;
inline constexpr TColor clInfoBk = 0xFF000018;

// The colour to paint with; system colours come from the application palette. clNone gives an
// invalid QColor.
QColor ColorToQColor(TColor color);

// A rectangle with exclusive right and bottom edges, as the cell geometry is reasoned about:
// the canvas's own rectangle, so cell rectangles go to the text drawing unchanged.
using TRect = platform::Rect;
// The smallest rectangle holding both.
TRect UnionRect(const TRect& a, const TRect& b);

enum class TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFontStyles)

inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int GB2312_CHARSET = 134;

// A font as the designs describe it. Height < 0 is the character height in pixels.
struct TFont {
    QString Name = QStringLiteral("Tahoma");
    int Height = -11; // px
    TColor Color = clWindowText;
    TFontStyles Style;
    int Charset = DEFAULT_CHARSET;

    // Size in points at 96 pixels per inch, rounded half away from zero.
    int Size() const;
    void SetSize(int points);
    // The canvas font to draw with: the face by name (substitutions apply), pixel size |Height|.
    platform::CanvasFont ToCanvasFont() const;
    QFont ToQFont() const;
    friend bool operator==(const TFont&, const TFont&) = default;
};

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
enum TVAlignment { vtaTop = 0, vtaCenter = 1, vtaBottom = 2 };

enum class TGridOption {
    goFixedVertLine = 0x1,
    goFixedHorzLine = 0x2,
    goVertLine = 0x4,
    goHorzLine = 0x8,
    goRangeSelect = 0x10,
    goDrawFocusSelected = 0x20,
    goRowSizing = 0x40,
    goColSizing = 0x80,
    goRowMoving = 0x100,
    goColMoving = 0x200,
    goEditing = 0x400,
    goTabs = 0x800,
    goRowSelect = 0x1000,
    goAlwaysShowEditor = 0x2000,
    goThumbTracking = 0x4000,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptions)

enum class TGridDrawStateItem { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateItem)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

// A cell range, both corners inclusive.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    bool Contains(int col, int row) const {
        return col >= Left && col <= Right && row >= Top && row <= Bottom;
    }
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

struct TGridCoord {
    int X = 0; // column
    int Y = 0; // row
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

class TBaseGrid;

// Program callbacks of the grid. Sender is the grid.
using TGetDisplTextEvent =
    std::function<void(QObject* Sender, int ACol, int ARow, QByteArray& Value)>;
using TIsFixedCellEvent = std::function<void(QObject* Sender, int ACol, int ARow, bool& IsFixed)>;

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
    int FixedCols() const { return m_fixedCols; }
    void SetFixedCols(int count);
    int FixedRows() const { return m_fixedRows; }
    void SetFixedRows(int count);
    // Fixed rows at the bottom and fixed columns at the right; 0 unless set.
    int FixedFooters() const { return m_fixedFooters; }
    void SetFixedFooters(int count);
    int FixedRightCols() const { return m_fixedRightCols; }
    void SetFixedRightCols(int count);
    int DefaultColWidth() const { return m_defaultColWidth; }
    void SetDefaultColWidth(int width); // resets every column
    int DefaultRowHeight() const { return m_defaultRowHeight; }
    void SetDefaultRowHeight(int height); // resets every row and the floating footer
    int FloatingFooterHeight() const { return m_floatingFooterHeight; }
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int RowHeights(int row) const;
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
    int FixedWidth() const;
    int FixedHeight() const;
    int FirstScrollCol() const { return m_fixedCols; }
    int FirstScrollRow() const { return m_fixedRows; }
    int LastSelectableCol() const { return ColCount() - 1 - m_fixedRightCols; }
    int LastSelectableRow() const { return RowCount() - 1 - m_fixedFooters; }

    TCellStore m_cells;
    std::vector<int> m_colWidths;
    std::vector<int> m_rowHeights;
    int m_fixedCols = 1;
    int m_fixedRows = 1;
    int m_fixedFooters = 0;
    int m_fixedRightCols = 0;
    int m_defaultColWidth = 64;      // px
    int m_defaultRowHeight = 21;     // px
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
