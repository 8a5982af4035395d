#include "xml/frxXML.h"

#include <QDir>
#include <QIODevice>
#include <QTemporaryFile>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// Item storage. A long report makes hundreds of thousands of items, frees those of its first
// pass and makes as many again; taken one by one from the general heap this was a good part
// of the preparation (and the freed memory went back to the system only to be faulted in
// again). Items are carved from blocks instead, freed items are kept for the next ones, and
// the blocks go back once the last item is freed. Address sanitizer builds use the heap so
// that it sees every item.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif
#else
constexpr bool kPooled = true;
#endif

class ItemPool {
public:
    static ItemPool& Instance() {
        static ItemPool* pool = new ItemPool; // never destroyed: items may outlive statics
        return *pool;
    }

    void* Take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        Slot* s = m_free;
        if (s) {
            m_free = s->next;
        } else {
            if (m_unused == 0) {
                m_blocks.push_back(std::make_unique_for_overwrite<Slot[]>(kSlotsPerBlock));
                m_unused = kSlotsPerBlock;
            }
            s = &m_blocks.back()[kSlotsPerBlock - m_unused--];
        }
        ++m_live;
        return s;
    }

    void Give(void* p) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto* s = static_cast<Slot*>(p);
        s->next = m_free;
        m_free = s;
        if (--m_live == 0) {
            m_blocks.clear();
            m_free = nullptr;
            m_unused = 0;
        }
    }

private:
    union Slot {
        Slot* next;
        alignas(TfrxXMLItem) unsigned char bytes[sizeof(TfrxXMLItem)];
    };
    static constexpr size_t kSlotsPerBlock = 512;

    std::mutex m_mutex;
    std::vector<std::unique_ptr<Slot[]>> m_blocks;
    Slot* m_free = nullptr;   // freed slots
    size_t m_unused = 0;      // slots of the last block never handed out
    size_t m_live = 0;
};

constexpr int kLongString = 32; // from this length on, "&" is escaped too

inline bool IsSpecial(char c) {
    return c == '\n' || c == '\r' || c == '"' || c == '&' || c == '<' || c == '>';
}

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    return true;
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Start of attribute `name` in `attrs`, read as name="value" pairs in order (a value never holds
// a double quote; a value without quotes runs to the next blank), names compared without ASCII
// case; -1 if absent. Text inside a value never counts as a name.
qsizetype FindAttr(QByteArrayView attrs, QByteArrayView name) {
    const qsizetype n = attrs.size();
    const char* d = attrs.data();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && IsBlank(d[i]))
            ++i;
        const qsizetype start = i;
        while (i < n && d[i] != '=' && !IsBlank(d[i]))
            ++i;
        if (i >= n || d[i] != '=')
            continue; // a word without a value
        const qsizetype nameEnd = i++;
        if (i < n && d[i] == '"') {
            if (nameEnd - start == name.size() && EqualsIgnoringCase(attrs.sliced(start, name.size()), name))
                return start;
            const void* q = std::memchr(d + i + 1, '"', size_t(n - i - 1));
            i = q ? static_cast<const char*>(q) - d + 1 : n;
        } else {
            while (i < n && !IsBlank(d[i]))
                ++i;
        }
    }
    return -1;
}

// The length of the reference the reader undoes at `d` (n bytes left, d[0] == '&'), with the
// byte it stands for; 0 when there is none. Only "&quot;" and a decimal byte value "&#NNN;"
// are references; anything else stays as written.
qsizetype ReferenceAt(const char* d, qsizetype n, char& byte) {
    if (QByteArrayView(d, n).startsWith(QByteArrayView("&quot;"))) {
        byte = '"';
        return 6;
    }
    if (n < 4 || d[1] != '#')
        return 0;
    int value = 0;
    qsizetype k = 2;
    for (; k < n && d[k] >= '0' && d[k] <= '9' && value <= 255; ++k)
        value = value * 10 + (d[k] - '0');
    if (k == 2 || k >= n || d[k] != ';' || value > 255)
        return 0;
    byte = char(value);
    return k + 1;
}

// End of the value that starts at `valueStart`: the next double quote, or the end of the text.
qsizetype ValueEnd(QByteArrayView attrs, qsizetype valueStart) {
    const qsizetype q = attrs.indexOf('"', valueStart);
    return q < 0 ? attrs.size() : q;
}

