#include "preview/frxPreview.h"

#include "platform/CanvasPainter.h"
#include "platform/CanvasRecording.h"
#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/Registry.h"
#include "report/frxClass.h"
#include "store/frxPreviewPages.h"
#include "resources/frxRes.h"
#include "resources/frxResImages.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionSlider>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>

#include <vector>
#include <cmath>

using namespace frxClass;

namespace {

// While a report is prepared, only this many pages are laid out as they arrive.
constexpr int kLaidOutWhilePreparing = 50;
// Pixels one wheel notch scrolls.
constexpr int kWheelScroll = 20;
// A press that moves further than this is a drag: its release is no click.
constexpr int kDragSlop = 4;
// Outline tree items: page index + 1 and top, as the tree's image and state indexes.
constexpr int kPageRole = Qt::UserRole;
constexpr int kTopRole = Qt::UserRole + 1;

int ScrollBarExtent(const QWidget* w) {
    return w->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w);
}

// Flat scroll bars for the page areas: a plain groove, a plain handle and small arrows. They
// are repainted on every scroll step, and the desktop style's shaded bars cost more to draw than
// a page of text.
class FlatScrollBarStyle : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar)
            return QProxyStyle::drawComplexControl(control, option, painter, widget);
        const QPalette& pal = bar->palette;
        const bool enabled = bar->state & State_Enabled && bar->maximum > bar->minimum;
        painter->fillRect(bar->rect, pal.color(QPalette::Window).darker(105));
        if (enabled) {
            const QRect handle = subControlRect(control, bar, SC_ScrollBarSlider, widget);
            const bool active = bar->activeSubControls & SC_ScrollBarSlider &&
                                bar->state & (State_MouseOver | State_Sunken);
            const QColor base = pal.color(QPalette::Window).darker(active ? 150 : 130);
            painter->fillRect(handle.adjusted(2, 2, -2, -2), base);
        }
        const bool horizontal = bar->orientation == Qt::Horizontal;
        for (auto [sub, arrow] : {std::pair{SC_ScrollBarSubLine, horizontal ? PE_IndicatorArrowLeft
                                                                            : PE_IndicatorArrowUp},
                                  std::pair{SC_ScrollBarAddLine, horizontal ? PE_IndicatorArrowRight
                                                                            : PE_IndicatorArrowDown}}) {
            const QRect r = subControlRect(control, bar, sub, widget);
            if (r.isEmpty())
                continue;
            QStyleOption arrowOption(*bar);
            arrowOption.rect = r.adjusted(3, 3, -3, -3);
            if (!enabled)
                arrowOption.state &= ~State_Enabled;
            proxy()->drawPrimitive(arrow, &arrowOption, painter, widget);
        }
    }
};

TfrxPreviewLink*& PreviewLinkOf(TfrxReport* report) { return report->Runtime().Preview; }
bool PrepareAgain(TfrxReport* report) { return report->Prepare(true); }

} // namespace

// --- scroll window ---

TfrxScrollWin::TfrxScrollWin(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    auto* flat = new FlatScrollBarStyle;
    flat->setParent(this);
    horizontalScrollBar()->setStyle(flat);
    verticalScrollBar()->setStyle(flat);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    horizontalScrollBar()->setSingleStep(SmallChange);
    verticalScrollBar()->setSingleStep(SmallChange);
    // The bars' page step sizes their handles after the view; clicks beside the handle move by
    // LargeChange instead.
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { PageStep(Qt::Horizontal, action); });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { PageStep(Qt::Vertical, action); });
}

void TfrxScrollWin::PageStep(Qt::Orientation orientation, int action) {
    QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    if (action == QAbstractSlider::SliderPageStepAdd)
        bar->setSliderPosition(bar->value() + LargeChange);
    else if (action == QAbstractSlider::SliderPageStepSub)
        bar->setSliderPosition(bar->value() - LargeChange);
}

int TfrxScrollWin::HorzPage() const { return viewport()->width(); }
int TfrxScrollWin::VertPage() const { return viewport()->height(); }
int TfrxScrollWin::HorzPosition() const { return horizontalScrollBar()->value(); }
int TfrxScrollWin::VertPosition() const { return verticalScrollBar()->value(); }

void TfrxScrollWin::SetHorzRange(int range) {
    m_horzRange = std::max(0, range);
    UpdateBars();
}

void TfrxScrollWin::SetVertRange(int range) {
    m_vertRange = std::max(0, range);
    UpdateBars();
}

void TfrxScrollWin::UpdateBars() {
    // The bars' own ranges run to range - page, and to 0 when the range is smaller than the
    // page (the bar then hides). Showing a bar narrows the view: settle both in turn.
    for (int pass = 0; pass < 3; ++pass) {
        const QSize before = viewport()->size();
        QScrollBar* h = horizontalScrollBar();
        QScrollBar* v = verticalScrollBar();
        h->setPageStep(std::max(1, HorzPage()));
        v->setPageStep(std::max(1, VertPage()));
        h->setRange(0, std::max(0, m_horzRange - HorzPage()));
        v->setRange(0, std::max(0, m_vertRange - VertPage()));
        if (viewport()->size() == before)
            break;
    }
}

