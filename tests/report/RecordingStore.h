#pragma once
// A store that records what the engine hands it: each page's objects as plain records.

#include "report/frxClass.h"
#include "report/frxRuntime.h"

#include <QList>
#include <QString>

struct ObjectRecord {
    QString cls, name, text;
    long double left = 0, top = 0, width = 0, height = 0; // absolute on the page
    bool operator==(const ObjectRecord&) const = default;
};

class RecordingStore : public TfrxCustomPreviewPages {
public:
    explicit RecordingStore(TfrxReport* report) { Report = report; }

    QList<QList<ObjectRecord>> pages;
    QList<const TfrxBand*> bandsOfPage; // templates of the bands on the current page
    QStringList calls;

    int PageCount() override { return static_cast<int>(pages.size()); }
    TfrxReportPage* BuildPage(int) override { return nullptr; }
    QPoint PageSizeOf(int) override { return {}; }
    void ClearAll() override {
        pages.clear();
        CurrentPage = -1;
        calls << QStringLiteral("ClearAll");
    }
    void PrepareStart() override {
        calls << QStringLiteral("PrepareStart");
        Report->ProgressStart(ptRunning);
    }
    void AppendObject(TfrxComponent* obj) override {
        Append(obj, 0, 0);
        if (auto* b = qobject_cast<TfrxBand*>(obj))
            bandsOfPage.append(b);
    }
    void StartPage(TfrxPage*) override {
        ++CurrentPage;
        if (CurrentPage >= pages.size()) {
            pages.append(QList<ObjectRecord>());
            CurrentPage = static_cast<int>(pages.size()) - 1;
        }
        bandsOfPage.clear();
        Report->ProgressStep(ptRunning, CurrentPage + 1);
    }
    void RegisterSourcePage(TfrxPage*) override { calls << QStringLiteral("RegisterSourcePage"); }
    void RegisterRuntimeObject(TfrxComponent*) override {}
    void PassStart() override {
        calls << QStringLiteral("PassStart");
        m_firstPassEnd = static_cast<int>(pages.size());
    }
    void DiscardFirstPass() override {
        calls << QStringLiteral("DiscardFirstPass");
        pages.erase(pages.begin() + m_firstPassEnd, pages.end());
        CurrentPage = m_firstPassEnd - 1;
    }
    int CutTail(int) override { return 0; }
    void PrepareFinish() override {
        calls << QStringLiteral("PrepareFinish");
        Report->ProgressStop(ptRunning);
    }
    void LogicalPageAdvance() override {}
    void LogicalPageRestart() override {}
    void PasteTail(long double, long double) override {}
    void MoveAnchors(int, int) override {}
    void CachePicture(TfrxView*) override {}
    bool BandOnPage(TfrxBand* band) override { return bandsOfPage.contains(band); }
    int ObjectPosition() override { return 0; }
    int AnchorPosition() override { return 0; }
    long double BottomOfBands() override { return 0; }
    int LogicalPageNumber() override { return CurrentPage + 1; }
    int LogicalPageTotal() override { return 0; }
    void InsertBlankPage(int) override {}
    void RemovePage(int) override {}
    void ReplacePage(int, TfrxReportPage*) override {}
    void RenderPage(int, platform::Canvas*, long double, long double, long double,
                    long double) override {}
    void HitTest(int, int, int, int, int, long double, int, int, bool, int&) override {}
    void AppendReport(TfrxReport*) override {}
    void ReadFromStream(QIODevice&, bool) override {}
    void WriteToStream(QIODevice&) override {}
    bool ReadFromFile(const QString&, bool) override { return false; }
    void WriteToFile(const QString&) override {}
    bool Print() override { return false; }
    bool Export(void*) override { return false; }
    TfrxCustomOutline* Outline() override { return nullptr; }

private:
    void Append(TfrxComponent* obj, long double x, long double y) {
        if (!obj->Visible())
            return;
        ObjectRecord r;
        r.cls = QString::fromLatin1(obj->metaObject()->className());
        r.name = obj->Name();
        if (auto* m = qobject_cast<TfrxCustomMemoView*>(obj))
            r.text = m->Memo().join(QLatin1Char('\n'));
        r.left = x + obj->Left();
        r.top = y + obj->Top();
        r.width = obj->Width();
        r.height = obj->Height();
        pages[CurrentPage].append(r);
        for (TfrxComponent* c : obj->Objects())
            Append(c, r.left, r.top);
    }
    int m_firstPassEnd = 0;
};
