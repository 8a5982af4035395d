#pragma once
// What a report needs while it runs, declared below the units that implement it: the prepared
// pages store, its outline, the preparation engine, and the links up to a preview control and a
// progress window. The report owns one TfrxReportRuntime; start-up installs the implementations
// as services (platform/Registry), as it does the object serializer.

#include "report/frxVariant.h"

#include <QByteArray>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;
struct QMetaObject;
class TfrxComponent;
class TfrxBand;
class TfrxView;
class TfrxPage;
class TfrxReportPage;
class TfrxReport;
class TfrxCustomMemoView;
class TfrxFormat;
class TfrxScript;
class TfrxDrawText;
class TfrxXMLItem;
class TfrxCustomExportFilter; // a filter of the export library
namespace platform {
class Canvas;
}

// Progress kinds of the report's progress operations.
enum TfrxProgressType { ptRunning = 0, ptExporting = 1, ptPrinting = 2 };

// How the store's next StartPage places its page: Revisit writes over a page an earlier pass
// left, Append always appends a new page item.
enum TfrxAddPageMode { apRevisit = 0, apAppend = 1 };

// The report outline, kept in the store's document.
class TfrxCustomOutline {
public:
    virtual ~TfrxCustomOutline() = default;
    virtual void AddItem(const QString& text, int top) = 0;
    virtual void LevelRoot() = 0;
    virtual void LevelUp() = 0;
    virtual void LevelInto(int index) = 0;
    // Text, page and top of the current item's child `index`; page and top stay when absent.
    virtual void ItemAt(int index, QString& text, int& page, int& top) = 0;
    virtual int ItemCount() = 0;
    // The current item's last child, or null.
    virtual TfrxXMLItem* LastItem() = 0;
    // The item after `item` among its siblings, with everything below it, moves one page on and
    // by newTop minus its old top; later siblings stay.
    virtual void ShiftFollowing(TfrxXMLItem* item, int newTop) = 0;
};

// What lies under a point of a prepared page, as the store finds it; the preview acts on it.
struct TfrxPageHit {
    // Whether the point was tested on a page (false while the engine runs, outside the pages).
    bool OnPage = false;
    // The topmost view under the point; null when there is none, or when a drill-down group
    // header is there (the cursor is then the hand).
    TfrxView* Object = nullptr;
    // The view's link, empty when none.
    QString URL;
    // Where a link within the report ("@3", "#name") goes: 1-based page and top in pixels of
    // the page; page 0 when the link is not one or names no page.
    int TargetPage = 0;
    int TargetTop = 0;
    // The cursor the point asks for (a Qt::CursorShape value); -1 leaves it as it is.
    int Cursor = -1;
};

// The prepared pages store seen by its callers' roles. The concrete store (store/
// frxPreviewPages) is all of them; a caller that needs one part takes that part.

// What the engine writes while it prepares the pages.
class TfrxPagesWriter {
public:
    virtual ~TfrxPagesWriter() = default;
    virtual void PrepareStart() = 0;
    virtual void AppendObject(TfrxComponent* obj) = 0;
    virtual void StartPage(TfrxPage* templatePage) = 0;
    virtual void RegisterSourcePage(TfrxPage* templatePage) = 0;
    virtual void RegisterRuntimeObject(TfrxComponent* obj) = 0;
    virtual void PassStart() = 0;
    virtual void DiscardFirstPass() = 0;
    virtual int CutTail(int position) = 0;
    virtual void PrepareFinish() = 0;
    virtual void LogicalPageAdvance() = 0;
    virtual void LogicalPageRestart() = 0;
    virtual void PasteTail(long double x, long double y) = 0;
    virtual void MoveAnchors(int index, int newTop) = 0;
    virtual void CachePicture(TfrxView* picture) = 0;
    virtual bool BandOnPage(TfrxBand* band) = 0;
    virtual int ObjectPosition() = 0;
    virtual int AnchorPosition() = 0;
    virtual long double BottomOfBands() = 0;
    virtual int LogicalPageNumber() = 0;
    virtual int LogicalPageTotal() = 0;
    // An anchor named `text` on the current page at the engine's current Y.
    virtual void AddAnchor(const QString& text) = 0;
    // 1-based page of the last anchor named `text` (case ignored); 1 when there is none.
    virtual int GetAnchorPage(const QString& text) = 0;
    // The source page copied from `templatePage` takes a custom paper of width x height px
    // (pages that grow with their content).
    virtual void SetSourcePaper(TfrxPage* templatePage, long double width, long double height) = 0;
};

