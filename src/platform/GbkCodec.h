#pragma once
// The one place where 8-bit GBK text (the program's own texts, the settings file, grid cells)
// and UTF-16 text (QString) meet.

#include <QByteArray>
#include <QString>

namespace platform {

// GBK bytes to text. Bytes that are not valid GBK become U+FFFD.
QString FromGbk(const QByteArray& bytes);
QString FromGbk(const char* bytes, qsizetype size);

// Text to GBK bytes. Characters GBK cannot hold become "?", as the old platform's
// best-fit conversion did.
QByteArray ToGbk(const QString& text);

// Convenience for source literals, which are UTF-8: the GBK bytes of a UTF-8 literal.
QByteArray Gbk(const char* utf8);

} // namespace platform
