#pragma once
// Turns report objects and their published properties into XML attribute text and back, and
// whole component trees into XML items. Unknown classes and properties that cannot be set are
// not fatal: their messages are collected in Errors() and reading goes on.

#include "xml/frxXML.h"

#include <QByteArray>
#include <QList>
#include <QMetaProperty>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QIODevice;
class QObject;
class TfrxComponent;
class TfrxComponentStreamer;

class TfrxXMLSerializer {
public:
    // `stream` is where WriteTree and ReadTree without an item save and load their own document.
    explicit TfrxXMLSerializer(QIODevice* stream = nullptr);
    ~TfrxXMLSerializer();
    TfrxXMLSerializer(const TfrxXMLSerializer&) = delete;
    TfrxXMLSerializer& operator=(const TfrxXMLSerializer&) = delete;

    // Messages collected while reading: sorted, a text already there (in any case) is ignored.
    const QStringList& Errors() const { return m_errors; }
    void AddError(const QString& message);

    // The component against which referenced names are resolved. ReadTree sets it to the
    // component it reads when none is set.
    TfrxComponent* Root() const { return m_root; }
    void SetRoot(TfrxComponent* root) { m_root = root; }
    // Supplies the ancestor of a component (the same object in an inherited report), whose
    // values WriteTree leaves out. None by default.
    std::function<const QObject*(const TfrxComponent*)> OnGetAncestor;

    // The stored published properties of `obj`, each as ` prefix+Name="value"`, then a text
    // object's `Text` and the binary properties as `PropData`. Values equal to the ancestor's
    // (or, without one, to the declared default) are left out.
    QByteArray PropertiesToAttributes(const QObject* obj, const QByteArray& prefix = QByteArray(),
                                      const QObject* ancestor = nullptr);
    // Applies name="value" pairs to `obj` and its parts. Object references are kept as fix-ups
    // until ResolveFixUps.
    void AttributesToProperties(const QByteArray& text, QObject* obj);
    // Sets the recorded references to the components now known by those names.
    void ResolveFixUps();

    // Class name, then the attribute text.
    QByteArray ObjectToString(const TfrxComponent* obj);
    // A new object of the named class owned by `owner`, filled from the attributes; null (and
    // "Cannot find class <name>" in Errors) when the class is unknown.
    TfrxComponent* ObjectFromString(QObject* owner, const QByteArray& text);

    // Writes `component` (with its children when asked) into `item`; without an item into an
    // indented document of its own saved to the stream.
    void WriteTree(const TfrxComponent* component, bool withChildren, TfrxXMLItem* item = nullptr);
    // Fills `component` from `item`, creating the children the item names; without an item
    // from a document read from the stream (TfrxInvalidXMLException for a broken one).
    void ReadTree(TfrxComponent* component, TfrxXMLItem* item = nullptr);

private:
    // As above; `fresh` is a new object of `obj`'s class (or the matching part of one), whose
    // non-empty strings make an empty value worth writing.
    QByteArray PropertiesToAttributes(const QObject* obj, const QByteArray& prefix,
                                      const QObject* ancestor, const QObject* fresh);
    struct FixUp {
        QPointer<QObject> object;
        QMetaProperty property;
        QString name;
    };
    void SetAttribute(QObject* obj, const QByteArray& name, const QByteArray& value);
    void SetProperty(QObject* obj, const QMetaProperty& prop, const QByteArray& value);
    QObject* FindReference(const QString& name) const;
    const QObject* AncestorOf(const TfrxComponent* component) const;

    QIODevice* m_stream;
    TfrxComponent* m_root = nullptr;
    QStringList m_errors;
    QList<FixUp> m_fixUps;
};

// What components save and load themselves with (TfrxComponent::SaveToStream, LoadFromStream):
// this serializer, installed at start-up as the object streamer.
std::shared_ptr<TfrxComponentStreamer> frxCreateXMLStreamer();
