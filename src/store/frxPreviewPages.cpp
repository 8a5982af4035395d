#include "store/frxPreviewPages.h"

#include "platform/Canvas.h"
#include "platform/Error.h"
#include "platform/GbkCodec.h"
#include "platform/LocaleInfo.h"
#include "platform/Registry.h"
#include "store/frxPreviewPages_p.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"
#include "report/frxGraphicUtils.h"
#include "report/frxProps.h"
#include "resources/frxRes.h"

#include <QBuffer>
#include <QDataStream>
#include <QCoreApplication>
#include <QTimer>
#include <QDir>

#include <algorithm>
#include <climits>
#include <cmath>

using namespace frxClass;

using namespace frxStore;

namespace {

// Strings other than text-object contents are kept in the platform's 8-bit code page.
QByteArray Ansi(const QString& s) { return platform::ToGbk(s); }
QString FromAnsi(const QByteArray& b) { return platform::FromGbk(b); }

QByteArray FloatAttr(long double v) {
    return frx::FloatToText(static_cast<double>(v), platform::DecimalSeparator(), 15).toLatin1();
}

// A float attribute written with either decimal separator; `fallback` when absent or not a
// number.
long double FloatOf(const TfrxXMLItem* item, const char* name, long double fallback) {
    QByteArray v = item->GetAttr(name);
    if (v.isEmpty())
        return fallback;
    v.replace(',', '.');
    v.replace(' ', QByteArray());
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && std::isfinite(d) ? d : fallback;
}

int IntOf(const TfrxXMLItem* item, const char* name, int fallback) {
    bool ok = false;
    const int v = item->GetAttr(name).trimmed().toInt(&ok);
    return ok ? v : fallback;
}

// "page0", "page12", "page-1": a page kept as deltas against source page N.
bool ParsePageName(const QByteArray& name, int& n) {
    if (name.size() < 5 || qstrnicmp(name.constData(), "page", 4) != 0)
        return false;
    bool ok = false;
    n = name.mid(4).toInt(&ok);
    return ok;
}

QString CantFindClass(const QByteArray& name) {
    return frxGet(QStringLiteral("xrCantFindClass")) + QLatin1Char(' ') +
           QString::fromLatin1(name);
}

// The prefix of an object's aliases: "b" for bands, else the first letter of its name stem.
QString AliasPrefix(const TfrxComponent* c) {
    if (qobject_cast<const TfrxBand*>(c))
        return QStringLiteral("b");
    QString stem = c->NameStem();
    if (stem.isEmpty()) // TfrxView: the class name less its family prefix
        stem = QString::fromLatin1(c->metaObject()->className()).mid(4);
    return stem.left(1).toLower();
}

// The cursor shapes of the old platform's cursor numbers.
int QtCursorOf(int cursor) {
    switch (cursor) {
    case -1: return Qt::BlankCursor;
    case -2: return Qt::ArrowCursor;
    case -3: return Qt::CrossCursor;
    case -4: return Qt::IBeamCursor;
    case -6: return Qt::SizeBDiagCursor;
    case -7: return Qt::SizeVerCursor;
    case -8: return Qt::SizeFDiagCursor;
    case -9: return Qt::SizeHorCursor;
    case -10: return Qt::UpArrowCursor;
    case -11: return Qt::WaitCursor;
    case -12: return Qt::DragMoveCursor;
    case -13: return Qt::ForbiddenCursor;
    case -14: return Qt::SplitHCursor;
    case -15: return Qt::SplitVCursor;
    case -16: return Qt::DragCopyCursor;
    case -17: return Qt::BusyCursor;
    case -18: return Qt::ForbiddenCursor;
    case -19: return Qt::BusyCursor;
    case -20: return Qt::WhatsThisCursor;
    case -21: return Qt::PointingHandCursor;
    case -22: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

// A group header whose groups expand on a click.
bool IsDrillDownHeader(const TfrxComponent* c) {
    return IsOfClass(c, "TfrxGroupHeader") && c->property("DrillDown").toBool();
}

} // namespace

bool frxIsPictureView(const TfrxComponent* obj) {
    if (!qobject_cast<const TfrxView*>(obj))
        return false;
    const QMetaObject* mo = obj->metaObject();
    return mo->indexOfProperty("Picture") >= 0 && mo->indexOfProperty("ImageIndex") >= 0;
}

bool frxHasPrintHandler() {
    const TfrxPrintHandler* handler = platform::Registry::Find<TfrxPrintHandler>();
    return handler && *handler;
}
bool frxHasExportHandler() {
    const TfrxExportHandler* handler = platform::Registry::Find<TfrxExportHandler>();
    return handler && *handler;
}

// ---------------------------------------------------------------------------------------------
// Dictionary

void TfrxDictionary::Add(const QString& alias, const QString& sourceName, TfrxComponent* object) {
    if (auto it = m_index.constFind(alias); it != m_index.constEnd()) {
        m_sourceNames[*it] = sourceName;
        m_objects[*it] = object;
        return;
    }
    const int source = static_cast<int>(m_sourceNames.size());
    m_sourceNames.append(sourceName);
    m_objects.append(object);
    auto less = [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    };
    const auto pos = std::lower_bound(m_aliases.begin(), m_aliases.end(), alias, less);
    const qsizetype at = pos - m_aliases.begin();
    m_aliases.insert(at, alias);
    m_aliasSource.insert(at, source);
    m_index.insert(alias, source);
}

void TfrxDictionary::Clear() {
    m_aliases.clear();
    m_aliasSource.clear();
    m_sourceNames.clear();
    m_objects.clear();
    m_index.clear();
}

QString TfrxDictionary::SourceName(const QString& alias) const {
    const int i = m_index.value(alias, -1);
    return i < 0 ? QString() : m_sourceNames.at(i);
}

TfrxComponent* TfrxDictionary::Object(const QString& alias) const {
    const int i = m_index.value(alias, -1);
    return i < 0 ? nullptr : m_objects.at(i).data();
}

QString TfrxDictionary::MakeUniqueName(const QString& prefix) const {
    int n = 10000;
    while (n > 1) {
        if (Contains(prefix + QString::number(n)))
            break;
        n >>= 1;
    }
    while (Contains(prefix + QString::number(n)))
        ++n;
    return prefix + QString::number(n);
}

// ---------------------------------------------------------------------------------------------
// Picture cache

int TfrxPictureCache::Add(const QByteArray& stream) {
    m_streams.append(stream);
    return Count();
}

QByteArray TfrxPictureCache::Stream(int index) const {
    return index >= 0 && index < Count() ? m_streams.at(index) : QByteArray();
}

// ---------------------------------------------------------------------------------------------
// Outline

TfrxXMLItem* TfrxOutline::Root() { return m_pages->RootItem("outline"); }

TfrxXMLItem* TfrxOutline::CurrentItem() {
    if (!m_current)
        m_current = Root();
    return m_current;
}

void TfrxOutline::AddItem(const QString& text, int top) {
    TfrxXMLItem* item = CurrentItem()->AddChild("item");
    item->SetAttr("text", Ansi(text));
    item->SetAttr("page", QByteArray::number(m_pages->CurrentPage));
    item->SetAttr("top", QByteArray::number(top));
    m_current = item;
}

void TfrxOutline::LevelRoot() { m_current = Root(); }

void TfrxOutline::LevelUp() {
    TfrxXMLItem* current = CurrentItem();
    if (current != Root() && current->Parent())
        m_current = current->Parent();
}

void TfrxOutline::LevelInto(int index) {
    TfrxXMLItem* current = CurrentItem();
    if (index >= 0 && index < current->Count())
        m_current = current->Item(index);
}

void TfrxOutline::ItemAt(int index, QString& text, int& page, int& top) {
    TfrxXMLItem* current = CurrentItem();
    if (index < 0 || index >= current->Count())
        return;
    const TfrxXMLItem* item = current->Item(index);
    text = FromAnsi(item->GetAttr("text"));
    page = IntOf(item, "page", page);
    top = IntOf(item, "top", top);
}

int TfrxOutline::ItemCount() { return CurrentItem()->Count(); }

TfrxXMLItem* TfrxOutline::LastItem() {
    TfrxXMLItem* current = CurrentItem();
    return current->Count() > 0 ? current->Item(current->Count() - 1) : nullptr;
}

void TfrxOutline::ShiftFollowing(TfrxXMLItem* item, int newTop) {
    if (!item || !item->Parent())
        return;
    TfrxXMLItem* parent = item->Parent();
    const int i = parent->IndexOf(item);
    if (i < 0 || i + 1 >= parent->Count())
        return;
    TfrxXMLItem* next = parent->Item(i + 1);
    const qint64 delta = qint64(newTop) - IntOf(next, "top", 0);
    std::vector<TfrxXMLItem*> work{next};
    while (!work.empty()) {
        TfrxXMLItem* it = work.back();
        work.pop_back();
        it->SetAttr("page", QByteArray::number(qint64(IntOf(it, "page", 0)) + 1));
        it->SetAttr("top", QByteArray::number(IntOf(it, "top", 0) + delta));
        for (int k = 0; k < it->Count(); ++k)
            work.push_back(it->Item(k));
    }
}

// ---------------------------------------------------------------------------------------------
// Store: document and state

TfrxPreviewPages::TfrxPreviewPages(TfrxReport* report) : m_outline(this) {
    Report = report;
    m_doc.Root()->SetName("preparedreport");
}

TfrxPreviewPages::~TfrxPreviewPages() = default;

TfrxCustomEngine* TfrxPreviewPages::Engine() const {
    return m_engine ? m_engine : EngineOf(Report);
}

bool TfrxPreviewPages::EngineRunning() const {
    const TfrxCustomEngine* e = Engine();
    return e && e->Running;
}

bool TfrxPreviewPages::FirstPassOfTwo() const {
    const TfrxCustomEngine* e = Engine();
    return Report && Report->EngineOptions()->DoublePass() && e && !e->FinalPass;
}

bool TfrxPreviewPages::FinalPassOfTwo() const {
    const TfrxCustomEngine* e = Engine();
    return Report && Report->EngineOptions()->DoublePass() && e && e->FinalPass;
}

TfrxXMLItem* TfrxPreviewPages::FindRootItem(const char* name) const {
    const int i = m_doc.Root()->Find(name);
    return i < 0 ? nullptr : m_doc.Root()->Item(i);
}

TfrxXMLItem* TfrxPreviewPages::RootItem(const char* name) {
    return m_doc.Root()->FindOrAdd(QByteArray(name));
}

TfrxXMLItem* TfrxPreviewPages::PagesItem() {
    if (!m_pagesItem)
        m_pagesItem = RootItem("previewpages");
    return m_pagesItem;
}

TfrxXMLItem* TfrxPreviewPages::PageItem(int index) {
    TfrxXMLItem* pages = m_pagesItem ? m_pagesItem : FindRootItem("previewpages");
    if (!pages || index < 0 || index >= pages->Count())
        return nullptr;
    return pages->Item(index);
}

const QByteArray& TfrxPreviewPages::AliasBytes(const QString& alias) {
    auto it = m_aliasBytes.constFind(alias);
    if (it == m_aliasBytes.constEnd())
        it = m_aliasBytes.insert(alias, alias.toLatin1());
    return *it;
}

TfrxXMLItem* TfrxPreviewPages::CurrentPageItem() {
    TfrxXMLItem* item = PageItem(CurrentPage);
    // A page spilled before a later pass came back to it is read in before it is written to.
    if (item && !item->InMemory())
        m_doc.ReloadItem(item);
    if (item)
        m_changed.insert(item);
    return item;
}

TfrxXMLItem* TfrxPreviewPages::LogicalItem(int index) const {
    const TfrxXMLItem* numbers = FindRootItem("logicalpagenumbers");
    if (!numbers || index < 0 || index >= numbers->Count())
        return nullptr;
    return numbers->Item(index);
}

TfrxPage* TfrxPreviewPages::SourcePage(int index) const {
    return index >= 0 && index < SourcePageCount() ? m_sourcePages[size_t(index)].get() : nullptr;
}

TfrxComponent* TfrxPreviewPages::SourceOfItem(const TfrxXMLItem* item) const {
    return m_dictionary.Object(QString::fromLatin1(item->Name()));
}

QList<int> TfrxPreviewPages::CachedPages() const {
    QList<int> keys;
    for (const CacheEntry& e : m_cache)
        keys.append(e.index);
    return keys;
}

void TfrxPreviewPages::ClearCache() { m_cache.clear(); }

void TfrxPreviewPages::AddError(const QString& message) {
    auto less = [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    };
    auto it = std::lower_bound(m_errors.begin(), m_errors.end(), message, less);
    if (it == m_errors.end() || it->compare(message, Qt::CaseInsensitive) != 0)
        m_errors.insert(it, message);
    if (Report)
        Report->AddError(message);
}

void TfrxPreviewPages::Spill(TfrxXMLItem* item, bool unloadOnly) {
    if (!unloadOnly)
        m_changed.remove(item);
    try {
        if (unloadOnly)
            m_doc.UnloadItem(item);
        else
            m_doc.SpillItem(item);
    } catch (const std::exception& e) {
        // The page stays in memory (its children are freed only after a complete write), and
        // so do all later ones. Spilling happens while pages are prepared or painted, where
        // no error may end the work: the user is told once, after the current event.
        m_spillFailed = true;
        const QString file = m_doc.TempFileName();
        const QString dir = m_doc.TempDir().isEmpty() ? QDir::tempPath() : m_doc.TempDir();
        const QString text =
            (file.isEmpty() ? QStringLiteral("Cannot create a temporary file in %1: %2")
                                  .arg(QDir::toNativeSeparators(dir), platform::MessageOf(e))
                            : QStringLiteral("Cannot write the temporary file %1: %2")
                                  .arg(QDir::toNativeSeparators(file), platform::MessageOf(e))) +
            QStringLiteral(". The pages are kept in memory");
        m_spillMessages.append(text);
        QTimer::singleShot(0, qApp, [text] { platform::ShowErrorBox(text); });
    }
}

int TfrxPreviewPages::PageCount() {
    const TfrxXMLItem* pages = m_pagesItem ? m_pagesItem : FindRootItem("previewpages");
    return pages ? pages->Count() : 0;
}

void TfrxPreviewPages::ClearAll() {
    ClearCache();
    m_prototypes.clear();
    m_sourcePages.clear();
    m_doc.Clear();
    m_pagesItem = nullptr;
    m_outline.Reset();
    m_dictionary.Clear();
    m_pictureCache.Clear();
    CurrentPage = -1;
    m_sizeEstimate = 0;
    m_logicalCounter = 0;
    m_firstPageIndex = -1;
    m_firstObjectIndex = 0;
    m_spillFailed = false;
    m_tempStream = nullptr;
    m_changed.clear();
    m_aliasBytes.clear();
}

// ---------------------------------------------------------------------------------------------
// Preparation

void TfrxPreviewPages::PrepareStart() {
    m_doc.SetTempDir(Report ? Report->EngineOptions()->TempDir() : QString());
    ProgressStart(Report, ptRunning);
}

void TfrxPreviewPages::PrepareFinish() {
    ClearCache();
    // The template may change (it is reloaded after every preparation).
    for (const auto& page : m_sourcePages)
        SetOriginal(page.get(), nullptr);
    ProgressStop(Report, ptRunning);
}

void TfrxPreviewPages::RegisterSourcePage(TfrxPage* templatePage) {
    if (!templatePage)
        return;
    QObject* o = templatePage->metaObject()->newInstance(Q_ARG(QObject*, nullptr));
    std::unique_ptr<TfrxPage> page(qobject_cast<TfrxPage*>(o));
    if (!page) {
        delete o;
        return;
    }
    QHash<const TfrxComponent*, TfrxComponent*> map;
    page->CopyWithChildren(templatePage, IsPreviewVisible, &map);
    page->setObjectName(templatePage->Name());
    SetOriginal(page.get(), templatePage);
    QHash<const TfrxComponent*, TfrxComponent*> templateOf;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        templateOf.insert(it.value(), const_cast<TfrxComponent*>(it.key()));

    const QString pagePrefix =
        QStringLiteral("Page") + QString::number(SourcePageCount()) + QLatin1Char('.');
    TfrxXMLSerializer serializer;
    const QList<TfrxComponent*> copies = page->AllObjects();
    for (TfrxComponent* copy : copies) {
        auto* tmpl = templateOf.value(copy, nullptr);
        SetOriginal(copy, tmpl);
        if (tmpl)
            SetOriginal(tmpl, copy);
        const QString alias = m_dictionary.MakeUniqueName(AliasPrefix(copy));
        m_dictionary.Add(alias, pagePrefix + copy->Name(), copy);
        SetAlias(copy, alias);
        // Prepared objects carry their evaluated text; a copy bound to data would look it up.
        if (auto* memo = qobject_cast<TfrxCustomMemoView*>(copy)) {
            memo->SetDataSet(nullptr);
            memo->SetDataSetName(QString());
            memo->SetDataField(QString());
        }
        SetBaseText(copy, IsContainer(copy) ? QByteArray(copy->metaObject()->className())
                                            : serializer.ObjectToString(copy));
    }
    m_sourcePages.push_back(std::move(page));
}

void TfrxPreviewPages::RegisterRuntimeObject(TfrxComponent* obj) {
    if (!obj || m_sourcePages.empty())
        return;
    TfrxPage* last = m_sourcePages.back().get();
    QObject* o = obj->metaObject()->newInstance(Q_ARG(QObject*, last));
    auto* copy = qobject_cast<TfrxComponent*>(o);
    if (!copy) {
        delete o;
        return;
    }
    copy->Assign(obj);
    copy->AssignFreeName();
    const QString alias = m_dictionary.MakeUniqueName(AliasPrefix(copy));
    m_dictionary.Add(alias,
                     QStringLiteral("Page") + QString::number(SourcePageCount() - 1) +
                         QLatin1Char('.') + copy->Name(),
                     copy);
    SetAlias(copy, alias);
    TfrxXMLSerializer serializer;
    SetBaseText(copy, IsContainer(copy) ? QByteArray(copy->metaObject()->className())
                                        : serializer.ObjectToString(copy));
    SetOriginal(obj, copy);
    SetAlias(obj, alias);
}

void TfrxPreviewPages::StartPage(TfrxPage* templatePage) {
    TfrxXMLItem* pages = PagesItem();
    const TfrxEngineOptions* options = Report ? Report->EngineOptions() : nullptr;
    if (options && options->UseFileCache() && !m_spillFailed &&
        m_sizeEstimate > qint64(options->MaxMemSize()) * 1048576) {
        // The last page stays in memory, and so does the one a later pass is about to revisit.
        for (int i = pages->Count() - 2; i >= 0; --i) {
            TfrxXMLItem* item = pages->Item(i);
            if (!item->InMemory())
                break;
            if (i != CurrentPage + 1)
                Spill(item);
        }
        m_sizeEstimate = 0;
    }

    ++CurrentPage;
    if (CurrentPage < PageCount() && AddPageMode == apRevisit)
        return;

    int sourceIndex = -1;
    for (int i = 0; templatePage && i < SourcePageCount(); ++i) {
        if (OriginalOf(m_sourcePages[size_t(i)].get()) == templatePage) {
            sourceIndex = i;
            break;
        }
    }
    TfrxXMLItem* item = pages->AddChild("page" + QByteArray::number(sourceIndex));
    // The first two pages never spill.
    if (pages->Count() > 2)
        item->SetMayUnload(true);
    Progress(Report, ptRunning, CurrentPage + 1);
    AddPageMode = apRevisit;
    CurrentPage = PageCount() - 1;
    LogicalPageAdvance();
}

void TfrxPreviewPages::AppendObject(TfrxComponent* obj) {
    TfrxXMLItem* pageItem = CurrentPageItem();
    if (!obj || !pageItem)
        return;
    const bool firstPass = FirstPassOfTwo();
    std::unique_ptr<TfrxXMLSerializer> serializer;
    auto fullText = [&serializer](const TfrxComponent* c) {
        if (!serializer)
            serializer = std::make_unique<TfrxXMLSerializer>();
        return serializer->PropertiesToAttributes(c);
    };
    // Pre-order, children in their order; iterative so that any depth is safe.
    std::vector<std::pair<TfrxComponent*, TfrxXMLItem*>> work{{obj, pageItem}};
    while (!work.empty()) {
        const auto [c, parentItem] = work.back();
        work.pop_back();
        if (!c->Visible() || !IsPreviewVisible(c))
            continue;
        const QList<TfrxComponent*>& children = c->Objects();
        if (qobject_cast<TfrxNullBand*>(c)) {
            // The engine's carrier of page-level objects (always at 0, 0) takes no room on the
            // page: its objects are stored in its place.
            for (qsizetype i = children.size() - 1; i >= 0; --i)
                work.emplace_back(children[i], parentItem);
            continue;
        }
        TfrxXMLItem* item = parentItem->AddChild();
        TfrxComponent* source = OriginalOf(c);
        const QString alias = source ? AliasOf(source) : QString();
        QByteArray attrs;
        if (alias.isEmpty()) {
            item->SetName(QByteArray(c->metaObject()->className()));
            attrs = fullText(c);
        } else {
            item->SetName(AliasBytes(alias));
            if (firstPass)
                attrs = c->TfrxComponent::DifferenceText(source);
            else if (IsContainer(c))
                attrs = fullText(c) + c->TfrxComponent::DifferenceText(source);
            else
                attrs = c->DifferenceText(source);
        }
        // Kept at its exact size, without the leading blank: a page holds thousands of these.
        const qsizetype blank = attrs.startsWith(' ') ? 1 : 0;
        if (attrs.size() > blank)
            attrs = QByteArray(attrs.constData() + blank, attrs.size() - blank);
        else
            attrs = QByteArray();
        item->SetAttributes(attrs);
        m_sizeEstimate += item->Name().size() + attrs.size() + 48 + 16;
        item->ReserveChildren(static_cast<int>(children.size()));
        for (qsizetype i = children.size() - 1; i >= 0; --i)
            work.emplace_back(children[i], item);
    }
}

void TfrxPreviewPages::CachePicture(TfrxView* picture) {
    if (!frxIsPictureView(picture))
        return;
    const QByteArray graphic = picture->property("Picture").toByteArray();
    picture->setProperty("ImageIndex", graphic.isEmpty() ? 0 : m_pictureCache.Add(graphic));
}

int TfrxPreviewPages::CutTail(int position) {
    TfrxXMLItem* page = CurrentPageItem();
    if (!page)
        return 0;
    position = std::max(position, 0);
    TfrxXMLItem* cut = nullptr;
    while (page->Count() > position) {
        if (!cut)
            cut = RootItem("cutted");
        cut->Append(page->Item(position));
    }
    return page->Count();
}

void TfrxPreviewPages::PasteTail(long double x, long double y) {
    TfrxXMLItem* cut = FindRootItem("cutted");
    if (!cut)
        return;
    TfrxXMLItem* page = CurrentPageItem();
    if (!page)
        return; // nowhere to put them: they wait for a page
    // A delta leaves out a position equal to its source object's, so an absent one is the
    // source's (0 for an object stored whole, which writes its own).
    auto position = [this](const TfrxXMLItem* item, const char* name) {
        const TfrxComponent* source = SourceOfItem(item);
        const long double fallback = !source ? 0 : name[0] == 'l' ? source->Left() : source->Top();
        return FloatOf(item, name, fallback);
    };
    if (cut->Count() > 0) {
        const long double oldLeft = position(cut->Item(0), "l");
        const long double oldTop = position(cut->Item(0), "t");
        while (cut->Count() > 0) {
            TfrxXMLItem* item = cut->Item(0);
            item->SetAttr("l", FloatAttr(position(item, "l") + x - oldLeft));
            item->SetAttr("t", FloatAttr(position(item, "t") + y - oldTop));
            page->Append(item);
        }
    }
    delete cut;
}

long double TfrxPreviewPages::BottomOfBands() {
    TfrxXMLItem* page = CurrentPageItem();
    long double bottom = 0;
    for (int i = 0; page && i < page->Count(); ++i) {
        const TfrxXMLItem* item = page->Item(i);
        const TfrxComponent* source = SourceOfItem(item);
        if (!qobject_cast<const TfrxBand*>(source) || IsOfClass(source, "TfrxPageFooter") ||
            IsOfClass(source, "TfrxOverlay"))
            continue;
        const long double t = FloatOf(item, "t", source->Top());
        const long double h = FloatOf(item, "h", source->Height());
        bottom = std::max(bottom, t + h);
    }
    return bottom;
}

bool TfrxPreviewPages::BandOnPage(TfrxBand* band) {
    TfrxXMLItem* page = CurrentPageItem();
    if (!band || !page)
        return false;
    for (int i = 0; i < page->Count(); ++i) {
        const TfrxComponent* source = SourceOfItem(page->Item(i));
        if (!source)
            continue;
        if (OriginalOf(source) == band)
            return true;
        for (const char* kind : {"TfrxPageFooter", "TfrxColumnFooter"})
            if (IsOfClass(band, kind) && IsOfClass(source, kind))
                return true;
    }
    return false;
}

int TfrxPreviewPages::ObjectPosition() {
    const TfrxXMLItem* page = CurrentPageItem();
    return page ? page->Count() : 0;
}

// ---------------------------------------------------------------------------------------------
// Logical page numbers and passes

void TfrxPreviewPages::LogicalPageAdvance() {
    if (FinalPassOfTwo())
        return;
    ++m_logicalCounter;
    RootItem("logicalpagenumbers")
        ->AddChild("page")
        ->SetAttr("n", QByteArray::number(m_logicalCounter));
}

void TfrxPreviewPages::LogicalPageRestart() {
    if (FinalPassOfTwo())
        return;
    for (int i = CurrentPage; i > m_firstPageIndex; --i) {
        TfrxXMLItem* item = LogicalItem(i);
        if (!item)
            continue;
        item->SetAttr("t", QByteArray::number(m_logicalCounter));
        if (item->GetAttr("n") == "1")
            break;
    }
    m_logicalCounter = 0;
}

int TfrxPreviewPages::LogicalPageNumber() {
    if (const TfrxXMLItem* item = LogicalItem(CurrentPage))
        return IntOf(item, "n", 0);
    return CurrentPage - FirstPage + 1;
}

int TfrxPreviewPages::LogicalPageTotal() {
    if (const TfrxXMLItem* item = LogicalItem(CurrentPage))
        return IntOf(item, "t", 0);
    const TfrxCustomEngine* e = Engine();
    return (e ? e->TotalPages : 0) - FirstPage;
}

void TfrxPreviewPages::PassStart() {
    m_firstPageIndex = PageCount() - 1;
    if (m_firstPageIndex >= 0) {
        TfrxXMLItem* page = PageItem(m_firstPageIndex);
        if (!page->InMemory())
            m_doc.ReloadItem(page);
        m_firstObjectIndex = page->Count();
    }
    LogicalPageRestart();
}

void TfrxPreviewPages::DiscardFirstPass() {
    ClearCache();
    TfrxXMLItem* root = m_doc.Root();
    if (m_firstPageIndex == -1) {
        for (int i = root->Count() - 1; i >= 0; --i) {
            TfrxXMLItem* item = root->Item(i);
            if (item->Name().compare("anchors", Qt::CaseInsensitive) != 0 &&
                item->Name().compare("logicalpagenumbers", Qt::CaseInsensitive) != 0)
                delete item;
        }
        m_pagesItem = nullptr;
        m_outline.Reset();
    } else if (TfrxXMLItem* pages = m_pagesItem ? m_pagesItem : FindRootItem("previewpages")) {
        if (TfrxXMLItem* page = PageItem(m_firstPageIndex)) {
            if (!page->InMemory())
                m_doc.ReloadItem(page);
            m_changed.insert(page);
            while (page->Count() > m_firstObjectIndex)
                delete page->Item(page->Count() - 1);
        }
        while (pages->Count() > m_firstPageIndex + 1)
            delete pages->Item(pages->Count() - 1);
        // The outline may point into what was dropped.
        m_outline.Reset();
    }
    LogicalPageRestart();
    CurrentPage = m_firstPageIndex;
    m_sizeEstimate = 0;
}

// ---------------------------------------------------------------------------------------------
// Building and drawing pages

TfrxReportPage* TfrxPreviewPages::BuildPage(int index) {
    if (index < 0 || index >= PageCount())
        return nullptr;
    if (!EngineRunning()) {
        for (size_t i = 0; i < m_cache.size(); ++i) {
            if (m_cache[i].index == index) {
                std::swap(m_cache[i], m_cache[0]);
                return m_cache[0].page.get();
            }
        }
    }
    TfrxXMLItem* item = PageItem(index);
    if (!item->InMemory())
        m_doc.ReloadItem(item);
    std::unique_ptr<TfrxReportPage> page = ReadPage(item);
    m_cache.insert(m_cache.begin(), CacheEntry{index, std::move(page)});

    const int limit = Report ? Report->PreviewOptions()->PagesInCache() : 50;
    if (m_cache.size() > 1 && int(m_cache.size()) > limit) {
        const int evicted = m_cache.back().index;
        m_cache.pop_back();
        const TfrxEngineOptions* options = Report ? Report->EngineOptions() : nullptr;
        TfrxXMLItem* evictedItem = PageItem(evicted);
        if (options && options->UseFileCache() && !m_spillFailed && evictedItem &&
            evictedItem->MayUnload() && evictedItem->InMemory()) {
            // A page read back and not written to since is still where it was read from.
            if (m_changed.contains(evictedItem))
                Spill(evictedItem);
            else
                Spill(evictedItem, true);
        }
    }
    return m_cache.front().page.get();
}

std::unique_ptr<TfrxReportPage> TfrxPreviewPages::ReadPage(TfrxXMLItem* item) {
    std::unique_ptr<TfrxReportPage> page;
    int n = -1;
    if (ParsePageName(item->Name(), n)) {
        const TfrxPage* source = SourcePage(n);
        if (source) {
            QObject* o = source->metaObject()->newInstance(Q_ARG(QObject*, nullptr));
            page.reset(qobject_cast<TfrxReportPage*>(o));
            if (!page)
                delete o;
        }
        if (!page)
            page = std::make_unique<TfrxReportPage>();
        if (source) {
            page->Assign(source);
            page->setObjectName(source->Name());
        }
        ReadObjects(item, page.get());
    } else {
        const QMetaObject* mo = frxFindClass(QString::fromLatin1(item->Name()));
        if (mo && mo->inherits(&TfrxReportPage::staticMetaObject)) {
            QObject* o = mo->newInstance(Q_ARG(QObject*, nullptr));
            page.reset(qobject_cast<TfrxReportPage*>(o));
            if (!page)
                delete o;
        }
        if (page) {
            TfrxXMLSerializer serializer;
            serializer.ReadTree(page.get(), item);
            for (const QString& e : serializer.Errors())
                AddError(e);
        } else {
            page = std::make_unique<TfrxReportPage>();
            AddError(CantFindClass(item->Name()));
        }
    }
    page->LayOutChildren();
    return page;
}

const TfrxPreviewPages::Prototype* TfrxPreviewPages::PrototypeOf(const TfrxComponent* source) {
    auto it = m_prototypes.find(source);
    if (it != m_prototypes.end())
        return &it->second;
    // The object the source's stored text describes, read once.
    QByteArray text = BaseTextOf(source);
    TfrxXMLSerializer serializer;
    if (text.isEmpty())
        text = serializer.ObjectToString(source);
    Prototype proto;
    proto.object.reset(serializer.ObjectFromString(nullptr, text));
    if (!proto.object)
        return nullptr;
    // References name other objects of the page: they are read again on every page, where
    // those objects are.
    const qsizetype blank = text.indexOf(' ');
    TfrxXMLItem attrs;
    attrs.SetAttributes(blank < 0 ? QByteArray() : text.mid(blank + 1));
    TfrxXMLItem refs;
    for (const QMetaProperty& p : frxProps::Published(proto.object.get())) {
        if (frxProps::KindOf(p) != frxProps::Kind::Reference)
            continue;
        const QByteArray value = attrs.GetAttr(p.name());
        if (!value.isEmpty())
            refs.SetAttr(p.name(), value);
    }
    proto.references = refs.Attributes();

    // The assignments, in declaration order as Assign makes them.
    const QMetaObject* mo = proto.object->metaObject();
    std::unique_ptr<QObject> fresh(mo->newInstance(Q_ARG(QObject*, nullptr)));
    struct Part {
        const QObject* proto;
        const QObject* fresh;
        std::vector<QMetaProperty> path;
        bool always;
    };
    std::vector<Part> parts{{proto.object.get(), fresh.get(), {}, false}};
    for (size_t k = 0; k < parts.size(); ++k) {
        const Part part = parts[k];
        std::vector<Assignment> own;
        for (const QMetaProperty& p : frxProps::Published(part.proto)) {
            if (!frxProps::IsStored(part.proto, p))
                continue;
            const frxProps::Kind kind = frxProps::KindOf(p);
            std::vector<QMetaProperty> path = part.path;
            path.push_back(p);
            const bool always = part.always || (part.path.empty() && (qstrcmp(p.name(), "Font") == 0 ||
                                                                       qstrcmp(p.name(), "ParentFont") == 0));
            if (kind == frxProps::Kind::Persistent) {
                const QObject* sub = frxProps::GetObject(part.proto, p);
                const QObject* freshSub = fresh ? frxProps::GetObject(part.fresh, p) : nullptr;
                if (sub && freshSub)
                    parts.push_back({sub, freshSub, path, always});
                continue;
            }
            if (kind == frxProps::Kind::Other || kind == frxProps::Kind::Reference || !p.isWritable())
                continue;
            QVariant value = p.read(part.proto);
            if (always || value != p.read(part.fresh))
                proto.assignments.push_back({std::move(path), std::move(value)});
        }
    }
    // Parts were walked after their owner's own properties; Assign sets a part where it is
    // declared. Order by the declaration index along the path.
    std::stable_sort(proto.assignments.begin(), proto.assignments.end(),
                     [](const Assignment& a, const Assignment& b) {
                         const size_t n = std::min(a.path.size(), b.path.size());
                         for (size_t i = 0; i < n; ++i)
                             if (a.path[i].propertyIndex() != b.path[i].propertyIndex())
                                 return a.path[i].propertyIndex() < b.path[i].propertyIndex();
                         return a.path.size() < b.path.size();
                     });

    QBuffer buffer(&proto.binary);
    buffer.open(QIODevice::WriteOnly);
    QDataStream out(&buffer);
    proto.object->WriteBinaryProperties(out);
    return &m_prototypes.emplace(source, std::move(proto)).first->second;
}

TfrxComponent* TfrxPreviewPages::Instantiate(const Prototype& proto, TfrxComponent* parent) {
    QObject* o = proto.object->metaObject()->newInstance(Q_ARG(QObject*, parent));
    auto* obj = qobject_cast<TfrxComponent*>(o);
    if (!obj) {
        delete o;
        return nullptr;
    }
    for (const Assignment& a : proto.assignments) {
        QObject* target = obj;
        for (size_t i = 0; target && i + 1 < a.path.size(); ++i)
            target = frxProps::GetObject(target, a.path[i]);
        if (target)
            a.path.back().write(target, a.value);
    }
    if (auto* memo = qobject_cast<TfrxCustomMemoView*>(obj))
        memo->SetMemo(qobject_cast<const TfrxCustomMemoView*>(proto.object.get())->Memo());
    return obj;
}

void TfrxPreviewPages::ReadObjects(TfrxXMLItem* pageItem, TfrxComponent* page) {
    TfrxXMLSerializer serializer;
    serializer.SetRoot(page);
    std::vector<TfrxComponent*> read;
    std::vector<std::pair<const TfrxXMLItem*, TfrxComponent*>> work;
    for (int i = pageItem->Count() - 1; i >= 0; --i)
        work.emplace_back(pageItem->Item(i), page);
    while (!work.empty()) {
        const auto [item, parent] = work.back();
        work.pop_back();
        TfrxComponent* obj = nullptr;
        if (const TfrxComponent* source = SourceOfItem(item)) {
            // As read from the source's stored text, then the delta on top. The text is read
            // once per source (the prototype); each object is a copy of it.
            const Prototype* proto = PrototypeOf(source);
            if (!proto)
                continue;
            obj = Instantiate(*proto, parent);
            if (!obj)
                continue;
            obj->setObjectName(source->Name());
            if (!proto->binary.isEmpty()) {
                QDataStream in(proto->binary);
                obj->ReadBinaryProperties(in);
            }
            obj->SetLoading(true);
            read.push_back(obj);
            if (!proto->references.isEmpty())
                serializer.AttributesToProperties(proto->references, obj);
            serializer.AttributesToProperties(item->Attributes(), obj);
            if (frxIsPictureView(obj) && obj->property("Picture").toByteArray().isEmpty()) {
                const int index = obj->property("ImageIndex").toInt();
                obj->setProperty("Picture", m_pictureCache.Stream(index - 1));
            }
        } else {
            // Only objects belong on a page: a report or a page named here is not read.
            const QMetaObject* mo = frxFindClass(QString::fromLatin1(item->Name()));
            if (!mo || !mo->inherits(&TfrxReportComponent::staticMetaObject)) {
                AddError(CantFindClass(item->Name()));
                continue;
            }
            obj = qobject_cast<TfrxComponent*>(mo->newInstance(Q_ARG(QObject*, parent)));
            if (!obj)
                continue;
            obj->SetLoading(true);
            read.push_back(obj);
            serializer.AttributesToProperties(item->Attributes(), obj);
        }
        for (int i = item->Count() - 1; i >= 0; --i)
            work.emplace_back(item->Item(i), obj);
    }
    // References resolve once the whole page is there.
    serializer.ResolveFixUps();
    for (TfrxComponent* obj : read)
        obj->SetLoading(false);
    for (const QString& e : serializer.Errors())
        AddError(e);
}

QPoint TfrxPreviewPages::PageSizeOf(int index) {
    const TfrxXMLItem* item = PageItem(index);
    if (!item)
        return QPoint(0, 0);
    const TfrxReportPage* page = nullptr;
    int n = -1;
    if (ParsePageName(item->Name(), n))
        page = qobject_cast<const TfrxReportPage*>(SourcePage(n));
    if (!page)
        page = BuildPage(index);
    if (!page)
        return QPoint(0, 0);
    // The paper, margins included: the page's own bounds are its printable area.
    return QPoint(frxRoundEven(page->PaperWidth() * fr01cm),
                  frxRoundEven(page->PaperHeight() * fr01cm));
}

void TfrxPreviewPages::RenderPage(int index, platform::Canvas* canvas, long double scaleX,
                                  long double scaleY, long double offsetX, long double offsetY) {
    if (!canvas)
        return;
    TfrxReportPage* page = BuildPage(index);
    if (!page)
        return;
    const bool printer = canvas->IsPrinter();

    // Margins swapped for odd pages and the screen clip are put back however drawing ends.
    struct Restore {
        TfrxReportPage* page;
        platform::Canvas* canvas;
        bool swapped = false;
        bool clipped = false;
        ~Restore() {
            if (swapped) {
                const long double l = page->LeftMargin();
                page->SetLeftMargin(page->RightMargin());
                page->SetRightMargin(l);
            }
            if (clipped)
                canvas->RestoreClip();
        }
    } restore{page, canvas};
    if (page->MirrorMargins() && index % 2 == 1) {
        const long double l = page->LeftMargin();
        page->SetLeftMargin(page->RightMargin());
        page->SetRightMargin(l);
        restore.swapped = true;
    }
    if (!printer) {
        canvas->SaveClip();
        restore.clipped = true;
        canvas->IntersectClip(platform::Rect{
            frxRoundEven(offsetX), frxRoundEven(offsetY),
            frxRoundEven(page->PaperWidth() * fr01cm * scaleX + offsetX - 1),
            frxRoundEven(page->PaperHeight() * fr01cm * scaleY + offsetY - 1)});
    }

    page->DrawBackground(canvas, scaleX, scaleY, offsetX, offsetY);
    offsetX += page->LeftMargin() * fr01cm * scaleX;
    offsetY += page->TopMargin() * fr01cm * scaleY;

    // The page's fill and frame over the printable area.
    if (page->Color() != clTransparent || page->Frame()->Typ() != TfrxFrameTypes()) {
        TfrxView background;
        background.setObjectName(QStringLiteral("_pagebackground"));
        background.SetColor(page->Color());
        frxProps::CopyProperties(page->Frame(), background.Frame());
        background.SetBounds(0, 0, page->Width(), page->Height());
        background.Draw(canvas, double(scaleX), double(scaleY), double(offsetX), double(offsetY));
    }

    const int pageCount = PageCount();
    const QList<TfrxComponent*> objects = page->AllObjects();
    for (TfrxComponent* c : objects) {
        auto* view = qobject_cast<TfrxView*>(c);
        if (!view || (printer && !view->Printable()))
            continue;
        const long double left = view->AbsLeft(), top = view->AbsTop();
        const platform::Rect grown{
            frxRoundEven(left * scaleX - 20 + offsetX), frxRoundEven(top * scaleY - 20 + offsetY),
            frxRoundEven((left + view->Width()) * scaleX + 20 + offsetX),
            frxRoundEven((top + view->Height()) * scaleY + 20 + offsetY)};
        if (!canvas->RectVisible(grown))
            continue;
        view->SetPrinting(printer);
        if (auto* memo = qobject_cast<TfrxCustomMemoView*>(view)) {
            memo->TotalPagesValue = pageCount;
            memo->CopyNumber = CopyNo;
            memo->PrintScale = PrintScale;
        }
        struct PrintingOff {
            TfrxView* v;
            ~PrintingOff() { v->SetPrinting(false); }
        } off{view};
        view->Draw(canvas, double(scaleX), double(scaleY), double(offsetX), double(offsetY));
    }
}

// ---------------------------------------------------------------------------------------------
// Anchors

void TfrxPreviewPages::AddAnchor(const QString& text) {
    const TfrxCustomEngine* e = Engine();
    TfrxXMLItem* item = RootItem("anchors")->AddChild("item");
    item->SetAttr("text", Ansi(text));
    item->SetAttr("page", QByteArray::number(CurrentPage));
    item->SetAttr("top", QByteArray::number(e ? frxRoundEven(e->CurY) : 0));
}

int TfrxPreviewPages::GetAnchorPage(const QString& text) {
    if (const TfrxXMLItem* anchors = FindRootItem("anchors")) {
        for (int i = anchors->Count() - 1; i >= 0; --i) {
            const TfrxXMLItem* item = anchors->Item(i);
            if (FromAnsi(item->GetAttr("text")).compare(text, Qt::CaseInsensitive) == 0)
                return std::min(IntOf(item, "page", 0), INT_MAX - 1) + 1;
        }
    }
    return 1;
}

int TfrxPreviewPages::AnchorPosition() {
    const TfrxXMLItem* anchors = FindRootItem("anchors");
    return (anchors ? anchors->Count() : 0) - 1;
}

void TfrxPreviewPages::MoveAnchors(int index, int newTop) {
    TfrxXMLItem* anchors = FindRootItem("anchors");
    if (!anchors || index < -1 || index + 1 >= anchors->Count())
        return;
    const qint64 delta = qint64(newTop) - IntOf(anchors->Item(index + 1), "top", 0);
    for (int i = index + 1; i < anchors->Count(); ++i) {
        TfrxXMLItem* item = anchors->Item(i);
        item->SetAttr("page", QByteArray::number(qint64(IntOf(item, "page", 0)) + 1));
        item->SetAttr("top", QByteArray::number(IntOf(item, "top", 0) + delta));
    }
}

void TfrxPreviewPages::SetSourcePaper(TfrxPage* templatePage, long double width,
                                      long double height) {
    if (!templatePage)
        return;
    for (const auto& source : m_sourcePages) {
        auto* page = qobject_cast<TfrxReportPage*>(source.get());
        if (!page || OriginalOf(page) != templatePage)
            continue;
        page->SetPaperWidth(width / fr01cm);
        page->SetPaperHeight(height / fr01cm);
        page->SetPaperSize(DMPAPER_USER);
        const QByteArray stored = BaseTextOf(page);
        if (stored.isEmpty())
            continue;
        // Millimetres with two decimals when fractional, shortest otherwise.
        auto mm = [](long double v) {
            const long double r = std::round(v * 100) / 100;
            if (r == std::floor(r))
                return QByteArray::number(qlonglong(r));
            QByteArray t = QByteArray::number(double(r), 'f', 2);
            return t.replace('.', QString(platform::DecimalSeparator()).toLatin1());
        };
        const qsizetype blank = stored.indexOf(' ');
        TfrxXMLItem attrs;
        attrs.SetAttributes(blank < 0 ? QByteArray() : stored.mid(blank + 1));
        attrs.SetAttr("PaperSize", "256");
        attrs.SetAttr("PaperWidth", mm(page->PaperWidth()));
        attrs.SetAttr("PaperHeight", mm(page->PaperHeight()));
        SetBaseText(page, (blank < 0 ? stored : stored.left(blank)) + ' ' + attrs.Attributes());
    }
}

// ---------------------------------------------------------------------------------------------
// Page editing

void TfrxPreviewPages::InsertBlankPage(int index) {
    TfrxXMLItem* at = PageItem(index);
    if (!at)
        return;
    PagesItem()->Insert(index, new TfrxXMLItem(at->Name()));
    ClearCache();
}

void TfrxPreviewPages::RemovePage(int index) {
    if (PageCount() < 2)
        return;
    if (TfrxXMLItem* item = PageItem(index)) {
        delete item;
        ClearCache();
    }
}

void TfrxPreviewPages::ReplacePage(int index, TfrxReportPage* page) {
    TfrxXMLItem* item = PageItem(index);
    if (!item || !page)
        return;
    // Written before the cache is emptied: the page may be one of the cached ones.
    item->SetMayUnload(false);
    item->Clear();
    item->SetInMemory(true);
    item->SetAttributes(QByteArray());
    TfrxXMLSerializer serializer;
    serializer.WriteTree(page, true, item);
    ClearCache();
}

void TfrxPreviewPages::AppendReport(TfrxReport* report) {
    if (TfrxCustomPreviewPages* other = report ? PagesOf(report) : nullptr)
        AppendPages(*other);
}

void TfrxPreviewPages::AppendPages(TfrxCustomPreviewPages& other) {
    TfrxXMLSerializer serializer;
    const int count = other.PageCount();
    for (int i = 0; i < count; ++i) {
        if (TfrxReportPage* page = other.BuildPage(i))
            serializer.WriteTree(page, true, PagesItem()->AddChild());
    }
    ClearCache();
}

// ---------------------------------------------------------------------------------------------
// Hit testing

TfrxPageHit TfrxPreviewPages::HitTest(int index, int x, int y, long double scale, int offsetX,
                                      int offsetY) {
    TfrxPageHit hit;
    if (EngineRunning() || index < 0 || index >= PageCount())
        return hit;
    TfrxReportPage* page = BuildPage(index);
    if (!page)
        return hit;
    hit.OnPage = true;
    const long double left = (page->MirrorMargins() && index % 2 == 1) ? page->RightMargin()
                                                                          : page->LeftMargin();
    const long double ox = offsetX + left * fr01cm * scale;
    const long double oy = offsetY + page->TopMargin() * fr01cm * scale;

    auto contains = [&](const TfrxComponent* c) {
        const long double l = c->AbsLeft() * scale + ox, t = c->AbsTop() * scale + oy;
        const long double r = l + c->Width() * scale, b = t + c->Height() * scale;
        return x >= l && x < r && y >= t && y < b;
    };
    const QList<TfrxComponent*> objects = page->AllObjects();
    TfrxComponent* found = nullptr;
    for (qsizetype i = objects.size() - 1; i >= 0 && !found; --i) {
        TfrxComponent* c = objects[i];
        if ((IsDrillDownHeader(c) || qobject_cast<TfrxView*>(c)) && contains(c))
            found = c;
    }
    if (!found)
        return hit;
    for (TfrxComponent* p = found->Parent(); p; p = p->Parent()) {
        if (IsDrillDownHeader(p)) {
            found = p;
            break;
        }
    }

    auto* view = qobject_cast<TfrxView*>(found);
    if (!view) {
        // A drill-down group header. Expanding its group needs the band machinery.
        hit.Cursor = Qt::PointingHandCursor;
        return hit;
    }
    hit.Object = view;
    hit.URL = view->URL();
    if (view->Cursor() != 0)
        hit.Cursor = QtCursorOf(view->Cursor());
    else if (!hit.URL.isEmpty())
        hit.Cursor = Qt::PointingHandCursor;
    if (hit.URL.startsWith(QLatin1Char('@'))) {
        bool ok = false;
        const int pageNo = hit.URL.mid(1).trimmed().toInt(&ok);
        if (ok)
            hit.TargetPage = pageNo;
    } else if (hit.URL.startsWith(QLatin1Char('#'))) {
        const QString name = hit.URL.mid(1);
        hit.TargetPage = 1;
        if (const TfrxXMLItem* anchors = FindRootItem("anchors")) {
            for (int i = anchors->Count() - 1; i >= 0; --i) {
                const TfrxXMLItem* a = anchors->Item(i);
                if (FromAnsi(a->GetAttr("text")).compare(name, Qt::CaseInsensitive) == 0) {
                    hit.TargetPage = std::min(IntOf(a, "page", 0), INT_MAX - 1) + 1;
                    hit.TargetTop = IntOf(a, "top", 0);
                    break;
                }
            }
        }
    }
    return hit;
}

std::unique_ptr<TfrxCustomPreviewPages> frxCreatePreviewPages(TfrxReport* report) {
    return std::make_unique<TfrxPreviewPages>(report);
}

// ---------------------------------------------------------------------------------------------
// Printing and exporting

bool TfrxPreviewPages::Print() {
    // Held while it runs: the handler may be replaced meanwhile.
    const std::shared_ptr<TfrxPrintHandler> handler = platform::Registry::Shared<TfrxPrintHandler>();
    return handler && *handler ? (*handler)(*this) : false;
}

bool TfrxPreviewPages::Export(TfrxCustomExportFilter& filter) {
    const std::shared_ptr<TfrxExportHandler> handler =
        platform::Registry::Shared<TfrxExportHandler>();
    return handler && *handler ? (*handler)(*this, filter) : false;
}
