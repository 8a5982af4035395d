// The PDF file: objects written as they are ready, each page's content compressed and written
// when the page ends, so memory stays flat however many pages a report has; the fonts, the page
// tree, the document information and the cross-reference table come last.

#include "export/frxExportPDF_p.h"

#include <QDateTime>
#include <QRawFont>

#include <zlib.h>

#include <charconv>
#include <cmath>

namespace frxpdf {

namespace {

// Deflate level of the streams: page content is small and repetitive; level 3 deflates it two
// and a half times faster than the default level for a tenth more bytes.
constexpr int kDeflateLevel = 3;

} // namespace

// One deflate state for all streams of a file, reset between them: a fresh state for every page
// costs more than compressing the page (a quarter of a megabyte allocated, cleared and freed).
// The output is that of a fresh state.
class Deflater {
public:
    Deflater() { m_ok = deflateInit(&m_z, kDeflateLevel) == Z_OK; }
    ~Deflater() {
        if (m_ok)
            deflateEnd(&m_z);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // The deflated data in `out`; false when deflating failed.
    bool Deflate(const QByteArray& data, QByteArray& out) {
        if (!m_ok || deflateReset(&m_z) != Z_OK)
            return false;
        out.resize(qsizetype(deflateBound(&m_z, uLong(data.size()))));
        m_z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
        m_z.avail_in = uInt(data.size());
        m_z.next_out = reinterpret_cast<Bytef*>(out.data());
        m_z.avail_out = uInt(out.size());
        if (deflate(&m_z, Z_FINISH) != Z_STREAM_END)
            return false;
        out.resize(qsizetype(m_z.total_out));
        return true;
    }

private:
    z_stream m_z{};
    bool m_ok = false;
};

namespace {

// A text string of the document information: UTF-16 with its byte order mark, in hex.
QByteArray TextString(const QString& text) {
    QByteArray bytes("\xFE\xFF", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xFF));
    }
    return '<' + bytes.toHex().toUpper() + '>';
}

} // namespace

void AppendNumber(QByteArray& out, int v) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr - buf);
}

void AppendNumber(QByteArray& out, double v) {
    // Thousandths at most; integers plain.
    const long long m = std::llround(v * 1000.0);
    char buf[32];
    char* p = buf;
    unsigned long long a = m < 0 ? 0ull - static_cast<unsigned long long>(m) : m;
    if (m < 0)
        *p++ = '-';
    p = std::to_chars(p, buf + sizeof buf, a / 1000).ptr;
    if (unsigned frac = unsigned(a % 1000)) {
        *p++ = '.';
        const char digits[3] = {char('0' + frac / 100), char('0' + frac / 10 % 10),
                                char('0' + frac % 10)};
        int n = 3;
        while (digits[n - 1] == '0')
            --n;
        for (int i = 0; i < n; ++i)
            *p++ = digits[i];
    }
    out.append(buf, p - buf);
}

Writer::Writer(QIODevice* device) : m_device(device), m_deflater(std::make_unique<Deflater>()) {
    m_offsets.push_back(0);
    Write(QByteArray("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"));
    m_catalog = NewObject();
    m_pages = NewObject();
    m_resources = NewObject();
}

Writer::~Writer() = default;

int Writer::NewObject() {
    m_offsets.push_back(-1);
    return int(m_offsets.size()) - 1;
}

void Writer::StartObject(int number) {
    m_offsets[size_t(number)] = m_pos;
    Write(QByteArray::number(number) + " 0 obj\n");
}

void Writer::Write(const QByteArray& bytes) {
    if (m_failed)
        return;
    if (m_device->write(bytes) != bytes.size()) {
        m_failed = true;
        return;
    }
    m_pos += bytes.size();
}

void Writer::WriteStream(int number, const QByteArray& data, const QByteArray& extraDict) {
    QByteArray& packed = m_packed;
    const bool deflated = m_deflater->Deflate(data, packed);
    StartObject(number);
    if (!deflated) {
        Write("<< /Length " + QByteArray::number(data.size()) + extraDict + " >>\nstream\n");
        Write(data);
    } else {
        Write("<< /Length " + QByteArray::number(packed.size()) + " /Filter /FlateDecode" +
              extraDict + " >>\nstream\n");
        Write(packed);
    }
    Write("\nendstream\nendobj\n");
}

