#pragma once
// Access to the published properties of report objects through the meta-object system: the
// list in declaration order, each property's kind, its declared default and whether it is
// stored, and typed reads and writes. The object model copies objects through it and the
// object serializer writes and reads them through it, so neither needs the other.
//
// Declared defaults live in class info entries named "default:<Property>" whose value is the
// text form of the default ("true", "0", "haLeft", "ftLeft|ftTop"). Only ordinal properties
// (integers, enumerations, sets, booleans) carry defaults; floats, strings and objects have
// none: a float is always written, a string when it is not empty.

#include <QList>
#include <QMetaProperty>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>

class QDataStream;

// Base of every object whose properties are saved: components and their owned parts (fonts,
// frames, formats, option objects).
class TfrxPersistent : public QObject {
    Q_OBJECT
public:
    explicit TfrxPersistent(QObject* owner = nullptr) : QObject(owner) {}

    // Whether `prop` is written when the object is saved. The default is the property's own
    // STORED flag; classes override it for conditions that depend on the object's state.
    virtual bool IsStored(const QMetaProperty& prop) const;

    // Properties kept outside the published list, written as one binary block. Nothing here.
    virtual void WriteBinaryProperties(QDataStream& out) const;
    // Reads what WriteBinaryProperties wrote; false when the data is not understood.
    virtual bool ReadBinaryProperties(QDataStream& in);
};

namespace frxProps {

enum class Kind {
    Integer,    // int, qint64
    Enum,       // a Q_ENUM enumeration, written by enumerator name
    Set,        // a Q_FLAG set, written as its bit mask
    Bool,       // an enumeration of False and True
    Float,      // double (positions, sizes, millimetres, dates as day counts)
    String,     // QString
    StringList, // QStringList, written as Name.Text
    Persistent, // an owned TfrxPersistent part, written property by property with a prefix
    Reference,  // a reference to a component elsewhere in the tree, written by its name
    Other,      // anything else: not written
};

// Published properties of `obj`, base classes first, each class in declaration order.
// QObject's own objectName is not among them.
QList<QMetaProperty> Published(const QObject* obj);
QList<QMetaProperty> Published(const QMetaObject* mo);

// The published property called `name` (compared without case); invalid when none.
QMetaProperty Find(const QObject* obj, const QString& name);

Kind KindOf(const QMetaProperty& prop);

// The object's stored-condition for `prop` (TfrxPersistent::IsStored, or the STORED flag).
bool IsStored(const QObject* obj, const QMetaProperty& prop);

// The declared default, converted to the property's ordinal value. False when none.
bool DefaultOrd(const QObject* obj, const QMetaProperty& prop, std::int64_t& out);
// True when the property has a declared default and holds it.
bool IsDefault(const QObject* obj, const QMetaProperty& prop);

// Ordinal value of an Integer, Enum, Set or Bool property.
std::int64_t GetOrd(const QObject* obj, const QMetaProperty& prop);
bool SetOrd(QObject* obj, const QMetaProperty& prop, std::int64_t value);

// Enumerator name of an Enum property ("haRight"), "False"/"True" for Bool, the ordinal in
// decimal for anything else ordinal.
QString GetEnumName(const QObject* obj, const QMetaProperty& prop);
// Accepts an enumerator name (compared without case) or a decimal number; false otherwise.
bool SetEnumName(QObject* obj, const QMetaProperty& prop, const QString& text);

double GetFloat(const QObject* obj, const QMetaProperty& prop);
bool SetFloat(QObject* obj, const QMetaProperty& prop, double value);

QString GetString(const QObject* obj, const QMetaProperty& prop);
bool SetString(QObject* obj, const QMetaProperty& prop, const QString& value);

QStringList GetStrings(const QObject* obj, const QMetaProperty& prop);
bool SetStrings(QObject* obj, const QMetaProperty& prop, const QStringList& value);

// Persistent parts and references.
QObject* GetObject(const QObject* obj, const QMetaProperty& prop);
bool SetObject(QObject* obj, const QMetaProperty& prop, QObject* value);

// Copies every stored published property of `source` onto `dest`: ordinals, floats, strings
// and string lists by value, persistent parts property by property, references as they are.
// Properties `dest`'s class does not have are skipped.
void CopyProperties(const QObject* source, QObject* dest);

// Names of the stored published properties whose values differ between `a` and `b` (dotted
// for the parts: "Font.Height"); floats differ above 1e-6. Empty when they agree.
QStringList Differences(const QObject* a, const QObject* b);

} // namespace frxProps
