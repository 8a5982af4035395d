// The canvas over a PDF page: rectangles, lines and text as PDF operators in device pixels.
// Text is shown glyph by glyph at the positions the caller's advances give, as runs of two-byte
// codes of the face's subset with the offsets between them in thousandths of the em.

#include "export/frxExportPDF_p.h"

#include <QPainterPath>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace frxpdf {

namespace {

constexpr int kHuge = std::numeric_limits<int>::max() / 4;

void AppendRect(QByteArray& out, const platform::Rect& r) {
    AppendNumber(out, r.Left);
    out += ' ';
    AppendNumber(out, r.Top);
    out += ' ';
    AppendNumber(out, r.Width());
    out += ' ';
    AppendNumber(out, r.Height());
    out += " re";
}

// A path segment from (x1, y1) to (x2, y2), not yet painted.
void AppendSegment(QByteArray& out, int x1, int y1, int x2, int y2) {
    AppendNumber(out, x1);
    out += ' ';
    AppendNumber(out, y1);
    out += " m ";
    AppendNumber(out, x2);
    out += ' ';
    AppendNumber(out, y2);
    out += " l";
}

void AppendColor(QByteArray& out, const QColor& c) {
    AppendNumber(out, c.redF());
    out += ' ';
    AppendNumber(out, c.greenF());
    out += ' ';
    AppendNumber(out, c.blueF());
}

} // namespace

Canvas::Canvas(Writer& writer, int resolution) : m_writer(writer), m_resolution(resolution) {}

const Writer::FontRef& Canvas::FontOf(int faceIndex) {
    auto it = m_fonts.find(m_face.get());
    if (it == m_fonts.end()) {
        m_faces.push_back(m_face);
        it = m_fonts.insert(m_face.get(), {});
    }
    std::vector<Writer::FontRef>& refs = *it;
    if (refs.size() <= size_t(faceIndex))
        refs.resize(size_t(faceIndex) + 1);
    Writer::FontRef& ref = refs[size_t(faceIndex)];
    if (!ref.known)
        ref = m_writer.Font(m_face->MeasureFace(faceIndex));
    return ref;
}

void Canvas::PageStarted() {
    m_clipped = false;
    m_clipStack.clear();
    m_qDepth = 0;
    ResetState();
}

void Canvas::ResetState() {
    m_fill = QColor();
    m_stroke = QColor();
    m_lineWidth = -1;
    m_dash = -1;
}

void Canvas::SetFill(const QColor& c) {
    if (c == m_fill)
        return;
    m_fill = c;
    AppendColor(Out(), c);
    Out() += " rg\n";
}

void Canvas::SetStroke(const QColor& c) {
    if (c == m_stroke)
        return;
    m_stroke = c;
    AppendColor(Out(), c);
    Out() += " RG\n";
}

void Canvas::SetLineWidth(int w) {
    if (w == m_lineWidth)
        return;
    m_lineWidth = w;
    AppendNumber(Out(), w);
    Out() += " w\n";
}

void Canvas::SetDash(platform::PenStyle style, int width) {
    const int key = int(style) * 100000 + width;
    if (key == m_dash)
        return;
    m_dash = key;
    // Dash lengths in line widths, as the screen draws them.
    const int u = std::max(1, width);
    QByteArray pattern;
    switch (style) {
    case platform::PenStyle::Dash:
        pattern = QByteArray::number(4 * u) + ' ' + QByteArray::number(2 * u);
        break;
    case platform::PenStyle::Dot:
        pattern = QByteArray::number(u) + ' ' + QByteArray::number(2 * u);
        break;
    case platform::PenStyle::DashDot:
        pattern = QByteArray::number(4 * u) + ' ' + QByteArray::number(2 * u) + ' ' +
                  QByteArray::number(u) + ' ' + QByteArray::number(2 * u);
        break;
    case platform::PenStyle::DashDotDot:
        pattern = QByteArray::number(4 * u) + ' ' + QByteArray::number(2 * u) + ' ' +
                  QByteArray::number(u) + ' ' + QByteArray::number(2 * u) + ' ' +
                  QByteArray::number(u) + ' ' + QByteArray::number(2 * u);
        break;
    default:
        break;
    }
    Out() += '[' + pattern + "] 0 d\n";
}

