#pragma once
// The preview control: prepared pages in a scrolling page area, with an outline tree or a strip
// of thumbnails on the left. It keeps the current page and the zoom, follows a preparation as
// pages arrive, and has the store draw each visible page. The preview window is a thin shell
// around it; an application may also place one and bind a report to it.

#include "preview/frxPreviewLayout.h"
#include "report/frxRuntime.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFrame>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;
class TfrxPreview;
class TfrxPreviewOptions;
class TfrxReport;
class TfrxReportPage;
namespace platform {
class RecordingCanvas;
}

// A control with both scroll bars over a logical area `range` wide and high, of which the view
// (the client area) shows a page. Positions stay within 0 .. range - page; line steps move by
// SmallChange, page steps by LargeChange.
class TfrxScrollWin : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TfrxScrollWin(QWidget* parent = nullptr);

    static constexpr int SmallChange = 8;   // px
    static constexpr int LargeChange = 300; // px

    int HorzRange() const { return m_horzRange; }
    int VertRange() const { return m_vertRange; }
    void SetHorzRange(int range);
    void SetVertRange(int range);
    // The view's extent: the client width and height.
    int HorzPage() const;
    int VertPage() const;
    int HorzPosition() const;
    int VertPosition() const;
    void SetHorzPosition(int position);
    void SetVertPosition(int position);
    // Scroll by a number of pixels (positive: right or down).
    void ScrollBy(int dx, int dy);

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    // Called after the view moved by (dx, dy) pixels.
    virtual void OnScrolled(int dx, int dy) {}
    virtual void OnResized() {}

private:
    void UpdateBars();
    void PageStep(Qt::Orientation orientation, int action);

    int m_horzRange = 0;
    int m_vertRange = 0;
};

// What a search leaves on a main workspace: where it continues and the hit it shows.
struct TfrxWorkspaceSearch {
    // Page index where the next search continues.
    int Page = 0;
    // The hit to highlight on page `Page`: page pixels at zoom 1, from the paper's corner.
    bool Found = false;
    QRect HitRect;
    // The recorded picture of one page the search scanned, and that page's index.
    std::unique_ptr<platform::RecordingCanvas> Picture;
    int PicturePage = -1;
};

// One page area of a preview control: the main workspace, or the thumbnail strip.
class TfrxPreviewWorkspace : public TfrxScrollWin {
    Q_OBJECT
public:
    TfrxPreviewWorkspace(TfrxPreview* preview, bool thumbnail, QWidget* parent = nullptr);
    ~TfrxPreviewWorkspace() override;

    TfrxPreview* Preview() const { return m_preview; }
    bool IsThumbnail() const { return m_thumbnail; }
    TfrxPagesReader* PreviewPages = nullptr;
    long double Zoom = 1;
    // Frozen: paints background only and ignores the mouse.
    bool Locked = false;
    // Set while the control changes the page because this workspace scrolled: the page change
    // must not scroll it again.
    bool DisableUpdate = false;
    TfrxPageList PageList;
    // 1-based current page, drawn with the active frame.
    int PageNo = 0;
    QColor ActiveFrameColor = QColor(0x20, 0x40, 0x80);
    QColor BackColor = QColor(0x80, 0x80, 0x80);
    QColor FrameColor = Qt::black;
    Qt::CursorShape DefaultCursor = Qt::OpenHandCursor;
    TfrxWorkspaceSearch Search;

    // Lays the page list out for the client width and sets the scroll ranges from it.
    void LayoutPages();
    void UpdateScrollRanges();
    // The rectangle of page `index` in view coordinates.
    QRect PageRectInView(int index) const;
    // Scrolls so that the point `offset` px below the top of page `index` is 10 px below the
    // view's top (a page not laid out yet counts as a default sheet).
    void ScrollToPage(int index, int offset = 0);
    // Moves the active frame to page `pageNo` (1-based), repainting only the frames.
    void SetActivePage(int pageNo);
    // Drops the search's recorded picture (the layout changed under it).
    void DropSearchPicture();

    // Fires when the page area is double-clicked (the window leaves full screen).
    std::function<void()> OnDblClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void OnScrolled(int dx, int dy) override;
    void OnResized() override;

private:
    QRect FrameRect(int pageNo) const;
    bool Empty() const;

