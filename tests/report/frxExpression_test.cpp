#include "report/frxExpression.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace frxClass;

using namespace frx;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

// A report with one page and one text object "Memo1" holding `line`.
struct Fixture {
    TfrxReport report;
    TfrxReportPage* page;
    TfrxMemoView* memo;
    QStringList asked;
    QHash<QString, Variant> answers;

    explicit Fixture(const QString& line) {
        page = new TfrxReportPage(&report);
        page->SetName(S("Page1"));
        memo = new TfrxMemoView(page);
        memo->SetName(S("Memo1"));
        memo->SetMemo({line});
        report.OnGetValue = [this](const QString& name, Variant& value) {
            asked << name;
            EXPECT_TRUE(value.IsEmpty()) << "the callback must see an empty value";
            if (answers.contains(name))
                value = answers.value(name);
        };
        report.CurrentObjectName = S("Memo1");
    }
    // Evaluates the object; the error text when that raises.
    QString Evaluate() {
        try {
            static_cast<TfrxReportComponent*>(memo)->EvaluateContent();
        } catch (const TfrxException& e) {
            return S("raised: ") + e.Message();
        }
        return memo->Memo().join(S("|"));
    }
};

} // namespace

TEST(ExpressionScan, InnerTexts) {
    struct Row {
        const char* name;
        const char* text;
        const char* inner;
    } rows[] = {
        {"plain", "[var1]", "var1"},
        {"nested delimiters stay inside", "[a[b]c]", "a[b]c"},
        {"doubled brackets", "[[x]]", "[x]"},
        {"bracket inside single quotes", "[Format('[x]')]", "Format('[x]')"},
        {"bracket inside double quotes", "[\"]\" + a]", "\"]\" + a"},
        {"apostrophe inside double quotes", "[\"it's\" + ']']", "\"it's\" + ']'"},
    };
    for (const Row& r : rows) {
        const QString s = S(r.text);
        qsizetype i = 0, j = 0;
        EXPECT_EQ(frxExtractBracketed(s, S("["), S("]"), i, j), S(r.inner)) << r.name;
        EXPECT_EQ(i, 0) << r.name;
        EXPECT_EQ(j, s.size() - 1) << r.name;
    }
}

TEST(ExpressionScan, SubstitutionNeverRescansInsertedText) {
    QStringList inners;
    auto eval = [&](const QString& inner) {
        inners << inner;
        return S("[") + inner + S("]!");
    };
    QString s = S("a [x] b [y]\r\n");
    EXPECT_TRUE(frxSubstitute(s, S("[,]"), eval));
    EXPECT_EQ(s, S("a [x]! b [y]!\r\n"));
    EXPECT_EQ(inners, (QStringList{S("x"), S("y")}));

    QString longDelims = S("<%a%> and <%b%>");
    EXPECT_TRUE(frxSubstitute(longDelims, S("<%,%>"), [](const QString& x) { return x.toUpper(); }));
    EXPECT_EQ(longDelims, S("A and B"));
    // The first character of a delimiter alone is plain text.
    QString lone = S("1 < 2 <%a % b%> %");
    EXPECT_TRUE(frxSubstitute(lone, S("<%,%>"), [](const QString& x) { return x.toUpper(); }));
    EXPECT_EQ(lone, S("1 < 2 A % B %"));

    QString noComma = S("[x]");
    EXPECT_FALSE(frxSubstitute(noComma, S("[]"), eval));
    QString noOpening = S("x]");
    EXPECT_FALSE(frxSubstitute(noOpening, S("[,]"), eval));
    EXPECT_EQ(noOpening, S("x]"));

    // An opening delimiter without a closing one takes the rest but its last character.
    QString open = S("a [bc\r\n");
    inners.clear();
    frxSubstitute(open, S("[,]"), [&](const QString& x) {
        inners << x;
        return S("V");
    });
    EXPECT_EQ(inners, (QStringList{S("bc\r")}));
    EXPECT_EQ(open, S("a V"));

    QString deep = QString(10000, QLatin1Char('[')) + QString(10000, QLatin1Char(']'));
    inners.clear();
    frxSubstitute(deep, S("[,]"), [&](const QString& x) {
        inners << x;
        return QString();
    });
    ASSERT_EQ(inners.size(), 1);
    EXPECT_EQ(inners[0].size(), 19998);
}

