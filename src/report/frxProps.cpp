#include "report/frxProps.h"

#include <QDataStream>
#include <QHash>
#include <QMetaEnum>

#include <cmath>
#include <cstring>

bool TfrxPersistent::IsStored(const QMetaProperty& prop) const { return prop.isStored(); }

void TfrxPersistent::WriteBinaryProperties(QDataStream&) const {}

bool TfrxPersistent::ReadBinaryProperties(QDataStream&) { return true; }

namespace frxProps {

namespace {

// A pointer property refers to a component elsewhere in the tree (rather than to an owned
// part) when the pointed class says so in its class info.
bool PointsToComponent(const QMetaProperty& prop) {
    const QMetaObject* mo = prop.metaType().metaObject();
    return mo && mo->indexOfClassInfo("frxReference") >= 0;
}

bool IsOrdinal(Kind k) {
    return k == Kind::Integer || k == Kind::Enum || k == Kind::Set || k == Kind::Bool;
}

// Enumerations and sets are held as int-sized values; read and write their bytes directly so
// that no conversion between the enum type and int is needed.
std::int64_t RawInt(const QVariant& v) {
    int i = 0;
    if (v.metaType().sizeOf() == static_cast<int>(sizeof(int)))
        std::memcpy(&i, v.constData(), sizeof(int));
    return i;
}

QVariant FromRawInt(QMetaType type, std::int64_t value) {
    const int i = static_cast<int>(value);
    return QVariant(type, &i);
}

bool ParseOrdinalText(const QMetaProperty& prop, const QString& text, std::int64_t& out) {
    const QString t = text.trimmed();
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    if (ok) {
        out = n;
        return true;
    }
    const Kind kind = KindOf(prop);
    if (kind == Kind::Bool) {
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
            out = 1;
            return true;
        }
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
            out = 0;
            return true;
        }
        return false;
    }
    if (kind != Kind::Enum && kind != Kind::Set)
        return false;
    const QMetaEnum me = prop.enumerator();
    if (kind == Kind::Set) {
        // "ftLeft|ftTop", or empty for the empty set
        std::int64_t mask = 0;
        const QStringList parts = t.split(QLatin1Char('|'), Qt::SkipEmptyParts);
        for (const QString& part : parts) {
            bool found = false;
            for (int i = 0; i < me.keyCount(); ++i) {
                if (QString::fromLatin1(me.key(i)).compare(part.trimmed(), Qt::CaseInsensitive) ==
                    0) {
                    mask |= me.value(i);
                    found = true;
                    break;
                }
            }
            if (!found)
                return false;
        }
        out = mask;
        return true;
    }
    for (int i = 0; i < me.keyCount(); ++i) {
        if (QString::fromLatin1(me.key(i)).compare(t, Qt::CaseInsensitive) == 0) {
            out = me.value(i);
            return true;
        }
    }
    return false;
}

void CollectDifferences(const QObject* a, const QObject* b, const QString& prefix,
                        QStringList& out) {
    for (const QMetaProperty& pa : Published(a)) {
        if (!IsStored(a, pa))
            continue;
        const QMetaProperty pb = Find(b, QString::fromLatin1(pa.name()));
        const QString name = prefix + QString::fromLatin1(pa.name());
        if (!pb.isValid()) {
            out << name;
            continue;
        }
        switch (KindOf(pa)) {
        case Kind::Integer:
        case Kind::Enum:
        case Kind::Set:
        case Kind::Bool:
            if (GetOrd(a, pa) != GetOrd(b, pb))
                out << name;
            break;
        case Kind::Float:
            if (std::fabs(GetFloat(a, pa) - GetFloat(b, pb)) > 1e-6)
                out << name;
            break;
        case Kind::String:
            if (GetString(a, pa) != GetString(b, pb))
                out << name;
            break;
        case Kind::StringList:
            if (GetStrings(a, pa) != GetStrings(b, pb))
                out << name;
            break;
        case Kind::Persistent: {
            const QObject* sa = GetObject(a, pa);
            const QObject* sb = GetObject(b, pb);
            if (sa && sb)
                CollectDifferences(sa, sb, name + QLatin1Char('.'), out);
            else if (sa != sb)
                out << name;
            break;
        }
        case Kind::Reference: {
            const QObject* ra = GetObject(a, pa);
            const QObject* rb = GetObject(b, pb);
            const QString na = ra ? ra->objectName() : QString();
            const QString nb = rb ? rb->objectName() : QString();
            if (na != nb)
                out << name;
            break;
        }
        case Kind::Other:
            break;
        }
    }
}

} // namespace

