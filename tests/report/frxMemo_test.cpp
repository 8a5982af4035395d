// The text object's measuring and drawing: device rectangles, heights of the worksheet's
// columns, AutoWidth across zooms, markers, background and the recorded text output.

#include "report/frxClass.h"
#include "report/frxGraphicUtils.h"
#include "report/frxVariables.h"

#include "platform/CanvasRecording.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace frxClass;
using platform::RecordingCanvas;
using platform::Rect;

namespace {

long long Sum(const std::vector<int>& v) {
    long long s = 0;
    for (int x : v)
        s += x;
    return s;
}

void SetArial(TfrxMemoView* m, int pixels, bool bold = false) {
    TfrxFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetHeight(-pixels);
    font.SetStyle(bold ? TFontStyles(fsBold) : TFontStyles());
    m->SetFont(&font);
}

// A worksheet column as the engine leaves it: rows ended by a lone CR, then the template's
// line end.
QStringList Column(int rows) {
    QString text;
    for (int r = 0; r < rows; ++r)
        text += QStringLiteral("%1 + %2 = %3    \r").arg(r * 3 + 10).arg(r + 1).arg(r * 4 + 11);
    text += QStringLiteral("\r\n");
    return TfrxCustomMemoView::SplitLines(text);
}

struct Sheet {
    std::unique_ptr<TfrxReportPage> page = std::make_unique<TfrxReportPage>();
    TfrxMemoView* Add(long double l, long double t, long double w, long double h) {
        auto* m = new TfrxMemoView(page.get());
        m->SetParent(page.get());
        m->SetBounds(l, t, w, h);
        SetArial(m, 19);
        return m;
    }
    TfrxMemoView* WorksheetColumn(int rows) {
        TfrxMemoView* m = Add(170.07885, 196.53556, 151.1812, 827.71707);
        m->SetHAlign(haRight);
        m->SetLineSpacing(20);
        m->SetStretchMode(smMaxHeight);
        m->SetAutoWidth(true);
        m->SetMemo(Column(rows));
        return m;
    }
};

} // namespace

