#include "grid/AdvGrid.h"

#include "platform/CanvasPainter.h"
#include "platform/GbkCodec.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

namespace grid {

TTextKind TextKind(const QByteArray& text, bool enableHTML) {
    if (text.isEmpty())
        return tkPlain;
    // One blank appended, so the second character can always be looked at.
    const QByteArray s = text + ' ';
    if (s[0] == '=')
        return tkFormula;
    if (s[0] == '|' && s[1] == '\\')
        return tkWide;
    if (s[0] == '{' && s[1] == '\\')
        return tkRich;
    // '<' is never part of a two-byte GBK character, so the bytes can be searched directly.
    if (enableHTML && (s.contains("</") || s.contains("<B") || s.contains("<I")))
        return tkHTML;
    return tkPlain;
}

void DrawCellText(platform::Canvas& canvas, const TRect& rect, const QString& text,
                  unsigned flags) {
    namespace tf = platform::TextFormat;
    const bool clip = !(flags & DT_NOCLIP);
    if (clip && rect.IsEmpty())
        return;
    // The platform's flag values are the canvas's; prefix processing does not exist there.
    unsigned canvasFlags = flags & (DT_CENTER | DT_RIGHT | DT_WORDBREAK | DT_SINGLELINE |
                                    DT_EXPANDTABS | DT_END_ELLIPSIS | DT_RTLREADING);
    platform::Rect box = rect;
    if (flags & DT_SINGLELINE) {
        // Vertical placement of the one line in whole pixels, as the platform call places it.
        const int lineHeight = QFontMetrics(canvas.GetFont().ToQFont()).height();
        int top = rect.Top;
        if (flags & DT_VCENTER)
            top = rect.Top + (rect.Height() - lineHeight) / 2;
        else if (flags & DT_BOTTOM)
            top = rect.Bottom - lineHeight;
        box = platform::Rect{rect.Left, top, rect.Right, top + lineHeight};
    }
    // Clip to the cell, not to the line box; several lines always start at the top.
    if (clip) {
        canvas.SaveClip();
        canvas.IntersectClip(rect);
    }
    canvas.SetBackgroundTransparent(true);
    canvas.DrawText(box, text, canvasFlags | tf::Top | tf::NoClip);
    if (clip)
        canvas.RestoreClip();
}

namespace {

// A number as the user writes it: optional blanks and sign, digits with at most one decimal
// separator, an optional exponent.
bool IsNumericText(const QByteArray& text) {
    const QByteArray t = text.trimmed();
    if (t.isEmpty())
        return false;
    const QString s = QString::fromLatin1(t);
    bool ok = false;
    QLocale::system().toDouble(s, &ok);
    if (ok)
        return true;
    QLocale::c().toDouble(s, &ok);
    return ok;
}

// Lines of a text, as a list of strings counts them: a break at the very end adds none.
int LineCount(const QString& text) {
    if (text.isEmpty())
        return 1;
    int lines = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch != QLatin1Char('\r') && ch != QLatin1Char('\n'))
            continue;
        if (ch == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        if (i + 1 < text.size())
            ++lines;
    }
    return lines;
}

} // namespace

TAdvStringGrid::TAdvStringGrid(QWidget* parent) : TBaseGrid(parent) {
    SetDefaultRowHeight(21);
    m_activeCellFont.Style = TFontStyle::fsBold;
}

TAdvStringGrid::~TAdvStringGrid() = default;

void TAdvStringGrid::SetVAlignment(TVAlignment v) {
    m_vAlignment = v;
    update();
}

void TAdvStringGrid::SetEnableHTML(bool on) {
    m_enableHTML = on;
    update();
}

void TAdvStringGrid::SetShowSelection(bool on) {
    m_showSelection = on;
    update();
}

void TAdvStringGrid::SetSelectionColor(TColor color) {
    m_selectionColor = color;
    update();
}

void TAdvStringGrid::SetSelectionTextColor(TColor color) {
    m_selectionTextColor = color;
    update();
}

void TAdvStringGrid::SetActiveCellShow(bool on) {
    m_activeCellShow = on;
    update();
}

void TAdvStringGrid::SetActiveCellFont(const TFont& font) {
    m_activeCellFont = font;
    update();
}

void TAdvStringGrid::SetActiveCellColor(TColor color) {
    m_activeCellColor = color;
    update();
}

void TAdvStringGrid::SetBands(const TBands& bands) {
    m_bands = bands;
    update();
}

void TAdvStringGrid::SetWordWrap(bool on) {
    m_wordWrap = on;
    update();
}

void TAdvStringGrid::SetMultilinecells(bool on) {
    m_multilineCells = on;
    update();
}

void TAdvStringGrid::SetEnhTextSize(bool on) {
    m_enhTextSize = on;
    update();
}

void TAdvStringGrid::SetAutoNumAlign(bool on) {
    m_autoNumAlign = on;
    update();
}

void TAdvStringGrid::SetLook(TGridLook look) {
    m_look = look;
    update();
}

