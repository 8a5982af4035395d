#pragma once
// The prepared pages store: the output of report preparation kept as an XML item tree, each
// object on a page stored as a short delta against a source object copied once from the
// template; live pages are rebuilt on demand, kept in a small most-recently-used cache and, under
// memory pressure, finished pages are spilled to a temporary file. Beside the pages the document
// holds the outline, the anchors and the logical page numbers.

#include "xml/frxXML.h"
#include "report/frxRuntime.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMetaProperty>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class TfrxPreviewPages;
class TfrxReportPage;

// Alias -> source object. Two lists: aliases kept sorted, each pointing into an unsorted list of
// source names ("Page0.Memo1"), each of which points to its object.
class TfrxDictionary {
public:
    void Add(const QString& alias, const QString& sourceName, TfrxComponent* object);
    void Clear();
    int Count() const { return static_cast<int>(m_aliases.size()); }
    // The alias at `index` of the sorted list.
    QString Alias(int index) const { return m_aliases.at(index); }
    bool Contains(const QString& alias) const { return m_index.contains(alias); }
    // Empty / null for an alias that is not there (exact match).
    QString SourceName(const QString& alias) const;
    TfrxComponent* Object(const QString& alias) const;
    // prefix + the number found by halving from 10000 while prefix + n is free, then counting
    // up from there: m1, m2, m3, ... for a growing dictionary.
    QString MakeUniqueName(const QString& prefix) const;

private:
    QStringList m_aliases;     // sorted, case ignored
    QList<int> m_aliasSource;  // parallel to m_aliases: index into m_sourceNames
    QStringList m_sourceNames; // in order of addition
    QList<QPointer<TfrxComponent>> m_objects;
    QHash<QString, int> m_index; // alias -> index into m_sourceNames
};

// The saved pictures of picture views, in the order they were cached; identical pictures are
// not merged.
class TfrxPictureCache {
public:
    int Count() const { return static_cast<int>(m_streams.size()); }
    // Appends a stream; returns the new count (the image index of the picture).
    int Add(const QByteArray& stream);
    // The stream at `index` (0-based), empty outside the cache.
    QByteArray Stream(int index) const;
    void Clear() { m_streams.clear(); }

private:
    QList<QByteArray> m_streams;
};

// Picture views are views with the properties `Picture` (QByteArray: the saved graphic, empty
// when there is none) and `ImageIndex` (int: 1-based place in the picture cache, 0 for none).
bool frxIsPictureView(const TfrxComponent* obj);

// The report outline, kept in the document's "outline" item: nested "item"s with `text`, `page`
// (0-based) and `top` (px).
class TfrxOutline : public TfrxCustomOutline {
public:
    explicit TfrxOutline(TfrxPreviewPages* pages) : m_pages(pages) {}

    void AddItem(const QString& text, int top) override;
    void LevelRoot() override;
    void LevelUp() override;
    void LevelInto(int index) override;
    void ItemAt(int index, QString& text, int& page, int& top) override;
    int ItemCount() override;
    TfrxXMLItem* LastItem() override;
    void ShiftFollowing(TfrxXMLItem* item, int newTop) override;

    // The current item; the "outline" item (made on first use) when none was chosen.
    TfrxXMLItem* CurrentItem();
    // Forgets the current item (the document dropped it); the next use starts at the root.
    void Reset() { m_current = nullptr; }

private:
    TfrxXMLItem* Root();

    TfrxPreviewPages* m_pages;
    TfrxXMLItem* m_current = nullptr;
};

class TfrxPreviewPages : public TfrxCustomPreviewPages {
public:
    explicit TfrxPreviewPages(TfrxReport* report);
    ~TfrxPreviewPages() override;
    TfrxPreviewPages(const TfrxPreviewPages&) = delete;
    TfrxPreviewPages& operator=(const TfrxPreviewPages&) = delete;

