#include "grid/BaseGrid.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QRawFont>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace grid {

// ---------------------------------------------------------------------------------------------
// TBaseGrid: size, geometry, scrolling

TBaseGrid::TBaseGrid(QWidget* parent) : QWidget(parent), m_cells(this) {
    m_options = TGridOption::goFixedVertLine | TGridOption::goFixedHorzLine |
                TGridOption::goVertLine | TGridOption::goHorzLine | TGridOption::goRangeSelect |
                TGridOption::goDrawFocusSelected;
    m_cells.Resize(m_cols.Count(), m_rows.Count());
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_hbar = new QScrollBar(Qt::Horizontal, this);
    m_vbar = new QScrollBar(Qt::Vertical, this);
    m_hbar->hide();
    m_vbar->hide();
    m_hbar->setFocusPolicy(Qt::NoFocus);
    m_vbar->setFocusPolicy(Qt::NoFocus);
    connect(m_hbar, &QScrollBar::valueChanged, this,
            [this](int v) { SetLeftCol(FirstScrollCol() + v); });
    connect(m_vbar, &QScrollBar::valueChanged, this,
            [this](int v) { SetTopRow(FirstScrollRow() + v); });
    ClampScroll();
}

TBaseGrid::~TBaseGrid() = default;

void TBaseGrid::SetColCount(int count) {
    count = std::max(1, count);
    if (count == ColCount())
        return;
    m_cells.Resize(count, RowCount());
    m_cols.SetCount(count);
    m_current.X = std::clamp(m_current.X, FirstScrollCol(), count - 1);
    m_anchor.X = std::clamp(m_anchor.X, FirstScrollCol(), count - 1);
    ClampScroll();
    update();
}

void TBaseGrid::SetRowCount(int count) {
    count = std::max(1, count);
    if (count == RowCount())
        return;
    m_cells.Resize(ColCount(), count);
    m_rows.SetCount(count);
    m_current.Y = std::clamp(m_current.Y, FirstScrollRow(), count - 1);
    m_anchor.Y = std::clamp(m_anchor.Y, FirstScrollRow(), count - 1);
    ClampScroll();
    update();
}

// Changing the fixed area starts over at its first scrolling cell, as the platform grid does.
void TBaseGrid::SetFixedCols(int count) {
    m_cols.SetFixed(count);
    m_leftCol = m_current.X = m_anchor.X = m_cols.Fixed();
    ClampScroll();
    update();
}

void TBaseGrid::SetFixedRows(int count) {
    m_rows.SetFixed(count);
    m_topRow = m_current.Y = m_anchor.Y = m_rows.Fixed();
    ClampScroll();
    update();
}

void TBaseGrid::SetFixedFooters(int count) {
    m_rows.SetFixedEnd(count);
    update();
}

void TBaseGrid::SetFixedRightCols(int count) {
    m_cols.SetFixedEnd(count);
    update();
}

void TBaseGrid::SetDefaultColWidth(int width) {
    m_cols.SetDefaultSize(width);
    ClampScroll();
    update();
}

void TBaseGrid::SetDefaultRowHeight(int height) {
    m_rows.SetDefaultSize(height);
    m_floatingFooterHeight = m_rows.DefaultSize();
    ClampScroll();
    update();
}

void TBaseGrid::SetColWidths(int col, int width) {
    if (col < 0 || col >= ColCount())
        return;
    m_cols.SetSize(col, width);
    ClampScroll();
    update();
}

void TBaseGrid::SetRowHeights(int row, int height) {
    if (row < 0 || row >= RowCount())
        return;
    m_rows.SetSize(row, height);
    ClampScroll();
    update();
}

int TBaseGrid::VisibleColCount() const { return m_cols.VisibleCount(m_leftCol, ClientWidth()); }

int TBaseGrid::VisibleRowCount() const { return m_rows.VisibleCount(m_topRow, ClientHeight()); }

void TBaseGrid::SetLeftCol(int col) {
    const int clamped = std::clamp(col, FirstScrollCol(), MaxLeftCol());
    if (clamped == m_leftCol)
        return;
    m_leftCol = clamped;
    UpdateScrollBars();
    update();
}

void TBaseGrid::SetTopRow(int row) {
    const int clamped = std::clamp(row, FirstScrollRow(), MaxTopRow());
    if (clamped == m_topRow)
        return;
    m_topRow = clamped;
    UpdateScrollBars();
    update();
}