void TfrxScrollWin::SetHorzPosition(int position) {
    horizontalScrollBar()->setValue(frxClampScroll(position, m_horzRange, HorzPage()));
}

void TfrxScrollWin::SetVertPosition(int position) {
    verticalScrollBar()->setValue(frxClampScroll(position, m_vertRange, VertPage()));
}

void TfrxScrollWin::ScrollBy(int dx, int dy) {
    if (dx)
        SetHorzPosition(HorzPosition() + dx);
    if (dy)
        SetVertPosition(VertPosition() + dy);
}

void TfrxScrollWin::scrollContentsBy(int dx, int dy) {
    viewport()->scroll(dx, dy);
    OnScrolled(-dx, -dy);
}

void TfrxScrollWin::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateBars();
    OnResized();
}

// --- workspace ---

TfrxPreviewWorkspace::TfrxPreviewWorkspace(TfrxPreview* preview, bool thumbnail, QWidget* parent)
    : TfrxScrollWin(parent), m_preview(preview), m_thumbnail(thumbnail) {
    setFocusPolicy(Qt::NoFocus);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(DefaultCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    if (thumbnail)
        Zoom = 0.1L;
    else
        // The page area keeps its vertical bar (disabled while everything fits): pages do not
        // shift sideways when a zoom makes the bar come and go, the page-width zoom always
        // leaves the same margins, and the first page of a preparation lays out only once.
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

TfrxPreviewWorkspace::~TfrxPreviewWorkspace() = default;

bool TfrxPreviewWorkspace::Empty() const {
    return !PreviewPages || PreviewPages->PageCount() == 0;
}

void TfrxPreviewWorkspace::LayoutPages() {
    PageList.LayoutRows(HorzPage());
    UpdateScrollRanges();
    // A bar that appeared or went changed the width the rows were laid out for.
    if (PageList.Count() > 0 && HorzPage() != viewport()->width())
        PageList.LayoutRows(HorzPage());
}

void TfrxPreviewWorkspace::UpdateScrollRanges() {
    const int width = HorzPage();
    SetHorzRange(PageList.MaxWidth() + TfrxPageList::Gap);
    SetVertRange(PageList.Bottom() + TfrxPageList::Gap);
    if (HorzPage() != width) {
        PageList.LayoutRows(HorzPage());
        SetHorzRange(PageList.MaxWidth() + TfrxPageList::Gap);
        SetVertRange(PageList.Bottom() + TfrxPageList::Gap);
    }
    SetHorzPosition(HorzPosition());
    SetVertPosition(VertPosition());
}

QRect TfrxPreviewWorkspace::PageRectInView(int index) const {
    return PageList.PageBounds(index, HorzPage(), Zoom).translated(-HorzPosition(), -VertPosition());
}

void TfrxPreviewWorkspace::ScrollToPage(int index, int offset) {
    const QRect r = PageList.PageBounds(index, HorzPage(), Zoom);
    SetVertPosition(r.top() + offset - TfrxPageList::Gap);
}

QRect TfrxPreviewWorkspace::FrameRect(int pageNo) const {
    if (pageNo < 1 || pageNo > PageList.Count())
        return QRect();
    return PageRectInView(pageNo - 1).adjusted(-2, -2, 2, 2);
}

void TfrxPreviewWorkspace::SetActivePage(int pageNo) {
    if (pageNo == PageNo)
        return;
    // Only the two frames change: repaint the rings around the old and the new page.
    QRegion dirty;
    for (int n : {PageNo, pageNo}) {
        const QRect outer = FrameRect(n);
        if (!outer.isEmpty())
            dirty += QRegion(outer).subtracted(QRegion(outer.adjusted(2, 2, -2, -2)));
    }
    PageNo = pageNo;
    if (!dirty.isEmpty())
        viewport()->update(dirty);
}

void TfrxPreviewWorkspace::DropSearchPicture() {
    Search.Picture.reset();
    Search.PicturePage = -1;
}

void TfrxPreviewWorkspace::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    if (Locked || Empty()) {
        painter.fillRect(dirty, BackColor);
        return;
    }
    const int count = std::min(PageList.Count(), PreviewPages->PageCount());
    // Every page in the rows the dirty band crosses: at a small zoom on a large screen that is
    // many rows of many pages.
    const auto [from, last] = PageList.PagesBetween(VertPosition() + dirty.top(),
                                                     VertPosition() + dirty.top() + dirty.height());
    const int to = std::min(count - 1, last);
    const QRect client = viewport()->rect();

    // Background around the pages, never under them.
    QRegion background(dirty);
    for (int i = from; i <= to; ++i) {
        const QRect r = PageRectInView(i);
        if (r.intersects(dirty))
            background -= r;
    }
    for (const QRect& r : background)
        painter.fillRect(r, BackColor);

    // The active page's frame: 2 px just outside its rectangle.
    const QRect frame = FrameRect(PageNo);
    if (!frame.isEmpty() && frame.intersects(dirty)) {
        const QRegion ring = QRegion(frame).subtracted(QRegion(frame.adjusted(2, 2, -2, -2)));
        for (const QRect& r : ring)
            painter.fillRect(r, ActiveFrameColor);
    }

    std::vector<std::pair<int, QRect>> shown;
    for (int i = from; i <= to; ++i) {
        const QRect r = PageRectInView(i);
        if (!r.intersects(dirty) || !r.intersects(client))
            continue;
        painter.fillRect(r, Qt::white);
        painter.setPen(QPen(FrameColor, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        shown.emplace_back(i, r);
    }

    // The pages are drawn in device pixels: on a screen with more pixels per point the text is
    // laid out for that screen, not magnified from a coarser layout.
    const qreal dpr = painter.deviceTransform().m11() > 0 ? painter.deviceTransform().m11() : 1;
    painter.save();
    if (dpr != 1)
        painter.scale(1 / dpr, 1 / dpr);
    {
        platform::PainterCanvas canvas(&painter);
        const long double scale = Zoom * static_cast<long double>(dpr);
        for (const auto& [i, r] : shown)
            PreviewPages->RenderPage(i, &canvas, scale, scale, r.left() * static_cast<long double>(dpr),
                                     r.top() * static_cast<long double>(dpr));
    }
    painter.restore();

    for (const auto& [i, r] : shown) {
        if (m_thumbnail) {
            QFont font(QStringLiteral("Arial"));
            font.setPointSize(8);
            painter.setFont(font);
            const QString number = QLatin1Char(' ') + QString::number(i + 1) + QLatin1Char(' ');
            const QFontMetrics fm(font);
            const QRect box(r.left() + 1, r.top() + 1, fm.horizontalAdvance(number), fm.height());
            painter.fillRect(box, BackColor);
            painter.setPen(Qt::white);
            painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, number);
        } else if (Search.Found && i == Search.Page) {
            // The hit, inverted with white lines one pixel outside it.
            const QRect hit(r.left() + frxRoundToInt(Search.HitRect.left() * Zoom) - 1,
                            r.top() + frxRoundToInt(Search.HitRect.top() * Zoom) - 1,
                            frxRoundToInt(Search.HitRect.width() * Zoom) + 2,
                            frxRoundToInt(Search.HitRect.height() * Zoom) + 2);
            painter.save();
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.setPen(QPen(Qt::white, 0));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(hit.adjusted(0, 0, -1, -1));
            painter.restore();
        }
    }
}

void TfrxPreviewWorkspace::mousePressEvent(QMouseEvent* event) {
    if (Locked || Empty())
        return;
    if (event->button() == Qt::LeftButton) {
        m_down = true;
        m_dragged = false;
        m_lastPoint = m_downPoint = event->position().toPoint();
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
}

void TfrxPreviewWorkspace::mouseMoveEvent(QMouseEvent* event) {
    if (Locked || Empty())
        return;
    const QPoint p = event->position().toPoint();
    if (m_down && (event->buttons() & Qt::LeftButton)) {
        // Hand dragging: the page follows the pointer.
        const QPoint delta = p - m_lastPoint;
        m_lastPoint = p;
        if ((p - m_downPoint).manhattanLength() > kDragSlop)
            m_dragged = true;
        ScrollBy(-delta.x(), -delta.y());
        return;
    }
    platform::Guarded([&] { m_preview->WorkspaceHover(this, event); });
}

void TfrxPreviewWorkspace::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasDown = m_down;
    m_down = false;
    viewport()->setCursor(DefaultCursor);
    if (Locked || Empty())
        return;
    // A click opens links and runs the report's click event: its errors end here.
    if (wasDown || event->button() != Qt::LeftButton)
        platform::Guarded([&] { m_preview->WorkspaceClicked(this, event, m_dragged); });
    m_dragged = false;
}

void TfrxPreviewWorkspace::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDblClick)
        OnDblClick();
    mousePressEvent(event);
}

