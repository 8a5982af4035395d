#pragma once
// One axis of the grid: the widths of its columns or the heights of its rows, how many are fixed
// at its start and at its end, and the geometry the grid asks of it (where a cell starts when
// the axis is scrolled, which cell lies under a point, how many fit). The grid keeps one for its
// columns and one for its rows; it knows nothing of widgets.

#include <vector>

namespace grid {

class TGridAxis {
public:
    TGridAxis(int count, int defaultSize);

    int Count() const { return static_cast<int>(m_sizes.size()); }
    // At least 1; new cells take the default size; the fixed counts shrink to fit.
    void SetCount(int count);
    int DefaultSize() const { return m_defaultSize; }
    // Every cell takes the new size (negative counts as 0).
    void SetDefaultSize(int size);
    // The default size outside the axis.
    int Size(int i) const;
    // Ignored outside the axis; negative counts as 0.
    void SetSize(int i, int size);

    // Fixed cells at the start (0..Count-1) and at the end (what the start leaves, less one).
    int Fixed() const { return m_fixed; }
    void SetFixed(int count);
    int FixedEnd() const { return m_fixedEnd; }
    void SetFixedEnd(int count);
    // Sum of the sizes of the fixed cells at the start.
    int FixedExtent() const;

    // Where cell i starts when `first` is the first scrolled cell in view (the fixed cells stay
    // put; scrolled cells before `first` lie behind them, before the fixed extent).
    int Start(int i, int first) const;
    // The cell whose span holds `p`, scrolled to `first`; -1 outside every cell in view.
    int CellAt(int p, int first) const;
    // Scrolled cells from `first` that fit wholly in `extent` after the fixed ones (at least 1).
    int VisibleCount(int first, int extent) const;
    // The last `first` worth scrolling to: the one that shows the last cell wholly, with as many
    // before it as fit in `extent`.
    int MaxFirst(int extent) const;
    // The cells to paint in `extent`: the fixed ones, then the scrolled ones from `first` that
    // start inside it. `end` is where the last of them ends.
    std::vector<int> CellsInView(int first, int extent, int& end) const;

private:
    std::vector<int> m_sizes;
    int m_defaultSize;
    int m_fixed = 1;
    int m_fixedEnd = 0;
};

} // namespace grid
