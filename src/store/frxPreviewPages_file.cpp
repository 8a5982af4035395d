// Prepared report files: the store's document with the source pages, the dictionary, the
// pictures and a few report settings beside the pages. A file is one line: the declaration,
// then the root element "preparedreport".

#include "store/frxPreviewPages.h"

#include "platform/Error.h"
#include "platform/GbkCodec.h"
#include "platform/Profile.h"
#include "store/frxPreviewPages_p.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"
#include "resources/frxRes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace frxClass;
using namespace frxStore;

namespace {

// Strings other than text-object contents are kept in the platform's 8-bit code page.
QByteArray Ansi(const QString& s) { return platform::ToGbk(s); }
QString FromAnsi(const QByteArray& b) { return platform::FromGbk(b); }

// Elements below the root a file may nest. Prepared pages nest a page, bands and their
// objects a few levels deep, an outline as deep as its groups; far deeper nesting is no
// prepared report, and the object trees built from it would take time that grows with the
// square of the depth.
constexpr int kMaxDepth = 256;

int Depth(const TfrxXMLItem* root) {
    int deepest = 0;
    std::vector<std::pair<const TfrxXMLItem*, int>> work{{root, 0}};
    while (!work.empty()) {
        const auto [item, depth] = work.back();
        work.pop_back();
        deepest = std::max(deepest, depth);
        for (int i = 0; i < item->Count(); ++i)
            work.emplace_back(item->Item(i), depth + 1);
    }
    return deepest;
}

QString NativeName(const QString& fileName) { return QDir::toNativeSeparators(fileName); }

QByteArray Flag(bool on) { return on ? QByteArray("1") : QByteArray("0"); }

// The report attributes a file carries; nothing else of the live report is taken from a file.
constexpr const char* kReportAttributes[] = {"DotMatrixReport", "PreviewOptions.OutlineVisible",
                                             "PreviewOptions.OutlineWidth", "ReportOptions.Name"};

// The source name of a dictionary element: its attribute text is name="Page0.Memo1" and the
// name runs from the seventh character to the one before the last.
QString DictionarySourceName(const QByteArray& attributes) {
    if (attributes.size() < 7 || !attributes.endsWith('"'))
        return QString();
    return FromAnsi(XmlUnescape(attributes.mid(6, attributes.size() - 7)));
}

// Whether an attribute value reads the same for this system and for any XML parser as it
// stands: every "&" starts a reference this system reads back ("&quot;" or "&#" and a decimal
// byte value), no "<", and bytes from 128 up only in valid UTF-8 where `utf8`.
bool ReadsAlike(QByteArrayView v, bool utf8) {
    // Eight bytes at a time while none of them needs a closer look.
    constexpr quint64 kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
    auto has = [](quint64 w, unsigned char c) {
        const quint64 x = w ^ (kOnes * c);
        return ((x - kOnes) & ~x & kHighs) != 0;
    };
    const char* d = v.data();
    const qsizetype n = v.size();
    bool high = false;
    for (qsizetype i = 0; i < n; ++i) {
        while (i + 8 <= n) {
            quint64 w;
            std::memcpy(&w, d + i, 8);
            if (has(w, '&') || has(w, '<') || ((w & kHighs) && !utf8))
                break;
            high = high || (w & kHighs);
            i += 8;
        }
        if (i >= n)
            break;
        const auto b = static_cast<unsigned char>(d[i]);
        if (b >= 128) {
            if (!utf8)
                return false;
            high = true;
            continue;
        }
        if (b == '<')
            return false;
        if (b != '&')
            continue;
        qsizetype k = i + 2;
        if (k >= n)
            return false;
        if (d[i + 1] == 'q' && n - i >= 6 && std::memcmp(d + i, "&quot;", 6) == 0) {
            i += 5;
            continue;
        }
        if (d[i + 1] != '#')
            return false;
        int value = 0;
        for (; k < n && d[k] >= '0' && d[k] <= '9' && value <= 255; ++k)
            value = value * 10 + (d[k] - '0');
        if (k == i + 2 || k >= n || d[k] != ';' || value > 255)
            return false;
        i = k;
    }
    return !high || QUtf8StringView(v).isValidUtf8();
}

// One attribute value as other XML readers must see it. Every "&", "<", ">", quote and line
// break becomes a character reference, and so does every byte of the 8-bit code page: this
// system's reader turns each reference back into the very byte, while the file stays
// well-formed for any parser. Text-object contents (valid UTF-8) keep their bytes.
void AppendValue(QByteArray& out, QByteArrayView raw, bool utf8) {
    if (ReadsAlike(raw, utf8)) {
        out.append(raw);
        return;
    }
    const QByteArray value = XmlUnescape(raw.toByteArray());
    const bool keepHigh = utf8 && QUtf8StringView(value).isValidUtf8();
    qsizetype run = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const auto b = static_cast<unsigned char>(value[i]);
        if (b < 128 ? (b != '&' && b != '<' && b != '>' && b != '"' && b != '\r' && b != '\n')
                    : keepHigh)
            continue;
        out.append(QByteArrayView(value).sliced(run, i - run));
        char ref[6] = {'&', '#'};
        int n = 2;
        if (b >= 100)
            ref[n++] = char('0' + b / 100);
        if (b >= 10)
            ref[n++] = char('0' + b / 10 % 10);
        ref[n++] = char('0' + b % 10);
        ref[n++] = ';';
        out.append(ref, n);
        run = i + 1;
    }
    out.append(QByteArrayView(value).sliced(run));
}

