#include "report/frxEngine.h"

#include "report/frxExpression.h"
#include "report/frxScript.h"
#include "resources/frxRes.h"

#include <QDateTime>

#include <algorithm>
#include <exception>

using namespace frxClass;

namespace {

QString Q(const char* s) { return QString::fromLatin1(s); }

// A message of the table with its "%s" places filled in order.
QString Message(const char* key, const QStringList& args) { return frxFillIn(frxGet(Q(key)), args); }

// The name an error text starts with.
QString NameOf(const TfrxComponent* c) {
    return c->Name().isEmpty() ? QString::fromLatin1(c->metaObject()->className()) : c->Name();
}

QString BeforePrintEvent(const TfrxComponent* c) {
    if (auto* v = qobject_cast<const TfrxView*>(c))
        return v->OnBeforePrint();
    if (auto* b = qobject_cast<const TfrxBand*>(c))
        return b->OnBeforePrint();
    return {};
}

QString AfterPrintEvent(const TfrxComponent* c) {
    if (auto* v = qobject_cast<const TfrxView*>(c))
        return v->OnAfterPrint();
    if (auto* b = qobject_cast<const TfrxBand*>(c))
        return b->OnAfterPrint();
    return {};
}

// Bands that are never moved to a new page for want of room: they have their own place.
bool HasFixedPlace(const TfrxBand* band) {
    return qobject_cast<const TfrxNullBand*>(band) || qobject_cast<const TfrxOverlay*>(band) ||
           qobject_cast<const TfrxPageHeader*>(band) || qobject_cast<const TfrxPageFooter*>(band);
}

// The bands of a page, top to bottom (the order they print in); equal tops keep page order.
QList<TfrxBand*> BandsByTop(const TfrxReportPage* page) {
    QList<TfrxBand*> bands;
    for (TfrxComponent* c : page->Objects())
        if (auto* b = qobject_cast<TfrxBand*>(c))
            bands.append(b);
    std::stable_sort(bands.begin(), bands.end(),
                     [](const TfrxBand* a, const TfrxBand* b) { return a->Top() < b->Top(); });
    return bands;
}

// The script "Outline" object: what scripts may read of the store's outline.
class OutlineObject : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Count READ Count)
public:
    explicit OutlineObject(TfrxReport* report) : m_report(report) { setObjectName(Q("Outline")); }
    int Count() const {
        TfrxCustomPreviewPages* pages = m_report->Runtime().PreviewPages();
        return pages && pages->Outline() ? pages->Outline()->ItemCount() : 0;
    }

private:
    TfrxReport* m_report;
};

} // namespace

// What preparing a band changed, so that unpreparing undoes exactly that.
struct TfrxEngine::BandState {
    qsizetype originalCount = 0;
    bool bandSaved = false;
    qsizetype objectsSaved = 0;
};

TfrxEngine::TfrxEngine(TfrxReport* report) {
    Report = report;
    setObjectName(Q("Engine"));
    auto* outline = new OutlineObject(report);
    outline->setParent(this);
    // Scripts know the engine and the outline by name from the next script preparation on.
    frx::TfrxReportEvaluation* e = frx::TfrxReportEvaluation::Of(report);
    e->HostObjects.insert(Q("Engine"), this);
    e->HostObjects.insert(Q("Outline"), outline);
    // DataSet."Field" reads the current record of the report's data sets. Each name is looked
    // up once per run: a long report reads fields hundreds of thousands of times.
    e->DataField = [this](QStringView dataSet, const QString& field, Variant& value,
                          Variant::Type& kind) {
        TfrxDataSet* ds = nullptr;
        if (!Running) {
            ds = Report->GetDataSet(dataSet.toString());
        } else {
            // Looked up by the name as written: templates spell a name the same way throughout,
            // and a report has few data sets.
            auto it = std::find_if(m_dataSetsByName.begin(), m_dataSetsByName.end(),
                                   [dataSet](const auto& entry) { return entry.first == dataSet; });
            if (it == m_dataSetsByName.end()) {
                const QString name = dataSet.toString();
                m_dataSetsByName.emplace_back(name, Report->GetDataSet(name));
                it = std::prev(m_dataSetsByName.end());
            }
            ds = it->second;
        }
        return ds && ds->FieldValue(field, value, kind);
    };
}

