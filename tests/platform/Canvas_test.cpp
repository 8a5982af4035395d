// The canvas: font faces and their advances, fallback for missing characters, clipping, text
// output on an image, and the recording canvas with its replay.

#include "platform/Canvas.h"
#include "platform/CanvasPainter.h"
#include "platform/CanvasRecording.h"

#include "common/TestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <gtest/gtest.h>

using namespace platform;

namespace {

QImage WhiteImage(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    return img;
}

// Number of pixels in the rectangle that are not white.
int InkIn(const QImage& img, const QRect& r) {
    int ink = 0;
    const QRect area = r.intersected(img.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                ++ink;
    return ink;
}

CanvasFont Font(const char* name, int height, bool bold = false) {
    CanvasFont f;
    f.Name = QString::fromUtf8(name);
    f.Height = height;
    f.Bold = bold;
    return f;
}

} // namespace

TEST(FontFace, DesignNamesResolveToInstalledFaces) {
    EXPECT_EQ(FontFace::Get(Font("Arial", 19))->FamilyName().toLower(),
              QStringLiteral("liberation sans"));
    EXPECT_TRUE(FontFace::Get(Font("宋体", 19))
                    ->FamilyName()
                    .toLower()
                    .startsWith(QStringLiteral("ar pl uming")));
}

// Arial's design advances are 1139 units for digits, 569 for the blank and 1933 for "W" in an
// em of 2048; unhinted and rounded they scale exactly with the pixel height.
TEST(FontFace, AdvancesAreUnhintedDesignWidthsRounded) {
    struct Row {
        const char* name;
        int height;
        char16_t ch;
        int advance;
    };
    const Row rows[] = {
        {"digit at 600 dpi for 14 pt", 117, u'1', 65},
        {"blank at 600 dpi for 14 pt", 117, u' ', 33},
        {"W at 600 dpi for 14 pt", 117, u'W', 110},
        {"digit at 19 px", 19, u'1', 11},
        {"digit at 38 px", 38, u'7', 21},
        {"digit at 13 px", 13, u'0', 7},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        FontFacePtr face = FontFace::Get(Font("Arial", r.height));
        EXPECT_EQ(face->GlyphFor(r.ch).Advance, r.advance);
        EXPECT_EQ(face->GlyphFor(r.ch).Face, 0);
    }
}

TEST(FontFace, ChineseInArialComesFromAFallbackFaceNotABox) {
    FontFacePtr face = FontFace::Get(Font("Arial", 117));
    const FontFace::Glyph& han = face->GlyphFor(U'汉');
    ASSERT_GT(han.Face, 0);
    EXPECT_NE(han.Index, 0u);
    EXPECT_TRUE(face->DrawFace(han.Face).familyName().toLower().contains(QStringLiteral("uming")))
        << face->DrawFace(han.Face).familyName().toStdString();
    EXPECT_GT(han.Advance, 100); // a full-width character
}

TEST(FontFace, AdvancesPerUtf16UnitWithSurrogatesAndControls) {
    FontFacePtr face = FontFace::Get(Font("Arial", 19));
    const QString text =
        QStringLiteral("a\t") + QString::fromUcs4(U"\U0001D400") + QStringLiteral("b");
    ASSERT_EQ(text.size(), 5);
    int adv[5] = {-1, -1, -1, -1, -1};
    face->Advances(text, adv);
    EXPECT_EQ(adv[0], face->GlyphFor(U'a').Advance);
    EXPECT_EQ(adv[1], 0) << "a tab draws nothing and takes no room";
    EXPECT_GE(adv[2], 0);
    EXPECT_EQ(adv[3], 0) << "the second half of a surrogate pair";
    EXPECT_EQ(adv[4], face->GlyphFor(U'b').Advance);
    EXPECT_EQ(face->TextWidth(text), adv[0] + adv[1] + adv[2] + adv[3] + adv[4]);
}

TEST(PainterCanvas, ReadsResolutionAndPrinterFlagFromTheDevice) {
    QImage img = WhiteImage(10, 10);
    img.setDotsPerMeterX(23622); // 600 dpi
    img.setDotsPerMeterY(23622);
    QPainter p(&img);
    PainterCanvas canvas(&p);
    EXPECT_EQ(canvas.DpiX(), 600);
    EXPECT_EQ(canvas.DpiY(), 600);
    EXPECT_FALSE(canvas.IsPrinter());
    EXPECT_FALSE(canvas.IsRecording());
}

TEST(PainterCanvas, PdfWriterIsAPrinterAtItsResolution) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(600);
        QPainter p(&writer);
        PainterCanvas canvas(&p);
        EXPECT_TRUE(canvas.IsPrinter());
        EXPECT_EQ(canvas.DpiX(), 600);
        EXPECT_EQ(canvas.DpiY(), 600);
        canvas.SetFont(Font("Arial", 117, true));
        canvas.ExtTextOut(100, 100, QStringLiteral("数学 1 + 2 = 3"), nullptr, nullptr, false);
    }
    EXPECT_TRUE(pdf.data().startsWith("%PDF"));
    // Both faces are embedded: the Latin one and the Song face for the Chinese characters.
    EXPECT_TRUE(pdf.data().contains("LiberationSans")) << pdf.data().size();
    EXPECT_TRUE(pdf.data().contains("UMing"));
}