int TBaseGrid::MaxLeftCol() const { return m_cols.MaxFirst(ClientWidth()); }

int TBaseGrid::MaxTopRow() const { return m_rows.MaxFirst(ClientHeight()); }

int TBaseGrid::ClientWidth() const {
    bool needH = false;
    bool needV = false;
    BarsNeeded(needH, needV);
    return std::max(0, width() - (needV ? m_vbar->sizeHint().width() : 0));
}

int TBaseGrid::ClientHeight() const {
    bool needH = false;
    bool needV = false;
    BarsNeeded(needH, needV);
    return std::max(0, height() - (needH ? m_hbar->sizeHint().height() : 0));
}

// A bar shows only where its style allows and the cells do not fit; showing one narrows the
// room for the other, hence the second round. Worked out from the current size every time, so
// a grid that was never shown (and got no resize event) still measures right.
void TBaseGrid::BarsNeeded(bool& needH, bool& needV) const {
    int totalW = 0;
    for (int c = 0; c < ColCount(); ++c)
        totalW += ColWidths(c);
    int totalH = 0;
    for (int r = 0; r < RowCount(); ++r)
        totalH += RowHeights(r);
    const bool allowH = m_scrollBars == ssHorizontal || m_scrollBars == ssBoth;
    const bool allowV = m_scrollBars == ssVertical || m_scrollBars == ssBoth;
    const int vw = m_vbar->sizeHint().width();
    const int hh = m_hbar->sizeHint().height();
    needH = false;
    needV = false;
    for (int round = 0; round < 2; ++round) {
        needH = allowH && totalW > width() - (needV ? vw : 0);
        needV = allowV && totalH > height() - (needH ? hh : 0);
    }
}

void TBaseGrid::SetScrollBars(TScrollStyle style) {
    m_scrollBars = style;
    ClampScroll();
    update();
}

void TBaseGrid::ClampScroll() {
    m_leftCol = std::clamp(m_leftCol, FirstScrollCol(), MaxLeftCol());
    m_topRow = std::clamp(m_topRow, FirstScrollRow(), MaxTopRow());
    UpdateScrollBars();
}

void TBaseGrid::UpdateScrollBars() {
    bool needH = false;
    bool needV = false;
    BarsNeeded(needH, needV);
    const int vw = m_vbar->sizeHint().width();
    const int hh = m_hbar->sizeHint().height();
    const QSignalBlocker blockH(m_hbar);
    const QSignalBlocker blockV(m_vbar);
    m_hbar->setVisible(needH);
    m_vbar->setVisible(needV);
    if (needH) {
        m_hbar->setGeometry(0, height() - hh, width() - (needV ? vw : 0), hh);
        m_hbar->setRange(0, MaxLeftCol() - FirstScrollCol());
        m_hbar->setPageStep(VisibleColCount());
        m_hbar->setValue(m_leftCol - FirstScrollCol());
    }
    if (needV) {
        m_vbar->setGeometry(width() - vw, 0, vw, height() - (needH ? hh : 0));
        m_vbar->setRange(0, MaxTopRow() - FirstScrollRow());
        m_vbar->setPageStep(VisibleRowCount());
        m_vbar->setValue(m_topRow - FirstScrollRow());
    }
}

void TBaseGrid::resizeEvent(QResizeEvent* event) {
    ClampScroll();
    QWidget::resizeEvent(event);
}

void TBaseGrid::ScrollInView(int col, int row) {
    if (col >= FirstScrollCol()) {
        if (col < m_leftCol)
            SetLeftCol(col);
        else
            while (m_leftCol < col && col >= m_leftCol + VisibleColCount())
                SetLeftCol(m_leftCol + 1);
    }
    if (row >= FirstScrollRow()) {
        if (row < m_topRow)
            SetTopRow(row);
        else
            while (m_topRow < row && row >= m_topRow + VisibleRowCount())
                SetTopRow(m_topRow + 1);
    }
}

TRect TBaseGrid::PlainCellRect(int col, int row) const {
    TRect r;
    r.Left = m_cols.Start(col, m_leftCol);
    r.Top = m_rows.Start(row, m_topRow);
    r.Right = r.Left + ColWidths(col);
    r.Bottom = r.Top + RowHeights(row);
    return r;
}

