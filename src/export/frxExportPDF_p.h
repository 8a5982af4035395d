#pragma once
// The PDF file behind the PDF export filter: a writer that streams pages to a device as they are
// finished, a canvas that draws on the current page in device pixels, and TrueType subsets of
// the faces used, each glyph mapped back to the characters drawn with it (so text can be
// searched and copied).

#include "platform/Canvas.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QList>
#include <QPoint>
#include <QRawFont>
#include <QSizeF>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace frxpdf {

// One face embedded as a subset: glyphs get new numbers (0 stays .notdef) in the order they are
// first drawn; the PDF text uses the new numbers as two-byte codes.
class FontSubset {
public:
    explicit FontSubset(const QRawFont& face);

    // False when the face has no TrueType outlines to subset (its glyphs are then drawn as
    // paths by the canvas).
    bool Usable() const { return m_usable; }
    // Whether the face file itself is bold / italic (a bold or italic request on a face without
    // such a style is drawn synthetically).
    bool FaceBold() const { return m_faceBold; }
    bool FaceItalic() const { return m_faceItalic; }
    int UnitsPerEm() const { return m_unitsPerEm; }

    // The subset's number for a glyph of the face; `text` (UTF-16) is what the glyph shows.
    quint16 Map(quint32 glyph, QStringView text);
    // Advance of a subset glyph in thousandths of the em.
    int Width1000(quint16 subsetGlyph) const { return m_widths[subsetGlyph]; }

    // The TrueType font file of the subset.
    QByteArray FontFile() const;
    // The ToUnicode CMap.
    QByteArray ToUnicode() const;
    // "ABCDEF+Name": the tag depends on the glyphs in the subset.
    QByteArray BaseFont() const;
    // Font descriptor values in thousandths of the em.
    QByteArray DescriptorEntries() const;
    // The /W array of the descendant font.
    QByteArray WidthsArray() const;

private:
    // A table of the face: read in place from the face's file when it could be mapped (the
    // outlines of a Song face are megabytes), otherwise a copy from the font engine.
    QByteArray Table(const char* tag) const;
    bool MapFile();
    int AdvanceOf(quint32 glyph) const;
    QByteArray GlyphData(const QByteArray& glyf, quint32 glyph) const;

    QRawFont m_face;
    std::unique_ptr<QFile> m_file;
    const uchar* m_fileData = nullptr;
    qint64 m_fileSize = 0;
    qint64 m_directory = -1; // the face's table directory in the file
    bool m_usable = false;
    bool m_faceBold = false;
    bool m_faceItalic = false;
    int m_unitsPerEm = 1000;
    bool m_longLoca = false;
    int m_numGlyphs = 0;
    int m_numHMetrics = 0;
    QByteArray m_loca, m_hmtx;
    QByteArray m_postScriptName;
    QHash<quint32, quint16> m_map;   // face glyph -> subset glyph
    std::vector<quint32> m_glyphs;   // subset glyph -> face glyph
    std::vector<int> m_widths;       // subset glyph -> advance, 1/1000 em
    std::vector<QString> m_unicode;  // subset glyph -> text
};

class Deflater;

// A PDF document written page by page: content streams go to the device when their page ends;
// the fonts, the page tree and the cross-reference table follow at the end.
class Writer {
public:
    explicit Writer(QIODevice* device);
    ~Writer();

    void SetInfo(const QString& title, const QString& author, const QString& subject,
                 const QString& creator);
    // A page of `sizePt` points (width, height); drawing units are device pixels of
    // `resolution` dots per inch, origin at the top left or `originDots` from it.
    void BeginPage(QSizeF sizePt, int resolution, QPoint originDots = QPoint());
    // The current page's content stream.
    QByteArray& Content() { return m_content; }
    void EndPage();
    // Writes the rest of the file; false when the device failed at any point.
    bool Finish();
    bool Failed() const { return m_failed; }