TEST(PainterCanvas, DrawsChineseInAnArialFontAsGlyphs) {
    QImage img = WhiteImage(120, 40);
    {
        QPainter p(&img);
        PainterCanvas canvas(&p);
        canvas.SetFont(Font("Arial", 27, true));
        canvas.ExtTextOut(2, 2, QStringLiteral("口算"), nullptr, nullptr, false);
    }
    // A missing-glyph box is an outline; the two characters' strokes fill well over a box's ink
    // and lie in both halves.
    const int left = InkIn(img, QRect(2, 2, 27, 34));
    const int right = InkIn(img, QRect(29, 2, 27, 34));
    EXPECT_GT(left, 60);
    EXPECT_GT(right, 60);
    EXPECT_EQ(InkIn(img, QRect(60, 0, 60, 40)), 0);
}

TEST(PainterCanvas, TextOutPlacesCharactersAtTheGivenAdvancesAndClips) {
    QImage img = WhiteImage(200, 30);
    {
        QPainter p(&img);
        PainterCanvas canvas(&p);
        canvas.SetFont(Font("Arial", 19));
        const int advances[3] = {60, 60, 11};
        const Rect clip{0, 0, 100, 30};
        canvas.ExtTextOut(0, 0, QStringLiteral("111"), advances, &clip, false);
    }
    EXPECT_GT(InkIn(img, QRect(0, 0, 12, 30)), 0);
    EXPECT_EQ(InkIn(img, QRect(13, 0, 46, 30)), 0) << "the gap the first advance leaves";
    EXPECT_GT(InkIn(img, QRect(60, 0, 12, 30)), 0);
    EXPECT_EQ(InkIn(img, QRect(100, 0, 100, 30)), 0) << "the third character is clipped away";
}

TEST(PainterCanvas, ClipStackNarrowsAndRestores) {
    QImage img = WhiteImage(40, 40);
    {
        QPainter p(&img);
        PainterCanvas canvas(&p);
        canvas.SetBrush(Brush{Qt::black, BrushStyle::Solid});
        canvas.SaveClip();
        canvas.IntersectClip(Rect{0, 0, 20, 40});
        canvas.SaveClip();
        canvas.IntersectClip(Rect{10, 0, 40, 10});
        EXPECT_EQ(canvas.ClipBox(), (Rect{10, 0, 20, 10}));
        canvas.FillRect(Rect{0, 0, 40, 40});
        canvas.RestoreClip();
        EXPECT_EQ(canvas.ClipBox(), (Rect{0, 0, 20, 40}));
        canvas.RestoreClip();
        EXPECT_TRUE(canvas.RectVisible(Rect{30, 30, 35, 35}));
        canvas.SaveClip();
        canvas.IntersectClip(Rect{0, 0, 5, 5});
        EXPECT_FALSE(canvas.RectVisible(Rect{30, 30, 35, 35}));
        canvas.RestoreClip();
    }
    EXPECT_EQ(InkIn(img, QRect(10, 0, 10, 10)), 100);
    EXPECT_EQ(InkIn(img, QRect(0, 0, 40, 40)), 100);
}