TfrxEngine::~TfrxEngine() = default;

bool TfrxCustomEngine::DoublePass() const {
    return Report && Report->EngineOptions()->DoublePass();
}

frx::TfrxEngineValues* TfrxEngine::Values() const {
    return &frx::TfrxReportEvaluation::Of(Report)->Engine;
}

// ---------------------------------------------------------------------------------------------
// Run

bool TfrxEngine::Run() {
    m_pages = Report->Runtime().PreviewPages();
    if (!m_pages)
        throw TfrxException(frxGet(Q("enNoStore")));
    m_page = nullptr;
    m_pages->PrepareStart();
    const QDateTime now = QDateTime::currentDateTime();
    StartDate = Variant(now.date());
    StartTime = Variant(now.time());
    frx::TfrxEngineValues* values = Values();
    values->StartDate = now.date();
    values->StartTime = now.time();
    Running = true;
    PageLimit = 0;
    CurColumn = 1;
    CurVColumn = 0;
    m_keptBand = nullptr;
    m_firstTime = true;
    m_lineNo = 0;
    m_line = 0;
    m_dataSets.clear();
    m_dataSetsByName.clear();

    bool result = false;
    try {
        result = RunBody();
    } catch (...) {
        FinishRun();
        throw;
    }
    FinishRun();
    return result;
}

bool TfrxEngine::RunBody() {
    for (TfrxComponent* c : Report->Objects())
        if (auto* page = qobject_cast<TfrxReportPage*>(c))
            page->LayOutChildren();
    CheckTemplate();
    if (!Report->Errors().isEmpty())
        return false;

    for (TfrxDataSet* ds : std::as_const(m_dataSets))
        ds->Initialize();
    RunEvent(Report->OnStartReport(), Report);

    // Dialog pages are refused by CheckTemplate; a script may still decide not to go on.
    if (!Report->OnRunDialogs().isEmpty()) {
        Variant go;
        QString error;
        if (!Report->Script()->CallFunction(Report->OnRunDialogs(), {Variant(true)}, go, &error))
            throw TfrxException(error);
        if (!go.ToBool(false))
            return false;
    }

    for (TfrxComponent* c : Report->Objects())
        if (auto* page = qobject_cast<TfrxReportPage*>(c))
            m_pages->RegisterSourcePage(page);

    FinalPass = !DoublePass();
    TotalPages = 0;
    m_pages->PassStart();
    RunReportPages();
    if (DoublePass()) {
        TotalPages = m_pages->PageCount();
        m_pages->DiscardFirstPass();
        FinalPass = true;
        m_firstTime = true;
        // A first pass keeps only positions, not texts. One the user cut short is made again
        // as far as it got, so that the preview shows those pages rather than none.
        const bool cancelled = Report->Terminated;
        if (cancelled) {
            Report->Terminated = false;
            PageLimit = TotalPages;
        }
        struct EndLimit {
            TfrxEngine& engine;
            bool cancelled;
            ~EndLimit() {
                if (!cancelled)
                    return;
                engine.PageLimit = 0;
                engine.Report->Terminated = true;
            }
        } endLimit{*this, cancelled};
        RunReportPages();
        if (cancelled) {
            while (m_pages->PageCount() > PageLimit && PageLimit > 0)
                m_pages->RemovePage(m_pages->PageCount() - 1);
            m_pages->CurrentPage = std::min(m_pages->CurrentPage, m_pages->PageCount() - 1);
        }
    }
    return true;
}