TEST(ExpressionContent, CallbackAnswersOnceAndStartsEmpty) {
    Fixture f(S("[var1]"));
    f.answers[S("var1")] = Variant(S("answer"));
    EXPECT_EQ(f.Evaluate(), S("answer"));
    EXPECT_EQ(f.asked, QStringList{S("var1")});

    Fixture g(S("[var1]"));
    g.report.OnGetValue = [](const QString&, Variant& value) {
        value = Variant(value.ToString() + S("text"));
    };
    EXPECT_EQ(g.Evaluate(), S("text"));
}

TEST(ExpressionContent, UnknownNameRaisesWithObjectName) {
    Fixture f(S("[nothere]"));
    EXPECT_EQ(f.Evaluate(),
              S("raised: Memo1: Error in expression 'nothere': Undeclared identifier: 'nothere'"));
    EXPECT_EQ(f.report.Errors(),
              QStringList{S("Memo1: Error in expression 'nothere': Undeclared identifier: 'nothere'")});
    EXPECT_EQ(f.Evaluate().left(14), S("raised: Memo1:"));
    EXPECT_EQ(f.report.Errors().size(), 1) << "the same error is kept once";
}

TEST(ExpressionContent, VariablesAndHeadings) {
    Fixture f(S("[var1]"));
    f.report.Variables().Add(S(" var1"), Variant::Null());
    EXPECT_TRUE(f.Evaluate().startsWith(S("raised: Memo1: Error in expression 'var1'")));

    Fixture g(S("[sum] [lines]"));
    g.report.Variables().Add(S("sum"), Variant(S("1+2")));
    g.report.Variables().Add(S("lines"), Variant(S("a+b\r\nc")));
    EXPECT_EQ(g.Evaluate(), S("3 a+b|c"));

    Fixture h(S("[a]"));
    h.report.Variables().Add(S("a"), Variant(S("b")));
    h.report.Variables().Add(S("b"), Variant(S("a")));
    EXPECT_EQ(h.Evaluate(),
              S("raised: Memo1: Error in expression 'a': expressions refer to each other too deeply"));
}

TEST(ExpressionContent, NestingAndQuotesReachCalcUnchanged) {
    Fixture f(S("[[x]] [Format('[x]')]"));
    f.answers[S("[x]")] = Variant(S("X"));
    EXPECT_EQ(f.Evaluate(), S("X [x]"));
    EXPECT_EQ(f.asked.first(), S("[x]"));
}

TEST(ExpressionContent, FormatsAfterBlankAndHash) {
    Fixture f(S("[x #n%2,2f] [Value #n%2,2f] [d #dyyyy-mm-dd] [b #bYes,No] [n #n#0.0]"));
    f.answers[S("x")] = Variant(3.14159);
    f.answers[S("d")] = Variant(QDate(2024, 2, 29));
    f.answers[S("b")] = Variant(true);
    f.answers[S("n")] = Variant(1234.56);
    TfrxReportEvaluation::Of(&f.report)->Script().SetVariable(S("Value"), Variant(2.5));
    EXPECT_EQ(f.Evaluate(), S("3,14 2,50 2024-02-29 Yes 1234.6"));

    // A closing parenthesis after " #" keeps everything as the expression.
    Fixture g(S("Total: [sum(a #n)]"));
    EXPECT_TRUE(g.Evaluate().startsWith(S("raised: Memo1: Error in expression 'sum(a #n)': ")));
}

TEST(ExpressionContent, HideZerosAndMarkers) {
    Fixture f(S("<[zero]><[text0]><[TotalPages#]><[copyname#]>"));
    f.memo->SetHideZeros(true);
    f.answers[S("zero")] = Variant(0.0);
    f.answers[S("text0")] = Variant(S("0"));
    EXPECT_EQ(f.Evaluate(), S("<><0><[TotalPages#]><[CopyName#]>"));
}

