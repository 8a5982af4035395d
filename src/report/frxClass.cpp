#include "report/frxClass.h"

#include "platform/Canvas.h"
#include "platform/Registry.h"
#include "printers/frxPrinter.h"
#include "report/frxGraphicUtils.h"
#include "report/frxRuntime.h"
#include "resources/frxRes.h"

#include <QDataStream>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QIODevice>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace frxClass;

// ---------------------------------------------------------------------------------------------
// Colours

QColor frxClass::frxColorToQColor(TColor color) {
    if (color == clTransparent)
        return QColor(0, 0, 0, 0);
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
    const long double r = static_cast<long double>(a) * b / c;
    return static_cast<int>(r < 0 ? -std::floor(-r + 0.5L) : std::floor(r + 0.5L));
}

// Nearest multiple of 1e-8, halves to even.
long double RoundTo8(long double v) {
    return std::nearbyint(v * 100000000.0L) / 100000000.0L;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TfrxFont

void TfrxFont::Changed() {
    if (OnChange)
        OnChange();
}

void TfrxFont::SetCharset(int v) {
    m_charset = v;
    Changed();
}

void TfrxFont::SetColor(TColor v) {
    m_color = v;
    Changed();
}

void TfrxFont::SetHeight(int v) {
    m_height = v;
    Changed();
}

void TfrxFont::SetName(const QString& v) {
    m_name = v;
    Changed();
}

void TfrxFont::SetPitch(TFontPitch v) {
    m_pitch = v;
    Changed();
}

int TfrxFont::Size() const { return -frxPointsFromPixels(m_height, m_pixelsPerInch); }

void TfrxFont::SetSize(int points) {
    m_height = -MulDiv(points, m_pixelsPerInch, 72);
    Changed();
}

void TfrxFont::SetStyle(TFontStyles v) {
    m_style = v;
    Changed();
}

void TfrxFont::Assign(const TfrxFont& other) {
    m_charset = other.m_charset;
    m_color = other.m_color;
    m_height = other.m_height;
    m_name = other.m_name;
    m_pitch = other.m_pitch;
    m_style = other.m_style;
    m_pixelsPerInch = other.m_pixelsPerInch;
    Changed();
}

bool TfrxFont::operator==(const TfrxFont& o) const {
    return m_charset == o.m_charset && m_color == o.m_color && m_height == o.m_height &&
           m_name == o.m_name && m_pitch == o.m_pitch && m_style == o.m_style &&
           m_pixelsPerInch == o.m_pixelsPerInch;
}

QFont TfrxFont::ToQFont() const {
    QFont f(m_name);
    f.setPixelSize(std::max(1, std::abs(m_height)));
    f.setBold(m_style.testFlag(fsBold));
    f.setItalic(m_style.testFlag(fsItalic));
    f.setUnderline(m_style.testFlag(fsUnderline));
    f.setStrikeOut(m_style.testFlag(fsStrikeOut));
    return f;
}

// ---------------------------------------------------------------------------------------------
// Frame, highlight

TfrxFrame::TfrxFrame(QObject* owner)
    : TfrxPersistent(owner), m_leftLine(std::make_unique<TfrxFrameLine>()),
      m_topLine(std::make_unique<TfrxFrameLine>()),
      m_rightLine(std::make_unique<TfrxFrameLine>()),
      m_bottomLine(std::make_unique<TfrxFrameLine>()) {}

TfrxFrame::~TfrxFrame() = default;

TfrxHighlight::TfrxHighlight(QObject* owner)
    : TfrxPersistent(owner), m_font(std::make_unique<TfrxFont>()) {}

TfrxHighlight::~TfrxHighlight() = default;

// ---------------------------------------------------------------------------------------------
// The object serializer

TfrxComponentStreamer* frxComponentStreamer() {
    return platform::Registry::Find<TfrxComponentStreamer>();
}

// ---------------------------------------------------------------------------------------------
// TfrxComponent

TfrxComponent::TfrxComponent(QObject* owner)
    : TfrxPersistent(owner), m_font(std::make_unique<TfrxFont>()) {
    m_font->OnChange = [this] { FontChanged(); };
    if (auto* parent = qobject_cast<TfrxComponent*>(owner))
        SetParent(parent);
}

TfrxComponent::~TfrxComponent() {
    // Nobody may hear about the font any more.
    m_font->OnChange = nullptr;
    TfrxComponent::SetParent(nullptr);
    // A component owned (as a QObject) by one that is freed but placed elsewhere in the tree
    // (the page's objects can be moved between parents) would be freed along with its owner,
    // perhaps while this walk still holds it: it goes to its parent in the tree first.
    const auto handOver = [this](TfrxComponent* owner) {
        const QObjectList owned = owner->children();
        for (QObject* o : owned) {
            auto* k = qobject_cast<TfrxComponent*>(o);
            if (!k)
                continue;
            if (k == this)
                k->QObject::setParent(nullptr);
            else if (k->m_parent && k->m_parent != owner)
                k->QObject::setParent(k->m_parent);
        }
    };
    // Leaves first, walking down and back up without recursion, so that a deep tree cannot
    // exhaust the stack.
    QList<TfrxComponent*> path{this};
    while (true) {
        TfrxComponent* c = path.last();
        // Borrowed entries belong to their own parent: dropped, never freed.
        while (!c->m_objects.isEmpty() && c->m_objects.last()->m_parent != c)
            c->m_objects.removeLast();
        if (!c->m_objects.isEmpty()) {
            path.append(c->m_objects.last());
            continue;
        }
        if (c == this)
            break;
        path.removeLast();
        path.last()->m_objects.removeLast(); // c
        c->m_parent = nullptr;
        handOver(c);
        delete c;
    }
    handOver(this);
}

void TfrxComponent::SetName(const QString& name) {
    if (QString::compare(name, objectName(), Qt::CaseInsensitive) == 0)
        return;
    if (!name.isEmpty()) {
        if (TfrxReport* report = Report()) {
            TfrxComponent* other = report->FindObject(name);
            if (other && other != this)
                throw TfrxException(frxGet(QStringLiteral("prDupl")));
            if (IsAncestor())
                throw TfrxException(QStringLiteral("Could not rename ") + objectName() +
                                    QStringLiteral(", it was introduced in the ancestor report"));
        }
    }
    setObjectName(name);
}

void TfrxComponent::SetParent(TfrxComponent* parent) {
    // A component cannot become its own ancestor: the tree would turn into a circle. Only a
    // component with children can be anyone's ancestor, which spares the walk in the common
    // case of a new component joining a (possibly deep) tree.
    if (!m_objects.isEmpty() || parent == this) {
        for (const TfrxComponent* p = parent; p; p = p->m_parent) {
            if (p == this)
                return;
        }
    }
    if (m_parent != parent) {
        if (m_parent)
            m_parent->m_objects.removeOne(this);
        if (parent)
            parent->m_objects.append(this);
    }
    m_parent = parent;
    if (m_parent)
        SetParentFont(m_parentFont);
}

QList<TfrxComponent*> TfrxComponent::AllObjects() const {
    QList<TfrxComponent*> all;
    // Depth-first, pre-order, without recursion: a deep tree cannot exhaust the stack.
    QList<std::pair<const TfrxComponent*, qsizetype>> stack;
    stack.append({this, 0});
    while (!stack.isEmpty()) {
        auto& [node, next] = stack.last();
        if (next >= node->m_objects.size()) {
            stack.removeLast();
            continue;
        }
        TfrxComponent* child = node->m_objects[next++];
        all.append(child);
        stack.append({child, 0});
    }
    return all;
}

TfrxComponent* TfrxComponent::FindObject(const QString& name) {
    for (TfrxComponent* c : AllObjects()) {
        if (QString::compare(c->objectName(), name, Qt::CaseInsensitive) == 0)
            return c;
    }
    return nullptr;
}

TfrxReport* TfrxComponent::Report() const {
    for (const TfrxComponent* c = this; c; c = c->m_parent) {
        if (auto* r = qobject_cast<const TfrxReport*>(c))
            return const_cast<TfrxReport*>(r);
    }
    return nullptr;
}

TfrxPage* TfrxComponent::Page() const {
    for (const TfrxComponent* c = this; c; c = c->m_parent) {
        if (auto* p = qobject_cast<const TfrxPage*>(c))
            return const_cast<TfrxPage*>(p);
    }
    return nullptr;
}

void TfrxComponent::Clear() {
    qsizetype i = 0;
    while (i < m_objects.size()) {
        TfrxComponent* c = m_objects[i];
        if (c->IsAncestor()) {
            c->Clear();
            ++i;
        } else {
            delete c; // leaves m_objects through its destructor
        }
    }
}

void TfrxComponent::SetLeft(long double v) {
    if (!m_designing || !m_restrictions.testFlag(rfDontMove))
        m_left = v;
}

void TfrxComponent::SetTop(long double v) {
    if (!m_designing || !m_restrictions.testFlag(rfDontMove))
        m_top = v;
}

void TfrxComponent::SetWidth(long double v) {
    if (!m_designing || !m_restrictions.testFlag(rfDontSize))
        m_width = v;
}

void TfrxComponent::SetHeight(long double v) {
    if (!m_designing || !m_restrictions.testFlag(rfDontSize))
        m_height = v;
}

void TfrxComponent::SetBounds(long double left, long double top, long double width,
                              long double height) {
    SetLeft(left);
    SetTop(top);
    SetWidth(width);
    SetHeight(height);
}

long double TfrxComponent::AbsLeft() const {
    long double x = m_left;
    for (const TfrxComponent* p = m_parent; p && !qobject_cast<const TfrxDialogPage*>(p);
         p = p->m_parent)
        x += p->m_left;
    return x;
}

long double TfrxComponent::AbsTop() const {
    long double y = m_top;
    for (const TfrxComponent* p = m_parent; p && !qobject_cast<const TfrxDialogPage*>(p);
         p = p->m_parent)
        y += p->m_top;
    return y;
}

void TfrxComponent::SetFont(const TfrxFont* font) {
    if (font && font != m_font.get())
        m_font->Assign(*font); // notifies: ParentFont becomes false, children follow
    m_parentFont = false;
}

void TfrxComponent::SetParentFont(bool v) {
    if (v && m_parent)
        m_font->Assign(*m_parent->Font());
    m_parentFont = v;
}

void TfrxComponent::FontChanged() {
    if (m_updatingFont)
        return;
    m_updatingFont = true;
    PropagateFont();
    m_updatingFont = false;
}

void TfrxComponent::PropagateFont() {
    m_parentFont = false;
    // Down the tree to every descendant that follows its parent, without recursion: a deep
    // tree cannot exhaust the stack.
    QList<std::pair<TfrxComponent*, const TfrxComponent*>> work;
    for (TfrxComponent* c : std::as_const(m_objects))
        work.append(std::make_pair(c, static_cast<const TfrxComponent*>(this)));
    while (!work.isEmpty()) {
        const auto [c, parent] = work.takeLast();
        if (!c->m_parentFont)
            continue;
        c->m_updatingFont = true;
        c->m_font->Assign(*parent->Font());
        c->m_updatingFont = false;
        for (TfrxComponent* child : std::as_const(c->m_objects))
            work.append(std::make_pair(child, static_cast<const TfrxComponent*>(c)));
    }
}

QString TfrxComponent::NameStem() const {
    if (!m_nameStem.isEmpty())
        return m_nameStem;
    QString stem = QString::fromLatin1(metaObject()->className());
    const qsizetype t = stem.indexOf(QLatin1String("Tfrx"));
    if (t >= 0)
        stem.remove(t, 4);
    const qsizetype v = stem.indexOf(QLatin1String("View"));
    if (v >= 0)
        stem.remove(v, 4);
    return stem;
}

void TfrxComponent::AssignFreeName() {
    QList<TfrxComponent*> objects;
    if (TfrxReport* report = Report())
        objects = report->AllObjects();
    else if (m_parent)
        objects = m_parent->AllObjects();
    QSet<QString> names;
    for (const TfrxComponent* c : std::as_const(objects))
        names.insert(c->objectName().toLower());
    const QString stem = NameStem();
    for (int i = 1;; ++i) {
        const QString name = stem + QString::number(i);
        if (!names.contains(name.toLower())) {
            SetName(name);
            return;
        }
    }
}

QString TfrxComponent::GetDescription() const {
    return QString::fromLatin1(metaObject()->className());
}

void TfrxComponent::LayOutChildren() {
    // Views aligned left, right and to the remaining width are packed along the width in
    // child order: left ones from the left edge, right ones from the right edge, and the
    // width ones share what lies between.
    long double leftEdge = 0, rightEdge = m_width;
    QList<TfrxView*> widthViews;
    for (TfrxComponent* c : std::as_const(m_objects)) {
        auto* v = qobject_cast<TfrxView*>(c);
        if (!v)
            continue;
        switch (v->Align()) {
        case baNone:
            break;
        case baCenter:
            v->SetLeft((m_width - v->Width()) / 2);
            break;
        case baBottom:
            v->SetTop(m_height - v->Height());
            break;
        case baClient:
            v->SetBounds(0, 0, m_width, m_height);
            break;
        case baLeft:
            v->SetLeft(leftEdge);
            leftEdge += v->Width();
            break;
        case baRight:
            rightEdge -= v->Width();
            v->SetLeft(rightEdge);
            break;
        case baWidth:
            widthViews.append(v);
            break;
        }
    }
    if (!widthViews.isEmpty()) {
        const long double share = std::max(0.0L, rightEdge - leftEdge) / widthViews.size();
        for (TfrxView* v : std::as_const(widthViews)) {
            v->SetLeft(leftEdge);
            v->SetWidth(share);
            leftEdge += share;
        }
    }
}

void TfrxComponent::Assign(const TfrxComponent* source) {
    if (!source || source == this)
        return;
    frxProps::CopyProperties(source, this);
}

void TfrxComponent::CopyWithChildren(const TfrxComponent* source, const CopyFilter& filter,
                                     QHash<const TfrxComponent*, TfrxComponent*>* map) {
    if (!source || source == this)
        return;
    Clear();
    Assign(source);
    // Iteratively, so that a deep tree cannot exhaust the stack.
    QHash<const QObject*, TfrxComponent*> copies{{source, this}};
    if (map)
        map->insert(source, this);
    QList<std::pair<const TfrxComponent*, TfrxComponent*>> work;
    work.append(std::make_pair(source, this));
    while (!work.isEmpty()) {
        const auto [from, to] = work.takeLast();
        for (const TfrxComponent* child : from->m_objects) {
            if (child->m_parent != from || (filter && !filter(child)))
                continue; // borrowed, or refused with its subtree
            TfrxComponent* copy = nullptr;
            const QMetaObject* mo = child->metaObject();
            if (QObject* o = mo->newInstance(Q_ARG(QObject*, to)))
                copy = qobject_cast<TfrxComponent*>(o);
            if (!copy)
                continue; // a class without a creatable constructor
            copy->SetParent(to);
            copy->Assign(child);
            copy->SetName(child->Name());
            copies.insert(child, copy);
            if (map)
                map->insert(child, copy);
            work.append(std::make_pair(child, copy));
        }
    }
    // References between objects of the copied tree point to the copies.
    for (TfrxComponent* copy : std::as_const(copies)) {
        for (const QMetaProperty& p : frxProps::Published(copy)) {
            if (frxProps::KindOf(p) != frxProps::Kind::Reference || !frxProps::IsStored(copy, p))
                continue;
            if (TfrxComponent* target = copies.value(frxProps::GetObject(copy, p), nullptr))
                frxProps::SetObject(copy, p, target);
        }
    }
}

namespace {
TfrxComponentStreamer& Streamer() {
    TfrxComponentStreamer* streamer = frxComponentStreamer();
    if (!streamer)
        throw TfrxException(QStringLiteral("No object serializer is installed"));
    return *streamer;
}
} // namespace

void TfrxComponent::LoadFromStream(QIODevice& stream) {
    TfrxComponentStreamer& streamer = Streamer();
    Clear();
    streamer.Load(*this, stream);
}

void TfrxComponent::SaveToStream(QIODevice& stream, bool saveChildren) const {
    Streamer().Save(*this, stream, saveChildren);
}

bool TfrxComponent::Publishes(const char*) const { return true; }

bool TfrxComponent::IsStored(const QMetaProperty& prop) const {
    if (!Publishes(prop.name()))
        return false;
    if (std::strcmp(prop.name(), "Font") == 0)
        return !m_parentFont;
    return TfrxPersistent::IsStored(prop);
}

// ---------------------------------------------------------------------------------------------
// TfrxReportComponent

TfrxReportComponent::TfrxReportComponent(QObject* owner) : TfrxComponent(owner) {}

void TfrxReportComponent::BeforePrint() {
    m_originalRect = TfrxBounds{Left(), Top(), Width(), Height()};
}

void TfrxReportComponent::AfterPrint() {
    SetBounds(m_originalRect.Left, m_originalRect.Top, m_originalRect.Width,
              m_originalRect.Height);
}

TfrxRect TfrxReportComponent::GetRealBounds() const {
    const long double l = AbsLeft(), t = AbsTop();
    return TfrxRect{l, t, l + Width(), t + Height()};
}

// ---------------------------------------------------------------------------------------------
// TfrxView

TfrxView::TfrxView(QObject* owner)
    : TfrxReportComponent(owner), m_frame(std::make_unique<TfrxFrame>()) {
    SetComponentStyle(csPreviewVisible);
}

TfrxView::~TfrxView() = default;

TfrxDataSet* TfrxView::DataSet() const { return m_dataSet.data(); }

void TfrxView::SetDataSet(TfrxDataSet* v) {
    m_dataSet = v;
    if (v)
        m_dataSetName = v->UserName();
}

QString TfrxView::DataSetName() const { return m_dataSet ? m_dataSet->UserName() : m_dataSetName; }

void TfrxView::SetDataSetName(const QString& v) {
    m_dataSetName = v;
    if (m_dataSet && m_dataSet->UserName() != v)
        m_dataSet = nullptr;
}

bool TfrxView::IsDataField() const { return m_dataSet && !m_dataField.isEmpty(); }

void TfrxView::BeforePrint() {
    TfrxReportComponent::BeforePrint();
    m_savedTagStr = m_tagStr;
    m_savedURL = m_url;
}

void TfrxView::AfterPrint() {
    TfrxReportComponent::AfterPrint();
    m_tagStr = m_savedTagStr;
    m_url = m_savedURL;
}

// ---------------------------------------------------------------------------------------------
// TfrxStretcheable, text objects

TfrxStretcheable::TfrxStretcheable(QObject* owner) : TfrxView(owner) {}

TfrxCustomMemoView::TfrxCustomMemoView(QObject* owner)
    : TfrxStretcheable(owner), m_displayFormat(std::make_unique<TfrxFormat>()),
      m_highlight(std::make_unique<TfrxHighlight>()) {
    SetParentFont(true);
}

TfrxCustomMemoView::~TfrxCustomMemoView() = default;

QString TfrxCustomMemoView::Text() const {
    QString s;
    for (const QString& line : m_memo) {
        s += line;
        s += QLatin1String("\r\n");
    }
    return s;
}

QStringList TfrxCustomMemoView::SplitLines(const QString& text) {
    QStringList lines;
    const QChar* p = text.constData();
    const QChar* end = p + text.size();
    constexpr char16_t lineSeparator = 0x2028;
    while (p < end) {
        const QChar* start = p;
        while (p < end && *p != u'\r' && *p != u'\n' && *p != QChar(lineSeparator))
            ++p;
        lines.append(QString(start, p - start));
        if (p < end && *p == u'\r')
            ++p;
        if (p < end && *p == u'\n')
            ++p;
        if (p < end && *p == QChar(lineSeparator))
            ++p;
    }
    return lines;
}

void TfrxCustomMemoView::SetText(const QString& text) { m_memo = SplitLines(text); }

TfrxCustomMemoView* TfrxCustomMemoView::FlowTo() const { return m_flowTo.data(); }

void TfrxCustomMemoView::SetFlowTo(TfrxCustomMemoView* v) { m_flowTo = v; }

void TfrxCustomMemoView::BeforePrint() {
    TfrxStretcheable::BeforePrint();
    if (!IsDataField())
        SavedText = m_memo;
}

void TfrxCustomMemoView::AfterPrint() {
    TfrxStretcheable::AfterPrint();
    if (!IsDataField())
        m_memo = SavedText;
}

void TfrxCustomMemoView::Assign(const TfrxComponent* source) {
    TfrxStretcheable::Assign(source);
    if (auto* memo = qobject_cast<const TfrxCustomMemoView*>(source); memo && memo != this)
        m_memo = memo->m_memo;
}

TfrxMemoView::TfrxMemoView(QObject* owner) : TfrxCustomMemoView(owner) {}

TfrxDMPMemoView::TfrxDMPMemoView(QObject* owner) : TfrxCustomMemoView(owner) {}

// ---------------------------------------------------------------------------------------------
// Bands

TfrxBand::TfrxBand(QObject* owner) : TfrxReportComponent(owner) {
    SetComponentStyle(csPreviewVisible);
}

void TfrxBand::BorrowObjects(const QList<TfrxComponent*>& objects) {
    for (TfrxComponent* c : objects) {
        if (c && c->Parent() != this)
            Objects().append(c);
    }
}

void TfrxBand::ReturnBorrowed() {
    Objects().removeIf([this](const TfrxComponent* c) { return c->Parent() != this; });
}

TfrxNullBand::TfrxNullBand(QObject* owner) : TfrxBand(owner) {}

TfrxReportTitle::TfrxReportTitle(QObject* owner) : TfrxBand(owner) {}
TfrxReportSummary::TfrxReportSummary(QObject* owner) : TfrxBand(owner) {}
TfrxPageHeader::TfrxPageHeader(QObject* owner) : TfrxBand(owner) {}
TfrxPageFooter::TfrxPageFooter(QObject* owner) : TfrxBand(owner) {}
TfrxOverlay::TfrxOverlay(QObject* owner) : TfrxBand(owner) {}
TfrxHeader::TfrxHeader(QObject* owner) : TfrxBand(owner) {}
TfrxFooter::TfrxFooter(QObject* owner) : TfrxBand(owner) {}
TfrxDataBand::TfrxDataBand(QObject* owner) : TfrxBand(owner) {}
TfrxMasterData::TfrxMasterData(QObject* owner) : TfrxDataBand(owner) {}
TfrxDetailData::TfrxDetailData(QObject* owner) : TfrxDataBand(owner) {}
TfrxSubdetailData::TfrxSubdetailData(QObject* owner) : TfrxDataBand(owner) {}
TfrxGroupHeader::TfrxGroupHeader(QObject* owner) : TfrxBand(owner) {}
TfrxGroupFooter::TfrxGroupFooter(QObject* owner) : TfrxBand(owner) {}
TfrxColumnHeader::TfrxColumnHeader(QObject* owner) : TfrxBand(owner) {}
TfrxColumnFooter::TfrxColumnFooter(QObject* owner) : TfrxBand(owner) {}
TfrxChild::TfrxChild(QObject* owner) : TfrxBand(owner) {}
TfrxSubreport::TfrxSubreport(QObject* owner) : TfrxView(owner) {}

TfrxDataSet* TfrxDataBand::DataSet() const { return m_dataSet.data(); }

void TfrxDataBand::SetDataSet(TfrxDataSet* v) {
    m_dataSet = v;
    if (v)
        m_dataSetName = v->UserName();
}

QString TfrxDataBand::DataSetName() const {
    return m_dataSet ? m_dataSet->UserName() : m_dataSetName;
}

void TfrxDataBand::SetDataSetName(const QString& v) {
    m_dataSetName = v;
    if (m_dataSet && m_dataSet->UserName() != v)
        m_dataSet = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Pages

TfrxPage::TfrxPage(QObject* owner) : TfrxComponent(owner) {}

bool TfrxPage::Publishes(const char* name) const {
    // A page publishes its font and visibility; its bounds follow from its paper.
    static const char* const hidden[] = {"Left",   "Top",        "Width",
                                         "Height", "ParentFont", "Restrictions"};
    for (const char* h : hidden) {
        if (std::strcmp(name, h) == 0)
            return false;
    }
    return true;
}

TfrxReportPage::TfrxReportPage(QObject* owner)
    : TfrxPage(owner), m_frame(std::make_unique<TfrxFrame>()) {
    SetNameStem(QStringLiteral("Page"));
    SetPaperSize(DMPAPER_A4);
}

TfrxReportPage::~TfrxReportPage() = default;

namespace {

// A picture file's bytes, decoded on first use.
const QImage& Decoded(const QByteArray& bytes, QImage& image, bool& decoded) {
    if (!decoded) {
        decoded = true;
        image = bytes.isEmpty() ? QImage() : QImage::fromData(bytes);
    }
    return image;
}

} // namespace

void TfrxReportPage::SetBackPicture(const QByteArray& v) {
    m_backPicture = v;
    m_backImage = QImage();
    m_backDecoded = false;
}

void TfrxReportPage::Assign(const TfrxComponent* source) {
    TfrxPage::Assign(source);
    if (auto* page = qobject_cast<const TfrxReportPage*>(source)) {
        // A page rebuilt from its source page shares the source's decoded picture: decoded
        // once, and one image for the PDF writer however many pages show it.
        m_backPicture = page->m_backPicture;
        m_backImage = Decoded(page->m_backPicture, page->m_backImage, page->m_backDecoded);
        m_backDecoded = true;
    }
}

void TfrxReportPage::WriteBinaryProperties(QDataStream& out) const {
    TfrxPage::WriteBinaryProperties(out);
    if (!m_backPicture.isEmpty())
        out << QStringLiteral("BackPicture") << m_backPicture;
}

bool TfrxReportPage::ReadBinaryProperties(QDataStream& in) {
    while (!in.atEnd()) {
        QString section;
        in >> section;
        if (in.status() != QDataStream::Ok || section != QLatin1String("BackPicture"))
            return false;
        QByteArray picture;
        in >> picture;
        if (in.status() != QDataStream::Ok)
            return false;
        SetBackPicture(picture);
    }
    return true;
}

void TfrxReportPage::DrawBackground(platform::Canvas* canvas, long double scaleX,
                                    long double scaleY, long double offsetX,
                                    long double offsetY) const {
    if (!canvas)
        return;
    const QImage& image = Decoded(m_backPicture, m_backImage, m_backDecoded);
    if (image.isNull())
        return;
    const long double left = offsetX + LeftMargin() * fr01cm * scaleX;
    const long double top = offsetY + TopMargin() * fr01cm * scaleY;
    const long double right = offsetX + (PaperWidth() - RightMargin()) * fr01cm * scaleX;
    const long double bottom = offsetY + (PaperHeight() - BottomMargin()) * fr01cm * scaleY;
    canvas->DrawImage(platform::Rect{frxRoundEven(left), frxRoundEven(top), frxRoundEven(right),
                                     frxRoundEven(bottom)},
                      image);
}

TfrxDMPPage::TfrxDMPPage(QObject* owner) : TfrxReportPage(owner) {}

void TfrxReportPage::SetPaperSize(int code) {
    m_paperSize = code;
    if (code < DMPAPER_USER) {
        long double w = 0, h = 0;
        if (GetPaperDimensions(code, w, h)) {
            if (m_orientation == poLandscape)
                std::swap(w, h);
            m_paperWidth = w;
            m_paperHeight = h;
        }
    }
    LayOutChildren();
}

void TfrxReportPage::SetPaperWidth(long double mm) {
    m_paperWidth = RoundTo8(mm);
    m_paperSize = DMPAPER_USER;
    LayOutChildren();
}

void TfrxReportPage::SetPaperHeight(long double mm) {
    m_paperHeight = RoundTo8(mm);
    m_paperSize = DMPAPER_USER;
    LayOutChildren();
}

void TfrxReportPage::SetOrientation(TPrinterOrientation o) {
    if (o == m_orientation)
        return;
    std::swap(m_paperWidth, m_paperHeight);
    const long double l = m_leftMargin, r = m_rightMargin, t = m_topMargin, b = m_bottomMargin;
    if (o == poLandscape) {
        m_leftMargin = t;
        m_rightMargin = b;
        m_topMargin = r;
        m_bottomMargin = l;
    } else {
        m_leftMargin = b;
        m_rightMargin = t;
        m_topMargin = l;
        m_bottomMargin = r;
    }
    m_orientation = o;
    LayOutChildren();
}

TfrxDataSet* TfrxReportPage::DataSet() const { return m_dataSet.data(); }

void TfrxReportPage::SetDataSet(TfrxDataSet* v) {
    m_dataSet = v;
    if (v)
        m_dataSetName = v->UserName();
}

QString TfrxReportPage::DataSetName() const {
    return m_dataSet ? m_dataSet->UserName() : m_dataSetName;
}

void TfrxReportPage::SetDataSetName(const QString& v) {
    m_dataSetName = v;
    if (m_dataSet && m_dataSet->UserName() != v)
        m_dataSet = nullptr;
}

void TfrxReportPage::ApplyPrinterDefaults() {
    m_leftMargin = m_rightMargin = m_topMargin = m_bottomMargin = 10;
    if (TfrxCustomPrinter* printer = frxPrinters()->CurrentPrinter()) {
        m_orientation = printer->DefaultOrientation();
        m_paperSize = printer->DefaultPaper();
        m_paperWidth = printer->DefaultPaperWidth();
        m_paperHeight = printer->DefaultPaperHeight();
    }
    LayOutChildren();
}

void TfrxReportPage::LayOutChildren() {
    SetWidth((m_paperWidth - m_leftMargin - m_rightMargin) * fr01cm);
    SetHeight((m_paperHeight - m_topMargin - m_bottomMargin) * fr01cm);
    TfrxPage::LayOutChildren();
    for (TfrxComponent* c : std::as_const(Objects())) {
        if (auto* band = qobject_cast<TfrxBand*>(c)) {
            band->SetLeft(0);
            band->SetWidth(Width());
        }
    }
}

TfrxDataPage::TfrxDataPage(QObject* owner) : TfrxPage(owner) {
    SetWidth(1000);
    SetHeight(1000);
}

bool TfrxDataPage::Publishes(const char* name) const {
    if (std::strcmp(name, "Left") == 0 || std::strcmp(name, "Top") == 0 ||
        std::strcmp(name, "Width") == 0 || std::strcmp(name, "Height") == 0)
        return true;
    return TfrxPage::Publishes(name);
}

TfrxDialogPage::TfrxDialogPage(QObject* owner) : TfrxPage(owner) {}

namespace {
QList<TfrxDataSet*>& AllDataSets() {
    static QList<TfrxDataSet*> sets;
    return sets;
}
} // namespace

TfrxDataSet::TfrxDataSet(QObject* owner) : TfrxComponent(owner) { AllDataSets().append(this); }

TfrxDataSet::~TfrxDataSet() { AllDataSets().removeOne(this); }

bool TfrxDataSet::FieldValue(const QString&, Variant& value, Variant::Type& kind) const {
    value = Variant::Null();
    kind = Variant::Type::Null;
    return false;
}

QList<TfrxDataSet*> TfrxDataSet::ProgramDataSets() {
    QList<TfrxDataSet*> result;
    for (TfrxDataSet* ds : std::as_const(AllDataSets()))
        if (!ds->Report())
            result.append(ds);
    return result;
}

// ---------------------------------------------------------------------------------------------
// Option objects

void TfrxEngineOptions::Clear() {
    m_convertNulls = true;
    m_doublePass = false;
    m_maxMemSize = 10;
    m_printIfEmpty = true;
    m_newSilentMode = simMessageBoxes;
    m_tempDir.clear();
    m_useFileCache = false;
    EnableThreadSafe = false;
    DestroyForms = true;
}


void TfrxPreviewOptions::Clear() {
    m_allowEdit = true;
    m_buttons = TfrxPreviewButtons(frxDefaultPreviewButtons);
    m_doubleBuffered = true;
    m_maximized = true;
    m_mdiChild = false;
    m_modal = true;
    m_outlineExpand = true;
    m_outlineVisible = false;
    m_outlineWidth = 120;
    m_pagesInCache = 50;
    m_showCaptions = false;
    m_thumbnailVisible = false;
    m_zoom = 1;
    m_zoomMode = zmDefault;
}

TfrxPrintOptions::TfrxPrintOptions(QObject* owner) : TfrxPersistent(owner) { Clear(); }

void TfrxPrintOptions::Clear() {
    m_copies = 1;
    m_collate = true;
    m_pageNumbers.clear();
    m_printer = frxGet(QStringLiteral("prDefault"));
    m_printMode = pmDefault;
    m_printOnSheet = 0;
    m_printPages = ppAll;
    m_reverse = false;
    m_showDialog = true;
}

TfrxReportOptions::TfrxReportOptions(QObject* owner) : TfrxPersistent(owner) { Clear(); }

void TfrxReportOptions::Clear() {
    m_author.clear();
    m_compressed = false;
    m_connectionName.clear();
    m_description.clear();
    m_initString.clear();
    m_name.clear();
    m_password.clear();
    m_versionBuild.clear();
    m_versionMajor.clear();
    m_versionMinor.clear();
    m_versionRelease.clear();
    m_createDate = m_lastChange = frx::DateTimeToDays(QDateTime::currentDateTime());
}

// ---------------------------------------------------------------------------------------------
// TfrxReport

TfrxReport::TfrxReport(QObject* owner)
    : TfrxComponent(owner), m_engineOptions(std::make_unique<TfrxEngineOptions>()),
      m_previewOptions(std::make_unique<TfrxPreviewOptions>()),
      m_printOptions(std::make_unique<TfrxPrintOptions>()),
      m_reportOptions(std::make_unique<TfrxReportOptions>()), m_timer(new QTimer(this)) {
    // The preview starts preparing on this timer's tick, 50 ms after it shows; a coarse timer
    // may tick a few milliseconds late.
    m_timer->setInterval(50);
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setSingleShot(false);
    Clear();
}

TfrxReport::~TfrxReport() {
    // The run-time part first: the engine and the store may refer to the template.
    m_runtime.reset();
    // Pages go next, while the parts they may look at still exist.
    TfrxComponent::Clear();
}

TfrxDataSet* TfrxReport::DataSet() const { return m_dataSet.data(); }

void TfrxReport::SetDataSet(TfrxDataSet* v) {
    m_dataSet = v;
    if (v)
        m_dataSetName = v->UserName();
}

QString TfrxReport::DataSetName() const {
    return m_dataSet ? m_dataSet->UserName() : m_dataSetName;
}

void TfrxReport::SetDataSetName(const QString& v) {
    m_dataSetName = v;
    if (m_dataSet && m_dataSet->UserName() != v)
        m_dataSet = nullptr;
}

TfrxPage* TfrxReport::Pages(int index) const {
    if (index < 0 || index >= Objects().size())
        return nullptr;
    return qobject_cast<TfrxPage*>(Objects()[index]);
}

void TfrxReport::AddError(const QString& text) {
    // Sorted without case, like the list the texts are shown from; equal texts are kept once.
    auto it = std::lower_bound(m_errors.begin(), m_errors.end(), text,
                               [](const QString& a, const QString& b) {
                                   return QString::compare(a, b, Qt::CaseInsensitive) < 0;
                               });
    if (it != m_errors.end() && QString::compare(*it, text, Qt::CaseInsensitive) == 0)
        return;
    m_errors.insert(it, text);
}

void TfrxReport::Clear() {
    TfrxComponent::Clear();
    m_datasets.clear();
    m_variables.Clear();
    m_styles.clear();
    m_engineOptions->Clear();
    m_previewOptions->Clear();
    m_printOptions->Clear();
    m_reportOptions->Clear();
    m_dataSet = nullptr;
    m_dataSetName.clear();
    m_dotMatrixReport = false;
    m_parentReport.clear();
    m_scriptLanguage = QStringLiteral("PascalScript");
    m_scriptText = QStringList{QStringLiteral("begin"), QString(), QStringLiteral("end.")};
    m_builtInNames = QStringList{
        QStringLiteral("Date"),       QStringLiteral("Time"),        QStringLiteral("Page"),
        QStringLiteral("Page#"),      QStringLiteral("TotalPages"),  QStringLiteral("TotalPages#"),
        QStringLiteral("Line"),       QStringLiteral("Line#"),       QStringLiteral("CopyName#")};
    m_onRunDialogs.clear();
    m_onStartReport.clear();
    m_onStopReport.clear();
}

void TfrxReport::LoadFromStream(QIODevice& stream) {
    if (!frxComponentStreamer())
        throw TfrxException(QStringLiteral("No object serializer is installed"));
    Clear();
    frxComponentStreamer()->Load(*this, stream);
}

void TfrxReport::Assign(const TfrxComponent* source) {
    TfrxComponent::Assign(source);
    if (auto* report = qobject_cast<const TfrxReport*>(source); report && report != this) {
        m_variables = report->m_variables;
        m_datasets = report->m_datasets;
        m_styles = report->m_styles;
    }
}

bool TfrxReport::Publishes(const char* name) const {
    // The report has no bounds, font or visibility of its own to keep.
    static const char* const hidden[] = {"Left",       "Top",          "Width",  "Height", "Font",
                                         "ParentFont", "Restrictions", "Visible"};
    for (const char* h : hidden) {
        if (std::strcmp(name, h) == 0)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Class registry

namespace {

QHash<QString, const QMetaObject*>& Registry() {
    static QHash<QString, const QMetaObject*> registry = [] {
        QHash<QString, const QMetaObject*> r;
        const QMetaObject* builtIn[] = {
            &TfrxComponent::staticMetaObject,  &TfrxView::staticMetaObject,
            &TfrxStretcheable::staticMetaObject, &TfrxCustomMemoView::staticMetaObject,
            &TfrxMemoView::staticMetaObject,   &TfrxBand::staticMetaObject,
            &TfrxNullBand::staticMetaObject,   &TfrxPage::staticMetaObject,
            &TfrxReportPage::staticMetaObject, &TfrxDataPage::staticMetaObject,
            &TfrxDMPPage::staticMetaObject,    &TfrxDMPMemoView::staticMetaObject,
            &TfrxDialogPage::staticMetaObject, &TfrxDataSet::staticMetaObject,
            &TfrxReport::staticMetaObject,
            &TfrxReportTitle::staticMetaObject, &TfrxReportSummary::staticMetaObject,
            &TfrxPageHeader::staticMetaObject, &TfrxPageFooter::staticMetaObject,
            &TfrxOverlay::staticMetaObject,    &TfrxHeader::staticMetaObject,
            &TfrxFooter::staticMetaObject,     &TfrxDataBand::staticMetaObject,
            &TfrxMasterData::staticMetaObject, &TfrxDetailData::staticMetaObject,
            &TfrxSubdetailData::staticMetaObject, &TfrxGroupHeader::staticMetaObject,
            &TfrxGroupFooter::staticMetaObject, &TfrxColumnHeader::staticMetaObject,
            &TfrxColumnFooter::staticMetaObject, &TfrxChild::staticMetaObject,
            &TfrxSubreport::staticMetaObject,
        };
        for (const QMetaObject* mo : builtIn)
            r.insert(QString::fromLatin1(mo->className()).toLower(), mo);
        return r;
    }();
    return registry;
}

} // namespace

void frxRegisterClass(const QMetaObject* componentClass) {
    if (componentClass && componentClass->inherits(&TfrxComponent::staticMetaObject))
        Registry().insert(QString::fromLatin1(componentClass->className()).toLower(),
                          componentClass);
}

const QMetaObject* frxFindClass(const QString& className) {
    return Registry().value(className.toLower(), nullptr);
}

TfrxComponent* frxCreateComponent(const QString& className, QObject* owner) {
    const QMetaObject* mo = frxFindClass(className);
    if (!mo)
        return nullptr;
    return qobject_cast<TfrxComponent*>(mo->newInstance(Q_ARG(QObject*, owner)));
}

// ---------------------------------------------------------------------------------------------
// Evaluation, through the installed evaluator

void TfrxView::EvaluateContent() { frxEvaluator().EvaluateView(this); }

void TfrxCustomMemoView::EvaluateContent() {
    TfrxView::EvaluateContent();
    frxEvaluator().EvaluateMemo(this);
}

QString TfrxCustomMemoView::EvaluateAndFormat(const QString& expression) {
    return frxEvaluator().EvaluateAndFormat(this, expression);
}

QString TfrxCustomMemoView::FormatValue(const Variant& value, const TfrxFormat* format) const {
    return frxEvaluator().FormatValue(this, value, format);
}

Variant TfrxReport::Calc(const QString& expression, TfrxScript* script) {
    return frxEvaluator().Calc(this, expression, script);
}

bool TfrxReport::ResolveName(const QString& name, Variant& value) {
    return frxEvaluator().ResolveName(this, name, value);
}

TfrxScript* TfrxReport::Script() { return frxEvaluator().Script(this); }

bool TfrxReport::PrepareScript() { return frxEvaluator().PrepareScript(this); }

TfrxReportRuntime& TfrxReport::Runtime() {
    if (!m_runtime)
        m_runtime = std::make_unique<TfrxReportRuntime>(this);
    return *m_runtime;
}
