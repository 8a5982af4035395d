#include "export/frxExportPDF.h"

#include "platform/Error.h"
#include "platform/PrintService.h"
#include "export/frxExportPDF_p.h"
#include "store/frxPreviewPages.h"
#include "report/frxClass.h"
#include "resources/frxRes.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

using namespace frxClass;

namespace {

QString Q(const char* s) { return QString::fromUtf8(s); }

// The filters' own texts, added to the message table when they are installed.
void AddTexts() {
    TfrxResources* res = frxResources();
    const struct {
        const char* key;
        const char* text;
    } texts[] = {
        {"expPdfFile", "PDF file..."},
        {"expPdfFilter", "PDF files (*.pdf)"},
        {"expNoPages", "There are no pages to export"},
        {"expNoFile", "No file name was given for the export"},
        {"expBadPage", "Page %d does not exist"},
        {"expCannotWrite", "Cannot write the file \"%s\": %s"},
    };
    for (const auto& t : texts)
        if (!res->Contains(Q(t.key)))
            res->Add(Q(t.key), Q(t.text));
}

[[noreturn]] void CannotWrite(const QString& fileName, const QString& why) {
    throw platform::Error(
        frxFillIn(frxGet(Q("expCannotWrite")), {QDir::toNativeSeparators(fileName), why}));
}

// The paper of a prepared page in points, as oriented (a landscape page is wider than high).
QSizeF PaperOf(const TfrxReportPage* page) {
    const double pt = 72.0 / 25.4;
    return QSizeF(double(page->PaperWidth()) * pt, double(page->PaperHeight()) * pt);
}

// The report's progress operations for exporting: its events, and its progress window with
// "Exporting page %d", whose Cancel sets the report's Terminated flag.
class Progress {
public:
    Progress(TfrxReport* report, const std::function<bool(int)>& callback)
        : m_report(report), m_callback(callback) {
        if (m_report) {
            m_report->Terminated = false;
            m_report->ProgressStart(ptExporting);
        }
    }
    ~Progress() {
        if (m_report)
            m_report->ProgressStop(ptExporting);
    }
    // False when the user cancelled.
    bool Step(int pageNo) {
        if (m_callback && !m_callback(pageNo))
            return false;
        if (m_report) {
            m_report->ProgressStep(ptExporting, pageNo);
            if (m_report->Terminated)
                return false;
        }
        return true;
    }

private:
    TfrxReport* m_report;
    const std::function<bool(int)>& m_callback;
};

} // namespace

QString TfrxPDFExport::Description() const {
    AddTexts();
    return frxGet(Q("expPdfFile"));
}

QString TfrxPDFExport::FileFilter() const {
    AddTexts();
    return frxGet(Q("expPdfFilter"));
}

bool TfrxPDFExport::Export(TfrxPreviewPages& pages) {
    AddTexts();
    if (FileName.isEmpty())
        throw platform::Error(frxGet(Q("expNoFile")));
    const int count = pages.PageCount();
    QList<int> indexes = Pages;
    if (indexes.isEmpty())
        for (int i = 0; i < count; ++i)
            indexes.append(i);
    for (int i : indexes)
        if (i < 0 || i >= count)
            throw platform::Error(frxGet(Q("expBadPage")).replace(Q("%d"), QString::number(i + 1)));
    if (indexes.isEmpty())
        throw platform::Error(frxGet(Q("expNoPages")));

    TfrxReportPage* first = pages.BuildPage(indexes.front());
    if (!first)
        throw platform::Error(frxGet(Q("expNoPages")));
    QString title = Title;
    if (title.isEmpty() && pages.Report)
        title = pages.Report->ReportOptions()->Name();

    // Written beside the target under a temporary name and renamed when complete: a failure or
    // a cancel leaves no half-written file and an older file of that name untouched.
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        CannotWrite(FileName, file.errorString());

    // Text objects draw at the scale the store hands them; exporting is not printing on a
    // shrunk sheet.
    struct KeepScale {
        TfrxPreviewPages& pages;
        long double scale;
        ~KeepScale() { pages.PrintScale = scale; }
    } keepScale{pages, pages.PrintScale};
    pages.PrintScale = 1;

    bool cancelled = false;
    {
        frxpdf::Writer writer(&file);
        writer.SetInfo(title, Author, Subject, Creator);
        frxpdf::Canvas canvas(writer, Resolution);
        Progress progress(pages.Report, OnProgress);
        const long double scale = Resolution / 96.0L;
        for (qsizetype k = 0; k < indexes.size(); ++k) {
            if (!progress.Step(int(k) + 1)) {
                cancelled = true;
                break;
            }
            const int index = indexes[k];
            const TfrxReportPage* page = pages.BuildPage(index);
            writer.BeginPage(page ? PaperOf(page) : PaperOf(first), Resolution);
            canvas.PageStarted();
            pages.RenderPage(index, &canvas, scale, scale, 0, 0);
            writer.EndPage();
            if (writer.Failed())
                break;
        }
        if (!cancelled && !writer.Finish())
            CannotWrite(FileName, file.errorString());
    }
    if (cancelled) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        CannotWrite(FileName, file.errorString());
    return true;
}

namespace {

// The printed document: the same writer and canvas as the export, one sheet per page.
class PrintedDocument final : public platform::PdfDocument {
public:
    PrintedDocument(QIODevice* out, const QString& title) : m_writer(out) {
        m_writer.SetInfo(title, QString(), QString(), QStringLiteral("Sumdrill"));
    }
    platform::Canvas* BeginSheet(QSizeF sizePt, int dpi, QPoint originDots) override {
        if (!m_canvas || m_dpi != dpi) {
            m_canvas = std::make_unique<frxpdf::Canvas>(m_writer, dpi);
            m_dpi = dpi;
        }
        m_writer.BeginPage(sizePt, dpi, originDots);
        m_canvas->PageStarted();
        return m_canvas.get();
    }
    void EndSheet() override { m_writer.EndPage(); }
    bool Finish() override { return m_writer.Finish() && !m_writer.Failed(); }

private:
    frxpdf::Writer m_writer;
    std::unique_ptr<frxpdf::Canvas> m_canvas;
    int m_dpi = 0;
};

} // namespace

std::unique_ptr<platform::PdfDocument> frxCreatePrintedDocument(QIODevice* out,
                                                                const QString& title) {
    return std::make_unique<PrintedDocument>(out, title);
}

bool frxExportPreviewPages(TfrxPreviewPages& pages, TfrxCustomExportFilter& filter) {
    return filter.Export(pages);
}

bool frxHasPDFExport() { return frxHasExportHandler(); }
