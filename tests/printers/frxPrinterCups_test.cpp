// Printers on a real CUPS server: the private server that tools/cups.sh starts, with its PDF
// queue. `./dev test` starts it; by hand: eval "$(tools/cups.sh start)". Without it these
// tests fail: they are the proof that printing reaches a spooler.

#include "TestSupport.h"

#include "CupsTestSupport.h"

#include "platform/Canvas.h"
#include "platform/PrintService.h"
#include "printers/frxPrinter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class CupsPrinters : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ReadEnv(m_env));
        m_list = std::make_unique<TfrxPrinters>(platform::SystemPrintService());
        const int index = m_list->IndexOfPrinter(m_env.queue);
        ASSERT_GE(index, 0) << "queue " << m_env.queue.toStdString() << " is not listed";
        m_list->SelectPrinter(index);
        m_printer = dynamic_cast<TfrxPrinter*>(m_list->CurrentPrinter());
        ASSERT_NE(m_printer, nullptr);
    }

    CupsEnv m_env;
    std::unique_ptr<TfrxPrinters> m_list;
    TfrxPrinter* m_printer = nullptr;
};

TEST_F(CupsPrinters, TheQueueIsListedAsTheDefaultWithItsDeviceUri) {
    EXPECT_TRUE(m_list->HasPhysicalPrinters());
    EXPECT_EQ(m_list->DefaultPrinterName(), m_env.queue);
    // The queue is the server's default destination, so the list starts on it.
    TfrxPrinters fresh(platform::SystemPrintService());
    EXPECT_EQ(fresh.PrinterIndex(), fresh.IndexOfPrinter(m_env.queue));
    EXPECT_EQ(m_list->IndexOfPrinter(m_env.queue.toLower()), m_list->IndexOfPrinter(m_env.queue));
    EXPECT_TRUE(m_printer->Port().startsWith(QStringLiteral("cups-pdf:/sumdrill-")))
        << m_printer->Port().toStdString();
    for (int i = 0; i < m_list->Count(); ++i)
        EXPECT_EQ(dynamic_cast<TfrxVirtualPrinter*>(m_list->Item(i)), nullptr);
}

TEST_F(CupsPrinters, InitPrinterReadsPapersBinsResolutionAndMargins) {
    ASSERT_TRUE(m_printer->Initialized());
    EXPECT_EQ(m_printer->Dpi(), QPoint(300, 300)); // the queue's default resolution
    EXPECT_EQ(m_printer->DefaultPaper(), 9);
    EXPECT_EQ(m_printer->Paper(), 9);
    EXPECT_EQ(m_printer->DefaultOrientation(), poPortrait);
    EXPECT_EQ(m_printer->DefaultPaperWidth(), 210);
    EXPECT_EQ(m_printer->DefaultPaperHeight(), 297);
    // The queue's A4 leaves 12 pt at the sides and 18 pt at the top and bottom; each figure
    // is rounded on its own, so the right and bottom take what the rounding left over:
    // 210 - 201 (571 pt) - 4 and 297 - 284 (806 pt) - 6.
    EXPECT_EQ(m_printer->LeftMargin(), 4);
    EXPECT_EQ(m_printer->TopMargin(), 6);
    EXPECT_EQ(m_printer->RightMargin(), 5);
    EXPECT_EQ(m_printer->BottomMargin(), 7);

    const QList<TfrxNamedCode>& papers = m_printer->Papers();
    ASSERT_GT(papers.size(), 10);
    EXPECT_EQ(papers.first(), (TfrxNamedCode{QStringLiteral("Custom"), 256}));
    const int a4 = m_printer->PaperIndexOf(9);
    ASSERT_GT(a4, 0);
    EXPECT_EQ(papers[a4].Name, QStringLiteral("A4"));
    EXPECT_EQ(m_printer->PaperCodeOf(QStringLiteral("A4")), 9);
    // Code 1 is listed once, as US Letter, though the queue also knows ANSI A.
    ASSERT_GT(m_printer->PaperIndexOf(1), 0);
    EXPECT_EQ(papers[m_printer->PaperIndexOf(1)].Name, QStringLiteral("US Letter"));
    QList<int> seen;
    for (int i = 1; i < papers.size(); ++i) {
        EXPECT_NE(papers[i].Code, 256);
        EXPECT_NE(papers[i].Code, 0);
        EXPECT_FALSE(seen.contains(papers[i].Code)) << papers[i].Code;
        seen << papers[i].Code;
    }

    EXPECT_EQ(m_printer->Bins(),
              (QList<TfrxNamedCode>{{QStringLiteral("Default"), 7},
                                    {QStringLiteral("Upper Tray"), 1},
                                    {QStringLiteral("Manual Feed"), 4},
                                    {QStringLiteral("Tray 3"), 256}}));
}

