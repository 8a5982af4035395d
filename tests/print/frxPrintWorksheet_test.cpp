// The worksheet from "打印预览" to paper: the worksheet window's own template and value callback,
// the real engine and preview window, the preview's Print and Page Settings buttons with the
// print job installed as at start-up. The CUPS tests print to the private server's PDF queue
// (eval "$(tools/cups.sh start)") and read the PDF back with poppler's tools.

#include "TestSupport.h"
#include "EngineParts.h"
#include "WorksheetPreview.h"

#include "CupsTestSupport.h"
#include "PrintTestSupport.h"
#include "common/U_Common.h"
#include "platform/Error.h"
#include "platform/GbkCodec.h"
#include "platform/PrintService.h"
#include "platform/PrintServiceRecording.h"
#include "export/frxExportPDF.h"
#include "preview/frxPreview.h"
#include "preview/frxPreviewForm.h"
#include "store/frxPreviewPages.h"
#include "print/frxPreviewPageSettings.h"
#include "print/frxPrintDialog.h"
#include "print/frxPrintDialog_p.h"
#include "print/frxPrintJob.h"
#include "printers/frxPrinter.h"
#include "report/frxClass.h"
#include "worksheet/U_Shengcheng.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace frxClass;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

class WorksheetPrinting : public ::testing::Test {
protected:
    void SetUp() override {
        StartWorksheetSettings(100, 0).ShowAnswers = true;
        window = std::make_unique<Tfrm_Shengcheng>();
        window->frxReport1()->PreviewOptions()->SetMaximized(false);
    }
    void TearDown() override { window.reset(); }

    CollectedErrors boxes;
    QStringList& errors = boxes.texts;
    startup::EngineScope printing{startup::Printing};

    // Shows the worksheet window, presses "打印预览" and runs `inPreview` once the preview shows
    // the prepared page; then closes both windows.
    void InPreview(const std::function<void(TfrxPreviewForm*)>& inPreview) {
        PreviewWorksheet(*window, {}, inPreview);
    }

    // The problems of the first `n` slots as the printed columns show them.
    QStringList Problems(int n) const {
        QStringList problems;
        for (int slot = 1; slot <= n; ++slot)
            problems << platform::FromGbk(window->Sheet().AnswerText(slot)).trimmed();
        return problems;
    }

    std::unique_ptr<Tfrm_Shengcheng> window;
};

// Runs `action` on the next modal window of class T (the preview itself is modal too).
template <class T> void OnModal(std::function<void(T*)> action, int tries = 400) {
    QTimer::singleShot(10, [action, tries] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            action(w);
            return;
        }
        if (tries > 0)
            OnModal<T>(action, tries - 1);
    });
}

QString WithoutBlanks(QString text) {
    text.remove(QRegularExpression(S("\\s")));
    return text;
}

// --- Page Settings for all pages prepares the worksheet again ---------------------------------