void TfrxPreviewWorkspace::wheelEvent(QWheelEvent* event) {
    // A notch is 120; touch pads send parts of one, which add up.
    m_wheelRest += event->angleDelta().y();
    const int notches = m_wheelRest / 120;
    m_wheelRest -= notches * 120;
    if (notches)
        m_preview->MouseWheel(notches, event->modifiers() & Qt::ControlModifier);
    event->accept();
}

void TfrxPreviewWorkspace::OnScrolled(int dx, int dy) {
    if (dy)
        m_preview->WorkspaceScrolled(this);
}

void TfrxPreviewWorkspace::OnResized() {
    if (!m_thumbnail)
        m_preview->RelayoutPages();
    else if (!Locked)
        LayoutPages();
}

// --- preview control ---

TfrxCustomPreview::TfrxCustomPreview(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
}

TfrxReport* TfrxCustomPreview::Report() const { return m_report.data(); }

TfrxPreview::TfrxPreview(QWidget* parent) : TfrxCustomPreview(parent), Ticks(platform::TickCount) {
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("Splitter"));
    m_splitter->setHandleWidth(4);
    m_splitter->setChildrenCollapsible(false);
    layout->addWidget(m_splitter);

    m_tree = new QTreeWidget(m_splitter);
    m_tree->setObjectName(QStringLiteral("OutlineTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setFrameShape(QFrame::Box);
    m_tree->setLineWidth(1);
    m_tree->setFocusPolicy(Qt::NoFocus);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->hide();
    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { platform::Guarded([&] { OutlineClicked(item); }); });
    m_treeMenu = new QMenu(this);
    QAction* collapse = m_treeMenu->addAction(frxPreviewButtonIcon(13), frxGet(601));
    QAction* expand = m_treeMenu->addAction(frxPreviewButtonIcon(14), frxGet(600));
    connect(collapse, &QAction::triggered, m_tree, &QTreeWidget::collapseAll);
    connect(expand, &QAction::triggered, m_tree, &QTreeWidget::expandAll);
    connect(m_tree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { m_treeMenu->popup(m_tree->viewport()->mapToGlobal(p)); });

    m_thumbnails = new TfrxPreviewWorkspace(this, true, m_splitter);
    m_thumbnails->setObjectName(QStringLiteral("Thumbnails"));
    m_thumbnails->hide();

    m_workspace = new TfrxPreviewWorkspace(this, false, m_splitter);
    m_workspace->setObjectName(QStringLiteral("Workspace"));
    m_splitter->setStretchFactor(2, 1);
    connect(m_splitter, &QSplitter::splitterMoved, this,
            [this] { platform::Guarded([this] { RelayoutPages(); }); });

    m_messagePanel = new QFrame(this);
    m_messagePanel->setObjectName(QStringLiteral("MessagePanel"));
    static_cast<QFrame*>(m_messagePanel)->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_messagePanel->setAutoFillBackground(true);
    m_messagePanel->resize(260, 75);
    m_messageLabel = new QLabel(m_messagePanel);
    m_messageLabel->setGeometry(4, 20, 255, 20);
    m_messageLabel->setAlignment(Qt::AlignCenter);
    m_messageCancel = new QPushButton(frxGet(QStringLiteral("clCancel")), m_messagePanel);
    m_messageCancel->setGeometry(92, 44, 75, 25);
    m_messageCancel->hide();
    connect(m_messageCancel, &QPushButton::clicked, this, [this] {
        if (m_report)
            m_report->Terminated = true;
    });
    m_messagePanel->hide();

    SetOutlineWidth(m_outlineWidth);
}

