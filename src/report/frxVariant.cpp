#include "report/frxVariant.h"

#include "platform/LocaleInfo.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

const QDate kDayZero(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

} // namespace

namespace frx {

double DateTimeToDays(const QDateTime& dt) {
    if (!dt.isValid())
        return 0;
    const qint64 days = kDayZero.daysTo(dt.date());
    const double frac = dt.time().msecsSinceStartOfDay() / kMsPerDay;
    return days >= 0 ? days + frac : days - frac;
}

QDateTime DaysToDateTime(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 1e8)
        return {};
    double whole = std::trunc(days);
    double frac = std::fabs(days - whole);
    qint64 ms = std::llround(frac * kMsPerDay);
    if (ms >= static_cast<qint64>(kMsPerDay)) { // rounding reached midnight
        ms = 0;
        whole += days >= 0 ? 1 : -1;
    }
    return QDateTime(kDayZero.addDays(static_cast<qint64>(whole)),
                     QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

namespace {

// The significant digits (no trailing zeros) and the decimal exponent of `v` rounded to
// `precision` significant digits.
void RoundedDigits(double v, int precision, QByteArray& digits, int& exp) {
    // The shortest text that reads back as `v` is that rounding whenever it has no more digits
    // than asked for: for a normal double it lies within half a unit in the last place, closer
    // than any other decimal of 15 or fewer digits. Most values take this way; the exact
    // rounding below is slow.
    char buf[40];
    if (precision <= 15 && std::fabs(v) >= std::numeric_limits<double>::min()) {
        const auto r = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(v),
                                     std::chars_format::scientific); // d.ddde+XX
        *r.ptr = '\0';
        const char* e = std::find(buf, r.ptr, 'e');
        digits.clear();
        for (const char* p = buf; p < e; ++p)
            if (*p != '.')
                digits += *p;
        if (digits.size() <= precision) {
            exp = std::atoi(e + 1);
            return;
        }
    }
    const QByteArray sci = QByteArray::number(std::fabs(v), 'e', precision - 1); // d.ddddde+XX
    const qsizetype ePos = sci.indexOf('e');
    exp = sci.mid(ePos + 1).toInt();
    digits = sci.left(ePos);
    digits.replace(".", "");
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
}

} // namespace

QString FloatToText(double v, QChar decimal, int precision) {
    if (std::isnan(v))
        return QStringLiteral("NAN");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (v == 0)
        return QStringLiteral("0");
    QByteArray mant;
    int exp = 0;
    RoundedDigits(v, precision, mant, exp);
    const qsizetype n = mant.size();
    QString out;
    out.reserve(n + 8 + std::abs(exp));
    if (v < 0)
        out += QLatin1Char('-');
    if (exp >= precision || exp < -4) {
        out += QLatin1Char(mant[0]);
        if (n > 1) {
            out += decimal;
            out += QLatin1StringView(mant.constData() + 1, n - 1);
        }
        out += QLatin1Char('E');
        out += exp < 0 ? QLatin1Char('-') : QLatin1Char('+');
        out += QString::number(std::abs(exp));
    } else if (exp < 0) {
        out += QLatin1Char('0');
        out += decimal;
        out += QString(-exp - 1, QLatin1Char('0'));
        out += QLatin1StringView(mant);
    } else if (n <= exp + 1) {
        out += QLatin1StringView(mant);
        out += QString(exp + 1 - n, QLatin1Char('0'));
    } else {
        out += QLatin1StringView(mant.constData(), exp + 1);
        out += decimal;
        out += QLatin1StringView(mant.constData() + exp + 1, n - exp - 1);
    }
    return out;
}

bool TextToNumber(const QString& text, double& out, bool* isInteger, std::int64_t* intOut) {
    QString s = text.trimmed();
    if (s.isEmpty())
        return false;
    const QChar sys = platform::DecimalSeparator();
    if (sys != QLatin1Char('.'))
        s.replace(sys, QLatin1Char('.'));
    // Only plain decimal notation with an optional exponent; no hex, no "inf", no "nan".
    qsizetype i = 0;
    if (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))
        ++i;
    bool digits = false, dot = false, exp = false;
    for (; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits = true;
        } else if (c == QLatin1Char('.') && !dot && !exp) {
            dot = true;
        } else if ((c == QLatin1Char('e') || c == QLatin1Char('E')) && digits && !exp) {
            exp = true;
            digits = false;
            if (i + 1 < s.size() && (s[i + 1] == QLatin1Char('+') || s[i + 1] == QLatin1Char('-')))
                ++i;
        } else {
            return false;
        }
    }
    if (!digits)
        return false;
    bool ok = false;
    if (!dot && !exp) {
        const qlonglong n = s.toLongLong(&ok);
        if (ok) {
            out = static_cast<double>(n);
            if (isInteger)
                *isInteger = true;
            if (intOut)
                *intOut = n;
            return true;
        }
    }
    out = s.toDouble(&ok);
    if (!ok || !std::isfinite(out))
        return false;
    if (isInteger)
        *isInteger = false;
    return true;
}

} // namespace frx

Variant::Variant(const QDateTime& v) : m_type(Type::DateTime), m_float(frx::DateTimeToDays(v)) {}
Variant::Variant(const QDate& v)
    : m_type(Type::DateTime), m_float(v.isValid() ? double(kDayZero.daysTo(v)) : 0.0) {}
