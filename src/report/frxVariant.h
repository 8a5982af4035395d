#pragma once
// The report engine's value: empty, Null, integer, float, boolean, date-time or string.
// Empty (nothing assigned: a value callback that did not answer) and Null (an unknown or
// missing value, shown as empty text) are different states and stay different.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <cstdint>

class Variant {
public:
    enum class Type { Empty, Null, Integer, Float, Boolean, DateTime, String };

    Variant() = default; // empty
    Variant(int v) : m_type(Type::Integer), m_int(v) {}
    Variant(std::int64_t v) : m_type(Type::Integer), m_int(v) {}
    Variant(long long v) : m_type(Type::Integer), m_int(static_cast<std::int64_t>(v)) {}
    Variant(double v) : m_type(Type::Float), m_float(v) {}
    Variant(bool v) : m_type(Type::Boolean), m_bool(v) {}
    Variant(const QString& v) : m_type(Type::String), m_string(v) {}
    Variant(QString&& v) : m_type(Type::String), m_string(std::move(v)) {}
    Variant(const QDateTime& v);
    Variant(const QDate& v);
    Variant(const QTime& v);
    // A pointer would silently become a boolean; say QStringLiteral or QString::fromUtf8.
    Variant(const char*) = delete;

    static Variant Null() {
        Variant v;
        v.m_type = Type::Null;
        return v;
    }
    // A date-time as a day count from 1899-12-30 with the time of day as the fraction
    // (the form date arithmetic in expressions works on: Date + 1 is tomorrow).
    static Variant FromDays(double days) {
        Variant v;
        v.m_type = Type::DateTime;
        v.m_float = days;
        return v;
    }

    Type type() const { return m_type; }
    bool IsEmpty() const { return m_type == Type::Empty; }
    bool IsNull() const { return m_type == Type::Null; }
    // Empty or Null: no value at all.
    bool IsBlank() const { return m_type == Type::Empty || m_type == Type::Null; }
    bool IsString() const { return m_type == Type::String; }
    bool IsInteger() const { return m_type == Type::Integer; }
    bool IsFloat() const { return m_type == Type::Float; }
    bool IsBoolean() const { return m_type == Type::Boolean; }
    bool IsDateTime() const { return m_type == Type::DateTime; }
    // Integer, float or date-time.
    bool IsNumeric() const {
        return m_type == Type::Integer || m_type == Type::Float || m_type == Type::DateTime;
    }

    // Raw access; meaningful only for the matching type.
    std::int64_t IntValue() const { return m_int; }
    double FloatValue() const { return m_float; } // also the day count of a date-time
    bool BoolValue() const { return m_bool; }
    const QString& StringValue() const { return m_string; }

    // Conversions. The Try forms report failure (a string that is not a number, Null where a
    // number is needed); blank values convert to 0, false and empty text.
    bool TryToFloat(double& out) const;
    bool TryToInt(std::int64_t& out) const;
    bool TryToBool(bool& out) const;
    bool TryToDays(double& out) const;
    double ToFloat(double fallback = 0) const;
    std::int64_t ToInt(std::int64_t fallback = 0) const;
    bool ToBool(bool fallback = false) const;
    QDateTime ToDateTime() const; // invalid when the value is no date-time and no number

    // The plain text of the value: empty and Null give empty text, integers in decimal, floats
    // with up to 15 significant digits and the locale's decimal separator, booleans "True" and
    // "False", date-times in the locale's short date (and time when there is one).
    QString ToString() const;

    // The name of the type, for messages: "Empty", "Null", "Integer", ...
    static QString TypeName(Type t);

    // Same type and same content (no conversion): 1 and 1.0 differ, empty and Null differ.
    bool operator==(const Variant& o) const;
    bool operator!=(const Variant& o) const { return !(*this == o); }

private:
    Type m_type = Type::Empty;
    std::int64_t m_int = 0;
    double m_float = 0;
    bool m_bool = false;
    QString m_string;
};

namespace frx {

// Date-time <-> day count from 1899-12-30; negative counts keep the date in the integral part
// and the time of day in the absolute value of the fraction.
double DateTimeToDays(const QDateTime& dt);
QDateTime DaysToDateTime(double days);

// Text of a float as the engine shows it: up to `precision` significant digits, no trailing
// zeros, exponent written as E+n or E-n only when the number needs it, `decimal` as separator.
QString FloatToText(double v, QChar decimal, int precision = 15);

// A decimal number typed by a user or written in a variable: the locale's separator or a full
// stop; blanks around it are allowed. Integers come back through `isInteger`.
bool TextToNumber(const QString& s, double& out, bool* isInteger = nullptr,
                  std::int64_t* intOut = nullptr);

} // namespace frx