TfrxPreview::~TfrxPreview() {
    // The report must not call a control that is gone.
    if (m_report && PreviewLinkOf(m_report) == this)
        PreviewLinkOf(m_report) = nullptr;
}

void TfrxPreview::SetReport(TfrxReport* report) {
    if (m_report == report)
        return;
    if (m_report) {
        disconnect(m_report, nullptr, this, nullptr);
        if (PreviewLinkOf(m_report) == this)
            PreviewLinkOf(m_report) = nullptr;
    }
    m_report = report;
    if (report)
        connect(report, &QObject::destroyed, this, [this] { ReportDestroyed(); });
}

void TfrxPreview::SetPreviewPages(TfrxCustomPreviewPages* pages) {
    m_pages = pages;
    m_workspace->PreviewPages = pages;
    m_thumbnails->PreviewPages = pages;
}

void TfrxPreview::ReportDestroyed() {
    // The store went with its report: forget both, show an empty area.
    m_report = nullptr;
    SetPreviewPages(nullptr);
    m_busy = false;
    m_workspace->PageList.Clear();
    m_thumbnails->PageList.Clear();
    m_tree->clear();
    m_pageNo = 0;
    m_workspace->PageNo = m_thumbnails->PageNo = 0;
    m_workspace->viewport()->update();
    m_thumbnails->viewport()->update();
}

TfrxPreviewOptions* TfrxPreview::Options() const {
    return m_report ? m_report->PreviewOptions() : nullptr;
}

bool TfrxPreview::HasButton(int button) const {
    const TfrxPreviewOptions* o = Options();
    return o && (o->Buttons() & TfrxPreviewButton(button));
}

bool TfrxPreview::FinalPass() const {
    if (!m_report)
        return true;
    const TfrxCustomEngine* engine = m_report->Runtime().Engine();
    return !engine || engine->FinalPass;
}

bool TfrxPreview::FirstPassRunning() const { return m_busy && !FinalPass(); }

int TfrxPreview::PageCount() const { return m_pages ? m_pages->PageCount() : 0; }

void TfrxPreview::Init() {
    m_workspace->PreviewPages = m_pages;
    m_thumbnails->PreviewPages = m_pages;
    m_workspace->Search.Page = 0;
    m_workspace->Search.Found = false;
    m_workspace->DropSearchPicture();
    FindNextAllowed = false;
    if (const TfrxPreviewOptions* o = Options()) {
        SetOutlineWidth(o->OutlineWidth());
        m_outlineWanted = o->OutlineVisible();
        m_thumbnailWanted = o->ThumbnailVisible() && !m_outlineWanted;
        UpdatePanes();
    }
    RelayoutPages();
    RebuildOutlineTree();
    GoToPage(1);
}

// --- colours and panes ---

QColor TfrxPreview::ActiveFrameColor() const { return m_workspace->ActiveFrameColor; }
void TfrxPreview::SetActiveFrameColor(const QColor& c) {
    m_workspace->ActiveFrameColor = m_thumbnails->ActiveFrameColor = c;
    RepaintPages();
}
QColor TfrxPreview::BackColor() const { return m_workspace->BackColor; }
void TfrxPreview::SetBackColor(const QColor& c) {
    m_workspace->BackColor = m_thumbnails->BackColor = c;
    RepaintPages();
}
QColor TfrxPreview::FrameColor() const { return m_workspace->FrameColor; }
void TfrxPreview::SetFrameColor(const QColor& c) {
    m_workspace->FrameColor = m_thumbnails->FrameColor = c;
    RepaintPages();
}
QColor TfrxPreview::OutlineColor() const { return m_tree->palette().color(QPalette::Base); }
void TfrxPreview::SetOutlineColor(const QColor& c) {
    QPalette p = m_tree->palette();
    p.setColor(QPalette::Base, c);
    m_tree->setPalette(p);
}

