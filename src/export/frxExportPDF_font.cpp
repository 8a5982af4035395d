// TrueType subsets for the PDF writer: the glyphs drawn, renumbered from 1 in the order of
// first use, with the components of composite glyphs; the tables a PDF reader needs (glyph
// outlines, their locations and metrics, the hinting programs); and the map from each glyph back
// to the characters it was drawn for.

#include "export/frxExportPDF_p.h"

#include <QtEndian>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace frxpdf {

namespace {

quint16 U16(const QByteArray& t, qsizetype at) {
    return at + 2 <= t.size() ? qFromBigEndian<quint16>(t.constData() + at) : 0;
}
qint16 S16(const QByteArray& t, qsizetype at) { return static_cast<qint16>(U16(t, at)); }
quint32 U32(const QByteArray& t, qsizetype at) {
    return at + 4 <= t.size() ? qFromBigEndian<quint32>(t.constData() + at) : 0;
}
void Put16(QByteArray& t, qsizetype at, quint16 v) {
    if (at + 2 <= t.size())
        qToBigEndian<quint16>(v, t.data() + at);
}
void Put32(QByteArray& t, qsizetype at, quint32 v) {
    if (at + 4 <= t.size())
        qToBigEndian<quint32>(v, t.data() + at);
}
void Append16(QByteArray& t, quint16 v) {
    char b[2];
    qToBigEndian<quint16>(v, b);
    t.append(b, 2);
}
void Append32(QByteArray& t, quint32 v) {
    char b[4];
    qToBigEndian<quint32>(v, b);
    t.append(b, 4);
}

quint32 Checksum(const QByteArray& t) {
    quint32 sum = 0;
    const qsizetype n = t.size();
    for (qsizetype i = 0; i < n; i += 4) {
        quint32 word = 0;
        for (int k = 0; k < 4; ++k)
            word = (word << 8) | (i + k < n ? static_cast<quint8>(t[i + k]) : 0u);
        sum += word;
    }
    return sum;
}

// Flags of a composite glyph's component records.
constexpr quint16 kArgsAreWords = 0x0001;
constexpr quint16 kHaveScale = 0x0008;
constexpr quint16 kMoreComponents = 0x0020;
constexpr quint16 kHaveXYScale = 0x0040;
constexpr quint16 kHaveTwoByTwo = 0x0080;

// Calls `each(offsetOfGlyphIndex)` for every component of a composite glyph.
template <typename F>
void ForEachComponent(const QByteArray& glyph, F each) {
    if (glyph.size() < 10 || S16(glyph, 0) >= 0)
        return;
    qsizetype at = 10;
    for (;;) {
        if (at + 4 > glyph.size())
            return;
        const quint16 flags = U16(glyph, at);
        each(at + 2);
        at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
        if (flags & kHaveScale)
            at += 2;
        else if (flags & kHaveXYScale)
            at += 4;
        else if (flags & kHaveTwoByTwo)
            at += 8;
        if (!(flags & kMoreComponents))
            return;
    }
}

// The PostScript name of a face from its name table (id 6), else its family and style.
QByteArray PostScriptName(const QRawFont& face, const QByteArray& name) {
    QByteArray out;
    const quint16 count = U16(name, 2), strings = U16(name, 4);
    for (int i = 0; i < count && out.isEmpty(); ++i) {
        const qsizetype rec = 6 + qsizetype(i) * 12;
        const quint16 platform = U16(name, rec), encoding = U16(name, rec + 2),
                      id = U16(name, rec + 6), length = U16(name, rec + 8),
                      offset = U16(name, rec + 10);
        if (id != 6 || strings + offset + length > name.size())
            continue;
        const QByteArray raw = name.mid(strings + offset, length);
        if (platform == 3 && encoding == 1) {
            for (qsizetype k = 0; k + 1 < raw.size(); k += 2)
                out.append(raw[k + 1]);
        } else if (platform == 1 && encoding == 0) {
            out = raw;
        }
    }
    if (out.isEmpty())
        out = (face.familyName() + QLatin1Char('-') + face.styleName()).toLatin1();
    QByteArray clean;
    for (char c : std::as_const(out))
        if (c > 32 && c < 127 && !std::strchr("()<>[]{}/%#", c))
            clean.append(c);
    return clean.isEmpty() ? QByteArray("Font") : clean;
}

} // namespace