void TfrxEngine::FinishRun() {
    // Every step runs; a failing one leaves its message in Errors.
    auto step = [this](const std::function<void()>& f) {
        try {
            f();
        } catch (const std::exception& e) {
            Report->AddError(platform::MessageOf(e));
        }
    };
    step([this] { RunEvent(Report->OnStopReport(), Report); });
    for (TfrxDataSet* ds : std::as_const(m_dataSets))
        step([ds] { ds->Finalize(); });
    m_dataSets.clear();
    m_dataSetsByName.clear();
    step([this] { m_pages->PrepareFinish(); });
    Running = false;
    m_page = nullptr;
    m_headerList.clear();
    m_titleOnce = nullptr;
    Report->CurrentObjectName.clear();
}

// Refuses what this engine does not build, names missing data sets and collects the data sets
// the run walks.
void TfrxEngine::CheckTemplate() {
    auto useDataSet = [this](TfrxComponent* owner, TfrxDataSet* ds, const QString& name) {
        if (name.isEmpty() && !ds)
            return;
        if (!ds) {
            Report->AddError(Message("clDSNotExist", {name}));
            return;
        }
        if (!m_dataSets.contains(ds))
            m_dataSets.append(ds);
        Q_UNUSED(owner);
    };
    TfrxDataSet* reportSet = ReportDataSet();
    useDataSet(Report, reportSet, Report->DataSetName());

    for (TfrxComponent* c : Report->Objects()) {
        if (auto* dialog = qobject_cast<TfrxDialogPage*>(c)) {
            if (dialog->Visible())
                Report->AddError(Message("enDialogs", {NameOf(dialog)}));
            continue;
        }
        auto* page = qobject_cast<TfrxReportPage*>(c);
        if (!page)
            continue;
        if (page->Columns() > 1)
            Report->AddError(Message("enColumns", {NameOf(page)}));
        if (page->EndlessHeight() || page->EndlessWidth())
            Report->AddError(Message("enEndless", {NameOf(page)}));
        TfrxDataSet* pageSet = DataSetOf(page);
        useDataSet(page, pageSet, page->DataSetName());
        if (pageSet && pageSet == reportSet)
            Report->AddError(Message("enDataSetConflict", {NameOf(page), pageSet->UserName()}));

        for (TfrxComponent* o : page->AllObjects()) {
            const QString name = NameOf(o);
            if (qobject_cast<TfrxSubreport*>(o)) {
                Report->AddError(Message("enSubreports", {name}));
                continue;
            }
            auto* band = qobject_cast<TfrxBand*>(o);
            if (!band)
                continue;
            if (qobject_cast<TfrxGroupHeader*>(band) || qobject_cast<TfrxGroupFooter*>(band))
                Report->AddError(Message("enGroups", {name}));
            else if (qobject_cast<TfrxColumnHeader*>(band) ||
                     qobject_cast<TfrxColumnFooter*>(band))
                Report->AddError(Message("enColumns", {name}));
            else if (qobject_cast<TfrxChild*>(band))
                Report->AddError(Message("enChildBands", {name}));
            else if (qobject_cast<TfrxDetailData*>(band) || qobject_cast<TfrxSubdetailData*>(band))
                Report->AddError(Message("enDetailBands", {name}));
            else if (!qobject_cast<TfrxReportTitle*>(band) &&
                     !qobject_cast<TfrxReportSummary*>(band) &&
                     !qobject_cast<TfrxPageHeader*>(band) &&
                     !qobject_cast<TfrxPageFooter*>(band) && !qobject_cast<TfrxOverlay*>(band) &&
                     !qobject_cast<TfrxHeader*>(band) && !qobject_cast<TfrxFooter*>(band) &&
                     !qobject_cast<TfrxMasterData*>(band))
                Report->AddError(Message("enBandRole",
                                         {name, QString::fromLatin1(band->metaObject()->className())}));
            if (band->AllowSplit())
                Report->AddError(Message("enSplit", {name}));
            if (band->KeepChild())
                Report->AddError(Message("enKeepTogether", {name}));
            if (band->Parent() != page)
                Report->AddError(Message("enBandRole",
                                         {name, QString::fromLatin1(band->metaObject()->className())}));
            if (auto* data = qobject_cast<TfrxMasterData*>(band)) {
                if (data->KeepTogether())
                    Report->AddError(Message("enKeepTogether", {name}));
                if (data->ColumnsCount() > 1)
                    Report->AddError(Message("enColumns", {name}));
                TfrxDataSet* ds = DataSetOf(data);
                useDataSet(data, ds, data->DataSetName());
                if (ds && (ds == pageSet || ds == reportSet))
                    Report->AddError(Message("enDataSetConflict", {name, ds->UserName()}));
            }
        }
    }
}

