#include "preview/frxPreviewLayout.h"

#include "common/TestSupport.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Size {
    int w, h;
};

TfrxPageList Laid(std::initializer_list<Size> pages, int clientWidth) {
    TfrxPageList list;
    for (const Size& s : pages)
        list.AddPage(s.w, s.h);
    list.LayoutRows(clientWidth);
    return list;
}

} // namespace

TEST(PageListLayout, RowsAreCentredAndTakeWhatFits) {
    struct Row {
        const char* name;
        std::vector<Size> pages;
        int width;
        std::vector<QRect> expected;
        int maxWidth;
    };
    const Row rows[] = {
        // (1000 - 804 + 10) / 2 = 103: 103 px on each side of the page.
        {"one A4 page centred", {{794, 1123}}, 1000, {QRect(103, 10, 794, 1123)}, 804},
        // Page width mode: the page is the view less 26, so 13 px on each side.
        {"fitted page keeps 13 px each side", {{974, 1377}}, 1000, {QRect(13, 10, 974, 1377)}, 984},
        {"page wider than the view starts 10 px in", {{1588, 2246}}, 1000,
         {QRect(10, 10, 1588, 2246)}, 1598},
        // Two 300 px pages: span 610 in 1000, 195 px on each side.
        {"two narrow pages share a centred row", {{300, 400}, {300, 420}}, 1000,
         {QRect(195, 10, 300, 400), QRect(505, 10, 300, 420)}, 620},
        // The next row starts 10 px below the tallest page of the row.
        {"third page wraps below the tallest", {{300, 400}, {300, 420}, {500, 100}}, 700,
         {QRect(45, 10, 300, 400), QRect(355, 10, 300, 420), QRect(100, 440, 500, 100)}, 620},
        {"a page exactly as wide as the rest of the row still fits", {{340, 10}, {350, 10}}, 700,
         {QRect(10, 10, 340, 10), QRect(360, 10, 350, 10)}, 710},
        {"one pixel more goes to the next row", {{340, 10}, {351, 10}}, 700,
         {QRect(180, 10, 340, 10), QRect(174, 30, 351, 10)}, 361},
    };
    for (const Row& r : rows) {
        TfrxPageList list;
        for (const Size& s : r.pages)
            list.AddPage(s.w, s.h);
        list.LayoutRows(r.width);
        ASSERT_EQ(list.Count(), static_cast<int>(r.expected.size())) << r.name;
        for (int i = 0; i < list.Count(); ++i)
            EXPECT_EQ(list.Item(i).Bounds(), r.expected[static_cast<std::size_t>(i)])
                << r.name << ", page " << i;
        EXPECT_EQ(list.MaxWidth(), r.maxWidth) << r.name;
    }
}

TEST(PageListLayout, ExtentsBeyondSixteenBitsStillLayOut) {
    // A4 at zoom 100: 79400 x 112300 px, far past 65535.
    TfrxPageList list;
    list.AddPage(794, 1123, 100.0L);
    list.AddPage(794, 1123, 100.0L);
    list.LayoutRows(1000);
    EXPECT_EQ(list.Item(0).Width, 79400);
    EXPECT_EQ(list.Item(0).Height, 112300);
    EXPECT_EQ(list.Item(1).Top, 10 + 112300 + 10);
    EXPECT_EQ(list.Bottom(), 10 + 2 * 112300 + 10);
    EXPECT_EQ(list.FindPage(112300), 1) << "the second page fills the top fifth";

    // Sizes at the int limit saturate instead of wrapping to negative positions.
    TfrxPageList huge;
    huge.AddPage(794, 1123, 1e9L);
    huge.AddPage(794, 1123, 1e9L);
    huge.LayoutRows(1000);
    EXPECT_EQ(huge.Item(0).Width, INT_MAX);
    EXPECT_GT(huge.Item(1).Top, 0);
    EXPECT_GE(huge.Bottom(), huge.Item(1).Top);
}