TEST(ExpressionContent, LineBreaksOfValues) {
    Fixture f(S("[var1]"));
    f.answers[S("var1")] = Variant(S("a\rb\r"));
    EXPECT_EQ(f.Evaluate(), S("a|b|"));
    EXPECT_EQ(f.memo->Memo().size(), 3);
}

TEST(ExpressionContent, SuppressRepeatedAndHighlight) {
    Fixture f(S("[v]"));
    f.answers[S("v")] = Variant(5);
    f.memo->SetSuppressRepeated(true);
    f.memo->Highlight()->SetCondition(S("Value > 3"));
    EXPECT_EQ(f.Evaluate(), S("5"));
    EXPECT_TRUE(f.memo->Highlight()->Active());
    EXPECT_EQ(f.memo->CurrentValue, Variant(5));
    f.memo->SetMemo({S("[v]")});
    EXPECT_EQ(f.Evaluate(), S("")) << "the same text again is blanked";
    f.answers[S("v")] = Variant(1);
    f.memo->SetMemo({S("[v]")});
    EXPECT_EQ(f.Evaluate(), S("1"));
    EXPECT_FALSE(f.memo->Highlight()->Active());
}

TEST(ExpressionContent, GetOfAnUnknownNameAddsAnErrorAndGoesOn) {
    Fixture f(S("[<nothing>]|[Get('var1')]"));
    f.answers[S("var1")] = Variant(S("ok"));
    EXPECT_EQ(f.Evaluate(), S("|ok"));
    EXPECT_EQ(f.report.Errors(), QStringList{S("Unknown variable or datafield: nothing")});
}

TEST(ExpressionContent, RunTimeErrorsBecomeErrorTexts) {
    Fixture f(S("[1/0]"));
    EXPECT_EQ(f.Evaluate(), S("raised: Memo1: Error in expression '1/0': Division by zero"));
    Fixture g(S("[SUM(1)]"));
    EXPECT_EQ(g.Evaluate(),
              S("raised: Memo1: Error in expression 'SUM(1)': Aggregate functions are not supported "
                "yet (SUM)"));
}

TEST(ExpressionCalc, CacheSharesCaseVariantsAndUsesItsLanguage) {
    struct Row {
        const char* lang;
        const char* expr;
        const char* program;
    } rows[] = {
        {"PascalScript", "1 + 2", "function fr3f0: Variant; begin Result := 1 + 2 end; begin end."},
        {"C++Script", "1 + 2", "Variant fr3f0() { return 1 + 2; } {}"},
        {"BasicScript", "1 + 2", "function fr3f0\r\nreturn 1 + 2\r\nend function"},
        {"JScript", "1 + 2", "function fr3f0() { return 1 + 2; }"},
    };
    for (const Row& r : rows) {
        TfrxReport report;
        report.SetScriptLanguage(S(r.lang));
        report.SetScriptText({S(r.lang) == S("PascalScript") ? S("begin end.") : S("")});
        ASSERT_TRUE(frxPrepareReportScript(&report)) << r.lang;
        EXPECT_EQ(frxCalc(&report, S(r.expr)), Variant(3)) << r.lang;
        EXPECT_EQ(TfrxReportEvaluation::Of(&report)->CachedProgram(S(r.expr)), S(r.program));
    }
    TfrxReport report;
    frxPrepareReportScript(&report);
    TfrxReportEvaluation* e = TfrxReportEvaluation::Of(&report);
    report.Variables().Add(S("Abc"), Variant(2));
    EXPECT_EQ(frxCalc(&report, S("Get('abc') * 10")), Variant(20));
    EXPECT_EQ(frxCalc(&report, S("GET('ABC') * 10")), Variant(20));
    EXPECT_EQ(e->CacheCount(), 1);
    EXPECT_EQ(frxCalc(&report, S("IIF(True, 'a', 'b')")), Variant(S("a")));
    EXPECT_EQ(e->CachedProgram(S("iif(true, 'a', 'b')")),
              S("function fr3f1: Variant; begin Result := IIF(True, 'a', 'b') end; begin end."));
    frxPrepareReportScript(&report);
    EXPECT_EQ(e->CacheCount(), 0);
}

