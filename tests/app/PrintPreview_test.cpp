// The whole road from the worksheet window's "打印预览" to a painted page: the real store, engine
// and preview window, offscreen. The page is measured on the rendered image against the
// template's positions at zoom 1 and zoom 2. With SUMDRILL_PREVIEW_PNG set to a directory, the
// images are written there for a look.

#include "TestSupport.h"
#include "EngineParts.h"
#include "ReadBack.h"
#include "WorksheetPreview.h"
#include "common/PdfTools.h"

#include "common/U_Common.h"
#include "platform/CanvasRecording.h"
#include "platform/GbkCodec.h"
#include "preview/frxPreview.h"
#include "preview/frxPreviewFiles.h"
#include "store/frxPreviewPages.h"
#include "preview/frxPreviewForm.h"
#include "report/frxClass.h"
#include "worksheet/U_Shengcheng.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QFileInfo>
#include <QRegularExpression>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace frxClass;

namespace {

bool Dark(QRgb c) { return qGray(c) < 128; }

// Ink bounds of the dark pixels inside `area` of `image`; empty when there are none.
QRect Ink(const QImage& image, const QRect& area) {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    const QRect a = area.intersected(image.rect());
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            if (Dark(image.pixel(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return left > right ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Width of a record's characters up to its last one that is not a blank.
int InkedWidth(const platform::CanvasRecord& r) {
    int last = static_cast<int>(r.Text.size()) - 1;
    while (last >= 0 && (r.Text[last] == QLatin1Char(' ') || r.Text[last] == QLatin1Char('\r')))
        --last;
    int w = 0;
    for (int i = 0; i <= last && i < static_cast<int>(r.Advances.size()); ++i)
        w += r.Advances[static_cast<std::size_t>(i)];
    return w;
}

class PrintPreview : public ::testing::Test {
protected:
    CollectedErrors boxes;
    QStringList& errors = boxes.texts;
    Tfrm_Shengcheng window;

    void SetUp() override {
        StartWorksheetSettings(100, 7, 2).ShowAnswers = true;
        window.frxReport1()->PreviewOptions()->SetMaximized(false);
    }

    // Shows the worksheet window; `beforePress` runs in it, then "打印预览" is pressed and
    // `inPreview` runs once the preview shows a prepared page; then both windows close.
    void Press(const std::function<void()>& beforePress,
               const std::function<void(TfrxPreviewForm*)>& inPreview) {
        PreviewWorksheet(window, beforePress, inPreview);
    }
};

} // namespace

TEST_F(PrintPreview, ButtonOpensThePreviewAndThePageArrivesAfterTheTimer) {
    QElapsedTimer clock;
    qint64 openedAt = -1;
    bool emptyWhenOpened = false;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TfrxPreviewForm*>(QApplication::activeModalWidget());
        if (form && openedAt < 0) {
            openedAt = clock.elapsed();
            emptyWhenOpened = form->Preview()->PageCount() == 0;
            watch.stop();
        }
    });
    Press([&] {
              clock.start();
              watch.start();
          },
          [&](TfrxPreviewForm* form) {
              EXPECT_TRUE(emptyWhenOpened) << "the window is on screen before any page exists";
              EXPECT_EQ(form->Preview()->PageCount(), 1);
              EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Page 1 of 1"));
              EXPECT_EQ(form->CancelB->text(), QStringLiteral("Close"));
              EXPECT_EQ(form->Preview()->Zoom(), 1.0L);
              EXPECT_TRUE(form->isModal());
          });
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(window.frxReport1()->Runtime().Preview, nullptr)
        << "the closed window's control no longer receives the report's progress";
}

TEST_F(PrintPreview, PageGeometryMatchesTheTemplateAtZoomOneAndTwo) {
    const char* dir = std::getenv("SUMDRILL_PREVIEW_PNG");
    Press({}, [&](TfrxPreviewForm* form) {
        TfrxPreview* preview = form->Preview();
        TfrxCustomPreviewPages* pages = preview->PreviewPages();
        // Room for the whole page at zoom 2.
        form->resize(1800, 2500);
        QApplication::processEvents();
        ASSERT_NE(pages->BuildPage(0), nullptr);
        // Positions come from the template, not from the prepared objects.
        TfrxPage* page = window.frxReport1()->Pages(1);
        for (long double zoom : {1.0L, 2.0L}) {
            preview->ApplyZoom(zoom);
            QApplication::processEvents();
            TfrxPreviewWorkspace* ws = preview->Workspace();
            // Bring the page's top into view, then take what the screen shows.
            ws->SetVertPosition(0);
            const QRect paper = ws->PageRectInView(0);
            const QImage shot = ws->viewport()->grab().toImage();
            if (dir)
                shot.save(QDir(QString::fromLocal8Bit(dir))
                              .filePath(QStringLiteral("preview-zoom%1.png").arg(int(zoom))));
            platform::RecordingCanvas rec;
            pages->RenderPage(0, &rec, zoom, zoom, paper.left(), paper.top());

            for (TfrxComponent* c : page->Objects()) {
                auto* memo = qobject_cast<TfrxMemoView*>(c);
                ASSERT_NE(memo, nullptr);
                const QString name = memo->Name();
                // The memo's rectangle on screen from the template's numbers, rounded to device
                // pixels as text objects round their rectangles (the right edge inclusive).
                const int left = qRound(double(paper.left() + memo->Left() * zoom));
                const int top = qRound(double(paper.top() + memo->Top() * zoom));
                const int right =
                    qRound(double(paper.left() + (memo->Left() + memo->Width()) * zoom)) + 1;
                const int gapX = qRound(double(memo->GapX() * zoom));
                const int gapY = qRound(double(memo->GapY() * zoom));
                std::vector<const platform::CanvasRecord*> runs;
                for (const platform::CanvasRecord* r : rec.TextRecords())
                    if (r->Origin.x() >= left - 1 && r->Origin.x() <= right + 1 &&
                        r->Origin.y() >= top - 1 && r->Origin.y() <= top + memo->Height() * zoom)
                        runs.push_back(r);
                ASSERT_FALSE(runs.empty()) << name.toStdString() << " drew no text";
                const platform::CanvasRecord& first = *runs.front();
                // Text starts GapY below the memo's top; the title and header start GapX in.
                EXPECT_NEAR(first.Origin.y(), top + gapY, 1.0)
                    << name.toStdString() << " top at zoom " << double(zoom);
                const int cellHeight = rec.TextRecords().front()->Bounds.Height();
                const QRect cell(first.Origin.x(), first.Origin.y(), InkedWidth(first),
                                 std::max(cellHeight, first.Bounds.Height()));
                const QRect ink = Ink(shot, cell.adjusted(-3, -3, 3, 3));
                ASSERT_FALSE(ink.isEmpty()) << name.toStdString() << " is not on the screen";
                EXPECT_GE(ink.top(), cell.top() - 1) << name.toStdString();
                if (memo->HAlign() == haRight) {
                    // Columns: every line ends GapX inside the memo's right edge (its trailing
                    // blanks included); the digits' ink ends where the blanks begin.
                    for (const platform::CanvasRecord* r : runs) {
                        int total = 0;
                        for (int a : r->Advances)
                            total += a;
                        EXPECT_NEAR(r->Origin.x() + total, right - gapX, 1.0)
                            << name.toStdString() << " line " << r->Text.toStdString()
                            << " at zoom " << double(zoom) << ", paper left " << paper.left();
                    }
                    EXPECT_NEAR(ink.right() + 1, cell.left() + InkedWidth(first), 1.0 + zoom)
                        << name.toStdString() << " ink right edge at zoom " << double(zoom);
                } else {
                    EXPECT_NEAR(first.Origin.x(), left + gapX, 1.0)
                        << name.toStdString();
                    EXPECT_NEAR(ink.left(), cell.left(), 1.0 + zoom) << name.toStdString();
                }
            }
        }
    });
}

TEST_F(PrintPreview, ShowResultsBeforePressingChangesThePrintedColumnsNotTheProblems) {
    // Two presses in one showing (a new showing would draw a new sheet): with the answers, then
    // with "显示结果" switched off.
    auto texts = [](TfrxPreviewForm* form) {
        platform::RecordingCanvas rec;
        form->Preview()->PreviewPages()->RenderPage(0, &rec, 1, 1, 0, 0);
        QString all;
        for (const platform::CanvasRecord* r : rec.TextRecords())
            all += r->Text + QLatin1Char('|');
        return all;
    };
    QString printed[2];
    QByteArray question, answer, questionAfter;
    bool ran = false;
    QTimer::singleShot(0, [&] {
        int press = 0;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* form = qobject_cast<TfrxPreviewForm*>(QApplication::activeModalWidget());
            if (!form || form->Preview()->Busy() || form->Preview()->PageCount() == 0)
                return;
            printed[press] = texts(form);
            form->close();
        });
        poll.start();
        question = window.Sheet().QuestionText(1);
        answer = window.Sheet().AnswerText(1);
        window.btn_print->click();
        press = 1;
        window.chk_showall->click();
        window.btn_print->click();
        questionAfter = window.Sheet().QuestionText(1);
        ran = true;
        window.btn_Frm2exit->click();
    });
    window.ShowModal();
    ASSERT_TRUE(ran);
    EXPECT_EQ(question, questionAfter) << "no new problems were drawn";
    const QString withAnswer = platform::FromGbk(answer).trimmed();
    EXPECT_TRUE(printed[0].contains(withAnswer)) << printed[0].toStdString();
    EXPECT_FALSE(printed[1].contains(withAnswer)) << printed[1].toStdString();
    EXPECT_TRUE(printed[1].contains(platform::FromGbk(question).trimmed()));
}

