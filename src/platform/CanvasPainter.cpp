#include "platform/CanvasPainter.h"
#include "platform/Canvas_p.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>

#include <limits>

namespace platform {

namespace {

Qt::PenStyle ToQt(PenStyle s) {
    switch (s) {
    case PenStyle::Solid:
        return Qt::SolidLine;
    case PenStyle::Dash:
        return Qt::DashLine;
    case PenStyle::Dot:
        return Qt::DotLine;
    case PenStyle::DashDot:
        return Qt::DashDotLine;
    case PenStyle::DashDotDot:
        return Qt::DashDotDotLine;
    case PenStyle::Clear:
        return Qt::NoPen;
    }
    return Qt::SolidLine;
}

Qt::BrushStyle ToQt(BrushStyle s) {
    switch (s) {
    case BrushStyle::Solid:
        return Qt::SolidPattern;
    case BrushStyle::Clear:
        return Qt::NoBrush;
    case BrushStyle::Horizontal:
        return Qt::HorPattern;
    case BrushStyle::Vertical:
        return Qt::VerPattern;
    case BrushStyle::FDiagonal:
        return Qt::BDiagPattern;
    case BrushStyle::BDiagonal:
        return Qt::FDiagPattern;
    case BrushStyle::Cross:
        return Qt::CrossPattern;
    case BrushStyle::DiagCross:
        return Qt::DiagCrossPattern;
    }
    return Qt::SolidPattern;
}

QPen ToQPen(const Pen& p) {
    QPen pen(p.Color, std::max(0, p.Width), ToQt(p.Style));
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

bool IsPagedDevice(QPainter* painter) {
    return painter && dynamic_cast<QPagedPaintDevice*>(painter->device()) != nullptr;
}

constexpr int kHuge = std::numeric_limits<int>::max() / 4;

} // namespace

// Qt's own formatted text: shared with the recording canvas, which measures the same way.
int QtTextFlags(unsigned flags) {
    int qt = 0;
    if (flags & TextFormat::Center)
        qt |= Qt::AlignHCenter;
    else if (flags & TextFormat::Right)
        qt |= Qt::AlignRight;
    else
        qt |= Qt::AlignLeft;
    if (flags & TextFormat::VCenter)
        qt |= Qt::AlignVCenter;
    else if (flags & TextFormat::Bottom)
        qt |= Qt::AlignBottom;
    else
        qt |= Qt::AlignTop;
    if (flags & TextFormat::SingleLine)
        qt |= Qt::TextSingleLine;
    else if (flags & TextFormat::WordBreak)
        qt |= Qt::TextWordWrap;
    if (flags & TextFormat::NoClip)
        qt |= Qt::TextDontClip;
    if (flags & TextFormat::ExpandTabs)
        qt |= Qt::TextExpandTabs;
    return qt;
}

QString ElideIfAsked(const QFontMetrics& fm, const QString& text, const Rect& r, unsigned flags) {
    if (!(flags & TextFormat::EndEllipsis) || text.contains(QLatin1Char('\n')))
        return text;
    return fm.elidedText(text, Qt::ElideRight, std::max(0, r.Width()));
}

PainterCanvas::PainterCanvas(QPainter* painter)
    : PainterCanvas(painter, painter->device()->logicalDpiX(), painter->device()->logicalDpiY(),
                    IsPagedDevice(painter)) {}

PainterCanvas::PainterCanvas(QPainter* painter, int dpiX, int dpiY, bool printer)
    : m_painter(painter), m_dpiX(dpiX), m_dpiY(dpiY), m_printer(printer) {
    QPaintDevice* device = painter->device();
    m_device = Rect{0, 0, device->width(), device->height()};
    m_baseClipped = painter->hasClipping();
    if (m_baseClipped)
        m_baseRegion = painter->clipRegion();
}

PainterCanvas::~PainterCanvas() {
    // Leave the painter's clip as the canvas found it.
    if (m_clipped) {
        m_clipped = false;
        ApplyClip();
    }
}

void PainterCanvas::FillRect(const Rect& r) {
    if (m_brush.Style == BrushStyle::Clear || r.IsEmpty())
        return;
    m_painter->fillRect(r.ToQRect(), QBrush(m_brush.Color, ToQt(m_brush.Style)));
}

void PainterCanvas::Rectangle(const Rect& r) {
    if (r.IsEmpty())
        return;
    FillRect(r);
    if (m_pen.Style == PenStyle::Clear)
        return;
    m_painter->save();
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setPen(ToQPen(m_pen));
    m_painter->setBrush(Qt::NoBrush);
    // The outline lies inside the rectangle, its right and bottom edges on the last pixels.
    const int w = std::max(1, m_pen.Width);
    const qreal inset = w / 2.0;
    m_painter->drawRect(QRectF(r.Left + inset, r.Top + inset, r.Width() - w, r.Height() - w));
    m_painter->restore();
}

void PainterCanvas::DrawLine(QPoint from, QPoint to) {
    if (m_pen.Style == PenStyle::Clear)
        return;
    // The end point is not drawn: shorten horizontal and vertical lines by that pixel.
    QPoint end = to;
    if (from.y() == to.y() && from.x() != to.x())
        end.rx() += from.x() < to.x() ? -1 : 1;
    else if (from.x() == to.x() && from.y() != to.y())
        end.ry() += from.y() < to.y() ? -1 : 1;
    m_painter->save();
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setPen(ToQPen(m_pen));
    if (from == to)
        return m_painter->restore();
    m_painter->drawLine(from, end);
    m_painter->restore();
}

void PainterCanvas::ApplyClip() {
    if (m_clipped) {
        if (m_baseClipped)
            m_painter->setClipRegion(m_baseRegion.intersected(m_clip.ToQRect()));
        else
            m_painter->setClipRect(m_clip.ToQRect());
    } else if (m_baseClipped) {
        m_painter->setClipRegion(m_baseRegion);
    } else {
        m_painter->setClipping(false);
    }
}

void PainterCanvas::SaveClip() {
    m_clipStack.push_back(ClipState{m_clipped, m_clip});
}

void PainterCanvas::IntersectClip(const Rect& r) {
    m_clip = m_clipped ? m_clip.Intersected(r) : r;
    m_clipped = true;
    ApplyClip();
}

void PainterCanvas::RestoreClip() {
    if (m_clipStack.empty())
        return;
    const ClipState s = m_clipStack.back();
    m_clipStack.pop_back();
    if (s.clipped == m_clipped && (!s.clipped || s.rect == m_clip))
        return;
    m_clipped = s.clipped;
    m_clip = s.rect;
    ApplyClip();
}

Rect PainterCanvas::ClipBox() const {
    Rect box = m_baseClipped ? Rect::FromQRect(m_baseRegion.boundingRect())
                             : Rect{-kHuge, -kHuge, kHuge, kHuge};
    if (m_clipped)
        box = box.Intersected(m_clip);
    return box;
}

Rect PainterCanvas::DrawText(const Rect& r, const QString& text, unsigned flags) {
    const QFont font = m_font.ToQFont();
    const QFontMetrics fm(font, m_painter->device());
    const QString shown = ElideIfAsked(fm, text, r, flags);
    const int qtFlags = QtTextFlags(flags);
    if (flags & TextFormat::CalcRect)
        return Rect::FromQRect(fm.boundingRect(r.ToQRect(), qtFlags, shown));
    QRect bounding;
    m_painter->save();
    m_painter->setFont(font);
    m_painter->setPen(m_font.Color);
    if (!m_transparent) {
        m_painter->setBackgroundMode(Qt::OpaqueMode);
        m_painter->setBackground(m_background);
    }
    if (flags & TextFormat::RtlReading)
        m_painter->setLayoutDirection(Qt::RightToLeft);
    m_painter->drawText(r.ToQRect(), qtFlags, shown, &bounding);
    m_painter->restore();
    return Rect::FromQRect(bounding);
}

void PainterCanvas::ExtTextOut(int x, int y, QStringView text, const int* advances,
                               const Rect* clip, bool rtl) {
    const qsizetype n = text.size();
    if (n == 0)
        return;
    if (!advances) {
        CharAdvances(text, m_advances);
        advances = m_advances.data();
    }
    const std::vector<int> offsets = GlyphOffsets(text, advances, rtl);
    int total = 0;
    for (qsizetype i = 0; i < n; ++i)
        total += advances[i];

    // Clipping costs more than the glyphs of a short line (in a PDF every clip is a path and
    // a graphics state of its own): clip only a line whose cell, its advances wide and its
    // face's ascent and descent high, reaches out of the rectangle. Upright glyphs stay within
    // their cells; italics lean out sideways by up to a quarter of the height.
    const int lean = m_font.Italic ? m_font.Height / 4 + 1 : 0;
    const Rect ink{x + std::min(0, total) - lean, y, x + std::max(0, total) + lean,
                   y + TextHeight()};
    const bool clipHere = clip && ink.Intersected(*clip) != ink;
    if (clipHere) {
        m_painter->save();
        m_painter->setClipRect(clip->ToQRect(), Qt::IntersectClip);
    }
    if (!m_transparent)
        m_painter->fillRect(QRect(x + std::min(0, total), y, std::abs(total), TextHeight()),
                            m_background);
    m_painter->setPen(m_font.Color);

    const FontFace& face = *m_face;
    const qreal baseline = y + face.Ascent();
    QList<quint32> glyphs;
    QList<QPointF> positions;
    int runFace = -1;
    auto flush = [&]() {
        if (runFace >= 0 && !glyphs.isEmpty()) {
            QGlyphRun run;
            run.setRawFont(face.DrawFace(runFace));
            run.setGlyphIndexes(glyphs);
            run.setPositions(positions);
            run.setUnderline(m_font.Underline);
            run.setStrikeOut(m_font.StrikeOut);
            m_painter->drawGlyphRun(QPointF(0, 0), run);
        }
        glyphs.clear();
        positions.clear();
    };
    const QChar* s = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t cp = s[i].unicode();
        const qsizetype at = i;
        if (QChar::isHighSurrogate(cp) && i + 1 < n && s[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        }
        const FontFace::Glyph& g = face.GlyphFor(cp);
        if (g.Face < 0)
            continue;
        if (g.Face != runFace) {
            flush();
            runFace = g.Face;
        }
        glyphs.append(g.Index);
        positions.append(QPointF(x + offsets[static_cast<size_t>(at)], baseline));
    }
    flush();
    if (clipHere)
        m_painter->restore();
}

void PainterCanvas::DrawImage(const Rect& r, const QImage& image) {
    if (r.IsEmpty() || image.isNull())
        return;
    m_painter->save();
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform);
    m_painter->drawImage(r.ToQRect(), image);
    m_painter->restore();
}

} // namespace platform