    int PageCount() override;
    TfrxReportPage* BuildPage(int index) override;
    QPoint PageSizeOf(int index) override;
    void ClearAll() override;
    void PrepareStart() override;
    void AppendObject(TfrxComponent* obj) override;
    void StartPage(TfrxPage* templatePage) override;
    void RegisterSourcePage(TfrxPage* templatePage) override;
    void RegisterRuntimeObject(TfrxComponent* obj) override;
    void PassStart() override;
    void DiscardFirstPass() override;
    int CutTail(int position) override;
    void PrepareFinish() override;
    void LogicalPageAdvance() override;
    void LogicalPageRestart() override;
    void PasteTail(long double x, long double y) override;
    void MoveAnchors(int index, int newTop) override;
    void CachePicture(TfrxView* picture) override;
    bool BandOnPage(TfrxBand* band) override;
    int ObjectPosition() override;
    int AnchorPosition() override;
    long double BottomOfBands() override;
    int LogicalPageNumber() override;
    int LogicalPageTotal() override;
    void InsertBlankPage(int index) override;
    void RemovePage(int index) override;
    void ReplacePage(int index, TfrxReportPage* page) override;
    void RenderPage(int index, platform::Canvas* canvas, long double scaleX, long double scaleY,
                    long double offsetX, long double offsetY) override;
    TfrxPageHit HitTest(int index, int x, int y, long double scale, int offsetX,
                        int offsetY) override;
    void AppendReport(TfrxReport* report) override;
    // frxPreviewPages_file.cpp
    void ReadFromStream(QIODevice& stream, bool allowPartialLoading = false) override;
    void WriteToStream(QIODevice& stream) override;
    bool ReadFromFile(const QString& fileName, bool mustExist = false) override;
    void WriteToFile(const QString& fileName) override;
    // Through the handlers installed at start-up (TfrxPrintHandler, TfrxExportHandler).
    bool Print() override;
    bool Export(TfrxCustomExportFilter& filter) override;

    TfrxOutline* Outline() override { return &m_outline; }
    void AddAnchor(const QString& text) override;
    int GetAnchorPage(const QString& text) override;
    void SetSourcePaper(TfrxPage* templatePage, long double width, long double height) override;

    // Appends every page of `other` as a whole page (AppendReport with the other report's store).
    void AppendPages(TfrxCustomPreviewPages& other);

    // The engine this store reads (final pass, current Y, total pages, running); the report's
    // own unless one is set here.
    TfrxCustomEngine* Engine() const;
    void SetEngine(TfrxCustomEngine* engine) { m_engine = engine; }

    // Frees the live pages of the cache; printing keeps no page alive between sheets.
    void ClearPageCache() { ClearCache(); }

    // Set by the print job, handed to text objects while drawing.
    int CopyNo = 0;
    long double PrintScale = 1;
    // Set by ReadFromStream.
    bool AllowPartialLoading = false;

    TfrxXMLDocument& Document() { return m_doc; }
    TfrxDictionary& Dictionary() { return m_dictionary; }
    TfrxPictureCache& PictureCache() { return m_pictureCache; }
    int SourcePageCount() const { return static_cast<int>(m_sourcePages.size()); }
    TfrxPage* SourcePage(int index) const;
    // Page indexes of the live pages in the cache, most recent first.
    QList<int> CachedPages() const;
    // Rough bytes of what was appended since the last spill.
    qint64 SizeEstimate() const { return m_sizeEstimate; }
    // What rebuilding pages could not read ("Cannot find class ..."), sorted, no duplicates.
    // Also handed to the report's error list.
    const QStringList& Errors() const { return m_errors; }