bool TfrxPreview::OutlineVisible() const { return m_outlineWanted; }
bool TfrxPreview::ThumbnailVisible() const { return m_thumbnailWanted; }

void TfrxPreview::SetOutlineVisible(bool visible) {
    m_outlineWanted = visible;
    if (visible)
        m_thumbnailWanted = false;
    UpdatePanes();
    RelayoutPages();
}

void TfrxPreview::SetThumbnailVisible(bool visible) {
    m_thumbnailWanted = visible;
    if (visible)
        m_outlineWanted = false;
    UpdatePanes();
    RelayoutPages();
}

void TfrxPreview::UpdatePanes() {
    m_tree->setVisible(m_outlineWanted);
    m_thumbnails->setVisible(m_thumbnailWanted);
    SetOutlineWidth(m_outlineWidth);
    if (m_window)
        m_window->UpdatePaneButtons();
}

void TfrxPreview::SetOutlineWidth(int width) {
    m_outlineWidth = std::max(0, width);
    m_tree->resize(m_outlineWidth, m_tree->height());
    m_thumbnails->resize(m_outlineWidth, m_thumbnails->height());
    const int rest = std::max(0, m_splitter->width() - m_outlineWidth - m_splitter->handleWidth());
    m_splitter->setSizes({m_outlineWidth, m_outlineWidth, rest});
}

// --- navigation ---

void TfrxPreview::GoToPage(int pageNo) { GoToPageFrom(pageNo, nullptr); }

void TfrxPreview::GoToPageFrom(int pageNo, TfrxPreviewWorkspace* asking) {
    int n = std::max(pageNo, 1);
    n = std::min(n, PageCount());
    m_pageNo = n;
    for (TfrxPreviewWorkspace* ws : {m_workspace, m_thumbnails}) {
        ws->SetActivePage(n);
        if (ws != asking && n > 0 && !ws->Locked) {
            ws->DisableUpdate = true;
            ws->ScrollToPage(n - 1);
            ws->DisableUpdate = false;
        }
    }
    FirePageChanged();
}

void TfrxPreview::First() { GoToPage(1); }
void TfrxPreview::Prior() { GoToPage(m_pageNo - 1); }
void TfrxPreview::Next() { GoToPage(m_pageNo + 1); }
void TfrxPreview::Last() { GoToPage(PageCount()); }

void TfrxPreview::FirePageChanged() {
    if (OnPageChanged)
        OnPageChanged(this, m_pageNo);
}

void TfrxPreview::ShowPageAt(int pageNo, int top) {
    const int count = PageCount();
    if (count == 0)
        return;
    const int n = std::clamp(pageNo, 1, count);
    int offset = 0;
    if (top >= 0) {
        long double margin = 0;
        if (TfrxReportPage* page = m_pages->BuildPage(n - 1))
            margin = page->TopMargin() * fr01cm;
        offset = frxRoundToInt((margin + top) * m_workspace->Zoom);
    }
    m_workspace->ScrollToPage(n - 1, offset);
}

void TfrxPreview::WorkspaceScrolled(TfrxPreviewWorkspace* workspace) {
    // Scrolling the page area changes the current page; the page change must not scroll the
    // area back. Scrolls made by a page change are not followed.
    if (workspace != m_workspace || workspace->DisableUpdate || workspace->Locked)
        return;
    if (PageCount() == 0)
        return;
    const int page = m_workspace->PageList.FindPage(m_workspace->VertPosition()) + 1;
    if (page != m_pageNo)
        GoToPageFrom(page, m_workspace);
}

bool frxIsOpenableLink(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                             scheme == QLatin1String("mailto"));
}

int frxPointAtPage(TfrxCustomPreviewPages& pages, int index, int x, int y, long double scale,
                   int offsetX, int offsetY, bool click, int button, int shift, int cursor) {
    const TfrxPageHit hit = pages.HitTest(index, x, y, scale, offsetX, offsetY);
    TfrxReport* report = pages.Report;
    TfrxPreviewLink* preview = report ? report->Runtime().Preview : nullptr;
    if (!hit.OnPage)
        return cursor;
    if (hit.Cursor >= 0)
        cursor = hit.Cursor;
    if (preview)
        preview->ShowMessage(hit.URL); // empty off a link: the status text clears
    QPointer<TfrxView> view = hit.Object;
    if (!view || !report)
        return cursor;
    if (!click) {
        if (report->OnMouseOverObject)
            report->OnMouseOverObject(view);
        return cursor;
    }
    QPointer<TfrxReportPage> page = pages.BuildPage(index);
    if (hit.TargetPage > 0) {
        if (preview)
            preview->ShowPageAt(hit.TargetPage, hit.TargetTop);
    } else if (!hit.URL.isEmpty() && !hit.URL.startsWith(QLatin1Char('@'))) {
        // A file from elsewhere may link anything; only web pages and mail go to the
        // desktop's opener, never files or programs behind other schemes.
        const QUrl target = QUrl::fromUserInput(hit.URL);
        if (!frxIsOpenableLink(target))
            throw platform::Error(
                QStringLiteral("The link \"%1\" was not opened: only http, https and mailto links are")
                    .arg(hit.URL.left(200)));
        QDesktopServices::openUrl(target);
    }
    // Going to another page may have rebuilt pages and dropped this one from the cache.
    if (!view || !page || !report->OnClickObject)
        return cursor;
    bool modified = false;
    report->OnClickObject(view, button, shift, modified);
    if (modified && page) {
        pages.ReplacePage(index, page);
        if (TfrxPreviewLink* p = report->Runtime().Preview)
            p->RepaintPages();
    }
    return cursor;
}