QList<QMetaProperty> Published(const QMetaObject* mo) {
    if (!mo)
        return {};
    // Built once per class; callers get a shared copy. Meta-objects live as long as the program.
    static QHash<const QMetaObject*, QList<QMetaProperty>> lists;
    auto it = lists.constFind(mo);
    if (it != lists.constEnd())
        return *it;
    QList<QMetaProperty> list;
    const int first = QObject::staticMetaObject.propertyCount();
    list.reserve(mo->propertyCount() - first);
    for (int i = first; i < mo->propertyCount(); ++i)
        list.append(mo->property(i));
    lists.insert(mo, list);
    return list;
}

QList<QMetaProperty> Published(const QObject* obj) {
    return obj ? Published(obj->metaObject()) : QList<QMetaProperty>();
}

QMetaProperty Find(const QObject* obj, const QString& name) {
    if (!obj)
        return {};
    const QMetaObject* mo = obj->metaObject();
    const QByteArray latin = name.toLatin1();
    const int exact = mo->indexOfProperty(latin.constData());
    if (exact >= QObject::staticMetaObject.propertyCount())
        return mo->property(exact);
    for (const QMetaProperty& p : Published(mo)) {
        if (qstricmp(p.name(), latin.constData()) == 0)
            return p;
    }
    return {};
}

Kind KindOf(const QMetaProperty& prop) {
    if (prop.isFlagType())
        return Kind::Set;
    if (prop.isEnumType())
        return Kind::Enum;
    const QMetaType type = prop.metaType();
    switch (type.id()) {
    case QMetaType::Bool:
        return Kind::Bool;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return Kind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return Kind::Float;
    case QMetaType::QString:
        return Kind::String;
    case QMetaType::QStringList:
        return Kind::StringList;
    default:
        break;
    }
    if (type.flags() & QMetaType::PointerToQObject)
        return PointsToComponent(prop) ? Kind::Reference : Kind::Persistent;
    return Kind::Other;
}

bool IsStored(const QObject* obj, const QMetaProperty& prop) {
    if (const auto* p = qobject_cast<const TfrxPersistent*>(obj))
        return p->IsStored(prop);
    return prop.isStored();
}

bool DefaultOrd(const QObject* obj, const QMetaProperty& prop, std::int64_t& out) {
    if (!obj || !IsOrdinal(KindOf(prop)))
        return false;
    const QMetaObject* mo = obj->metaObject();
    const QByteArray key = QByteArrayLiteral("default:") + prop.name();
    const int index = mo->indexOfClassInfo(key.constData());
    if (index < 0)
        return false;
    return ParseOrdinalText(prop, QString::fromLatin1(mo->classInfo(index).value()), out);
}

bool IsDefault(const QObject* obj, const QMetaProperty& prop) {
    std::int64_t def = 0;
    return DefaultOrd(obj, prop, def) && GetOrd(obj, prop) == def;
}

std::int64_t GetOrd(const QObject* obj, const QMetaProperty& prop) {
    const QVariant v = prop.read(obj);
    switch (KindOf(prop)) {
    case Kind::Enum:
    case Kind::Set:
        return RawInt(v);
    case Kind::Bool:
        return v.toBool() ? 1 : 0;
    case Kind::Integer:
        return v.toLongLong();
    default:
        return 0;
    }
}

bool SetOrd(QObject* obj, const QMetaProperty& prop, std::int64_t value) {
    switch (KindOf(prop)) {
    case Kind::Enum:
    case Kind::Set:
        return prop.write(obj, FromRawInt(prop.metaType(), value));
    case Kind::Bool:
        return prop.write(obj, QVariant(value != 0));
    case Kind::Integer: {
        QVariant v(static_cast<qlonglong>(value));
        if (!v.convert(prop.metaType()))
            return false;
        return prop.write(obj, v);
    }
    default:
        return false;
    }
}