    TfrxPreview* m_preview;
    bool m_thumbnail;
    bool m_down = false;
    bool m_dragged = false;
    QPoint m_lastPoint;
    QPoint m_downPoint;
    int m_wheelRest = 0;
};

// Base of preview controls: the report and its store, inside a single border.
class TfrxCustomPreview : public QFrame {
    Q_OBJECT
public:
    explicit TfrxCustomPreview(QWidget* parent = nullptr);
    TfrxReport* Report() const;
    TfrxCustomPreviewPages* PreviewPages() const { return m_pages; }

protected:
    QPointer<TfrxReport> m_report;
    TfrxCustomPreviewPages* m_pages = nullptr;
};

// What a preview control asks of the window it sits in.
class TfrxPreviewWindowLink {
public:
    virtual ~TfrxPreviewWindowLink() = default;
    virtual void RefreshButtonStates() = 0;
    // The Close button reads "Cancel" while preparing.
    virtual void SetPreparing(bool preparing) = 0;
    virtual void UpdateZoomText() = 0;
    // Outline and thumbnail buttons follow the panes.
    virtual void UpdatePaneButtons() = 0;
    // Status bar panel 1 (the hover text).
    virtual void ShowHint(const QString& text) = 0;
    virtual void CloseWindow() = 0;
};

// Whether a hyperlink of a prepared page goes to the desktop's opener: http, https and mailto.
bool frxIsOpenableLink(const QUrl& url);

// What the view point (x, y) of page `index`, drawn at `scale` from the offsets, does when the
// pointer is over it or clicks it. The store says what is there; the report's preview shows the
// link as status text and the report hears of the object (OnMouseOverObject). A click goes to
// the page a link within the report names, opens a web or mail link (raises for any other),
// and hands the object to the report's OnClickObject, storing the page back when that changed
// it. Returns the cursor the point asks for, `cursor` when it asks for none.
int frxPointAtPage(TfrxCustomPreviewPages& pages, int index, int x, int y, long double scale,
                   int offsetX, int offsetY, bool click, int button, int shift, int cursor);

// The preview's operations that units above it fill in (files, search, page settings), installed
// at start-up as one service; an operation left empty is unavailable.
using TfrxPreviewOperation = std::function<void(TfrxPreview*)>;
struct TfrxPreviewOperations {
    TfrxPreviewOperation Save;
    TfrxPreviewOperation Load;
    TfrxPreviewOperation Find;
    TfrxPreviewOperation FindNext;
    TfrxPreviewOperation PageSetup;
};

class TfrxPreview : public TfrxCustomPreview, public TfrxPreviewLink {
    Q_OBJECT
public:
    explicit TfrxPreview(QWidget* parent = nullptr);
    ~TfrxPreview() override;

    // Binds the report and its store; the control clears itself when the report goes.
    void SetReport(TfrxReport* report);
    void SetPreviewPages(TfrxCustomPreviewPages* pages);
    // The window around the control, if any.
    void SetWindow(TfrxPreviewWindowLink* window) { m_window = window; }
    TfrxPreviewWindowLink* Window() const { return m_window; }

    // Binds both workspaces to the store, takes the pane options and goes to page 1.
    void Init();

    int PageNo() const { return m_pageNo; }
    void SetPageNo(int pageNo) { GoToPage(pageNo); }
    int PageCount() const;
    long double Zoom() const { return m_zoom; }
    int ZoomMode() const { return m_zoomMode; }
    bool Busy() const { return m_busy; }
    // The first pass of a two-pass preparation is running.
    bool FirstPassRunning() const;
    bool InPlace() const { return m_inPlace; }
    bool Frozen() const { return m_frozen; }
    bool FindNextAllowed = false;
    // Pages between status refreshes while preparing, chosen from the first page's speed.
    int ProgressInterval() const { return m_progressInterval; }
    // The millisecond clock that speed is measured with: the system's tick count (tests step
    // their own).
    std::function<std::uint32_t()> Ticks;

    // Colours of the page area.
    QColor ActiveFrameColor() const;
    void SetActiveFrameColor(const QColor& c);
    QColor BackColor() const;
    void SetBackColor(const QColor& c);
    QColor FrameColor() const;
    void SetFrameColor(const QColor& c);
    QColor OutlineColor() const;
    void SetOutlineColor(const QColor& c);
    bool OutlineVisible() const;
    void SetOutlineVisible(bool visible);
    int OutlineWidth() const { return m_outlineWidth; }
    void SetOutlineWidth(int width);
    bool ThumbnailVisible() const;
    void SetThumbnailVisible(bool visible);

