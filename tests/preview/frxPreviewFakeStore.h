#pragma once
// A prepared pages store for driving the preview control without a report: pages of given
// sizes that draw a frame and their number, a small outline, a link area for hit testing, and a
// log of what the control asked for.

#include "platform/Canvas.h"
#include "report/frxRuntime.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <vector>

class FakeOutline : public TfrxCustomOutline {
public:
    struct Node {
        QString text;
        int page = 0;
        int top = 0;
        std::vector<Node> children;
    };
    Node root;

    void AddItem(const QString& text, int top) override {
        current()->children.push_back({text, 0, top, {}});
        m_path.push_back(static_cast<int>(current()->children.size()) - 1);
    }
    void LevelRoot() override { m_path.clear(); }
    void LevelUp() override {
        if (!m_path.empty())
            m_path.pop_back();
    }
    void LevelInto(int index) override { m_path.push_back(index); }
    void ItemAt(int index, QString& text, int& page, int& top) override {
        const Node& n = current()->children.at(static_cast<std::size_t>(index));
        text = n.text;
        page = n.page;
        top = n.top;
    }
    int ItemCount() override { return static_cast<int>(current()->children.size()); }
    TfrxXMLItem* LastItem() override { return nullptr; }
    void ShiftFollowing(TfrxXMLItem*, int) override {}

private:
    Node* current() {
        Node* n = &root;
        for (int i : m_path)
            n = &n->children[static_cast<std::size_t>(i)];
        return n;
    }
    std::vector<int> m_path;
};

// The parts of a store the preview control never calls (what the engine writes, files): they
// do nothing.
class PreviewOnlyStore : public TfrxCustomPreviewPages {
public:
    void PrepareStart() override {}
    void AppendObject(TfrxComponent*) override {}
    void StartPage(TfrxPage*) override {}
    void RegisterSourcePage(TfrxPage*) override {}
    void RegisterRuntimeObject(TfrxComponent*) override {}
    void PassStart() override {}
    void DiscardFirstPass() override {}
    int CutTail(int) override { return 0; }
    void PrepareFinish() override {}
    void LogicalPageAdvance() override {}
    void LogicalPageRestart() override {}
    void PasteTail(long double, long double) override {}
    void MoveAnchors(int, int) override {}
    void CachePicture(TfrxView*) override {}
    bool BandOnPage(TfrxBand*) override { return false; }
    int ObjectPosition() override { return 0; }
    int AnchorPosition() override { return -1; }
    long double BottomOfBands() override { return 0; }
    int LogicalPageNumber() override { return 0; }
    int LogicalPageTotal() override { return 0; }
    void AddAnchor(const QString&) override {}
    int GetAnchorPage(const QString&) override { return 1; }
    void SetSourcePaper(TfrxPage*, long double, long double) override {}
    void AppendReport(TfrxReport*) override {}
    void ReadFromStream(QIODevice&, bool) override {}
    void WriteToStream(QIODevice&) override {}
    bool ReadFromFile(const QString&, bool) override { return false; }
    void WriteToFile(const QString&) override {}
};

class FakeStore : public PreviewOnlyStore {
public:
    struct Render {
        int index;
        long double scale;
        long double x, y;
    };
    struct Hit {
        int index, x, y;
        long double scale;
        int offsetX, offsetY;
    };

    std::vector<QPoint> sizes;      // px at zoom 1
    std::vector<Render> renders;
    std::vector<Hit> hits;
    int prints = 0;
    int clears = 0;
    // Page-relative link area (px at zoom 1) that hit testing answers with a pointing hand.
    QRect link = QRect(100, 100, 200, 50);
    FakeOutline outline;

    explicit FakeStore(int pages = 0, QPoint size = QPoint(794, 1123)) {
        sizes.assign(static_cast<std::size_t>(pages), size);
    }

    int PageCount() override { return static_cast<int>(sizes.size()); }
    TfrxReportPage* BuildPage(int) override { return nullptr; }
    QPoint PageSizeOf(int index) override {
        if (index < 0 || index >= PageCount())
            return QPoint(0, 0);
        return sizes[static_cast<std::size_t>(index)];
    }
    void ClearAll() override {
        sizes.clear();
        ++clears;
    }
    void InsertBlankPage(int) override {}
    void RemovePage(int) override {}
    void ReplacePage(int, TfrxReportPage*) override {}
    void RenderPage(int index, platform::Canvas* canvas, long double scaleX, long double,
                    long double offsetX, long double offsetY) override {
        renders.push_back({index, scaleX, offsetX, offsetY});
        // A black bar along the page's top, 10 px high at zoom 1.
        canvas->SetBrush(platform::Brush{Qt::black, platform::BrushStyle::Solid});
        const QPoint s = PageSizeOf(index);
        canvas->FillRect(platform::Rect{int(offsetX), int(offsetY),
                                        int(offsetX + s.x() * scaleX), int(offsetY + 10 * scaleX)});
    }
    TfrxPageHit HitTest(int index, int x, int y, long double scale, int offsetX,
                        int offsetY) override {
        hits.push_back({index, x, y, scale, offsetX, offsetY});
        TfrxPageHit hit;
        hit.OnPage = true;
        const QRect r(offsetX + int(link.left() * scale), offsetY + int(link.top() * scale),
                      int(link.width() * scale), int(link.height() * scale));
        if (r.contains(x, y))
            hit.Cursor = Qt::PointingHandCursor;
        return hit;
    }
    bool Print() override {
        ++prints;
        return true;
    }
    bool Export(TfrxCustomExportFilter& filter) override {
        exported.push_back(&filter);
        return true;
    }
    std::vector<TfrxCustomExportFilter*> exported;
    TfrxCustomOutline* Outline() override { return &outline; }
};