TEST_F(WorksheetPrinting, PageSettingsForAllPagesPrepareTheWorksheetAgainOnTheNewPaper) {
    auto service = std::make_shared<platform::RecordingPrintService>();
    service->AddPrinter(platform::RecordingPrintService::MakePrinter(S("Office")));
    service->SetDefaultPrinter(S("Office"));
    UsePrintService(service);

    int asked = 0;
    InPreview([&](TfrxPreviewForm* form) {
        TfrxPreview* preview = form->Preview();
        TfrxCustomPreviewPages* pages = preview->PreviewPages();
        const QPoint before = pages->PageSizeOf(0);
        ASSERT_LT(before.x(), before.y()) << "A4 portrait to begin with";
        const QSize onScreen = preview->Workspace()->PageRectInView(0).size();
        window->frxReport1()->OnGetValue = [&, previous = window->frxReport1()->OnGetValue](
                                               const QString& name, Variant& value) {
            ++asked;
            previous(name, value);
        };
        ASSERT_TRUE(form->PageSettingsB->isEnabled()) << form->PageSettingsB->toolTip().toStdString();
        OnModal<TfrxPageSettingsForm>([](TfrxPageSettingsForm* settings) {
            settings->LandscapeRB->setChecked(true);
            settings->PortraitRBClick();
            settings->ApplyToAllRB->setChecked(true);
            settings->OKB->click();
        });
        form->PageSettingsB->trigger();
        QApplication::processEvents();

        EXPECT_EQ(asked, 7) << "each of the seven texts was evaluated again";
        EXPECT_FALSE(preview->Busy()) << "the preview is idle again after preparing in place";
        EXPECT_TRUE(form->PrintB->isEnabled());
        EXPECT_EQ(preview->PageCount(), 1);
        TfrxReportPage* page = pages->BuildPage(0);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->Orientation(), poLandscape);
        EXPECT_NEAR(double(page->PaperWidth()), 297, 0.01);
        EXPECT_NEAR(double(page->PaperHeight()), 210, 0.01);
        EXPECT_EQ(pages->PageSizeOf(0), QPoint(before.y(), before.x()));
        // The preview lays the new page out: as wide as the old one was tall.
        const QSize now = preview->Workspace()->PageRectInView(0).size();
        EXPECT_NEAR(now.width(), onScreen.height(), 2);
        EXPECT_NEAR(now.height(), onScreen.width(), 2);
        // The template keeps the paper for the next press.
        auto* templatePage = qobject_cast<TfrxReportPage*>(window->frxReport1()->Pages(1));
        ASSERT_NE(templatePage, nullptr);
        EXPECT_EQ(templatePage->Orientation(), poLandscape);
    });
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
}

// --- printed on the private CUPS server -------------------------------------------------------

class CupsWorksheet : public WorksheetPrinting {
protected:
    void SetUp() override {
        ASSERT_TRUE(ReadEnv(env));
        WorksheetPrinting::SetUp();
        UsePrintService(platform::SystemPrintService());
        const int queue = frxPrinters()->IndexOfPrinter(env.queue);
        ASSERT_GE(queue, 0);
        frxPrinters()->SelectPrinter(queue);
    }

    // The PDF the queue wrote since `before` was listed (empty after 60 s).
    QString NewPdf(const QSet<QString>& before) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 60000) {
            if (ActiveJobs(env.queue) == 0) {
                for (const QString& f :
                     QDir(env.pdfOut).entryList({S("*.pdf")}, QDir::Files))
                    if (!before.contains(f))
                        return QDir(env.pdfOut).filePath(f);
            }
            QThread::msleep(100);
        }
        return QString();
    }
    QSet<QString> PdfsNow() const {
        const QStringList files = QDir(env.pdfOut).entryList({S("*.pdf")}, QDir::Files);
        return QSet<QString>(files.begin(), files.end());
    }

    CupsEnv env;
};

