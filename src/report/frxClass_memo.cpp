// Measuring and drawing of views and text objects. Text goes through the report's layout
// object (report/frxGraphicUtils): measured at 600 dpi, drawn stretched to those lengths.

#include "report/frxClass.h"
#include "report/frxRuntime.h"

#include "platform/Canvas.h"
#include "report/frxGraphicUtils.h"
#include "report/frxVariables.h"

#include <QObject>

#include <memory>
#include <unordered_map>

using namespace frxClass;

namespace {

int Round(long double v) {
    return frxRoundEven(v);
}

platform::Rect ToRect(const QRect& r) {
    return platform::Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// The font as Qt describes it, sized by its pixel height at 96 dpi.
QFont QtFontOf(const TfrxFont& font) {
    QFont f(font.Name());
    f.setPixelSize(std::max(1, std::abs(font.Height())));
    f.setBold(font.Style().testFlag(frxClass::fsBold));
    f.setItalic(font.Style().testFlag(frxClass::fsItalic));
    f.setUnderline(font.Style().testFlag(frxClass::fsUnderline));
    f.setStrikeOut(font.Style().testFlag(frxClass::fsStrikeOut));
    return f;
}

// Gaps around the text of a text object on one axis, px: both margins, the frame lines on the
// two sides (half a line inside each, the first side rounding down) and the drop shadow.
long double AxisGaps(const TfrxCustomMemoView& m, long double gap, frxClass::TfrxFrameType first,
                     frxClass::TfrxFrameType second) {
    long double g = 2 * gap;
    const long double w = m.Frame()->Width();
    if (m.Frame()->Typ().testFlag(first))
        g += (w - 1) / 2;
    if (m.Frame()->Typ().testFlag(second))
        g += w / 2;
    if (m.Frame()->DropShadow())
        g += m.Frame()->ShadowWidth();
    return g;
}

long double VerticalGaps(const TfrxCustomMemoView& m) {
    return AxisGaps(m, m.GapY(), frxClass::ftTop, frxClass::ftBottom);
}

long double HorizontalGaps(const TfrxCustomMemoView& m) {
    return AxisGaps(m, m.GapX(), frxClass::ftLeft, frxClass::ftRight);
}

// The object's lines; a line that still holds a line break (set from outside without being
// split) is split here so that no break character reaches the canvas.
QStringList SourceLines(const TfrxCustomMemoView& m) {
    const QStringList& lines = m.Memo();
    for (const QString& l : lines) {
        for (QChar c : l) {
            if (c == u'\r' || c == u'\n' || c == QChar(0x2028))
                return TfrxCustomMemoView::SplitLines(m.Text());
        }
    }
    return lines;
}

const platform::Rect kUnbounded{0, 0, 10000, 10000};

// Each report has its own layout object, kept in its run-time part; objects outside a report
// share the process-wide one.
TfrxDrawText* LayoutObject(const TfrxComponent& c) {
    TfrxReport* report = c.Report();
    return report ? report->Runtime().DrawText() : frxDrawText();
}

void SetDrawParams(TfrxDrawText* dt, const TfrxCustomMemoView& m) {
    const TfrxFont& font = m.Highlight()->Active() ? *m.Highlight()->Font() : *m.Font();
    dt->SetFont(QtFontOf(font), frxColorToQColor(font.Color()), font.Charset());
    dt->SetOptions(m.WordWrap(), m.AllowHTMLTags(), m.Rotation(), m.Wysiwyg(), m.Clipped(),
                   m.WordBreak(), m.RTLReading());
    dt->SetGaps(m.LineSpacing(), m.CharSpacing(), m.ParagraphGap());
}

// "[TOTALPAGES#]" (any case) becomes the page count; "[COPYNAME#]" the global variable
// "CopyName" + copy number, or nothing when there is no such variable.
void ReplaceMarkers(TfrxCustomMemoView& m) {
    static const QString totalPages = QStringLiteral("[TOTALPAGES#]");
    static const QString copyName = QStringLiteral("[COPYNAME#]");
    bool hasTotal = false, hasCopy = false;
    for (const QString& l : m.Memo()) {
        hasTotal = hasTotal || l.contains(totalPages, Qt::CaseInsensitive);
        hasCopy = hasCopy || l.contains(copyName, Qt::CaseInsensitive);
    }
    if (!hasTotal && !hasCopy)
        return;
    QString copy;
    if (hasCopy) {
        const TfrxVariables& globals = frxGlobalVariables();
        const int i = globals.IndexOf(QStringLiteral("CopyName") + QString::number(m.CopyNumber));
        if (i >= 0)
            copy = globals.Items(i).Value.ToString();
    }
    QStringList lines = m.Memo();
    for (QString& l : lines) {
        l.replace(totalPages, QString::number(m.TotalPagesValue), Qt::CaseInsensitive);
        l.replace(copyName, copy, Qt::CaseInsensitive);
    }
    m.SetMemo(lines);
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
    if (!canvas || BrushStyle() == bsClear)
        return;
    const platform::Rect r{FX, FY, FX1, FY1};
    if (Color() != clTransparent) {
        canvas->SetBrush(platform::Brush{frxColorToQColor(Color()), platform::BrushStyle::Solid});
        canvas->FillRect(r);
    }
    if (BrushStyle() != bsSolid) {
        // Hatch lines in the frame colour over the fill.
        canvas->SetBrush(platform::Brush{frxColorToQColor(Frame()->Color()),
                                         static_cast<platform::BrushStyle>(BrushStyle())});
        canvas->FillRect(r);
    }
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
        canvas->DrawLine(QPoint(FX, FY), QPoint(FX, FY1 + 1));
    if (typ.testFlag(ftRight))
        canvas->DrawLine(QPoint(FX1, FY), QPoint(FX1, FY1 + 1));
    if (typ.testFlag(ftTop))
        canvas->DrawLine(QPoint(FX, FY), QPoint(FX1 + 1, FY));
    if (typ.testFlag(ftBottom))
        canvas->DrawLine(QPoint(FX, FY1), QPoint(FX1 + 1, FY1));
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

long double TfrxCustomMemoView::CalcHeight() {
    TfrxDrawText* dt = LayoutObject(*this);
    TfrxDrawTextLock lock(dt);
    SetDrawParams(dt, *this);
    platform::Rect r = kUnbounded;
    if (!AutoWidth()) {
        ComputeDeviceRect(1, 1, 0, 0);
        r = ToRect(m_textRect);
    }
    dt->SetRectangles(r, r, 1, 1, 1);
    dt->SetText(SourceLines(*this));
    return Round(dt->CalcHeight() + VerticalGaps(*this));
}

long double TfrxCustomMemoView::CalcWidth() {
    TfrxDrawText* dt = LayoutObject(*this);
    TfrxDrawTextLock lock(dt);
    SetDrawParams(dt, *this);
    platform::Rect r = kUnbounded;
    if (!AutoWidth()) {
        ComputeDeviceRect(1, 1, 0, 0);
        r = ToRect(m_textRect);
    }
    dt->SetRectangles(r, r, 1, 1, 1);
    dt->SetText(SourceLines(*this));
    return dt->CalcWidth() + HorizontalGaps(*this);
}

void TfrxCustomMemoView::Draw(platform::Canvas* canvas, double scaleX, double scaleY,
                              double offsetX, double offsetY) {
    if (!IsDesigning())
        ReplaceMarkers(*this);

    // The highlight's fill colour stands in for the object's only while it is drawn.
    struct ColorRestore {
        TfrxView* view;
        TColor color;
        ~ColorRestore() { view->SetColor(color); }
    } restore{this, Color()};
    TfrxDrawText* dt = LayoutObject(*this);
    TfrxDrawTextLock lock(dt);
    SetDrawParams(dt, *this);
    if (Highlight()->Active())
        SetColor(Highlight()->Color());
    const QStringList lines = SourceLines(*this);

    if (AutoWidth() && !IsDesigning()) {
        dt->SetRectangles(kUnbounded, kUnbounded, 1, 1, 1);
        dt->SetText(lines);
        const long double oldWidth = Width();
        const long double newWidth = dt->CalcWidth() + HorizontalGaps(*this);
        SetWidth(newWidth);
        if (HAlign() == haRight)
            SetLeft(Left() + (oldWidth - newWidth));
        else if (HAlign() == haCenter)
            SetLeft(Left() + (oldWidth - newWidth) / 2);
        if (Parent())
            Parent()->LayOutChildren();
    }

    // The wrapping width is always the one at scale 1; the device rectangle is computed last
    // so the view's fields describe the device for the background and the frame.
    ComputeDeviceRect(1, 1, 0, 0);
    const platform::Rect layoutRect = ToRect(m_textRect);
    ComputeDeviceRect(scaleX, scaleY, offsetX, offsetY);
    const platform::Rect deviceRect = ToRect(m_textRect);
    const long double printScale = IsPrinting() ? PrintScale : 1;

    dt->SetRectangles(layoutRect, deviceRect, printScale, scaleX, scaleY);
    dt->SetText(lines);
    dt->SetParagraphEnds(FirstParaBreak(), LastParaBreak());

    DrawBackground(canvas);
    DrawFrame(canvas);
    if (canvas)
        dt->DrawText(*canvas, static_cast<TfrxDrawText::HAlign>(HAlign()),
                     static_cast<TfrxDrawText::VAlign>(VAlign()));
}
