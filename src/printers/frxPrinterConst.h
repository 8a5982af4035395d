#pragma once
// The printer constants the report model shares with the printer list: page orientation and
// the paper and bin codes with a meaning of their own.

#include <QObject>

namespace frxPrinter {
Q_NAMESPACE
enum TPrinterOrientation { poPortrait, poLandscape };
Q_ENUM_NS(TPrinterOrientation)
} // namespace frxPrinter
using frxPrinter::poLandscape;
using frxPrinter::poPortrait;
using frxPrinter::TPrinterOrientation;

constexpr int DMPAPER_A4 = 9;
constexpr int DMPAPER_USER = 256; // custom size; never in the paper table
constexpr int DMBIN_AUTO = 7;     // automatic paper source
