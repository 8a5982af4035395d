#include "report/frxGraphicUtils.h"


#include <cstdlib>

using platform::Canvas;
using platform::CanvasFont;
using platform::FontFace;
using platform::Rect;

namespace {

int g_busy = 0; // locks held across the process

} // namespace

TfrxDrawText::TfrxDrawText() {
    SetFont(QFont(QStringLiteral("Arial"), 10), Qt::black);
}

TfrxDrawText::~TfrxDrawText() {
    g_busy -= m_nesting.depth; // freed while locked: its locks end with it
}

void TfrxDrawText::Lock() {
    if (m_nesting.depth > 0)
        m_nesting.saved.push_back(std::unique_ptr<TfrxDrawText>(new TfrxDrawText(*this)));
    ++m_nesting.depth;
    ++g_busy;
}

void TfrxDrawText::Unlock() {
    if (m_nesting.depth == 0)
        return;
    --m_nesting.depth;
    --g_busy;
    if (!m_nesting.saved.empty()) {
        std::unique_ptr<TfrxDrawText> holder = std::move(m_nesting.saved.back());
        m_nesting.saved.pop_back();
        *this = *holder;
    }
}

bool TfrxDrawText::Busy() {
    return g_busy > 0;
}

void TfrxDrawText::SetFont(const QFont& font, const QColor& color, int charset) {
    if (font.pixelSize() > 0)
        m_fontSize = frxPointsFromPixels(font.pixelSize(), ScreenDpi);
    else
        m_fontSize = frxRoundEven(font.pointSizeF());
    m_font.Name = font.family();
    m_font.Bold = font.bold();
    m_font.Italic = font.italic();
    m_font.Underline = font.underline();
    m_font.StrikeOut = font.strikeOut();
    m_font.Color = color;
    m_font.Charset = charset;
    m_measureHeight =
        std::abs(frxRoundEven(m_fontSize * static_cast<long double>(MeasureDpi) / 72));
    m_measure = FontFace::Get(m_font.Name, m_measureHeight, m_font.Bold, m_font.Italic);
}

void TfrxDrawText::SetOptions(bool wordWrap, bool htmlTags, int rotation, bool wysiwyg,
                              bool clipped, bool wordBreak, bool rtlReading) {
    m_wordWrap = wordWrap;
    m_htmlTags = htmlTags;
    m_rotation = ((rotation % 360) + 360) % 360;
    m_wysiwyg = wysiwyg;
    m_clipped = clipped;
    m_wordBreak = wordBreak;
    m_rtl = rtlReading;
}

void TfrxDrawText::SetGaps(long double lineSpacing, long double charSpacing,
                           long double paragraphGap) {
    m_lineSpacing = lineSpacing;
    m_charSpacing = charSpacing;
    m_paragraphGap = paragraphGap;
}

void TfrxDrawText::SetRectangles(const Rect& layoutRect, const Rect& deviceRect,
                                 long double printScale, long double scaleX, long double scaleY) {
    m_layoutRect = layoutRect;
    m_deviceRect = deviceRect;
    m_printScale = printScale;
    m_scaleX = scaleX;
    m_scaleY = scaleY;
}

void TfrxDrawText::SetText(const QStringList& lines) {
    m_lines.clear();
    m_plainText.clear();
    const bool sideways =
        (m_rotation >= 90 && m_rotation <= 179) || (m_rotation >= 270 && m_rotation <= 359);
    const long double a = sideways ? m_layoutRect.Height() : m_layoutRect.Width();
    const int maxWidth = frxRoundEven(a * UnitsPerPixel);
    const int charSpacing = frxRoundEven(m_charSpacing * UnitsPerPixel);
    const int firstWidth = frxRoundEven((a - m_paragraphGap) * UnitsPerPixel);
    const QString blank(QLatin1Char(' '));
    for (const QString& source : lines) {
        const QString& line = source.isEmpty() ? blank : source;
        m_plainText += line;
        m_plainText += QLatin1String("\r\n");
        const size_t first = m_lines.size();
        WrapLine(line, maxWidth, charSpacing, firstWidth);
        if (m_lines.size() - first == 1) {
            m_lines[first].Flags = FirstLine | LastLine;
        } else if (m_lines.size() > first) {
            m_lines[first].Flags = FirstLine;
            m_lines.back().Flags = LastLine;
        }
    }
}