void TfrxEngine::RunReportPages() {
    m_lineNo = 0;
    if (TfrxDataSet* ds = ReportDataSet()) {
        ds->First();
        while (!ds->Eof() && !Report->Terminated) {
            RunPagesOnce();
            ds->Next();
        }
    } else {
        RunPagesOnce();
    }
}

void TfrxEngine::RunPagesOnce() {
    for (TfrxComponent* c : Report->Objects()) {
        auto* page = qobject_cast<TfrxReportPage*>(c);
        if (!page || !page->Visible())
            continue;
        RunPage(page);
        m_firstTime = false;
        if (Report->Terminated)
            break;
    }
}

void TfrxEngine::RunPage(TfrxReportPage* page) {
    m_page = page;
    RunEvent(page->OnBeforePrint(), page);
    if (TfrxDataSet* ds = DataSetOf(page)) {
        ds->First();
        while (!ds->Eof() && !Report->Terminated) {
            RunPageBody(page);
            ds->Next();
        }
    } else {
        RunPageBody(page);
    }
    RunEvent(page->OnAfterPrint(), page);
}

void TfrxEngine::RunPageBody(TfrxReportPage* page) {
    if (!Report->EngineOptions()->PrintIfEmpty() && !PageHasRecords(page))
        return;
    StartPageRun(page);
    ShowPageObjects(page);
    if (Report->OnManualBuild)
        Report->OnManualBuild(page);
    else if (!page->OnManualBuild().isEmpty())
        RunEvent(page->OnManualBuild(), page);
    else
        RunDataBands(page);
    m_finished = true;
    EndPage();
}

void TfrxEngine::StartPageRun(TfrxReportPage* page) {
    m_headerList.clear();
    TfrxBand* title = FindBand<TfrxReportTitle>(page);
    TfrxBand* header = FindBand<TfrxPageHeader>(page);
    if (page->TitleBeforeHeader())
        m_headerList << title << header;
    else
        m_headerList << header << title;
    m_headerList.removeAll(nullptr);
    m_titleOnce = title;

    PageHeight = page->PaperHeight() * fr01cm - page->BottomMargin() * fr01cm -
                 page->TopMargin() * fr01cm;
    PageWidth = page->PaperWidth() * fr01cm - page->LeftMargin() * fr01cm -
                page->RightMargin() * fr01cm;
    CurX = 0;
    CurY = 0;
    CurColumn = 1;
    m_finished = false;
    m_pagesBegun = 0;

    if (page->ResetPageNumbers())
        m_pages->LogicalPageRestart();
    if (m_pages->PageCount() > 0 && page->PrintOnPreviousPage()) {
        // Headers belong to a new page: the output goes on below the last page's bands, and
        // the header list waits for the next page begun.
        CurY = m_pages->BottomOfBands();
        m_pageFresh = false;
        m_pageHasBody = true;
    } else {
        BeginPage();
    }
    if (m_firstTime)
        m_pages->FirstPage = m_pages->CurrentPage;

    if (TfrxCustomOutline* outline = m_pages->Outline()) {
        outline->LevelRoot();
        if (!page->OutlineText().isEmpty())
            outline->AddItem(Report->Calc(page->OutlineText()).ToString(),
                             static_cast<int>(CurY));
    }
}

void TfrxEngine::BeginPage() {
    // Past the pages a cancelled first pass reached: this page is dropped when the run ends.
    if (PageLimit > 0 && m_pages->PageCount() >= PageLimit)
        Report->Terminated = true;
    m_pages->StartPage(m_page);
    ++m_pagesBegun;
    CurY = 0;
    m_pageFresh = true;
    m_pageHasBody = false;
    ShowOverlay(false);
    ShowHeaders();
}

