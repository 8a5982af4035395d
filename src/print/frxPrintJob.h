#pragma once
// The print job: which prepared pages go to paper, in which order and how many times, how each
// page maps onto the printer's sheets in the four print modes, and which paper, orientation,
// paper source and duplex setting every sheet gets. Pages are drawn by the prepared pages
// store; the printer side is the printer list.

#include "print/frxPrintLayout.h"

#include <QString>

#include <functional>

class TfrxCustomPrinter;
class TfrxPreview;
class TfrxPreviewPages;
class TfrxReport;
class TfrxReportPage;
class TfrxPrintDialog;
namespace platform {
class Canvas;
}

// The prepared pages a print run reads and draws: the report's store at run time.
class TfrxPrintSource {
public:
    virtual ~TfrxPrintSource();
    virtual int PageCount() = 0;
    // The live page at `index`, owned by the source; null outside the pages.
    virtual TfrxReportPage* BuildPage(int index) = 0;
    virtual void RenderPage(int index, platform::Canvas* canvas, long double scaleX,
                            long double scaleY, long double offsetX, long double offsetY) = 0;
    // Drops the live pages built so far; printing keeps at most one page alive.
    virtual void ClearPageCache() = 0;
    // Handed to text objects while they draw.
    virtual void SetCopyNo(int copyNo) = 0;
    virtual void SetPrintScale(long double scale) = 0;
    // 1-based number of the page a preview shows; 0 when none.
    virtual int CurrentPreviewPage() = 0;
};

// One print run of a report's prepared pages: the print operation of the store.
class TfrxPrintJob {
public:
    TfrxPrintJob(TfrxReport& report, TfrxPrintSource& pages);
    ~TfrxPrintJob();

    // Prints the store's pages with the report's PrintOptions, showing the print dialog when
    // ShowDialog is on. False when nothing was attempted (no printer installed, dialog
    // cancelled); true otherwise, also when the user cancelled during printing. Errors of
    // printing propagate; the options are restored first.
    bool Print();

    // Shows the dialog modally and returns whether the user confirmed; the default runs
    // TfrxPrintDialog. Tests hand in their own driver.
    std::function<bool(TfrxPrintDialog& dialog)> ExecuteDialog;

private:
    struct Applied {
        int Paper = -1;
        long Width = -1, Height = -1; // whole mm
        int Bin = -1;
        int Orientation = -1;
        int Duplex = 0;
    };
    struct PageSetUp {
        TfrxReportPage* Page = nullptr;
        int Copies = 1;
        int Bin = 7;
        int Duplex = 0;
    };

    void RunDocument();
    void PrintPass();
    // Each returns false when the pass must stop.
    bool PrintOnePage(int index);
    bool PrintSplitPage(int index);
    void PrintJoinedSheets();
    // The page filters; `stop` is set when the run was cancelled.
    bool Selected(int index, bool& stop);
    // Whether the page text and the odd/even choice leave any page to print.
    bool AnyPageSelected(int pageCount) const;
    PageSetUp SetUpPage(int index);
    void BeginDocumentOnce();
    void Render(int index, long double scaleX, long double scaleY, long double offsetX,
                long double offsetY);
    void ProgressStart();
    // Progress of the printed page; processes pending window messages.
    void Step(int pageNo);
    void ProgressStop();
    bool Cancelled() const;
    int NextSelectedPage(int index) const;

    TfrxPrintSource& m_pages;
    TfrxReport* m_report;
    TfrxCustomPrinter* m_printer = nullptr;
    TfrxPageSelection m_selection;
    int m_duplexChoice = 0;
    int m_pageCount = 0;
    bool m_documentStarted = false;
    int m_pagesPrinted = 0;
    int m_sheetsPrinted = 0; // sheets of the current pass, for the duplex padding
    int m_copyOfPass = 1;
    Applied m_last;
    bool m_lastRotated = false;
    long double m_sheetWidth = 0, m_sheetHeight = 0; // mm
    long double m_overlapX = 3, m_overlapY = 3;       // mm
};

// The print operation of the prepared pages store: a print job over the store's report and
// pages. Start-up installs it as the store's print handler.
bool frxPrintPreviewPages(TfrxPreviewPages& pages);
// The preview's Page settings: the page settings window on the shown page, the report prepared
// again after OK.
void frxPageSetup(TfrxPreview* preview);
