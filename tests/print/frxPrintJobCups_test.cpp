// Printing prepared pages on the private CUPS server's PDF queue, checked on the PDF: sheets,
// paper, and where the worksheet's ink lands. `./dev test` starts the server; by hand:
// eval "$(tools/cups.sh start)".

#include "TestSupport.h"
#include "PreparedPages.h"
#include "EngineParts.h"

#include "CupsTestSupport.h"
#include "PrintTestSupport.h"
#include "platform/CanvasPainter.h"
#include "platform/Error.h"
#include "platform/PrintService.h"
#include "store/frxPreviewPages.h"
#include "store/frxXMLSerializer.h"
#include "print/frxPrintDialog.h"
#include "print/frxPrintJob.h"
#include "printers/frxPrinter.h"
#include "print/frxProgress.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

class CupsPrintJob : public ::testing::Test {
protected:
    platform::RegistryScope services; // the print service the test chose goes with it

    void SetUp() override {
        ASSERT_TRUE(ReadEnv(env));
        UsePrintService(platform::SystemPrintService());
        const int queue = frxPrinters()->IndexOfPrinter(env.queue);
        ASSERT_GE(queue, 0);
        frxPrinters()->SelectPrinter(queue);
        report.PrintOptions()->SetShowDialog(false);
        store.SetEngine(&engine);
    }

    // The worksheet page prepared into the store the way the engine prepares it, `pages`
    // times.
    void PrepareWorksheet(int pages = 1) {
        PrepareInto(store, engine, AddWorksheetPage(report), pages);
    }

    CupsEnv env;
    TfrxReport report;
    PreparedEngine engine;
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

// --- faults: what the user sees, and that nothing is reported as printed ------------------------

// Runs a CUPS command line tool against the server in CUPS_SERVER; its output on failure.
QString Cups(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString::fromLocal8Bit(p.readAllStandardError());
    return QString();
}

QString SourceRoot() { return QDir(S(SUMDRILL_TEST_DATA "/../../..")).absolutePath(); }

class CupsPrintFaults : public CupsPrintJob {
protected:
    void SetUp() override {
        CupsPrintJob::SetUp();
        // A queue of its own, on the server's PDF backend, for each test to break.
        static int n = 0;
        queue = S("Sumdrill_Fault_%1_%2").arg(QCoreApplication::applicationPid()).arg(++n);
        const QString dir = env.server.section(QLatin1Char('/'), 0, -2);
        QFile tagFile(dir + S("/tag"));
        ASSERT_TRUE(tagFile.open(QIODevice::ReadOnly));
        const QString tag = QString::fromUtf8(tagFile.readAll()).trimmed();
        ASSERT_EQ(Cups(S("lpadmin"), {S("-p"), queue, S("-E"), S("-v"), S("cups-pdf:/") + tag,
                                      S("-P"), dir + S("/queue.ppd")}),
                  QString());
        UseQueue(queue);
        title = UniqueTitle("fault");
        report.ReportOptions()->SetName(title);
        report.PrintOptions()->SetCopies(2);
        report.OnAfterPrintReport = [this](TfrxReport*) { ++afterPrint; };
        PrepareWorksheet(3);
    }
    void TearDown() override {
        Cups(S("lpadmin"), {S("-x"), queue});
        CupsPrintJob::TearDown();
    }
    void UseQueue(const QString& name) {
        UsePrintService(platform::SystemPrintService());
        const int index = frxPrinters()->IndexOfPrinter(name);
        ASSERT_GE(index, 0) << name.toStdString();
        frxPrinters()->SelectPrinter(index);
    }

    // Prints as the preview's Print button does; the error box's text, empty when none.
    QString PrintAsTheButtonDoes(bool* printed = nullptr) {
        bool result = false;
        QString box;
        {
            CollectedErrors boxes;
            platform::Guarded([&] { result = frxPrintPreviewPages(store); });
            if (!boxes.texts.isEmpty())
                box = boxes.texts.last();
        }
        RecordProperty("box", box.toStdString()); // what the user read, in the XML report
        if (printed)
            *printed = result;
        return box;
    }
    // Nothing of the run reached the queue, and the options are as they were.
    void ExpectNothingPrinted(const QString& queueName) {
        EXPECT_EQ(JobsTitled(queueName, title), 0);
        EXPECT_FALSE(frxPrinters()->CurrentPrinter()->Printing());
        EXPECT_EQ(report.PrintOptions()->Copies(), 2);
        EXPECT_EQ(afterPrint, 1);
    }

