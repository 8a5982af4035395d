#include "resources/frxResImages.h"

#include <QFile>
#include <QImage>

#include <zlib.h>

static void InitResources() { Q_INIT_RESOURCE(frxResources); }

bool frxGunzip(const QByteArray& packed, QByteArray& out) {
    out.clear();
    z_stream z{};
    // 16 + MAX_WBITS: a gzip header and trailer around the deflate data.
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    z.avail_in = static_cast<uInt>(packed.size());
    char chunk[16384];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        out.append(chunk, static_cast<qsizetype>(sizeof chunk - z.avail_out));
        // No progress with input left means the stream ends early.
        if (rc == Z_OK && z.avail_in == 0 && z.avail_out != 0)
            break;
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) {
        out.clear();
        return false;
    }
    return true;
}

namespace {

QList<QPixmap> LoadStrip() {
    InitResources();
    QList<QPixmap> images;
    QFile file(QStringLiteral(":/frx/PreviewButtons"));
    if (!file.open(QIODevice::ReadOnly))
        return images;
    QByteArray bitmap;
    if (!frxGunzip(file.readAll(), bitmap))
        return images;
    QImage strip;
    if (!strip.loadFromData(bitmap, "BMP") || strip.height() != frxImageSize)
        return images;
    // Pure magenta is the strip's transparent colour.
    strip = strip.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < strip.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < strip.width(); ++x)
            if ((line[x] & 0xFFFFFFu) == 0xFF00FFu)
                line[x] = 0;
    }
    for (int x = 0; x + frxImageSize <= strip.width(); x += frxImageSize)
        images.append(QPixmap::fromImage(strip.copy(x, 0, frxImageSize, frxImageSize)));
    return images;
}

} // namespace

const QList<QPixmap>& frxPreviewButtonImages() {
    static const QList<QPixmap> images = LoadStrip();
    return images;
}

QIcon frxPreviewButtonIcon(int index) {
    const QList<QPixmap>& images = frxPreviewButtonImages();
    if (index < 0 || index >= images.size())
        return QIcon();
    const QPixmap& small = images[index];
    QIcon icon(small);
    QPixmap doubled = small.scaled(small.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    doubled.setDevicePixelRatio(2);
    icon.addPixmap(doubled);
    return icon;
}
