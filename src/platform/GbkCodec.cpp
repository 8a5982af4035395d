#include "platform/GbkCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace platform {

QString FromGbk(const char* bytes, qsizetype size) {
    // A fresh decoder per call: the converters keep state between calls.
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    Q_ASSERT(decoder.isValid());
    return decoder.decode(QByteArrayView(bytes, size));
}

QString FromGbk(const QByteArray& bytes) { return FromGbk(bytes.constData(), bytes.size()); }

QByteArray ToGbk(const QString& text) {
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    Q_ASSERT(encoder.isValid());
    QByteArray out = encoder.encode(text);
    return out;
}

QByteArray Gbk(const char* utf8) { return ToGbk(QString::fromUtf8(utf8)); }

} // namespace platform
