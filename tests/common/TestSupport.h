#pragma once
// Small helpers shared by the tests.

#include "platform/GbkCodec.h"

#include <QByteArray>
#include <QString>

#include <ostream>

// Lets gtest print QString and QByteArray values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << "GBK\"" << platform::FromGbk(b).toStdString() << '"';
}