TEST(ExpressionCalc, ScriptPreparation) {
    TfrxReport report;
    EXPECT_EQ(report.ScriptText(), (QStringList{S("begin"), S(""), S("end.")}));
    EXPECT_TRUE(frxPrepareReportScript(&report));
    EXPECT_FALSE(TfrxReportEvaluation::Of(&report)->Script().HasMainStatements());
    report.SetScriptText({S("begin"), S("  x := 1;"), S("end.")});
    EXPECT_FALSE(frxPrepareReportScript(&report));
    EXPECT_EQ(report.Errors(), QStringList{S("Script error at 2:3: Undeclared identifier: 'x'")});
}

TEST(ExpressionFormat, Kinds) {
    struct Row {
        const char* name;
        Variant value;
        TfrxFormatKind kind;
        const char* format;
        const char* separator;
        const char* text;
    } rows[] = {
        {"Null is empty", Variant::Null(), fkNumeric, "%2.2f", "", ""},
        {"text keeps line breaks", Variant(S("a\r\nb")), fkText, "", ".", "a\r\nb"},
        {"text ignores the separator", Variant(2.5), fkText, "", ",", "2.5"},
        {"printf float", Variant(2.5), fkNumeric, "%2.2f", "", "2.50"},
        {"printf float, comma", Variant(2.5), fkNumeric, "%2.2f", ",", "2,50"},
        {"separator longer than one", Variant(2.5), fkNumeric, "%2.2f", ",,", "2.50"},
        {"printf integer", Variant(2.6), fkNumeric, "%d", "", "3"},
        {"picture", Variant(1234.5), fkNumeric, "#,##0.00", "", "1,234.50"},
        {"not a number falls back", Variant(S("abc")), fkNumeric, "%2.2f", "", "abc"},
        {"broken format falls back", Variant(7), fkNumeric, "%s", "", "7"},
        {"date", Variant(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6))), fkDateTime,
         "dd.mm.yyyy hh:nn:ss", "", "03.02.2001 04:05:06"},
        {"boolean true", Variant(true), fkBoolean, "Yes,No", "", "Yes"},
        {"boolean false", Variant(false), fkBoolean, "Yes,No", "", "No"},
        {"boolean other value", Variant(S("x")), fkBoolean, "Yes,No", "", "No"},
        {"boolean from text", Variant(S("true")), fkBoolean, "Yes,No", "", "Yes"},
        {"boolean from the number true stands for", Variant(-1), fkBoolean, "Yes,No", "", "Yes"},
        {"boolean without comma", Variant(false), fkBoolean, "Yes", "", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(frxFormatValue(r.value, r.kind, S(r.format), S(r.separator)), S(r.text)) << r.name;
}

TEST(ExpressionContent, ReportMembersAndTagText) {
    Fixture f(S("plain"));
    f.answers[S("id")] = Variant(7);
    f.memo->SetTagStr(S("row [id]"));
    f.memo->SetURL(S("http://x/"));
    EXPECT_EQ(f.Evaluate(), S("plain"));
    EXPECT_EQ(f.memo->TagStr(), S("row 7"));
    EXPECT_EQ(f.memo->URL(), S("http://x/"));
    EXPECT_EQ(f.report.Calc(S("<id> * 2")), Variant(14));
    Variant v;
    EXPECT_TRUE(f.report.ResolveName(S("id"), v));
    EXPECT_EQ(v, Variant(7));
    EXPECT_FALSE(f.report.ResolveName(S("none"), v));
    EXPECT_TRUE(v.IsNull());
    EXPECT_EQ(f.memo->FormatValue(Variant(1.5), f.memo->DisplayFormat()), S("1.5"));
    EXPECT_TRUE(f.report.PrepareScript());
    EXPECT_TRUE(f.report.Script()->HasVariable(S("Value")));
}