void TAdvStringGrid::GetCellAlignment(int col, int row, TAlignment& hAlign, TVAlignment& vAlign) {
    vAlign = m_vAlignment;
    hAlign = taLeftJustify;
    // Formula texts ("=...") are not evaluated here, so they never count as numbers.
    if (m_autoNumAlign) {
        const QByteArray text = GetCellText(col, row);
        if (!text.startsWith('=') && IsNumericText(text))
            hAlign = taRightJustify;
    }
    if (HasCellProperties(col, row))
        hAlign = Cells().CellProperties(col, row)->Alignment;
    if (OnGetAlignment)
        OnGetAlignment(this, row, col, hAlign, vAlign);
}

void TAdvStringGrid::ApplyCellProperties(int col, int row, TColor& brush, TFont& font) const {
    const TCellProperties* p = Cells().CellProperties(col, row);
    if (!p)
        return;
    if (p->BrushColor != clNone)
        brush = p->BrushColor;
    if (p->FontColor != clNone)
        font.Color = p->FontColor;
    if (p->FontStyle)
        font.Style = p->FontStyle;
    if (p->FontSize != 0)
        font.SetSize(p->FontSize);
    if (!p->FontName.isEmpty())
        font.Name = p->FontName;
}

TBaseGrid::CellLook TAdvStringGrid::ResolveCellLook(int col, int row, TGridDrawState state) {
    const bool fixed = state.testFlag(TGridDrawStateItem::gdFixed);
    CellLook look;
    look.Font = fixed ? FixedFont() : Font();
    TColor brush = clNone;
    ApplyCellProperties(col, row, brush, look.Font);

    if (brush == clNone) {
        brush = Color();
        const int period = m_bands.PrimaryLength + m_bands.SecondaryLength;
        // Not while printing: the grid never prints, so Bands.Print has nothing to decide.
        if (m_bands.Active && period > 0 && m_bands.PrimaryLength >= 0 &&
            m_bands.SecondaryLength >= 0 && col >= FixedCols() &&
            col < ColCount() - FixedRightCols() && row >= FixedRows() &&
            row < RowCount() - FixedFooters())
            brush = (row - FixedRows()) % period < m_bands.PrimaryLength ? m_bands.PrimaryColor
                                                                         : m_bands.SecondaryColor;
    }
    if (fixed) {
        brush = FixedColor();
        look.Font.Color = FixedFont().Color;
    }
    if (m_activeCellShow && fixed && ((col == 0 && row == Row()) || (row == 0 && col == Col()))) {
        look.Font = m_activeCellFont;
        brush = m_activeCellColor;
    }
    ApplyCellProperties(col, row, brush, look.Font);
    if (OnGetCellColor) {
        TBrush b{brush};
        OnGetCellColor(this, row, col, state, b, look.Font);
        brush = b.Color;
    }
    if (m_showSelection && state.testFlag(TGridDrawStateItem::gdSelected) && !fixed &&
        (!state.testFlag(TGridDrawStateItem::gdFocused) ||
         Options().testFlag(TGridOption::goDrawFocusSelected))) {
        if (m_selectionColor != clNone)
            brush = m_selectionColor;
        if (m_selectionTextColor != clNone)
            look.Font.Color = m_selectionTextColor;
    }
    look.BrushColor = brush;
    GetCellAlignment(col, row, look.HAlign, look.VAlign);
    if (m_zoomStep != 0)
        look.Font.SetSize(look.Font.Size() + m_zoomStep);
    return look;
}

void TAdvStringGrid::DrawCellContent(QPainter& painter, int col, int row, const TRect& content,
                                     TGridDrawState state, const CellLook& look) {
    const QByteArray raw = GetCellText(col, row);
    // HTML, rich-text, formula and wide texts are drawn as they stand, like plain ones.
    (void)TextKind(raw, m_enableHTML);
    const TRect textRect{content.Left + m_textInset, content.Top + m_textInset,
                         content.Right - m_textInset, content.Bottom};
    if (!raw.isEmpty()) {
        // Converted from the system code page once, here where it is drawn.
        QString text = platform::FromGbk(raw);
        const int lines = m_multilineCells ? LineCount(text) : 1;
        unsigned flags = 0;
        if (lines == 1 && !m_wordWrap) {
            const qsizetype cr = text.indexOf(QLatin1Char('\r'));
            if (cr >= 0)
                text.truncate(cr);
            flags = DT_SINGLELINE | (m_enhTextSize ? DT_END_ELLIPSIS : 0u);
        } else {
            flags = DT_EDITCONTROL;
        }
        flags |= DT_EXPANDTABS | DT_NOPREFIX;
        flags |= m_wordWrap ? (DT_WORDBREAK | DT_EDITCONTROL) : DT_SINGLELINE;
        flags |= look.HAlign == taRightJustify ? DT_RIGHT
                 : look.HAlign == taCenter     ? DT_CENTER
                                               : DT_LEFT;
        flags |= look.VAlign == vtaCenter   ? DT_VCENTER
                 : look.VAlign == vtaBottom ? DT_BOTTOM
                                            : DT_TOP;
        if (layoutDirection() == Qt::RightToLeft)
            flags |= DT_RTLREADING;
        platform::PainterCanvas canvas(&painter);
        canvas.SetFont(look.Font.ToCanvasFont());
        DrawCellText(canvas, textRect, text, flags);
    }
    DrawFocusFrame(painter, col, row, content);
}

} // namespace grid