TEST(frxMemoView, DeviceRectangleWithFrameAndShadowTerms) {
    struct Row {
        const char* name;
        TfrxFrameTypes typ;
        long double frameWidth;
        bool shadow;
        double scale;
        QRect text; // left, top, width, height
    };
    // The object: left 10, top 20, width 100, height 50 (GapX 2, GapY 1).
    const Row rows[] = {
        {"no frame at zoom 1", {}, 1, false, 1, QRect(12, 21, 97, 49)},
        {"no frame at zoom 2", {}, 1, false, 2, QRect(24, 42, 193, 97)},
        {"all sides, width 3, zoom 1", TfrxFrameTypes(ftLeft | ftRight | ftTop | ftBottom), 3,
         false, 1, QRect(13, 22, 94, 46)},
        {"left and top, width 2, zoom 2", TfrxFrameTypes(ftLeft | ftTop), 2, false, 2,
         QRect(26, 44, 191, 95)},
        {"drop shadow of 4 at zoom 1", {}, 1, true, 1, QRect(12, 21, 93, 45)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Sheet s;
        TfrxMemoView* m = s.Add(10, 20, 100, 50);
        m->Frame()->SetTyp(r.typ);
        m->Frame()->SetWidth(r.frameWidth);
        m->Frame()->SetDropShadow(r.shadow);
        m->ComputeDeviceRect(r.scale, r.scale, 0, 0);
        EXPECT_EQ(m->TextRect(), r.text);
        EXPECT_EQ(m->FFrameWidth, frxRoundEven(r.scale * r.frameWidth));
    }
}

TEST(frxMemoView, WorksheetColumnHeights) {
    struct Row {
        const char* name;
        int rows;
        long double height;
    };
    const Row rows[] = {
        {"two CR-ended lines and the template line end", 2, 118},
        {"twenty rows keep under the design height", 20, 815},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Sheet s;
        TfrxMemoView* m = s.WorksheetColumn(r.rows);
        ASSERT_EQ(m->Memo().size(), r.rows + 1);
        EXPECT_EQ(m->CalcHeight(), r.height);
    }
}

TEST(frxMemoView, EmptyTextMeasuresItsGapsAndDrawsNothing) {
    Sheet s;
    TfrxMemoView* m = s.Add(0, 0, 100, 40);
    EXPECT_EQ(m->CalcHeight(), 2);
    m->Frame()->SetTyp(TfrxFrameTypes(ftTop | ftBottom));
    m->Frame()->SetWidth(2);
    EXPECT_EQ(m->CalcHeight(), 4) << "2 + 0.5 + 1 rounds to the even 4";
    m->Frame()->SetTyp({});
    EXPECT_EQ(m->CalcWidth(), 4);
    RecordingCanvas rec;
    m->Draw(&rec, 1, 1, 0, 0);
    EXPECT_TRUE(rec.TextRecords().empty());
}

TEST(frxMemoView, LongLinesWrapAtTheScaleOneWidth) {
    Sheet s;
    TfrxMemoView* m = s.Add(0, 0, 60, 200);
    m->SetMemo({QStringLiteral("12 + 345 = 357 and 98 - 76 = 22")});
    const long double h = m->CalcHeight();
    EXPECT_GT(h, 2 * (117 / 6.25L + 2)) << "wrapped onto several lines";
    RecordingCanvas z1, z2;
    m->Draw(&z1, 1, 1, 0, 0);
    m->Draw(&z2, 2, 2, 0, 0);
    ASSERT_EQ(z1.TextRecords().size(), z2.TextRecords().size());
    ASSERT_GT(z1.TextRecords().size(), 2u);
    for (size_t i = 0; i < z1.TextRecords().size(); ++i) {
        EXPECT_EQ(z1.TextRecords()[i]->Text, z2.TextRecords()[i]->Text);
        EXPECT_LE(
            std::abs(Sum(z2.TextRecords()[i]->Advances) - 2 * Sum(z1.TextRecords()[i]->Advances)),
            1);
    }
}

TEST(frxMemoView, AutoWidthKeepsTheRightEdgeAcrossZooms) {
    Sheet s;
    TfrxMemoView* m = s.WorksheetColumn(20);
    const long double right = m->Left() + m->Width();
    std::vector<std::unique_ptr<RecordingCanvas>> recs;
    for (double zoom : {1.0, 2.0, 1.0}) {
        SCOPED_TRACE(zoom);
        recs.push_back(std::make_unique<RecordingCanvas>());
        m->Draw(recs.back().get(), zoom, zoom, 0, 0);
        EXPECT_LT(m->Width(), 151.1812) << "the column shrank to its text";
        EXPECT_NEAR(static_cast<double>(m->Left() + m->Width()), static_cast<double>(right), 1e-9);
        const auto texts = recs.back()->TextRecords();
        ASSERT_EQ(texts.size(), 21u) << "no line breaks";
        const int deviceRight = m->TextRect().left() + m->TextRect().width();
        for (size_t i = 0; i + 1 < texts.size(); ++i) {
            EXPECT_EQ(texts[i]->Text, m->Memo()[static_cast<qsizetype>(i)]);
            EXPECT_EQ(texts[i]->Origin.x() + Sum(texts[i]->Advances), deviceRight) << i;
        }
    }
    for (size_t i = 0; i < 21; ++i)
        EXPECT_LE(std::abs(Sum(recs[1]->TextRecords()[i]->Advances) -
                           2 * Sum(recs[0]->TextRecords()[i]->Advances)),
                  1);
}

TEST(frxMemoView, AutoWidthWithCenterKeepsTheCentre) {
    Sheet s;
    TfrxMemoView* m = s.Add(100, 10, 300, 30);
    m->SetHAlign(haCenter);
    m->SetAutoWidth(true);
    m->SetMemo({QStringLiteral("题数：100")});
    RecordingCanvas rec;
    m->Draw(&rec, 1, 1, 0, 0);
    EXPECT_LT(m->Width(), 150);
    EXPECT_NEAR(static_cast<double>(m->Left() + m->Width() / 2), 250, 1e-9);
}

TEST(frxMemoView, RecordedTextOfADrawnColumn) {
    Sheet s;
    TfrxMemoView* m = s.WorksheetColumn(2);
    m->SetAutoWidth(false);
    RecordingCanvas rec;
    m->Draw(&rec, 1, 1, 0, 0);
    const auto texts = rec.TextRecords();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0]->Text, QStringLiteral("10 + 1 = 11    "));
    EXPECT_EQ(texts[1]->Text, QStringLiteral("13 + 2 = 15    "));
    EXPECT_EQ(texts[2]->Text, QStringLiteral(" "));
    const QRect device = m->TextRect();
    // Lines 38.72 px apart (19 px font + 20 px spacing, corrected to the 600-dpi height).
    EXPECT_EQ(texts[0]->Origin.y(), device.top());
    EXPECT_EQ(texts[1]->Origin.y(), device.top() + 38);
    EXPECT_EQ(texts[2]->Origin.y(), device.top() + 77);
    for (const auto* t : texts) {
        EXPECT_EQ(t->Font.Height, 19);
        EXPECT_EQ(t->Font.Name, QStringLiteral("Arial"));
        EXPECT_TRUE(t->Clipped);
        EXPECT_EQ(t->Origin.x() + Sum(t->Advances), device.left() + device.width());
    }
}