// The words of a text, sorted: a PDF reader may order lines differently, never change words.
QStringList SortedWords(const QString& text) {
    QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    words.sort();
    return words;
}

TEST_F(PrintPreview, ExportWritesThePreparedPageTheWindowShows) {
    QTemporaryDir dir;
    // The quick button and the Export menu's "PDF file..." go the same way.
    struct Route {
        const char* name;
        std::function<void(TfrxPreviewForm*)> press;
    } routes[] = {
        {"pdf-button", [](TfrxPreviewForm* form) { form->PdfB->trigger(); }},
        {"export-menu",
         [](TfrxPreviewForm* form) {
             const QList<QAction*> items = form->ExportB->menu()->actions();
             ASSERT_FALSE(items.isEmpty());
             EXPECT_EQ(items.first()->text(), QStringLiteral("PDF file..."));
             items.first()->trigger();
         }},
    };
    for (const Route& route : routes) {
        const QString file = dir.filePath(QString::fromUtf8(route.name)); // the filter adds .pdf
        QString shown;
        Press({}, [&](TfrxPreviewForm* form) {
            ASSERT_TRUE(form->PdfB->isVisible() && form->PdfB->isEnabled());
            platform::RecordingCanvas rec;
            form->Preview()->PreviewPages()->RenderPage(0, &rec, 1, 1, 0, 0);
            for (const platform::CanvasRecord* r : rec.TextRecords())
                shown += r->Text + QLatin1Char('\n');
            form->AskFileName = [&](const QString& filter, const QString&) {
                EXPECT_TRUE(filter.contains(QStringLiteral("*.pdf"))) << filter.toStdString();
                return file;
            };
            route.press(form);
        });
        const QString pdf = file + QStringLiteral(".pdf");
        ASSERT_TRUE(QFileInfo::exists(pdf)) << route.name;
        EXPECT_EQ(pdftools::PageCount(pdf), 1) << route.name;
        const std::vector<QSizeF> sizes = pdftools::PageSizes(pdf);
        ASSERT_EQ(sizes.size(), 1u);
        EXPECT_NEAR(sizes[0].width(), 595.3, 0.5) << "A4 portrait";
        EXPECT_NEAR(sizes[0].height(), 841.9, 0.5);
        // Every word the preview's page draws is in the file, and nothing else: the title, the
        // header and this sheet's hundred problems with their answers.
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_TRUE(shown.contains(QStringLiteral("数  学  运  算  练  习")));
        // In reading order as drawn (the layout mode closes up narrow blanks between digits).
        const QString read =
            pdftools::Run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf, QStringLiteral("-")});
        EXPECT_EQ(SortedWords(read), SortedWords(shown))
            << route.name << "\nshown:\n" << shown.toStdString() << "\nin the file:\n" << read.toStdString();
        for (const pdftools::Font& f : pdftools::Fonts(pdf))
            EXPECT_TRUE(f.Embedded && f.Subset && f.Unicode) << f.Name.toStdString();
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(PrintPreview, ASavedWorksheetOpensInANewReportAndPrintsTheSame) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("口算.pgx"));
    QStringList printed;
    QByteArray question;
    Press([&] { question = window.Sheet().QuestionText(1); },
          [&](TfrxPreviewForm* form) {
              printed = PrintedSheet(*form->Preview()->PreviewPages(), 0);
              frxSaveToFile(form->Preview(), file); // what the Save button does after its dialog
          });
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_FALSE(printed.isEmpty());
    ASSERT_FALSE(printed.filter(platform::FromGbk(question).trimmed()).isEmpty())
        << "the sheet's first problem is printed";
    const QByteArray bytes = ReadFileBytes(file);
    ASSERT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?><preparedreport>"));

    // Another report, as in a later run of the program: no worksheet, no template, no callback.
    TfrxReport other;
    TfrxCustomPreviewPages* opened = other.Runtime().PreviewPages();
    ASSERT_NE(opened, nullptr);
    ASSERT_TRUE(opened->ReadFromFile(file, true));
    ASSERT_EQ(opened->PageCount(), 1);
    EXPECT_EQ(PrintedSheet(*opened, 0), printed);
    // And it saves as it was read.
    const QString again = dir.filePath(QStringLiteral("again.pgx"));
    opened->WriteToFile(again);
    EXPECT_TRUE(ReadFileBytes(again) == bytes);
}
