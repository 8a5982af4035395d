#include "preview/frxPreview.h"

#include "common/TestSupport.h"
#include "preview/frxPreviewFakeStore.h"
#include "report/frxClass.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace frxClass;

namespace {

class PreviewControl : public ::testing::Test {
protected:
    FakeStore store{3};
    TfrxPreview preview;
    std::vector<int> pageChanges;

    void SetUp() override {
        preview.setFrameShape(QFrame::NoFrame);
        preview.resize(800, 600);
        preview.SetPreviewPages(&store);
        preview.OnPageChanged = [this](TfrxPreview*, int n) { pageChanges.push_back(n); };
        preview.show();
        QApplication::processEvents();
        preview.Init();
        QApplication::processEvents();
    }
    TfrxPreviewWorkspace* ws() { return preview.Workspace(); }
    int Sbw() { return ws()->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ws()); }
    QImage Shot() { return ws()->viewport()->grab().toImage(); }
    static void Send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
                     Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    }
    static void Wheel(QWidget* target, int delta, Qt::KeyboardModifiers mods) {
        QWheelEvent e(QPointF(100, 100), target->mapToGlobal(QPointF(100, 100)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(&preview, &e);
    }
};

} // namespace

TEST_F(PreviewControl, GoToPageClampsToThePagesThatExist) {
    struct Case {
        int asked, shown;
    } cases[] = {{0, 1}, {-3, 1}, {2, 2}, {3, 3}, {99, 3}};
    for (const Case& c : cases) {
        preview.GoToPage(c.asked);
        EXPECT_EQ(preview.PageNo(), c.shown) << "asked " << c.asked;
    }
    FakeStore empty;
    preview.SetPreviewPages(&empty);
    preview.GoToPage(0);
    EXPECT_EQ(preview.PageNo(), 0) << "an empty store has no current page";
    preview.Next();
    EXPECT_EQ(preview.PageNo(), 0);
}

TEST_F(PreviewControl, ZoomStepsAndModes) {
    preview.ApplyZoom(0.1L);
    EXPECT_EQ(preview.Zoom(), 0.25L) << "never below 0.25";
    preview.ZoomIn();
    EXPECT_EQ(preview.Zoom(), 0.5L);
    preview.ZoomOut();
    preview.ZoomOut();
    EXPECT_EQ(preview.Zoom(), 0.25L);

    preview.ApplyZoom(0.35L);
    Wheel(ws()->viewport(), -120, Qt::ControlModifier);
    EXPECT_NEAR(double(preview.Zoom()), 0.3, 1e-12) << "ctrl+wheel down";
    EXPECT_EQ(preview.ZoomMode(), zmDefault);

    preview.ApplyZoomMode(zmWholePage);
    ASSERT_EQ(ws()->height(), 600);
    EXPECT_DOUBLE_EQ(double(preview.Zoom()), (600.0 - 26) / 1123);
    EXPECT_EQ(ws()->PageList.Item(0).Height, 574);

    preview.ApplyZoomMode(zmPageWidth);
    EXPECT_DOUBLE_EQ(double(preview.Zoom()), (800.0 - Sbw() - 26) / 794);
    const QRect page = ws()->PageRectInView(0);
    EXPECT_EQ(page.left(), 13);
    EXPECT_EQ(ws()->viewport()->width() - page.right() - 1, 13) << "centred in the view";
}

TEST_F(PreviewControl, NarrowPagesShareACentredRow) {
    store.sizes = {{300, 400}, {300, 400}};
    preview.RelayoutPages();
    const QRect a = ws()->PageRectInView(0);
    const QRect b = ws()->PageRectInView(1);
    EXPECT_EQ(a.top(), b.top());
    EXPECT_EQ(b.left() - a.right() - 1, 10);
    const int client = ws()->viewport()->width();
    EXPECT_LE(std::abs(a.left() - (client - b.right() - 1)), 1) << a.left() << " vs right gap";
}

