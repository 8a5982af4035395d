#pragma once
// The small XML library the prepared pages store rests on: a tree of items whose attribute text
// stays raw until asked for, a buffered writer, a buffered reader, and spilling of finished page
// items to a temporary file. It is not a general XML parser: element content is written but never
// read, and only numeric character references and &quot; are known.

#include "platform/Error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class QTemporaryFile;
class TfrxXMLDocument;

// Any failure of reading or writing an XML tree; the message is the text shown to the user.
class TfrxXMLException : public platform::Error {
public:
    explicit TfrxXMLException(const QString& message) : platform::Error(message) {}
};

// Bytes that are not a document of this format: no "?xml" declaration first, a "<" inside a tag,
// a tag or element left open at the end, or an end tag that closes the wrong element.
class TfrxInvalidXMLException : public TfrxXMLException {
public:
    TfrxInvalidXMLException() : TfrxXMLException(QStringLiteral("Invalid file format")) {}
};

// Attribute value escaping. Strings under 32 bytes keep a bare "&" unless it starts a
// reference the reader would undo ("&quot;", "&#38;"), which is escaped as "&#38;"; longer
// strings escape every "&". Every text reads back as it was. Bytes from 128 up pass unchanged.
QByteArray XmlEscape(const QByteArray& s);
// Undoes "&#NNN;" and "&quot;"; any other "&" stays.
QByteArray XmlUnescape(const QByteArray& s);

class TfrxXMLItem {
public:
    TfrxXMLItem() = default;
    explicit TfrxXMLItem(const QByteArray& name) : m_name(name) {}
    // Frees the children (iteratively: any depth) and leaves the parent's child list.
    ~TfrxXMLItem();
    TfrxXMLItem(const TfrxXMLItem&) = delete;
    TfrxXMLItem& operator=(const TfrxXMLItem&) = delete;
    // Items come from a pool (frxXML.cpp).
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;

    const QByteArray& Name() const { return m_name; }
    void SetName(const QByteArray& name) { m_name = name; }
    // Raw attribute text as it stands in the start tag, without the leading blank.
    const QByteArray& Attributes() const { return m_attributes; }
    void SetAttributes(const QByteArray& text) { m_attributes = text; }
    // Written only when the item has no children; never read back.
    const QByteArray& Content() const { return m_content; }
    void SetContent(const QByteArray& text) { m_content = text; }

    TfrxXMLItem* Parent() const { return m_parent; }
    int Count() const { return static_cast<int>(m_items.size()); }
    TfrxXMLItem* Item(int index) const { return m_items.at(static_cast<size_t>(index)); }
    int IndexOf(const TfrxXMLItem* item) const;

    // A new child appended at the end.
    TfrxXMLItem* AddChild(const QByteArray& name = QByteArray());
    // Room for `count` children in all, so that adding them allocates no more.
    void ReserveChildren(int count) { m_items.reserve(static_cast<size_t>(std::max(count, 0))); }
    // Moves `item` (from its former parent, if any) to the end of this item's children.
    void Append(TfrxXMLItem* item);
    // Moves `item` to position `index` (clamped to 0..Count()).
    void Insert(int index, TfrxXMLItem* item);
    // Index of the first child named `name` (ASCII case ignored), or -1.
    int Find(QByteArrayView name) const;
    // That child, or a new one with the name appended.
    TfrxXMLItem* FindOrAdd(const QByteArray& name);
    // Frees all children; an item that may unload counts as no longer in memory afterwards.
    void Clear();

    // The unescaped value of attribute `name` (ASCII case ignored), or empty when absent.
    QByteArray GetAttr(QByteArrayView name) const;
    // Replaces attribute `name` in place, or appends it; the value is escaped here.
    void SetAttr(QByteArrayView name, const QByteArray& value);

    // False while the children live only in the temporary file (or the source stream).
    bool InMemory() const { return m_inMemory; }
    void SetInMemory(bool on) { m_inMemory = on; }
    // The item may be spilled; it is written with the marker ld="0".
    bool MayUnload() const { return m_mayUnload; }
    void SetMayUnload(bool on) { m_mayUnload = on; }
    // Where the spilled item starts in the temporary file or the source stream.
    qint64 CacheOffset() const {
        return static_cast<qint64>((static_cast<quint64>(m_offsetHi) << 32) | m_offsetLo);
    }
    void SetCacheOffset(qint64 offset) {
        m_offsetLo = static_cast<quint32>(static_cast<quint64>(offset));
        m_offsetHi = static_cast<quint32>(static_cast<quint64>(offset) >> 32);
    }

private:
    friend class TfrxXMLDocument;
    friend class TfrxXMLReader;
    // Where the item's children can be read back from while it is not in memory.
    enum class Store : quint8 { None, TempFile, Source };

    void Detach();
    static void FreeAll(std::vector<TfrxXMLItem*>& items);

