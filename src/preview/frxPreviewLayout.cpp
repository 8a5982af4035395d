#include "preview/frxPreviewLayout.h"

#include "platform/Error.h"

#include <algorithm>
#include <cmath>
#include <limits>

int frxRoundToInt(long double value) {
    if (std::isnan(value))
        return 0;
    constexpr long double lo = std::numeric_limits<int>::min();
    constexpr long double hi = std::numeric_limits<int>::max();
    // The default rounding mode rounds halves to even, as the zoom arithmetic always has.
    const long double r = std::nearbyintl(value);
    if (r <= lo)
        return std::numeric_limits<int>::min();
    if (r >= hi)
        return std::numeric_limits<int>::max();
    return static_cast<int>(r);
}

int frxClampScroll(int position, int range, int page) {
    const int top = std::max(0, range - page);
    return std::clamp(position, 0, top);
}

// --- page list ---

void TfrxPageList::Clear() {
    m_items.clear();
    m_maxWidth = 0;
}

void TfrxPageList::AddPage(int width, int height) {
    TfrxPageItem item;
    item.Width = std::max(0, width);
    item.Height = std::max(0, height);
    m_items.push_back(item);
}

void TfrxPageList::AddPage(int width, int height, long double zoom) {
    AddPage(frxRoundToInt(width * zoom), frxRoundToInt(height * zoom));
}

namespace {
// Sums that cannot wrap: page sizes near the int limit still lay out (far off to the right).
int SatAdd(long long a, long long b) {
    return static_cast<int>(std::clamp<long long>(a + b, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}
} // namespace

void TfrxPageList::LayoutRows(int clientWidth) {
    m_maxWidth = 0;
    int top = Gap;
    std::size_t i = 0;
    const std::size_t n = m_items.size();
    while (i < n) {
        const std::size_t first = i;
        long long rowWidth = 0;
        int tallest = 0;
        while (i < n && (i == first || rowWidth + m_items[i].Width <= clientWidth)) {
            m_items[i].Left = static_cast<int>(std::min<long long>(rowWidth, std::numeric_limits<int>::max()));
            m_items[i].Top = top;
            rowWidth += static_cast<long long>(m_items[i].Width) + Gap;
            tallest = std::max(tallest, m_items[i].Height);
            ++i;
        }
        // The row spans rowWidth - Gap; centre that span, keeping Gap from the left edge.
        const long long half = (static_cast<long long>(clientWidth) - rowWidth + Gap) / 2;
        const long long shift = std::max<long long>(half, Gap);
        for (std::size_t j = first; j < i; ++j)
            m_items[j].Left = SatAdd(m_items[j].Left, shift);
        m_maxWidth = std::max(m_maxWidth, SatAdd(rowWidth, 0));
        top = SatAdd(top, static_cast<long long>(tallest) + Gap);
    }
}

int TfrxPageList::Bottom() const {
    if (m_items.empty())
        return 0;
    const TfrxPageItem& last = m_items.back();
    return SatAdd(last.Top, last.Height);
}

int TfrxPageList::LastPageAtOrAbove(int y, bool fifth) const {
    // Tops never decrease along the list (rows go down), so the condition holds for a prefix.
    int lo = 0;
    int hi = Count() - 1;
    int found = -1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const TfrxPageItem& item = m_items[static_cast<std::size_t>(mid)];
        const long long limit = static_cast<long long>(y) + (fifth ? item.Height / 5 : 0);
        if (item.Top <= limit) {
            found = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return found;
}

int TfrxPageList::FindPage(int y) const { return std::max(0, LastPageAtOrAbove(y, true)); }

int TfrxPageList::FirstInRow(int index) const {
    while (index > 0 && m_items[static_cast<std::size_t>(index - 1)].Top ==
                            m_items[static_cast<std::size_t>(index)].Top)
        --index;
    return index;
}

std::pair<int, int> TfrxPageList::PagesBetween(int top, int bottom) const {
    if (Count() == 0)
        return {0, -1};
    // A row starts below the tallest page of the row above, so no page of an earlier row
    // reaches the row at `top`.
    const int from = FirstInRow(std::max(0, LastPageAtOrAbove(top, false)));
    const int to = LastPageAtOrAbove(bottom - 1, false);
    return {from, to};
}

int TfrxPageList::FindPageAt(int x, int y) const {
    const int around = LastPageAtOrAbove(y, false);
    if (around < 0)
        return -1;
    const int from = FirstInRow(around);
    const int to = around;
    for (int i = from; i <= to; ++i) {
        const TfrxPageItem& item = m_items[static_cast<std::size_t>(i)];
        if (x >= item.Left && static_cast<long long>(x) < static_cast<long long>(item.Left) + item.Width &&
            y >= item.Top && static_cast<long long>(y) < static_cast<long long>(item.Top) + item.Height)
            return i;
    }
    return -1;
}

QRect TfrxPageList::PageBounds(int index, int clientWidth, long double zoom) const {
    if (index >= 0 && index < Count())
        return Item(index).Bounds();
    const int w = frxRoundToInt(DefaultPageWidth * zoom);
    const int h = frxRoundToInt(DefaultPageHeight * zoom);
    return QRect((clientWidth - w) / 2, frxRoundToInt(Gap * zoom), w, h);
}

// --- zoom ---

namespace frxPreviewZoom {

long double WholePage(int viewHeight, int pageHeight) {
    return static_cast<long double>(viewHeight - FitMargin) / pageHeight;
}

long double PageWidth(int viewWidth, int scrollBarWidth, int pageWidth) {
    return static_cast<long double>(viewWidth - scrollBarWidth - FitMargin) / pageWidth;
}

long double Clamped(long double zoom) { return zoom < MinZoom ? MinZoom : zoom; }

long double Stepped(long double zoom, bool in) {
    return Clamped(in ? zoom + ButtonStep : zoom - ButtonStep);
}

long double Wheeled(long double zoom, int notches) {
    long double z = zoom;
    const int steps = notches < 0 ? -notches : notches;
    for (int i = 0; i < steps; ++i) {
        if (notches > 0)
            z += WheelStep;
        else if (z > MinWheelZoom)
            z = std::max(z - WheelStep, MinWheelZoom);
        // A zoom already below the wheel's floor stays: zooming out never enlarges.
    }
    return Clamped(z);
}

QString Text(long double zoom) {
    return QString::number(frxRoundToInt(zoom * 100)) + QLatin1Char('%');
}

bool Parse(const QString& text, long double& zoom) {
    QString s = text;
    s.replace(QLatin1Char('%'), QLatin1Char(' '));
    s.remove(QLatin1Char(' '));
    if (s.isEmpty())
        return false;
    QString number = s;
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    // Digits with at most one separator, an optional sign and exponent; nothing else.
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw platform::Error(QStringLiteral("'%1' is not a valid floating point value").arg(s));
    zoom = static_cast<long double>(value) / 100;
    return true;
}

} // namespace frxPreviewZoom