Variant::Variant(const QTime& v)
    : m_type(Type::DateTime), m_float(v.isValid() ? v.msecsSinceStartOfDay() / kMsPerDay : 0.0) {}

bool Variant::TryToFloat(double& out) const {
    switch (m_type) {
    case Type::Empty:
    case Type::Null:
        out = 0;
        return true;
    case Type::Integer:
        out = static_cast<double>(m_int);
        return true;
    case Type::Float:
    case Type::DateTime:
        out = m_float;
        return true;
    case Type::Boolean:
        out = m_bool ? -1 : 0; // the platform's true is all bits set
        return true;
    case Type::String:
        return frx::TextToNumber(m_string, out);
    }
    return false;
}

bool Variant::TryToInt(std::int64_t& out) const {
    switch (m_type) {
    case Type::Integer:
        out = m_int;
        return true;
    case Type::String: {
        double d;
        bool isInt = false;
        std::int64_t n = 0;
        if (!frx::TextToNumber(m_string, d, &isInt, &n))
            return false;
        if (isInt) {
            out = n;
            return true;
        }
        if (!(std::fabs(d) < 9.2e18))
            return false;
        out = std::llround(d);
        return true;
    }
    default: {
        double d;
        if (!TryToFloat(d) || !(std::fabs(d) < 9.2e18))
            return false;
        // Banker's rounding, as the platform converts floats to integers.
        out = static_cast<std::int64_t>(std::nearbyint(d));
        return true;
    }
    }
}

bool Variant::TryToBool(bool& out) const {
    switch (m_type) {
    case Type::Boolean:
        out = m_bool;
        return true;
    case Type::String: {
        const QString s = m_string.trimmed();
        if (s.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) {
            out = true;
            return true;
        }
        if (s.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) {
            out = false;
            return true;
        }
        double d;
        if (!frx::TextToNumber(s, d))
            return false;
        out = d != 0;
        return true;
    }
    default: {
        double d;
        if (!TryToFloat(d))
            return false;
        out = d != 0;
        return true;
    }
    }
}

bool Variant::TryToDays(double& out) const {
    if (m_type == Type::String) {
        const QString s = m_string.trimmed();
        QDateTime dt = QLocale::system().toDateTime(s, QLocale::ShortFormat);
        if (!dt.isValid())
            dt = QDateTime::fromString(s, Qt::ISODate);
        if (!dt.isValid()) {
            const QDate d = QLocale::system().toDate(s, QLocale::ShortFormat);
            if (d.isValid())
                dt = QDateTime(d, QTime(0, 0));
        }
        if (!dt.isValid()) {
            const QDate d = QDate::fromString(s, Qt::ISODate);
            if (d.isValid())
                dt = QDateTime(d, QTime(0, 0));
        }
        if (!dt.isValid())
            return TryToFloat(out);
        out = frx::DateTimeToDays(dt);
        return true;
    }
    return TryToFloat(out);
}

double Variant::ToFloat(double fallback) const {
    double d;
    return TryToFloat(d) ? d : fallback;
}

std::int64_t Variant::ToInt(std::int64_t fallback) const {
    std::int64_t n;
    return TryToInt(n) ? n : fallback;
}

bool Variant::ToBool(bool fallback) const {
    bool b;
    return TryToBool(b) ? b : fallback;
}

QDateTime Variant::ToDateTime() const {
    double d;
    if (!TryToDays(d))
        return {};
    return frx::DaysToDateTime(d);
}

QString Variant::ToString() const {
    switch (m_type) {
    case Type::Empty:
    case Type::Null:
        return {};
    case Type::Integer:
        return QString::number(m_int);
    case Type::Float:
        return frx::FloatToText(m_float, platform::DecimalSeparator());
    case Type::Boolean:
        return m_bool ? QStringLiteral("True") : QStringLiteral("False");
    case Type::String:
        return m_string;
    case Type::DateTime: {
        const QDateTime dt = frx::DaysToDateTime(m_float);
        if (!dt.isValid())
            return frx::FloatToText(m_float, platform::DecimalSeparator());
        const QLocale loc = QLocale::system();
        QString s = loc.toString(dt.date(), QLocale::ShortFormat);
        if (dt.time().msecsSinceStartOfDay() != 0)
            s += QLatin1Char(' ') + dt.time().toString(QStringLiteral("hh:mm:ss"));
        return s;
    }
    }
    return {};
}

QString Variant::TypeName(Type t) {
    switch (t) {
    case Type::Empty: return QStringLiteral("Empty");
    case Type::Null: return QStringLiteral("Null");
    case Type::Integer: return QStringLiteral("Integer");
    case Type::Float: return QStringLiteral("Float");
    case Type::Boolean: return QStringLiteral("Boolean");
    case Type::DateTime: return QStringLiteral("DateTime");
    case Type::String: return QStringLiteral("String");
    }
    return {};
}

bool Variant::operator==(const Variant& o) const {
    if (m_type != o.m_type)
        return false;
    switch (m_type) {
    case Type::Empty:
    case Type::Null:
        return true;
    case Type::Integer:
        return m_int == o.m_int;
    case Type::Float:
    case Type::DateTime:
        return m_float == o.m_float || (std::isnan(m_float) && std::isnan(o.m_float));
    case Type::Boolean:
        return m_bool == o.m_bool;
    case Type::String:
        return m_string == o.m_string;
    }
    return false;
}
