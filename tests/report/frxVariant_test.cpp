#include "report/frxVariant.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <random>
#include <string>
#include <vector>

TEST(Variant, EmptyAndNullStayDistinct) {
    Variant empty;
    Variant null = Variant::Null();
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_FALSE(empty.IsNull());
    EXPECT_TRUE(null.IsNull());
    EXPECT_FALSE(null.IsEmpty());
    EXPECT_NE(empty, null);
    EXPECT_EQ(empty.ToString(), QString());
    EXPECT_EQ(null.ToString(), QString());
}

TEST(Variant, EqualityDoesNotConvert) {
    EXPECT_NE(Variant(1), Variant(1.0));
    EXPECT_NE(Variant(QStringLiteral("1")), Variant(1));
    EXPECT_EQ(Variant(QStringLiteral("a")), Variant(QStringLiteral("a")));
    EXPECT_EQ(Variant(true), Variant(true));
}

TEST(Variant, PlainText) {
    struct Row {
        const char* name;
        Variant value;
        QString text;
    } rows[] = {
        {"integer", Variant(-42), QStringLiteral("-42")},
        {"whole float", Variant(3.0), QStringLiteral("3")},
        {"float", Variant(2.5), QStringLiteral("2.5")},
        {"float rounded to 15 digits", Variant(0.1 + 0.2), QStringLiteral("0.3")},
        {"big float", Variant(1e20), QStringLiteral("1E+20")},
        {"small float", Variant(1.5e-7), QStringLiteral("1.5E-7")},
        {"true", Variant(true), QStringLiteral("True")},
        {"false", Variant(false), QStringLiteral("False")},
        {"string with line break", Variant(QStringLiteral("a\r\nb")), QStringLiteral("a\r\nb")},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.value.ToString(), r.text) << r.name;
}

TEST(Variant, NumbersFromText) {
    double d = 0;
    EXPECT_TRUE(Variant(QStringLiteral(" 12.5 ")).TryToFloat(d));
    EXPECT_EQ(d, 12.5);
    EXPECT_FALSE(Variant(QStringLiteral("1+2")).TryToFloat(d));
    EXPECT_FALSE(Variant(QStringLiteral("0x10")).TryToFloat(d));
    EXPECT_FALSE(Variant(QStringLiteral("nan")).TryToFloat(d));
    std::int64_t n = 0;
    EXPECT_TRUE(Variant(QStringLiteral("9007199254740993")).TryToInt(n));
    EXPECT_EQ(n, 9007199254740993LL);
}