TEST(frxMemoView, BackgroundIsFilledUnlessTransparent) {
    Sheet s;
    TfrxMemoView* m = s.Add(10, 20, 100, 50);
    m->SetMemo({QStringLiteral("x")});
    RecordingCanvas clear;
    m->Draw(&clear, 1, 1, 0, 0);
    ASSERT_FALSE(clear.Records().empty());
    EXPECT_EQ(clear.Records().front().Kind, platform::CanvasRecord::Type::TextOut);

    m->SetColor(0x00FFFF); // yellow: 0x00BBGGRR
    RecordingCanvas filled;
    m->Draw(&filled, 2, 2, 5, 7);
    ASSERT_GE(filled.Records().size(), 2u);
    const auto& fill = filled.Records().front();
    EXPECT_EQ(fill.Kind, platform::CanvasRecord::Type::FillRect);
    EXPECT_EQ(fill.Bounds, (Rect{25, 47, 225, 147}));
    EXPECT_EQ(fill.BrushUsed.Color, QColor(255, 255, 0));
    EXPECT_EQ(m->Color(), 0x00FFFF);
}

TEST(frxMemoView, PrintScaleSizesPrinterFontsOnlyWhilePrinting) {
    struct Row {
        const char* name;
        bool printing;
        int fontHeight;
    };
    const Row rows[] = {
        {"printing at half scale", true, 58},
        {"drawn on a printer canvas outside printing", false, 117},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Sheet s;
        TfrxMemoView* m = s.WorksheetColumn(2);
        m->PrintScale = 0.5;
        m->SetPrinting(r.printing);
        const long double scale = 600 / 96.0L * (r.printing ? 0.5L : 1);
        RecordingCanvas printer(600, 600, true);
        m->Draw(&printer, static_cast<double>(scale), static_cast<double>(scale), 0, 0);
        const auto texts = printer.TextRecords();
        ASSERT_EQ(texts.size(), 3u);
        EXPECT_EQ(texts[0]->Font.Height, r.fontHeight);
    }
}

TEST(frxMemoView, WhileDesignedNeitherAutoWidthNorMarkersApply) {
    Sheet s;
    TfrxMemoView* m = s.WorksheetColumn(2);
    m->SetMemo({QStringLiteral("[TotalPages#]")});
    m->TotalPagesValue = 7;
    m->SetDesigning(true);
    RecordingCanvas rec;
    m->Draw(&rec, 1, 1, 0, 0);
    EXPECT_DOUBLE_EQ(static_cast<double>(m->Width()), 151.1812);
    ASSERT_EQ(rec.TextRecords().size(), 1u);
    EXPECT_EQ(rec.TextRecords()[0]->Text, QStringLiteral("[TotalPages#]"));
}

TEST(frxMemoView, ObjectsOfAReportMeasureThroughTheReportsLayoutObject) {
    for (int round = 0; round < 2; ++round) {
        auto report = std::make_unique<TfrxReport>();
        auto* page = new TfrxReportPage(report.get());
        page->SetParent(report.get());
        auto* m = new TfrxMemoView(page);
        m->SetParent(page);
        m->SetBounds(0, 0, 151.1812, 827.71707);
        SetArial(m, 19);
        m->SetLineSpacing(20);
        m->SetMemo(Column(20));
        ASSERT_EQ(m->Report(), report.get());
        EXPECT_EQ(m->CalcHeight(), 815);
        EXPECT_FALSE(TfrxDrawText::Busy());
    }
}
