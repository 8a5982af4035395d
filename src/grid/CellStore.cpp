#include "grid/CellStore.h"

#include <algorithm>

namespace grid {

void TCellStore::Resize(int cols, int rows) {
    cols = std::max(0, cols);
    rows = std::max(0, rows);
    if (cols == m_cols && rows == m_rows)
        return;
    // Split the blocks the new size cuts, while their cells are all still there.
    for (int r = 0; r < m_rows; ++r)
        for (int c = 0; c < m_cols; ++c) {
            const TCellProperties* p = CellProperties(c, r);
            if (!p || !p->IsBaseCell || p->CellSpanX < 0 || p->CellSpanY < 0)
                continue;
            if (c + p->CellSpanX >= cols || r + p->CellSpanY >= rows)
                SplitCell(c, r);
        }
    std::vector<QByteArray> texts(size_t(cols) * size_t(rows));
    std::vector<std::unique_ptr<TCellProperties>> props(size_t(cols) * size_t(rows));
    for (int r = 0; r < std::min(rows, m_rows); ++r)
        for (int c = 0; c < std::min(cols, m_cols); ++c) {
            texts[size_t(r) * cols + c] = std::move(m_texts[Index(c, r)]);
            props[size_t(r) * cols + c] = std::move(m_props[Index(c, r)]);
        }
    m_texts = std::move(texts);
    m_props = std::move(props);
    m_cols = cols;
    m_rows = rows;
}

const QByteArray& TCellStore::Text(int col, int row) const {
    static const QByteArray empty;
    return Contains(col, row) ? m_texts[Index(col, row)] : empty;
}

void TCellStore::SetText(int col, int row, const QByteArray& text) {
    if (!Contains(col, row))
        return;
    if (text.isEmpty())
        m_texts[Index(col, row)] = QByteArray(); // an empty text frees the cell's bytes
    else
        m_texts[Index(col, row)] = text;
}

bool TCellStore::HasCellProperties(int col, int row) const {
    return Contains(col, row) && m_props[Index(col, row)] != nullptr;
}

TCellProperties* TCellStore::GetCellProperties(int col, int row) {
    if (!Contains(col, row))
        return nullptr;
    auto& slot = m_props[Index(col, row)];
    if (!slot)
        slot = std::make_unique<TCellProperties>(m_owner, col, row);
    return slot.get();
}

const TCellProperties* TCellStore::CellProperties(int col, int row) const {
    return Contains(col, row) ? m_props[Index(col, row)].get() : nullptr;
}

TGridCoord TCellStore::BaseCellOf(int col, int row) const {
    const TCellProperties* p = CellProperties(col, row);
    if (p && !p->IsBaseCell && p->CellSpanX != -1 && p->CellSpanY != -1)
        return {col - p->CellSpanX, row - p->CellSpanY};
    return {col, row};
}

TGridRect TCellStore::BlockOf(int col, int row) const {
    const TGridCoord base = BaseCellOf(col, row);
    const TCellProperties* p = CellProperties(base.X, base.Y);
    if (!p || p->CellSpanX < 0 || p->CellSpanY < 0)
        return {col, row, col, row};
    return {base.X, base.Y, base.X + p->CellSpanX, base.Y + p->CellSpanY};
}

TGridRect TCellStore::SplitCell(int col, int row) {
    const TGridRect block = BlockOf(col, row);
    for (int c = block.Left; c <= block.Right; ++c)
        for (int r = block.Top; r <= block.Bottom; ++r)
            if (TCellProperties* p = m_props[Index(c, r)].get()) {
                p->IsBaseCell = true;
                p->CellSpanX = -1;
                p->CellSpanY = -1;
            }
    return block;
}

void TCellStore::MergeCellRange(int col, int row, int spanX, int spanY) {
    if (spanX < 1 || spanY < 1)
        return;
    if (!Contains(col, row) || !Contains(col + spanX - 1, row + spanY - 1))
        return;
    // A block that reaches into the new one (and is not the same block) would be left claiming
    // cells it no longer owns: split it first.
    for (int c = col; c < col + spanX; ++c)
        for (int r = row; r < row + spanY; ++r) {
            const TGridRect old = BlockOf(c, r);
            const bool plain = old.Left == old.Right && old.Top == old.Bottom;
            const bool same = old == TGridRect{col, row, col + spanX - 1, row + spanY - 1};
            if (!plain && !same)
                SplitCell(c, r);
        }
    for (int c = col; c < col + spanX; ++c)
        for (int r = row; r < row + spanY; ++r) {
            TCellProperties* p = GetCellProperties(c, r);
            p->IsBaseCell = c == col && r == row;
            if (p->IsBaseCell) {
                p->CellSpanX = spanX - 1;
                p->CellSpanY = spanY - 1;
            } else {
                p->CellSpanX = c - col;
                p->CellSpanY = r - row;
            }
        }
}

bool TCellStore::CheckConsistency(QString* why) const {
    auto fail = [why](int c, int r, const char* what) {
        if (why)
            *why = QStringLiteral("cell (%1, %2): %3").arg(c).arg(r).arg(QString::fromUtf8(what));
        return false;
    };
    for (int r = 0; r < m_rows; ++r)
        for (int c = 0; c < m_cols; ++c) {
            const TCellProperties* p = CellProperties(c, r);
            if (!p)
                continue;
            if (p->IsBaseCell) {
                if ((p->CellSpanX == -1) != (p->CellSpanY == -1) || p->CellSpanX < -1 ||
                    p->CellSpanY < -1)
                    return fail(c, r, "base cell with a broken span");
                if (p->CellSpanX < 0)
                    continue;
                if (!Contains(c + p->CellSpanX, r + p->CellSpanY))
                    return fail(c, r, "block reaches outside the table");
                for (int bc = c; bc <= c + p->CellSpanX; ++bc)
                    for (int br = r; br <= r + p->CellSpanY; ++br) {
                        if (bc == c && br == r)
                            continue;
                        const TCellProperties* q = CellProperties(bc, br);
                        if (!q)
                            return fail(bc, br, "covered cell without properties");
                        if (q->IsBaseCell || q->CellSpanX != bc - c || q->CellSpanY != br - r)
                            return fail(bc, br, "covered cell does not point at its base");
                    }
            } else {
                if (p->CellSpanX < 0 || p->CellSpanY < 0)
                    return fail(c, r, "covered cell with a negative offset");
                const int bc = c - p->CellSpanX;
                const int br = r - p->CellSpanY;
                const TCellProperties* b = CellProperties(bc, br);
                if (!b || !b->IsBaseCell || bc + b->CellSpanX < c || br + b->CellSpanY < r)
                    return fail(c, r, "covered cell outside its base's block");
            }
        }
    return true;
}

} // namespace grid