// What a preview, the search, printing and the export read.
class TfrxPagesReader {
public:
    virtual ~TfrxPagesReader() = default;
    virtual int PageCount() = 0;
    // The live page, owned by the store's page cache; null when the store is empty or the
    // index is outside the pages.
    virtual TfrxReportPage* BuildPage(int index) = 0;
    // Whole pixels; (0, 0) outside the pages.
    virtual QPoint PageSizeOf(int index) = 0;
    virtual void RenderPage(int index, platform::Canvas* canvas, long double scaleX,
                            long double scaleY, long double offsetX, long double offsetY) = 0;
    // What lies under the view point (x, y) of page `index` drawn at `scale` with its top left
    // corner at the offsets; nothing while the engine runs or outside the pages.
    virtual TfrxPageHit HitTest(int index, int x, int y, long double scale, int offsetX,
                                int offsetY) = 0;
    // The report outline (the engine adds to it while preparing).
    virtual TfrxCustomOutline* Outline() = 0;
};

// Changes to prepared pages (the page settings, a report's own edits).
class TfrxPagesEditor {
public:
    virtual ~TfrxPagesEditor() = default;
    virtual void ClearAll() = 0;
    virtual void InsertBlankPage(int index) = 0;
    virtual void RemovePage(int index) = 0;
    virtual void ReplacePage(int index, TfrxReportPage* page) = 0;
};

// Prepared report files, and other reports' pages appended.
class TfrxPagesFiles {
public:
    virtual ~TfrxPagesFiles() = default;
    virtual void AppendReport(TfrxReport* report) = 0;
    virtual void ReadFromStream(QIODevice& stream, bool allowPartialLoading = false) = 0;
    virtual void WriteToStream(QIODevice& stream) = 0;
    // Whether the file existed.
    virtual bool ReadFromFile(const QString& fileName, bool mustExist = false) = 0;
    virtual void WriteToFile(const QString& fileName) = 0;
};

// Printing and exporting, done by the handlers start-up installs.
class TfrxPagesOutput {
public:
    virtual ~TfrxPagesOutput() = default;
    // False when nothing was printed (no print handler installed, cancelled, failed).
    virtual bool Print() = 0;
    // False when nothing was exported (no filter handler installed, cancelled, failed).
    virtual bool Export(TfrxCustomExportFilter& filter) = 0;
};

// The whole store, as a report's run-time part holds it.
class TfrxCustomPreviewPages : public TfrxPagesWriter,
                               public TfrxPagesReader,
                               public TfrxPagesEditor,
                               public TfrxPagesFiles,
                               public TfrxPagesOutput {
public:
    ~TfrxCustomPreviewPages() override = default;

    TfrxAddPageMode AddPageMode = apRevisit;
    int CurrentPage = -1;
    // 1-based number of the page the preview shows (set by the preview before printing).
    int CurrentPreviewPage = 0;
    // Page-number offset of the logical-number fallbacks, set by the engine.
    int FirstPage = 0;
    TfrxReport* Report = nullptr;
};

// The preparation engine; the concrete engine lives in report/frxEngine.
class TfrxCustomEngine {
public:
    virtual ~TfrxCustomEngine() = default;

    // The virtual operations in slot order (report/frxEngine implements them; the defaults
    // serve engines made for tests).
    // Ends the current page: the report summary when the page run finished, the page footer
    // at PageHeight less its height, the overlay.
    virtual void EndPage() {}
    virtual void NewColumn() {}
    // Ends the current page and begins the next one with its header bands.
    virtual void NewPage() {}
    virtual void ShowBand(TfrxBand*) {}
    // The first band of that class on the current template page; nothing when none.
    virtual void ShowBand(const QMetaObject*) {}
    virtual long double HeaderHeight() { return 0; }
    virtual long double FooterHeight() { return 0; }
    // PageHeight - FooterHeight - CurY (px).
    virtual long double FreeSpace() { return PageHeight - FooterHeight() - CurY; }
    virtual Variant GetAggregateValue(const QString&) { return Variant::Null(); }
    // Prepares the report's pages into its store; false when it stopped before running
    // (errors found first); errors raised while running propagate.
    virtual bool Run() = 0;

    // The report's EngineOptions.DoublePass.
    bool DoublePass() const;
    TfrxReport* Report = nullptr;

    // Published state.
    int CurColumn = 0;
    int CurVColumn = 0;
    long double CurX = 0;
    long double CurY = 0;
    bool FinalPass = false;
    long double PageHeight = 0;
    long double PageWidth = 0;
    Variant StartDate;
    Variant StartTime;
    int TotalPages = 0;
    bool Running = false;
    // While the final pass of a cancelled first pass runs: the page count it stops at (the
    // pages the user saw counted); 0 otherwise.
    int PageLimit = 0;
};