void Writer::SetInfo(const QString& title, const QString& author, const QString& subject,
                     const QString& creator) {
    m_info.clear();
    if (!title.isEmpty())
        m_info += " /Title " + TextString(title);
    if (!author.isEmpty())
        m_info += " /Author " + TextString(author);
    if (!subject.isEmpty())
        m_info += " /Subject " + TextString(subject);
    if (!creator.isEmpty())
        m_info += " /Creator " + TextString(creator);
}

void Writer::BeginPage(QSizeF sizePt, int resolution, QPoint originDots) {
    if (m_inPage)
        EndPage();
    m_inPage = true;
    m_pageSize = sizePt;
    m_resolution = resolution;
    m_content.clear();
    // Device pixels, y down, origin at the top left (or `originDots` from it).
    const double s = 72.0 / resolution;
    AppendNumber(m_content, s);
    m_content += " 0 0 ";
    AppendNumber(m_content, -s);
    m_content += ' ';
    AppendNumber(m_content, originDots.x() * s);
    m_content += ' ';
    AppendNumber(m_content, sizePt.height() - originDots.y() * s);
    m_content += " cm\n";
}

void Writer::EndPage() {
    if (!m_inPage)
        return;
    m_inPage = false;
    const int content = NewObject();
    WriteStream(content, m_content);
    m_content.clear();
    const int page = NewObject();
    StartObject(page);
    QByteArray dict = "<< /Type /Page /Parent " + QByteArray::number(m_pages) +
                      " 0 R /MediaBox [0 0 ";
    AppendNumber(dict, m_pageSize.width());
    dict += ' ';
    AppendNumber(dict, m_pageSize.height());
    dict += "] /Resources " + QByteArray::number(m_resources) + " 0 R /Contents " +
            QByteArray::number(content) + " 0 R >>\nendobj\n";
    Write(dict);
    m_pageObjects.append(page);
}

Writer::FontRef Writer::Font(const QRawFont& face) {
    // One subset per face file, whatever the sizes drawn and the styles asked for.
    const QString key = face.familyName() + QLatin1Char('|') + face.styleName();
    auto it = m_fontIndex.constFind(key);
    int index = it == m_fontIndex.constEnd() ? -2 : *it;
    if (index == -2) {
        auto subset = std::make_unique<FontSubset>(face);
        if (!subset->Usable()) {
            index = -1;
        } else {
            index = int(m_fonts.size());
            EmbeddedFont f;
            f.name = "F" + QByteArray::number(index + 1);
            f.object = NewObject();
            f.subset = std::move(subset);
            m_fonts.push_back(std::move(f));
        }
        m_fontIndex.insert(key, index);
    }
    if (index < 0)
        return FontRef{{}, nullptr, true};
    return FontRef{m_fonts[size_t(index)].name, m_fonts[size_t(index)].subset.get(), true};
}

QByteArray Writer::Image(const QImage& image) {
    const auto known = m_imageNames.constFind(image.cacheKey());
    if (known != m_imageNames.constEnd())
        return *known;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QByteArray pixels;
    pixels.reserve(qsizetype(rgb.width()) * rgb.height() * 3);
    for (int y = 0; y < rgb.height(); ++y)
        pixels.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), qsizetype(rgb.width()) * 3);
    QByteArray mask;
    if (image.hasAlphaChannel()) {
        const QImage alpha = image.convertToFormat(QImage::Format_Alpha8);
        QByteArray bytes;
        for (int y = 0; y < alpha.height(); ++y)
            bytes.append(reinterpret_cast<const char*>(alpha.constScanLine(y)), alpha.width());
        const int maskObject = NewObject();
        WriteStream(maskObject, bytes,
                    " /Type /XObject /Subtype /Image /Width " + QByteArray::number(image.width()) +
                        " /Height " + QByteArray::number(image.height()) +
                        " /ColorSpace /DeviceGray /BitsPerComponent 8");
        mask = " /SMask " + QByteArray::number(maskObject) + " 0 R";
    }
    const int object = NewObject();
    WriteStream(object, pixels,
                " /Type /XObject /Subtype /Image /Width " + QByteArray::number(rgb.width()) +
                    " /Height " + QByteArray::number(rgb.height()) +
                    " /ColorSpace /DeviceRGB /BitsPerComponent 8" + mask);
    const QByteArray name = "Im" + QByteArray::number(m_imageNames.size() + 1);
    m_images += " /" + name + ' ' + QByteArray::number(object) + " 0 R";
    m_imageNames.insert(image.cacheKey(), name);
    return name;
}