TEST_F(PreviewControl, ScrollingIntoTheTopFifthChangesThePage) {
    // Pages at zoom 1: tops 10, 1143, 2276; page 2 counts once its top is within 224 px.
    pageChanges.clear();
    ws()->SetVertPosition(1143 - 224 - 1);
    EXPECT_EQ(preview.PageNo(), 1);
    ws()->SetVertPosition(1143 - 224);
    EXPECT_EQ(preview.PageNo(), 2);
    EXPECT_EQ(ws()->VertPosition(), 1143 - 224) << "the page change does not scroll back";
    ASSERT_FALSE(pageChanges.empty());
    EXPECT_EQ(pageChanges.back(), 2);
}

TEST_F(PreviewControl, KeysScrollAndPage) {
    struct Case {
        const char* name;
        int key;
        Qt::KeyboardModifiers mods;
        int page, vert;
    } cases[] = {
        {"down", Qt::Key_Down, Qt::NoModifier, 1, 8},
        {"page down", Qt::Key_PageDown, Qt::NoModifier, 1, 308},
        {"up", Qt::Key_Up, Qt::NoModifier, 1, 300},
        {"ctrl+page down", Qt::Key_PageDown, Qt::ControlModifier, 2, 1133},
        {"ctrl+page up", Qt::Key_PageUp, Qt::ControlModifier, 1, 0},
        {"end", Qt::Key_End, Qt::NoModifier, 3, -1},
        {"home", Qt::Key_Home, Qt::NoModifier, 1, 0},
    };
    for (const Case& c : cases) {
        Key(c.key, c.mods);
        EXPECT_EQ(preview.PageNo(), c.page) << c.name;
        if (c.vert >= 0)
            EXPECT_EQ(ws()->VertPosition(), c.vert) << c.name;
    }
    Key(Qt::Key_Right);
    EXPECT_EQ(ws()->HorzPosition(), 8) << "the page and its margins are wider than the view";
    Wheel(ws()->viewport(), -240, Qt::NoModifier);
    EXPECT_EQ(ws()->VertPosition(), 40) << "20 px per notch";
}

TEST_F(PreviewControl, PaintsGrayAroundWhitePagesWithTheActiveFrame) {
    store.renders.clear();
    const QImage shot = Shot();
    const QRect page = ws()->PageRectInView(0);
    ASSERT_EQ(page.top(), 10);
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(0x80, 0x80, 0x80)) << "background";
    EXPECT_EQ(shot.pixelColor(page.left() - 1, 100), QColor(0x20, 0x40, 0x80)) << "active frame";
    EXPECT_EQ(shot.pixelColor(page.left() - 2, 100), QColor(0x20, 0x40, 0x80));
    EXPECT_EQ(shot.pixelColor(page.left() - 3, 100), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(shot.pixelColor(page.left(), 100), QColor(Qt::black)) << "page border";
    EXPECT_EQ(shot.pixelColor(page.left() + 5, 100), QColor(Qt::white)) << "paper";
    EXPECT_EQ(shot.pixelColor(page.left() + 5, page.top() + 5), QColor(Qt::black))
        << "drawn by the store";
    ASSERT_FALSE(store.renders.empty());
    EXPECT_EQ(store.renders.front().index, 0);
    EXPECT_EQ(store.renders.front().x, page.left());
    EXPECT_EQ(store.renders.front().y, page.top());
    EXPECT_EQ(store.renders.front().scale, 1.0L);

    // An empty store paints only the background.
    FakeStore empty;
    preview.SetPreviewPages(&empty);
    const QImage gray = Shot();
    EXPECT_EQ(gray.pixelColor(page.left() + 5, 100), QColor(0x80, 0x80, 0x80));
}

TEST_F(PreviewControl, OnlyVisiblePagesAreDrawn) {
    FakeStore many(1000);
    preview.SetPreviewPages(&many);
    preview.Init();
    preview.GoToPage(500);
    many.renders.clear();
    Shot();
    ASSERT_FALSE(many.renders.empty());
    for (const FakeStore::Render& r : many.renders)
        EXPECT_TRUE(r.index == 499 || r.index == 500) << r.index;
}