TRect TBaseGrid::MergedCellRect(int col, int row) const {
    const TCellProperties* p = m_cells.CellProperties(col, row);
    if (!p || (p->CellSpanX == -1 && p->CellSpanY == -1))
        return PlainCellRect(col, row);
    const TGridCoord base = BaseCellOf(col, row);
    const TCellProperties* b = m_cells.CellProperties(base.X, base.Y);
    if (!b || b->CellSpanX < 0 || b->CellSpanY < 0)
        return PlainCellRect(col, row);
    return UnionRect(PlainCellRect(base.X, base.Y),
                     PlainCellRect(base.X + b->CellSpanX, base.Y + b->CellSpanY));
}

bool TBaseGrid::MouseToCell(QPoint pos, int& col, int& row) const {
    col = m_cols.CellAt(pos.x(), m_leftCol);
    row = m_rows.CellAt(pos.y(), m_topRow);
    return col >= 0 && row >= 0;
}

// ---------------------------------------------------------------------------------------------
// Current cell and selection

TGridRect TBaseGrid::Selection() const {
    return {std::min(m_current.X, m_anchor.X), std::min(m_current.Y, m_anchor.Y),
            std::max(m_current.X, m_anchor.X), std::max(m_current.Y, m_anchor.Y)};
}

void TBaseGrid::SetSelection(const TGridRect& rect) {
    const TGridRect old = Selection();
    const int l = std::clamp(rect.Left, FirstScrollCol(), ColCount() - 1);
    const int t = std::clamp(rect.Top, FirstScrollRow(), RowCount() - 1);
    const int r = std::clamp(rect.Right, FirstScrollCol(), ColCount() - 1);
    const int b = std::clamp(rect.Bottom, FirstScrollRow(), RowCount() - 1);
    m_current = {l, t};
    m_anchor = {r, b};
    InvalidateRange(old);
    InvalidateRange(Selection());
    Q_EMIT SelectionChanged();
}

void TBaseGrid::SetCol(int col) {
    FocusCell(col, m_current.Y);
}

void TBaseGrid::SetRow(int row) {
    FocusCell(m_current.X, row);
}

void TBaseGrid::FocusCell(int col, int row) {
    MoveCurrent(col, row, false);
}

void TBaseGrid::MoveCurrent(int col, int row, bool extend) {
    col = std::clamp(col, FirstScrollCol(), std::max(FirstScrollCol(), LastSelectableCol()));
    row = std::clamp(row, FirstScrollRow(), std::max(FirstScrollRow(), LastSelectableRow()));
    const TGridRect oldSel = Selection();
    const TGridCoord oldCurrent = m_current;
    if (extend && m_options.testFlag(TGridOption::goRangeSelect)) {
        // The current cell stays where the range began; the far corner follows.
        m_anchor = {col, row};
    } else {
        m_current = {col, row};
        m_anchor = m_current;
    }
    if (m_options.testFlag(TGridOption::goRowSelect)) {
        // Whole rows: the selection always spans every scrolling column.
        m_current.X = FirstScrollCol();
        m_anchor.X = std::max(FirstScrollCol(), LastSelectableCol());
    }
    if (oldSel == Selection() && oldCurrent == m_current)
        return;
    ScrollInView(col, row);
    InvalidateRange(oldSel);
    InvalidateRange(Selection());
    InvalidateCell(oldCurrent.X, oldCurrent.Y);
    InvalidateCell(m_current.X, m_current.Y);
    Q_EMIT SelectionChanged();
}

void TBaseGrid::MoveToBaseCell() {
    const TGridCoord base = BaseCellOf(m_current.X, m_current.Y);
    if (base == m_current)
        return;
    MoveCurrent(base.X, base.Y, false);
}