QString GetEnumName(const QObject* obj, const QMetaProperty& prop) {
    const std::int64_t ord = GetOrd(obj, prop);
    switch (KindOf(prop)) {
    case Kind::Bool:
        return ord ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Enum: {
        const char* key = prop.enumerator().valueToKey(static_cast<int>(ord));
        if (key)
            return QString::fromLatin1(key);
        return QString::number(ord);
    }
    default:
        return QString::number(ord);
    }
}

bool SetEnumName(QObject* obj, const QMetaProperty& prop, const QString& text) {
    std::int64_t ord = 0;
    if (!ParseOrdinalText(prop, text, ord))
        return false;
    return SetOrd(obj, prop, ord);
}

double GetFloat(const QObject* obj, const QMetaProperty& prop) { return prop.read(obj).toDouble(); }

bool SetFloat(QObject* obj, const QMetaProperty& prop, double value) {
    return prop.write(obj, QVariant(value));
}

QString GetString(const QObject* obj, const QMetaProperty& prop) {
    return prop.read(obj).toString();
}

bool SetString(QObject* obj, const QMetaProperty& prop, const QString& value) {
    return prop.write(obj, QVariant(value));
}

QStringList GetStrings(const QObject* obj, const QMetaProperty& prop) {
    return prop.read(obj).toStringList();
}

bool SetStrings(QObject* obj, const QMetaProperty& prop, const QStringList& value) {
    return prop.write(obj, QVariant(value));
}

QObject* GetObject(const QObject* obj, const QMetaProperty& prop) {
    const QVariant v = prop.read(obj);
    if (!(v.metaType().flags() & QMetaType::PointerToQObject))
        return nullptr;
    QObject* o = nullptr;
    std::memcpy(&o, v.constData(), sizeof(o));
    return o;
}

bool SetObject(QObject* obj, const QMetaProperty& prop, QObject* value) {
    if (value) {
        const QMetaObject* target = prop.metaType().metaObject();
        if (target && !value->metaObject()->inherits(target))
            return false;
    }
    return prop.write(obj, QVariant(prop.metaType(), &value));
}

void CopyProperties(const QObject* source, QObject* dest) {
    if (!source || !dest)
        return;
    // Objects of one class share their property list and types: no search by name, and values
    // pass over as they are.
    const bool sameClass = source->metaObject() == dest->metaObject();
    for (const QMetaProperty& sp : Published(source)) {
        if (!IsStored(source, sp))
            continue;
        const Kind kind = KindOf(sp);
        const QMetaProperty dp = sameClass ? sp : Find(dest, QString::fromLatin1(sp.name()));
        if (!dp.isValid() || (!dp.isWritable() && KindOf(dp) != Kind::Persistent))
            continue;
        if (sameClass && kind != Kind::Persistent && kind != Kind::Other) {
            dp.write(dest, sp.read(source));
            continue;
        }
        switch (kind) {
        case Kind::Integer:
        case Kind::Enum:
        case Kind::Set:
        case Kind::Bool:
            SetOrd(dest, dp, GetOrd(source, sp));
            break;
        case Kind::Float:
            SetFloat(dest, dp, GetFloat(source, sp));
            break;
        case Kind::String:
            SetString(dest, dp, GetString(source, sp));
            break;
        case Kind::StringList:
            SetStrings(dest, dp, GetStrings(source, sp));
            break;
        case Kind::Persistent:
            CopyProperties(GetObject(source, sp), GetObject(dest, dp));
            break;
        case Kind::Reference:
            SetObject(dest, dp, GetObject(source, sp));
            break;
        case Kind::Other:
            break;
        }
    }
}

QStringList Differences(const QObject* a, const QObject* b) {
    QStringList out;
    if (a && b)
        CollectDifferences(a, b, QString(), out);
    return out;
}

} // namespace frxProps