TEST(RecordingCanvas, KeepsTextOutputInOrderWithBoundsAndAdvances) {
    RecordingCanvas rec;
    EXPECT_TRUE(rec.IsRecording());
    EXPECT_TRUE(rec.RectVisible(Rect{100000, 100000, 100001, 100001}));
    rec.SetFont(Font("Arial", 19));
    rec.SetBrush(Brush{Qt::yellow, BrushStyle::Solid});
    rec.FillRect(Rect{0, 0, 50, 50});
    const int adv[2] = {20, 30};
    const Rect clip{0, 0, 35, 100};
    rec.ExtTextOut(10, 5, QStringLiteral("第1"), adv, &clip, false);
    rec.ExtTextOut(0, 40, QStringLiteral("x"), nullptr, nullptr, true);

    const auto texts = rec.TextRecords();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->Text, QStringLiteral("第1"));
    EXPECT_EQ(texts[0]->Origin, QPoint(10, 5));
    EXPECT_EQ(texts[0]->Advances, (std::vector<int>{20, 30}));
    EXPECT_TRUE(texts[0]->Clipped);
    const int h = rec.TextHeight();
    EXPECT_EQ(texts[0]->Bounds, (Rect{10, 5, 35, 5 + h})) << "the cell box cut by the clip";
    EXPECT_EQ(texts[1]->Advances,
              (std::vector<int>{FontFace::Get(Font("Arial", 19))->GlyphFor(U'x').Advance}));
    EXPECT_TRUE(texts[1]->Rtl);
    ASSERT_EQ(rec.Records().size(), 3u);
    EXPECT_EQ(rec.Records()[0].Kind, CanvasRecord::Type::FillRect);
    EXPECT_EQ(rec.Records()[0].BrushUsed.Color, QColor(Qt::yellow));
}

TEST(RecordingCanvas, ReplayDrawsTheSamePixelsAsDrawingDirectly) {
    auto draw = [](Canvas& c) {
        c.SetBrush(Brush{QColor(200, 230, 255), BrushStyle::Solid});
        c.FillRect(Rect{5, 5, 150, 60});
        c.SetPen(Pen{Qt::red, 1, PenStyle::Solid});
        c.DrawLine(QPoint(5, 30), QPoint(150, 30));
        c.SaveClip();
        c.IntersectClip(Rect{0, 0, 100, 70});
        c.SetFont(Font("Arial", 19, true));
        c.ExtTextOut(8, 8, QStringLiteral("1+2= 口算"), nullptr, nullptr, false);
        c.RestoreClip();
        c.SetFont(Font("宋体", 13));
        c.DrawText(Rect{0, 40, 160, 70}, QStringLiteral("姓名 & 班级"), TextFormat::Center);
    };
    QImage direct = WhiteImage(160, 70);
    QImage replayed = WhiteImage(160, 70);
    {
        QPainter p(&direct);
        PainterCanvas canvas(&p);
        draw(canvas);
    }
    RecordingCanvas rec;
    draw(rec);
    {
        QPainter p(&replayed);
        PainterCanvas canvas(&p);
        rec.Replay(canvas);
    }
    EXPECT_TRUE(direct == replayed);
    EXPECT_EQ(rec.TextRecords().size(), 2u);
}
