#include "print/frxPrintLayout.h"

#include "platform/Convert.h"

#include <algorithm>
#include <cmath>

namespace {

// Pieces and cells beyond this many per page or sheet are not a layout anyone prints.
constexpr int kMaxPieces = 10000;


} // namespace

// ---------------------------------------------------------------------------------------------
// Page selection

void TfrxPageSelection::Parse(const QString& text, int pageCount) {
    m_pageCount = std::max(pageCount, 0);
    m_selected.assign(static_cast<size_t>(m_pageCount) + 1, false);
    QString s = text;
    s.remove(QLatin1Char(' '));
    m_all = s.isEmpty();
    if (m_all)
        return;
    if (s.endsWith(QLatin1Char('-')))
        s += QString::number(pageCount);
    s += QLatin1Char(',');

    // Only numbers within the pages are kept, so a range such as 1-2000000000 costs no more
    // than the pages it can match.
    auto select = [&](qint64 from, qint64 to) {
        from = std::max<qint64>(from, 1);
        to = std::min<qint64>(to, m_pageCount);
        for (qint64 n = from; n <= to; ++n)
            m_selected[static_cast<size_t>(n)] = true;
    };

    qsizetype start = 0;
    bool range = false;
    int rangeStart = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == QLatin1Char('-')) {
            rangeStart = platform::StrToInt(s.mid(start, i - start));
            range = true;
            start = i + 1;
        } else if (c == QLatin1Char(',')) {
            const int n = platform::StrToInt(s.mid(start, i - start));
            if (range)
                select(rangeStart, n);
            else
                select(n, n);
            range = false;
            start = i + 1;
        }
    }
}

bool TfrxPageSelection::Contains(int pageNo) const {
    if (m_all)
        return pageNo >= 1 && pageNo <= m_pageCount;
    return pageNo >= 1 && pageNo <= m_pageCount && m_selected[static_cast<size_t>(pageNo)];
}

std::vector<int> TfrxPageSelection::Pages() const {
    std::vector<int> pages;
    for (int n = 1; n <= m_pageCount; ++n)
        if (Contains(n))
            pages.push_back(n);
    return pages;
}

// ---------------------------------------------------------------------------------------------
// Piece layouts

int CountPieces(long double a, long double b) {
    if (!(a > 0) || !(b > 0) || !std::isfinite(a) || !std::isfinite(b))
        return 1;
    const long double q = std::min(a / b, static_cast<long double>(kMaxPieces));
    const long double t = std::trunc(q);
    long double n;
    if (std::fabs(t * b - a) < 11)
        n = std::nearbyint(q);
    else
        n = t + 1;
    // A page shorter than the tolerance would otherwise need no piece at all and vanish.
    return static_cast<int>(std::clamp(n, 1.0L, static_cast<long double>(kMaxPieces)));
}

TfrxPieceLayout ChoosePieceLayout(long double aWidth, long double aHeight, long double bWidth,
                                  long double bHeight) {
    TfrxPieceLayout straight{CountPieces(aWidth, bWidth), CountPieces(aHeight, bHeight), false};
    TfrxPieceLayout turned{CountPieces(aWidth, bHeight), CountPieces(aHeight, bWidth), true};
    if (static_cast<long long>(turned.Cols) * turned.Rows <
        static_cast<long long>(straight.Cols) * straight.Rows)
        return turned;
    return straight;
}

TfrxPieceLayout ChooseJoinLayout(long double sheetWidth, long double sheetHeight,
                                 long double pageWidth, long double pageHeight) {
    TfrxPieceLayout l = ChoosePieceLayout(sheetWidth, sheetHeight, pageWidth, pageHeight);
    long double w = sheetWidth, h = sheetHeight;
    if (l.Rotated) {
        std::swap(l.Cols, l.Rows);
        std::swap(w, h);
    }
    // The piece count rounds up; a cell that would start on the sheet and run 11 mm or more
    // off it would lose most of its page, so such cells are not used.
    if (pageWidth > 0)
        while (l.Cols > 1 && l.Cols * pageWidth - w >= 11)
            --l.Cols;
    if (pageHeight > 0)
        while (l.Rows > 1 && l.Rows * pageHeight - h >= 11)
            --l.Rows;
    return l;
}

