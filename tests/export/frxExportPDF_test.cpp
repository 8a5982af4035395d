#include "export/frxExportPDF.h"
#include "export/frxExportPDF_p.h"

#include "common/PdfTools.h"
#include "common/TestSupport.h"
#include "platform/Error.h"
#include "store/frxPreviewPages.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRawFont>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace frxClass;

namespace {

struct TestEngine : TfrxCustomEngine {
    bool Run() override { return true; }
};

// A report whose template pages the tests make, and a store prepared from them the way the
// engine prepares: register the pages, start a page, append its objects through a band.
class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        engine.FinalPass = true;
        store.SetEngine(&engine);
    }

    // Paper in millimetres as oriented (a landscape page is wider than high).
    TfrxReportPage* AddPage(long double widthMm, long double heightMm) {
        auto* page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page%1").arg(report.Objects().size()));
        page->SetPaperSize(256);
        if (widthMm > heightMm) {
            page->SetPaperWidth(heightMm);
            page->SetPaperHeight(widthMm);
            page->SetOrientation(poLandscape);
        } else {
            page->SetPaperWidth(widthMm);
            page->SetPaperHeight(heightMm);
        }
        return page;
    }

    TfrxMemoView* AddMemo(TfrxReportPage* page, long double l, long double t, const QString& text,
                          int heightPx = 16, bool bold = false, TfrxHAlign align = haLeft) {
        auto* m = new TfrxMemoView(page);
        m->SetName(QStringLiteral("Memo%1").arg(++memos));
        m->SetBounds(l, t, 300, 40);
        TfrxFont f;
        f.SetName(QStringLiteral("Arial"));
        f.SetHeight(heightPx);
        if (bold)
            f.SetStyle(TFontStyles(fsBold));
        m->SetFont(&f);
        m->SetHAlign(align);
        m->SetText(text);
        return m;
    }

    // One prepared page per entry: the template page, and what to do to it before its objects
    // are appended (as evaluation fills texts).
    void Prepare(const std::vector<std::pair<TfrxReportPage*, std::function<void()>>>& run) {
        store.ClearAll();
        store.PrepareStart();
        for (TfrxComponent* c : report.Objects())
            if (auto* p = qobject_cast<TfrxReportPage*>(c))
                store.RegisterSourcePage(p);
        engine.Running = true;
        store.PassStart();
        for (const auto& [page, each] : run) {
            store.StartPage(page);
            if (each)
                each();
            TfrxNullBand band;
            band.Objects() = page->Objects();
            store.AppendObject(&band);
            band.Objects().clear();
        }
        engine.Running = false;
        store.PrepareFinish();
    }

    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    // The first page of a written PDF at 96 dpi, as a reader shows it.
    QImage Rasterised(const QString& pdf) const {
        const QString prefix = QFileInfo(pdf).path() + QLatin1Char('/') + QFileInfo(pdf).baseName();
        pdftools::Run(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                       QStringLiteral("-singlefile"), pdf, prefix});
        return QImage(prefix + QStringLiteral(".png"));
    }

    bool Export(TfrxPDFExport& filter) { return store.Export(filter); }

    QTemporaryDir dir;
    TfrxReport report;
    TestEngine engine;
    TfrxPreviewPages store{&report};
    int memos = 0;
};


// The texts appear in `text` in this order (blanks compared as runs: a PDF keeps glyph
// positions, and a reader turns every gap back into a single blank).
::testing::AssertionResult InOrder(const QString& text, const QStringList& expected) {
    const QString flat = text.simplified();
    qsizetype from = 0;
    for (const QString& e : expected) {
        const qsizetype at = flat.indexOf(e.simplified(), from);
        if (at < 0)
            return ::testing::AssertionFailure()
                   << '"' << e.toStdString() << "\" missing after position " << from << " in \""
                   << flat.toStdString() << '"';
        from = at + e.simplified().size();
    }
    return ::testing::AssertionSuccess();
}