void TfrxEngine::ShowHeaders() {
    const QList<TfrxBand*> bands = m_headerList; // showing may start pages and change the list
    for (TfrxBand* band : bands) {
        if (auto* header = qobject_cast<TfrxPageHeader*>(band);
            header && !header->PrintOnFirstPage() && m_pagesBegun == 1 && m_firstTime)
            continue;
        if (band == m_titleOnce) {
            m_headerList.removeAll(band);
            m_titleOnce = nullptr;
        }
        ShowBand(band);
    }
}

void TfrxEngine::ShowOverlay(bool onTop) {
    auto* overlay = m_page ? FindBand<TfrxOverlay>(m_page) : nullptr;
    if (!overlay || static_cast<TfrxOverlay*>(overlay)->PrintOnTop() != onTop)
        return;
    const long double savedY = CurY;
    CurY = 0;
    try {
        ShowBand(overlay);
    } catch (...) {
        CurY = savedY;
        throw;
    }
    CurY = savedY;
}

// The objects placed directly on the page go out through a temporary band as large as the
// printable area, in page order, at their own positions; the band takes no room.
void TfrxEngine::ShowPageObjects(TfrxReportPage* page) {
    QList<TfrxComponent*> objects;
    for (TfrxComponent* c : page->Objects())
        if (!qobject_cast<TfrxBand*>(c))
            objects.append(c);
    TfrxNullBand band;
    band.SetBounds(0, 0, PageWidth, PageHeight);
    const long double savedY = CurY;
    // The band lists the page's objects without owning them; they go back in every case,
    // before the band goes.
    struct Borrowed {
        TfrxNullBand& band;
        ~Borrowed() { band.ReturnBorrowed(); }
    } borrowed{band};
    band.BorrowObjects(objects);
    try {
        band.LayOutChildren();
        ShowBand(&band);
    } catch (...) {
        CurY = savedY;
        throw;
    }
    CurY = savedY;
}

void TfrxEngine::RunDataBands(TfrxReportPage* page) {
    const QList<TfrxBand*> bands = BandsByTop(page);
    for (qsizetype i = 0; i < bands.size() && !Report->Terminated; ++i) {
        auto* data = qobject_cast<TfrxMasterData*>(bands[i]);
        if (!data)
            continue;
        // A header belongs to the data band right below it, a footer to the one right above.
        TfrxBand* header = i > 0 ? qobject_cast<TfrxHeader*>(bands[i - 1]) : nullptr;
        TfrxBand* footer = i + 1 < bands.size() ? qobject_cast<TfrxFooter*>(bands[i + 1]) : nullptr;
        RunDataBand(data, header, footer);
    }
}

void TfrxEngine::RunDataBand(TfrxDataBand* band, TfrxBand* header, TfrxBand* footer) {
    TfrxDataSet* ds = DataSetOf(band);
    const int rows = band->RowCount();
    if (ds)
        ds->First();
    if (ds ? ds->Eof() : rows <= 0)
        return;

    m_line = 0;
    auto* reprinted = qobject_cast<TfrxHeader*>(header);
    auto dropHeader = [&] {
        if (reprinted)
            m_headerList.removeAll(reprinted);
    };
    try {
        if (header) {
            ShowBand(header);
            if (reprinted && reprinted->ReprintOnNewPage())
                m_headerList.append(reprinted);
        }
        for (int row = 0; !Report->Terminated; ++row) {
            if (ds ? ds->Eof() : row >= rows)
                break;
            ++m_line;
            ++m_lineNo;
            ShowBand(band);
            if (ds)
                ds->Next();
        }
    } catch (...) {
        dropHeader();
        throw;
    }
    dropHeader();
    ShowBand(footer);
}

// ---------------------------------------------------------------------------------------------
// Pages