TEST(Variant, DateTimeDayCount) {
    const QDateTime dt(QDate(2000, 1, 1), QTime(12, 0));
    Variant v(dt);
    EXPECT_TRUE(v.IsDateTime());
    EXPECT_DOUBLE_EQ(v.FloatValue(), 36526.5);
    EXPECT_EQ(v.ToDateTime(), dt);
    EXPECT_EQ(frx::DaysToDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
}

TEST(Variant, Conversions) {
    struct Row {
        const char* name;
        Variant value;
        bool intOk;
        std::int64_t intValue;
        bool boolOk;
        bool boolValue;
    } rows[] = {
        {"empty is zero and false", Variant(), true, 0, true, false},
        {"Null is zero and false", Variant::Null(), true, 0, true, false},
        {"float rounds half to even", Variant(2.5), true, 2, true, true},
        {"float rounds", Variant(2.6), true, 3, true, true},
        {"true is minus one", Variant(true), true, -1, true, true},
        {"text True", Variant(QStringLiteral(" true ")), false, 0, true, true},
        {"text number", Variant(QStringLiteral("0")), true, 0, true, false},
        {"text with a fraction", Variant(QStringLiteral("1.5")), true, 2, true, true},
        {"text that is no number", Variant(QStringLiteral("abc")), false, 0, false, false},
        {"float beyond 64 bits", Variant(1e30), false, 0, true, true},
    };
    for (const Row& r : rows) {
        std::int64_t n = 0;
        EXPECT_EQ(r.value.TryToInt(n), r.intOk) << r.name;
        if (r.intOk) {
            EXPECT_EQ(n, r.intValue) << r.name;
        }
        bool b = false;
        EXPECT_EQ(r.value.TryToBool(b), r.boolOk) << r.name;
        if (r.boolOk) {
            EXPECT_EQ(b, r.boolValue) << r.name;
        }
    }
}

// Significant digits are those of the value rounded exactly: values whose shortest text is
// longer than the precision, values with a tie at the last digit, and values too small to
// be normal numbers must all come out as rounded, not as their shortest text.
TEST(Variant, FloatTextRoundsToPrecision) {
    struct Row {
        const char* name;
        double value;
        int precision;
        const char* text;
    } rows[] = {
        {"shortest text of 17 digits", 0.1 + 0.2, 15, "0.3"},
        {"smallest subnormal", 5e-324, 15, "4.94065645841247E-324"},
        {"smallest normal", 2.2250738585072014e-308, 15, "2.2250738585072E-308"},
        {"16-digit integer rounds up", 1000000000000005.0, 15, "1.00000000000001E+15"},
        {"15 digits, fraction dropped", 999999999999999.4, 15, "999999999999999"},
        {"rounds up into the next decade", 9999999999999998.0, 15, "1E+16"},
        {"power of ten at the precision", 1e15, 15, "1E+15"},
        {"smallest plain fraction", 0.0001, 15, "0.0001"},
        {"exponent below -4", 0.00001, 15, "1E-5"},
        {"tie rounds away from zero", 1.25, 2, "1.3"},
        {"one digit", 2.5, 1, "3"},
        {"17 digits show the binary value", 0.1, 17, "0.10000000000000001"},
        {"18 digits", 123.456, 18, "123.456000000000003"},
        {"page height", 1122.52041, 15, "1122.52041"},
        {"negative", -53.6, 15, "-53.6"},
        {"negative small", -0.000012, 15, "-1.2E-5"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(frx::FloatToText(r.value, QLatin1Char('.'), r.precision), QString::fromLatin1(r.text))
            << r.name;
}

TEST(Variant, DateTimeText) {
    EXPECT_EQ(frx::FloatToText(1234.5, QLatin1Char(',')), QStringLiteral("1234,5"));
    EXPECT_EQ(frx::FloatToText(-0.000012, QLatin1Char('.')), QStringLiteral("-1.2E-5"));
    EXPECT_EQ(frx::FloatToText(123456789012345678.0, QLatin1Char('.')), QStringLiteral("1.23456789012346E+17"));
    // A date-time without a time of day shows the date alone.
    const Variant day(QDate(2020, 5, 6));
    EXPECT_FALSE(day.ToString().contains(QLatin1Char(':')));
    const Variant moment(QDateTime(QDate(2020, 5, 6), QTime(7, 8, 9)));
    EXPECT_TRUE(moment.ToString().endsWith(QStringLiteral(" 07:08:09")));
}

// The value rounded to `precision` significant digits, halves away from zero, from its first 60
// exact digits (enough: a value whose digits go on past them is no half).
double RoundedReference(double v, int precision) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.60e", std::fabs(v));
    std::string digits;
    const char* p = buf;
    for (; *p != 'e'; ++p)
        if (*p != '.')
            digits += *p;
    int exp = std::atoi(p + 1);
    const bool up = digits[size_t(precision)] >= '5';
    digits.resize(size_t(precision));
    if (up) {
        int i = precision - 1;
        while (i >= 0 && digits[size_t(i)] == '9')
            digits[size_t(i--)] = '0';
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            digits.pop_back();
            ++exp;
        } else {
            ++digits[size_t(i)];
        }
    }
    const std::string text = digits + "e" + std::to_string(exp - precision + 1);
    const double r = std::strtod(text.c_str(), nullptr);
    return v < 0 ? -r : r;
}

// Float text holds the value rounded to the asked significant digits: values whose shortest
// digits fit take a quicker road than the others, and both must agree with exact rounding.
TEST(Variant, FloatTextIsTheValueRoundedToItsDigits) {
    std::mt19937_64 rng(20261210);
    std::vector<double> values{0.1, 0.3, 1.25, 2.675, 1e15, 999999999999999.0, 9999999999999999.0,
                               0.000099999999999999, 123456.789, 1.0 / 3, 2.0 / 3, 1e-300, 5e-324,
                               1.7976931348623157e308, 4503599627370497.0, 644642608962220.5};
    for (int i = 0; i < 20000; ++i) {
        switch (i % 4) {
        case 0: values.push_back(double(rng() % 100000) * 1.25); break;   // short digits
        case 1: values.push_back(double(rng() % 1000000) / 100.0); break; // money
        case 2: values.push_back(std::ldexp(double(rng() >> 11), int(rng() % 120) - 60)); break;
        default: {
            const std::uint64_t bits = rng();
            double d;
            std::memcpy(&d, &bits, sizeof d);
            if (std::isfinite(d) && d != 0)
                values.push_back(d);
        }
        }
    }
    int failures = 0;
    for (int precision : {15, 10, 4, 17}) {
        for (double v : values) {
            for (double sv : {v, -v}) {
                QString text = frx::FloatToText(sv, QLatin1Char('.'), precision);
                text.replace(QLatin1Char('E'), QLatin1Char('e'));
                const double expected = RoundedReference(sv, precision);
                if (std::strtod(text.toLatin1().constData(), nullptr) != expected && ++failures < 10)
                    ADD_FAILURE() << std::setprecision(17) << sv << " to " << precision
                                  << " digits gave " << text.toStdString() << ", not " << expected;
                // No trailing zeros after a decimal separator, whatever road it took.
                const qsizetype ePos = text.indexOf(QLatin1Char('e'));
                const QString mant = ePos < 0 ? text : text.left(ePos);
                if (mant.contains(QLatin1Char('.')) && mant.endsWith(QLatin1Char('0')) &&
                    ++failures < 10)
                    ADD_FAILURE() << "trailing zero in " << text.toStdString();
            }
        }
    }
    EXPECT_EQ(failures, 0);
}