TEST(PageListLayout, ZoomedSizesRoundHalvesToEven) {
    TfrxPageList list;
    list.AddPage(5, 3, 0.5L); // 2.5 -> 2, 1.5 -> 2
    list.AddPage(794, 1123, 0.1L);
    EXPECT_EQ(list.Item(0).Width, 2);
    EXPECT_EQ(list.Item(0).Height, 2);
    EXPECT_EQ(list.Item(1).Width, 79);
    EXPECT_EQ(list.Item(1).Height, 112);
}

TEST(PageListFind, CurrentPageIsTheOneFillingTheTopFifth) {
    // Pages 1000 high, one per row: tops 10, 1020, 2030.
    const TfrxPageList list = Laid({{800, 1000}, {800, 1000}, {800, 1000}}, 900);
    struct Case {
        int viewTop;
        int page;
    } cases[] = {
        {0, 0},   {819, 0},  {820, 1}, // 1020 <= 820 + 200
        {1829, 1}, {1830, 2}, {100000, 2}, {-500, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(list.FindPage(c.viewTop), c.page) << "view top " << c.viewTop;
    EXPECT_EQ(TfrxPageList().FindPage(0), 0);
}

TEST(PageListFind, PointLandsOnThePageThatHoldsIt) {
    // Two pages in a row (lefts 45 and 355 in 700 px), a third below.
    const TfrxPageList list = Laid({{300, 400}, {300, 420}, {500, 100}}, 700);
    struct Case {
        const char* name;
        int x, y, page;
    } cases[] = {
        {"left page", 50, 20, 0},
        {"right page, same row", 400, 420, 1},
        {"below the shorter page of the row", 100, 415, -1},
        {"gap between pages", 350, 100, -1},
        {"second row", 120, 450, 2},
        {"above everything", 100, 2, -1},
        {"last pixel of the first page", 344, 409, 0},
        {"first pixel past it", 345, 409, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(list.FindPageAt(c.x, c.y), c.page) << c.name;
}

// Every page whose rectangle meets the view is in the painted range, however many rows and
// pages a row the view holds (a 200-page report at 25 % on a 3840 x 2160 screen shows 144
// pages in eight rows of 18), and a point finds its page far along a long row.
TEST(PageListFind, EveryPageInViewIsInThePaintedRange) {
    struct Case {
        const char* name;
        int pages, w, h, clientWidth, viewTop, viewHeight;
        int inView; // pages whose rectangle meets the view
    } cases[] = {
        {"A4 at 25% on a 4K screen", 200, 198, 281, 3840, 0, 2160, 144},
        {"the same, scrolled to the end", 200, 198, 281, 3840, 3005, 2160, 20},
        {"tiny pages, 60 a row", 500, 50, 70, 3840, 250, 600, 308},
        {"one page a row", 30, 800, 1000, 900, 5000, 800, 2},
        {"past the end", 10, 800, 1000, 900, 100000, 800, 0},
    };
    for (const Case& c : cases) {
        TfrxPageList list;
        for (int i = 0; i < c.pages; ++i)
            list.AddPage(c.w, c.h);
        list.LayoutRows(c.clientWidth);
        const QRect view(0, c.viewTop, c.clientWidth, c.viewHeight);
        const auto [from, to] = list.PagesBetween(view.top(), view.top() + view.height());
        int inView = 0;
        for (int i = 0; i < list.Count(); ++i) {
            const QRect r = list.Item(i).Bounds();
            if (!r.intersects(view))
                continue;
            ++inView;
            EXPECT_TRUE(i >= from && i <= to) << c.name << ": page " << i;
            EXPECT_EQ(list.FindPageAt(r.right(), r.bottom()), i) << c.name << ": page " << i;
        }
        EXPECT_EQ(inView, c.inView) << c.name;
    }
}

TEST(PageListFind, PagesNotLaidOutYetAreDefaultA4Sheets) {
    const TfrxPageList list = Laid({{300, 400}}, 1000);
    EXPECT_EQ(list.PageBounds(0, 1000, 1.0L), QRect(350, 10, 300, 400));
    EXPECT_EQ(list.PageBounds(7, 1000, 1.0L), QRect(103, 10, 794, 1123));
    EXPECT_EQ(list.PageBounds(-1, 1000, 0.5L), QRect(301, 5, 397, 562));
}

TEST(PreviewZoom, StepsAndFloors) {
    using namespace frxPreviewZoom;
    struct Case {
        const char* name;
        long double from, to;
        long double (*op)(long double);
    } cases[] = {
        {"zoom in from the floor", 0.25L, 0.5L, [](long double z) { return Stepped(z, true); }},
        {"zoom out to the floor", 0.5L, 0.25L, [](long double z) { return Stepped(z, false); }},
        {"zoom out at the floor stays", 0.25L, 0.25L, [](long double z) { return Stepped(z, false); }},
        {"ctrl+wheel down from 0.35", 0.35L, 0.3L, [](long double z) { return Wheeled(z, -1); }},
        {"ctrl+wheel down at 0.3 stays", 0.3L, 0.3L, [](long double z) { return Wheeled(z, -1); }},
        {"ctrl+wheel down below 0.3 never enlarges", 0.25L, 0.25L,
         [](long double z) { return Wheeled(z, -1); }},
        {"ctrl+wheel up", 1.0L, 1.2L, [](long double z) { return Wheeled(z, 2); }},
        {"setter floor", 0.1L, 0.25L, [](long double z) { return Clamped(z); }},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(static_cast<double>(c.op(c.from)), static_cast<double>(c.to), 1e-12) << c.name;
}

TEST(PreviewZoom, FittedZoomsLeaveTheMargin) {
    using namespace frxPreviewZoom;
    EXPECT_DOUBLE_EQ(static_cast<double>(WholePage(600, 1123)), (600.0 - 26) / 1123);
    EXPECT_DOUBLE_EQ(static_cast<double>(PageWidth(1000, 17, 794)), (1000.0 - 17 - 26) / 794);
}

TEST(PreviewZoom, BoxTextReadsBackTheZoom) {
    using namespace frxPreviewZoom;
    struct Case {
        const char* text;
        bool read;
        double zoom;
    } cases[] = {
        {"150 %", true, 1.5}, {"150%", true, 1.5}, {" 75 ", true, 0.75},
        {"12,5%", true, 0.125}, {"12.5%", true, 0.125}, {"%", false, 0}, {"", false, 0},
    };
    for (const Case& c : cases) {
        long double z = -1;
        EXPECT_EQ(Parse(QString::fromUtf8(c.text), z), c.read) << c.text;
        if (c.read)
            EXPECT_NEAR(static_cast<double>(z), c.zoom, 1e-12) << c.text;
        else
            EXPECT_EQ(z, -1) << c.text << ": zoom untouched";
    }
    for (const char* bad : {"abc", "1.2.3", "50%%x", "inf"}) {
        long double z = 2;
        try {
            Parse(QString::fromUtf8(bad), z);
            ADD_FAILURE() << bad << " was read";
        } catch (const platform::Error& e) {
            EXPECT_TRUE(e.Message().endsWith(QStringLiteral("is not a valid floating point value")))
                << e.Message().toStdString();
        }
        EXPECT_EQ(z, 2) << bad << ": zoom kept";
    }
    EXPECT_EQ(Text(1.5L), QStringLiteral("150%"));
    EXPECT_EQ(Text((600.0L - 26) / 1123), QStringLiteral("51%"));
    EXPECT_EQ(Text(0.125L), QStringLiteral("12%")) << "12.5 rounds to even";
}

TEST(ScrollClamp, PositionStaysInsideTheRange) {
    EXPECT_EQ(frxClampScroll(50, 1000, 300), 50);
    EXPECT_EQ(frxClampScroll(900, 1000, 300), 700);
    EXPECT_EQ(frxClampScroll(-5, 1000, 300), 0);
    EXPECT_EQ(frxClampScroll(40, 200, 300), 0) << "range smaller than the page";
}