// The attribute text of an item as written to a file (see AppendValue). Text this system
// wrote is a sequence of name="value" pairs; anything else is passed on as it stands.
void ForOtherReaders(const QByteArray& in, QByteArray& out) {
    if (ReadsAlike(in, false)) {
        out.append(in);
        return;
    }
    const char* d = in.constData();
    const qsizetype n = in.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype start = i;
        while (i < n && d[i] == ' ')
            ++i;
        const qsizetype eq = in.indexOf('=', i);
        const qsizetype close = eq < 0 || eq + 1 >= n || d[eq + 1] != '"' ? -1
                                                                            : in.indexOf('"', eq + 2);
        if (close < 0) {
            out.append(QByteArrayView(in).sliced(start));
            return;
        }
        const QByteArrayView name = QByteArrayView(in).sliced(i, eq - i);
        out.append(QByteArrayView(in).sliced(start, eq + 2 - start));
        AppendValue(out, QByteArrayView(in).sliced(eq + 2, close - eq - 2),
                    name == "u" || name.compare("Text", Qt::CaseInsensitive) == 0);
        out.append('"');
        i = close + 1;
    }
}

// The bytes of a save on their way to the file: handed over in pieces of a megabyte, each
// piece sent on to the disk at once (without waiting for it), so that the sync that ends the
// save finds most of the file written already and waits only for the last piece.
class PiecewiseWriter final : public QIODevice {
public:
    explicit PiecewiseWriter(QSaveFile& file) : m_file(file) {
        m_piece.reserve(kPiece);
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    // Hands over the last piece; false when the file refused it.
    bool Finish() { return Push(); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        m_piece.append(data, size);
        if (m_piece.size() >= kPiece && !Push())
            return -1;
        return size;
    }

private:
    static constexpr qsizetype kPiece = 1 << 20;

    bool Push() {
        if (m_piece.isEmpty())
            return true;
        if (m_file.write(m_piece) != m_piece.size() || !m_file.flush()) {
            setErrorString(m_file.errorString());
            return false;
        }
#ifdef SYNC_FILE_RANGE_WRITE
        // Only a start: the sync at the end still waits for every byte.
        ::sync_file_range(m_file.handle(), m_sent, m_piece.size(), SYNC_FILE_RANGE_WRITE);
#endif
        m_sent += m_piece.size();
        m_piece.resize(0);
        return true;
    }

    QSaveFile& m_file;
    QByteArray m_piece;
    qint64 m_sent = 0;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Saving

void TfrxPreviewPages::WriteToStream(QIODevice& stream) {
    m_tempStream = &stream;
    struct Forget {
        QIODevice*& s;
        ~Forget() { s = nullptr; }
    } forget{m_tempStream};

    // The report's settings a file takes along, under the report's class name.
    TfrxXMLItem* report = RootItem("report");
    report->Clear();
    TfrxXMLItem* settings =
        report->AddChild(Report ? QByteArray(Report->metaObject()->className()) : "TfrxReport");
    const TfrxPreviewOptions* preview = Report ? Report->PreviewOptions() : nullptr;
    settings->SetAttr("DotMatrixReport", Flag(Report && Report->DotMatrixReport()));
    settings->SetAttr("PreviewOptions.OutlineVisible", Flag(preview && preview->OutlineVisible()));
    settings->SetAttr("PreviewOptions.OutlineWidth",
                      QByteArray::number(preview ? preview->OutlineWidth() : 120));
    settings->SetAttr("ReportOptions.Name", Ansi(Report ? Report->ReportOptions()->Name()
                                                        : QString()));

    // Each source page whole, with its objects.
    TfrxXMLItem* sources = RootItem("sourcepages");
    sources->Clear();
    {
        TfrxXMLSerializer serializer;
        for (const auto& page : m_sourcePages)
            serializer.WriteTree(page.get(), true, sources->AddChild());
    }

    // Alias -> source name, in the sorted order of the aliases.
    TfrxXMLItem* dictionary = RootItem("dictionary");
    dictionary->Clear();
    for (int i = 0; i < m_dictionary.Count(); ++i) {
        const QString alias = m_dictionary.Alias(i);
        TfrxXMLItem* entry = dictionary->AddChild(alias.toLatin1());
        // Written by hand: the reader takes the value by position, so `name` must be the only
        // attribute.
        entry->SetAttributes("name=\"" + XmlEscape(Ansi(m_dictionary.SourceName(alias))) + '"');
    }

    TfrxXMLItem* pictures = RootItem("picturecache");
    pictures->Clear();
    for (int i = 0; i < m_pictureCache.Count(); ++i)
        pictures->AddChild("item")->SetAttributes(
            "stream=\"" + m_pictureCache.Stream(i).toHex().toUpper() + '"');

    m_doc.SaveToStream(&stream, ForOtherReaders);
}

void TfrxPreviewPages::WriteToFile(const QString& fileName) {
    // Written beside the target and renamed over it only when complete: a failed save leaves
    // the old file as it was. A writable file in a folder that takes no new files can only be
    // written in place (the one way left; an error is still reported).
    QSaveFile file(fileName);
    const QFileInfo target(fileName);
    // A folder without its owner-write bit counts as read-only even for root, as the settings
    // file's does.
    if (target.exists() && target.isWritable() &&
        platform::Profile::IsReadOnly(target.absolutePath()))
        file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        throw TfrxException(QStringLiteral("Cannot create file \"%1\". %2")
                                .arg(NativeName(fileName), file.errorString()));
    try {
        PiecewiseWriter pieces(file);
        WriteToStream(pieces);
        if (!pieces.Finish())
            throw TfrxException(pieces.errorString());
    } catch (const std::exception& e) {
        const QString why = file.error() != QFileDevice::NoError ? file.errorString()
                                                                  : platform::MessageOf(e);
        file.cancelWriting();
        throw TfrxException(
            QStringLiteral("Cannot write file \"%1\". %2").arg(NativeName(fileName), why));
    }
    if (!file.commit())
        throw TfrxException(QStringLiteral("Cannot write file \"%1\". %2")
                                .arg(NativeName(fileName), file.errorString()));
}

// ---------------------------------------------------------------------------------------------
// Loading

bool TfrxPreviewPages::ReadFromFile(const QString& fileName, bool mustExist) {
    const bool exists = QFile::exists(fileName);
    if (!exists && !mustExist)
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw TfrxException(QStringLiteral("Cannot open file \"%1\". %2")
                                .arg(NativeName(fileName), file.errorString()));
    ReadFromStream(file, false);
    return exists;
}

void TfrxPreviewPages::ReadFromStream(QIODevice& stream, bool allowPartialLoading) {
    ClearAll();
    m_errors.clear();
    m_tempStream = &stream;
    AllowPartialLoading = allowPartialLoading;
    try {
        m_doc.LoadFromStream(&stream, allowPartialLoading);
        // The root must be a prepared report; anything else would be shown as an empty one.
        if (m_doc.Root()->Name().compare("preparedreport", Qt::CaseInsensitive) != 0 ||
            Depth(m_doc.Root()) > kMaxDepth)
            throw TfrxInvalidXMLException();
        m_doc.Root()->SetName("preparedreport");
        ReadSections();
    } catch (...) {
        // Nothing half-read stays behind: the store is empty and every operation works on it.
        ClearAll();
        m_doc.Root()->SetName("preparedreport");
        m_doc.Root()->SetAttributes(QByteArray());
        AllowPartialLoading = false;
        throw;
    }
    if (!allowPartialLoading)
        m_tempStream = nullptr;
}

void TfrxPreviewPages::ReadSections() {
    TfrxXMLSerializer serializer;

    // The report's settings: only the attributes a file carries, never anything else.
    if (const TfrxXMLItem* report = FindRootItem("report"); report && report->Count() > 0 && Report) {
        const TfrxXMLItem* settings = report->Item(0);
        QByteArray attrs;
        for (const char* name : kReportAttributes) {
            if (!(" " + settings->Attributes()).contains(QByteArray(" ") + name + "=\""))
                continue;
            attrs += ' ';
            attrs += name;
            attrs += "=\"" + XmlEscape(settings->GetAttr(name)) + '"';
        }
        serializer.AttributesToProperties(attrs, Report);
    }

    // Source pages, each object keeping its own full text for rebuilding pages.
    if (TfrxXMLItem* sources = FindRootItem("sourcepages")) {
        for (int i = 0; i < sources->Count(); ++i) {
            const TfrxXMLItem* item = sources->Item(i);
            std::unique_ptr<TfrxPage> page;
            if (item->Name().compare("TfrxDMPPage", Qt::CaseInsensitive) == 0) {
                TfrxComponent* c = frxCreateComponent(QStringLiteral("TfrxDMPPage"), nullptr);
                page.reset(qobject_cast<TfrxPage*>(c));
                if (!page)
                    delete c;
            }
            if (!page)
                page = std::make_unique<TfrxReportPage>();
            TfrxXMLSerializer reader;
            reader.ReadTree(page.get(), const_cast<TfrxXMLItem*>(item));
            for (const QString& e : reader.Errors())
                serializer.AddError(e);
            for (TfrxComponent* obj : page->AllObjects())
                SetBaseText(obj, IsContainer(obj) ? QByteArray(obj->metaObject()->className())
                                                  : reader.ObjectToString(obj));
            m_sourcePages.push_back(std::move(page));
        }
        // The pages live as objects now; the document keeps only the container.
        sources->Clear();
    }

    // Alias -> source name -> object. An entry whose page or object is not there is left out:
    // items with that alias then read as a class name, which is reported.
    if (const TfrxXMLItem* dictionary = FindRootItem("dictionary")) {
        for (int i = 0; i < dictionary->Count(); ++i) {
            const TfrxXMLItem* entry = dictionary->Item(i);
            const QString sourceName = DictionarySourceName(entry->Attributes());
            const qsizetype dot = sourceName.indexOf(QLatin1Char('.'));
            if (dot < 0)
                continue;
            bool ok = false;
            const int pageIndex = sourceName.left(dot).mid(4).toInt(&ok);
            TfrxPage* page = ok ? SourcePage(pageIndex) : nullptr;
            TfrxComponent* obj = page ? page->FindObject(sourceName.mid(dot + 1)) : nullptr;
            if (!obj)
                continue;
            const QString alias = QString::fromLatin1(entry->Name());
            m_dictionary.Add(alias, sourceName, obj);
            SetAlias(obj, alias);
        }
    }

    if (const TfrxXMLItem* pictures = FindRootItem("picturecache")) {
        for (int i = 0; i < pictures->Count(); ++i)
            m_pictureCache.Add(QByteArray::fromHex(pictures->Item(i)->GetAttr("stream")));
    }

    // Names on the pages read now that neither the dictionary nor the class list knows would
    // be skipped without a word when the page is shown: say so once, at opening.
    if (const TfrxXMLItem* pages = FindRootItem("previewpages")) {
        QSet<QByteArray> known;
        std::vector<const TfrxXMLItem*> work;
        for (int i = pages->Count() - 1; i >= 0; --i) {
            const TfrxXMLItem* page = pages->Item(i);
            for (int k = page->Count() - 1; k >= 0; --k)
                work.push_back(page->Item(k));
        }
        while (!work.empty()) {
            const TfrxXMLItem* item = work.back();
            work.pop_back();
            if (!known.contains(item->Name())) {
                known.insert(item->Name());
                const QString name = FromAnsi(item->Name());
                if (!m_dictionary.Contains(name) && !frxFindClass(name))
                    serializer.AddError(frxGet(QStringLiteral("xrCantFindClass")) +
                                        QLatin1Char(' ') + name);
            }
            for (int k = item->Count() - 1; k >= 0; --k)
                work.push_back(item->Item(k));
        }
    }

    for (const QString& e : serializer.Errors())
        AddError(e);
}