TEST_F(ExportTest, EveryPageKeepsItsPaperAndItsTextsInOrder) {
    report.ReportOptions()->SetName(QStringLiteral("Class 3B"));
    TfrxReportPage* a4 = AddPage(210, 297);
    TfrxMemoView* line = AddMemo(a4, 40, 40, QString());
    AddMemo(a4, 40, 200, QStringLiteral("12 + 7 = 19"), 19, false, haRight);
    TfrxReportPage* a5 = AddPage(210, 148); // landscape
    AddMemo(a5, 40, 40, QStringLiteral("landscape page"));
    TfrxReportPage* custom = AddPage(100, 120);
    AddMemo(custom, 10, 10, QStringLiteral("label"));
    Prepare({{a4, [&] { line->SetText(QStringLiteral("first page")); }},
             {a5, {}},
             {a4, [&] { line->SetText(QStringLiteral("third page")); }},
             {custom, {}}});

    TfrxPDFExport pdf;
    pdf.FileName = Path("out.pdf");
    ASSERT_TRUE(Export(pdf));

    const auto sizes = pdftools::PageSizes(pdf.FileName);
    ASSERT_EQ(sizes.size(), 4u);
    const double mm = pdftools::kPtPerMm;
    const QSizeF expected[] = {{210 * mm, 297 * mm}, {210 * mm, 148 * mm},
                               {210 * mm, 297 * mm}, {100 * mm, 120 * mm}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(sizes[i].width(), expected[i].width(), 0.6) << "page " << i + 1;
        EXPECT_NEAR(sizes[i].height(), expected[i].height(), 0.6) << "page " << i + 1;
    }
    EXPECT_TRUE(InOrder(pdftools::Text(pdf.FileName),
                        {QStringLiteral("first page"), QStringLiteral("12 + 7 = 19"),
                         QStringLiteral("landscape page"), QStringLiteral("third page"),
                         QStringLiteral("12 + 7 = 19"), QStringLiteral("label")}));
    EXPECT_EQ(pdftools::Text(pdf.FileName, 2, 2).simplified(), QStringLiteral("landscape page"));
    EXPECT_TRUE(pdftools::Run(QStringLiteral("pdfinfo"), {pdf.FileName})
                    .contains(QStringLiteral("Class 3B")));

    // A chosen set of pages, in the order given.
    TfrxPDFExport some;
    some.FileName = Path("some.pdf");
    some.Pages = {3, 1};
    ASSERT_TRUE(Export(some));
    EXPECT_EQ(pdftools::PageCount(some.FileName), 2);
    EXPECT_TRUE(InOrder(pdftools::Text(some.FileName),
                        {QStringLiteral("label"), QStringLiteral("landscape page")}));
}

TEST_F(ExportTest, FontsAreEmbeddedSubsetsAndChineseTextCanBeFound) {
    TfrxReportPage* a4 = AddPage(210, 297);
    AddMemo(a4, 260, 79, QStringLiteral("数  学  运  算  练  习"), 27, true);
    AddMemo(a4, 56, 158, QStringLiteral("题数：40      姓名"), 16, true);
    AddMemo(a4, 18, 196, QStringLiteral("37 ÷ 4 = 9.3    \r12 x 3 = 36    \r"), 19, false, haRight);
    Prepare({{a4, {}}});

    TfrxPDFExport pdf;
    pdf.FileName = Path("fonts.pdf");
    ASSERT_TRUE(Export(pdf));

    const auto fonts = pdftools::Fonts(pdf.FileName);
    ASSERT_GE(fonts.size(), 3u) << "Latin regular and bold, and a Song face for the Chinese";
    bool song = false;
    for (const auto& f : fonts) {
        EXPECT_TRUE(f.Embedded) << f.Name.toStdString();
        EXPECT_TRUE(f.Unicode) << f.Name.toStdString() << " cannot be searched";
        song = song || f.Name.contains(QStringLiteral("Ming"));
    }
    EXPECT_TRUE(song);
    // The Song face is megabytes; only the glyphs used go into the file.
    EXPECT_LT(QFileInfo(pdf.FileName).size(), 150 * 1024);

    EXPECT_TRUE(InOrder(pdftools::Text(pdf.FileName),
                        {QStringLiteral("数  学  运  算  练  习"), QStringLiteral("题数：40 姓名"),
                         QStringLiteral("37 ÷ 4 = 9.3"), QStringLiteral("12 x 3 = 36")}));
}

