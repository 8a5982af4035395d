#include "print/frxPrintJob.h"

#include "platform/Error.h"
#include "preview/frxPreview.h"
#include "store/frxPreviewPages.h"
#include "print/frxPreviewPageSettings.h"
#include "print/frxPrintDialog.h"
#include "printers/frxPrinter.h"
#include "report/frxClass.h"
#include "report/frxRuntime.h"
#include "resources/frxRes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>
#include <cmath>

using namespace frxClass;

namespace {

// Whole millimetres, halves to even, as the set-up comparison has always rounded.
long RoundMM(long double mm) {
    if (!std::isfinite(mm))
        return 0;
    return static_cast<long>(std::nearbyint(std::clamp(mm, -1e9L, 1e9L)));
}

// The report's print options, kept for the length of one run.
struct OptionsCopy {
    explicit OptionsCopy(const TfrxPrintOptions& o)
        : Copies(o.Copies()), Collate(o.Collate()), PageNumbers(o.PageNumbers()),
          Printer(o.Printer()), PrintMode(o.PrintMode()), PrintOnSheet(o.PrintOnSheet()),
          PrintPages(o.PrintPages()), Reverse(o.Reverse()), ShowDialog(o.ShowDialog()) {}
    void RestoreTo(TfrxPrintOptions& o) const {
        o.SetCopies(Copies);
        o.SetCollate(Collate);
        o.SetPageNumbers(PageNumbers);
        o.SetPrinter(Printer);
        o.SetPrintMode(PrintMode);
        o.SetPrintOnSheet(PrintOnSheet);
        o.SetPrintPages(PrintPages);
        o.SetReverse(Reverse);
        o.SetShowDialog(ShowDialog);
    }
    int Copies;
    bool Collate;
    QString PageNumbers;
    QString Printer;
    TfrxPrintMode PrintMode;
    int PrintOnSheet;
    TfrxPrintPages PrintPages;
    bool Reverse;
    bool ShowDialog;
};

long double Dots(long double mm, int dpi) { return mm * dpi / 25.4L; }

QString ModeName(TfrxPrintMode mode) {
    switch (mode) {
    case pmSplit:
        return frxGet(QStringLiteral("pmSplit"));
    case pmJoin:
        return frxGet(QStringLiteral("pmJoin"));
    case pmScale:
        return frxGet(QStringLiteral("pmScale"));
    default:
        return frxGet(QStringLiteral("pmDefault"));
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The print job

TfrxPrintSource::~TfrxPrintSource() = default;

TfrxPrintJob::TfrxPrintJob(TfrxReport& report, TfrxPrintSource& pages)
    : m_pages(pages), m_report(&report) {}

TfrxPrintJob::~TfrxPrintJob() = default;

bool TfrxPrintJob::Print() {
    TfrxPrinters* printers = frxPrinters();
    if (!printers->HasPhysicalPrinters()) {
        QMessageBox box(QMessageBox::Critical, frxGet(QStringLiteral("mbError")),
                        frxGet(QStringLiteral("clNoPrinters")), QMessageBox::Ok,
                        QApplication::activeWindow());
        box.setObjectName(QStringLiteral("NoPrintersBox"));
        box.exec();
        return false;
    }
    m_pages.SetPrintScale(1);
    // Dot-matrix reports have no printer of their own in this program; they print as pages.

    TfrxPrintOptions& options = *m_report->PrintOptions();
    const OptionsCopy saved(options);
    m_duplexChoice = 0;

    const int named = printers->IndexOfPrinter(options.Printer());
    if (named >= 0)
        printers->SelectPrinter(named);

    bool printing = false;
    QPointer<TfrxPreview> preview;
    try {
        if (options.ShowDialog()) {
            TfrxPrintDialog dialog(QApplication::activeWindow());
            dialog.DialogReport = m_report;
            dialog.CurrentPreviewPage = m_pages.CurrentPreviewPage();
            dialog.DuplexChoice = 0;
            const bool ok = ExecuteDialog ? ExecuteDialog(dialog) : dialog.Execute();
            if (!ok) {
                m_pages.SetCopyNo(0);
                return false;
            }
            m_duplexChoice = dialog.DuplexChoice;
        }

        m_printer = printers->CurrentPrinter();
        if (options.PrintMode() != pmDefault) {
            m_printer->SetViewPaper(options.PrintOnSheet(), poPortrait, 0, 0);
            m_sheetWidth = m_printer->PaperWidth();
            m_sheetHeight = m_printer->PaperHeight();
            m_overlapX = m_overlapY = 3;
            // A custom sheet has no size of its own here: the modes that fit pages to the
            // sheet need one.
            if (!(m_sheetWidth > 0) || !(m_sheetHeight > 0))
                throw platform::Error(frxFillIn(frxGet(QStringLiteral("prSheetSize")),
                                             {ModeName(options.PrintMode()), frxGet(214)}));
        }

        printing = true;
        if (m_report->OnPrintReport)
            m_report->OnPrintReport(m_report);
        // The preview paints nothing while its pages are printed; its print operation thaws
        // it afterwards (and so does an error here).
        preview = dynamic_cast<TfrxPreview*>(m_report->Runtime().Preview);
        if (preview)
            preview->Freeze();

        m_selection.Parse(options.PageNumbers(), m_pages.PageCount());
        // A page text that selects nothing ("5-3", "0", a page past the end) would end in no
        // job at all: say so instead of pretending to print.
        if (!AnyPageSelected(m_pages.PageCount()))
            throw platform::Error(frxFillIn(frxGet(QStringLiteral("prNoPageMatch")),
                                         {options.PageNumbers().trimmed()}));
        m_pages.ClearPageCache();
        RunDocument();
    } catch (...) {
        if (preview)
            preview->Thaw();
        if (printing && m_report->OnAfterPrintReport)
            m_report->OnAfterPrintReport(m_report);
        m_pages.SetCopyNo(0);
        saved.RestoreTo(options);
        throw;
    }
    if (m_report->OnAfterPrintReport)
        m_report->OnAfterPrintReport(m_report);
    m_pages.SetCopyNo(0);
    saved.RestoreTo(options);
    return true;
}

void TfrxPrintJob::RunDocument() {
    TfrxPrintOptions& options = *m_report->PrintOptions();
    m_printer = frxPrinters()->CurrentPrinter();
    m_report->Terminated = false;
    ProgressStart();
    try {
        const QString name = m_report->ReportOptions()->Name();
        // The report keeps no file name of its own; an unnamed report prints untitled.
        m_printer->SetTitle(name);
        if (options.Copies() < 1)
            options.SetCopies(1);
        m_pageCount = m_pages.PageCount();
        m_documentStarted = false;
        m_last = Applied();

        // Joined pages place their copies in neighbouring cells themselves: one pass.
        if (options.Collate() && options.PrintMode() != pmJoin) {
            for (int c = 1; c <= options.Copies(); ++c) {
                m_copyOfPass = c;
                PrintPass();
                if (Cancelled()) {
                    // Cancelled between two copies: the copies already drawn do not go out
                    // either.
                    m_report->Terminated = true;
                    if (m_printer->Printing() && c < options.Copies())
                        m_printer->AbortDocument();
                    break;
                }
                // A copy of an odd number of sheets printed on both sides would make the next
                // copy start on the back of its last sheet.
                if ((m_last.Duplex == dmVertical || m_last.Duplex == dmHorizontal) &&
                    m_sheetsPrinted % 2 == 1) {
                    m_printer->BeginPrinterPage();
                    m_printer->EndPrinterPage();
                }
            }
        } else {
            m_copyOfPass = 1;
            PrintPass();
        }

        if (m_documentStarted && m_printer->Printing())
            m_printer->EndDocument();
    } catch (...) {
        // Nothing half printed reaches the printer.
        if (m_printer->Printing()) {
            try {
                m_printer->AbortDocument();
            } catch (...) {
            }
        }
        ProgressStop();
        throw;
    }
    ProgressStop();
}

void TfrxPrintJob::PrintPass() {
    const TfrxPrintOptions& options = *m_report->PrintOptions();
    m_sheetsPrinted = 0;
    if (options.PrintMode() == pmJoin) {
        PrintJoinedSheets();
        return;
    }
    m_pagesPrinted = 0;
    const bool split = options.PrintMode() == pmSplit;
    const int count = m_pages.PageCount();
    for (int k = 0; k < count; ++k) {
        const int index = options.Reverse() ? count - 1 - k : k;
        if (!(split ? PrintSplitPage(index) : PrintOnePage(index)))
            break;
    }
}

bool TfrxPrintJob::Cancelled() const {
    if (m_report->Terminated)
        return true;
    // The window's Cancel is mostly pressed while pending events are processed after a page,
    // that is after the step that would have read it: read it here too, so the run stops
    // before the next page rather than one page later.
    const TfrxProgressSink* progress = m_report->Runtime().Progress.get();
    return progress && progress->Terminated();
}

bool TfrxPrintJob::AnyPageSelected(int pageCount) const {
    const TfrxPrintOptions& options = *m_report->PrintOptions();
    for (int pageNo = 1; pageNo <= pageCount; ++pageNo) {
        if (!m_selection.All() && !m_selection.Contains(pageNo))
            continue;
        if ((options.PrintPages() == ppOdd && pageNo % 2 == 0) ||
            (options.PrintPages() == ppEven && pageNo % 2 == 1))
            continue;
        return true;
    }
    return pageCount == 0; // an empty report has nothing to select from
}

bool TfrxPrintJob::Selected(int index, bool& stop) {
    stop = false;
    const TfrxPrintOptions& options = *m_report->PrintOptions();
    const int pageNo = index + 1;
    if (index >= m_pageCount)
        return false;
    if (!m_selection.All() && !m_selection.Contains(pageNo))
        return false;
    if (options.PrintPages() == ppOdd && pageNo % 2 == 0)
        return false;
    if (options.PrintPages() == ppEven && pageNo % 2 == 1)
        return false;
    if (Cancelled()) {
        m_report->Terminated = true;
        if (m_printer->Printing())
            m_printer->AbortDocument();
        stop = true;
        return false;
    }
    return true;
}

TfrxPrintJob::PageSetUp TfrxPrintJob::SetUpPage(int index) {
    const TfrxPrintOptions& options = *m_report->PrintOptions();
    PageSetUp s;
    s.Page = m_pages.BuildPage(index);
    if (!s.Page)
        return s;
    int copyNo;
    if (options.Collate()) {
        s.Copies = 1;
        copyNo = m_copyOfPass;
    } else {
        s.Copies = options.Copies();
        copyNo = 1;
    }
    m_pages.SetCopyNo(copyNo);
    if (m_report->OnPrintPage)
        m_report->OnPrintPage(s.Page, copyNo);
    s.Bin = index == 0 ? s.Page->Bin() : s.Page->BinOtherPages();
    s.Duplex = m_duplexChoice != 0 ? m_duplexChoice : static_cast<int>(s.Page->Duplex());
    return s;
}

void TfrxPrintJob::BeginDocumentOnce() {
    if (m_documentStarted)
        return;
    m_printer->BeginDocument();
    m_documentStarted = true;
}

void TfrxPrintJob::Render(int index, long double scaleX, long double scaleY, long double offsetX,
                          long double offsetY) {
    TfrxPrinterCanvas* pc = m_printer->Canvas();
    if (!pc->Surface())
        return;
    m_pages.RenderPage(index, pc->Surface(), scaleX, scaleY, offsetX, offsetY);
}

// Progress goes through the report, which shows "Printing page %d" in its progress window and
// fires the report's progress events.
void TfrxPrintJob::ProgressStart() { m_report->ProgressStart(ptPrinting); }

void TfrxPrintJob::Step(int pageNo) { m_report->ProgressStep(ptPrinting, pageNo); }

void TfrxPrintJob::ProgressStop() { m_report->ProgressStop(ptPrinting); }

bool TfrxPrintJob::PrintOnePage(int index) {
    bool stop = false;
    if (!Selected(index, stop))
        return !stop;
    const TfrxPrintOptions& options = *m_report->PrintOptions();
    const PageSetUp s = SetUpPage(index);
    if (!s.Page)
        return true;
    TfrxReportPage& page = *s.Page;
    const int orientation = page.Orientation();
    const bool scale = options.PrintMode() == pmScale;

    if (!scale) {
        if (!m_documentStarted || page.PaperSize() != m_last.Paper ||
            RoundMM(page.PaperWidth()) != m_last.Width ||
            RoundMM(page.PaperHeight()) != m_last.Height || s.Bin != m_last.Bin ||
            orientation != m_last.Orientation || s.Duplex != m_last.Duplex)
            m_printer->SetPrintPaper(page.PaperSize(), page.Orientation(), page.PaperWidth(),
                                     page.PaperHeight(), s.Bin, s.Duplex + 1, s.Copies);
    } else if (!m_documentStarted || s.Bin != m_last.Bin || orientation != m_last.Orientation ||
               s.Duplex != m_last.Duplex) {
        m_printer->SetPrintPaper(options.PrintOnSheet(), page.Orientation(), m_sheetWidth,
                                 m_sheetHeight, s.Bin, s.Duplex + 1, s.Copies);
        m_sheetWidth = m_printer->PaperWidth();
        m_sheetHeight = m_printer->PaperHeight();
    }
    BeginDocumentOnce();
    m_printer->BeginPrinterPage();

    long double kx = 1, ky = 1;
    if (scale && page.PaperWidth() > 0 && page.PaperHeight() > 0) {
        kx = m_sheetWidth / page.PaperWidth();
        ky = m_sheetHeight / page.PaperHeight();
        m_pages.SetPrintScale(std::min(kx, ky));
    }
    const QPoint dpi = m_printer->Dpi();
    Render(index, dpi.x() / 96.0L * kx, dpi.y() / 96.0L * ky,
           -Dots(m_printer->LeftMargin(), dpi.x()), -Dots(m_printer->TopMargin(), dpi.y()));

    Step(index + 1);
    m_printer->EndPrinterPage();
    QCoreApplication::processEvents();

    ++m_pagesPrinted;
    ++m_sheetsPrinted;
    m_last = {page.PaperSize(), RoundMM(page.PaperWidth()), RoundMM(page.PaperHeight()), s.Bin,
              orientation, s.Duplex};
    m_pages.ClearPageCache();
    return true;
}

bool TfrxPrintJob::PrintSplitPage(int index) {
    bool stop = false;
    if (!Selected(index, stop))
        return !stop;
    const TfrxPrintOptions& options = *m_report->PrintOptions();
    const PageSetUp s = SetUpPage(index);
    if (!s.Page)
        return true;
    const TfrxReportPage& page = *s.Page;

    const TfrxPieceLayout l =
        ChoosePieceLayout(page.PaperWidth(), page.PaperHeight(), m_sheetWidth, m_sheetHeight);
    if (!m_documentStarted || l.Rotated != m_lastRotated)
        m_printer->SetPrintPaper(options.PrintOnSheet(), l.Rotated ? poLandscape : poPortrait,
                                 m_sheetWidth, m_sheetHeight, s.Bin, s.Duplex + 1, s.Copies);
    BeginDocumentOnce();

    const QPoint dpi = m_printer->Dpi();
    const long double W = Dots(l.Rotated ? m_sheetHeight : m_sheetWidth, dpi.x());
    const long double H = Dots(l.Rotated ? m_sheetWidth : m_sheetHeight, dpi.y());
    const long double L = Dots(m_printer->LeftMargin(), dpi.x());
    const long double T = Dots(m_printer->TopMargin(), dpi.y());
    const long double R = Dots(m_printer->RightMargin(), dpi.x());
    const long double B = Dots(m_printer->BottomMargin(), dpi.y());
    const long double Ox = Dots(m_overlapX, dpi.x());
    const long double Oy = Dots(m_overlapY, dpi.y());

    long double y = -T, accY = 0, prevTop = 0;
    for (int row = 0; row < l.Rows; ++row) {
        long double x = -L, accX = 0, prevLeft = 0;
        for (int col = 0; col < l.Cols; ++col) {
            m_printer->BeginPrinterPage();
            Render(index, dpi.x() / 96.0L, dpi.y() / 96.0L, x, y);
            m_printer->EndPrinterPage();
            ++m_sheetsPrinted;
            accX += (W - prevLeft - R) - Ox;
            x = -accX;
            prevLeft = L;
        }
        accY += (H - prevTop - B) - Oy;
        y = -accY;
        prevTop = T;
    }

    Step(index + 1);
    ++m_pagesPrinted;
    m_lastRotated = l.Rotated;
    m_last.Duplex = s.Duplex;
    m_pages.ClearPageCache();
    return true;
}

int TfrxPrintJob::NextSelectedPage(int index) const {
    while (index < m_pageCount - 1) {
        ++index;
        if (m_selection.All() || m_selection.Contains(index + 1))
            return index;
    }
    return -1;
}

void TfrxPrintJob::PrintJoinedSheets() {
    const TfrxPrintOptions& options = *m_report->PrintOptions();
    m_pagesPrinted = 0;
    if (m_pageCount == 0)
        return;
    int index = NextSelectedPage(-1);
    if (index < 0)
        return;
    TfrxReportPage* first = m_pages.BuildPage(index);
    if (!first)
        return;
    const long double pageWidth = first->PaperWidth(), pageHeight = first->PaperHeight();
    const TfrxPieceLayout l =
        ChooseJoinLayout(m_sheetWidth, m_sheetHeight, pageWidth, pageHeight);
    const int duplex =
        m_duplexChoice != 0 ? m_duplexChoice : static_cast<int>(first->Duplex());
    m_printer->SetPrintPaper(options.PrintOnSheet(), l.Rotated ? poLandscape : poPortrait,
                             m_sheetWidth, m_sheetHeight, first->Bin(), duplex + 1, 1);
    BeginDocumentOnce();
    m_last.Duplex = duplex;

    const QPoint dpi = m_printer->Dpi();
    const long double stepX = Dots(pageWidth, dpi.x());
    const long double stepY = Dots(pageHeight, dpi.y());
    const int copies = std::max(options.Copies(), 1);

    // A page's copies fill neighbouring cells and carry on onto the next sheet when the
    // sheet is full, so every page gets all its copies.
    int copiesLeft = copies;
    while (index >= 0) {
        m_printer->BeginPrinterPage();
        int placed = index;
        long double y = -Dots(m_printer->TopMargin(), dpi.y());
        for (int row = 0; row < l.Rows && index >= 0; ++row) {
            long double x = -Dots(m_printer->LeftMargin(), dpi.x());
            for (int col = 0; col < l.Cols; ++col) {
                if (copiesLeft == 0) {
                    index = NextSelectedPage(index);
                    if (index < 0)
                        break;
                    copiesLeft = copies;
                }
                m_pages.SetCopyNo(copies - copiesLeft + 1);
                Render(index, dpi.x() / 96.0L, dpi.y() / 96.0L, x, y);
                placed = index;
                --copiesLeft;
                x += stepX;
            }
            y += stepY;
        }
        m_printer->EndPrinterPage();
        Step(placed + 1);
        if (Cancelled()) {
            m_report->Terminated = true;
            m_printer->AbortDocument();
            return;
        }
        ++m_pagesPrinted;
        ++m_sheetsPrinted;
        m_pages.ClearPageCache();
        // The next sheet starts only when there is something to put on it.
        if (index >= 0 && copiesLeft == 0) {
            index = NextSelectedPage(index);
            copiesLeft = copies;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The store's print operation

namespace {

class StoreSource final : public TfrxPrintSource {
public:
    explicit StoreSource(TfrxPreviewPages& pages) : m_pages(pages) {}
    int PageCount() override { return m_pages.PageCount(); }
    TfrxReportPage* BuildPage(int index) override { return m_pages.BuildPage(index); }
    void RenderPage(int index, platform::Canvas* canvas, long double scaleX, long double scaleY,
                    long double offsetX, long double offsetY) override {
        m_pages.RenderPage(index, canvas, scaleX, scaleY, offsetX, offsetY);
    }
    void ClearPageCache() override { m_pages.ClearPageCache(); }
    void SetCopyNo(int copyNo) override { m_pages.CopyNo = copyNo; }
    void SetPrintScale(long double scale) override { m_pages.PrintScale = scale; }
    int CurrentPreviewPage() override { return m_pages.CurrentPreviewPage; }

private:
    TfrxPreviewPages& m_pages;
};

} // namespace

bool frxPrintPreviewPages(TfrxPreviewPages& pages) {
    if (!pages.Report)
        return false;
    StoreSource source(pages);
    TfrxPrintJob job(*pages.Report, source);
    return job.Print();
}

void frxPageSetup(TfrxPreview* preview) {
    TfrxReport* report = preview->Report();
    TfrxCustomPreviewPages* pages = preview->PreviewPages();
    if (!report || !pages || preview->PageNo() < 1)
        return;
    QPointer<TfrxPreview> guarded(preview);
    TfrxPageSettingsHandOver handOver;
    handOver.Freeze = [guarded] {
        if (guarded)
            guarded->Freeze();
    };
    handOver.Thaw = [guarded] {
        if (guarded)
            guarded->Thaw();
    };
    handOver.Reprepare = [guarded] {
        if (guarded)
            guarded->Reprepare();
    };
    frxPreviewPageSettings(*report, *pages, preview->PageNo() - 1, handOver, preview->window());
}