bool Writer::Finish() {
    if (m_inPage)
        EndPage();
    if (m_pageObjects.isEmpty()) {
        // A document needs a page: an empty A4 one.
        BeginPage(QSizeF(595.276, 841.89), m_resolution);
        EndPage();
    }

    QByteArray fonts;
    for (const EmbeddedFont& f : m_fonts) {
        const FontSubset& s = *f.subset;
        const QByteArray file = s.FontFile();
        const int fileObject = NewObject();
        WriteStream(fileObject, file, " /Length1 " + QByteArray::number(file.size()));
        const int toUnicode = NewObject();
        WriteStream(toUnicode, s.ToUnicode());
        const QByteArray baseFont = s.BaseFont();
        const int descriptor = NewObject();
        StartObject(descriptor);
        Write("<< /Type /FontDescriptor /FontName /" + baseFont + ' ' + s.DescriptorEntries() +
              " /FontFile2 " + QByteArray::number(fileObject) + " 0 R >>\nendobj\n");
        const int cidFont = NewObject();
        StartObject(cidFont);
        Write("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + baseFont +
              " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
              " /FontDescriptor " +
              QByteArray::number(descriptor) + " 0 R /CIDToGIDMap /Identity /W " +
              s.WidthsArray() + " >>\nendobj\n");
        StartObject(f.object);
        Write("<< /Type /Font /Subtype /Type0 /BaseFont /" + baseFont +
              " /Encoding /Identity-H /DescendantFonts [" + QByteArray::number(cidFont) +
              " 0 R] /ToUnicode " + QByteArray::number(toUnicode) + " 0 R >>\nendobj\n");
        fonts += " /" + f.name + ' ' + QByteArray::number(f.object) + " 0 R";
    }

    StartObject(m_resources);
    Write("<< /ProcSet [/PDF /Text /ImageC] /Font <<" + fonts + " >>" +
          (m_images.isEmpty() ? QByteArray() : " /XObject <<" + m_images + " >>") +
          " >>\nendobj\n");
    StartObject(m_pages);
    QByteArray kids;
    for (int p : std::as_const(m_pageObjects))
        kids += QByteArray::number(p) + " 0 R ";
    Write("<< /Type /Pages /Kids [" + kids + "] /Count " +
          QByteArray::number(m_pageObjects.size()) + " >>\nendobj\n");
    StartObject(m_catalog);
    Write("<< /Type /Catalog /Pages " + QByteArray::number(m_pages) + " 0 R >>\nendobj\n");
    const int info = NewObject();
    StartObject(info);
    const QByteArray now =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    Write("<<" + m_info + " /Producer (Sumdrill) /CreationDate (D:" + now + "Z) >>\nendobj\n");

    const qint64 xref = m_pos;
    QByteArray table = "xref\n0 " + QByteArray::number(qulonglong(m_offsets.size())) +
                       "\n0000000000 65535 f \n";
    for (size_t i = 1; i < m_offsets.size(); ++i) {
        const qint64 at = m_offsets[i];
        table += at < 0 ? QByteArray("0000000000 65535 f \n")
                        : QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
    }
    table += "trailer\n<< /Size " + QByteArray::number(qulonglong(m_offsets.size())) +
             " /Root " + QByteArray::number(m_catalog) + " 0 R /Info " +
             QByteArray::number(info) + " 0 R >>\nstartxref\n" + QByteArray::number(xref) +
             "\n%%EOF\n";
    Write(table);
    return !m_failed;
}

} // namespace frxpdf
