#pragma once
// The string grid the windows use: the base grid plus the colour, font and alignment of every
// cell (cell properties, banding, fixed and active cells, selection, callbacks) and the drawing
// of cell texts.

#include "platform/Canvas.h"
#include "grid/BaseGrid.h"

#include <QString>

#include <functional>

namespace grid {

// Row banding.
struct TBands {
    bool Active = false;
    TColor PrimaryColor = clInfoBk;
    int PrimaryLength = 1; // rows
    TColor SecondaryColor = clWindow;
    int SecondaryLength = 1; // rows
    bool Print = false;
    friend bool operator==(const TBands&, const TBands&) = default;
};

// Style of the fixed cells.
enum TGridLook { glStandard, glSoft, glClassic, glXP };

// What a cell text holds.
enum TTextKind { tkPlain, tkFormula, tkWide, tkRich, tkHTML };
// Classifies a cell text (GBK bytes). HTML only counts when enableHTML is on.
TTextKind TextKind(const QByteArray& text, bool enableHTML);

// Flags of the formatted-text call, with the values the platform gives them.
enum : unsigned {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_NOPREFIX = 0x800,
    DT_EDITCONTROL = 0x2000,
    DT_END_ELLIPSIS = 0x8000,
    DT_RTLREADING = 0x20000,
};

// The grid's one text drawing call: `text` in the canvas's font and colour, placed in `rect` by
// the DT_ flags, clipped to `rect` unless DT_NOCLIP. "&" is always drawn as itself.
void DrawCellText(platform::Canvas& canvas, const TRect& rect, const QString& text,
                  unsigned flags);

// The brush the colour callback may change.
struct TBrush {
    TColor Color = clNone;
};

using TGridAlignEvent = std::function<void(QObject* Sender, int ARow, int ACol, TAlignment& HAlign,
                                           TVAlignment& VAlign)>;
using TGridColorEvent = std::function<void(QObject* Sender, int ARow, int ACol,
                                           TGridDrawState AState, TBrush& ABrush, TFont& AFont)>;

class TAdvStringGrid : public TBaseGrid {
    Q_OBJECT
public:
    explicit TAdvStringGrid(QWidget* parent = nullptr);
    ~TAdvStringGrid() override;

    TVAlignment VAlignment() const { return m_vAlignment; }
    void SetVAlignment(TVAlignment v);
    bool EnableHTML() const { return m_enableHTML; }
    void SetEnableHTML(bool on);
    bool ShowSelection() const { return m_showSelection; }
    void SetShowSelection(bool on);
    TColor SelectionColor() const { return m_selectionColor; }
    void SetSelectionColor(TColor color);
    TColor SelectionTextColor() const { return m_selectionTextColor; }
    void SetSelectionTextColor(TColor color);
    bool ActiveCellShow() const { return m_activeCellShow; }
    void SetActiveCellShow(bool on);
    const TFont& ActiveCellFont() const { return m_activeCellFont; }
    void SetActiveCellFont(const TFont& font);
    TColor ActiveCellColor() const { return m_activeCellColor; }
    void SetActiveCellColor(TColor color);
    const TBands& Bands() const { return m_bands; }
    void SetBands(const TBands& bands);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool on);
    bool Multilinecells() const { return m_multilineCells; }
    void SetMultilinecells(bool on);
    bool EnhTextSize() const { return m_enhTextSize; }
    void SetEnhTextSize(bool on);
    bool AutoNumAlign() const { return m_autoNumAlign; }
    void SetAutoNumAlign(bool on);
    TGridLook Look() const { return m_look; }
    void SetLook(TGridLook look);
    // Added to the font size of every painted cell, points.
    int ZoomStep() const { return m_zoomStep; }

    // The alignment a cell is painted with: grid default, cell properties, then OnGetAlignment.
    void GetCellAlignment(int col, int row, TAlignment& hAlign, TVAlignment& vAlign);

    // The colour and font a cell is painted with in a given state (what the paint pass uses).
    CellLook CellLookFor(int col, int row, TGridDrawState state) {
        return ResolveCellLook(col, row, state);
    }

    // Asked for every painted cell's alignment: the base cell of a block, ARow before ACol.
    TGridAlignEvent OnGetAlignment;
    TGridColorEvent OnGetCellColor;

protected:
    CellLook ResolveCellLook(int col, int row, TGridDrawState state) override;
    void DrawCellContent(QPainter& painter, int col, int row, const TRect& content,
                         TGridDrawState state, const CellLook& look) override;

private:
    void ApplyCellProperties(int col, int row, TColor& brush, TFont& font) const;

    TVAlignment m_vAlignment = vtaTop;
    bool m_enableHTML = true;
    bool m_showSelection = true;
    TColor m_selectionColor = clHighlight;
    TColor m_selectionTextColor = clHighlightText;
    bool m_activeCellShow = false;
    TFont m_activeCellFont;
    TColor m_activeCellColor = clGray;
    TBands m_bands;
    bool m_wordWrap = false;
    bool m_multilineCells = false;
    bool m_enhTextSize = false;
    bool m_autoNumAlign = false;
    TGridLook m_look = glSoft;
    const int m_zoomStep = 0;  // points
    const int m_textInset = 2; // px from the left, right and top of the content rectangle
};

} // namespace grid
