#include "report/frxScript.h"

#include "TestSupport.h"

#include <QObject>

#include <gtest/gtest.h>

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

// Compiles the expression as the report does and runs it: the value's plain text, or
// "error: " + the compile or run-time message.
QString RunExpr(const QString& language, const QString& expr, TfrxScript* parent = nullptr) {
    TfrxScript script(parent);
    if (!script.Compile(language, TfrxScript::ExpressionProgram(language, expr, 0)))
        return S("error: ") + script.ErrorMsg();
    Variant v;
    QString error;
    if (!script.CallFunction(S("fr3f0"), {}, v, &error))
        return S("error: ") + error;
    return v.ToString();
}

QString Pascal(const char* expr) { return RunExpr(S("PascalScript"), S(expr)); }

struct Case {
    const char* name;
    const char* expr;
    const char* result;
};

} // namespace

TEST(ScriptPascal, Expressions) {
    const Case cases[] = {
        {"integer", "42", "42"},
        {"float", "2.5", "2.5"},
        {"string with doubled quote", "'it''s'", "it's"},
        {"character codes", "'a'#65#$42", "aAB"},
        {"hex", "$FF", "255"},
        {"multiplication before addition", "1 + 2 * 3", "7"},
        {"parentheses", "(1 + 2) * 3", "9"},
        {"left to right", "10 - 4 - 3", "3"},
        {"slash is float division", "7 / 2", "3.5"},
        {"div and mod", "7 div 2 * 10 + 7 mod 2", "31"},
        {"unary minus binds tightest", "-2 * -3", "6"},
        {"comparison below addition", "1 + 1 = 2", "True"},
        {"and binds like multiplication", "(1 < 2) and (3 > 2)", "True"},
        {"not binds tightest", "not (1 = 2) and True", "True"},
        {"not on integers is bitwise", "not 0", "-1"},
        {"or is additive", "1 or 2 * 2", "5"},
        {"xor", "True xor True", "False"},
        {"and on integers", "6 and 3", "2"},
        {"string concatenation", "'a' + 'b' + IntToStr(3)", "ab3"},
        {"number in a string adds", "'2' + 3", "5"},
        {"string comparison", "'abc' < 'abd'", "True"},
        {"shl", "1 shl 4", "16"},
        {"integer overflow goes to float", "9223372036854775807 + 1", "9.22337203685478E+18"},
        {"IIF", "IIF(2 > 1, 'yes', 'no')", "yes"},
        {"Copy", "Copy('abcdef', 2, 3)", "bcd"},
        {"Copy past the end", "Copy('abc', 3, 10)", "c"},
        {"Pos", "Pos('c', 'abc')", "3"},
        {"Length", "Length('abc')", "3"},
        {"Upper and lower", "UpperCase('a') + LowerCase('B')", "Ab"},
        {"Trim", "Trim('  x  ')", "x"},
        {"Round halves to even", "Round(2.5) + Round(3.5)", "6"},
        {"Trunc", "Trunc(-2.7)", "-2"},
        {"Abs", "Abs(-3)", "3"},
        {"StrToInt", "StrToInt(' 12') + 1", "13"},
        {"StrToFloat", "StrToFloat('1.5') * 2", "3"},
        {"FloatToStr", "FloatToStr(0.1 + 0.2)", "0.3"},
        {"Format", "Format('%d items, %s, %5.2f|', [3, 'x', 3.14159])", "3 items, x,  3.14|"},
        {"Format left aligned", "Format('%-4d|%.3d', [7, 7])", "7   |007"},
        {"FormatFloat", "FormatFloat('#,##0.00', 1234567.891)", "1,234,567.89"},
        {"FormatFloat optional digits", "FormatFloat('0.##', 2.5)", "2.5"},
        {"FormatDateTime", "FormatDateTime('yyyy-mm-dd hh:nn', StrToFloat('36526.5'))",
         "2000-01-01 12:00"},
        {"unit constant", "fr01cm * 10", "37.7953"},
        {"unit constants", "fr1in + fr1CharY", "113"},
        {"Null propagates through arithmetic", "Null + 1", ""},
        {"Null equals Null", "Null = Null", "True"},
        {"Date is a date", "Date - Date", "0"},
        {"keywords in any case", "7 DIV 2", "3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Pascal(c.expr), S(c.result)) << c.name << ": " << c.expr;
}

TEST(ScriptPascal, Errors) {
    const Case cases[] = {
        {"division by zero", "1 / 0", "error: Division by zero"},
        {"div by zero", "1 div 0", "error: Division by zero"},
        {"mod by zero", "1 mod 0", "error: Division by zero"},
        {"not a number", "'abc' * 2", "error: Could not convert 'abc' to a number"},
        {"bad StrToInt", "StrToInt('x1')", "error: 'x1' is not a valid integer value"},
        {"unknown name", "var1", "error: Undeclared identifier: 'var1'"},
        {"unknown function", "Foo(1)", "error: Undeclared identifier: 'Foo'"},
        {"wrong argument count", "Copy('a')", "error: Wrong number of arguments for 'Copy'"},
        {"missing operand", "1 +", "error: Expression expected but 'end' found"},
        {"unclosed parenthesis", "(1 + 2", "error: ')' expected"},
        {"unterminated string", "'abc", "error: Unterminated string"},
        {"bad Format", "Format('%d', ['x'])",
         "error: Format '%d' invalid or incompatible with argument"},
        {"Format with too few arguments", "Format('%s %s', ['x'])",
         "error: Format '%s' invalid or incompatible with argument"},
        {"case statement", "1 end; procedure p; begin case 1 of end",
         "error: The statement 'case' is not supported"},
        {"C operator in Pascal", "1 == 2", "error: Expression expected but '=' found"},
        {"illegal character", "1 ? 2", "error: Illegal character '?'"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Pascal(c.expr), S(c.result)) << c.name << ": " << c.expr;
}

TEST(ScriptLanguages, OperatorSpellings) {
    struct LangCase {
        const char* lang;
        const char* expr;
        const char* result;
    } cases[] = {
        {"C++Script", "1 + 2 * 3 == 7 && !(1 != 1)", "True"},
        {"C++Script", "7 % 3 + (true || false ? 10 : 20)", "11"},
        {"C++Script", "\"a\" + 'b'", "ab"},
        {"JScript", "'n=' + 3", "n=3"},
        {"JScript", "2 * (3 + 4) === 14", "True"},
        {"JScript", "StrToInt('2' + 1)", "21"},
        {"BasicScript", "1 + 2 * 3 = 7 And Not 1 = 2", "True"},
        {"BasicScript", "\"a\" & 1 & \"b\"", "a1b"},
        {"BasicScript", "2 ^ 3 ^ 2", "512"},
        {"BasicScript", "-2 ^ 2", "-4"},
        {"BasicScript", "7 \\ 2 + 7 Mod 2", "4"},
        {"BasicScript", "1 Or 2 And 3", "3"},
        {"JScript", "x++", "error: The operator '++' is not supported"},
        {"C++Script", "[1, 2]", "error: An array is not a value here"},
        {"BasicScript", "1 &&", "error: Expression expected but '&' found"},
        {"pascalscript", "1 + 1", "2"},
        {"Lua", "1", "error: Unknown script language 'Lua'"},
    };
    for (const LangCase& c : cases)
        EXPECT_EQ(RunExpr(S(c.lang), S(c.expr)), S(c.result)) << c.lang << ": " << c.expr;
}

TEST(ScriptPrograms, GeneratedText) {
    EXPECT_EQ(TfrxScript::ExpressionProgram(S("PascalScript"), S("[a]"), 3),
              S("function fr3f3: Variant; begin Result := [a] end; begin end."));
    EXPECT_EQ(TfrxScript::ExpressionProgram(S("c++script"), S("a"), 0),
              S("Variant fr3f0() { return a; } {}"));
    EXPECT_EQ(TfrxScript::ExpressionProgram(S("BasicScript"), S("a"), 12),
              S("function fr3f12\r\nreturn a\r\nend function"));
    EXPECT_EQ(TfrxScript::ExpressionProgram(S("JScript"), S("a"), 1),
              S("function fr3f1() { return a; }"));
    EXPECT_EQ(TfrxScript::ExpressionProgram(S("Lua"), S("a"), 1), QString());
}

TEST(ScriptPrograms, ReportScriptWithEmptyMainBlock) {
    TfrxScript script;
    ASSERT_TRUE(script.Compile(S("PascalScript"), S("begin\r\n\r\nend.")));
    EXPECT_FALSE(script.HasMainStatements());
    EXPECT_TRUE(script.RunMain());
    Variant v;
    QString error;
    EXPECT_FALSE(script.CallFunction(S("Missing"), {}, v, &error));
    EXPECT_EQ(error, S("Unknown function: Missing"));
    TfrxScript empty;
    EXPECT_FALSE(empty.RunMain(&error));
    EXPECT_EQ(error, S("The script is not compiled"));
}

TEST(ScriptPrograms, PascalStatements) {
    TfrxScript script;
    const QString text = S(
        "var Total: Integer;\n"
        "function Fact(n: Integer): Integer;\n"
        "begin\n"
        "  if n <= 1 then Result := 1 else Result := n * Fact(n - 1);\n"
        "end;\n"
        "procedure AddUp(n: Integer);\n"
        "var i: Integer;\n"
        "begin\n"
        "  for i := 1 to n do begin\n"
        "    if i = 4 then continue;\n"
        "    Total := Total + i\n"
        "  end;\n"
        "  while Total > 100 do Total := Total - 100;\n"
        "  repeat Total := Total + 1 until Total mod 2 = 0;\n"
        "end;\n"
        "begin\n"
        "  Total := 0;\n"
        "  AddUp(5);\n"
        "end.");
    ASSERT_TRUE(script.Compile(S("PascalScript"), text)) << script.ErrorPos().toStdString() << " "
                                                         << script.ErrorMsg().toStdString();
    EXPECT_TRUE(script.HasMainStatements());
    ASSERT_TRUE(script.RunMain());
    EXPECT_EQ(script.GetVariable(S("total")), Variant(12));
    Variant v;
    ASSERT_TRUE(script.CallFunction(S("Fact"), {Variant(10)}, v));
    EXPECT_EQ(v, Variant(3628800));
}

TEST(ScriptPrograms, OtherLanguagesRunStatements) {
    struct Prog {
        const char* lang;
        const char* text;
    } progs[] = {
        {"C++Script", "int f(int n) { int s = 0; for (int i = 1; i <= n; i++) { s += i; } return s; } {}"},
        {"JScript", "function f(n) { var s = 0; var i = 1; while (i <= n) { s = s + i; i = i + 1; } return s; }"},
        {"BasicScript", "function f(n)\r\ndim s = 0\r\nfor i = 1 to n\r\ns = s + i\r\nnext\r\nreturn s\r\nend function"},
    };
    for (const Prog& p : progs) {
        TfrxScript script;
        if (S(p.lang) == S("BasicScript")) {
            // "i" needs a declaration in this dialect
            ASSERT_FALSE(script.Compile(S(p.lang), S(p.text)));
            EXPECT_EQ(script.ErrorMsg(), S("Undeclared identifier: 'i'"));
            ASSERT_TRUE(script.Compile(
                S(p.lang), S("function f(n)\r\ndim s = 0, i\r\nfor i = 1 to n\r\ns = s + i\r\nnext\r\n"
                             "return s\r\nend function")))
                << script.ErrorMsg().toStdString();
        } else {
            ASSERT_TRUE(script.Compile(S(p.lang), S(p.text))) << p.lang << " " << script.ErrorMsg().toStdString();
        }
        Variant v;
        QString error;
        ASSERT_TRUE(script.CallFunction(S("f"), {Variant(10)}, v, &error)) << error.toStdString();
        EXPECT_EQ(v, Variant(55)) << p.lang;
    }
}

TEST(ScriptPrograms, CompileErrorsCarryLineAndColumn) {
    TfrxScript script;
    EXPECT_FALSE(script.Compile(S("PascalScript"), S("begin\n  x := 1;\nend.")));
    EXPECT_EQ(script.ErrorPos(), S("2:3"));
    EXPECT_EQ(script.ErrorMsg(), S("Undeclared identifier: 'x'"));
    EXPECT_FALSE(script.Compile(S("PascalScript"), S("begin\nend")));
    EXPECT_EQ(script.ErrorPos(), S("2:4"));
    EXPECT_EQ(script.ErrorMsg(), S("'.' expected"));
}

TEST(ScriptPrograms, HostNamesAndParentScript) {
    TfrxScript report;
    QObject memo;
    memo.setObjectName(S("Memo1"));
    report.AddObject(S("Memo1"), &memo);
    report.AddVariable(S("Value"), Variant(5));
    QStringList asked;
    report.AddFunction(S("Get"), 1, 1, [&](const QList<Variant>& a) {
        asked << a[0].ToString();
        return Variant(S("v:") + a[0].ToString());
    });
    EXPECT_EQ(RunExpr(S("PascalScript"), S("Value * 2"), &report), S("10"));
    EXPECT_EQ(RunExpr(S("PascalScript"), S("<var1> + <a.\"b c\">"), &report), S("v:var1v:a.\"b c\""));
    EXPECT_EQ(asked, (QStringList{S("var1"), S("a.\"b c\"")}));
    EXPECT_EQ(RunExpr(S("PascalScript"), S("Memo1.objectName"), &report), S("Memo1"));
    EXPECT_EQ(RunExpr(S("PascalScript"), S("Memo1.Nothing"), &report),
              S("error: 'Memo1' has no property 'Nothing'"));
    EXPECT_EQ(RunExpr(S("PascalScript"), S("<unclosed"), &report),
              S("error: '>' expected after the name that begins with '<'"));
    // Assigning a host variable from an expression program reaches the parent.
    TfrxScript child(&report);
    ASSERT_TRUE(child.Compile(S("PascalScript"),
                              S("function f: Variant; begin Value := 7; Result := Value end; begin end.")));
    Variant v;
    ASSERT_TRUE(child.CallFunction(S("f"), {}, v));
    EXPECT_EQ(report.GetVariable(S("value")), Variant(7));
}

TEST(ScriptLimits, HostileInputGivesErrors) {
    const QString deep = QString(10000, QLatin1Char('(')) + S("1") + QString(10000, QLatin1Char(')'));
    EXPECT_EQ(RunExpr(S("PascalScript"), deep), S("error: Program nested too deeply"));
    EXPECT_EQ(RunExpr(S("JScript"), deep), S("error: Program nested too deeply"));
    const QString brackets = QString(10000, QLatin1Char('[')) + QString(10000, QLatin1Char(']'));
    EXPECT_EQ(RunExpr(S("PascalScript"), brackets), S("error: Program nested too deeply"));
    const QString minus = QString(10000, QLatin1Char('-')) + S("1");
    EXPECT_EQ(RunExpr(S("PascalScript"), minus), S("error: Program nested too deeply"));
    QString chain = S("1");
    for (int i = 0; i < 5000; ++i)
        chain += S("+1");
    EXPECT_EQ(RunExpr(S("PascalScript"), chain), S("error: Expression too complex"));

    TfrxScript script;
    ASSERT_TRUE(script.Compile(S("PascalScript"),
                               S("function f(n: Integer): Integer; begin Result := f(n + 1) end; begin end.")));
    Variant v;
    QString error;
    EXPECT_FALSE(script.CallFunction(S("f"), {Variant(0)}, v, &error));
    EXPECT_EQ(error, S("Stack overflow: too many nested calls"));

    // An expression that smuggles in a loop is stopped by the step limit.
    TfrxScript looping;
    looping.SetStepLimit(10000);
    ASSERT_TRUE(looping.Compile(S("PascalScript"), TfrxScript::ExpressionProgram(
                                                       S("PascalScript"), S("1; while True do"), 0)));
    EXPECT_FALSE(looping.CallFunction(S("fr3f0"), {}, v, &error));
    EXPECT_EQ(error, S("The script ran too long and was stopped"));
}

TEST(ScriptPrograms, BranchesInEachLanguage) {
    struct Prog {
        const char* lang;
        const char* text;
    } progs[] = {
        {"PascalScript",
         "function f(n: Integer): String;\n"
         "begin\n"
         "  if n < 0 then Result := 'neg' else if n = 0 then Result := 'zero' else begin\n"
         "    Result := 'pos'; exit; Result := 'never'\n"
         "  end\n"
         "end;\n"
         "begin end."},
        {"C++Script",
         "String f(int n) {\n"
         "  if (n < 0) return \"neg\"; else if (n == 0) { return \"zero\"; }\n"
         "  return n > 0 ? \"pos\" : \"never\";\n"
         "} {}"},
        {"JScript",
         "function f(n) {\n"
         "  if (n < 0) { return 'neg' }\n"
         "  if (n == 0) return 'zero';\n"
         "  return 'pos';\n"
         "}"},
        {"BasicScript",
         "function f(n)\r\n"
         "  If n < 0 Then\r\n"
         "    return \"neg\"\r\n"
         "  ElseIf n = 0 Then\r\n"
         "    return \"zero\"\r\n"
         "  Else\r\n"
         "    return \"pos\"\r\n"
         "  End If\r\n"
         "end function"},
    };
    for (const Prog& p : progs) {
        TfrxScript script;
        ASSERT_TRUE(script.Compile(S(p.lang), S(p.text)))
            << p.lang << " " << script.ErrorPos().toStdString() << " " << script.ErrorMsg().toStdString();
        for (auto [n, expected] : {std::pair{-5, "neg"}, std::pair{0, "zero"}, std::pair{3, "pos"}}) {
            Variant v;
            QString error;
            ASSERT_TRUE(script.CallFunction(S("f"), {Variant(n)}, v, &error)) << error.toStdString();
            EXPECT_EQ(v, Variant(S(expected))) << p.lang << " " << n;
        }
    }
}

TEST(ScriptPrograms, UnsupportedConstructsAreNamed) {
    struct Row {
        const char* lang;
        const char* text;
        const char* pos;
        const char* message;
    } rows[] = {
        {"PascalScript", "begin\n  try x := 1 finally end\nend.", "2:3", "The statement 'try' is not supported"},
        {"PascalScript", "type T = Integer;\nbegin end.", "1:1", "Declaring types is not supported"},
        {"PascalScript", "var a: array of Integer;\nbegin end.", "1:8", "The type 'array' is not supported"},
        {"C++Script", "{\n  switch (1) {}\n}", "2:3", "The statement 'switch' is not supported"},
        {"JScript", "var o = new Thing();", "1:9", "'new' is not supported"},
        {"BasicScript", "Select Case 1\r\nEnd Select", "1:1", "The statement 'Select' is not supported"},
        {"BasicScript", "Dim a(3)", "1:6", "An array variable is not supported"},
        {"JScript", "var s = 'abc", "1:9", "Unterminated string"},
        {"BasicScript", "x = 1", "1:1", "Undeclared identifier: 'x'"},
    };
    for (const Row& r : rows) {
        TfrxScript script;
        EXPECT_FALSE(script.Compile(S(r.lang), S(r.text))) << r.text;
        EXPECT_EQ(script.ErrorPos(), S(r.pos)) << r.text;
        EXPECT_EQ(script.ErrorMsg(), S(r.message)) << r.text;
    }
}
