#pragma once
// Fonts of the canvas: a font description by name and pixel height, and the realised face that
// measures and draws it. Advances come from the outlines at the requested pixel size with
// hinting off, each rounded to whole device pixels, so a line measures the same on every
// device; characters the named font lacks come from fallback faces (Chinese text in an "Arial"
// object is drawn with a Song face, never as boxes).

#include <QColor>
#include <QFont>
#include <QRawFont>
#include <QString>
#include <QStringView>

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

namespace platform {

struct CanvasFont {
    QString Name = QStringLiteral("Arial");
    int Height = 13; // em height in device pixels (the old platform's negative font height)
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    QColor Color = Qt::black;
    int Charset = 1; // 1 = the default character set

    // The QFont for Qt's own text drawing (formatted text), at the same pixel height.
    QFont ToQFont() const;
    friend bool operator==(const CanvasFont&, const CanvasFont&) = default;
};

class FontFace;
using FontFacePtr = std::shared_ptr<const FontFace>;

// A realised font: name, pixel height, weight and slant. Shared and cached; only the user
// interface thread uses it.
class FontFace {
public:
    // The face for a description (colour, underline and strike-out do not matter here).
    static FontFacePtr Get(const QString& name, int pixelHeight, bool bold, bool italic);
    static FontFacePtr Get(const CanvasFont& font) {
        return Get(font.Name, font.Height, font.Bold, font.Italic);
    }

    struct Glyph {
        quint32 Index = 0; // glyph index within the face it comes from
        int Advance = 0;   // device pixels
        int Face = -1;     // index into Faces(); -1: nothing to draw
    };

    int PixelHeight() const { return m_pixelHeight; }
    // Cell metrics of the primary face, rounded to device pixels.
    int Ascent() const { return m_ascent; }
    int Descent() const { return m_descent; }
    QString FamilyName() const { return m_faces.front().familyName(); }

    const Glyph& GlyphFor(char32_t codePoint) const;
    // One advance per UTF-16 unit; the second unit of a surrogate pair gets 0.
    void Advances(QStringView text, int* out) const;
    int TextWidth(QStringView text) const;

    // The faces glyphs are drawn with: the primary face first, then the fallbacks in the order
    // they were needed.
    const QRawFont& DrawFace(int index) const;
    // The same faces as measured (no hinting); for writers that embed the face file itself.
    const QRawFont& MeasureFace(int index) const { return m_faces[size_t(index)]; }

private:
    FontFace(const QString& name, int pixelHeight, bool bold, bool italic);
    Glyph Resolve(char32_t codePoint) const;
    const QRawFont& DesignFace(int index) const;
    QRawFont MakeRaw(const QString& family, QFont::HintingPreference hinting) const;

    struct Page {
        std::array<Glyph, 256> glyphs;
        std::array<bool, 256> known{};
    };

    QString m_name;
    int m_pixelHeight;
    bool m_bold;
    bool m_italic;
    int m_ascent = 0;
    int m_descent = 0;
    mutable std::vector<QRawFont> m_faces;       // measuring faces (no hinting)
    mutable std::vector<QRawFont> m_drawFaces;   // same faces prepared for drawing
    mutable std::vector<QRawFont> m_designFaces; // same faces at their em size
    mutable std::vector<QString> m_fallbackFamilies;
    mutable std::vector<bool> m_fallbackTried;
    mutable std::vector<int> m_fallbackSlot; // fallback family -> face index, -1 unknown
    mutable std::array<std::unique_ptr<Page>, 256> m_bmp;
    mutable std::unordered_map<char32_t, Glyph> m_astral;
};

} // namespace platform