void TfrxDrawText::WrapLine(const QString& text, int maxWidth, int charSpacing, int firstWidth) {
    const qsizetype len = text.size();
    if (!m_wordWrap || len < 2) {
        m_lines.push_back(Line{text, 0});
        return;
    }
    // Cumulative right edge of every character, character spacing included.
    if (m_widths.size() < static_cast<size_t>(len))
        m_widths.resize(static_cast<size_t>(len));
    int* cum = m_widths.data();
    m_measure->Advances(text, cum);
    int edge = 0;
    for (qsizetype i = 0; i < len; ++i) {
        edge += cum[i] + charSpacing;
        cum[i] = edge;
    }
    if (edge < firstWidth) {
        m_lines.push_back(Line{text, 0});
        return;
    }
    qsizetype start = 0;
    qsizetype blank = -1;
    int consumed = 0;
    int width = firstWidth;
    qsizetype i = 0;
    while (i < len) {
        if (text.at(i) == QLatin1Char(' '))
            blank = i;
        if (cum[i] - consumed > width) {
            if (blank > start) {
                // End before the last blank; the blank itself is dropped.
                m_lines.push_back(Line{text.mid(start, blank - start), 0});
                consumed = cum[blank];
                start = blank + 1;
            } else if (i == start) {
                // A character wider than the line stands alone.
                m_lines.push_back(Line{text.mid(start, 1), 0});
                consumed = cum[i];
                start = i + 1;
            } else {
                // A word longer than the line is broken before the overflowing character.
                m_lines.push_back(Line{text.mid(start, i - start), 0});
                consumed = cum[i - 1];
                start = i;
            }
            blank = -1;
            width = maxWidth;
            i = start;
            continue;
        }
        ++i;
    }
    if (start < len)
        m_lines.push_back(Line{text.mid(start), 0});
}

void TfrxDrawText::SetParagraphEnds(bool firstParaBreak, bool lastParaBreak) {
    if (m_lines.empty())
        return;
    if (firstParaBreak)
        m_lines.front().Flags &= ~FirstLine;
    if (lastParaBreak)
        m_lines.back().Flags &= ~LastLine;
}

long double TfrxDrawText::LineHeight() const {
    return m_measureHeight / UnitsPerPixel + m_lineSpacing;
}

long double TfrxDrawText::CalcHeight() const {
    if (m_lines.empty())
        return 0;
    return static_cast<long double>(m_lines.size()) * LineHeight();
}

long double TfrxDrawText::CalcWidth() const {
    if (m_lines.empty())
        return 0;
    const int charSpacing = frxRoundEven(m_charSpacing * UnitsPerPixel);
    const int paragraphGap = frxRoundEven(m_paragraphGap * UnitsPerPixel);
    long long widest = 0;
    for (const Line& line : m_lines) {
        long long w = m_measure->TextWidth(line.Text) +
                      static_cast<long long>(line.Text.size()) * charSpacing;
        if (line.Flags & FirstLine)
            w += paragraphGap;
        widest = std::max(widest, w);
    }
    return widest / UnitsPerPixel;
}

void TfrxDrawText::SpreadEvenly(int* values, int a, int b, int steps, int sign) {
    if (steps <= 0 || b < a)
        return;
    const int size = b - a + 1;
    if (steps > size) {
        // More steps than entries: every entry takes its whole share first. (Callers spread
        // only remainders, so this keeps the rule total without writing past the range.)
        for (int k = a; k <= b; ++k)
            values[k] += sign * (steps / size);
        steps %= size;
        if (steps == 0)
            return;
    }
    int c = size / 2;
    if (c == 0)
        c = 1;
    if (steps == 1) {
        values[a + c - 1] += sign;
        return;
    }
    SpreadEvenly(values, a, a + c - 1, steps / 2, sign);
    SpreadEvenly(values, a + c, b, steps - steps / 2, sign);
}

void TfrxDrawText::SpreadCorrection(int* values, int count, int amount, int threshold) {
    if (count <= 0 || amount == 0)
        return;
    const int sign = amount < 0 ? -1 : 1;
    const int steps = std::abs(amount);
    if (steps < threshold) {
        SpreadEvenly(values, 0, count - 1, steps, sign);
        return;
    }
    const int share = steps / count;
    for (int k = 0; k < count; ++k)
        values[k] += sign * share;
    SpreadEvenly(values, 0, count - 1, steps % count, sign);
}