TEST_F(ExportTest, ProgressCountsThePagesAndCancelLeavesNoFile) {
    TfrxReportPage* a4 = AddPage(210, 297);
    AddMemo(a4, 40, 40, QStringLiteral("page"));
    Prepare({{a4, {}}, {a4, {}}, {a4, {}}});

    QList<std::pair<int, int>> events; // kind, page; -1 for start, -2 for stop
    report.OnProgressStart = [&](TfrxReport*, int kind, int) { events.append({kind, -1}); };
    report.OnProgress = [&](TfrxReport*, int kind, int n) { events.append({kind, n}); };
    report.OnProgressStop = [&](TfrxReport*, int kind, int) { events.append({kind, -2}); };
    TfrxPDFExport pdf;
    pdf.FileName = Path("progress.pdf");
    ASSERT_TRUE(Export(pdf));
    const QList<std::pair<int, int>> all{{ptExporting, -1}, {ptExporting, 1}, {ptExporting, 2},
                                         {ptExporting, 3}, {ptExporting, -2}};
    EXPECT_EQ(events, all);

    // Cancelled at the second page, by the filter's own callback or through the report (the
    // progress window's Cancel sets Terminated): no file, and an older file stays whole.
    ASSERT_TRUE(WriteFileBytes(pdf.FileName, "older"));
    struct Case {
        const char* name;
        std::function<void(TfrxPDFExport&)> arrange;
    } cases[] = {
        {"filter callback", [](TfrxPDFExport& f) { f.OnProgress = [](int n) { return n < 2; }; }},
        {"report terminated",
         [&](TfrxPDFExport&) {
             report.OnProgress = [&](TfrxReport* r, int, int n) { r->Terminated = n >= 2; };
         }},
    };
    for (const Case& c : cases) {
        TfrxPDFExport cancelled;
        cancelled.FileName = pdf.FileName;
        c.arrange(cancelled);
        EXPECT_FALSE(Export(cancelled)) << c.name;
        EXPECT_EQ(ReadFileBytes(pdf.FileName), "older") << c.name;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("progress.pdf")})
            << c.name << ": no temporary file left";
    }
    // A later export starts afresh.
    report.OnProgress = nullptr;
    EXPECT_TRUE(Export(pdf));
    EXPECT_EQ(pdftools::PageCount(pdf.FileName), 3);
}

TEST_F(ExportTest, FailuresSayWhyAndLeaveNothingHalfWritten) {
    TfrxReportPage* a4 = AddPage(210, 297);
    AddMemo(a4, 40, 40, QStringLiteral("page"));
    Prepare({{a4, {}}, {a4, {}}});
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QString existing = Path("existing.pdf");
    ASSERT_TRUE(WriteFileBytes(existing, "older"));

    struct Case {
        const char* name;
        QString file;
        QList<int> pages;
        std::function<bool(int)> progress;
        const char* message; // the start of the error text
    } cases[] = {
        {"missing folder", Path("no/such/folder/out.pdf"), {}, {},
         "Cannot write the file \""},
        {"a folder of that name", Path("folder"), {}, {}, "Cannot write the file \""},
        {"no file name", QString(), {}, {}, "No file name was given"},
        {"page out of range", Path("x.pdf"), {0, 2}, {}, "Page 3 does not exist"},
        {"error while drawing", existing, {}, [](int n) -> bool {
             if (n == 2)
                 throw platform::Error(QStringLiteral("drawing failed"));
             return true;
         }, "drawing failed"},
    };
    for (const Case& c : cases) {
        TfrxPDFExport pdf;
        pdf.FileName = c.file;
        pdf.Pages = c.pages;
        pdf.OnProgress = c.progress;
        try {
            Export(pdf);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const platform::Error& e) {
            EXPECT_TRUE(e.Message().startsWith(QString::fromUtf8(c.message)))
                << c.name << ": " << e.Message().toStdString();
            if (e.Message().startsWith(QStringLiteral("Cannot write"))) {
                EXPECT_TRUE(e.Message().contains(QDir::toNativeSeparators(c.file))) << c.name;
                EXPECT_FALSE(e.Message().endsWith(QStringLiteral(": "))) << c.name << ": no reason";
            }
        }
        EXPECT_EQ(ReadFileBytes(existing), "older") << c.name;
        QStringList left = QDir(dir.path()).entryList(QDir::Files);
        EXPECT_EQ(left, QStringList{QStringLiteral("existing.pdf")}) << c.name;
    }

    // An empty store has nothing to export.
    store.ClearAll();
    TfrxPDFExport empty;
    empty.FileName = Path("empty.pdf");
    EXPECT_THROW(Export(empty), platform::Error);
    EXPECT_FALSE(QFileInfo::exists(empty.FileName));
}

