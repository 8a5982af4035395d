#pragma once
// The preparation engine: turns a report template into prepared pages in the report's store.
// It runs the report pages (once, or once per record of the report's or a page's data set),
// starts and ends each output page, outputs the objects placed directly on a page through a
// temporary band, and the bands of a page: report title, page header and footer, master data
// bands with their headers and footers over a data set, report summary and overlay. Each band
// is prepared (evaluated, stretched, objects below a stretched one shifted), appended to the
// store and put back into its design state. Scripts know it as "Engine".
//
// Templates that use band features not built here (groups, columns, keeping together,
// splitting, sub-reports, child and detail bands, dialog pages, endless pages) are refused
// before anything is output, with an error naming the object.

#include "report/frxClass.h"
#include "report/frxRuntime.h"

#include <QDate>
#include <QHash>
#include <QPointer>
#include <QList>
#include <QObject>
#include <QTime>

#include <memory>
#include <utility>
#include <vector>

namespace frx {
struct TfrxEngineValues;
}

class TfrxEngine : public QObject, public TfrxCustomEngine {
    Q_OBJECT
    Q_PROPERTY(int CurColumn READ GetCurColumn WRITE SetCurColumn)
    Q_PROPERTY(int CurVColumn READ GetCurVColumn WRITE SetCurVColumn)
    Q_PROPERTY(double CurX READ GetCurX WRITE SetCurX)
    Q_PROPERTY(double CurY READ GetCurY WRITE SetCurY)
    Q_PROPERTY(bool DoublePass READ DoublePass)
    Q_PROPERTY(bool FinalPass READ GetFinalPass WRITE SetFinalPass)
    Q_PROPERTY(double PageHeight READ GetPageHeight WRITE SetPageHeight)
    Q_PROPERTY(double PageWidth READ GetPageWidth WRITE SetPageWidth)
    Q_PROPERTY(QDate StartDate READ GetStartDate)
    Q_PROPERTY(QTime StartTime READ GetStartTime)
    Q_PROPERTY(int TotalPages READ GetTotalPages WRITE SetTotalPages)
public:
    explicit TfrxEngine(TfrxReport* report);
    ~TfrxEngine() override;

    void EndPage() override;
    void NewColumn() override;
    void NewPage() override;
    void ShowBand(TfrxBand* band) override;
    void ShowBand(const QMetaObject* bandClass) override;
    long double HeaderHeight() override;
    long double FooterHeight() override;
    long double FreeSpace() override;
    Variant GetAggregateValue(const QString& name) override;
    bool Run() override;

    // An anchor named `text` on the current page at CurY, and the 1-based page of the last
    // anchor of that name (1 when none); through the report's store.
    void AddAnchor(const QString& text);
    int GetAnchorPage(const QString& text);

    // The template page being run; null outside a run.
    TfrxReportPage* CurrentPage() const { return m_page; }
    // The line counters: records of the data band being run, and records of the whole pass.
    int Line() const { return m_line; }
    int LineNo() const { return m_lineNo; }

    // The published state for scripts.
    int GetCurColumn() const { return CurColumn; }
    void SetCurColumn(int v) { CurColumn = v; }
    int GetCurVColumn() const { return CurVColumn; }
    void SetCurVColumn(int v) { CurVColumn = v; }
    double GetCurX() const { return static_cast<double>(CurX); }
    void SetCurX(double v) { CurX = v; }
    double GetCurY() const { return static_cast<double>(CurY); }
    void SetCurY(double v) { CurY = v; }
    bool GetFinalPass() const { return FinalPass; }
    void SetFinalPass(bool v) { FinalPass = v; }
    double GetPageHeight() const { return static_cast<double>(PageHeight); }
    void SetPageHeight(double v) { PageHeight = v; }
    double GetPageWidth() const { return static_cast<double>(PageWidth); }
    void SetPageWidth(double v) { PageWidth = v; }
    QDate GetStartDate() const { return StartDate.ToDateTime().date(); }
    QTime GetStartTime() const { return StartTime.ToDateTime().time(); }
    int GetTotalPages() const { return TotalPages; }
    void SetTotalPages(int v) { TotalPages = v; }

private:
    struct BandState;

    // Run's steps.
    void CheckTemplate();
    bool RunBody();
    void FinishRun();
    void RunReportPages();
    void RunPagesOnce();
    void RunPage(TfrxReportPage* page);
    void RunPageBody(TfrxReportPage* page);
    void StartPageRun(TfrxReportPage* page);
    void BeginPage();
    void ShowHeaders();
    void ShowPageObjects(TfrxReportPage* page);
    void RunDataBands(TfrxReportPage* page);
    void RunDataBand(TfrxDataBand* band, TfrxBand* header, TfrxBand* footer);
    void ShowOverlay(bool onTop);

    // A band's output.
    void PrepareBand(TfrxBand* band, BandState& state);
    void UnprepareBand(TfrxBand* band, BandState& state, bool unwinding);
    void ShiftObjects(TfrxBand* band, const QList<long double>& stretch,
                      const QList<TfrxBounds>& design);
    void NotifyBefore(TfrxReportComponent* c);
    void NotifyAfter(TfrxReportComponent* c);
    // Runs the script procedure `name` with `sender` as its argument while the engine runs.
    void RunEvent(const QString& name, QObject* sender);

    TfrxDataSet* DataSetOf(TfrxDataBand* band) const;
    TfrxDataSet* DataSetOf(TfrxReportPage* page) const;
    TfrxDataSet* ReportDataSet() const;
    template <class T> T* FindBand(TfrxReportPage* page) const;
    bool PageHasRecords(TfrxReportPage* page) const;
    // Keeps the names "Page", "Line", ... that expressions read up to date.
    void SyncValues();
    frx::TfrxEngineValues* Values() const;

    TfrxCustomPreviewPages* m_pages = nullptr;
    TfrxReportPage* m_page = nullptr;
    bool m_finished = false;
    bool m_firstTime = true;
    // Since the page began: nothing but the bands repeated on each page (free-space checks
    // give way on such a page: a band taller than an empty page is printed, not looped on).
    bool m_pageFresh = false;
    // Since the page began: no data, header, footer or summary band (StartNewPage waits).
    bool m_pageHasBody = false;
    int m_pagesBegun = 0;
    QList<TfrxBand*> m_headerList;
    TfrxBand* m_titleOnce = nullptr;
    TfrxBand* m_keptBand = nullptr;
    int m_line = 0;
    int m_lineNo = 0;
    QList<TfrxDataSet*> m_dataSets;
    std::vector<std::pair<QString, QPointer<TfrxDataSet>>> m_dataSetsByName; // name as written
};

// The engine of a report (the run-time factory's CreateEngine).
std::unique_ptr<TfrxCustomEngine> frxCreateEngine(TfrxReport* report);