void TBaseGrid::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    // Keys move from the moving corner when extending, else from the current cell.
    const TGridCoord from = shift ? m_anchor : m_current;
    int col = from.X;
    int row = from.Y;
    const int firstCol = FirstScrollCol();
    const int lastCol = std::max(firstCol, LastSelectableCol());
    const int firstRow = FirstScrollRow();
    const int lastRow = std::max(firstRow, LastSelectableRow());
    switch (event->key()) {
    case Qt::Key_Up:
        --row;
        break;
    case Qt::Key_Down:
        ++row;
        break;
    case Qt::Key_Left:
        --col;
        break;
    case Qt::Key_Right:
        ++col;
        break;
    case Qt::Key_PageUp:
        row -= VisibleRowCount();
        break;
    case Qt::Key_PageDown:
        row += VisibleRowCount();
        break;
    case Qt::Key_Home:
        if (ctrl)
            row = firstRow;
        col = firstCol;
        break;
    case Qt::Key_End:
        if (ctrl)
            row = lastRow;
        col = lastCol;
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (!m_options.testFlag(TGridOption::goTabs)) {
            QWidget::keyPressEvent(event);
            return;
        }
        if (event->key() == Qt::Key_Backtab || shift) {
            if (--col < firstCol) {
                col = lastCol;
                row = row > firstRow ? row - 1 : lastRow;
            }
        } else if (++col > lastCol) {
            col = firstCol;
            row = row < lastRow ? row + 1 : firstRow;
        }
        MoveCurrent(col, row, false);
        MoveToBaseCell();
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    MoveCurrent(std::clamp(col, firstCol, lastCol), std::clamp(row, firstRow, lastRow), shift);
    MoveToBaseCell();
    event->accept();
}

void TBaseGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    int col = 0;
    int row = 0;
    if (!MouseToCell(event->position().toPoint(), col, row))
        return;
    if (col < FirstScrollCol() || row < FirstScrollRow() || col > LastSelectableCol() ||
        row > LastSelectableRow())
        return; // fixed cells are not selectable
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier);
    MoveCurrent(col, row, extend);
    m_selecting = m_options.testFlag(TGridOption::goRangeSelect);
}

void TBaseGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!m_selecting || !(event->buttons() & Qt::LeftButton))
        return;
    int col = 0;
    int row = 0;
    QPoint p = event->position().toPoint();
    p.setX(std::clamp(p.x(), 0, std::max(0, ClientWidth() - 1)));
    p.setY(std::clamp(p.y(), 0, std::max(0, ClientHeight() - 1)));
    if (MouseToCell(p, col, row))
        MoveCurrent(col, row, true);
}

void TBaseGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_selecting = false;
    QWidget::mouseReleaseEvent(event);
}

// A wheel step moves the current cell one row, as the platform grid does.
void TBaseGrid::wheelEvent(QWheelEvent* event) {
    const int dy = event->angleDelta().y();
    if (dy == 0) {
        event->ignore();
        return;
    }
    const int steps = std::max(1, std::abs(dy) / 120);
    const int row = m_current.Y + (dy < 0 ? steps : -steps);
    MoveCurrent(m_current.X, row, false);
    MoveToBaseCell();
    event->accept();
}

void TBaseGrid::focusInEvent(QFocusEvent* event) {
    InvalidateCell(m_current.X, m_current.Y);
    QWidget::focusInEvent(event);
}

