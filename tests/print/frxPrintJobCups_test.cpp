// Printing prepared pages on the private CUPS server's PDF queue, checked on the PDF: sheets,
// paper, and where the worksheet's ink lands. `./dev test` starts the server; by hand:
// eval "$(tools/cups.sh start)".

#include "TestSupport.h"

#include "CupsTestSupport.h"
#include "PrintTestSupport.h"
#include "platform/CanvasPainter.h"
#include "platform/Error.h"
#include "platform/PrintService.h"
#include "preview/frxPreviewPages.h"
#include "preview/frxXMLSerializer.h"
#include "print/frxPrintJob.h"
#include "print/frxPrinter.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

struct FinalPassEngine : TfrxCustomEngine {
    FinalPassEngine() { FinalPass = true; }
    bool Run() override { return true; }
};

// A grey image of page `page` of a PDF at `dpi`; null when it cannot be made.
QImage RasterisePdf(const QString& file, int page, int dpi) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath(S("page"));
    QProcess p;
    p.start(S("pdftoppm"), {S("-f"), QString::number(page), S("-l"), QString::number(page),
                            S("-r"), QString::number(dpi), S("-gray"), S("-singlefile"), file,
                            prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QImage(prefix + S(".pgm"));
}

class CupsPrintJob : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ReadEnv(env));
        frxInstallXMLSerializer();
        frxSetPrintService(platform::SystemPrintService());
        const int queue = frxPrinters()->IndexOfPrinter(env.queue);
        ASSERT_GE(queue, 0);
        frxPrinters()->SelectPrinter(queue);
        report.PrintOptions()->SetShowDialog(false);
        store.SetEngine(&engine);
    }
    void TearDown() override { frxSetPrintService(nullptr); }

    // The worksheet page prepared into the store the way the engine prepares it.
    void PrepareWorksheet() {
        TfrxReportPage* page = AddWorksheetPage(report);
        store.ClearAll();
        store.PrepareStart();
        store.RegisterSourcePage(page);
        engine.Running = true;
        store.PassStart();
        store.StartPage(page);
        TfrxNullBand band;
        band.Objects() = page->Objects();
        store.AppendObject(&band);
        band.Objects().clear();
        engine.Running = false;
        store.PrepareFinish();
    }

    CupsEnv env;
    TfrxReport report;
    FinalPassEngine engine;
    TfrxPreviewPages store{&report};
};

// The ink of the title and the five columns, in mm from the sheet's corner.
struct WorksheetInk {
    QRectF title;
    QRectF columns[5];
};

WorksheetInk MeasureWorksheet(const QImage& image, double dpi) {
    WorksheetInk ink;
    ink.title = InkBoxMM(image, dpi, QRectF(60, 15, 100, 18));
    for (int c = 0; c < 5; ++c)
        ink.columns[c] = InkBoxMM(image, dpi, QRectF(5 + 40 * c, 51, 40, 60));
    return ink;
}

TEST_F(CupsPrintJob, TheWorksheetLandsOnPaperWhereItsBoxesAreAndWhereThePreviewShowsIt) {
    PrepareWorksheet();
    ASSERT_EQ(store.PageCount(), 1);
    const QString title = UniqueTitle("worksheet");
    report.ReportOptions()->SetName(title);
    ASSERT_TRUE(frxPrintPreviewPages(store));

    const QString pdf = WaitForPdf(env, title);
    ASSERT_FALSE(pdf.isEmpty()) << "no PDF for " << title.toStdString();
    const PdfInfo info = ReadPdf(pdf);
    EXPECT_EQ(info.pages, 1);
    ASSERT_EQ(info.sizes.size(), 1);
    EXPECT_NEAR(info.sizes[0].width(), 595.3, 1); // A4 portrait, points
    EXPECT_NEAR(info.sizes[0].height(), 841.9, 1);

    constexpr int dpi = 300;
    const QImage sheet = RasterisePdf(pdf, 1, dpi);
    ASSERT_FALSE(sheet.isNull());
    EXPECT_NEAR(sheet.width(), 2480, 2);
    const WorksheetInk paper = MeasureWorksheet(sheet, dpi);

    // The title's ink starts just inside its box at 69 mm from the left and 21 mm from the top
    // (the Song face's glyphs stand a little below its em box).
    ASSERT_FALSE(paper.title.isEmpty());
    EXPECT_GE(paper.title.left(), 69);
    EXPECT_LE(paper.title.left(), 70);
    EXPECT_GE(paper.title.top(), 21);
    EXPECT_LE(paper.title.top(), 22.5);
    // Each column is right-aligned in its box: its text ends at the box's right edge less the
    // 2 px gap, and the four blanks that end every line with answers carry no ink.
    QFont arial(S("Arial"));
    arial.setPixelSize(19);
    const double blanksMM = QFontMetricsF(arial).horizontalAdvance(S("    ")) / 96 * 25.4;
    const double gapMM = 2 / 96.0 * 25.4;
    for (int c = 0; c < 5; ++c) {
        const double textEnd = 45 + 40 * c - gapMM - blanksMM;
        ASSERT_FALSE(paper.columns[c].isEmpty()) << "column " << c + 1;
        EXPECT_LE(paper.columns[c].right(), textEnd + 0.2) << "column " << c + 1;
        EXPECT_GE(paper.columns[c].right(), textEnd - 1) << "column " << c + 1;
        // Digits stand about 1 mm below the top of a line of this face.
        EXPECT_GE(paper.columns[c].top(), 52.5) << "column " << c + 1;
        EXPECT_LE(paper.columns[c].top(), 54) << "column " << c + 1;
    }

    // The preview draws the same page at zoom 1 (96 px per inch).
    const QPoint size = store.PageSizeOf(0);
    QImage screen(size.x(), size.y(), QImage::Format_RGB32);
    screen.fill(Qt::white);
    {
        QPainter painter(&screen);
        platform::PainterCanvas canvas(&painter, 96, 96, false);
        store.RenderPage(0, &canvas, 1, 1, 0, 0);
    }
    const WorksheetInk preview = MeasureWorksheet(screen, 96);
    if (qEnvironmentVariableIsSet("SUMDRILL_KEEP_IMAGES")) {
        sheet.save(S("/tmp/sumdrill-sheet.png"));
        screen.save(S("/tmp/sumdrill-screen.png"));
        auto show = [](const char* what, const QRectF& r) {
            std::printf("%s: %.2f %.2f %.2f %.2f\n", what, r.left(), r.top(), r.right(), r.bottom());
        };
        show("paper title", paper.title);
        show("screen title", preview.title);
        for (int c = 0; c < 5; ++c) {
            show("paper column", paper.columns[c]);
            show("screen column", preview.columns[c]);
        }
    }
    EXPECT_NEAR(preview.title.left(), paper.title.left(), 0.5);
    // On screen the Song face is drawn from its bitmap strike, whose glyphs reach higher than
    // the outlines printed; the Latin columns use the same outlines on both.
    EXPECT_NEAR(preview.title.top(), paper.title.top(), 1);
    for (int c = 0; c < 5; ++c) {
        EXPECT_NEAR(preview.columns[c].right(), paper.columns[c].right(), 0.5)
            << "column " << c + 1;
        EXPECT_NEAR(preview.columns[c].top(), paper.columns[c].top(), 0.5) << "column " << c + 1;
        EXPECT_NEAR(preview.columns[c].bottom(), paper.columns[c].bottom(), 0.5)
            << "column " << c + 1;
    }
}

} // namespace