    QByteArray m_name;
    QByteArray m_attributes;
    QByteArray m_content;
    TfrxXMLItem* m_parent = nullptr;
    std::vector<TfrxXMLItem*> m_items; // owned
    quint32 m_offsetLo = 0;
    quint32 m_offsetHi = 0;
    bool m_inMemory = true;
    bool m_mayUnload = false;
    Store m_store = Store::None;
};

// Reads tags from a stream through a 4096-byte buffer.
class TfrxXMLReader {
public:
    static constexpr int BufferSize = 4096;

    explicit TfrxXMLReader(QIODevice* stream);

    // The declaration tag; throws TfrxInvalidXMLException unless the first tag starts with "?xml".
    void ReadHeader();
    // Reads one element with everything inside it into `root` (name, attributes, children).
    // With `partial`, elements that carry the ld="0" marker keep only their place in the stream.
    void ReadRootItem(TfrxXMLItem* root, bool partial);
    // Re-reads the children of a spilled item whose start tag comes next; its name and
    // attribute text stay as they are.
    void ReadChildren(TfrxXMLItem* item);

    // Stream position of the next unread byte.
    qint64 Position() const { return m_bufferStart + m_readPos; }

private:
    struct Tag {
        qint64 start = 0;
        QByteArrayView text; // valid until the next call
    };
    bool NextTag(Tag& tag); // false at the end of the stream
    bool NextElementTag(Tag& tag); // skips comments
    bool Fill();
    void ReadTree(TfrxXMLItem* item, bool partial, bool keepRootFields);

    QIODevice* m_stream;
    qint64 m_bufferStart = 0; // stream position of m_buffer[0]
    int m_fill = 0;
    int m_readPos = 0;
    char m_buffer[BufferSize];
    QByteArray m_tagText; // a tag that spans buffer refills
};

// Writes items to a stream through a 4096-byte buffer.
class TfrxXMLWriter {
public:
    static constexpr int BufferSize = 4096;

    // `document` supplies spilled items (read back for writing, released again); may be null.
    TfrxXMLWriter(QIODevice* stream, TfrxXMLDocument* document = nullptr);
    ~TfrxXMLWriter();

    void SetIndented(bool on) { m_indented = on; }
    // Rewrites each item's attribute text on its way out (in: the item's text, out: what is
    // written); the items keep their own text.
    using AttributeFilter = std::function<void(const QByteArray& in, QByteArray& out)>;
    void SetAttributeFilter(AttributeFilter filter) { m_filter = std::move(filter); }
    void WriteHeader();
    void WriteRootItem(TfrxXMLItem* item);
    // Writes what is buffered; throws TfrxXMLException when the stream refuses it.
    void Flush();

private:
    void Put(QByteArrayView bytes);
    void WriteStartTag(const TfrxXMLItem* item, int depth, bool hasChildren);
    void WriteEndTag(const TfrxXMLItem* item, int depth);
    void Indent(int depth);

    QIODevice* m_stream;
    TfrxXMLDocument* m_document;
    bool m_indented = false;
    QByteArray m_buffer;
    AttributeFilter m_filter;
    QByteArray m_filtered;
};

class TfrxXMLDocument {
public:
    TfrxXMLDocument();
    ~TfrxXMLDocument();
    TfrxXMLDocument(const TfrxXMLDocument&) = delete;
    TfrxXMLDocument& operator=(const TfrxXMLDocument&) = delete;

    TfrxXMLItem* Root() const { return m_root.get(); }

    // Off unless a user turns it on: then each tag takes a line, children indented by two blanks.
    bool Indented() const { return m_indented; }
    void SetIndented(bool on) { m_indented = on; }
    // Directory of the spill file; empty means the system temporary path.
    const QString& TempDir() const { return m_tempDir; }
    void SetTempDir(const QString& dir) { m_tempDir = dir; }

    // Clears the root and drops the temporary file and the source stream.
    void Clear();
    // Moves the children of an in-memory item that may unload to the temporary file.
    void SpillItem(TfrxXMLItem* item);
    // Reads the children of a spilled item back.
    void ReloadItem(TfrxXMLItem* item);
    // Frees the children of an item that may unload and was read back, when the caller knows
    // they did not change since: they are read again from where they still are. An item that
    // was never spilled is spilled instead.
    void UnloadItem(TfrxXMLItem* item);

    // Replaces the tree with the document read from `stream`. With partial loading, items that
    // carry the ld="0" marker stay in the stream, which must then outlive their last reload.
    // On TfrxInvalidXMLException the part read so far stays in the tree.
    void LoadFromStream(QIODevice* stream, bool allowPartialLoading = false);
    void SaveToStream(QIODevice* stream, const TfrxXMLWriter::AttributeFilter& filter = {});

    // For tests: the spill file while one exists.
    QString TempFileName() const;

private:
    QIODevice* StreamOf(const TfrxXMLItem* item) const;

    std::unique_ptr<TfrxXMLItem> m_root;
    bool m_indented = false;
    QString m_tempDir;
    std::unique_ptr<QTemporaryFile> m_tempFile;
    bool m_tempCreated = false;
    QIODevice* m_source = nullptr; // not owned; set by partial loading
};