    // Named children of the root, made on first use; Find* give null when absent.
    TfrxXMLItem* PagesItem();
    TfrxXMLItem* FindRootItem(const char* name) const;
    TfrxXMLItem* RootItem(const char* name);

private:
    friend class TfrxOutline;
    struct CacheEntry {
        int index;
        std::unique_ptr<TfrxReportPage> page;
    };
    // An object as its source's stored text describes it, read once per source. A page's copy
    // of it is a new object of its class given the prototype's stored properties: those that
    // differ from a new object's, and the font and its parent-font flag always (a new object
    // with a parent starts with the parent's font). References are read again on each page,
    // where the objects they name are; binary properties are kept as bytes.
    struct Assignment {
        std::vector<QMetaProperty> path; // through the owned parts, then the property
        QVariant value;
    };
    struct Prototype {
        std::unique_ptr<TfrxComponent> object;
        std::vector<Assignment> assignments;
        QByteArray references;
        QByteArray binary;
    };
    // A new object like the prototype, owned by and child of `parent`.
    static TfrxComponent* Instantiate(const Prototype& proto, TfrxComponent* parent);
    const Prototype* PrototypeOf(const TfrxComponent* source);

    TfrxXMLItem* PageItem(int index);
    // The alias as item name; every item of one source object shares these bytes.
    const QByteArray& AliasBytes(const QString& alias);
    // The item of the current page, read back first when it was spilled; null without one.
    TfrxXMLItem* CurrentPageItem();
    void AddObjectItems(TfrxComponent* obj, TfrxXMLItem* pageItem);
    std::unique_ptr<TfrxReportPage> ReadPage(TfrxXMLItem* item);
    void ReadObjects(TfrxXMLItem* item, TfrxComponent* parent);
    void ClearCache();
    // Writes a page item out to the temporary file (or, with `unloadOnly`, drops one that can be
    // read again from where it came from). Never raises: a failure keeps the pages in memory
    // and is said once.
    void Spill(TfrxXMLItem* item, bool unloadOnly = false);
    void AddError(const QString& message);
    bool FirstPassOfTwo() const;
    bool FinalPassOfTwo() const;
    bool EngineRunning() const;
    TfrxComponent* SourceOfItem(const TfrxXMLItem* item) const;
    TfrxXMLItem* LogicalItem(int index) const;
    // frxPreviewPages_file.cpp: the sections of a document just read.
    void ReadSections();

    TfrxXMLDocument m_doc;
    TfrxOutline m_outline;
    TfrxDictionary m_dictionary;
    TfrxPictureCache m_pictureCache;
    std::vector<std::unique_ptr<TfrxPage>> m_sourcePages;
    std::vector<CacheEntry> m_cache; // most recent first
    std::unordered_map<const TfrxComponent*, Prototype> m_prototypes;
    TfrxXMLItem* m_pagesItem = nullptr;
    TfrxCustomEngine* m_engine = nullptr;
    qint64 m_sizeEstimate = 0;
    int m_logicalCounter = 0;
    int m_firstPageIndex = -1;
    int m_firstObjectIndex = 0;
    // After a spill failed, pages stay in memory until the store is cleared.
    bool m_spillFailed = false;
    QStringList m_spillMessages; // what the user was told, for tests
    // Page items written to since they were last read back or spilled (may hold items that
    // are gone: an address used again only costs a needless write).
    QSet<const TfrxXMLItem*> m_changed;
    QIODevice* m_tempStream = nullptr;
    QStringList m_errors;
    QHash<QString, QByteArray> m_aliasBytes;
};

// The store of a report (the run-time factory's CreatePreviewPages).
std::unique_ptr<TfrxCustomPreviewPages> frxCreatePreviewPages(TfrxReport* report);

// Printing and exporting are done above the store (the print job, export filters); start-up
// installs them as services. Without a handler Print and Export return false: nothing was done.
using TfrxPrintHandler = std::function<bool(TfrxPreviewPages& pages)>;
using TfrxExportHandler =
    std::function<bool(TfrxPreviewPages& pages, TfrxCustomExportFilter& filter)>;
// Whether printing can work (a preview disables its Print button otherwise).
bool frxHasPrintHandler();
bool frxHasExportHandler();