TEST(ExpressionCalc, BuiltInNamesComeBeforeTheCallback) {
    Fixture f(S("[Page#]/[TOTALPAGES] [Line]"));
    f.answers[S("Page#")] = Variant(S("callback"));
    TfrxReportEvaluation* e = TfrxReportEvaluation::Of(&f.report);
    e->Engine.PageIndex = 1;
    e->Engine.TotalPages = 3;
    e->Engine.Line = 4;
    frxGlobalVariables().Set(S("CopyName0"), Variant(S("Copy")));
    EXPECT_EQ(f.Evaluate(), S("2/3 4"));
    EXPECT_TRUE(f.asked.isEmpty());
    EXPECT_EQ(f.report.Calc(S("CopyName#")), Variant(S("Copy")));
    frxGlobalVariables().Clear();

    ASSERT_TRUE(f.report.PrepareScript());
    Variant date;
    ASSERT_TRUE(f.report.ResolveName(S("date"), date));
    EXPECT_EQ(date, Variant(QDate::currentDate()));
}

TEST(ExpressionCalc, CallbackThatPreparesTheScriptAgainWhileAnExpressionRuns) {
    Fixture f(S("[<x> + 1]"));
    f.report.OnGetValue = [&f](const QString& name, Variant& value) {
        f.report.PrepareScript();
        if (name == S("x"))
            value = Variant(5);
    };
    EXPECT_EQ(f.Evaluate(), S("6"));
}

// A data field is the whole bracketed text: in `DS."F" + 1` the sum is an expression, never
// the field with the rest dropped.
// A value with line breaks makes more lines of text; a single line stays one line.
TEST(ExpressionContent, LineBreaksInValuesSplitTheText) {
    struct Row {
        const char* name;
        QString value;
        QStringList templateLines;
        const char* lines;
    } rows[] = {
        {"one line", S("one line"), {S("[var1]")}, "one line"},
        {"empty value", QString(), {S("[var1]")}, ""},
        {"CR LF", S("a\r\nb"), {S("[var1]")}, "a|b"},
        {"LF", S("a\nb"), {S("[var1]")}, "a|b"},
        {"CR", S("a\rb"), {S("[var1]")}, "a|b"},
        {"line separator", S("a") + QChar(0x2028) + S("b"), {S("[var1]")}, "a|b"},
        {"trailing CR LF", S("a\r\n"), {S("[var1]")}, "a|"},
        {"two template lines", S("v"), {S("[var1]"), S("x")}, "v|x"},
        {"empty template line after", S("v"), {S("[var1]"), QString()}, "v|"},
    };
    for (const Row& r : rows) {
        Fixture f{QString()};
        f.memo->SetMemo(r.templateLines);
        f.answers[S("var1")] = Variant(r.value);
        EXPECT_EQ(f.Evaluate(), S(r.lines)) << r.name;
    }
}

TEST(ExpressionContent, DataFieldIsTheWholeName) {
    struct Row {
        const char* text;
        const char* shown;
    } rows[] = {
        {"[DS.\"F\"]", "41"},
        {"[ DS.\"F\" ]", "41"},
        {"[<DS.\"F\"> + 1]", "42"},
        {"[DS.\"F\" + 1]", "raised: Memo1: Error in expression 'DS.\"F\" + 1': "},
    };
    for (const Row& r : rows) {
        Fixture f(S(r.text));
        TfrxReportEvaluation::Of(&f.report)->DataField =
            [](QStringView ds, const QString& field, Variant& value, Variant::Type& kind) {
                if (ds.trimmed() != S("DS") || field != S("F"))
                    return false;
                value = Variant(41);
                kind = Variant::Type::Integer;
                return true;
            };
        EXPECT_TRUE(f.Evaluate().startsWith(S(r.shown))) << r.text << " -> "
                                                         << f.Evaluate().toStdString();
    }
}