// Position of the spill marker ld="0" (letters in any case, after a blank or at the start).
// The writer puts it last, so the last one is taken: an attribute text that happens to hold
// the same characters earlier then reads back unchanged.
qsizetype FindMarker(QByteArrayView attrs) {
    qsizetype from = attrs.size() - 4;
    while (from >= 2) {
        const qsizetype q = attrs.lastIndexOf(QByteArrayView("=\"0\""), from);
        if (q < 2)
            return -1;
        const qsizetype p = q - 2;
        if ((p == 0 || attrs[p - 1] == ' ') && AsciiUpper(attrs[p]) == 'L' &&
            AsciiUpper(attrs[p + 1]) == 'D')
            return p;
        from = q - 1;
    }
    return -1;
}

constexpr QByteArrayView kMarker("ld=\"0\"");

} // namespace

// ---------------------------------------------------------------------------------------------
// Escaping

QByteArray XmlEscape(const QByteArray& s) {
    const char* d = s.constData();
    const qsizetype n = s.size();
    qsizetype first = 0;
    while (first < n && !IsSpecial(d[first]))
        ++first;
    if (first == n)
        return s;
    const bool isLong = n >= kLongString;
    QByteArray out;
    out.reserve((n / 256 + 1) * 256);
    out.append(d, first);
    for (qsizetype i = first; i < n; ++i) {
        const char c = d[i];
        if (!IsSpecial(c)) {
            out.append(c);
            continue;
        }
        // A short text keeps a bare "&", unless it starts what the reader would take for a
        // reference: the text must read back as it was written.
        char byte = 0;
        if (c == '&' && !isLong && ReferenceAt(d + i, n - i, byte) == 0) {
            out.append('&');
            continue;
        }
        out.append("&#");
        out.append(QByteArray::number(int(static_cast<unsigned char>(c))));
        out.append(';');
    }
    return out;
}

