#include "report/frxVariant.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

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