void TfrxEngine::EndPage() {
    const bool finished = m_finished;
    m_finished = false;
    if (finished && m_page)
        ShowBand(FindBand<TfrxReportSummary>(m_page));
    if (m_page) {
        if (auto* footer = static_cast<TfrxPageFooter*>(FindBand<TfrxPageFooter>(m_page))) {
            const bool first = m_pagesBegun == 1 && m_firstTime;
            if ((!first || footer->PrintOnFirstPage()) && (!finished || footer->PrintOnLastPage())) {
                CurY = PageHeight - footer->Height();
                ShowBand(footer);
            }
        }
        ShowOverlay(true);
    }
}

void TfrxEngine::NewColumn() { NewPage(); }

void TfrxEngine::NewPage() {
    EndPage();
    BeginPage();
}

long double TfrxEngine::HeaderHeight() {
    TfrxBand* header = m_page ? FindBand<TfrxPageHeader>(m_page) : nullptr;
    return header && header->Visible() ? header->Height() : 0;
}

long double TfrxEngine::FooterHeight() {
    TfrxBand* footer = m_page ? FindBand<TfrxPageFooter>(m_page) : nullptr;
    return footer && footer->Visible() ? footer->Height() : 0;
}

long double TfrxEngine::FreeSpace() {
    if (m_page && m_page->EndlessHeight())
        return 1000000;
    return PageHeight - FooterHeight() - CurY;
}

void TfrxEngine::AddAnchor(const QString& text) {
    if (TfrxCustomPreviewPages* pages = Report->Runtime().PreviewPages())
        pages->AddAnchor(text);
}

int TfrxEngine::GetAnchorPage(const QString& text) {
    TfrxCustomPreviewPages* pages = Report->Runtime().PreviewPages();
    return pages ? pages->GetAnchorPage(text) : 1;
}

Variant TfrxEngine::GetAggregateValue(const QString& name) {
    throw TfrxException(Message("enAggregates", {name}));
}

// ---------------------------------------------------------------------------------------------
// Bands

void TfrxEngine::ShowBand(const QMetaObject* bandClass) {
    if (!m_page || !bandClass)
        return;
    for (TfrxComponent* c : m_page->Objects())
        if (c->metaObject()->inherits(bandClass))
            return ShowBand(qobject_cast<TfrxBand*>(c));
}

void TfrxEngine::ShowBand(TfrxBand* band) {
    if (!band)
        return;
    const bool isNull = qobject_cast<TfrxNullBand*>(band) != nullptr;
    const bool fixed = HasFixedPlace(band);
    const bool body = qobject_cast<TfrxDataBand*>(band) || qobject_cast<TfrxFooter*>(band) ||
                      qobject_cast<TfrxReportSummary*>(band);

    if (band->StartNewPage() && !isNull && m_pageHasBody)
        NewPage();
    // A band that will not fit at its design height goes to the next page before its
    // expressions are evaluated, so it reads the page it lands on.
    if (!fixed && band->Visible() && !m_pageFresh && FreeSpace() < band->Height())
        NewPage();

    BandState state;
    try {
        PrepareBand(band, state);
        if (band->Visible()) {
            if (!fixed && !m_pageFresh && FreeSpace() < band->Height())
                NewPage();
            if (!isNull) {
                band->SetLeft(CurX);
                band->SetTop(CurY);
            }
            if (!qobject_cast<TfrxPageHeader*>(band) || !m_pages->BandOnPage(band))
                m_pages->AppendObject(band);
            CurY += band->Height();
            if (!fixed && !m_headerList.contains(band))
                m_pageFresh = false;
            if (body)
                m_pageHasBody = true;
        }
    } catch (...) {
        UnprepareBand(band, state, true);
        Report->CurrentObjectName.clear();
        throw;
    }
    UnprepareBand(band, state, false);
    Report->CurrentObjectName.clear();
}