FontSubset::FontSubset(const QRawFont& face) : m_face(face) {
    MapFile();
    const QByteArray head = Table("head");
    const QByteArray maxp = Table("maxp");
    const QByteArray hhea = Table("hhea");
    // TrueType outlines: glyph locations and metrics now; the outlines themselves (megabytes
    // for a Song face) only when the file is written.
    m_loca = Table("loca");
    m_hmtx = Table("hmtx");
    if (head.size() < 54 || maxp.size() < 6 || hhea.size() < 36 || m_loca.isEmpty() ||
        m_hmtx.isEmpty())
        return;
    m_unitsPerEm = std::max<int>(16, U16(head, 18));
    m_longLoca = S16(head, 50) == 1;
    m_numGlyphs = U16(maxp, 4);
    m_numHMetrics = std::max<int>(1, U16(hhea, 34));
    if (m_loca.size() < (m_numGlyphs + 1) * (m_longLoca ? 4 : 2) || m_hmtx.size() < m_numHMetrics * 4)
        return;
    const quint16 macStyle = U16(head, 44);
    const QByteArray os2 = Table("OS/2");
    m_faceBold = (macStyle & 1) || (os2.size() >= 6 && U16(os2, 4) >= 600);
    m_faceItalic = (macStyle & 2) || (os2.size() >= 64 && (U16(os2, 62) & 0x201));
    m_postScriptName = PostScriptName(face, Table("name"));
    m_usable = true;
    // Glyph 0 is .notdef in every subset.
    m_glyphs.push_back(0);
    m_widths.push_back(AdvanceOf(0) * 1000 / m_unitsPerEm);
    m_unicode.emplace_back();
    m_map.insert(0, 0);
}

bool FontSubset::MapFile() {
    // The files fontconfig knows for the face's family and style; the one whose head table is
    // the face's own is the face.
    const QByteArray family = m_face.familyName().toUtf8();
    const QByteArray style = m_face.styleName().toUtf8();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
    if (!style.isEmpty())
        FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>(style.constData()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (!fonts)
        return false;
    const QByteArray head = m_face.fontTable("head");
    for (int i = 0; i < fonts->nfont && !m_fileData; ++i) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch)
            continue;
        FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index);
        auto f = std::make_unique<QFile>(QString::fromUtf8(reinterpret_cast<const char*>(file)));
        if (!f->open(QIODevice::ReadOnly))
            continue;
        const qint64 size = f->size();
        const uchar* data = size >= 12 ? f->map(0, size) : nullptr;
        if (!data)
            continue;
        const QByteArray view = QByteArray::fromRawData(reinterpret_cast<const char*>(data), size);
        qint64 directory = 0;
        if (U32(view, 0) == 0x74746366) { // "ttcf": a collection
            if (index < 0 || quint32(index) >= U32(view, 8))
                continue;
            directory = U32(view, 12 + qsizetype(index) * 4);
        } else if (index != 0) {
            continue;
        }
        m_file = std::move(f);
        m_fileData = data;
        m_fileSize = size;
        m_directory = directory;
        if (Table("head") != head) {
            m_file.reset();
            m_fileData = nullptr;
            m_directory = -1;
        }
    }
    FcFontSetDestroy(fonts);
    return m_fileData != nullptr;
}

QByteArray FontSubset::Table(const char* tag) const {
    if (m_fileData) {
        const QByteArray file =
            QByteArray::fromRawData(reinterpret_cast<const char*>(m_fileData), m_fileSize);
        const quint16 count = U16(file, m_directory + 4);
        for (quint16 i = 0; i < count; ++i) {
            const qsizetype entry = m_directory + 12 + qsizetype(i) * 16;
            if (entry + 16 > m_fileSize)
                break;
            if (std::memcmp(m_fileData + entry, tag, 4) != 0)
                continue;
            const quint32 offset = U32(file, entry + 8), length = U32(file, entry + 12);
            if (qint64(offset) + length > m_fileSize)
                break;
            return QByteArray::fromRawData(reinterpret_cast<const char*>(m_fileData) + offset,
                                           length);
        }
        return {};
    }
    return m_face.fontTable(tag);
}