TEST_F(CupsWorksheet, ThePreviewsPrintButtonPrintsThePreparedWorksheet) {
    const QSet<QString> before = PdfsNow();
    const int jobBefore = LastJobId(env.queue);
    QString dialogPrinter;
    bool printed = false;
    QTemporaryDir exportDir;
    const QString exported = exportDir.filePath(S("sheet.pdf"));
    InPreview([&](TfrxPreviewForm* form) {
        ASSERT_TRUE(form->PrintB->isEnabled()) << form->PrintB->toolTip().toStdString();
        // The same page through the program's PDF export, for the look on paper.
        auto* store = dynamic_cast<TfrxPreviewPages*>(window->frxReport1()->Runtime().PreviewPages());
        ASSERT_NE(store, nullptr);
        TfrxPDFExport pdfExport;
        pdfExport.FileName = exported;
        ASSERT_TRUE(pdfExport.Export(*store));
        OnModal<TfrxPrintDialog>([&](TfrxPrintDialog* dialog) {
            dialogPrinter = dialog->PrintersCB->currentText();
            dialog->OkB->click();
        });
        form->PrintB->trigger();
        printed = true;
        EXPECT_TRUE(form->isEnabled()) << "the preview is given back after printing";
    });
    ASSERT_TRUE(printed);
    EXPECT_EQ(dialogPrinter, env.queue);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();

    const QString pdf = NewPdf(before);
    ASSERT_FALSE(pdf.isEmpty()) << "the queue wrote no PDF";
    const int job = LastJobId(env.queue);
    ASSERT_GT(job, jobBefore);

    // The paper: one A4 portrait sheet with the title and five columns where the template
    // puts them.
    const PdfInfo info = ReadPdf(pdf);
    EXPECT_EQ(info.pages, 1);
    ASSERT_EQ(info.sizes.size(), 1);
    EXPECT_NEAR(info.sizes[0].width(), 595.3, 1); // A4 portrait, points
    EXPECT_NEAR(info.sizes[0].height(), 841.9, 1);
    constexpr int dpi = 150;
    const QImage sheet = RasterisePdf(pdf, 1, dpi);
    ASSERT_FALSE(sheet.isNull());
    const QRectF title = InkBoxMM(sheet, dpi, QRectF(60, 15, 100, 18));
    ASSERT_FALSE(title.isEmpty()) << "no title on the paper";
    EXPECT_NEAR(title.left(), 69.5, 1);
    EXPECT_NEAR(title.top(), 21.5, 1);
    const QRectF header = InkBoxMM(sheet, dpi, QRectF(10, 40, 195, 10));
    EXPECT_NEAR(header.left(), 15.5, 1) << "the header line";
    for (int c = 0; c < 5; ++c) {
        const QRectF column = InkBoxMM(sheet, dpi, QRectF(5 + 40 * c, 51, 40, 230));
        ASSERT_FALSE(column.isEmpty()) << "column " << c + 1;
        EXPECT_NEAR(column.top(), 53.5, 1) << "column " << c + 1;
        EXPECT_LT(column.right(), 45 + 40 * c) << "column " << c + 1;
        // Twenty lines of 19 px text with 20 px spacing end about 252 mm from the top; nineteen
        // would end about 10 mm higher.
        EXPECT_GT(column.bottom(), 246) << "column " << c + 1;
        EXPECT_LT(column.bottom(), 258) << "column " << c + 1;
    }

    // The look: the bold title and header carry the ink they carry in the PDF export (the
    // Chinese face has no bold style; the paper must embolden it as the screen and the export
    // do), within 15 %.
    constexpr int inkDpi = 300;
    const QImage paper = RasterisePdf(pdf, 1, inkDpi);
    const QImage reference = RasterisePdf(exported, 1, inkDpi);
    ASSERT_FALSE(reference.isNull());
    const struct {
        const char* name;
        QRectF areaMM;
    } bold[] = {{"title", QRectF(60, 15, 100, 18)}, {"header", QRectF(10, 40, 195, 10)}};
    for (const auto& b : bold) {
        const double onPaper = InkMM(paper, inkDpi, b.areaMM);
        const double exportedInk = InkMM(reference, inkDpi, b.areaMM);
        ASSERT_GT(exportedInk, 0) << b.name;
        EXPECT_NEAR(onPaper / exportedInk, 1.0, 0.15)
            << b.name << ": paper " << onPaper << ", export " << exportedInk;
    }

    // The text: the queue's PDF went through PostScript and lost the fonts' character codes
    // (pdftotext reads no words from it), so it is read from the document the program sent.
    const QString text = WithoutBlanks(PdfText(SentDocument(env, job)));
    ASSERT_FALSE(text.isEmpty()) << "no text in the document sent for job " << job;
    EXPECT_TRUE(text.contains(S("数学运算练习"))) << text.toStdString();
    EXPECT_TRUE(text.contains(S("题数：100"))) << text.toStdString();
    for (const QString& problem : Problems(5) + QStringList{Problems(100).last()})
        EXPECT_TRUE(text.contains(WithoutBlanks(problem)))
            << problem.toStdString() << " is not on the paper";
    EXPECT_EQ(text.count(QLatin1Char('=')), 100) << "every problem is printed once";
}

} // namespace