void TfrxPreview::WorkspaceHover(TfrxPreviewWorkspace* workspace, QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    int cursor = workspace->DefaultCursor;
    const int page =
        workspace->PageList.FindPageAt(p.x() + workspace->HorzPosition(), p.y() + workspace->VertPosition());
    if (page >= 0 && m_pages && !m_busy) {
        const QRect r = workspace->PageRectInView(page);
        cursor = frxPointAtPage(*m_pages, page, p.x(), p.y(), workspace->Zoom, r.left(), r.top(),
                                false, int(event->buttons()), int(event->modifiers()), cursor);
    }
    workspace->viewport()->setCursor(Qt::CursorShape(cursor));
}

void TfrxPreview::WorkspaceClicked(TfrxPreviewWorkspace* workspace, QMouseEvent* event,
                                   bool dragged) {
    if (workspace == m_workspace && OnClick)
        OnClick();
    if (dragged)
        return;
    const QPoint p = event->position().toPoint();
    const int page =
        workspace->PageList.FindPageAt(p.x() + workspace->HorzPosition(), p.y() + workspace->VertPosition());
    if (page < 0)
        return;
    GoToPageFrom(page + 1, workspace);
    if (workspace == m_workspace && event->button() != Qt::RightButton && m_pages && !m_busy) {
        const QRect r = workspace->PageRectInView(page);
        frxPointAtPage(*m_pages, page, p.x(), p.y(), workspace->Zoom, r.left(), r.top(), true,
                       int(event->button()), int(event->modifiers()), workspace->DefaultCursor);
    }
}

void TfrxPreview::MouseWheel(int notches, bool ctrl) {
    if (ctrl)
        ApplyZoom(frxPreviewZoom::Wheeled(m_zoom, notches));
    else
        m_workspace->ScrollBy(0, -notches * kWheelScroll);
}

void TfrxPreview::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches)
        MouseWheel(notches, event->modifiers() & Qt::ControlModifier);
    event->accept();
}

bool TfrxPreview::HandleKey(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Up:
        m_workspace->ScrollBy(0, -TfrxScrollWin::SmallChange);
        return true;
    case Qt::Key_Down:
        m_workspace->ScrollBy(0, TfrxScrollWin::SmallChange);
        return true;
    case Qt::Key_Left:
        m_workspace->ScrollBy(-TfrxScrollWin::SmallChange, 0);
        return true;
    case Qt::Key_Right:
        m_workspace->ScrollBy(TfrxScrollWin::SmallChange, 0);
        return true;
    case Qt::Key_PageUp:
        if (ctrl)
            Prior();
        else
            m_workspace->ScrollBy(0, -TfrxScrollWin::LargeChange);
        return true;
    case Qt::Key_PageDown:
        if (ctrl)
            Next();
        else
            m_workspace->ScrollBy(0, TfrxScrollWin::LargeChange);
        return true;
    case Qt::Key_Home:
        First();
        return true;
    case Qt::Key_End:
        Last();
        return true;
    case Qt::Key_F3:
        if (HasButton(pbFind))
            FindNext();
        return true;
    default:
        break;
    }
    if (!ctrl)
        return false;
    switch (event->key()) {
    case Qt::Key_P:
        if (HasButton(pbPrint))
            Print();
        return true;
    case Qt::Key_S:
        if (HasButton(pbSave))
            SaveToFile();
        return true;
    case Qt::Key_F:
        if (HasButton(pbFind))
            Find();
        return true;
    case Qt::Key_O:
        if (HasButton(pbLoad))
            LoadFromFile();
        return true;
    default:
        return false;
    }
}

void TfrxPreview::keyPressEvent(QKeyEvent* event) {
    bool used = false;
    platform::Guarded([&] { used = HandleKey(event); });
    if (used)
        event->accept();
    else
        TfrxCustomPreview::keyPressEvent(event);
}

void TfrxPreview::resizeEvent(QResizeEvent* event) {
    TfrxCustomPreview::resizeEvent(event);
    m_messagePanel->move((width() - m_messagePanel->width()) / 2,
                         (height() - m_messagePanel->height()) / 2);
}

// --- zoom and layout ---

void TfrxPreview::ApplyZoom(long double zoom) {
    m_zoom = frxPreviewZoom::Clamped(zoom);
    m_zoomMode = zmDefault;
    RelayoutPages();
}

void TfrxPreview::ApplyZoomMode(int mode) {
    m_zoomMode = mode;
    RelayoutPages();
}

