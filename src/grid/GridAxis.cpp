#include "grid/GridAxis.h"

#include <algorithm>

namespace grid {

TGridAxis::TGridAxis(int count, int defaultSize)
    : m_sizes(static_cast<std::size_t>(std::max(1, count)), std::max(0, defaultSize)),
      m_defaultSize(std::max(0, defaultSize)) {
    m_fixed = std::min(m_fixed, Count() - 1);
}

void TGridAxis::SetCount(int count) {
    count = std::max(1, count);
    m_sizes.resize(static_cast<std::size_t>(count), m_defaultSize);
    m_fixed = std::min(m_fixed, count - 1);
    m_fixedEnd = std::min(m_fixedEnd, count - 1 - m_fixed);
}

void TGridAxis::SetDefaultSize(int size) {
    m_defaultSize = std::max(0, size);
    m_sizes.assign(m_sizes.size(), m_defaultSize);
}

int TGridAxis::Size(int i) const {
    return i >= 0 && i < Count() ? m_sizes[static_cast<std::size_t>(i)] : m_defaultSize;
}

void TGridAxis::SetSize(int i, int size) {
    if (i >= 0 && i < Count())
        m_sizes[static_cast<std::size_t>(i)] = std::max(0, size);
}

void TGridAxis::SetFixed(int count) { m_fixed = std::clamp(count, 0, Count() - 1); }

void TGridAxis::SetFixedEnd(int count) {
    m_fixedEnd = std::clamp(count, 0, Count() - 1 - m_fixed);
}

int TGridAxis::FixedExtent() const {
    int extent = 0;
    for (int i = 0; i < m_fixed; ++i)
        extent += Size(i);
    return extent;
}

int TGridAxis::Start(int i, int first) const {
    int at = 0;
    for (int k = 0; k < i; ++k)
        at += Size(k);
    if (i >= m_fixed)
        for (int k = m_fixed; k < first; ++k)
            at -= Size(k);
    return at;
}

int TGridAxis::CellAt(int p, int first) const {
    int at = 0;
    for (int i = 0; i < m_fixed; ++i) {
        if (p >= at && p < at + Size(i))
            return i;
        at += Size(i);
    }
    for (int i = first; i < Count(); ++i) {
        if (p >= at && p < at + Size(i))
            return i;
        at += Size(i);
    }
    return -1;
}

int TGridAxis::VisibleCount(int first, int extent) const {
    int n = 0;
    int at = FixedExtent();
    for (int i = first; i < Count(); ++i) {
        at += Size(i);
        if (at > extent)
            break;
        ++n;
    }
    return std::max(1, n);
}

int TGridAxis::MaxFirst(int extent) const {
    const int avail = extent - FixedExtent();
    int i = Count() - 1;
    int sum = Size(i);
    while (i > m_fixed && sum + Size(i - 1) <= avail)
        sum += Size(--i);
    return std::max(m_fixed, i);
}

std::vector<int> TGridAxis::CellsInView(int first, int extent, int& end) const {
    std::vector<int> cells;
    for (int i = 0; i < m_fixed; ++i)
        cells.push_back(i);
    end = FixedExtent();
    for (int i = first; i < Count() && end < extent; ++i) {
        cells.push_back(i);
        end += Size(i);
    }
    return cells;
}

} // namespace grid