void TBaseGrid::focusOutEvent(QFocusEvent* event) {
    InvalidateCell(m_current.X, m_current.Y);
    QWidget::focusOutEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Look

void TBaseGrid::SetFont(const TFont& font) {
    m_font = font;
    update();
}

void TBaseGrid::SetColor(TColor color) {
    m_color = color;
    update();
}

void TBaseGrid::SetFixedColor(TColor color) {
    m_fixedColor = color;
    update();
}

void TBaseGrid::SetFixedFont(const TFont& font) {
    m_fixedFont = font;
    update();
}

void TBaseGrid::SetGridLineWidth(int width) {
    m_gridLineWidth = std::max(0, width);
    update();
}

void TBaseGrid::SetGridLineColor(TColor color) {
    m_gridLineColor = color;
    update();
}

void TBaseGrid::SetOptions(TGridOptions options) {
    m_options = options;
    update();
}

void TBaseGrid::SetHideFocusRect(bool on) {
    m_hideFocusRect = on;
    InvalidateCell(m_current.X, m_current.Y);
}

// ---------------------------------------------------------------------------------------------
// Cells

QByteArray TBaseGrid::GetCellText(int col, int row) const {
    const TGridCoord base = BaseCellOf(col, row);
    QByteArray text = m_cells.Text(base.X, base.Y);
    if (base.Y < RowCount() && OnGetDisplText)
        OnGetDisplText(const_cast<TBaseGrid*>(this), base.X, base.Y, text);
    return text;
}

void TBaseGrid::SetCellText(int col, int row, const QByteArray& text) {
    if (HasCellProperties(col, row)) {
        const TGridCoord base = BaseCellOf(col, row);
        m_cells.SetText(base.X, base.Y, text);
    } else {
        m_cells.SetText(col, row, text);
    }
    InvalidateCell(col, row);
}

void TBaseGrid::MergeCellRange(int col, int row, int spanX, int spanY) {
    if (spanX < 1 || spanY < 1)
        return;
    // Blocks the new one splits must repaint too.
    for (int c = col; c < col + spanX; ++c)
        for (int r = row; r < row + spanY; ++r)
            if (m_cells.Contains(c, r))
                InvalidateRange(m_cells.BlockOf(c, r));
    m_cells.MergeCellRange(col, row, spanX, spanY);
    for (int c = col; c < col + spanX; ++c)
        for (int r = row; r < row + spanY; ++r)
            InvalidateCell(c, r);
}

void TBaseGrid::SplitCell(int col, int row) {
    if (!m_cells.Contains(col, row))
        return;
    InvalidateRange(m_cells.SplitCell(col, row));
}

void TBaseGrid::SetCellFontStyle(int col, int row, TFontStyles styles) {
    TCellProperties* p = GetCellProperties(col, row);
    if (!p)
        return;
    p->FontStyle = styles;
    InvalidateCell(col, row);
}

void TBaseGrid::InvalidateCell(int col, int row) {
    if (!m_cells.Contains(col, row))
        return;
    const TRect r = MergedCellRect(col, row);
    if (!r.IsEmpty())
        update(r.ToQRect());
}

void TBaseGrid::InvalidateRange(const TGridRect& rect) {
    if (rect.Left == rect.Right && rect.Top == rect.Bottom) {
        InvalidateCell(rect.Left, rect.Top);
        return;
    }
    const TRect r =
        UnionRect(MergedCellRect(rect.Left, rect.Top), MergedCellRect(rect.Right, rect.Bottom));
    if (!r.IsEmpty())
        update(r.ToQRect());
}

// ---------------------------------------------------------------------------------------------
// Painting

bool TBaseGrid::IsFixedCell(int col, int row) const {
    bool fixed = col < m_cols.Fixed() || row < m_rows.Fixed() ||
                 row >= RowCount() - m_rows.FixedEnd() || col >= ColCount() - m_cols.FixedEnd();
    if (OnIsFixedCell)
        OnIsFixedCell(const_cast<TBaseGrid*>(this), col, row, fixed);
    return fixed;
}

TGridDrawState TBaseGrid::CellState(int col, int row) const {
    TGridDrawState state;
    if (col < m_cols.Fixed() || row < m_rows.Fixed())
        state |= TGridDrawStateItem::gdFixed;
    else {
        if (GridHasFocus() && col == m_current.X && row == m_current.Y)
            state |= TGridDrawStateItem::gdFocused;
        if (Selection().Contains(col, row))
            state |= TGridDrawStateItem::gdSelected;
    }
    return state;
}

void TBaseGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    PaintGrid(painter, event->rect());
}

void TBaseGrid::PaintGrid(QPainter& painter, const QRect& clip) {
    // Cells row by row, left to right: fixed rows first, then the scrolled rows in view; within
    // a row the fixed columns, then the scrolled columns in view.
    const int cw = ClientWidth();
    const int ch = ClientHeight();
    int x = 0;
    int y = 0;
    const std::vector<int> rows = m_rows.CellsInView(m_topRow, ch, y);
    const std::vector<int> cols = m_cols.CellsInView(m_leftCol, cw, x);
    for (int r : rows)
        for (int c : cols) {
            const TRect cell = PlainCellRect(c, r);
            if (!cell.ToQRect().intersects(clip))
                continue;
            DrawCell(painter, c, r, CellState(c, r));
        }
    // What lies right of and below the last cell shows the grid's colour.
    const QColor back = ColorToQColor(m_color);
    if (x < cw)
        painter.fillRect(QRect(x, 0, cw - x, ch), back);
    if (y < ch)
        painter.fillRect(QRect(0, y, std::min(x, cw), ch - y), back);
    ++m_paintPass;
}

void TBaseGrid::DrawCell(QPainter& painter, int col, int row, TGridDrawState state) {
    if (const TCellProperties* p = m_cells.CellProperties(col, row); p && !p->IsBaseCell) {
        // A covered cell paints its block once per pass, through the base.
        const TGridCoord base = BaseCellOf(col, row);
        TCellProperties* b = m_cells.GetCellProperties(base.X, base.Y);
        if (!b || b->PaintStamp == m_paintPass)
            return;
        b->PaintStamp = m_paintPass;
        DrawBlock(painter, base.X, base.Y, state);
        return;
    }
    DrawBlock(painter, col, row, state);
}

