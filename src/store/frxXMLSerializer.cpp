#include "store/frxXMLSerializer.h"

#include "platform/Error.h"
#include "platform/GbkCodec.h"
#include "report/frxClass.h"
#include "report/frxProps.h"
#include "resources/frxRes.h"

#include <QBuffer>
#include <QDataStream>
#include <QLocale>
#include <QSet>
#include <QHash>
#include <QMetaEnum>

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <cmath>
#include <vector>

using namespace frxClass;

using frxProps::Kind;

namespace {

// Text objects carry UTF-8; every other string is in the platform's 8-bit code page.
QByteArray Ansi(const QString& s) { return platform::ToGbk(s); }
QString FromAnsi(const QByteArray& b) { return platform::FromGbk(b); }

QByteArray FloatText(double v) {
    return QByteArray::number(v, 'g', QLocale::FloatingPointShortest);
}

// Either decimal separator, blanks anywhere.
bool ParseFloat(const QByteArray& text, double& out) {
    QByteArray t;
    t.reserve(text.size());
    for (char c : text)
        if (c != ' ')
            t.append(c == ',' ? '.' : c);
    bool ok = false;
    out = t.toDouble(&ok);
    // "nan" and "inf" are not positions or sizes.
    return ok && std::isfinite(out);
}

// A string list's text without its final line break.
QString ListText(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")); }

QString MemoText(const TfrxCustomMemoView* memo) {
    QString text = memo->Text();
    if (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    return text;
}

QByteArray BinaryProperties(const TfrxPersistent* obj) {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    QDataStream out(&buf);
    obj->WriteBinaryProperties(out);
    return buf.data();
}

quint32 Crc32(const QByteArray& data) {
    return quint32(crc32(0L, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
}

QString NotInteger(const QByteArray& v) {
    return QStringLiteral("'%1' is not a valid integer value").arg(FromAnsi(v));
}
QString NotFloat(const QByteArray& v) {
    return QStringLiteral("'%1' is not a valid floating point value").arg(FromAnsi(v));
}
QString InvalidValue() { return QStringLiteral("Invalid property value"); }

void Append(QByteArray& out, const QByteArray& name, const QByteArray& escapedValue) {
    out.append(' ');
    out.append(name);
    out.append("=\"");
    out.append(escapedValue);
    out.append('"');
}

// The name a reference is written by: the component's name, prefixed by its report's name when
// it belongs to another report than the object that refers to it.
QByteArray ReferenceName(const QObject* holder, const QObject* ref) {
    if (!ref)
        return QByteArray();
    QString name = ref->objectName();
    const auto* refComp = qobject_cast<const TfrxComponent*>(ref);
    const auto* holderComp = qobject_cast<const TfrxComponent*>(holder);
    if (refComp && holderComp) {
        const TfrxReport* theirs = refComp->Report();
        if (theirs && theirs != refComp && theirs != holderComp->Report() &&
            !theirs->Name().isEmpty())
            name = theirs->Name() + QLatin1Char('.') + name;
    }
    return Ansi(name);
}

} // namespace

TfrxXMLSerializer::TfrxXMLSerializer(QIODevice* stream) : m_stream(stream) {}

TfrxXMLSerializer::~TfrxXMLSerializer() = default;

void TfrxXMLSerializer::AddError(const QString& message) {
    auto less = [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    };
    auto it = std::lower_bound(m_errors.begin(), m_errors.end(), message, less);
    if (it != m_errors.end() && it->compare(message, Qt::CaseInsensitive) == 0)
        return;
    m_errors.insert(it, message);
}

const QObject* TfrxXMLSerializer::AncestorOf(const TfrxComponent* component) const {
    return OnGetAncestor ? OnGetAncestor(component) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

// A newly created object of `obj`'s class, made once per class and kept for the run; null for
// objects that cannot be created by class name (only components can). A string property that
// is empty in an object but holds text in a new one must be written, and so must such a
// property of its parts (a cleared font name): left out, reading the file back would give the
// new object's text (an object whose expression delimiters were cleared would get "[,]" back).
const QObject* FreshOf(const QObject* obj) {
    if (!qobject_cast<const TfrxComponent*>(obj))
        return nullptr;
    // Never destroyed, as the objects in it are not: no exit order matters.
    static auto& cache = *new QHash<const QMetaObject*, const TfrxComponent*>;
    const QMetaObject* mo = obj->metaObject();
    auto it = cache.find(mo);
    if (it == cache.end()) {
        TfrxComponent* fresh = frxCreateComponent(QString::fromLatin1(mo->className()), nullptr);
        if (fresh && fresh->metaObject() != mo) {
            delete fresh;
            fresh = nullptr;
        }
        it = cache.insert(mo, fresh);
    }
    return *it;
}

} // namespace

QByteArray TfrxXMLSerializer::PropertiesToAttributes(const QObject* obj, const QByteArray& prefix,
                                                     const QObject* ancestor) {
    return PropertiesToAttributes(obj, prefix, ancestor, FreshOf(obj));
}

QByteArray TfrxXMLSerializer::PropertiesToAttributes(const QObject* obj, const QByteArray& prefix,
                                                     const QObject* ancestor,
                                                     const QObject* fresh) {
    QByteArray out;
    if (!obj)
        return out;
    if (fresh && fresh->metaObject() != obj->metaObject())
        fresh = nullptr;
    for (const QMetaProperty& prop : frxProps::Published(obj)) {
        if (!frxProps::IsStored(obj, prop))
            continue;
        const QByteArray name = prefix + prop.name();
        QMetaProperty aprop;
        if (ancestor) {
            aprop = frxProps::Find(ancestor, QString::fromLatin1(prop.name()));
            if (aprop.isValid() && frxProps::KindOf(aprop) != frxProps::KindOf(prop))
                aprop = QMetaProperty();
        }
        const bool hasAncestor = aprop.isValid();
        switch (frxProps::KindOf(prop)) {
        case Kind::Integer:
        case Kind::Set:
        case Kind::Enum:
        case Kind::Bool: {
            const std::int64_t value = frxProps::GetOrd(obj, prop);
            if (hasAncestor) {
                if (value == frxProps::GetOrd(ancestor, aprop))
                    break;
            } else if (frxProps::IsDefault(obj, prop)) {
                break;
            }
            const Kind kind = frxProps::KindOf(prop);
            const QByteArray text = (kind == Kind::Enum || kind == Kind::Bool)
                                        ? frxProps::GetEnumName(obj, prop).toLatin1()
                                        : QByteArray::number(qlonglong(value));
            Append(out, name, text);
            break;
        }
        case Kind::Float: {
            const double value = frxProps::GetFloat(obj, prop);
            if (hasAncestor && std::fabs(value - frxProps::GetFloat(ancestor, aprop)) < 0.000001)
                break;
            Append(out, name, FloatText(value));
            break;
        }
        case Kind::String: {
            const QString value = frxProps::GetString(obj, prop);
            if (hasAncestor ? value == frxProps::GetString(ancestor, aprop)
                            : value.isEmpty() &&
                                  (!fresh || frxProps::GetString(fresh, prop).isEmpty()))
                break;
            Append(out, name, XmlEscape(Ansi(value)));
            break;
        }
        case Kind::StringList: {
            const QString text = ListText(frxProps::GetStrings(obj, prop));
            if (hasAncestor && text == ListText(frxProps::GetStrings(ancestor, aprop)))
                break;
            Append(out, name + ".Text", XmlEscape(Ansi(text)));
            break;
        }
        case Kind::Persistent: {
            const QObject* part = frxProps::GetObject(obj, prop);
            const QObject* apart = hasAncestor ? frxProps::GetObject(ancestor, aprop) : nullptr;
            const QObject* fpart = fresh ? frxProps::GetObject(fresh, prop) : nullptr;
            out.append(PropertiesToAttributes(part, name + '.', apart, fpart));
            break;
        }
        case Kind::Reference: {
            const QObject* ref = frxProps::GetObject(obj, prop);
            const QObject* aref = hasAncestor ? frxProps::GetObject(ancestor, aprop) : nullptr;
            const QByteArray refName = ReferenceName(obj, ref);
            if (hasAncestor && refName == ReferenceName(ancestor, aref))
                break;
            if (ref)
                Append(out, name, XmlEscape(refName));
            else if (aref)
                Append(out, name, "nil");
            break;
        }
        case Kind::Other:
            break;
        }
    }

    if (const auto* memo = qobject_cast<const TfrxCustomMemoView*>(obj)) {
        const QString text = MemoText(memo);
        const auto* amemo = qobject_cast<const TfrxCustomMemoView*>(ancestor);
        if (!amemo || text != MemoText(amemo))
            Append(out, prefix + "Text", XmlEscape(text.toUtf8()));
    }

    if (const auto* persistent = qobject_cast<const TfrxPersistent*>(obj)) {
        const QByteArray data = BinaryProperties(persistent);
        if (!data.isEmpty()) {
            const auto* apersistent = qobject_cast<const TfrxPersistent*>(ancestor);
            if (!apersistent || Crc32(data) != Crc32(BinaryProperties(apersistent)))
                Append(out, prefix + "PropData", data.toHex().toUpper());
        }
    }
    return out;
}

QByteArray TfrxXMLSerializer::ObjectToString(const TfrxComponent* obj) {
    if (!obj)
        return QByteArray();
    return QByteArray(obj->metaObject()->className()) +
           PropertiesToAttributes(obj, QByteArray(), AncestorOf(obj));
}

void TfrxXMLSerializer::WriteTree(const TfrxComponent* component, bool withChildren,
                                  TfrxXMLItem* item) {
    if (!component)
        return;
    std::unique_ptr<TfrxXMLDocument> own;
    if (!item) {
        own = std::make_unique<TfrxXMLDocument>();
        own->SetIndented(true);
        item = own->Root();
    }
    auto fill = [this](const TfrxComponent* c, TfrxXMLItem* it, bool isRoot) {
        it->SetName(c->IsAncestor() ? QByteArray("inherited")
                                    : QByteArray(c->metaObject()->className()));
        QByteArray attrs;
        if (!isRoot) {
            attrs = "Name=\"" + XmlEscape(Ansi(c->Name())) + '"';
            attrs.append(PropertiesToAttributes(c, QByteArray(), AncestorOf(c)));
        } else {
            attrs = PropertiesToAttributes(c, QByteArray(), AncestorOf(c));
            if (attrs.startsWith(' '))
                attrs.remove(0, 1);
        }
        it->SetAttributes(attrs);
    };
    fill(component, item, true);
    if (withChildren) {
        std::vector<std::pair<const TfrxComponent*, TfrxXMLItem*>> pending{{component, item}};
        while (!pending.empty()) {
            auto [c, it] = pending.back();
            pending.pop_back();
            const QList<TfrxComponent*>& children = c->Objects();
            std::vector<std::pair<const TfrxComponent*, TfrxXMLItem*>> next;
            for (const TfrxComponent* child : children) {
                TfrxXMLItem* childItem = it->AddChild();
                fill(child, childItem, false);
                next.emplace_back(child, childItem);
            }
            pending.insert(pending.end(), next.rbegin(), next.rend());
        }
    }
    if (own && m_stream)
        own->SaveToStream(m_stream);
}

// ---------------------------------------------------------------------------------------------
// Reading

void TfrxXMLSerializer::AttributesToProperties(const QByteArray& text, QObject* obj) {
    if (!obj)
        return;
    const char* d = text.constData();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && d[i] == ' ')
            ++i;
        const qsizetype eq = text.indexOf('=', i);
        if (eq < 0)
            break;
        const qsizetype open = text.indexOf('"', eq + 1);
        if (open < 0)
            break;
        qsizetype close = text.indexOf('"', open + 1);
        if (close < 0)
            close = n;
        const QByteArray name = text.mid(i, eq - i).trimmed();
        const QByteArray value = text.mid(open + 1, close - open - 1);
        i = close + 1;
        if (!name.isEmpty())
            SetAttribute(obj, name, value);
    }
}

void TfrxXMLSerializer::SetAttribute(QObject* obj, const QByteArray& name,
                                     const QByteArray& value) {
    try {
        auto* component = qobject_cast<TfrxComponent*>(obj);
        auto* memo = qobject_cast<TfrxCustomMemoView*>(obj);
        if (name.size() == 1) {
            const char c = name[0];
            if (component && (c == 'l' || c == 't' || c == 'w' || c == 'h')) {
                double v = 0;
                if (!ParseFloat(value, v)) {
                    AddError(NotFloat(value));
                    return;
                }
                if (c == 'l')
                    component->SetLeft(v);
                else if (c == 't')
                    component->SetTop(v);
                else if (c == 'w')
                    component->SetWidth(v);
                else
                    component->SetHeight(v);
                return;
            }
            if (memo && c == 'u') {
                memo->SetText(QString::fromUtf8(XmlUnescape(value)));
                return;
            }
            if (memo && c == 'x') {
                memo->SetText(FromAnsi(XmlUnescape(value)));
                return;
            }
        }
        if (memo && name.compare("Text", Qt::CaseInsensitive) == 0) {
            memo->SetText(QString::fromUtf8(XmlUnescape(value)));
            return;
        }
        if (name.compare("PropData", Qt::CaseInsensitive) == 0) {
            if (auto* persistent = qobject_cast<TfrxPersistent*>(obj)) {
                QByteArray data = QByteArray::fromHex(value);
                QBuffer buf(&data);
                buf.open(QIODevice::ReadOnly);
                QDataStream in(&buf);
                if (!persistent->ReadBinaryProperties(in))
                    AddError(InvalidValue());
            }
            return;
        }
        if (component && name.compare("Name", Qt::CaseInsensitive) == 0)
            return;

        // Walk the dotted name through the object's parts.
        const QList<QByteArray> parts = name.split('.');
        QObject* target = obj;
        for (int k = 0; k + 1 < parts.size(); ++k) {
            const QMetaProperty prop = frxProps::Find(target, QString::fromLatin1(parts[k]));
            if (!prop.isValid())
                return;
            const Kind kind = frxProps::KindOf(prop);
            if (kind == Kind::StringList && k + 2 == parts.size() &&
                parts[k + 1].compare("Text", Qt::CaseInsensitive) == 0) {
                if (!prop.isWritable())
                    return;
                const QStringList lines =
                    TfrxCustomMemoView::SplitLines(FromAnsi(XmlUnescape(value)));
                if (!frxProps::SetStrings(target, prop, lines))
                    AddError(InvalidValue());
                return;
            }
            if (kind != Kind::Persistent)
                return;
            target = frxProps::GetObject(target, prop);
            if (!target)
                return;
        }
        const QMetaProperty prop = frxProps::Find(target, QString::fromLatin1(parts.last()));
        if (!prop.isValid() || !prop.isWritable())
            return;
        SetProperty(target, prop, value);
    } catch (const std::exception& e) {
        AddError(platform::MessageOf(e));
    }
}

void TfrxXMLSerializer::SetProperty(QObject* obj, const QMetaProperty& prop,
                                    const QByteArray& value) {
    switch (frxProps::KindOf(prop)) {
    case Kind::Enum:
    case Kind::Bool: {
        // A number must be one of the enumeration's values: anything else would leave the
        // property holding a value its type does not have.
        const QString text = FromAnsi(value);
        bool isNumber = false;
        const qlonglong v = text.trimmed().toLongLong(&isNumber);
        if (isNumber && frxProps::KindOf(prop) == Kind::Enum &&
            (v < INT_MIN || v > INT_MAX || !prop.enumerator().valueToKey(int(v)))) {
            AddError(InvalidValue());
            break;
        }
        if (!frxProps::SetEnumName(obj, prop, text))
            AddError(InvalidValue());
        break;
    }
    case Kind::Set:
    case Kind::Integer: {
        bool ok = false;
        const qlonglong v = value.trimmed().toLongLong(&ok);
        if (!ok) {
            AddError(NotInteger(value));
            break;
        }
        if (frxProps::KindOf(prop) == Kind::Set) {
            const QMetaEnum e = prop.enumerator();
            qlonglong known = 0;
            for (int k = 0; k < e.keyCount(); ++k)
                known |= e.value(k);
            if (v < 0 || (v & ~known) != 0) {
                AddError(InvalidValue());
                break;
            }
        }
        if (!frxProps::SetOrd(obj, prop, v))
            AddError(InvalidValue());
        break;
    }
    case Kind::Float: {
        double v = 0;
        if (!ParseFloat(value, v))
            AddError(NotFloat(value));
        else if (!frxProps::SetFloat(obj, prop, v))
            AddError(InvalidValue());
        break;
    }
    case Kind::String:
        if (!frxProps::SetString(obj, prop, FromAnsi(XmlUnescape(value))))
            AddError(InvalidValue());
        break;
    case Kind::Reference: {
        const QString name = FromAnsi(XmlUnescape(value));
        if (name.isEmpty() || name.compare(QStringLiteral("nil"), Qt::CaseInsensitive) == 0)
            frxProps::SetObject(obj, prop, nullptr);
        else
            m_fixUps.append({obj, prop, name});
        break;
    }
    case Kind::StringList:
    case Kind::Persistent:
    case Kind::Other:
        break;
    }
}

QObject* TfrxXMLSerializer::FindReference(const QString& name) const {
    if (!m_root)
        return nullptr;
    if (m_root->Name().compare(name, Qt::CaseInsensitive) == 0)
        return m_root;
    if (TfrxComponent* c = m_root->FindObject(name))
        return c;
    // "Report.Object": a component of another report, known here only when that report is the
    // root's own report.
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        TfrxComponent* owner = m_root->Report();
        if (!owner)
            owner = m_root;
        if (owner->Name().compare(name.left(dot), Qt::CaseInsensitive) == 0)
            return owner->FindObject(name.mid(dot + 1));
    }
    return nullptr;
}

void TfrxXMLSerializer::ResolveFixUps() {
    const QList<FixUp> fixUps = std::exchange(m_fixUps, {});
    for (const FixUp& f : fixUps) {
        if (!f.object)
            continue;
        QObject* target = FindReference(f.name);
        if (!frxProps::SetObject(f.object, f.property, target))
            AddError(InvalidValue());
    }
}

TfrxComponent* TfrxXMLSerializer::ObjectFromString(QObject* owner, const QByteArray& text) {
    const QByteArray t = text.trimmed();
    const qsizetype blank = t.indexOf(' ');
    const QByteArray className = blank < 0 ? t : t.left(blank);
    TfrxComponent* obj = frxCreateComponent(QString::fromLatin1(className), owner);
    if (!obj) {
        AddError(frxGet(QStringLiteral("xrCantFindClass")) + QLatin1Char(' ') +
                 QString::fromLatin1(className));
        return nullptr;
    }
    TfrxComponent* savedRoot = m_root;
    if (!m_root) {
        auto* ownerComp = qobject_cast<TfrxComponent*>(owner);
        m_root = ownerComp ? (ownerComp->Report() ? ownerComp->Report() : ownerComp) : obj;
    }
    obj->SetLoading(true);
    if (blank >= 0)
        AttributesToProperties(t.mid(blank + 1), obj);
    ResolveFixUps();
    if (!qobject_cast<TfrxReport*>(obj))
        obj->SetLoading(false);
    m_root = savedRoot;
    return obj;
}

void TfrxXMLSerializer::ReadTree(TfrxComponent* component, TfrxXMLItem* item) {
    if (!component)
        return;
    std::unique_ptr<TfrxXMLDocument> own;
    if (!item) {
        if (!m_stream)
            return;
        own = std::make_unique<TfrxXMLDocument>();
        own->LoadFromStream(m_stream);
        item = own->Root();
    }
    if (!m_root)
        m_root = component;

    const QString cantFind = frxGet(QStringLiteral("xrCantFindClass")) + QLatin1Char(' ');
    auto classKnown = [&](const TfrxXMLItem* it) {
        if (it->Name().compare("inherited", Qt::CaseInsensitive) == 0)
            return true;
        if (frxFindClass(QString::fromLatin1(it->Name())))
            return true;
        AddError(cantFind + QString::fromLatin1(it->Name()));
        return false;
    };

    // The names already in the tree, first in tree order, kept current while reading: one
    // lookup per item instead of a walk over the whole tree.
    QHash<QString, TfrxComponent*> names;
    for (TfrxComponent* c : m_root->AllObjects()) {
        const QString key = c->Name().toCaseFolded();
        if (!key.isEmpty() && !names.contains(key))
            names.insert(key, c);
    }

    std::vector<TfrxComponent*> read;
    // Items to read with the component of their parent item; iterative for deep files.
    std::vector<std::pair<TfrxXMLItem*, TfrxComponent*>> pending;
    if (classKnown(item)) {
        component->SetLoading(true);
        read.push_back(component);
        AttributesToProperties(item->Attributes(), component);
        for (int i = item->Count() - 1; i >= 0; --i)
            pending.emplace_back(item->Item(i), component);
    }
    while (!pending.empty()) {
        auto [it, parent] = pending.back();
        pending.pop_back();
        if (!classKnown(it))
            continue;
        const QString name = FromAnsi(it->GetAttr("Name"));
        const QString key = name.toCaseFolded();
        TfrxComponent* c = name.isEmpty() ? nullptr : names.value(key, nullptr);
        if (!c) {
            if (it->Name().compare("inherited", Qt::CaseInsensitive) == 0)
                continue; // nothing to inherit from
            c = frxCreateComponent(QString::fromLatin1(it->Name()), parent);
            if (!c)
                continue;
            // The name is free (the index holds every name of the tree), so the component
            // takes it without the tree walk of SetName.
            if (!name.isEmpty()) {
                c->setObjectName(name);
                names.insert(key, c);
            }
        } else if (c->Parent() != parent) {
            c->SetParent(parent);
        }
        c->SetLoading(true);
        read.push_back(c);
        AttributesToProperties(it->Attributes(), c);
        for (int i = it->Count() - 1; i >= 0; --i)
            pending.emplace_back(it->Item(i), c);
    }

    ResolveFixUps();
    for (TfrxComponent* c : read)
        if (!qobject_cast<TfrxReport*>(c))
            c->SetLoading(false);
}

// ---------------------------------------------------------------------------------------------

namespace {
class XMLStreamer : public TfrxComponentStreamer {
public:
    void Save(const TfrxComponent& component, QIODevice& stream, bool saveChildren) override {
        TfrxXMLSerializer s(&stream);
        s.WriteTree(&component, saveChildren);
    }
    void Load(TfrxComponent& component, QIODevice& stream) override {
        TfrxXMLSerializer s(&stream);
        s.ReadTree(&component);
        // ReadTree leaves a report loading; a report read as a whole is done here.
        component.SetLoading(false);
        if (s.Errors().isEmpty())
            return;
        // A report collects what went wrong for its error display; anything else hears it
        // at once.
        if (TfrxReport* report = component.Report()) {
            for (const QString& e : s.Errors())
                report->AddError(e);
        } else {
            throw TfrxException(s.Errors().join(QStringLiteral("\r\n")));
        }
    }
};
} // namespace

std::shared_ptr<TfrxComponentStreamer> frxCreateXMLStreamer() {
    return std::make_shared<XMLStreamer>();
}
