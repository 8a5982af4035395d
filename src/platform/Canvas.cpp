#include "platform/Canvas.h"

#include <algorithm>

namespace platform {

Rect Rect::Intersected(const Rect& o) const {
    Rect r{std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right),
           std::min(Bottom, o.Bottom)};
    if (r.IsEmpty())
        return Rect{r.Left, r.Top, r.Left, r.Top};
    return r;
}

Canvas::Canvas() : m_face(FontFace::Get(m_font)) {}

Canvas::~Canvas() = default;

void Canvas::SetFont(const CanvasFont& font) {
    const bool sameFace = font.Name == m_font.Name && font.Height == m_font.Height &&
                          font.Bold == m_font.Bold && font.Italic == m_font.Italic;
    m_font = font;
    if (!sameFace)
        m_face = FontFace::Get(m_font);
}

void Canvas::CharAdvances(QStringView text, std::vector<int>& out) const {
    out.resize(static_cast<size_t>(text.size()));
    if (!out.empty())
        m_face->Advances(text, out.data());
}

namespace {

bool HasRightToLeft(QStringView text) {
    for (QChar c : text) {
        const QChar::Direction d = c.direction();
        if (d == QChar::DirR || d == QChar::DirAL)
            return true;
    }
    return false;
}

} // namespace

std::vector<int> GlyphOffsets(QStringView text, const int* advances, bool rtl) {
    const size_t n = static_cast<size_t>(text.size());
    std::vector<int> pos(n);
    int x = 0;
    for (size_t i = 0; i < n; ++i) {
        pos[i] = x;
        x += advances[i];
    }
    // Right-to-left reading: the characters are placed from the right end of the line in
    // reading order. Text without right-to-left characters reads left to right regardless.
    if (rtl && HasRightToLeft(text)) {
        for (size_t i = 0; i < n; ++i)
            pos[i] = x - pos[i] - advances[i];
    }
    return pos;
}

} // namespace platform
