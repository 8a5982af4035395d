#include "grid/GridTypes.h"

#include <QApplication>
#include <QPalette>

#include <algorithm>
#include <cstdlib>

namespace grid {

QColor ColorToQColor(TColor color) {
    if (color == clNone)
        return QColor();
    if ((color & 0xFF000000u) == 0xFF000000u) {
        const QPalette pal = QApplication::palette();
        switch (color & 0xFFu) {
        case 0x05:
            return pal.color(QPalette::Active, QPalette::Base);
        case 0x08:
            return pal.color(QPalette::Active, QPalette::Text);
        case 0x0D:
            return pal.color(QPalette::Active, QPalette::Highlight);
        case 0x0E:
            return pal.color(QPalette::Active, QPalette::HighlightedText);
        case 0x0F:
            return pal.color(QPalette::Active, QPalette::Button);
        case 0x12:
            return pal.color(QPalette::Active, QPalette::ButtonText);
        case 0x18:
            return pal.color(QPalette::Active, QPalette::ToolTipBase);
        default:
            return pal.color(QPalette::Active, QPalette::Window);
        }
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TRect UnionRect(const TRect& a, const TRect& b) {
    if (a.IsEmpty())
        return b;
    if (b.IsEmpty())
        return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

namespace {
// a * b / c rounded half away from zero, as the platform's MulDiv.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long q = (std::llabs(p) * 2 + c) / (2LL * c);
    return int(p < 0 ? -q : q);
}
} // namespace

int TFont::Size() const {
    return -MulDiv(Height, 72, 96);
}

void TFont::SetSize(int points) {
    Height = -MulDiv(points, 96, 72);
}

platform::CanvasFont TFont::ToCanvasFont() const {
    platform::CanvasFont f;
    f.Name = Name;
    f.Height = std::max(1, std::abs(Height == 0 ? 11 : Height));
    f.Bold = Style.testFlag(TFontStyle::fsBold);
    f.Italic = Style.testFlag(TFontStyle::fsItalic);
    f.Underline = Style.testFlag(TFontStyle::fsUnderline);
    f.StrikeOut = Style.testFlag(TFontStyle::fsStrikeOut);
    f.Color = ColorToQColor(Color);
    f.Charset = Charset;
    return f;
}

QFont TFont::ToQFont() const { return ToCanvasFont().ToQFont(); }

} // namespace grid