void Canvas::FillRect(const platform::Rect& r) {
    if (m_brush.Style == platform::BrushStyle::Clear || r.IsEmpty())
        return;
    if (m_brush.Style == platform::BrushStyle::Solid) {
        SetFill(m_brush.Color);
        AppendRect(Out(), r);
        Out() += " f\n";
        return;
    }
    // Hatching: lines 8 screen pixels apart, clipped to the rectangle.
    const int step = std::max(2, m_resolution / 12);
    QByteArray& o = Out();
    o += "q ";
    AppendRect(o, r);
    o += " W n\n";
    AppendColor(o, m_brush.Color);
    o += " RG ";
    AppendNumber(o, std::max(1, m_resolution / 96));
    o += " w []0 d\n";
    const bool horizontal = m_brush.Style == platform::BrushStyle::Horizontal ||
                            m_brush.Style == platform::BrushStyle::Cross;
    const bool vertical = m_brush.Style == platform::BrushStyle::Vertical ||
                          m_brush.Style == platform::BrushStyle::Cross;
    const bool forward = m_brush.Style == platform::BrushStyle::FDiagonal ||
                         m_brush.Style == platform::BrushStyle::DiagCross;
    const bool backward = m_brush.Style == platform::BrushStyle::BDiagonal ||
                          m_brush.Style == platform::BrushStyle::DiagCross;
    auto line = [&](int x1, int y1, int x2, int y2) {
        AppendSegment(o, x1, y1, x2, y2);
        o += '\n';
    };
    if (horizontal)
        for (int y = r.Top - r.Top % step; y < r.Bottom; y += step)
            line(r.Left, y, r.Right, y);
    if (vertical)
        for (int x = r.Left - r.Left % step; x < r.Right; x += step)
            line(x, r.Top, x, r.Bottom);
    const int h = r.Height();
    if (forward)
        for (int x = r.Left - h - (r.Left - h) % step; x < r.Right; x += step)
            line(x, r.Bottom, x + h, r.Top);
    if (backward)
        for (int x = r.Left - h - (r.Left - h) % step; x < r.Right; x += step)
            line(x, r.Top, x + h, r.Bottom);
    o += "S Q\n";
    ResetState();
}

void Canvas::Rectangle(const platform::Rect& r) {
    if (r.IsEmpty())
        return;
    FillRect(r);
    if (m_pen.Style == platform::PenStyle::Clear)
        return;
    // The outline lies inside the rectangle.
    const int w = std::max(1, m_pen.Width);
    SetStroke(m_pen.Color);
    SetLineWidth(w);
    SetDash(m_pen.Style, w);
    QByteArray& o = Out();
    AppendNumber(o, r.Left + w / 2.0);
    o += ' ';
    AppendNumber(o, r.Top + w / 2.0);
    o += ' ';
    AppendNumber(o, r.Width() - w);
    o += ' ';
    AppendNumber(o, r.Height() - w);
    o += " re S\n";
}

void Canvas::DrawLine(QPoint from, QPoint to) {
    if (m_pen.Style == platform::PenStyle::Clear || from == to)
        return;
    // As on the screen: a line covers the pixels right of and below its coordinates, and its
    // end point is not drawn.
    const int w = std::max(1, m_pen.Width);
    const double mid = w % 2 ? 0.5 : 0.0;
    double x1 = from.x() + mid, y1 = from.y() + mid, x2 = to.x() + mid, y2 = to.y() + mid;
    if (from.y() == to.y()) {
        x1 = from.x() < to.x() ? from.x() : from.x() + 1;
        x2 = from.x() < to.x() ? to.x() : to.x() + 1;
    } else if (from.x() == to.x()) {
        y1 = from.y() < to.y() ? from.y() : from.y() + 1;
        y2 = from.y() < to.y() ? to.y() : to.y() + 1;
    }
    SetStroke(m_pen.Color);
    SetLineWidth(w);
    SetDash(m_pen.Style, w);
    QByteArray& o = Out();
    AppendSegment(o, x1, y1, x2, y2);
    o += " S\n";
}

void Canvas::PushClip(const platform::Rect& r) {
    QByteArray& o = Out();
    o += "q ";
    AppendRect(o, r);
    o += " W n\n";
    ++m_qDepth;
}

void Canvas::PopClip() {
    if (m_qDepth == 0)
        return;
    Out() += "Q\n";
    --m_qDepth;
    // Q brings back the graphics state of its q.
    ResetState();
}

void Canvas::SaveClip() { m_clipStack.push_back(ClipState{m_clipped, m_clip, m_qDepth}); }

void Canvas::IntersectClip(const platform::Rect& r) {
    m_clip = m_clipped ? m_clip.Intersected(r) : r;
    m_clipped = true;
    PushClip(m_clip);
}

void Canvas::RestoreClip() {
    if (m_clipStack.empty())
        return;
    const ClipState s = m_clipStack.back();
    m_clipStack.pop_back();
    while (m_qDepth > s.depth)
        PopClip();
    m_clipped = s.clipped;
    m_clip = s.rect;
}

platform::Rect Canvas::ClipBox() const {
    return m_clipped ? m_clip : platform::Rect{-kHuge, -kHuge, kHuge, kHuge};
}

