#pragma once
// The drawing surface the report engine and the grid paint on: pens, brushes, fonts given by
// pixel height, fills, lines, clip rectangles, formatted text and text output with explicit
// per-character advances. Implemented over QPainter (CanvasPainter.h) and by a recording canvas
// that keeps every call (CanvasRecording.h).

#include "platform/CanvasFont.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringView>

#include <vector>

namespace platform {

// A device rectangle with exclusive right and bottom edges: Width() is Right - Left.
struct Rect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    Rect Intersected(const Rect& o) const;
    bool Intersects(const Rect& o) const { return !Intersected(o).IsEmpty(); }
    QRect ToQRect() const { return QRect(Left, Top, Width(), Height()); }
    static Rect FromQRect(const QRect& r) {
        return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear };

struct Pen {
    QColor Color = Qt::black;
    int Width = 1; // device pixels; 0 draws one pixel wide
    PenStyle Style = PenStyle::Solid;
};

enum class BrushStyle {
    Solid,
    Clear,
    Horizontal,
    Vertical,
    FDiagonal,
    BDiagonal,
    Cross,
    DiagCross
};

struct Brush {
    QColor Color = Qt::white;
    BrushStyle Style = BrushStyle::Solid;
};

// Flags of DrawText. Values are those of the old platform's formatted text call so stored
// flag words keep their meaning. "&" is always drawn as itself: there is no prefix processing.
namespace TextFormat {
enum : unsigned {
    Left = 0x0,
    Top = 0x0,
    Center = 0x1,
    Right = 0x2,
    VCenter = 0x4,
    Bottom = 0x8,
    WordBreak = 0x10,
    SingleLine = 0x20,
    ExpandTabs = 0x40,
    NoClip = 0x100,
    CalcRect = 0x400, // measure only: return the rectangle the text needs, draw nothing
    EndEllipsis = 0x8000,
    RtlReading = 0x20000,
};
}

class Canvas {
public:
    virtual ~Canvas();

    // Device.
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;
    virtual bool IsPrinter() const { return false; }
    // A recording counts as showing everything: callers skip their visibility tests.
    virtual bool IsRecording() const { return false; }

    // Drawing tools. The font's Height is the em height in device pixels.
    virtual void SetPen(const Pen& pen) { m_pen = pen; }
    virtual void SetBrush(const Brush& brush) { m_brush = brush; }
    virtual void SetFont(const CanvasFont& font);
    // Text output fills its cell with the background colour unless the mode is transparent
    // (the default, as all callers here want).
    virtual void SetBackgroundTransparent(bool transparent) { m_transparent = transparent; }
    virtual void SetBackgroundColor(const QColor& color) { m_background = color; }
    const Pen& GetPen() const { return m_pen; }
    const Brush& GetBrush() const { return m_brush; }
    const CanvasFont& GetFont() const { return m_font; }
    bool BackgroundTransparent() const { return m_transparent; }
    const QColor& BackgroundColor() const { return m_background; }

    // Shapes. FillRect uses the brush only; Rectangle outlines with the pen and fills with the
    // brush; DrawLine draws with the pen and leaves out the end point.
    virtual void FillRect(const Rect& r) = 0;
    virtual void Rectangle(const Rect& r) = 0;
    virtual void DrawLine(QPoint from, QPoint to) = 0;

    // Clipping: a stack of rectangles; IntersectClip narrows the current clip.
    virtual void SaveClip() = 0;
    virtual void IntersectClip(const Rect& r) = 0;
    virtual void RestoreClip() = 0;
    // Bounding box of the clip; a very large rectangle when nothing clips.
    virtual Rect ClipBox() const = 0;
    bool RectVisible(const Rect& r) const { return IsRecording() || ClipBox().Intersects(r); }

    // Measuring with the current font, in device pixels.
    const FontFace& Face() const { return *m_face; }
    // One advance per UTF-16 unit (0 on the second unit of a surrogate pair).
    void CharAdvances(QStringView text, std::vector<int>& out) const;
    int TextWidth(QStringView text) const { return m_face->TextWidth(text); }
    int TextHeight() const { return m_face->Ascent() + m_face->Descent(); }

    // Formatted text in a rectangle with TextFormat flags; returns the rectangle the text
    // occupies (with CalcRect nothing is drawn).
    virtual Rect DrawText(const Rect& r, const QString& text, unsigned flags) = 0;

    // Text output with the cell's top-left corner at (x, y). With `advances` (one per UTF-16
    // unit) each character starts where the previous advances put it; without, the font's
    // own advances apply. With `clip` the text is clipped to it. `rtl` lays out text that
    // holds right-to-left characters from the right.
    virtual void ExtTextOut(int x, int y, QStringView text, const int* advances, const Rect* clip,
                            bool rtl) = 0;
    // A picture stretched over the rectangle, inside the clip.
    virtual void DrawImage(const Rect& r, const QImage& image) = 0;

protected:
    Canvas();
    Pen m_pen;
    Brush m_brush;
    CanvasFont m_font;
    FontFacePtr m_face;
    bool m_transparent = true;
    QColor m_background = Qt::white;
};

// The positions ExtTextOut gives each UTF-16 unit, relative to x, for the given advances; with
// `rtl` and right-to-left characters in the text, the line is mirrored inside its width.
std::vector<int> GlyphOffsets(QStringView text, const int* advances, bool rtl);

} // namespace platform