void TfrxPreview::ZoomIn() { ApplyZoom(frxPreviewZoom::Stepped(m_zoom, true)); }
void TfrxPreview::ZoomOut() { ApplyZoom(frxPreviewZoom::Stepped(m_zoom, false)); }

void TfrxPreview::RelayoutPages() {
    if (m_frozen || !m_pages)
        return;
    const int count = m_pages->PageCount();
    if (count == 0) {
        m_workspace->PageList.Clear();
        m_thumbnails->PageList.Clear();
        return;
    }
    FindNextAllowed = false;
    m_workspace->DropSearchPicture();

    const QPoint size = m_pages->PageSizeOf(std::max(m_pageNo, 1) - 1);
    if (size.y() == 0)
        return;
    if (m_zoomMode == zmWholePage)
        m_zoom = frxPreviewZoom::Clamped(frxPreviewZoom::WholePage(m_workspace->height(), size.y()));
    else if (m_zoomMode == zmPageWidth)
        m_zoom = frxPreviewZoom::Clamped(frxPreviewZoom::PageWidth(
            m_workspace->width(), ScrollBarExtent(m_workspace), size.x()));

    m_workspace->Zoom = m_zoom;
    m_thumbnails->Zoom = 0.1L;
    m_workspace->PageList.Clear();
    m_thumbnails->PageList.Clear();
    for (int i = 0; i < count; ++i) {
        const QPoint s = m_pages->PageSizeOf(i);
        m_workspace->PageList.AddPage(s.x(), s.y(), m_zoom);
        if (!m_busy)
            m_thumbnails->PageList.AddPage(s.x(), s.y(), 0.1L);
    }
    for (TfrxPreviewWorkspace* ws : {m_workspace, m_thumbnails}) {
        ws->DisableUpdate = true;
        ws->LayoutPages();
        ws->DisableUpdate = false;
        if (!m_inPlace)
            ws->viewport()->update();
    }
    if (m_zoomMode == zmWholePage)
        ShowPageAt(m_pageNo, -1);
    if (m_window)
        m_window->UpdateZoomText();
}

void TfrxPreview::RepaintPages() {
    m_workspace->viewport()->update();
    m_thumbnails->viewport()->update();
}

void TfrxPreview::Freeze() {
    m_frozen = true;
    m_workspace->Locked = true;
    m_thumbnails->Locked = true;
}

void TfrxPreview::Thaw() {
    m_frozen = false;
    m_workspace->Locked = false;
    m_thumbnails->Locked = false;
    HideMessagePanel();
    RelayoutPages();
    RepaintPages();
}

void TfrxPreview::Clear() {
    if (m_busy || !m_pages)
        return;
    Freeze();
    m_pages->ClearAll();
    Thaw();
    RebuildOutlineTree();
    GoToPage(0);
    m_workspace->SetHorzPosition(0);
    m_workspace->SetVertPosition(0);
    RepaintPages();
}

void TfrxPreview::Reprepare() {
    if (!m_report || !m_pages)
        return;
    const int h = m_workspace->HorzPosition();
    const int v = m_workspace->VertPosition();
    const int page = m_pageNo;
    Freeze();
    m_inPlace = true;
    struct InPlace {
        TfrxPreview* p;
        ~InPlace() { p->m_inPlace = false; }
    } guard{this};
    PrepareAgain(m_report);
    m_thumbnails->Locked = false;
    m_pageNo = page > PageCount() ? 1 : page;
    m_frozen = false;
    RelayoutPages();
    RebuildOutlineTree();
    m_inPlace = false;
    m_workspace->SetHorzPosition(h);
    m_workspace->DisableUpdate = true;
    m_workspace->SetVertPosition(v);
    m_workspace->DisableUpdate = false;
    m_workspace->Locked = false;
    RepaintPages();
    if (page > PageCount())
        GoToPage(1);
}

// --- outline ---

void TfrxPreview::RebuildOutlineTree() {
    m_tree->clear();
    if (!m_pages)
        return;
    TfrxCustomOutline* outline = m_pages->Outline();
    if (!outline)
        return;
    outline->LevelRoot();
    AddOutlineLevel(outline, nullptr);
    if (const TfrxPreviewOptions* o = Options(); o && o->OutlineExpand())
        m_tree->expandAll();
    if (m_tree->topLevelItemCount() > 0)
        m_tree->scrollToItem(m_tree->topLevelItem(0), QAbstractItemView::PositionAtTop);
}

void TfrxPreview::AddOutlineLevel(TfrxCustomOutline* outline, QTreeWidgetItem* parent) {
    const int count = outline->ItemCount();
    for (int i = 0; i < count; ++i) {
        QString text;
        int page = 0;
        int top = 0;
        outline->ItemAt(i, text, page, top);
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
        item->setText(0, text);
        item->setData(0, kPageRole, page + 1);
        item->setData(0, kTopRole, top);
        outline->LevelInto(i);
        AddOutlineLevel(outline, item);
        outline->LevelUp();
    }
}

void TfrxPreview::OutlineClicked(QTreeWidgetItem* item) {
    if (!item)
        return;
    ShowPageAt(item->data(0, kPageRole).toInt(), item->data(0, kTopRole).toInt());
    setFocus();
}