void Canvas::DrawGlyphPath(const QRawFont& face, quint32 glyph, qreal x, qreal baseline) {
    const QPainterPath path = face.pathForGlyph(glyph);
    QByteArray& o = Out();
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo() || e.isLineTo()) {
            AppendNumber(o, x + e.x);
            o += ' ';
            AppendNumber(o, baseline + e.y);
            o += e.isMoveTo() ? " m\n" : " l\n";
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            for (int k = 0; k < 3; ++k) {
                const QPainterPath::Element c = path.elementAt(i + k);
                AppendNumber(o, x + c.x);
                o += ' ';
                AppendNumber(o, baseline + c.y);
                o += ' ';
            }
            o += "c\n";
            i += 2;
        }
    }
    if (path.elementCount())
        o += "f\n";
}

void Canvas::ExtTextOut(int x, int y, QStringView text, const int* advances,
                        const platform::Rect* clip, bool rtl) {
    const qsizetype n = text.size();
    if (n == 0)
        return;
    if (!advances) {
        CharAdvances(text, m_advances);
        advances = m_advances.data();
    }
    const std::vector<int> offsets = platform::GlyphOffsets(text, advances, rtl);
    int total = 0;
    for (qsizetype i = 0; i < n; ++i)
        total += advances[i];

    // As on the screen canvas: clip only a line whose cell leaves the rectangle.
    const int lean = m_font.Italic ? m_font.Height / 4 + 1 : 0;
    const platform::Rect cell{x + std::min(0, total) - lean, y, x + std::max(0, total) + lean,
                              y + TextHeight()};
    const bool clipHere = clip && cell.Intersected(*clip) != cell;
    const int depth = m_qDepth;
    if (clipHere)
        PushClip(*clip);
    if (!m_transparent) {
        SetFill(m_background);
        AppendRect(Out(), platform::Rect{x + std::min(0, total), y, x + std::max(0, total),
                                         y + TextHeight()});
        Out() += " f\n";
    }
    SetFill(m_font.Color);

    const platform::FontFace& face = *m_face;
    const int baseline = y + face.Ascent();
    const double size = std::max(1, m_font.Height); // the em in device pixels
    QByteArray& o = Out();
    const QChar* s = text.data();

    // Runs of glyphs from one face.
    qsizetype i = 0;
    while (i < n) {
        // Find the run.
        struct G {
            quint32 glyph;
            qsizetype at, len;
        };
        std::vector<G> run;
        int runFace = -1;
        qsizetype j = i;
        while (j < n) {
            char32_t cp = s[j].unicode();
            qsizetype len = 1;
            if (QChar::isHighSurrogate(cp) && j + 1 < n && s[j + 1].isLowSurrogate()) {
                cp = QChar::surrogateToUcs4(s[j], s[j + 1]);
                len = 2;
            }
            const platform::FontFace::Glyph& g = face.GlyphFor(cp);
            if (g.Face >= 0) {
                if (runFace >= 0 && g.Face != runFace)
                    break;
                runFace = g.Face;
                run.push_back(G{g.Index, j, len});
            }
            j += len;
        }
        i = j;
        if (run.empty())
            continue;

        const QRawFont& raw = face.MeasureFace(runFace);
        const Writer::FontRef& font = FontOf(runFace);
        if (!font.subset) {
            // A face without TrueType outlines: its glyphs as filled outlines.
            for (const G& g : run)
                DrawGlyphPath(raw, g.glyph, x + offsets[size_t(g.at)], baseline);
            continue;
        }
        const bool fakeBold = m_font.Bold && !font.subset->FaceBold();
        const bool fakeItalic = m_font.Italic && !font.subset->FaceItalic();
        if (fakeBold) {
            SetStroke(m_font.Color);
            SetLineWidth(std::max(1, int(std::lround(size / 24))));
        }
        const double x0 = x + offsets[size_t(run.front().at)];
        o += "BT /" + font.name + ' ';
        AppendNumber(o, size);
        o += " Tf ";
        if (fakeBold)
            o += "2 Tr ";
        o += fakeItalic ? "1 0 0.2 -1 " : "1 0 0 -1 ";
        AppendNumber(o, x0);
        o += ' ';
        AppendNumber(o, baseline);
        o += " Tm [<";
        // The pen after each glyph is where the font's own advance puts it; a glyph placed
        // elsewhere gets the difference as an offset, kept exact by tracking the pen.
        std::string& t = m_run;
        t.clear();
        double pen = x0;
        for (size_t k = 0; k < run.size(); ++k) {
            const G& g = run[k];
            const double want = x + offsets[size_t(g.at)];
            const long adjust = std::lround((pen - want) * 1000.0 / size);
            if (adjust != 0 && k > 0) {
                char buf[24];
                buf[0] = '>';
                char* end = std::to_chars(buf + 1, buf + sizeof buf - 1, adjust).ptr;
                *end++ = '<';
                t.append(buf, size_t(end - buf));
                pen -= adjust * size / 1000.0;
            }
            const quint16 code = font.subset->Map(g.glyph, text.mid(g.at, g.len));
            static const char hex[] = "0123456789ABCDEF";
            const char h[4] = {hex[code >> 12], hex[(code >> 8) & 15], hex[(code >> 4) & 15],
                               hex[code & 15]};
            t.append(h, 4);
            pen += font.subset->Width1000(code) * size / 1000.0;
        }
        o.append(t.data(), qsizetype(t.size()));
        o += ">] TJ ";
        if (fakeBold)
            o += "0 Tr ";
        o += "ET\n";
    }

    if (m_font.Underline || m_font.StrikeOut) {
        const QRawFont& raw = face.MeasureFace(0);
        const int thickness = std::max(1, int(std::lround(raw.lineThickness())));
        SetFill(m_font.Color);
        auto bar = [&](int top) {
            AppendRect(o, platform::Rect{x + std::min(0, total), top, x + std::max(0, total),
                                         top + thickness});
            o += " f\n";
        };
        if (m_font.Underline)
            bar(baseline + int(std::lround(raw.underlinePosition())));
        if (m_font.StrikeOut)
            bar(baseline - int(std::lround(raw.xHeight() / 2)));
    }
    while (m_qDepth > depth)
        PopClip();
}