void TfrxEngine::PrepareBand(TfrxBand* band, BandState& state) {
    SyncValues();
    const QList<TfrxComponent*> objects = band->Objects();
    state.originalCount = objects.size();
    if (band != m_keptBand) {
        Report->CurrentObjectName = band->Name();
        band->BeforePrint();
        state.bandSaved = true;
        NotifyBefore(band);
    }
    const bool bandVisible = band->Visible();
    for (TfrxComponent* c : objects) {
        auto* obj = qobject_cast<TfrxReportComponent*>(c);
        ++state.objectsSaved;
        if (!obj)
            continue;
        Report->CurrentObjectName = obj->Name();
        obj->BeforePrint();
        if (!bandVisible)
            continue;
        NotifyBefore(obj);
        if (obj->Visible()) {
            obj->EvaluateContent();
            if (auto* view = qobject_cast<TfrxView*>(obj))
                RunEvent(view->OnAfterData(), view);
        }
    }

    // Stretching never shrinks an object. Most bands hold nothing that stretches.
    auto stretches = [](const TfrxComponent* c) {
        auto* s = qobject_cast<const TfrxStretcheable*>(c);
        return s && s->Visible() && s->StretchMode() != smDontStretch;
    };
    QList<long double> stretch;
    QList<TfrxBounds> design;
    bool stretched = false;
    if (bandVisible && std::any_of(objects.begin(), objects.end(), stretches)) {
        stretch.resize(objects.size(), 0);
        design.reserve(objects.size());
        for (qsizetype i = 0; i < objects.size(); ++i) {
            TfrxComponent* c = objects[i];
            design.append(TfrxBounds{c->Left(), c->Top(), c->Width(), c->Height()});
            auto* s = qobject_cast<TfrxStretcheable*>(c);
            if (!s || !s->Visible() || s->StretchMode() == smDontStretch)
                continue;
            Report->CurrentObjectName = s->Name();
            const long double h = s->CalcHeight();
            if (h > s->Height()) {
                stretch[i] = h - s->Height();
                s->SetHeight(h);
                stretched = true;
            }
        }
        if (stretched)
            ShiftObjects(band, stretch, design);
    }

    long double bottom = 0;
    for (const TfrxComponent* c : objects)
        bottom = std::max(bottom, c->Top() + c->Height());
    if (band->Stretched())
        band->SetHeight(bottom);
    RunEvent(band->OnAfterCalcHeight(), band);
    for (TfrxComponent* c : objects)
        if (auto* s = qobject_cast<TfrxStretcheable*>(c); s && s->StretchMode() == smMaxHeight)
            s->SetHeight(bottom - s->Top());
}

// An object moves down by the largest growth of the objects above it: what they stretched
// plus how far they moved themselves. smWhenOverlapped counts only objects above that share
// some of its width; smDontShift never moves.
void TfrxEngine::ShiftObjects(TfrxBand* band, const QList<long double>& stretch,
                              const QList<TfrxBounds>& design) {
    const QList<TfrxComponent*>& objects = band->Objects();
    const qsizetype n = std::min(objects.size(), design.size());
    QList<qsizetype> order(n);
    for (qsizetype i = 0; i < n; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return design[a].Top < design[b].Top; });
    QList<long double> shift(n, 0);
    constexpr long double eps = 1e-6L;
    for (qsizetype k = 0; k < n; ++k) {
        const qsizetype i = order[k];
        auto* view = qobject_cast<TfrxView*>(objects[i]);
        if (!view || view->ShiftMode() == smDontShift)
            continue;
        const TfrxBounds& me = design[i];
        long double s = 0;
        for (qsizetype m = 0; m < k; ++m) {
            const qsizetype j = order[m];
            const TfrxBounds& above = design[j];
            if (stretch[j] == 0 && shift[j] == 0)
                continue;
            if (above.Top + above.Height > me.Top + eps)
                continue;
            if (view->ShiftMode() == smWhenOverlapped &&
                (above.Left >= me.Left + me.Width || me.Left >= above.Left + above.Width))
                continue;
            s = std::max(s, shift[j] + stretch[j]);
        }
        if (s > 0) {
            shift[i] = s;
            view->SetTop(view->Top() + s);
        }
    }
}

