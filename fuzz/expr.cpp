// Any text as an expression of each report language, as a whole program, as text with
// bracketed expressions, and as a format: a value or an error text, never a crash or a hang.

#include "report/frxExprFormat.h"
#include "report/frxExpression.h"
#include "report/frxScript.h"

#include <QDateTime>
#include <QString>

#include <cstddef>
#include <cstdint>

using namespace frxClass;

namespace {

QString S(const char* s) { return QString::fromLatin1(s); }

QString Evaluate(TfrxScript& parent, const QString& language, const QString& expr) {
    TfrxScript script(&parent);
    script.SetStepLimit(20000);
    if (!script.Compile(language, TfrxScript::ExpressionProgram(language, expr, 0)))
        return script.ErrorPos() + script.ErrorMsg();
    Variant v;
    QString error;
    if (!script.CallFunction(S("fr3f0"), {}, v, &error))
        return error;
    return v.ToString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 65536)
        return 0;
    static const QStringList languages = TfrxScript::Languages();
    const QString language = languages[data[0] % languages.size()];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                           static_cast<qsizetype>(size - 1));

    TfrxScript parent;
    parent.SetStepLimit(20000);
    parent.AddVariable(S("Value"), Variant(1));
    parent.AddFunction(S("Get"), 1, 1, [](const QList<Variant>& a) { return a[0]; });
    parent.AddFunction(S("Set"), 2, 2, [](const QList<Variant>&) { return Variant::Null(); });

    (void)Evaluate(parent, language, text);

    TfrxScript program;
    program.SetStepLimit(20000);
    if (program.Compile(language, text)) {
        QString error;
        (void)program.RunMain(&error);
    }

    QString scanned = text;
    frx::frxSubstitute(scanned, S("[,]"), [&](const QString& inner) {
        return Evaluate(parent, language, inner);
    });

    try {
        (void)frx::FormatText(text, {Variant(42), Variant(2.5), Variant(S("s"))}, QLatin1Char('.'));
    } catch (const frx::ScriptError&) {
    }
    (void)frx::FormatFloatPicture(text, -1234.5678, QLatin1Char('.'), QLatin1Char(','));
    (void)frx::FormatDateTimeText(text, QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
    for (int kind = 0; kind < 4; ++kind)
        (void)frx::frxFormatValue(Variant(text), static_cast<TfrxFormatKind>(kind), text, S(","));
    return 0;
}