QByteArray XmlUnescape(const QByteArray& s) {
    const qsizetype first = s.indexOf('&');
    if (first < 0)
        return s;
    const char* d = s.constData();
    const qsizetype n = s.size();
    QByteArray out;
    out.reserve(n);
    out.append(d, first);
    for (qsizetype i = first; i < n; ++i) {
        char byte = 0;
        const qsizetype length = d[i] == '&' ? ReferenceAt(d + i, n - i, byte) : 0;
        if (length > 0) {
            out.append(byte);
            i += length - 1;
            continue;
        }
        out.append(d[i]);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Items

void* TfrxXMLItem::operator new(std::size_t size) {
    if (!kPooled || size != sizeof(TfrxXMLItem))
        return ::operator new(size);
    return ItemPool::Instance().Take();
}

void TfrxXMLItem::operator delete(void* p, std::size_t size) noexcept {
    if (!p)
        return;
    if (!kPooled || size != sizeof(TfrxXMLItem))
        return ::operator delete(p);
    ItemPool::Instance().Give(p);
}

TfrxXMLItem::~TfrxXMLItem() {
    Detach();
    FreeAll(m_items);
}

// Frees a forest without recursion, so that any depth of nesting is safe.
void TfrxXMLItem::FreeAll(std::vector<TfrxXMLItem*>& items) {
    std::vector<TfrxXMLItem*> pending;
    pending.swap(items);
    while (!pending.empty()) {
        TfrxXMLItem* item = pending.back();
        pending.pop_back();
        item->m_parent = nullptr;
        pending.insert(pending.end(), item->m_items.begin(), item->m_items.end());
        item->m_items.clear();
        delete item;
    }
}

void TfrxXMLItem::Detach() {
    if (!m_parent)
        return;
    auto& siblings = m_parent->m_items;
    // Items are mostly removed from the end (a page being discarded, the newest object).
    auto it = std::find(siblings.rbegin(), siblings.rend(), this);
    if (it != siblings.rend())
        siblings.erase(std::next(it).base());
    m_parent = nullptr;
}

int TfrxXMLItem::IndexOf(const TfrxXMLItem* item) const {
    auto it = std::find(m_items.begin(), m_items.end(), item);
    return it == m_items.end() ? -1 : int(it - m_items.begin());
}

TfrxXMLItem* TfrxXMLItem::AddChild(const QByteArray& name) {
    auto* item = new TfrxXMLItem(name);
    item->m_parent = this;
    m_items.push_back(item);
    return item;
}

void TfrxXMLItem::Append(TfrxXMLItem* item) { Insert(Count(), item); }

void TfrxXMLItem::Insert(int index, TfrxXMLItem* item) {
    if (!item || item == this)
        return;
    // An item may not become a child of its own descendant: the tree would lose a branch.
    for (const TfrxXMLItem* p = m_parent; p; p = p->m_parent)
        if (p == item)
            return;
    item->Detach();
    index = std::clamp(index, 0, Count());
    m_items.insert(m_items.begin() + index, item);
    item->m_parent = this;
}

int TfrxXMLItem::Find(QByteArrayView name) const {
    for (size_t i = 0; i < m_items.size(); ++i)
        if (EqualsIgnoringCase(m_items[i]->m_name, name))
            return int(i);
    return -1;
}

TfrxXMLItem* TfrxXMLItem::FindOrAdd(const QByteArray& name) {
    const int i = Find(name);
    return i >= 0 ? m_items[size_t(i)] : AddChild(name);
}

void TfrxXMLItem::Clear() {
    FreeAll(m_items);
    if (m_mayUnload)
        m_inMemory = false;
}

QByteArray TfrxXMLItem::GetAttr(QByteArrayView name) const {
    const qsizetype p = FindAttr(m_attributes, name);
    if (p < 0)
        return QByteArray();
    const qsizetype start = p + name.size() + 2;
    return XmlUnescape(m_attributes.mid(start, ValueEnd(m_attributes, start) - start));
}

void TfrxXMLItem::SetAttr(QByteArrayView name, const QByteArray& value) {
    qsizetype at = FindAttr(m_attributes, name);
    if (at >= 0) {
        const qsizetype end = ValueEnd(m_attributes, at + name.size() + 2);
        m_attributes.remove(at, std::min(end + 1, m_attributes.size()) - at);
    } else {
        at = m_attributes.size();
    }
    QByteArray piece;
    const QByteArray escaped = XmlEscape(value);
    piece.reserve(name.size() + escaped.size() + 4);
    if (at > 0 && m_attributes[at - 1] != ' ')
        piece.append(' ');
    piece.append(name);
    piece.append("=\"");
    piece.append(escaped);
    piece.append('"');
    m_attributes.insert(at, piece);
}

// ---------------------------------------------------------------------------------------------
// Reader

TfrxXMLReader::TfrxXMLReader(QIODevice* stream) : m_stream(stream) {
    m_bufferStart = stream->pos();
}

bool TfrxXMLReader::Fill() {
    m_bufferStart += m_fill;
    m_readPos = 0;
    const qint64 got = m_stream->read(m_buffer, BufferSize);
    m_fill = got > 0 ? int(got) : 0;
    return m_fill > 0;
}

// Returns false at the end of the stream before any "<". A comment comes back with its text
// starting "!--"; the caller skips it.
bool TfrxXMLReader::NextTag(Tag& tag) {
    for (;;) {
        if (m_readPos == m_fill && !Fill())
            return false;
        const void* lt = std::memchr(m_buffer + m_readPos, '<', size_t(m_fill - m_readPos));
        if (lt) {
            m_readPos = int(static_cast<const char*>(lt) - m_buffer);
            break;
        }
        m_readPos = m_fill;
    }
    tag.start = Position();
    ++m_readPos;

    bool spanning = false;
    m_tagText.resize(0);
    for (;;) {
        if (m_readPos == m_fill && !Fill())
            throw TfrxInvalidXMLException(); // a tag still open at the end
        const char* b = m_buffer + m_readPos;
        const int avail = m_fill - m_readPos;
        const void* gt = std::memchr(b, '>', size_t(avail));
        const int len = gt ? int(static_cast<const char*>(gt) - b) : avail;
        if (!gt) {
            m_tagText.append(b, len);
            spanning = true;
            m_readPos = m_fill;
            continue;
        }
        QByteArrayView text;
        if (spanning) {
            m_tagText.append(b, len);
            text = m_tagText;
        } else {
            text = QByteArrayView(b, len);
        }
        m_readPos += len + 1;
        if (text.startsWith("!--")) {
            // A comment runs to "--" followed by ">", whatever it holds.
            if (text.size() >= 5 && text.endsWith("--")) {
                tag.text = text;
                return true;
            }
            if (!spanning) {
                m_tagText = text.toByteArray();
                spanning = true;
            }
            m_tagText.append('>');
            continue;
        }
        if (text.contains('<'))
            throw TfrxInvalidXMLException();
        tag.text = text;
        return true;
    }
}

bool TfrxXMLReader::NextElementTag(Tag& tag) {
    while (NextTag(tag))
        if (!tag.text.startsWith("!--"))
            return true;
    return false;
}

void TfrxXMLReader::ReadHeader() {
    Tag tag;
    if (!NextTag(tag) || !tag.text.startsWith("?xml"))
        throw TfrxInvalidXMLException();
}

void TfrxXMLReader::ReadRootItem(TfrxXMLItem* root, bool partial) {
    ReadTree(root, partial, false);
}

void TfrxXMLReader::ReadChildren(TfrxXMLItem* item) { ReadTree(item, false, true); }

namespace {
struct ParsedTag {
    QByteArrayView name;
    QByteArrayView attrs;
    bool closing = false;
    bool empty = false; // no children follow
};

ParsedTag ParseTag(QByteArrayView text) {
    ParsedTag t;
    const qsizetype blank = text.indexOf(' ');
    if (blank < 0) {
        t.name = text;
    } else {
        t.name = text.first(blank);
        t.attrs = text.sliced(blank + 1);
    }
    if (t.name.startsWith('/')) {
        t.closing = true;
        t.name = t.name.sliced(1);
        if (t.name.isEmpty())
            throw TfrxInvalidXMLException();
        return t;
    }
    while (t.attrs.endsWith(' '))
        t.attrs.chop(1);
    if (t.attrs.endsWith('/')) {
        t.empty = true;
        t.attrs.chop(1);
        while (t.attrs.endsWith(' '))
            t.attrs.chop(1);
    }
    // "<a/ x>": the name loses all its slashes, as the item is written back as "<a x/>".
    while (t.name.endsWith('/')) {
        t.empty = true;
        t.name.chop(1);
    }
    // An element needs a name: "<>" would be written back as an end tag.
    if (t.name.isEmpty())
        throw TfrxInvalidXMLException();
    return t;
}
} // namespace

// Iterative on purpose: a file may nest elements to any depth.
void TfrxXMLReader::ReadTree(TfrxXMLItem* top, bool partial, bool keepTopFields) {
    Tag tag;
    if (!NextElementTag(tag))
        throw TfrxInvalidXMLException();
    ParsedTag parsed = ParseTag(tag.text);
    if (parsed.closing)
        throw TfrxInvalidXMLException();

    auto fill = [partial](TfrxXMLItem* item, const ParsedTag& t, qint64 start) {
        item->m_name = t.name.toByteArray();
        const qsizetype marker = FindMarker(t.attrs);
        if (marker < 0) {
            item->m_attributes = t.attrs.toByteArray();
        } else {
            QByteArray attrs;
            if (marker == 0) {
                QByteArrayView rest = t.attrs.sliced(kMarker.size());
                if (rest.startsWith(' '))
                    rest = rest.sliced(1);
                attrs = rest.toByteArray();
            } else {
                attrs = t.attrs.first(marker - 1).toByteArray();
                attrs.append(t.attrs.sliced(marker + kMarker.size()));
            }
            item->m_attributes = attrs;
            // The marker survives a load without partial loading as the item's flag, so that
            // saving the document again keeps it and the item may still be spilled.
            item->m_mayUnload = true;
            if (partial) {
                item->m_store = TfrxXMLItem::Store::Source;
                item->SetCacheOffset(start);
            }
        }
    };
    // An element that stays in the stream keeps only its place there.
    auto close = [](TfrxXMLItem* item) {
        if (item->m_store == TfrxXMLItem::Store::Source && item->m_inMemory) {
            TfrxXMLItem::FreeAll(item->m_items);
            item->m_inMemory = false;
        }
    };

    if (!keepTopFields)
        fill(top, parsed, tag.start);
    if (parsed.empty) {
        if (!keepTopFields)
            close(top);
        return;
    }
    TfrxXMLItem* current = top;
    for (;;) {
        if (!NextElementTag(tag))
            throw TfrxInvalidXMLException(); // an element still open at the end
        parsed = ParseTag(tag.text);
        if (parsed.closing) {
            if (!EqualsIgnoringCase(parsed.name, current->m_name))
                throw TfrxInvalidXMLException();
            if (current == top) {
                if (!keepTopFields)
                    close(top);
                return;
            }
            close(current);
            current = current->m_parent;
            continue;
        }
        auto* child = new TfrxXMLItem;
        child->m_parent = current;
        current->m_items.push_back(child);
        fill(child, parsed, tag.start);
        if (parsed.empty)
            close(child);
        else
            current = child;
    }
}

// ---------------------------------------------------------------------------------------------
// Writer

TfrxXMLWriter::TfrxXMLWriter(QIODevice* stream, TfrxXMLDocument* document)
    : m_stream(stream), m_document(document) {
    m_buffer.reserve(2 * BufferSize);
}

TfrxXMLWriter::~TfrxXMLWriter() = default;

void TfrxXMLWriter::Flush() {
    if (m_buffer.isEmpty())
        return;
    const qint64 written = m_stream->write(m_buffer);
    if (written != m_buffer.size())
        throw TfrxXMLException(m_stream->errorString());
    m_buffer.resize(0);
}

inline void TfrxXMLWriter::Put(QByteArrayView bytes) {
    m_buffer.append(bytes);
    if (m_buffer.size() > BufferSize)
        Flush();
}

void TfrxXMLWriter::Indent(int depth) {
    if (m_indented && depth > 0)
        m_buffer.append(QByteArray(2 * depth, ' '));
}

void TfrxXMLWriter::WriteHeader() {
    Put("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
    if (m_indented)
        Put("\r\n");
}

void TfrxXMLWriter::WriteStartTag(const TfrxXMLItem* item, int depth, bool hasChildren) {
    Indent(depth);
    m_buffer.append('<');
    m_buffer.append(item->Name());
    const QByteArray* text = &item->Attributes();
    if (m_filter) {
        m_filtered.resize(0);
        m_filter(*text, m_filtered);
        text = &m_filtered;
    }
    const QByteArray& attrs = *text;
    if (!attrs.isEmpty() || item->MayUnload()) {
        m_buffer.append(' ');
        m_buffer.append(attrs);
    }
    if (item->MayUnload()) {
        // A separate attribute, so that readers find it; the reader drops this blank with it.
        if (!attrs.isEmpty())
            m_buffer.append(' ');
        m_buffer.append(kMarker);
    }
    if (hasChildren) {
        m_buffer.append('>');
    } else if (!item->Content().isEmpty()) {
        m_buffer.append('>');
        m_buffer.append(item->Content());
        m_buffer.append("</");
        m_buffer.append(item->Name());
        m_buffer.append('>');
    } else {
        m_buffer.append("/>");
    }
    Put(m_indented ? QByteArrayView("\r\n") : QByteArrayView());
}

void TfrxXMLWriter::WriteEndTag(const TfrxXMLItem* item, int depth) {
    Indent(depth);
    m_buffer.append("</");
    m_buffer.append(item->Name());
    m_buffer.append('>');
    Put(m_indented ? QByteArrayView("\r\n") : QByteArrayView());
}

// Iterative, like the reader: depth is bounded only by memory.
void TfrxXMLWriter::WriteRootItem(TfrxXMLItem* root) {
    struct Frame {
        TfrxXMLItem* item;
        int next;
        bool reloaded;
    };
    std::vector<Frame> stack;
    auto open = [&](TfrxXMLItem* item, int depth) {
        bool reloaded = false;
        if (!item->InMemory() && item->MayUnload() && m_document) {
            // The spill file may be the stream being written: write out what is buffered first.
            Flush();
            m_document->ReloadItem(item);
            reloaded = true;
        }
        if (item->Count() > 0) {
            WriteStartTag(item, depth, true);
            stack.push_back({item, 0, reloaded});
        } else {
            WriteStartTag(item, depth, false);
            if (reloaded)
                item->Clear();
        }
    };
    open(root, 0);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next < f.item->Count()) {
            TfrxXMLItem* child = f.item->Item(f.next++);
            open(child, int(stack.size()));
            continue;
        }
        TfrxXMLItem* item = f.item;
        const bool reloaded = f.reloaded;
        stack.pop_back();
        WriteEndTag(item, int(stack.size()));
        if (reloaded)
            item->Clear();
    }
}

// ---------------------------------------------------------------------------------------------
// Document

TfrxXMLDocument::TfrxXMLDocument() : m_root(std::make_unique<TfrxXMLItem>()) {}

TfrxXMLDocument::~TfrxXMLDocument() = default;

void TfrxXMLDocument::Clear() {
    TfrxXMLItem::FreeAll(m_root->m_items);
    m_root->m_inMemory = true;
    m_tempFile.reset(); // closes and deletes the file
    m_tempCreated = false;
    m_source = nullptr;
}

QString TfrxXMLDocument::TempFileName() const {
    return m_tempFile ? m_tempFile->fileName() : QString();
}

QIODevice* TfrxXMLDocument::StreamOf(const TfrxXMLItem* item) const {
    switch (item->m_store) {
    case TfrxXMLItem::Store::TempFile:
        return m_tempFile.get();
    case TfrxXMLItem::Store::Source:
        return m_source;
    case TfrxXMLItem::Store::None:
        break;
    }
    return nullptr;
}

void TfrxXMLDocument::SpillItem(TfrxXMLItem* item) {
    if (!item || !item->InMemory() || !item->MayUnload())
        return;
    if (!m_tempCreated) {
        const QString dir = m_tempDir.isEmpty() ? QDir::tempPath() : m_tempDir;
        auto file =
            std::make_unique<QTemporaryFile>(QDir(dir).filePath(QStringLiteral("sdxml_XXXXXX.tmp")));
        if (!file->open())
            throw TfrxXMLException(file->errorString());
        m_tempFile = std::move(file);
        m_tempCreated = true;
    }
    const qint64 offset = m_tempFile->size();
    if (!m_tempFile->seek(offset))
        throw TfrxXMLException(m_tempFile->errorString());
    TfrxXMLWriter writer(m_tempFile.get(), this);
    writer.WriteRootItem(item);
    writer.Flush();
    if (!m_tempFile->flush())
        throw TfrxXMLException(m_tempFile->errorString());
    TfrxXMLItem::FreeAll(item->m_items);
    item->SetCacheOffset(offset);
    item->m_store = TfrxXMLItem::Store::TempFile;
    item->m_inMemory = false;
}

void TfrxXMLDocument::ReloadItem(TfrxXMLItem* item) {
    if (!item || item->InMemory())
        return;
    TfrxXMLItem::FreeAll(item->m_items);
    if (QIODevice* stream = StreamOf(item)) {
        // The stream may be in the middle of being written or read; leave it where it was.
        struct Restore {
            QIODevice* s;
            qint64 pos;
            ~Restore() { s->seek(pos); }
        } restore{stream, stream->pos()};
        if (!stream->seek(item->CacheOffset()))
            throw TfrxInvalidXMLException();
        TfrxXMLReader reader(stream);
        reader.ReadChildren(item);
    }
    item->m_inMemory = true;
}

void TfrxXMLDocument::UnloadItem(TfrxXMLItem* item) {
    if (!item || !item->InMemory() || !item->MayUnload())
        return;
    if (item->m_store == TfrxXMLItem::Store::None || !StreamOf(item)) {
        SpillItem(item);
        return;
    }
    TfrxXMLItem::FreeAll(item->m_items);
    item->m_inMemory = false;
}

void TfrxXMLDocument::LoadFromStream(QIODevice* stream, bool allowPartialLoading) {
    Clear();
    if (allowPartialLoading)
        m_source = stream;
    TfrxXMLReader reader(stream);
    reader.ReadHeader();
    reader.ReadRootItem(m_root.get(), allowPartialLoading);
}

void TfrxXMLDocument::SaveToStream(QIODevice* stream,
                                   const TfrxXMLWriter::AttributeFilter& filter) {
    TfrxXMLWriter writer(stream, this);
    writer.SetIndented(m_indented);
    writer.SetAttributeFilter(filter);
    writer.WriteHeader();
    writer.WriteRootItem(m_root.get());
    writer.Flush();
}
