#pragma once
// Printer-quality layout of a text object's lines. Lines are broken and measured with the font
// realised at 600 dpi, independent of the device; drawing stretches each line's device advances
// to its 600-dpi length and spreads the line positions to the 600-dpi block height, so a page
// breaks its lines identically in the preview at every zoom and on paper.

#include "platform/Canvas.h"
#include "platform/CanvasFont.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

// Rounding of every layout conversion: to the nearest integer, halves to the even neighbour.
// Values beyond any device (from a damaged prepared report, say) stop at +-2^29, so that sums
// and differences of a few of them still fit an int; not-a-number gives 0. rintl rounds like
// nearbyintl in the default rounding mode but compiles to one instruction, where nearbyintl
// saves and restores the floating-point environment on every call; the whole number goes to
// int through double (exact below 2^53), which spares the two control-word switches of a
// direct conversion.
inline int frxRoundEven(long double v) {
    constexpr long double limit = 1 << 29;
    if (std::isnan(v))
        return 0;
    return static_cast<int>(static_cast<double>(std::rintl(std::clamp(v, -limit, limit))));
}

// The one rule for a font's size in whole points from its height in pixels (negative: the em
// height): the model's TfrxFont::Size and the layout's font size both use it, so a font keeps
// its size through a prepared page's Font.Size and back.
inline int frxPointsFromPixels(int height, int pixelsPerInch = 96) {
    return frxRoundEven(static_cast<long double>(height) * 72 / pixelsPerInch);
}

class TfrxDrawText {
public:
    // Same order as the text object's haLeft.. and vaTop.. values.
    enum class HAlign { Left, Right, Center, Block };
    enum class VAlign { Top, Bottom, Center };

    // Paragraph flags of a wrapped line.
    enum : int { FirstLine = 1, LastLine = 2 };
    struct Line {
        QString Text;
        int Flags = 0;
    };

    static constexpr int MeasureDpi = 600;
    static constexpr int ScreenDpi = 96;
    static constexpr long double UnitsPerPixel = 6.25L; // 600-dpi units per 96-dpi pixel

    TfrxDrawText();
    ~TfrxDrawText();

    // Lock marks the object (and the process) busy for one measurement or drawing. Everything
    // runs on one thread, so a holder can only be further down the caller's own stack (a repaint
    // reached while preparation processes events): waiting for it would never end. A nested
    // Lock therefore keeps the holder's layout state aside and Unlock puts it back, so the two
    // uses never see each other's state.
    void Lock();
    void Unlock();
    // Whether any layout object of the process is locked.
    static bool Busy();

    // `font` gives name, style and size (point or pixel size at 96 dpi); the size is taken in
    // whole points.
    void SetFont(const QFont& font, const QColor& color, int charset = 1);
    void SetOptions(bool wordWrap, bool htmlTags, int rotation, bool wysiwyg, bool clipped,
                    bool wordBreak, bool rtlReading);
    void SetGaps(long double lineSpacing, long double charSpacing, long double paragraphGap);
    void SetRectangles(const platform::Rect& layoutRect, const platform::Rect& deviceRect,
                       long double printScale, long double scaleX, long double scaleY);
    // The object's lines, already split at line ends.
    void SetText(const QStringList& lines);
    void SetParagraphEnds(bool firstParaBreak, bool lastParaBreak);

    long double CalcHeight() const; // px at 96 dpi
    long double CalcWidth() const;  // px at 96 dpi
    long double LineHeight() const; // px at 96 dpi

    void DrawText(platform::Canvas& canvas, HAlign hAlign, VAlign vAlign);

    int FontSize() const { return m_fontSize; }           // whole points
    int MeasureHeight() const { return m_measureHeight; } // 600-dpi units
    const std::vector<Line>& Lines() const { return m_lines; }
    const QString& PlainText() const { return m_plainText; }
    const platform::Rect& LayoutRect() const { return m_layoutRect; }
    const platform::Rect& DeviceRect() const { return m_deviceRect; }
    bool Wysiwyg() const { return m_wysiwyg; }
    int Rotation() const { return m_rotation; }

    // The even-spreading rule: `steps` unit steps of `sign` over entries a..b; single steps
    // land on the middles of successively halved ranges.
    static void SpreadEvenly(int* values, int a, int b, int steps, int sign);
    // Adds `amount` to `count` entries: below `threshold` steps it is spread step by step,
    // otherwise every entry gets the whole-number share and the rest is spread.
    static void SpreadCorrection(int* values, int count, int amount, int threshold);

private:
    // The layout state alone, for keeping a holder's state aside.
    TfrxDrawText(const TfrxDrawText&) = default;
    TfrxDrawText& operator=(const TfrxDrawText&) = default;

    void WrapLine(const QString& text, int maxWidth, int charSpacing, int firstWidth);
    void DrawLine(platform::Canvas& canvas, const QString& text, int x, int y, int width,
                  HAlign hAlign, bool printer);

    platform::CanvasFont m_font; // name, style, colour; Height unused
    int m_fontSize = 10;
    int m_measureHeight = 83;
    platform::FontFacePtr m_measure;

    std::vector<Line> m_lines;
    QString m_plainText;

    bool m_wordWrap = true;
    bool m_htmlTags = false;
    bool m_wysiwyg = true;
    bool m_clipped = true;
    bool m_wordBreak = false;
    bool m_rtl = false;
    int m_rotation = 0;

    long double m_lineSpacing = 2;
    long double m_charSpacing = 0;
    long double m_paragraphGap = 0;

    platform::Rect m_layoutRect;
    platform::Rect m_deviceRect;
    long double m_printScale = 1;
    long double m_scaleX = 1;
    long double m_scaleY = 1;

    // Per-character advances of the line being handled; grows with the longest line.
    std::vector<int> m_widths;
    std::vector<int> m_deviceWidths;

    // Lock depth and the states of the holders further down the stack; not layout state, so
    // never copied with it.
    struct Nesting {
        Nesting() = default;
        Nesting(const Nesting&) {}
        Nesting& operator=(const Nesting&) { return *this; }
        int depth = 0;
        std::vector<std::unique_ptr<TfrxDrawText>> saved;
    };
    Nesting m_nesting;
};

// Holds a layout object's lock for a scope, so an exception cannot leave the busy flag set.
class TfrxDrawTextLock {
public:
    explicit TfrxDrawTextLock(TfrxDrawText* dt) : m_dt(dt) { m_dt->Lock(); }
    ~TfrxDrawTextLock() { m_dt->Unlock(); }
    TfrxDrawTextLock(const TfrxDrawTextLock&) = delete;
    TfrxDrawTextLock& operator=(const TfrxDrawTextLock&) = delete;

private:
    TfrxDrawText* m_dt;
};

// The layout object for text objects that belong to no report.
TfrxDrawText* frxDrawText();
