// Text layout at 600 dpi: font sizing, wrapping, heights and widths, the even-spreading rule and
// drawing onto recorded screens and printers at several zooms.

#include "report/frxGraphicUtils.h"

#include "platform/CanvasRecording.h"

#include "common/TestSupport.h"

#include <QTimer>
#include <gtest/gtest.h>

using platform::FontFace;
using platform::RecordingCanvas;
using platform::Rect;
using HA = TfrxDrawText::HAlign;
using VA = TfrxDrawText::VAlign;

namespace {

QFont Arial(int pixels, bool bold = false) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// Width at 600 dpi of a text in 19-pixel (14 pt) Arial.
int W600(const QString& text) {
    return FontFace::Get(QStringLiteral("Arial"), 117, false, false)->TextWidth(text);
}

// Smallest layout width (whole pixels) in which `text` fits on one line.
int FitWidth(const QString& text) {
    return static_cast<int>(std::ceil(W600(text) / 6.25)) + 1;
}

QStringList Lines(const TfrxDrawText& dt) {
    QStringList out;
    for (const TfrxDrawText::Line& l : dt.Lines())
        out << l.Text;
    return out;
}

std::vector<int> Flags(const TfrxDrawText& dt) {
    std::vector<int> out;
    for (const TfrxDrawText::Line& l : dt.Lines())
        out.push_back(l.Flags);
    return out;
}

struct Layout {
    TfrxDrawText dt;
    explicit Layout(int layoutWidth, long double lineSpacing = 20, bool bold = false) {
        dt.SetFont(Arial(19, bold), Qt::black);
        dt.SetOptions(true, false, 0, true, true, false, false);
        dt.SetGaps(lineSpacing, 0, 0);
        const Rect r{0, 0, layoutWidth, 1000};
        dt.SetRectangles(r, r, 1, 1, 1);
    }
    // Sets the device rectangle for a zoom, keeping the layout rectangle.
    void Zoom(long double z, const Rect& device) {
        dt.SetRectangles(dt.LayoutRect(), device, 1, z, z);
    }
};

long long Sum(const std::vector<int>& v) {
    long long s = 0;
    for (int x : v)
        s += x;
    return s;
}

} // namespace

TEST(frxDrawText, FontSizeInWholePointsAndThe600DpiHeight) {
    struct Row {
        const char* name;
        QFont font;
        int size;
        int measureHeight;
    };
    QFont points(QStringLiteral("Arial"));
    points.setPointSize(14);
    const Row rows[] = {
        {"worksheet columns, 19 px", Arial(19), 14, 117},
        {"header line, 16 px", Arial(16), 12, 100},
        {"title, 27 px", Arial(27, true), 20, 167},
        {"14 points", points, 14, 117},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TfrxDrawText dt;
        dt.SetFont(r.font, Qt::black);
        EXPECT_EQ(dt.FontSize(), r.size);
        EXPECT_EQ(dt.MeasureHeight(), r.measureHeight);
    }
}

TEST(frxDrawText, HeightCountsLineSpacingAfterEveryLine) {
    Layout l(200);
    l.dt.SetText({QStringLiteral("12+3="), QStringLiteral("4+5="), QString()});
    EXPECT_EQ(l.dt.Lines().size(), 3u);
    EXPECT_NEAR(static_cast<double>(l.dt.LineHeight()), 38.72, 1e-12);
    EXPECT_NEAR(static_cast<double>(l.dt.CalcHeight()), 116.16, 1e-9);

    QStringList rows;
    for (int i = 0; i < 20; ++i)
        rows << QStringLiteral("%1+%2=").arg(i).arg(i * 3);
    rows << QString();
    l.dt.SetText(rows);
    EXPECT_NEAR(static_cast<double>(l.dt.CalcHeight()), 813.12, 1e-9);

    l.dt.SetText({});
    EXPECT_EQ(l.dt.CalcHeight(), 0);
    EXPECT_EQ(l.dt.CalcWidth(), 0);
}