// --- progress of a preparation ---

void TfrxPreview::PrepareStarted() {
    // Preparing again in place keeps the control idle: its stop does nothing either, so a
    // busy state set here would never be cleared.
    if (m_inPlace)
        return;
    Clear();
    m_busy = true;
    if (m_window)
        m_window->RefreshButtonStates();
}

void TfrxPreview::PageArrived(int pageIndex) {
    if (m_inPlace) {
        FirePageChanged();
        return;
    }
    const bool final = FinalPass();
    if (final && pageIndex < kLaidOutWhilePreparing && m_pages) {
        const QPoint s = m_pages->PageSizeOf(pageIndex);
        m_workspace->PageList.AddPage(s.x(), s.y(), m_workspace->Zoom);
        m_workspace->PageList.LayoutRows(m_workspace->HorzPage());
        const QRect r = m_workspace->PageRectInView(m_workspace->PageList.Count() - 1);
        m_workspace->viewport()->update(r.adjusted(-2, -2, 2, 2));
    }
    if (pageIndex == 0) {
        GoToPage(1);
        if (final)
            RelayoutPages();
        if (m_window)
            m_window->SetPreparing(true);
        m_progressTime = Ticks();
    } else if (pageIndex == 1) {
        const qint64 elapsed = static_cast<qint64>(Ticks()) - m_progressTime;
        m_progressInterval = elapsed <= 4 ? 50 : elapsed > 9 ? 5 : 20;
        GoToPage(1);
        if (final)
            RelayoutPages();
    } else if (pageIndex % m_progressInterval == 0) {
        FirePageChanged();
        if (final)
            m_workspace->UpdateScrollRanges();
    }
    QCoreApplication::processEvents();
}

void TfrxPreview::CloseOwnWindow() {
    if (m_window)
        m_window->CloseWindow();
}

void TfrxPreview::PrepareStopped() {
    if (m_inPlace)
        return;
    m_busy = false;
    FirePageChanged();
    m_workspace->UpdateScrollRanges();
    m_thumbnails->UpdateScrollRanges();
    RelayoutPages();
    RebuildOutlineTree();
    if (m_window) {
        m_window->SetPreparing(false);
        m_window->ShowHint(QString());
        m_window->RefreshButtonStates();
    }
}

void TfrxPreview::ShowMessage(const QString& text) {
    if (m_window)
        m_window->ShowHint(text);
}

void TfrxPreview::ShowMessagePanel(const QString& text, bool withCancel) {
    m_messageLabel->setText(text);
    m_messageCancel->setVisible(withCancel);
    m_messagePanel->move((width() - m_messagePanel->width()) / 2,
                         (height() - m_messagePanel->height()) / 2);
    m_messagePanel->show();
    m_messagePanel->raise();
}

void TfrxPreview::HideMessagePanel() { m_messagePanel->hide(); }

// --- operations of other units ---

namespace {
// The installed operation, held while it runs; null when none is installed.
std::shared_ptr<const TfrxPreviewOperation> OperationOf(TfrxPreview::Hook hook) {
    const std::shared_ptr<TfrxPreviewOperations> all =
        platform::Registry::Shared<TfrxPreviewOperations>();
    if (!all)
        return nullptr;
    const TfrxPreviewOperation* operation = nullptr;
    switch (hook) {
    case TfrxPreview::Hook::Save: operation = &all->Save; break;
    case TfrxPreview::Hook::Load: operation = &all->Load; break;
    case TfrxPreview::Hook::Find: operation = &all->Find; break;
    case TfrxPreview::Hook::FindNext: operation = &all->FindNext; break;
    case TfrxPreview::Hook::PageSetup: operation = &all->PageSetup; break;
    }
    if (!operation || !*operation)
        return nullptr;
    return std::shared_ptr<const TfrxPreviewOperation>(all, operation);
}

void RunHook(TfrxPreview* preview, TfrxPreview::Hook hook) {
    if (const std::shared_ptr<const TfrxPreviewOperation> f = OperationOf(hook))
        (*f)(preview);
}
} // namespace

bool TfrxPreview::HasHook(Hook hook) { return OperationOf(hook) != nullptr; }

void TfrxPreview::Print() {
    if (m_busy || !m_pages || PageCount() == 0)
        return;
    m_pages->CurrentPreviewPage = m_pageNo;
    m_pages->Print();
    Thaw();
}

void TfrxPreview::SaveToFile() {
    if (!m_busy)
        RunHook(this, Hook::Save);
}

void TfrxPreview::LoadFromFile() {
    if (!m_busy)
        RunHook(this, Hook::Load);
}

void TfrxPreview::Find() {
    if (!m_busy)
        RunHook(this, Hook::Find);
}

void TfrxPreview::FindNext() {
    if (!m_busy && FindNextAllowed)
        RunHook(this, Hook::FindNext);
}

void TfrxPreview::PageSetupDlg() {
    if (!m_busy)
        RunHook(this, Hook::PageSetup);
}

bool TfrxPreview::Export(TfrxCustomExportFilter& filter) {
    if (m_busy || !m_pages || PageCount() == 0)
        return false;
    return m_pages->Export(filter);
}

void TfrxPreview::Edit() {
    // The page would go to a page designer; this program has none, so nothing changes.
}