// Dark pixels of the page image inside `r`.
int InkIn(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = std::max(0, r.top()); y <= std::min(img.height() - 1, r.bottom()); ++y)
        for (int x = std::max(0, r.left()); x <= std::min(img.width() - 1, r.right()); ++x)
            n += qGray(img.pixel(x, y)) < 128;
    return n;
}

TEST_F(ExportTest, TextWiderThanItsObjectIsCutAtTheObjectsEdge) {
    TfrxReportPage* a4 = AddPage(210, 297);
    const QString wide = QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    TfrxMemoView* clipped = AddMemo(a4, 100, 100, wide);
    clipped->SetWidth(100);
    clipped->SetWordWrap(false);
    TfrxMemoView* free = AddMemo(a4, 100, 300, wide);
    free->SetWidth(100);
    free->SetClipped(false);
    free->SetWordWrap(false);
    TfrxMemoView* fits = AddMemo(a4, 100, 500, QStringLiteral("fits"), 16, false, haRight);
    fits->SetWidth(100);
    Prepare({{a4, {}}});
    TfrxPDFExport pdf;
    pdf.FileName = Path("clip.pdf");
    ASSERT_TRUE(Export(pdf));

    // The page as a reader shows it, at 96 dpi: one pixel per report pixel.
    const QString prefix = Path("page");
    pdftools::Run(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                   QStringLiteral("-singlefile"), pdf.FileName, prefix});
    const QImage img(prefix + QStringLiteral(".png"));
    ASSERT_FALSE(img.isNull());
    EXPECT_GT(InkIn(img, QRect(100, 100, 100, 40)), 100);
    EXPECT_EQ(InkIn(img, QRect(202, 95, 300, 50)), 0) << "clipped text ends at the object";
    EXPECT_GT(InkIn(img, QRect(202, 295, 300, 50)), 100) << "unclipped text runs on";
    // Right-aligned text that fits keeps its last glyph whole, right at the edge.
    EXPECT_GT(InkIn(img, QRect(185, 500, 15, 40)), 10);
}

TEST_F(ExportTest, FramesAndFillsLandOnTheirPixels) {
    TfrxReportPage* a4 = AddPage(210, 297);
    TfrxMemoView* box = AddMemo(a4, 100, 100, QString());
    box->SetBounds(100, 100, 200, 50);
    box->SetColor(TColor(0x0000FF)); // red, in the report's blue-green-red order
    box->Frame()->SetTyp(TfrxFrameTypes(ftLeft | ftRight | ftTop | ftBottom));
    box->Frame()->SetWidth(2);
    Prepare({{a4, {}}});
    TfrxPDFExport pdf;
    pdf.FileName = Path("frame.pdf");
    ASSERT_TRUE(Export(pdf));
    const QImage img = Rasterised(pdf.FileName);
    ASSERT_FALSE(img.isNull());
    auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 100; };
    // The frame runs along the object's edges; the fill inside; nothing outside.
    EXPECT_TRUE(dark(101, 125));
    EXPECT_TRUE(dark(299, 125));
    EXPECT_TRUE(dark(200, 101));
    EXPECT_TRUE(dark(200, 149));
    const QColor inside = img.pixelColor(200, 125);
    EXPECT_GT(inside.red(), 200);
    EXPECT_LT(inside.green(), 60);
    EXPECT_FALSE(dark(96, 125));
    EXPECT_FALSE(dark(304, 125));
    EXPECT_FALSE(dark(200, 154));
}