TEST_F(CupsPrinters, SetViewPaperMeasuresTheQueuesSheets) {
    m_printer->SetViewPaper(9, poLandscape, 0, 0);
    EXPECT_EQ(m_printer->PaperWidth(), 297);
    EXPECT_EQ(m_printer->PaperHeight(), 210);
    const long double landscapeA4[] = {m_printer->LeftMargin(), m_printer->TopMargin(),
                                       m_printer->RightMargin(), m_printer->BottomMargin()};

    m_printer->SetViewPaper(1, poPortrait, 0, 0);
    EXPECT_EQ(m_printer->Paper(), 1);
    EXPECT_EQ(m_printer->PaperWidth(), 216); // 215.9 mm
    EXPECT_EQ(m_printer->PaperHeight(), 279);
    EXPECT_EQ(m_printer->LeftMargin(), 6); // 18 pt all round
    EXPECT_EQ(m_printer->TopMargin(), 6);

    // A custom size keeps the size given and takes A4's margins in that orientation.
    m_printer->SetViewPaper(256, poLandscape, 300, 200);
    EXPECT_EQ(m_printer->Paper(), 256);
    EXPECT_EQ(m_printer->Orientation(), poLandscape);
    EXPECT_EQ(m_printer->PaperWidth(), 300);
    EXPECT_EQ(m_printer->PaperHeight(), 200);
    EXPECT_EQ(m_printer->LeftMargin(), landscapeA4[0]);
    EXPECT_EQ(m_printer->TopMargin(), landscapeA4[1]);
    EXPECT_EQ(m_printer->RightMargin(), landscapeA4[2]);
    EXPECT_EQ(m_printer->BottomMargin(), landscapeA4[3]);
}

// Draws `sheets` sheets, each with its number, through the printer.
void PrintSheets(TfrxCustomPrinter* printer, const QList<std::pair<int, TPrinterOrientation>>& sheets) {
    for (int i = 0; i < sheets.size(); ++i) {
        printer->SetPrintPaper(sheets[i].first, sheets[i].second, 0, 0, 7, 1, 1);
        if (i == 0)
            printer->BeginDocument();
        printer->BeginPrinterPage();
        platform::Canvas* c = printer->Canvas()->Surface();
        ASSERT_NE(c, nullptr);
        platform::CanvasFont font;
        font.Height = 100; // 24 pt at 300 dpi
        c->SetFont(font);
        c->ExtTextOut(100, 200, QStringLiteral("Sheet%1").arg(i + 1), nullptr, nullptr, false);
        c->SetBrush({Qt::white, platform::BrushStyle::Clear});
        c->Rectangle({0, 0, 300, 300});
        printer->EndPrinterPage();
    }
    printer->EndDocument();
}

TEST_F(CupsPrinters, ADocumentOfThreeSheetsArrivesAsAPdfOfThreePages) {
    const QString title = UniqueTitle("doc");
    m_printer->SetTitle(title);
    PrintSheets(m_printer, {{11, poPortrait}, {11, poLandscape}, {9, poPortrait}});
    EXPECT_FALSE(m_printer->Printing());

    EXPECT_EQ(JobsTitled(m_env.queue, title), 1);
    const QString pdf = WaitForPdf(m_env, title);
    ASSERT_FALSE(pdf.isEmpty()) << "no PDF for " << title.toStdString() << " in "
                                << m_env.pdfOut.toStdString();
    const PdfInfo info = ReadPdf(pdf);
    EXPECT_EQ(info.pages, 3);
    // The job's media is the first sheet's paper, A5.
    ASSERT_EQ(info.sizes.size(), 3);
    EXPECT_NEAR(info.sizes[0].width(), 420, 1);
    EXPECT_NEAR(info.sizes[0].height(), 595, 1);
}

