#include "platform/CanvasFont.h"

#include <QHash>
#include <QRawFont>
#include <QtEndian>
#include <QPointF>
#include <QStringList>

#include <cmath>

namespace platform {

namespace {

// Whether the face drawn for `font` carries hand-tuned bitmaps at `ppem` pixels. Song faces do
// at the small sizes; the screen draws those, not smoothed outlines, so Chinese text stays crisp.
bool HasBitmapStrike(const QFont& font, int ppem) {
    // A strike's size is one byte: larger sizes never have one (and are not worth a lookup).
    if (ppem <= 0 || ppem > 255)
        return false;
    static QHash<QString, bool> cache; // the user-interface thread only
    const QString key = font.family() + QLatin1Char('/') + QString::number(ppem) +
                        (font.bold() ? QLatin1Char('b') : QLatin1Char('r'));
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    bool found = false;
    const QByteArray eblc = QRawFont::fromFont(font).fontTable("EBLC");
    if (eblc.size() >= 8) {
        const auto* d = reinterpret_cast<const uchar*>(eblc.constData());
        const quint32 count = qFromBigEndian<quint32>(d + 4);
        // Each size record is 48 bytes; its horizontal and vertical ppem are bytes 44 and 45.
        for (quint32 i = 0; i < count && 8 + qsizetype(i + 1) * 48 <= eblc.size(); ++i)
            if (d[8 + i * 48 + 44] == ppem && d[8 + i * 48 + 45] == ppem)
                found = true;
    }
    cache.insert(key, found);
    return found;
}

} // namespace

QFont CanvasFont::ToQFont() const {
    QFont f(Name);
    const int ppem = std::max(1, Height);
    f.setPixelSize(ppem);
    f.setBold(Bold);
    f.setItalic(Italic);
    f.setUnderline(Underline);
    f.setStrikeOut(StrikeOut);
    if (HasBitmapStrike(f, ppem))
        f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

namespace {

struct FaceCache {
    QHash<QString, FontFacePtr> faces;
};

FaceCache& Cache() {
    static FaceCache cache;
    return cache;
}

// Faces tried, in order, for characters the named font lacks: the substitutes registered for
// the name, then a Song face for Chinese, then DejaVu for everything else.
QStringList FallbackFamilies(const QString& name, const QString& primaryFamily) {
    QStringList out;
    auto add = [&](const QString& f) {
        if (!f.isEmpty() && f.compare(primaryFamily, Qt::CaseInsensitive) != 0 &&
            !out.contains(f, Qt::CaseInsensitive))
            out.append(f);
    };
    for (const QString& f : QFont::substitutes(name))
        add(f);
    add(QStringLiteral("AR PL UMing CN"));
    add(QStringLiteral("Noto Sans CJK SC"));
    add(QStringLiteral("DejaVu Sans"));
    return out;
}

bool IsControl(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
}

int RoundHalfEven(qreal v) {
    return static_cast<int>(std::nearbyint(v));
}

} // namespace

FontFacePtr FontFace::Get(const QString& name, int pixelHeight, bool bold, bool italic) {
    pixelHeight = std::max(1, pixelHeight);
    QString key = name;
    key += QLatin1Char('|');
    key += QString::number(pixelHeight);
    key += bold ? QLatin1Char('b') : QLatin1Char('-');
    key += italic ? QLatin1Char('i') : QLatin1Char('-');
    FaceCache& cache = Cache();
    auto it = cache.faces.constFind(key);
    if (it != cache.faces.constEnd())
        return *it;
    // Zooming creates a face per pixel height; holders keep theirs alive, so dropping the whole
    // table now and then costs only re-measuring.
    if (cache.faces.size() > 200)
        cache.faces.clear();
    FontFacePtr face(new FontFace(name, pixelHeight, bold, italic));
    cache.faces.insert(key, face);
    return face;
}

QRawFont FontFace::MakeRaw(const QString& family, QFont::HintingPreference hinting) const {
    QFont f(family);
    f.setPixelSize(m_pixelHeight);
    f.setBold(m_bold);
    f.setItalic(m_italic);
    f.setHintingPreference(hinting);
    f.setStyleStrategy(QFont::PreferOutline);
    return QRawFont::fromFont(f);
}

FontFace::FontFace(const QString& name, int pixelHeight, bool bold, bool italic)
    : m_name(name), m_pixelHeight(pixelHeight), m_bold(bold), m_italic(italic) {
    QRawFont primary = MakeRaw(name, QFont::PreferNoHinting);
    m_faces.push_back(primary);
    m_drawFaces.push_back(QRawFont());
    m_ascent = RoundHalfEven(primary.ascent());
    m_descent = RoundHalfEven(primary.descent());
    const QStringList fallbacks = FallbackFamilies(name, primary.familyName());
    m_fallbackFamilies.assign(fallbacks.begin(), fallbacks.end());
    m_fallbackSlot.assign(m_fallbackFamilies.size(), -1);
    m_fallbackTried.assign(m_fallbackFamilies.size(), false);
}

FontFace::Glyph FontFace::Resolve(char32_t cp) const {
    if (IsControl(cp))
        return Glyph{};
    auto fromFace = [&](int faceIndex) {
        const QRawFont& raw = m_faces[faceIndex];
        QChar chars[2];
        int n = 1;
        if (QChar::requiresSurrogates(cp)) {
            chars[0] = QChar(QChar::highSurrogate(cp));
            chars[1] = QChar(QChar::lowSurrogate(cp));
            n = 2;
        } else {
            chars[0] = QChar(static_cast<char16_t>(cp));
        }
        quint32 index = 0;
        int numGlyphs = 1;
        raw.glyphIndexesForChars(chars, n, &index, &numGlyphs);
        // Measured at the em size, where advances are whole design units, then scaled: the
        // engine's own fixed-point advances at small sizes would round ties differently.
        const QRawFont& design = DesignFace(faceIndex);
        QPointF advance;
        design.advancesForGlyphIndexes(&index, &advance, 1, QRawFont::UseDesignMetrics);
        const qreal em = design.pixelSize();
        return Glyph{index, RoundHalfEven(advance.x() * m_pixelHeight / em), faceIndex};
    };
    if (m_faces[0].supportsCharacter(static_cast<uint>(cp)))
        return fromFace(0);
    for (size_t k = 0; k < m_fallbackFamilies.size(); ++k) {
        if (!m_fallbackTried[k]) {
            m_fallbackTried[k] = true;
            QRawFont raw = MakeRaw(m_fallbackFamilies[k], QFont::PreferNoHinting);
            if (raw.isValid()) {
                m_fallbackSlot[k] = static_cast<int>(m_faces.size());
                m_faces.push_back(raw);
                m_drawFaces.push_back(QRawFont());
            }
        }
        const int slot = m_fallbackSlot[k];
        if (slot >= 0 && m_faces[slot].supportsCharacter(static_cast<uint>(cp)))
            return fromFace(slot);
    }
    // No installed face has it: the primary face's missing-glyph box, as the old platform drew.
    return fromFace(0);
}

const FontFace::Glyph& FontFace::GlyphFor(char32_t cp) const {
    if (cp < 0x10000) {
        std::unique_ptr<Page>& page = m_bmp[cp >> 8];
        if (!page)
            page = std::make_unique<Page>();
        const unsigned slot = cp & 0xFF;
        if (!page->known[slot]) {
            page->glyphs[slot] = Resolve(cp);
            page->known[slot] = true;
        }
        return page->glyphs[slot];
    }
    auto it = m_astral.find(cp);
    if (it == m_astral.end())
        it = m_astral.emplace(cp, Resolve(cp)).first;
    return it->second;
}

void FontFace::Advances(QStringView text, int* out) const {
    const qsizetype n = text.size();
    const QChar* s = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t cp = s[i].unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < n && s[i + 1].isLowSurrogate()) {
            out[i] = GlyphFor(QChar::surrogateToUcs4(s[i], s[i + 1])).Advance;
            out[++i] = 0;
            continue;
        }
        out[i] = GlyphFor(cp).Advance;
    }
}