    // Navigation. GoToPage clamps to 1 .. page count (0 for an empty store).
    void GoToPage(int pageNo);
    void First();
    void Prior();
    void Next();
    void Last();
    // Shows page `pageNo` (1-based) with the point `top` px below its printable area's top
    // edge 10 px below the view's top; top < 0: the page's top edge.
    void ShowPageAt(int pageNo, int top) override;
    void ApplyZoom(long double zoom);
    void ApplyZoomMode(int mode);
    void ZoomIn();
    void ZoomOut();

    void Freeze();
    void Thaw();
    // Lays every page out again for the zoom mode and the view size.
    void RelayoutPages();
    void RebuildOutlineTree();
    // Prepares the report again in place, keeping the page and the scroll position.
    void Reprepare();
    // Empties the store and the view (ignored while busy).
    void Clear();

    // Operations of the tool bar. Each is ignored while preparing. Print, Save, Open, Find and
    // Page settings are filled in by their own units (TfrxPreviewOperations, the store's print
    // handler); without one installed the operation is unavailable and does nothing.
    void Print();
    void SaveToFile();
    void LoadFromFile();
    void Find();
    void FindNext();
    void PageSetupDlg();
    // Edit: no page designer is part of this program, so the page never changes.
    void Edit();
    // Hands the pages to an export filter through the store; false when nothing was written
    // or the control is busy.
    bool Export(TfrxCustomExportFilter& filter);

    enum class Hook { Save, Load, Find, FindNext, PageSetup };
    // Whether that operation is installed (Print: whether the store has a print handler,
    // frxHasPrintHandler).
    static bool HasHook(Hook hook);

    // The hidden panel that shows a message (saving, loading), optionally with Cancel.
    void ShowMessage(const QString& text) override;
    void ShowMessagePanel(const QString& text, bool withCancel = false);
    void HideMessagePanel();
    QWidget* MessagePanel() const { return m_messagePanel; }

    // Progress of a preparation (called by the report).
    void PrepareStarted() override;
    void PageArrived(int pageIndex) override;
    void PrepareStopped() override;
    void CloseOwnWindow() override;
    void RepaintPages() override;

    TfrxPreviewWorkspace* Workspace() const { return m_workspace; }
    TfrxPreviewWorkspace* Thumbnails() const { return m_thumbnails; }
    QTreeWidget* OutlineTree() const { return m_tree; }
    QSplitter* Splitter() const { return m_splitter; }

    // Events.
    std::function<void()> OnClick;
    std::function<void(TfrxPreview* sender, int pageNo)> OnPageChanged;

    // Called by the workspaces.
    void WorkspaceScrolled(TfrxPreviewWorkspace* workspace);
    void WorkspaceClicked(TfrxPreviewWorkspace* workspace, QMouseEvent* event, bool dragged);
    void WorkspaceHover(TfrxPreviewWorkspace* workspace, QMouseEvent* event);
    void MouseWheel(int notches, bool ctrl);
    // The control's keys; true when the key was used.
    bool HandleKey(QKeyEvent* event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void GoToPageFrom(int pageNo, TfrxPreviewWorkspace* asking);
    void FirePageChanged();
    void UpdatePanes();
    void ReportDestroyed();
    bool FinalPass() const;
    bool HasButton(int button) const;
    TfrxPreviewOptions* Options() const;
    void OutlineClicked(QTreeWidgetItem* item);
    void AddOutlineLevel(TfrxCustomOutline* outline, QTreeWidgetItem* parent);

    TfrxPreviewWindowLink* m_window = nullptr;
    TfrxPreviewWorkspace* m_workspace;
    TfrxPreviewWorkspace* m_thumbnails;
    QTreeWidget* m_tree;
    QMenu* m_treeMenu;
    QSplitter* m_splitter;
    QWidget* m_messagePanel;
    QLabel* m_messageLabel;
    QPushButton* m_messageCancel;

    int m_pageNo = 1;
    long double m_zoom = 1;
    int m_zoomMode = 0;
    bool m_busy = false;
    bool m_inPlace = false;
    bool m_frozen = false;
    int m_progressInterval = 20;
    qint64 m_progressTime = 0;
    int m_outlineWidth = 120;
    bool m_outlineWanted = false;
    bool m_thumbnailWanted = false;
};