TEST_F(PreviewControl, MouseHoversClicksAndDrags) {
    const QRect page = ws()->PageRectInView(0);
    QWidget* vp = ws()->viewport();
    Send(vp, QEvent::MouseMove, page.topLeft() + QPoint(150, 120), Qt::NoButton, Qt::NoButton);
    ASSERT_EQ(store.hits.size(), 1u);
    EXPECT_EQ(store.hits[0].offsetX, page.left());
    EXPECT_EQ(vp->cursor().shape(), Qt::PointingHandCursor) << "over the link";
    Send(vp, QEvent::MouseMove, page.topLeft() + QPoint(500, 500), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(vp->cursor().shape(), Qt::OpenHandCursor) << "the hand elsewhere";

    store.hits.clear();
    Send(vp, QEvent::MouseButtonPress, QPoint(300, 300), Qt::LeftButton, Qt::LeftButton);
    Send(vp, QEvent::MouseButtonRelease, QPoint(300, 300), Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(store.hits.size(), 1u) << "the click's own";

    // Dragging pans the view and is no click.
    store.hits.clear();
    Send(vp, QEvent::MouseButtonPress, QPoint(300, 300), Qt::LeftButton, Qt::LeftButton);
    Send(vp, QEvent::MouseMove, QPoint(300, 250), Qt::NoButton, Qt::LeftButton);
    Send(vp, QEvent::MouseMove, QPoint(300, 200), Qt::NoButton, Qt::LeftButton);
    Send(vp, QEvent::MouseButtonRelease, QPoint(300, 200), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(ws()->VertPosition(), 100);
    EXPECT_TRUE(store.hits.empty());
}

TEST_F(PreviewControl, ThumbnailsShowEveryPageAndAClickShowsIt) {
    preview.SetThumbnailVisible(true);
    QApplication::processEvents();
    TfrxPreviewWorkspace* thumbs = preview.Thumbnails();
    EXPECT_TRUE(thumbs->isVisible());
    EXPECT_FALSE(preview.OutlineTree()->isVisible());
    EXPECT_EQ(thumbs->width(), 120);
    EXPECT_EQ(preview.Splitter()->handleWidth(), 4);
    ASSERT_EQ(thumbs->PageList.Count(), 3);
    EXPECT_EQ(thumbs->PageList.Item(0).Width, 79);
    const QRect third = thumbs->PageRectInView(2);
    Send(thumbs->viewport(), QEvent::MouseButtonPress, third.center(), Qt::LeftButton,
         Qt::LeftButton);
    Send(thumbs->viewport(), QEvent::MouseButtonRelease, third.center(), Qt::LeftButton,
         Qt::NoButton);
    EXPECT_EQ(preview.PageNo(), 3);
    EXPECT_EQ(ws()->VertPosition(), std::min(2276 - 10, ws()->VertRange() - ws()->VertPage()));
    EXPECT_TRUE(store.hits.empty()) << "no hit test on thumbnails";

    // The page number sits white on gray in the thumbnail's corner.
    const QImage shot = thumbs->viewport()->grab().toImage();
    const QRect first = thumbs->PageRectInView(0);
    bool white = false;
    for (int x = first.left() + 1; x < first.left() + 14; ++x)
        for (int y = first.top() + 1; y < first.top() + 14; ++y)
            white = white || shot.pixelColor(x, y) == QColor(Qt::white);
    EXPECT_TRUE(white);

    preview.SetOutlineVisible(true);
    EXPECT_FALSE(thumbs->isVisible()) << "the outline replaces the thumbnails";
    EXPECT_TRUE(preview.OutlineTree()->isVisible());
}

TEST_F(PreviewControl, OutlineTreeFollowsTheStoreAndShowsItsPlaces) {
    store.outline.root.children = {{QStringLiteral("Chapter"), 0, 0, {{QStringLiteral("Part"), 2, 100, {}}}},
                                   {QStringLiteral("Appendix"), 1, 0, {}}};
    preview.RebuildOutlineTree();
    QTreeWidget* tree = preview.OutlineTree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    QTreeWidgetItem* part = tree->topLevelItem(0)->child(0);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->text(0), QStringLiteral("Part"));
    preview.SetOutlineVisible(true);
    QApplication::processEvents();
    Q_EMIT tree->itemClicked(part, 0);
    EXPECT_EQ(ws()->VertPosition(), std::min(2276 + 100 - 10, ws()->VertRange() - ws()->VertPage()));
    EXPECT_EQ(preview.PageNo(), 3);
}

TEST_F(PreviewControl, PreparationFillsTheViewAsPagesArrive) {
    std::uint32_t now = 1000;
    preview.Ticks = [&] { return now; };
    store.sizes.clear();
    preview.PrepareStarted();
    EXPECT_TRUE(preview.Busy());
    EXPECT_EQ(store.clears, 1) << "a new preparation starts from an empty store";
    preview.Clear();
    EXPECT_EQ(store.clears, 1) << "no clearing while busy";

    store.sizes.push_back({794, 1123});
    preview.PageArrived(0);
    EXPECT_EQ(preview.PageNo(), 1);
    EXPECT_EQ(ws()->PageList.Count(), 1);
    now += 15;
    store.sizes.push_back({794, 1123});
    preview.PageArrived(1);
    EXPECT_EQ(preview.ProgressInterval(), 5) << "a slow first page refreshes every 5 pages";
    for (int i = 2; i < 60; ++i) {
        store.sizes.push_back({794, 1123});
        preview.PageArrived(i);
    }
    EXPECT_EQ(ws()->PageList.Count(), 50) << "only the first 50 are laid out while preparing";
    EXPECT_EQ(preview.Thumbnails()->PageList.Count(), 0);

    preview.PrepareStopped();
    EXPECT_FALSE(preview.Busy());
    EXPECT_EQ(ws()->PageList.Count(), 60);
    EXPECT_EQ(preview.Thumbnails()->PageList.Count(), 60);
    EXPECT_EQ(ws()->VertRange(), ws()->PageList.Bottom() + 10);
}

TEST_F(PreviewControl, PrintHandsTheCurrentPageToTheStore) {
    preview.GoToPage(2);
    preview.Print();
    EXPECT_EQ(store.prints, 1);
    EXPECT_EQ(store.CurrentPreviewPage, 2);
    preview.PrepareStarted();
    preview.Print();
    EXPECT_EQ(store.prints, 1) << "ignored while preparing";
}

TEST_F(PreviewControl, MessagePanelShowsCentredAndThawHidesIt) {
    preview.ShowMessagePanel(QStringLiteral("Saving file..."), true);
    QWidget* panel = preview.MessagePanel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->size(), QSize(260, 75));
    EXPECT_EQ(panel->geometry().center(), preview.rect().center());
    preview.Freeze();
    const QImage frozen = Shot();
    EXPECT_EQ(frozen.pixelColor(ws()->PageRectInView(0).left() + 5, 100), QColor(0x80, 0x80, 0x80))
        << "a frozen view shows no pages";
    preview.Thaw();
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(PreviewControl, PagesAreDrawnAtTheDevicesResolution) {
    // A device with two pixels per point: the store draws at twice the zoom, in device pixels.
    QWidget* vp = ws()->viewport();
    QImage image(vp->size() * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    store.renders.clear();
    vp->render(&image);
    const QRect page = ws()->PageRectInView(0);
    ASSERT_FALSE(store.renders.empty());
    EXPECT_EQ(store.renders.front().scale, 2.0L);
    EXPECT_EQ(store.renders.front().x, 2 * page.left());
    EXPECT_EQ(store.renders.front().y, 2 * page.top());
    // The store's 10 px bar covers 20 device rows below the page's top edge.
    const int x = 2 * page.left() + 40;
    EXPECT_EQ(image.pixelColor(x, 2 * page.top() + 19), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(x, 2 * page.top() + 20), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(2 * page.left() - 1, 200), QColor(0x20, 0x40, 0x80)) << "frame";
}
