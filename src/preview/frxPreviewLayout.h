#pragma once
// Where the preview puts its pages: the page list of a workspace laid out in centred rows, the
// page under a point, the zoom a zoom mode asks for, the zoom box's text, and the clamping of
// scroll positions. Plain classes, so the arithmetic is tested without a window.

#include <QRect>

#include <utility>
#include <QString>

#include <vector>

// One page of a workspace: size at the workspace zoom and position in workspace coordinates,
// all in screen pixels. Extents are 32-bit: a page at a large zoom is wider than 65535 px.
struct TfrxPageItem {
    int Height = 0;
    int Width = 0;
    int Left = 0;
    int Top = 0;

    QRect Bounds() const { return QRect(Left, Top, Width, Height); }
};

class TfrxPageList {
public:
    // Room around pages and between rows and pages, px.
    static constexpr int Gap = 10;
    // A page not laid out yet is drawn as an A4 sheet at zoom 1 (px at 96 dpi).
    static constexpr int DefaultPageWidth = 794;
    static constexpr int DefaultPageHeight = 1123;

    void Clear();
    int Count() const { return static_cast<int>(m_items.size()); }
    // Appends a page of the given size (already zoomed).
    void AddPage(int width, int height);
    // Appends a page of the given size at zoom 1, scaled by `zoom` and rounded (halves to even).
    void AddPage(int width, int height, long double zoom);
    const TfrxPageItem& Item(int index) const { return m_items[static_cast<std::size_t>(index)]; }

    // Places the pages in rows for a view `clientWidth` wide. A row takes pages while it is
    // empty or the next page still fits; pages in a row are Gap apart and share its top; each
    // row is centred (never closer than Gap to the left edge) and the next row starts Gap below
    // its tallest page.
    void LayoutRows(int clientWidth);
    // Widest row: sum of its page widths plus Gap per page.
    int MaxWidth() const { return m_maxWidth; }
    // Bottom edge of the last page; 0 when empty.
    int Bottom() const;

    // The page shown at the view's top y: the last page whose top is at or above y plus a fifth
    // of that page's height, so a page counts as current once it fills the top fifth. 0 when the
    // list is empty or y lies above every page.
    int FindPage(int y) const;
    // The page under the point (x, y): in the row of the last page whose top is at or above y,
    // the first whose rectangle holds the point. -1 when none does.
    int FindPageAt(int x, int y) const;
    // First and last index of the pages that can reach into the band of rows between `top`
    // and `bottom` (exclusive): the rows from the one at `top` down to the last that starts
    // above `bottom`. {0, -1} when none does.
    std::pair<int, int> PagesBetween(int top, int bottom) const;

    // Page bounds for painting: a page of the list, or for an index outside the list a default
    // A4 sheet at `zoom`, centred in `clientWidth`, 10 x zoom from the top.
    QRect PageBounds(int index, int clientWidth, long double zoom) const;

private:
    // Last index whose top <= y + (fifth ? height / 5 : 0); -1 when none.
    // The first page of the row `index` is in (pages of a row share their top).
    int FirstInRow(int index) const;
    int LastPageAtOrAbove(int y, bool fifth) const;

    std::vector<TfrxPageItem> m_items;
    int m_maxWidth = 0;
};

namespace frxPreviewZoom {

// The smallest zoom the preview shows, and the smallest the Ctrl+wheel reaches.
constexpr long double MinZoom = 0.25L;
constexpr long double MinWheelZoom = 0.3L;
constexpr long double ButtonStep = 0.25L;
constexpr long double WheelStep = 0.1L;
// Room a fitted page keeps from the view's edges, px.
constexpr int FitMargin = 26;

// Zoom that fits a page `pageHeight` px high (at zoom 1) into a view `viewHeight` px high.
long double WholePage(int viewHeight, int pageHeight);
// Zoom that fits a page `pageWidth` px wide into a view `viewWidth` wide, less a vertical scroll
// bar `scrollBarWidth` wide.
long double PageWidth(int viewWidth, int scrollBarWidth, int pageWidth);
// Zoom after one Zoom In / Zoom Out press (never below MinZoom).
long double Stepped(long double zoom, bool in);
// Zoom after wheel notches with Ctrl held (`notches` > 0 zooms in). Zooming out stops at
// MinWheelZoom; a zoom already below it is left as it is.
long double Wheeled(long double zoom, int notches);
// Zoom never below MinZoom; the preview's setter.
long double Clamped(long double zoom);

// The zoom box's text for a zoom: the rounded percentage followed by "%".
QString Text(long double zoom);
// Reads a typed or chosen zoom text: "%" becomes a blank, blanks are dropped, the rest is a
// number with either decimal separator, divided by 100. Returns false with nothing left to read
// (the zoom stays); raises platform::Error with the conversion message when the text is no
// number.
bool Parse(const QString& text, long double& zoom);

} // namespace frxPreviewZoom

// A scroll position always within 0 .. range - page (0 when the range is smaller than the page).
int frxClampScroll(int position, int range, int page);
// Rounds halves to even, saturating at the int range: page extents and zoomed sizes.
int frxRoundToInt(long double value);