void TfrxEngine::UnprepareBand(TfrxBand* band, BandState& state, bool unwinding) {
    const QList<TfrxComponent*> objects = band->Objects();
    const qsizetype saved = std::min(state.objectsSaved, objects.size());
    std::exception_ptr error;
    if (band->Visible()) {
        for (qsizetype i = 0; i < saved && !error; ++i) {
            if (auto* obj = qobject_cast<TfrxReportComponent*>(objects[i])) {
                try {
                    Report->CurrentObjectName = obj->Name();
                    NotifyAfter(obj);
                } catch (...) {
                    error = std::current_exception();
                }
            }
        }
    }
    // The template state comes back whatever happened above.
    for (qsizetype i = 0; i < saved; ++i)
        if (auto* obj = qobject_cast<TfrxReportComponent*>(objects[i]))
            obj->AfterPrint();
    if (state.bandSaved) {
        if (band->Visible() && !error) {
            try {
                NotifyAfter(band);
            } catch (...) {
                error = std::current_exception();
            }
        }
        band->AfterPrint();
    }
    // Objects added while the band was output go with it.
    while (band->Objects().size() > state.originalCount)
        delete band->Objects().takeLast();
    if (error && !unwinding)
        std::rethrow_exception(error);
}

void TfrxEngine::NotifyBefore(TfrxReportComponent* c) {
    if (Report->OnBeforePrint)
        Report->OnBeforePrint(c);
    RunEvent(BeforePrintEvent(c), c);
}

void TfrxEngine::NotifyAfter(TfrxReportComponent* c) {
    if (Report->OnAfterPrint)
        Report->OnAfterPrint(c);
    RunEvent(AfterPrintEvent(c), c);
}

void TfrxEngine::RunEvent(const QString& name, QObject* sender) {
    if (name.isEmpty() || !Running)
        return;
    QString error;
    if (!Report->Script()->CallEvent(name, sender, &error) && !Report->Terminated)
        throw TfrxException(error);
}

// ---------------------------------------------------------------------------------------------
// Helpers

TfrxDataSet* TfrxEngine::DataSetOf(TfrxDataBand* band) const {
    if (TfrxDataSet* ds = band->DataSet())
        return ds;
    return band->DataSetName().isEmpty() ? nullptr : Report->GetDataSet(band->DataSetName());
}

TfrxDataSet* TfrxEngine::DataSetOf(TfrxReportPage* page) const {
    if (TfrxDataSet* ds = page->DataSet())
        return ds;
    return page->DataSetName().isEmpty() ? nullptr : Report->GetDataSet(page->DataSetName());
}

TfrxDataSet* TfrxEngine::ReportDataSet() const {
    if (TfrxDataSet* ds = Report->DataSet())
        return ds;
    return Report->DataSetName().isEmpty() ? nullptr : Report->GetDataSet(Report->DataSetName());
}

template <class T> T* TfrxEngine::FindBand(TfrxReportPage* page) const {
    for (TfrxComponent* c : page->Objects())
        if (auto* b = qobject_cast<T*>(c))
            return b;
    return nullptr;
}

bool TfrxEngine::PageHasRecords(TfrxReportPage* page) const {
    for (TfrxComponent* c : page->Objects()) {
        auto* data = qobject_cast<TfrxMasterData*>(c);
        if (!data)
            continue;
        if (TfrxDataSet* ds = DataSetOf(data)) {
            if (ds->RecordCount() > 0)
                return true;
        } else if (data->RowCount() > 0) {
            return true;
        }
    }
    return false;
}

void TfrxEngine::SyncValues() {
    frx::TfrxEngineValues* v = Values();
    v->Page = m_pages->LogicalPageNumber();
    v->PageIndex = m_pages->CurrentPage;
    v->TotalPages = m_pages->LogicalPageTotal();
    v->EngineTotalPages = TotalPages;
    v->Line = m_line;
    v->LineNo = m_lineNo;
}

#include "frxEngine.moc"

std::unique_ptr<TfrxCustomEngine> frxCreateEngine(TfrxReport* report) {
    return std::make_unique<TfrxEngine>(report);
}
