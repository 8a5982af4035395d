// Measuring and drawing of views and text objects.
//
// These bodies measure with the font realised at 600 dpi and draw each line with the device's
// own advances; the printer-quality layout (advances stretched to the 600-dpi line lengths,
// line positions spread to the 600-dpi block height) replaces them through the report's text
// layout object.

#include "report/frxClass.h"

#include "platform/Canvas.h"
#include "platform/CanvasFont.h"

#include <cmath>

namespace {

// Every conversion to whole device units rounds halves to the even neighbour.
int Round(long double v) { return static_cast<int>(std::nearbyint(v)); }

constexpr long double kMeasureDpi = 600;
constexpr long double kScreenDpi = 96;
constexpr long double kMeasureScale = kMeasureDpi / kScreenDpi; // 6.25

// Size in whole points of a font given by its pixel height at 96 dpi.
int FontSizeOf(const TfrxFont& font) {
    return Round(std::abs(font.Height()) * 72.0L / kScreenDpi);
}

platform::CanvasFont CanvasFontOf(const TfrxFont& font, int pixelHeight) {
    platform::CanvasFont f;
    f.Name = font.Name();
    f.Height = pixelHeight;
    f.Bold = font.Style().testFlag(fsBold);
    f.Italic = font.Style().testFlag(fsItalic);
    f.Underline = font.Style().testFlag(fsUnderline);
    f.StrikeOut = font.Style().testFlag(fsStrikeOut);
    f.Color = frxColorToQColor(font.Color());
    f.Charset = font.Charset();
    return f;
}

// The lines a text breaks into at a width (in 600-dpi units; <= 0: no wrapping). Empty
// source lines still take one line.
QStringList WrapLines(const QStringList& source, const platform::FontFace& face, long double width,
                      bool wordWrap) {
    QStringList out;
    for (QString line : source) {
        if (line.isEmpty())
            line = QStringLiteral(" ");
        if (!wordWrap || width <= 0 || line.size() < 2 || face.TextWidth(line) < width) {
            out << line;
            continue;
        }
        qsizetype start = 0;
        while (start < line.size()) {
            qsizetype end = start;
            qsizetype lastBlank = -1;
            int w = 0;
            while (end < line.size()) {
                const int cw = face.TextWidth(QStringView(line).mid(end, 1));
                if (w + cw > width)
                    break;
                if (line[end] == u' ')
                    lastBlank = end;
                w += cw;
                ++end;
            }
            if (end >= line.size()) {
                out << line.mid(start);
                break;
            }
            if (lastBlank > start) {
                out << line.mid(start, lastBlank - start);
                start = lastBlank + 1;
            } else if (end == start) {
                out << line.mid(start, 1);
                start += 1;
            } else {
                out << line.mid(start, end - start);
                start = end;
            }
        }
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TfrxView

void TfrxView::ComputeDeviceRect(double scaleX, double scaleY, double offsetX, double offsetY) {
    FScaleX = scaleX;
    FScaleY = scaleY;
    FOffsetX = offsetX;
    FOffsetY = offsetY;
    const long double left = AbsLeft(), top = AbsTop();
    FX = Round(offsetX + scaleX * left);
    FY = Round(offsetY + scaleY * top);
    FX1 = Round(offsetX + scaleX * (left + Width()));
    FY1 = Round(offsetY + scaleY * (top + Height()));
    if (Frame()->DropShadow()) {
        FX1 -= Round(scaleX * Frame()->ShadowWidth());
        FY1 -= Round(scaleY * Frame()->ShadowWidth());
    }
    FDX = FX1 - FX;
    FDY = FY1 - FY;
    FFrameWidth = Round(scaleX * Frame()->Width());
}

void TfrxView::DrawBackground(platform::Canvas* canvas) {
    if (!canvas || Color() == clTransparent || BrushStyle() == bsClear)
        return;
    platform::Brush brush;
    brush.Color = frxColorToQColor(Color());
    brush.Style = static_cast<platform::BrushStyle>(BrushStyle());
    canvas->SetBrush(brush);
    canvas->FillRect(platform::Rect{FX, FY, FX1, FY1});
}

void TfrxView::DrawFrame(platform::Canvas* canvas) {
    const TfrxFrameTypes typ = Frame()->Typ();
    if (!canvas || typ == TfrxFrameTypes())
        return;
    platform::Pen pen;
    pen.Color = frxColorToQColor(Frame()->Color());
    pen.Width = std::max(1, FFrameWidth);
    canvas->SetPen(pen);
    if (typ.testFlag(ftLeft))
        canvas->DrawLine(QPoint(FX, FY), QPoint(FX, FY1));
    if (typ.testFlag(ftRight))
        canvas->DrawLine(QPoint(FX1, FY), QPoint(FX1, FY1));
    if (typ.testFlag(ftTop))
        canvas->DrawLine(QPoint(FX, FY), QPoint(FX1, FY));
    if (typ.testFlag(ftBottom))
        canvas->DrawLine(QPoint(FX, FY1), QPoint(FX1, FY1));
}

void TfrxView::Draw(platform::Canvas* canvas, double scaleX, double scaleY, double offsetX,
                    double offsetY) {
    ComputeDeviceRect(scaleX, scaleY, offsetX, offsetY);
    DrawBackground(canvas);
    DrawFrame(canvas);
}

// ---------------------------------------------------------------------------------------------
// TfrxCustomMemoView

void TfrxCustomMemoView::ComputeDeviceRect(double scaleX, double scaleY, double offsetX,
                                           double offsetY) {
    TfrxStretcheable::ComputeDeviceRect(scaleX, scaleY, offsetX, offsetY);
    const long double w = Frame()->Width();
    const TfrxFrameTypes typ = Frame()->Typ();
    const int gx = Round(scaleX * GapX());
    const int gy = Round(scaleY * GapY());
    int left = FX + gx, top = FY + gy, right = FX1 - gx + 1, bottom = FY1 - gy + 1;
    if (typ.testFlag(ftLeft))
        left += Round((scaleX * w - 1) / 2);
    if (typ.testFlag(ftTop))
        top += Round((scaleY * w - 1) / 2);
    if (typ.testFlag(ftRight))
        right -= Round(scaleX * w / 2);
    if (typ.testFlag(ftBottom))
        bottom -= Round(scaleY * w / 2);
    m_textRect = QRect(left, top, right - left, bottom - top);
}

namespace {

// Gaps around the text of a text object, px.
long double VerticalGaps(const TfrxCustomMemoView& m) {
    long double g = 2 * m.GapY();
    const long double w = m.Frame()->Width();
    if (m.Frame()->Typ().testFlag(ftTop))
        g += (w - 1) / 2;
    if (m.Frame()->Typ().testFlag(ftBottom))
        g += w / 2;
    if (m.Frame()->DropShadow())
        g += m.Frame()->ShadowWidth();
    return g;
}

long double HorizontalGaps(const TfrxCustomMemoView& m) {
    long double g = 2 * m.GapX();
    const long double w = m.Frame()->Width();
    if (m.Frame()->Typ().testFlag(ftLeft))
        g += (w - 1) / 2;
    if (m.Frame()->Typ().testFlag(ftRight))
        g += w / 2;
    if (m.Frame()->DropShadow())
        g += m.Frame()->ShadowWidth();
    return g;
}

const TfrxFont& ActiveFont(const TfrxCustomMemoView& m) {
    return m.Highlight()->Active() ? *m.Highlight()->Font() : *m.Font();
}

// Lines of the object's text at 600 dpi, wrapped at its text width at scale 1 (no wrapping
// with AutoWidth), and the measured line height in px.
QStringList MeasuredLines(TfrxCustomMemoView& m, platform::FontFacePtr& face, long double& lineHeight) {
    const int size = FontSizeOf(ActiveFont(m));
    const int measureHeight = Round(size * kMeasureDpi / 72);
    face = platform::FontFace::Get(CanvasFontOf(ActiveFont(m), measureHeight));
    lineHeight = measureHeight / kMeasureScale;
    long double width = 0;
    if (!m.AutoWidth()) {
        m.ComputeDeviceRect(1, 1, 0, 0);
        width = Round(m.TextRect().width() * kMeasureScale);
    }
    return WrapLines(m.Memo(), *face, width, m.WordWrap() && !m.AutoWidth());
}

} // namespace

long double TfrxCustomMemoView::CalcHeight() {
    platform::FontFacePtr face;
    long double lineHeight = 0;
    const QStringList lines = MeasuredLines(*this, face, lineHeight);
    const long double textHeight =
        m_memo.isEmpty() ? 0 : lines.size() * (lineHeight + LineSpacing());
    return Round(textHeight + VerticalGaps(*this));
}

long double TfrxCustomMemoView::CalcWidth() {
    platform::FontFacePtr face;
    long double lineHeight = 0;
    const QStringList lines = MeasuredLines(*this, face, lineHeight);
    long double widest = 0;
    if (!m_memo.isEmpty()) {
        for (const QString& line : lines)
            widest = std::max<long double>(widest, face->TextWidth(line));
    }
    return widest / kMeasureScale + HorizontalGaps(*this);
}

void TfrxCustomMemoView::Draw(platform::Canvas* canvas, double scaleX, double scaleY,
                              double offsetX, double offsetY) {
    if (AutoWidth() && !IsDesigning()) {
        const long double oldWidth = Width();
        const long double newWidth = CalcWidth();
        SetWidth(newWidth);
        if (HAlign() == haRight)
            SetLeft(Left() + (oldWidth - newWidth));
        else if (HAlign() == haCenter)
            SetLeft(Left() + (oldWidth - newWidth) / 2);
        if (Parent())
            Parent()->LayOutChildren();
    }
    platform::FontFacePtr face;
    long double lineHeight = 0;
    const QStringList lines = m_memo.isEmpty() ? QStringList() : MeasuredLines(*this, face, lineHeight);

    ComputeDeviceRect(scaleX, scaleY, offsetX, offsetY);
    const TColor savedColor = Color();
    if (Highlight()->Active())
        SetColor(Highlight()->Color());
    DrawBackground(canvas);
    DrawFrame(canvas);
    SetColor(savedColor);
    if (!canvas || lines.isEmpty())
        return;

    const int size = FontSizeOf(ActiveFont(*this));
    const int deviceHeight = canvas->IsPrinter() ? Round(canvas->DpiY() * size / 72.0L)
                                                 : Round(size * scaleY * kScreenDpi / 72);
    canvas->SetFont(CanvasFontOf(ActiveFont(*this), deviceHeight));
    canvas->SetBackgroundTransparent(true);
    const int advance = deviceHeight + Round(LineSpacing() * scaleY);
    const int blockHeight = advance * static_cast<int>(lines.size());
    const QRect r = m_textRect;
    int y = r.top();
    if (VAlign() == vaBottom)
        y += r.height() - blockHeight;
    else if (VAlign() == vaCenter)
        y += Round((r.height() - blockHeight) / 2.0L);
    const platform::Rect clip{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    for (const QString& line : lines) {
        const int w = canvas->TextWidth(line);
        int x = r.left();
        if (HAlign() == haCenter)
            x += Round((r.width() - w) / 2.0L);
        else if (HAlign() == haRight)
            x += r.width() - w;
        canvas->ExtTextOut(x, y, line, nullptr, Clipped() ? &clip : nullptr, RTLReading());
        y += advance;
    }
}