void TBaseGrid::DrawBlock(QPainter& painter, int col, int row, TGridDrawState state) {
    if (IsFixedCell(col, row)) {
        state |= TGridDrawStateItem::gdFixed;
        state &= ~TGridDrawState(TGridDrawStateItem::gdSelected);
    }
    const bool fixed = state.testFlag(TGridDrawStateItem::gdFixed);
    const TRect rect = MergedCellRect(col, row);

    painter.save();
    const int fw = FixedWidth();
    const int fh = FixedHeight();
    if (!fixed && (m_cols.Fixed() > 0 || m_rows.Fixed() > 0) && (rect.Left < fw || rect.Top < fh))
        painter.setClipRect(
            QRect(fw, fh, std::max(0, ClientWidth() - fw), std::max(0, ClientHeight() - fh)),
            Qt::IntersectClip);

    const CellLook look = ResolveCellLook(col, row, state);

    // Background over the whole rectangle, grid-line pixels included.
    const QColor brush = ColorToQColor(look.BrushColor);
    painter.fillRect(rect.ToQRect(), brush);

    // Grid lines inside the cell, along its right and bottom edges.
    QColor lineColor = brush;
    int lineWidth = 1;
    int h = 1;
    if (fixed) {
        lineColor = ColorToQColor(clGray);
    } else if (m_gridLineWidth > 0) {
        lineColor = ColorToQColor(m_gridLineColor);
        lineWidth = m_gridLineWidth;
        h = (m_gridLineWidth + 1) / 2;
    }
    // A line of width w through y covers the rows y - w / 2 .. y - w / 2 + w - 1, which keeps
    // every width inside the cell; along the line the first point is drawn and the second not.
    const int lo = lineWidth / 2;
    const bool horz = (m_options.testFlag(TGridOption::goHorzLine) && !fixed) ||
                      (m_options.testFlag(TGridOption::goFixedHorzLine) && fixed);
    const bool vert = (m_options.testFlag(TGridOption::goVertLine) && !fixed) ||
                      (m_options.testFlag(TGridOption::goFixedVertLine) && fixed);
    if (horz) {
        const int x0 = rect.Left - h + 1;
        const int x1 = rect.Right - h + 1;
        painter.fillRect(QRect(x0, rect.Bottom - h - lo, x1 - x0, lineWidth), lineColor);
    }
    if (vert) {
        const int y0 = rect.Top - h + 1; // the end point (Top - h) is excluded
        const int y1 = rect.Bottom - h + 1;
        painter.fillRect(QRect(rect.Right - h - lo, y0, lineWidth, y1 - y0), lineColor);
    }

    const int inset = fixed ? 1 : m_gridLineWidth;
    const TRect content{rect.Left + inset, rect.Top + inset, rect.Right - inset,
                        rect.Bottom - inset};
    DrawCellContent(painter, col, row, content, state, look);
    painter.restore();
}

void TBaseGrid::DrawFocusFrame(QPainter& painter, int col, int row, const TRect& content) {
    if (m_hideFocusRect || m_options.testFlag(TGridOption::goRowSelect) || !GridHasFocus())
        return;
    const TGridCoord base = BaseCellOf(col, row);
    if (!(base == m_current))
        return;
    const int grow = 1 + m_gridLineWidth - 1;
    TRect r{content.Left - grow, content.Top - grow, content.Right + grow, content.Bottom + grow};
    r.Right -= 1;
    r.Bottom -= 1;
    if (r.IsEmpty())
        return;
    // The platform's focus frame: every other pixel of the outline inverted, on a checker
    // aligned to the device origin.
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QColor white(255, 255, 255);
    auto dot = [&](int x, int y) {
        if (((x + y) & 1) == 0)
            painter.fillRect(QRect(x, y, 1, 1), white);
    };
    for (int x = r.Left; x < r.Right; ++x) {
        dot(x, r.Top);
        if (r.Bottom - 1 > r.Top)
            dot(x, r.Bottom - 1);
    }
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        dot(r.Left, y);
        if (r.Right - 1 > r.Left)
            dot(r.Right - 1, y);
    }
    painter.restore();
}

} // namespace grid
