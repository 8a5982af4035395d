#include "platform/CanvasRecording.h"
#include "platform/Canvas_p.h"

#include <limits>

namespace platform {

CanvasRecord& RecordingCanvas::Add(CanvasRecord::Type kind) {
    CanvasRecord& r = m_records.emplace_back();
    r.Kind = kind;
    r.Font = m_font;
    r.PenUsed = m_pen;
    r.BrushUsed = m_brush;
    r.TransparentBackground = m_transparent;
    r.Background = m_background;
    return r;
}

void RecordingCanvas::FillRect(const Rect& r) {
    Add(CanvasRecord::Type::FillRect).Bounds = r;
}

void RecordingCanvas::DrawImage(const Rect& r, const QImage& image) {
    CanvasRecord& rec = Add(CanvasRecord::Type::Image);
    rec.Bounds = r;
    rec.Picture = image;
}

void RecordingCanvas::Rectangle(const Rect& r) {
    Add(CanvasRecord::Type::Rectangle).Bounds = r;
}

void RecordingCanvas::DrawLine(QPoint from, QPoint to) {
    CanvasRecord& r = Add(CanvasRecord::Type::Line);
    r.Origin = from;
    r.To = to;
    r.Bounds = Rect{std::min(from.x(), to.x()), std::min(from.y(), to.y()),
                    std::max(from.x(), to.x()) + 1, std::max(from.y(), to.y()) + 1};
}

void RecordingCanvas::SaveClip() {
    m_clipStack.emplace_back(m_clipped, m_clip);
    Add(CanvasRecord::Type::SaveClip);
}

void RecordingCanvas::IntersectClip(const Rect& r) {
    m_clip = m_clipped ? m_clip.Intersected(r) : r;
    m_clipped = true;
    Add(CanvasRecord::Type::IntersectClip).Bounds = r;
}

void RecordingCanvas::RestoreClip() {
    if (m_clipStack.empty())
        return;
    std::tie(m_clipped, m_clip) = m_clipStack.back();
    m_clipStack.pop_back();
    Add(CanvasRecord::Type::RestoreClip);
}

Rect RecordingCanvas::ClipBox() const {
    constexpr int huge = std::numeric_limits<int>::max() / 4;
    return m_clipped ? m_clip : Rect{-huge, -huge, huge, huge};
}

Rect RecordingCanvas::DrawText(const Rect& r, const QString& text, unsigned flags) {
    const QFontMetrics fm(m_font.ToQFont());
    const QString shown = ElideIfAsked(fm, text, r, flags);
    Rect bounds = Rect::FromQRect(fm.boundingRect(r.ToQRect(), QtTextFlags(flags), shown));
    if (flags & TextFormat::CalcRect)
        return bounds;
    CanvasRecord& rec = Add(CanvasRecord::Type::DrawText);
    rec.Text = shown;
    rec.Flags = flags;
    rec.Clip = r;
    rec.Clipped = !(flags & TextFormat::NoClip);
    rec.Bounds = rec.Clipped ? bounds.Intersected(r) : bounds;
    return bounds;
}

void RecordingCanvas::ExtTextOut(int x, int y, QStringView text, const int* advances,
                                 const Rect* clip, bool rtl) {
    CanvasRecord& rec = Add(CanvasRecord::Type::TextOut);
    rec.Text = text.toString();
    rec.Origin = QPoint(x, y);
    rec.Rtl = rtl;
    if (advances)
        rec.Advances.assign(advances, advances + text.size());
    else
        CharAdvances(text, rec.Advances);
    int total = 0;
    for (int a : rec.Advances)
        total += a;
    const Rect cell{x + std::min(0, total), y, x + std::max(0, total), y + TextHeight()};
    rec.Clipped = clip != nullptr;
    if (clip)
        rec.Clip = *clip;
    rec.Bounds = clip ? cell.Intersected(*clip) : cell;
}

std::vector<const CanvasRecord*> RecordingCanvas::TextRecords() const {
    std::vector<const CanvasRecord*> out;
    for (const CanvasRecord& r : m_records)
        if (r.Kind == CanvasRecord::Type::TextOut || r.Kind == CanvasRecord::Type::DrawText)
            out.push_back(&r);
    return out;
}

void RecordingCanvas::Clear() {
    m_records.clear();
    m_clipStack.clear();
    m_clipped = false;
}

void RecordingCanvas::Replay(Canvas& target) const {
    int saved = 0;
    for (const CanvasRecord& r : m_records) {
        target.SetPen(r.PenUsed);
        target.SetBrush(r.BrushUsed);
        target.SetFont(r.Font);
        target.SetBackgroundTransparent(r.TransparentBackground);
        target.SetBackgroundColor(r.Background);
        switch (r.Kind) {
        case CanvasRecord::Type::FillRect:
            target.FillRect(r.Bounds);
            break;
        case CanvasRecord::Type::Rectangle:
            target.Rectangle(r.Bounds);
            break;
        case CanvasRecord::Type::Line:
            target.DrawLine(r.Origin, r.To);
            break;
        case CanvasRecord::Type::SaveClip:
            target.SaveClip();
            ++saved;
            break;
        case CanvasRecord::Type::IntersectClip:
            target.IntersectClip(r.Bounds);
            break;
        case CanvasRecord::Type::RestoreClip:
            if (saved > 0) {
                target.RestoreClip();
                --saved;
            }
            break;
        case CanvasRecord::Type::DrawText:
            target.DrawText(r.Clip, r.Text, r.Flags);
            break;
        case CanvasRecord::Type::TextOut:
            target.ExtTextOut(r.Origin.x(), r.Origin.y(), r.Text, r.Advances.data(),
                              r.Clipped ? &r.Clip : nullptr, r.Rtl);
            break;
        case CanvasRecord::Type::Image:
            target.DrawImage(r.Bounds, r.Picture);
            break;
        }
    }
    // A picture leaves the target's clip as it found it.
    while (saved-- > 0)
        target.RestoreClip();
}

} // namespace platform