// What a report and its store call on the preview control that shows them.
class TfrxPreviewLink {
public:
    virtual ~TfrxPreviewLink() = default;
    virtual void PrepareStarted() = 0;
    virtual void PageArrived(int pageIndex) = 0;
    virtual void PrepareStopped() = 0;
    // Status text of the preview (URLs under the mouse); empty clears it.
    virtual void ShowMessage(const QString& text) = 0;
    // 1-based page; top in pixels of the page.
    virtual void ShowPageAt(int pageNo, int top) = 0;
    virtual void RepaintPages() = 0;
    // Closes the report's own preview window (a preparation that did not run); a control a
    // program placed itself stays.
    virtual void CloseOwnWindow() {}
};

// A progress window the report shows while preparing, exporting or printing.
class TfrxProgressSink {
public:
    virtual ~TfrxProgressSink() = default;
    virtual void SetMessage(const QString& text) = 0;
    virtual void SetPosition(int position) = 0;
    // True once the user pressed Cancel.
    virtual bool Terminated() const = 0;
};

// The evaluation members of the model (a report's Calc and script, a view's data step, a text
// object's substitution and formats), implemented by the expression evaluator and installed at
// start-up as a service, so the model does not depend on the evaluator.
class TfrxEvaluator {
public:
    virtual ~TfrxEvaluator() = default;
    virtual Variant Calc(TfrxReport* report, const QString& expression, TfrxScript* script) = 0;
    virtual bool ResolveName(TfrxReport* report, const QString& name, Variant& value) = 0;
    virtual TfrxScript* Script(TfrxReport* report) = 0;
    virtual bool PrepareScript(TfrxReport* report) = 0;
    virtual void EvaluateView(TfrxView* view) = 0;
    virtual void EvaluateMemo(TfrxCustomMemoView* memo) = 0;
    virtual QString EvaluateAndFormat(TfrxCustomMemoView* memo, const QString& expression) = 0;
    virtual QString FormatValue(const TfrxCustomMemoView* memo, const Variant& value,
                                const TfrxFormat* format) = 0;
};
// The installed evaluator; raises when none is installed.
TfrxEvaluator& frxEvaluator();

// Per-report state of the evaluator (script program, expression cache, engine values); the
// evaluator derives its own and keeps it in the report's run-time part.
class TfrxEvaluationState {
public:
    virtual ~TfrxEvaluationState() = default;
};

// The report's run-time part: everything a report holds only while it is used, in one place.
class TfrxReportRuntime {
public:
    explicit TfrxReportRuntime(TfrxReport* report);
    ~TfrxReportRuntime();

    // Null until the evaluator made it.
    TfrxEvaluationState* Evaluation() const { return m_evaluation.get(); }
    void SetEvaluation(std::unique_ptr<TfrxEvaluationState> state);
    // The report's own text layout object.
    TfrxDrawText* DrawText();
    // Null until a factory is installed.
    TfrxCustomPreviewPages* PreviewPages();
    TfrxCustomEngine* Engine();

    // The preview control showing this report, if any; cleared when it goes.
    TfrxPreviewLink* Preview = nullptr;
    // Live only between progress start and stop.
    std::unique_ptr<TfrxProgressSink> Progress;

private:
    TfrxReport* m_report;
    std::unique_ptr<TfrxEvaluationState> m_evaluation;
    std::unique_ptr<TfrxDrawText> m_drawText;
    std::unique_ptr<TfrxCustomPreviewPages> m_pages;
    std::unique_ptr<TfrxCustomEngine> m_engine;
};

// What makes a report's run-time parts, installed at start-up as one service.
struct TfrxRuntimeFactory {
    std::function<std::unique_ptr<TfrxCustomPreviewPages>(TfrxReport*)> CreatePreviewPages;
    std::function<std::unique_ptr<TfrxCustomEngine>(TfrxReport*)> CreateEngine;
    // A progress window, shown at once; null when none can be shown.
    std::function<std::unique_ptr<TfrxProgressSink>(TfrxReport*)> CreateProgress;
    // Opens a preview window on the report's prepared pages (ShowPrepared); modal per the
    // report's PreviewOptions.
    std::function<void(TfrxReport*)> ShowPreview;
};
// The installed factory; one that makes nothing when none is.
const TfrxRuntimeFactory& frxRuntimeFactory();