// The page's background picture fills the printable area in the PDF; every page shows the one
// image the file holds.
TEST_F(ExportTest, TheBackgroundPictureFillsThePrintableArea) {
    TfrxReportPage* a4 = AddPage(210, 297);
    a4->SetLeftMargin(20);
    a4->SetTopMargin(30);
    QImage blue(6, 9, QImage::Format_ARGB32);
    blue.fill(QColor(0, 0, 255));
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(blue.save(&out, "PNG"));
    a4->SetBackPicture(png);
    Prepare({{a4, {}}, {a4, {}}, {a4, {}}});
    TfrxPDFExport pdf;
    pdf.FileName = Path("background.pdf");
    ASSERT_TRUE(Export(pdf));
    // pdfimages lists each use (page, number, type, ..., object): three pages, one object.
    QSet<QString> objects;
    int uses = 0;
    const QString list = pdftools::Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf.FileName});
    for (const QString& line : list.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.simplified().split(QLatin1Char(' '));
        if (fields.size() > 10 && fields[2] == QLatin1String("image")) {
            ++uses;
            objects.insert(fields[10]);
        }
    }
    EXPECT_EQ(uses, 3) << list.toStdString();
    EXPECT_EQ(objects.size(), 1) << list.toStdString();
    const QImage img = Rasterised(pdf.FileName);
    ASSERT_FALSE(img.isNull());
    auto isBlue = [&](int x, int y) {
        const QColor c = img.pixelColor(x, y);
        return c.blue() > 200 && c.red() < 60;
    };
    // 20 mm = 75.6 px, 30 mm = 113.4 px at 96 dpi.
    EXPECT_TRUE(isBlue(80, 118));
    EXPECT_TRUE(isBlue(700, 1000));
    EXPECT_TRUE(isBlue(780, 1115)) << "to the paper's far corner (no right or bottom margin)";
    EXPECT_FALSE(isBlue(70, 118)) << "not in the left margin";
    EXPECT_FALSE(isBlue(80, 108)) << "not in the top margin";
}

// Numbers in page content: integers plain, at most three decimals, never an exponent.
TEST(PdfNumbers, WrittenAsPdfReadsThem) {
    const struct {
        double v;
        const char* text;
    } cases[] = {{0, "0"},         {3, "3"},          {-2, "-2"},      {0.5, "0.5"},
                 {-0.25, "-0.25"}, {1.2345, "1.235"}, {0.0004, "0"},   {-0.0004, "0"},
                 {841.89, "841.89"}, {1e9, "1000000000"}, {0.12, "0.12"}};
    for (const auto& c : cases) {
        QByteArray out;
        frxpdf::AppendNumber(out, c.v);
        EXPECT_EQ(out, QByteArray(c.text)) << c.v;
    }
}

// A subset holds the outlines of the glyphs drawn, composite glyphs with their parts, under the
// new numbers; read back as a font it draws every glyph as the face does.
TEST(PdfFontSubset, KeepsEveryOutlineUnderItsNewNumber) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(100);
    const QRawFont face = QRawFont::fromFont(font);
    ASSERT_TRUE(face.isValid());
    frxpdf::FontSubset subset(face);
    ASSERT_TRUE(subset.Usable());
    const QString text = QStringLiteral("Äpfel kosten 12,50 € — ÅØ é");
    const QList<quint32> glyphs = face.glyphIndexesForString(text);
    QList<quint16> codes;
    for (qsizetype i = 0; i < glyphs.size(); ++i)
        codes << subset.Map(glyphs[i], QStringView(text).mid(i, 1));
    EXPECT_EQ(codes[0], 1) << "numbers start after .notdef";
    EXPECT_EQ(codes[text.indexOf(QLatin1Char('e'))], codes[text.lastIndexOf(QLatin1Char('e'))])
        << "a glyph drawn twice keeps its number";

    const QRawFont back(subset.FontFile(), 100);
    ASSERT_TRUE(back.isValid());
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        const QPainterPath want = face.pathForGlyph(glyphs[i]);
        const QPainterPath got = back.pathForGlyph(codes[i]);
        EXPECT_EQ(got.elementCount(), want.elementCount()) << "glyph of " << text.mid(i, 1).toStdString();
        EXPECT_EQ(got.boundingRect().toRect(), want.boundingRect().toRect())
            << "glyph of " << text.mid(i, 1).toStdString();
        const qreal advance =
            face.advancesForGlyphIndexes(QList<quint32>{glyphs[i]}, QRawFont::UseDesignMetrics)
                .value(0)
                .x();
        EXPECT_NEAR(subset.Width1000(codes[i]), advance * 10, 1)
            << "width of " << text.mid(i, 1).toStdString();
    }
    // The text of each glyph, for search and copy.
    const QByteArray cmap = subset.ToUnicode();
    EXPECT_TRUE(cmap.contains("<0001> <00C4>")) << cmap.constData();
    EXPECT_TRUE(cmap.contains("<20AC>"));
    EXPECT_TRUE(subset.BaseFont().endsWith("+LiberationSans"));
    EXPECT_EQ(subset.BaseFont().indexOf('+'), 6);
}

} // namespace
