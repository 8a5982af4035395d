#pragma once
// How report values become text: printf-style formats ("%2.2f", "%d", "%s"), picture formats
// for numbers ("#,##0.00") and date-time patterns ("dd.mm.yyyy hh:nn"). Used by the text
// objects' display formats and by the script functions Format, FormatFloat, FormatDateTime.
// A format that does not fit its argument throws frx::ScriptError.

#include "report/frxVariant.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace frx {

// "%" [index ":"] ["-"] [width] ["." precision] type, with the types d u e f g n m s x p;
// "*" takes a width or precision from the arguments; "%%" is a percent sign. Numbers use
// `decimal` as their decimal separator and the locale's group separator for "n" and "m".
QString FormatText(const QString& format, const QList<Variant>& args, QChar decimal);

// Picture formatting of a number: "0" a digit always shown, "#" a digit shown when needed, "."
// the decimal point, "," anywhere before it groups thousands, "E+0" or "E-0" an exponent,
// quoted text as it stands; up to three sections for positive;negative;zero values.
QString FormatFloatPicture(const QString& picture, double value, QChar decimal, QChar thousand);

// Date-time patterns: d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes after h), yy yyyy,
// h hh, n nn, s ss, z zzz, t tt, c, am/pm, a/p, ampm, "/" and ":" separators, quoted text.
QString FormatDateTimeText(const QString& format, const QDateTime& dt);

} // namespace frx