TEST(frxDrawText, WrapsAtBlanksBreaksLongWordsAndIsolatesWideCharacters) {
    struct Row {
        const char* name;
        QString text;
        int width; // layout pixels
        QStringList lines;
    };
    const QString han = QStringLiteral("一二三四五六");
    const Row rows[] = {
        {"fits whole",
         QStringLiteral("ab cd ef"),
         FitWidth(QStringLiteral("ab cd ef")),
         {QStringLiteral("ab cd ef")}},
        {"ends before the last blank and drops it",
         QStringLiteral("ab cd ef"),
         FitWidth(QStringLiteral("ab cd")),
         {QStringLiteral("ab cd"), QStringLiteral("ef")}},
        {"word longer than the width is broken",
         QStringLiteral("abcdefgh"),
         FitWidth(QStringLiteral("abc")),
         {QStringLiteral("abc"), QStringLiteral("def"), QStringLiteral("gh")}},
        {"single wide character stands alone",
         QStringLiteral("汉字"),
         5,
         {QStringLiteral("汉"), QStringLiteral("字")}},
        {"Chinese breaks between any characters",
         han,
         FitWidth(QStringLiteral("一二")),
         {QStringLiteral("一二"), QStringLiteral("三四"), QStringLiteral("五六")}},
        {"a blank at the line start is no break point",
         QStringLiteral("ab  cdefgh"),
         FitWidth(QStringLiteral("ab")),
         {QStringLiteral("ab"), QStringLiteral(" c"), QStringLiteral("de"), QStringLiteral("fg"),
          QStringLiteral("h")}},
        {"one character is never wrapped", QStringLiteral("W"), 1, {QStringLiteral("W")}},
        {"blank that overflows ends the line",
         QStringLiteral("abc def"),
         FitWidth(QStringLiteral("abc")),
         {QStringLiteral("abc"), QStringLiteral("def")}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Layout l(r.width);
        l.dt.SetText({r.text});
        EXPECT_EQ(Lines(l.dt), r.lines);
    }
}

TEST(frxDrawText, ParagraphGapNarrowsOnlyTheFirstLine) {
    const QString text = QStringLiteral("ab cd ef");
    Layout l(FitWidth(text));
    l.dt.SetGaps(20, 0, W600(QStringLiteral("ef")) / 6.25);
    l.dt.SetText({text});
    EXPECT_EQ(Lines(l.dt), (QStringList{QStringLiteral("ab cd"), QStringLiteral("ef")}));
    EXPECT_EQ(Flags(l.dt), (std::vector<int>{1, 2}));
}

TEST(frxDrawText, ParagraphFlagsPlainTextAndParagraphEnds) {
    Layout l(FitWidth(QStringLiteral("abc")));
    l.dt.SetText({QStringLiteral("abc def ghi"), QString(), QStringLiteral("x")});
    EXPECT_EQ(Lines(l.dt),
              (QStringList{QStringLiteral("abc"), QStringLiteral("def"), QStringLiteral("ghi"),
                           QStringLiteral(" "), QStringLiteral("x")}));
    EXPECT_EQ(Flags(l.dt), (std::vector<int>{1, 0, 2, 3, 3}));
    EXPECT_EQ(l.dt.PlainText(), QStringLiteral("abc def ghi\r\n \r\nx\r\n"));
    l.dt.SetParagraphEnds(true, true);
    EXPECT_EQ(Flags(l.dt), (std::vector<int>{0, 0, 2, 3, 1}));

    l.dt.SetOptions(false, false, 0, true, true, false, false);
    l.dt.SetText({QStringLiteral("abc def ghi")});
    EXPECT_EQ(Lines(l.dt), QStringList{QStringLiteral("abc def ghi")}) << "word wrap off";
}

TEST(frxDrawText, WidthIsTheWidestLineWithSpacingAndIndent) {
    Layout l(10000);
    l.dt.SetText({QStringLiteral("ab"), QStringLiteral("abc")});
    EXPECT_NEAR(static_cast<double>(l.dt.CalcWidth()), W600(QStringLiteral("abc")) / 6.25, 1e-12);
    l.dt.SetGaps(20, 1, 4); // 6 and 25 units
    l.dt.SetText({QStringLiteral("ab"), QStringLiteral("abc")});
    EXPECT_NEAR(static_cast<double>(l.dt.CalcWidth()),
                (W600(QStringLiteral("abc")) + 3 * 6 + 25) / 6.25, 1e-12);
}

TEST(frxDrawText, EvenSpreadingRule) {
    struct Row {
        const char* name;
        int size;
        int steps;
        std::vector<int> expected;
    };
    const Row rows[] = {
        {"no step", 3, 0, {0, 0, 0}},
        {"one step lands on the middle", 8, 1, {0, 0, 0, 1, 0, 0, 0, 0}},
        {"two steps on the halves' middles", 8, 2, {0, 1, 0, 0, 0, 1, 0, 0}},
        {"three steps over eight", 8, 3, {0, 1, 0, 0, 1, 0, 1, 0}},
        {"three steps over five", 5, 3, {1, 0, 1, 1, 0}},
        {"one step over two", 2, 1, {1, 0}},
        {"one step over one", 1, 1, {1}},
        {"as many steps as entries", 4, 4, {1, 1, 1, 1}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<int> v(static_cast<size_t>(r.size), 0);
        TfrxDrawText::SpreadEvenly(v.data(), 0, r.size - 1, r.steps, 1);
        EXPECT_EQ(v, r.expected);
    }
}

TEST(frxDrawText, CorrectionSharesWholeStepsThenSpreadsTheRest) {
    struct Row {
        const char* name;
        int count;
        int amount;
        int threshold;
        std::vector<int> expected;
    };
    const Row rows[] = {
        {"fewer steps than the threshold", 4, -2, 5, {-1, 0, -1, 0}},
        {"share and remainder", 3, 7, 3, {3, 2, 2}},
        {"negative share and remainder", 3, -7, 3, {-3, -2, -2}},
        {"steps equal to the threshold take the share", 4, 5, 5, {1, 2, 1, 1}},
        {"nothing to correct", 2, 0, 2, {0, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<int> v(static_cast<size_t>(r.count), 0);
        TfrxDrawText::SpreadCorrection(v.data(), r.count, r.amount, r.threshold);
        EXPECT_EQ(v, r.expected);
    }
}

// The same text drawn at zoom 1, 1.5 and 2: the same lines, each exactly as long as the 600-dpi
// layout says (so zoom 2 is twice zoom 1 within a pixel), lines spread to the 600-dpi height.
TEST(frxDrawText, LinesKeepTheir600DpiLengthsAndPositionsAtEveryZoom) {
    QStringList text;
    for (int i = 0; i < 20; ++i)
        text << QStringLiteral("%1 + %2 = %3   第%4题").arg(i * 37).arg(i * 11).arg(i * 48).arg(i);
    text << QString();
    const int width = FitWidth(QStringLiteral("740 + 220 = 960")) + 3;
    std::vector<std::vector<const platform::CanvasRecord*>> byZoom;
    std::vector<std::unique_ptr<RecordingCanvas>> canvases;
    const long double zooms[] = {1, 1.5L, 2};
    for (long double z : zooms) {
        SCOPED_TRACE(static_cast<double>(z));
        Layout l(width);
        const Rect device{10, 20, 10 + frxRoundEven(width * z), 20 + frxRoundEven(1000 * z)};
        l.Zoom(z, device);
        l.dt.SetText(text);
        canvases.push_back(std::make_unique<RecordingCanvas>());
        l.dt.DrawText(*canvases.back(), HA::Left, VA::Top);
        const auto records = canvases.back()->TextRecords();
        ASSERT_EQ(records.size(), l.dt.Lines().size());
        for (size_t i = 0; i < records.size(); ++i) {
            const auto* r = records[i];
            EXPECT_EQ(r->Text, l.dt.Lines()[i].Text);
            EXPECT_EQ(r->Font.Height, frxRoundEven(14 * z * 96 / 72));
            EXPECT_EQ(Sum(r->Advances), frxRoundEven(W600(r->Text) / 6.25L * z)) << i;
            EXPECT_EQ(r->Origin.x(), 10);
            // Whole-pixel gaps spread over the block: within a pixel and a half of the ideal.
            EXPECT_LE(std::abs(r->Origin.y() - 20 - static_cast<double>(i * 38.72L * z)), 1.5) << i;
            EXPECT_TRUE(r->Clipped);
            EXPECT_EQ(r->Clip, device);
        }
        byZoom.push_back(records);
    }
    ASSERT_EQ(byZoom[0].size(), byZoom[2].size());
    EXPECT_GT(byZoom[0].size(), 21u) << "some lines wrapped";
    for (size_t i = 0; i < byZoom[0].size(); ++i) {
        EXPECT_EQ(byZoom[0][i]->Text, byZoom[2][i]->Text);
        EXPECT_LE(std::abs(Sum(byZoom[2][i]->Advances) - 2 * Sum(byZoom[0][i]->Advances)), 1);
    }
}

TEST(frxDrawText, PrinterLinesHaveThe600DpiLengthAtThePrinterResolution) {
    Layout l(300);
    const QString line = QStringLiteral("12 + 345 = 357");
    l.dt.SetText({line, line});
    struct Row {
        const char* name;
        int dpi;
        long double printScale;
        int fontHeight;
        long long length;
    };
    const Row rows[] = {
        {"600 dpi", 600, 1, 117, W600(line)},
        {"300 dpi", 300, 1, 58, frxRoundEven(W600(line) / 2.0L)},
        {"600 dpi at half scale", 600, 0.5L, 58, frxRoundEven(W600(line) * 0.5L)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const long double s = r.dpi / 96.0L * r.printScale;
        l.dt.SetRectangles(l.dt.LayoutRect(), Rect{0, 0, 3000, 3000}, r.printScale, s, s);
        RecordingCanvas printer(r.dpi, r.dpi, true);
        l.dt.DrawText(printer, HA::Left, VA::Top);
        const auto records = printer.TextRecords();
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0]->Font.Height, r.fontHeight);
        EXPECT_EQ(Sum(records[0]->Advances), r.length);
        // Two lines of 117 + 20 * 6.25 units at 600 dpi, scaled to the device.
        const long double g = 600.0L / r.dpi / r.printScale;
        EXPECT_EQ(records[1]->Origin.y() - records[0]->Origin.y(),
                  frxRoundEven((20 * s * g * 2 + 117 * 2) / g) -
                      (r.fontHeight + frxRoundEven(20 * s)));
    }
}

TEST(frxDrawText, HorizontalAlignmentAndParagraphIndent) {
    const QString text = QStringLiteral("ab cd ef");
    struct Row {
        const char* name;
        HA align;
        bool bold;
        long double gap;
    };
    const Row rows[] = {
        {"left with indent", HA::Left, false, 3},
        {"right", HA::Right, false, 3},
        {"right bold leaves one pixel", HA::Right, true, 0},
        {"center", HA::Center, false, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Layout l(FitWidth(QStringLiteral("ab cd")) + 5, 20, r.bold);
        l.dt.SetGaps(20, 0, r.gap);
        const Rect device{100, 50, 100 + 2 * l.dt.LayoutRect().Width(), 400};
        l.Zoom(2, device);
        l.dt.SetText({text});
        RecordingCanvas rec;
        l.dt.DrawText(rec, r.align, VA::Top);
        const auto records = rec.TextRecords();
        ASSERT_EQ(records.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            const int x = records[i]->Origin.x();
            const long long len = Sum(records[i]->Advances);
            switch (r.align) {
            case HA::Left:
                EXPECT_EQ(x, 100 + (i == 0 ? 6 : 0));
                break;
            case HA::Right:
                EXPECT_EQ(x + len, device.Right - (r.bold ? 1 : 0));
                break;
            case HA::Center:
                EXPECT_EQ(x, 100 + frxRoundEven((device.Width() - len) / 2.0L));
                break;
            default:
                break;
            }
        }
    }
}

TEST(frxDrawText, CenteredBlockTallerThanTheRectangleStartsAboveAndIsClipped) {
    Layout l(100);
    const Rect device{0, 100, 100, 140};
    l.Zoom(1, device);
    l.dt.SetText(
        {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    RecordingCanvas rec;
    l.dt.DrawText(rec, HA::Left, VA::Center);
    const auto records = rec.TextRecords();
    ASSERT_EQ(records.size(), 4u);
    const int blockHeight = frxRoundEven(4 * 38.72L); // 155
    EXPECT_EQ(records[0]->Origin.y(), 100 + frxRoundEven((40 - blockHeight) / 2.0L));
    EXPECT_LT(records[0]->Origin.y(), device.Top);
    for (const auto* r : records) {
        EXPECT_TRUE(r->Clipped);
        EXPECT_EQ(r->Clip, device);
    }
    EXPECT_TRUE(records[0]->Bounds.IsEmpty()) << "the first line lies wholly above the rectangle";

    l.dt.SetText({QStringLiteral("x")});
    RecordingCanvas bottom;
    l.dt.DrawText(bottom, HA::Left, VA::Bottom);
    EXPECT_EQ(bottom.TextRecords().at(0)->Origin.y(), 140 - frxRoundEven(38.72L));
}

TEST(frxDrawText, LinesLongerThanTheOldAdvanceArrayWork) {
    const QString longLine(40000, QLatin1Char('1'));
    Layout l(10000);
    l.dt.SetOptions(false, false, 0, true, false, false, false);
    l.dt.SetText({longLine});
    RecordingCanvas rec;
    l.dt.DrawText(rec, HA::Left, VA::Top);
    ASSERT_EQ(rec.TextRecords().size(), 1u);
    EXPECT_EQ(rec.TextRecords()[0]->Advances.size(), 40000u);
    EXPECT_EQ(Sum(rec.TextRecords()[0]->Advances), 40000 * 65 * 96 / 600);

    l.dt.SetOptions(true, false, 0, true, false, false, false);
    l.dt.SetText({longLine});
    EXPECT_EQ(l.dt.Lines().size(), static_cast<size_t>(std::ceil(40000 * 65 / (10000 * 6.25))));
}

TEST(frxDrawText, LockNeverWaitsForAHolderFurtherDownTheStack) {
    // Everything runs on one thread: a holder can only finish after the nested use returns,
    // so the nested Lock must go ahead at once.
    TfrxDrawText first;
    TfrxDrawText second;
    first.Lock();
    EXPECT_TRUE(TfrxDrawText::Busy());
    second.Lock();
    EXPECT_TRUE(TfrxDrawText::Busy());
    second.Unlock();
    EXPECT_TRUE(TfrxDrawText::Busy());
    first.Unlock();
    EXPECT_FALSE(TfrxDrawText::Busy());
    {
        TfrxDrawText dropped;
        dropped.Lock(); // a layout object freed while locked releases its share
    }
    EXPECT_FALSE(TfrxDrawText::Busy());
}
