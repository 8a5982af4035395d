#include "report/frxExprFormat.h"
#include "report/frxScript.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace frx;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

QString Fmt(const char* format, const QList<Variant>& args) {
    try {
        return FormatText(S(format), args, QLatin1Char('.'));
    } catch (const ScriptError& e) {
        return S("error: ") + e.Message();
    }
}

} // namespace

TEST(FormatText, Specifiers) {
    struct Row {
        const char* name;
        const char* format;
        QList<Variant> args;
        const char* text;
    } rows[] = {
        {"integer with width", "[%5d]", {Variant(42)}, "[   42]"},
        {"left aligned", "[%-5d]", {Variant(42)}, "[42   ]"},
        {"minimum digits", "%.4d", {Variant(-42)}, "-0042"},
        {"fixed default two decimals", "%f", {Variant(2.0)}, "2.00"},
        {"fixed rounding", "%.1f", {Variant(0.26)}, "0.3"},
        {"number groups thousands", "%n", {Variant(1234567.891)}, "1,234,567.89"},
        {"scientific", "%e", {Variant(1234.5)}, "1.23450000000000E+003"},
        {"scientific precision", "%.3e", {Variant(-0.000123)}, "-1.23E-004"},
        {"general", "%g", {Variant(0.5)}, "0.5"},
        {"string precision cuts", "%.2s", {Variant(S("abcdef"))}, "ab"},
        {"hex", "%x", {Variant(255)}, "FF"},
        {"hex minimum digits", "%.4x", {Variant(255)}, "00FF"},
        {"percent", "100%%", {}, "100%"},
        {"argument index", "%1:s %0:s", {Variant(S("a")), Variant(S("b"))}, "b a"},
        {"width from arguments", "[%*d]", {Variant(4), Variant(7)}, "[   7]"},
        {"integer for %f", "%.1f", {Variant(3)}, "3.0"},
        {"float for %d", "%d", {Variant(2.5)}, "error: Format '%d' invalid or incompatible with argument"},
        {"string for %f", "%f", {Variant(S("x"))}, "error: Format '%f' invalid or incompatible with argument"},
        {"missing argument", "%d %d", {Variant(1)}, "error: Format '%d' invalid or incompatible with argument"},
        {"unknown type", "%q", {Variant(1)}, "error: Format '%q' invalid or incompatible with argument"},
        {"cut off at the end", "%5", {Variant(1)}, "error: Format '%5' invalid or incompatible with argument"},
        {"too wide", "%99999d", {Variant(1)}, "error: Format '%99999' invalid or incompatible with argument"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Fmt(r.format, r.args), S(r.text)) << r.name;
}

TEST(FormatFloatPicture, Pictures) {
    struct Row {
        const char* name;
        const char* picture;
        double value;
        const char* text;
    } rows[] = {
        {"zeros pad", "000.00", 1.5, "001.50"},
        {"hashes drop", "#.##", 0.5, ".5"},
        {"zero before point", "0.##", 0.5, "0.5"},
        {"rounds", "0.00", 2.675, "2.67"},
        {"thousands", "#,##0", 1234567, "1,234,567"},
        {"thousands with decimals", "#,##0.00", -1234.5, "-1,234.50"},
        {"negative section", "0.0;(0.0)", -2.5, "(2.5)"},
        {"zero section", "0.0;-0.0;nothing", 0, "nothing"},
        {"empty negative section uses the first", "0.0;;zero", -1, "-1.0"},
        {"exponent", "0.00E+00", 12345, "1.23E+04"},
        {"negative exponent", "0.0E-0", 0.00012, "1.2E-4"},
        {"quoted text", "'$'#,##0.00' net'", 1234.5, "$1,234.50 net"},
        {"literal between digits", "00-00", 1234, "12-34"},
        {"rounds to zero without minus", "0.0", -0.01, "0.0"},
        {"more digits than placeholders", "00", 12345, "12345"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FormatFloatPicture(S(r.picture), r.value, QLatin1Char('.'), QLatin1Char(',')), S(r.text))
            << r.name;
}

TEST(FormatDateTimeText, Patterns) {
    const QDateTime dt(QDate(2007, 3, 4), QTime(15, 6, 7, 89));
    struct Row {
        const char* name;
        const char* pattern;
        const char* text;
    } rows[] = {
        {"short numbers", "d.m.yy", "4.3.07"},
        {"padded numbers", "dd.mm.yyyy", "04.03.2007"},
        {"minutes after hours", "h:m", "15:6"},
        {"minutes with n", "hh:nn:ss.zzz", "15:06:07.089"},
        {"twelve hours", "h:nn am/pm", "3:06 pm"},
        {"twelve hours, capital", "hh AM/PM", "03 PM"},
        {"short a/p", "h a/p", "3 p"},
        {"month after minutes is a month again", "hh:nn dd/mm", "15:06 04/03"},
        {"quoted text", "'day' d", "day 4"},
        {"short time", "t", "15:06"},
        {"long time", "tt", "15:06:07"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FormatDateTimeText(S(r.pattern), dt), S(r.text)) << r.name;
}