int FontFace::TextWidth(QStringView text) const {
    int total = 0;
    const qsizetype n = text.size();
    const QChar* s = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t cp = s[i].unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < n && s[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        }
        total += GlyphFor(cp).Advance;
    }
    return total;
}

const QRawFont& FontFace::DesignFace(int index) const {
    if (m_designFaces.size() < m_faces.size())
        m_designFaces.resize(m_faces.size());
    QRawFont& design = m_designFaces[index];
    if (!design.isValid()) {
        design = m_faces[index];
        design.setPixelSize(std::max<qreal>(16, m_faces[index].unitsPerEm()));
    }
    return design;
}

const QRawFont& FontFace::DrawFace(int index) const {
    QRawFont& draw = m_drawFaces[index];
    if (!draw.isValid()) {
        // Drawn with vertical hinting only: stems sit on whole pixels vertically, while the
        // horizontal positions stay those the caller gives.
        QFont f(m_faces[index].familyName());
        f.setPixelSize(m_pixelHeight);
        f.setBold(m_bold);
        f.setItalic(m_italic);
        f.setHintingPreference(QFont::PreferVerticalHinting);
        draw = QRawFont::fromFont(f);
        if (!draw.isValid() || draw.familyName() != m_faces[index].familyName() ||
            draw.styleName() != m_faces[index].styleName())
            draw = m_faces[index];
    }
    return draw;
}

} // namespace platform