int FontSubset::AdvanceOf(quint32 glyph) const {
    const int g = std::min<int>(int(glyph), m_numHMetrics - 1);
    return U16(m_hmtx, qsizetype(g) * 4);
}

QByteArray FontSubset::GlyphData(const QByteArray& glyf, quint32 glyph) const {
    if (glyph >= quint32(m_numGlyphs))
        return {};
    const quint32 from = m_longLoca ? U32(m_loca, glyph * 4) : quint32(U16(m_loca, glyph * 2)) * 2;
    const quint32 to = m_longLoca ? U32(m_loca, (glyph + 1) * 4)
                                  : quint32(U16(m_loca, (glyph + 1) * 2)) * 2;
    if (to <= from || to > quint32(glyf.size()))
        return {};
    return glyf.mid(from, to - from);
}

quint16 FontSubset::Map(quint32 glyph, QStringView text) {
    if (auto it = m_map.constFind(glyph); it != m_map.constEnd()) {
        if (m_unicode[*it].isEmpty() && !text.isEmpty())
            m_unicode[*it] = text.toString();
        return *it;
    }
    if (m_glyphs.size() >= 0xFFFF)
        return 0;
    const auto id = static_cast<quint16>(m_glyphs.size());
    m_map.insert(glyph, id);
    m_glyphs.push_back(glyph);
    m_widths.push_back(int(qint64(AdvanceOf(glyph)) * 1000 / m_unitsPerEm));
    m_unicode.push_back(text.toString());
    return id;
}

QByteArray FontSubset::FontFile() const {
    // The glyphs drawn, then the components they are built from.
    std::vector<quint32> glyphs = m_glyphs;
    QHash<quint32, quint16> map = m_map;
    std::vector<QByteArray> data;
    const QByteArray source = Table("glyf");
    for (size_t i = 0; i < glyphs.size(); ++i) {
        QByteArray g = GlyphData(source, glyphs[i]);
        ForEachComponent(g, [&](qsizetype at) {
            const quint16 component = U16(g, at);
            auto it = map.constFind(component);
            quint16 id = 0;
            if (it != map.constEnd()) {
                id = *it;
            } else if (glyphs.size() < 0xFFFF) {
                id = static_cast<quint16>(glyphs.size());
                map.insert(component, id);
                glyphs.push_back(component);
            }
            Put16(g, at, id);
        });
        data.push_back(std::move(g));
    }
    const auto n = static_cast<quint16>(glyphs.size());

    QByteArray glyf, loca, hmtx;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        Append32(loca, quint32(glyf.size()));
        glyf.append(data[i]);
        while (glyf.size() % 4)
            glyf.append('\0');
        const quint32 g = glyphs[i];
        Append16(hmtx, quint16(AdvanceOf(g)));
        const qint16 lsb = int(g) < m_numHMetrics
                               ? S16(m_hmtx, qsizetype(g) * 4 + 2)
                               : S16(m_hmtx, qsizetype(m_numHMetrics) * 4 +
                                                 (qsizetype(g) - m_numHMetrics) * 2);
        Append16(hmtx, quint16(lsb));
    }
    Append32(loca, quint32(glyf.size()));

    QByteArray head = Table("head");
    Put32(head, 8, 0); // checksum adjustment, set below
    Put16(head, 50, 1); // long offsets
    QByteArray hhea = Table("hhea");
    Put16(hhea, 34, n);
    QByteArray maxp = Table("maxp");
    Put16(maxp, 4, n);
    // A post table without glyph names.
    QByteArray post = Table("post").left(16);
    post.resize(32, '\0');
    Put32(post, 0, 0x00030000);

    struct Entry {
        const char* tag;
        QByteArray data;
    };
    std::vector<Entry> tables;
    auto add = [&](const char* tag, QByteArray d) {
        if (!d.isEmpty())
            tables.push_back({tag, std::move(d)});
    };
    add("cvt ", Table("cvt "));
    add("fpgm", Table("fpgm"));
    add("glyf", std::move(glyf));
    add("head", head);
    add("hhea", std::move(hhea));
    add("hmtx", std::move(hmtx));
    add("loca", std::move(loca));
    add("maxp", std::move(maxp));
    add("post", std::move(post));
    add("prep", Table("prep"));

    const auto numTables = static_cast<quint16>(tables.size());
    quint16 searchRange = 1, entrySelector = 0;
    while (searchRange * 2 <= numTables) {
        searchRange *= 2;
        ++entrySelector;
    }
    searchRange *= 16;
    QByteArray out;
    Append32(out, 0x00010000);
    Append16(out, numTables);
    Append16(out, searchRange);
    Append16(out, entrySelector);
    Append16(out, quint16(numTables * 16 - searchRange));
    quint32 offset = 12 + 16 * quint32(numTables);
    qsizetype headAt = -1;
    for (const Entry& t : tables) {
        out.append(t.tag, 4);
        Append32(out, Checksum(t.data));
        Append32(out, offset);
        Append32(out, quint32(t.data.size()));
        offset += quint32((t.data.size() + 3) & ~qsizetype(3));
    }
    for (const Entry& t : tables) {
        if (std::memcmp(t.tag, "head", 4) == 0)
            headAt = out.size();
        out.append(t.data);
        while (out.size() % 4)
            out.append('\0');
    }
    if (headAt >= 0)
        Put32(out, headAt + 8, 0xB1B0AFBAu - Checksum(out));
    return out;
}