TEST_F(CupsPrinters, PrintingToAFileKeepsEachSheetsPaperAndSpoolsNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("out.prn"));
    const QString title = UniqueTitle("file");
    m_printer->SetTitle(title);
    m_printer->SetFileName(file);
    PrintSheets(m_printer, {{9, poPortrait}, {9, poLandscape}, {11, poPortrait}});
    const PdfInfo info = ReadPdf(file);
    EXPECT_EQ(info.pages, 3);
    ASSERT_EQ(info.sizes.size(), 3);
    EXPECT_NEAR(info.sizes[0].width(), 595, 1);
    EXPECT_NEAR(info.sizes[0].height(), 842, 1);
    EXPECT_NEAR(info.sizes[1].width(), 842, 1);
    EXPECT_NEAR(info.sizes[1].height(), 595, 1);
    EXPECT_NEAR(info.sizes[2].width(), 420, 1);
    EXPECT_NEAR(info.sizes[2].height(), 595, 1);
    EXPECT_EQ(JobsTitled(m_env.queue, title), 0);
    // The canvas's origin is the printable area's corner, 12 pt and 18 pt into an A4 sheet
    // of this queue; the text went 100 dots (24 pt at 300 dpi) to the right of it.
    const QPointF word = WordPosition(file, QStringLiteral("Sheet1"));
    EXPECT_NEAR(word.x(), 12 + 24, 3);
    EXPECT_GT(word.y(), 18);
    EXPECT_LT(word.y(), 18 + 72);
}

TEST_F(CupsPrinters, TheSheetSetUpReachesTheJob) {
    const QString title = UniqueTitle("setup");
    m_printer->SetTitle(title);
    // A5, the upper tray, two-sided along the long edge (duplex 2), two copies.
    m_printer->SetPrintPaper(11, poPortrait, 0, 0, 1, 2, 2);
    m_printer->BeginDocument();
    m_printer->BeginPrinterPage();
    platform::Canvas* canvas = m_printer->Canvas()->Surface();
    ASSERT_NE(canvas, nullptr);
    // Point sizes meet the printer's dots: the canvas has the queue's resolution.
    EXPECT_EQ(canvas->DpiY(), 300);
    canvas->DrawLine(QPoint(0, 0), QPoint(300, 300));
    m_printer->EndPrinterPage();
    m_printer->EndDocument();

    EXPECT_EQ(JobAttribute(m_env.queue, title, "media"), QStringLiteral("A5"));
    EXPECT_EQ(JobAttribute(m_env.queue, title, "InputSlot"), QStringLiteral("Upper"));
    EXPECT_EQ(JobAttribute(m_env.queue, title, "sides"), QStringLiteral("two-sided-long-edge"));
    EXPECT_EQ(JobAttribute(m_env.queue, title, "copies"), QStringLiteral("2"));
    EXPECT_FALSE(WaitForPdf(m_env, title).isEmpty());
}

TEST_F(CupsPrinters, AnAbortedDocumentSendsNothing) {
    const QString title = UniqueTitle("abort");
    m_printer->SetTitle(title);
    m_printer->SetPrintPaper(9, poPortrait, 0, 0, 7, 1, 1);
    m_printer->BeginDocument();
    m_printer->BeginPrinterPage();
    m_printer->Canvas()->Surface()->DrawLine(QPoint(0, 0), QPoint(300, 300));
    m_printer->EndPrinterPage();
    m_printer->AbortDocument();
    EXPECT_FALSE(m_printer->Printing());
    EXPECT_EQ(JobsTitled(m_env.queue, title), 0);
}