void TfrxDrawText::DrawText(Canvas& canvas, HAlign hAlign, VAlign vAlign) {
    const int n = static_cast<int>(m_lines.size());
    if (n == 0)
        return;
    const bool printer = canvas.IsPrinter();

    // Device font and its line height.
    CanvasFont font = m_font;
    const int hd =
        printer
            ? frxRoundEven(canvas.DpiY() * static_cast<long double>(m_fontSize) * m_printScale / 72)
            : frxRoundEven(m_fontSize * m_scaleY * ScreenDpi / 72);
    font.Height = std::abs(hd);
    canvas.SetFont(font);

    // The block's height at 600 dpi, in device pixels.
    const long double hm = m_measureHeight;
    int blockHeight;
    if (printer) {
        const long double g = static_cast<long double>(MeasureDpi) / canvas.DpiY() / m_printScale;
        blockHeight = frxRoundEven((m_lineSpacing * m_scaleY * g * n + hm * n) / g);
    } else {
        blockHeight =
            frxRoundEven((m_lineSpacing * UnitsPerPixel * n + hm * n) / UnitsPerPixel * m_scaleY);
    }

    // Line gaps: the naive advance, corrected so the block has the 600-dpi height.
    const int naive = font.Height + frxRoundEven(m_lineSpacing * m_scaleY);
    std::vector<int> gaps(static_cast<size_t>(n), naive);
    if (m_wysiwyg && n > 1)
        SpreadCorrection(gaps.data(), n - 1, blockHeight - n * naive, n);

    const int x = m_deviceRect.Left;
    int y = m_deviceRect.Top;
    const int rectHeight = m_deviceRect.Height();
    if (vAlign == VAlign::Bottom)
        y += rectHeight - blockHeight;
    else if (vAlign == VAlign::Center)
        y += frxRoundEven((rectHeight - blockHeight) / 2.0L);
    const int available = m_deviceRect.Width();

    canvas.SetBackgroundTransparent(true);
    const int indentWidth = frxRoundEven(m_paragraphGap * m_scaleX);
    for (int i = 0; i < n; ++i) {
        const Line& line = m_lines[static_cast<size_t>(i)];
        const bool indented =
            (line.Flags & FirstLine) && (hAlign == HAlign::Left || hAlign == HAlign::Block);
        const int indent = indented ? indentWidth : 0;
        DrawLine(canvas, line.Text, x + indent, y, available - indent, hAlign, printer);
        y += gaps[static_cast<size_t>(i)];
    }
}

void TfrxDrawText::DrawLine(Canvas& canvas, const QString& text, int x, int y, int width,
                            HAlign hAlign, bool printer) {
    const qsizetype m = text.size();
    if (m == 0)
        return;
    // Length at 600 dpi, character spacing between the characters only.
    const int cs600 = frxRoundEven(m_charSpacing * UnitsPerPixel);
    long long w600 = m_measure->TextWidth(text) + static_cast<long long>(m - 1) * cs600;

    // The device's own advances.
    canvas.CharAdvances(text, m_deviceWidths);
    const int csDev = frxRoundEven(m_charSpacing * m_scaleX);
    long long wDev = 0;
    for (int& w : m_deviceWidths) {
        w += csDev;
        wDev += w;
    }
    wDev -= csDev;

    long long target;
    if (!m_wysiwyg)
        target = wDev;
    else if (printer)
        target = frxRoundEven(w600 * m_printScale /
                              (static_cast<long double>(MeasureDpi) / canvas.DpiX()));
    else
        target = frxRoundEven(w600 / UnitsPerPixel * m_scaleX);
    SpreadCorrection(m_deviceWidths.data(), static_cast<int>(m), static_cast<int>(target - wDev),
                     static_cast<int>(m));

    int left = x;
    if (hAlign == HAlign::Center)
        left = x + frxRoundEven((width - target) / 2.0L);
    else if (hAlign == HAlign::Right)
        left = x + static_cast<int>(width - target) - ((m_font.Bold || m_font.Italic) ? 1 : 0);
    canvas.ExtTextOut(left, y, text, m_deviceWidths.data(), m_clipped ? &m_deviceRect : nullptr,
                      m_rtl);
}

TfrxDrawText* frxDrawText() {
    static TfrxDrawText instance;
    return &instance;
}