    QString queue;
    QString title;
    int afterPrint = 0;
};

TEST_F(CupsPrintFaults, ADisabledQueue) {
    ASSERT_EQ(Cups(S("cupsdisable"), {S("-r"), S("Out of paper"), queue}), QString());
    EXPECT_EQ(PrintAsTheButtonDoes(),
              S("Cannot start printing on %1: the printer is stopped (Out of paper).").arg(queue));
    ExpectNothingPrinted(queue);
}

TEST_F(CupsPrintFaults, AQueueThatRejectsJobs) {
    ASSERT_EQ(Cups(S("cupsreject"), {S("-r"), S("Maintenance"), queue}), QString());
    EXPECT_EQ(PrintAsTheButtonDoes(),
              S("Cannot start printing on %1: the printer is not accepting jobs (Maintenance).")
                  .arg(queue));
    ExpectNothingPrinted(queue);
}

TEST_F(CupsPrintFaults, AJobTheServerRejectsWhileItIsDrawn) {
    // The queue stops accepting jobs after the document was begun: the pages are drawn, and
    // handing them over fails.
    int pages = 0;
    report.OnPrintPage = [this, &pages](TfrxReportPage*, int) {
        if (++pages == 2)
            Cups(S("cupsreject"), {queue});
    };
    const QString box = PrintAsTheButtonDoes();
    EXPECT_TRUE(box.startsWith(S("Cannot send data to %1: ").arg(queue))) << box.toStdString();
    EXPECT_TRUE(box.contains(S("not accepting jobs"))) << box.toStdString();
    ExpectNothingPrinted(queue);
}

TEST_F(CupsPrintFaults, AQueueDeletedAfterTheDialogClosed) {
    report.PrintOptions()->SetShowDialog(true);
    OnNextModal([this](QWidget* w) {
        ASSERT_NE(qobject_cast<TfrxPrintDialog*>(w), nullptr);
        ASSERT_EQ(Cups(S("lpadmin"), {S("-x"), queue}), QString());
        w->findChild<QPushButton*>(S("OkB"))->click();
    });
    EXPECT_EQ(PrintAsTheButtonDoes(),
              S("Cannot start printing on %1: The printer or class does not exist.").arg(queue));
    EXPECT_EQ(report.PrintOptions()->Copies(), 2);
    EXPECT_EQ(afterPrint, 1);
}

TEST_F(CupsPrintFaults, AMalformedPageRangeReachesNoPrinter) {
    report.PrintOptions()->SetPageNumbers(S("1,,3"));
    EXPECT_EQ(PrintAsTheButtonDoes(), S("'' is not a valid integer value."));
    ExpectNothingPrinted(queue);
    EXPECT_EQ(report.PrintOptions()->PageNumbers(), S("1,,3"));
}

TEST_F(CupsPrintFaults, CancelLeavesNoHalfJobInTheQueue) {
    // The user presses Cancel in the progress window while page 2 is being printed.
    QStringList messages;
    report.OnPrintPage = [this, &messages](TfrxReportPage*, int) {
        auto* window = dynamic_cast<TfrxProgress*>(report.Runtime().Progress.get());
        ASSERT_NE(window, nullptr);
        messages << window->Message();
        if (messages.size() == 2)
            QTimer::singleShot(0, window, [window] {
                QTest::mouseClick(window->CancelB(), Qt::LeftButton);
            });
    };
    bool printed = false;
    EXPECT_EQ(PrintAsTheButtonDoes(&printed), QString());
    EXPECT_TRUE(printed); // cancelled by the user, not failed
    EXPECT_EQ(messages, (QStringList{QString(), S("Printing page 1")}));
    EXPECT_EQ(JobsTitled(queue, title), 0);
    EXPECT_FALSE(frxPrinters()->CurrentPrinter()->Printing());
    EXPECT_EQ(report.Runtime().Progress, nullptr);
    EXPECT_EQ(report.PrintOptions()->Copies(), 2);
    EXPECT_EQ(afterPrint, 1);
}

// A server that was stopped after the printers were listed.
TEST_F(CupsPrintFaults, AStoppedServer) {
    QProcess start;
    start.start(S("bash"), {SourceRoot() + S("/tools/cups.sh"), S("start")});
    ASSERT_TRUE(start.waitForFinished(60000));
    ASSERT_EQ(start.exitCode(), 0) << start.readAllStandardError().toStdString();
    QString server, dir;
    for (const QString& line : QString::fromUtf8(start.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.startsWith(S("export CUPS_SERVER=")))
            server = line.section(QLatin1Char('='), 1);
        if (line.startsWith(S("export SUMDRILL_CUPS_DIR=")))
            dir = line.section(QLatin1Char('='), 1);
    }
    ASSERT_FALSE(server.isEmpty());
    const QByteArray ours = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", server.toLocal8Bit());
    cupsSetServer(nullptr);
    struct Back {
        QByteArray server;
        ~Back() {
            qputenv("CUPS_SERVER", server);
            cupsSetServer(nullptr);
        }
    } back{ours};

    UseQueue(env.queue);
    QProcess stop;
    stop.start(S("bash"), {SourceRoot() + S("/tools/cups.sh"), S("stop"), dir});
    ASSERT_TRUE(stop.waitForFinished(60000));
    ASSERT_EQ(stop.exitCode(), 0);

    const QString box = PrintAsTheButtonDoes();
    EXPECT_TRUE(box.startsWith(S("Cannot start printing on %1: the print server cannot be "
                                 "reached").arg(env.queue)))
        << box.toStdString();
    EXPECT_FALSE(frxPrinters()->CurrentPrinter()->Printing());
    EXPECT_EQ(report.PrintOptions()->Copies(), 2);
    EXPECT_EQ(afterPrint, 1);
}

} // namespace