void Canvas::DrawImage(const platform::Rect& r, const QImage& image) {
    if (r.IsEmpty() || image.isNull())
        return;
    const QByteArray name = m_writer.Image(image);
    // The image's unit square onto the rectangle, its top row at the rectangle's top (y down).
    QByteArray& o = Out();
    o += "q ";
    AppendNumber(o, r.Width());
    o += " 0 0 ";
    AppendNumber(o, -r.Height());
    o += ' ';
    AppendNumber(o, r.Left);
    o += ' ';
    AppendNumber(o, r.Bottom);
    o += " cm /" + name + " Do Q\n";
}

platform::Rect Canvas::DrawText(const platform::Rect& r, const QString& text, unsigned flags) {
    using namespace platform::TextFormat;
    QString t = text;
    if (flags & ExpandTabs)
        t.replace(QLatin1Char('\t'), QStringLiteral("        "));
    QStringList lines;
    if (flags & SingleLine) {
        lines << QString(t).replace(QLatin1Char('\r'), QLatin1Char(' '))
                     .replace(QLatin1Char('\n'), QLatin1Char(' '));
    } else {
        for (const QString& para : t.split(QLatin1Char('\n'))) {
            QString line = para;
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            if (!(flags & WordBreak) || TextWidth(line) <= r.Width()) {
                lines << line;
                continue;
            }
            // Greedy breaking at blanks; a word wider than the line stays whole.
            QString current;
            for (const QString& word : line.split(QLatin1Char(' '))) {
                const QString candidate = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
                if (!current.isEmpty() && TextWidth(candidate) > r.Width()) {
                    lines << current;
                    current = word;
                } else {
                    current = candidate;
                }
            }
            lines << current;
        }
    }
    if ((flags & EndEllipsis) && lines.size() == 1 && TextWidth(lines[0]) > r.Width()) {
        const QString dots = QStringLiteral("...");
        QString s = lines[0];
        while (!s.isEmpty() && TextWidth(s + dots) > r.Width())
            s.chop(1);
        lines[0] = s + dots;
    }
    const int lineHeight = TextHeight();
    const int height = lineHeight * int(lines.size());
    int width = 0;
    for (const QString& l : std::as_const(lines))
        width = std::max(width, TextWidth(l));
    int top = r.Top;
    if (flags & VCenter)
        top = r.Top + (r.Height() - height) / 2;
    else if (flags & Bottom)
        top = r.Bottom - height;
    auto leftOf = [&](int w) {
        if (flags & Center)
            return r.Left + (r.Width() - w) / 2;
        if (flags & Right)
            return r.Right - w;
        return r.Left;
    };
    const platform::Rect bounds{leftOf(width), top, leftOf(width) + width, top + height};
    if (flags & CalcRect)
        return platform::Rect{r.Left, r.Top, r.Left + width, r.Top + height};
    const bool clip = !(flags & NoClip);
    for (int k = 0; k < lines.size(); ++k) {
        const int w = TextWidth(lines[k]);
        ExtTextOut(leftOf(w), top + k * lineHeight, lines[k], nullptr, clip ? &r : nullptr,
                   (flags & RtlReading) != 0);
    }
    return bounds;
}

} // namespace frxpdf