TEST_F(CupsPrinters, AQueueThatRefusesTheJobIsAnErrorNotASuccess) {
    auto run = [](const char* tool, const QString& queue) {
        QProcess p;
        p.start(QString::fromLatin1(tool), {queue});
        return p.waitForFinished(20000) && p.exitCode() == 0;
    };
    const QString title = UniqueTitle("refused");
    m_printer->SetTitle(title);
    m_printer->SetPrintPaper(9, poPortrait, 0, 0, 7, 1, 1);
    m_printer->BeginDocument();
    // The queue stops taking jobs while the document is drawn (one that already refuses them
    // is refused by BeginDocument).
    ASSERT_TRUE(run("cupsreject", m_env.queue));
    m_printer->BeginPrinterPage();
    m_printer->Canvas()->Surface()->DrawLine(QPoint(0, 0), QPoint(300, 300));
    m_printer->EndPrinterPage();
    QString message;
    try {
        m_printer->EndDocument();
    } catch (const TfrxPrinterException& e) {
        message = e.Message();
    }
    run("cupsaccept", m_env.queue);
    EXPECT_TRUE(message.startsWith(QStringLiteral("Cannot send data to ") + m_env.queue))
        << message.toStdString();
    EXPECT_GT(message.size(), (QStringLiteral("Cannot send data to ") + m_env.queue).size());
    EXPECT_FALSE(m_printer->Printing());
    EXPECT_EQ(JobsTitled(m_env.queue, title), 0);
}

TEST_F(CupsPrinters, AnUnwritableOutputFileIsAnErrorNotASilentLoss) {
    m_printer->SetFileName(QStringLiteral("/nonexistent-dir/out.prn"));
    m_printer->SetPrintPaper(9, poPortrait, 0, 0, 7, 1, 1);
    try {
        m_printer->BeginDocument();
        FAIL() << "BeginDocument succeeded";
    } catch (const TfrxPrinterException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot create file /nonexistent-dir/out.prn: "
                                              "No such file or directory"));
    }
    EXPECT_FALSE(m_printer->Printing());
}

TEST_F(CupsPrinters, ARawDocumentReachesTheQueueUnchanged) {
    // Raw bytes are in the printer's own language; the PDF queue's is PostScript. Two pages,
    // the second in A5, sent in two writes that split the first page.
    const QByteArray bytes =
        "%!PS-Adobe-3.0\n"
        "/Helvetica findfont 24 scalefont setfont\n"
        "100 700 moveto (raw one) show showpage\n"
        "<< /PageSize [420 595] >> setpagedevice\n"
        "100 400 moveto (raw two) show showpage\n";
    const QString title = UniqueTitle("raw");
    m_printer->SetTitle(title);
    m_printer->BeginRawDocument();
    m_printer->WriteRawData(bytes.left(50));
    m_printer->WriteRawData(bytes.mid(50));
    m_printer->EndRawDocument();

    const QString pdf = WaitForPdf(m_env, title);
    ASSERT_FALSE(pdf.isEmpty());
    const PdfInfo info = ReadPdf(pdf);
    EXPECT_EQ(info.pages, 2);
    ASSERT_EQ(info.sizes.size(), 2);
    EXPECT_NEAR(info.sizes[1].width(), 420, 1);
    EXPECT_NEAR(info.sizes[1].height(), 595, 1);
}

// With the server out of reach no printer is installed: only the virtual one is listed.
TEST(CupsWithoutServer, TheListHoldsOnlyTheVirtualPrinter) {
    CupsEnv env;
    ASSERT_TRUE(ReadEnv(env));
    QTemporaryDir dir;
    const QByteArray nowhere = QFile::encodeName(dir.filePath(QStringLiteral("no-server.sock")));
    qputenv("CUPS_SERVER", nowhere);
    cupsSetServer(nullptr); // forget the server libcups has already looked up
    TfrxPrinters list(platform::SystemPrintService());
    qputenv("CUPS_SERVER", env.server.toLocal8Bit());
    cupsSetServer(nullptr);

    EXPECT_FALSE(list.HasPhysicalPrinters());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Printers(), QStringList{QStringLiteral("Virtual")});
    EXPECT_NE(dynamic_cast<TfrxVirtualPrinter*>(list.CurrentPrinter()), nullptr);
    EXPECT_EQ(list.CurrentPrinter()->Dpi(), QPoint(600, 600));
}

} // namespace
