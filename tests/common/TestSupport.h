#pragma once
// Small helpers shared by the tests.

#include "platform/GbkCodec.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <ostream>

// Lets gtest print QString and QByteArray values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << "GBK\"" << platform::FromGbk(b).toStdString() << '"';
}

// The whole content of a file; empty when it cannot be read.
inline QByteArray ReadFileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces a file's content; false when it cannot be written.
inline bool WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