QByteArray FontSubset::ToUnicode() const {
    std::vector<std::pair<quint16, QByteArray>> entries;
    for (size_t g = 1; g < m_unicode.size(); ++g) {
        const QString& u = m_unicode[g];
        if (u.isEmpty())
            continue;
        QByteArray hex;
        for (QChar c : u) {
            char b[2];
            qToBigEndian<quint16>(c.unicode(), b);
            hex.append(QByteArray(b, 2).toHex().toUpper());
        }
        entries.emplace_back(quint16(g), hex);
    }
    QByteArray out =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (size_t i = 0; i < entries.size(); i += 100) {
        const size_t end = std::min(entries.size(), i + 100);
        out += QByteArray::number(qulonglong(end - i)) + " beginbfchar\n";
        for (size_t k = i; k < end; ++k) {
            char b[2];
            qToBigEndian<quint16>(entries[k].first, b);
            out += '<' + QByteArray(b, 2).toHex().toUpper() + "> <" + entries[k].second + ">\n";
        }
        out += "endbfchar\n";
    }
    out += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return out;
}

QByteArray FontSubset::BaseFont() const {
    // Six capitals that differ between subsets of one face in one file.
    quint32 h = 2166136261u;
    for (quint32 g : m_glyphs)
        h = (h ^ g) * 16777619u;
    QByteArray tag(6, 'A');
    for (int i = 0; i < 6; ++i) {
        tag[i] = char('A' + h % 26);
        h /= 26;
    }
    return tag + '+' + m_postScriptName;
}

QByteArray FontSubset::DescriptorEntries() const {
    const QByteArray head = Table("head");
    const QByteArray hhea = Table("hhea");
    const QByteArray post = Table("post");
    const QByteArray os2 = Table("OS/2");
    auto k = [&](int v) { return QByteArray::number(qint64(v) * 1000 / m_unitsPerEm); };
    const int ascent = S16(hhea, 4), descent = S16(hhea, 6);
    const int capHeight = (os2.size() >= 90 && U16(os2, 0) >= 2) ? S16(os2, 88) : ascent;
    const double italicAngle = post.size() >= 8 ? qint32(U32(post, 4)) / 65536.0 : 0.0;
    QByteArray out = "/Flags 4 /FontBBox [" + k(S16(head, 36)) + ' ' + k(S16(head, 38)) + ' ' +
                     k(S16(head, 40)) + ' ' + k(S16(head, 42)) + "] /ItalicAngle ";
    AppendNumber(out, italicAngle);
    out += " /Ascent " + k(ascent) + " /Descent " + k(descent) + " /CapHeight " + k(capHeight) +
           " /StemV 80";
    return out;
}

QByteArray FontSubset::WidthsArray() const {
    QByteArray out = "[0 [";
    for (size_t g = 0; g < m_widths.size(); ++g) {
        if (g)
            out += ' ';
        out += QByteArray::number(m_widths[g]);
    }
    return out + "]]";
}

} // namespace frxpdf