    // The resource name ("F3") of a face, made on first use; null when it cannot be embedded.
    struct FontRef {
        QByteArray name;
        FontSubset* subset = nullptr;
        bool known = false; // looked up (a face that cannot be embedded has no subset)
    };
    FontRef Font(const QRawFont& face);
    // The resource name ("Im2") of a picture, written on first use (the same picture once).
    QByteArray Image(const QImage& image);

private:
    int NewObject();
    void StartObject(int number);
    void Write(const QByteArray& bytes);
    void WriteStream(int number, const QByteArray& data, const QByteArray& extraDict = {});

    QIODevice* m_device;
    std::unique_ptr<Deflater> m_deflater;
    QByteArray m_packed; // the last stream deflated (its buffer is reused)
    qint64 m_pos = 0;
    bool m_failed = false;
    std::vector<qint64> m_offsets; // object number -> file offset (index 0 unused)
    int m_catalog = 0, m_pages = 0, m_resources = 0;
    QList<int> m_pageObjects;
    QByteArray m_content;
    QSizeF m_pageSize;
    int m_resolution = 600;
    bool m_inPage = false;
    QByteArray m_info;

    struct EmbeddedFont {
        QByteArray name;
        int object = 0; // the Type0 font
        std::unique_ptr<FontSubset> subset;
    };
    std::vector<EmbeddedFont> m_fonts;
    QHash<qint64, QByteArray> m_imageNames; // picture's cache key -> resource name
    QByteArray m_images;                    // the XObject entries of the resources
    QHash<QString, int> m_fontIndex; // face key -> index into m_fonts, -1 not embeddable
};

// The canvas over a Writer's current page: device pixels at the writer's resolution, y down.
// It counts as a printer canvas.
class Canvas final : public platform::Canvas {
public:
    Canvas(Writer& writer, int resolution);

    int DpiX() const override { return m_resolution; }
    int DpiY() const override { return m_resolution; }
    bool IsPrinter() const override { return true; }

    void FillRect(const platform::Rect& r) override;
    void Rectangle(const platform::Rect& r) override;
    void DrawLine(QPoint from, QPoint to) override;

    void SaveClip() override;
    void IntersectClip(const platform::Rect& r) override;
    void RestoreClip() override;
    platform::Rect ClipBox() const override;

    platform::Rect DrawText(const platform::Rect& r, const QString& text, unsigned flags) override;
    void ExtTextOut(int x, int y, QStringView text, const int* advances,
                    const platform::Rect* clip, bool rtl) override;
    void DrawImage(const platform::Rect& r, const QImage& image) override;

    // A new page starts with no clip and no graphics state of the last one.
    void PageStarted();

private:
    QByteArray& Out() { return m_writer.Content(); }
    void SetFill(const QColor& c);
    void SetStroke(const QColor& c);
    void SetLineWidth(int w);
    void SetDash(platform::PenStyle style, int width);
    void PushClip(const platform::Rect& r);
    void PopClip();
    void ResetState();
    void DrawGlyphPath(const QRawFont& face, quint32 glyph, qreal x, qreal baseline);

    // The embedded font of each face of a realised font, by face index; the faces are kept
    // alive so their addresses stay theirs.
    const Writer::FontRef& FontOf(int faceIndex);
    QHash<const platform::FontFace*, std::vector<Writer::FontRef>> m_fonts;
    std::vector<platform::FontFacePtr> m_faces;

    Writer& m_writer;
    int m_resolution;
    // Graphics state of the content stream; the clip lives in nested q/Q pairs.
    QColor m_fill, m_stroke;
    int m_lineWidth = -1;
    int m_dash = -1;
    struct ClipState {
        bool clipped;
        platform::Rect rect;
        int depth; // q/Q nesting when it was saved
    };
    bool m_clipped = false;
    platform::Rect m_clip;
    std::vector<ClipState> m_clipStack;
    int m_qDepth = 0;
    std::vector<int> m_advances;
    std::string m_run; // the glyph codes of a text run being written
};

// Writes numbers the way PDF content wants them: integers plain, others with up to three
// decimals, no exponent.
void AppendNumber(QByteArray& out, double v);
void AppendNumber(QByteArray& out, int v);

} // namespace frxpdf
