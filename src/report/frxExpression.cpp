#include "report/frxExpression.h"

#include "report/frxExprFormat.h"
#include "resources/frxRes.h"

#include "platform/LocaleInfo.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>

using namespace frxClass;

namespace {

QString Q(const char* s) { return QString::fromLatin1(s); }

// Variables naming variables naming ... end here; a loop of them would never end.
constexpr int kMaxCalcDepth = 16;

bool IsAggregateCall(const QString& name) {
    static const char* const names[] = {"SUM", "AVG", "MIN", "MAX", "COUNT"};
    const QString t = name.trimmed();
    for (const char* n : names) {
        const QString s = Q(n);
        if (t.startsWith(s, Qt::CaseInsensitive) && t.mid(s.size()).trimmed().startsWith(QLatin1Char('(')))
            return true;
    }
    return false;
}

[[noreturn]] void RaiseError(TfrxReport* report, QString text) {
    if (!report->CurrentObjectName.isEmpty())
        text = report->CurrentObjectName + Q(": ") + text;
    report->AddError(text);
    throw TfrxException(text);
}

bool EqualsZero(const Variant& v) {
    switch (v.type()) {
    case Variant::Type::Empty: return true;
    case Variant::Type::Integer: return v.IntValue() == 0;
    case Variant::Type::Float:
    case Variant::Type::DateTime: return v.FloatValue() == 0;
    case Variant::Type::Boolean: return !v.BoolValue();
    default: return false;
    }
}

} // namespace

namespace frx {

TfrxValueHandler& frxCompatibilityValueHandler() {
    static TfrxValueHandler handler;
    return handler;
}

TfrxReportEvaluation::TfrxReportEvaluation(TfrxReport* report) : m_report(report) {}

TfrxReportEvaluation* TfrxReportEvaluation::Of(TfrxReport* report) {
    if (!report)
        return nullptr;
    TfrxReportRuntime& runtime = report->Runtime();
    if (auto* e = static_cast<TfrxReportEvaluation*>(runtime.Evaluation()))
        return e;
    auto owned = std::unique_ptr<TfrxReportEvaluation>(new TfrxReportEvaluation(report));
    TfrxReportEvaluation* e = owned.get();
    runtime.SetEvaluation(std::move(owned));
    e->BindNames();
    return e;
}

void TfrxReportEvaluation::ClearCache(const QString& language) {
    m_cache.clear();
    m_cacheLanguage = language;
}

QString TfrxReportEvaluation::CachedProgram(const QString& expression) const {
    auto it = m_cache.find(expression.toCaseFolded());
    return it == m_cache.end() ? QString() : it->second.text;
}

void TfrxReportEvaluation::BindNames() {
    TfrxReport* report = m_report;
    m_script.Clear();
    for (TfrxComponent* c : report->AllObjects())
        if (!c->Name().isEmpty())
            m_script.AddObject(c->Name(), c);
    m_script.AddObject(Q("Report"), report);
    m_script.AddVariable(Q("Value"), Variant::Null());
    m_script.AddFunction(Q("Get"), 1, 1, [report](const QList<Variant>& a) {
        const QString name = a[0].ToString();
        Variant v;
        if (frxResolveName(report, name, v))
            return v;
        if (IsAggregateCall(name))
            return frxCalc(report, name);
        report->AddError(Q("Unknown variable or datafield:") + Q(" ") + name);
        return Variant::Null();
    });
    m_script.AddFunction(Q("Set"), 2, 2, [report](const QList<Variant>& a) {
        report->Variables().Set(a[0].ToString(), a[1]);
        return Variant::Null();
    });
    for (auto it = HostObjects.cbegin(); it != HostObjects.cend(); ++it)
        if (it.value())
            m_script.AddObject(it.key(), it.value());
    // Aggregates are not built yet; a template that uses one is told so.
    for (const char* name : {"SUM", "AVG", "MIN", "MAX", "COUNT"}) {
        const QString n = Q(name);
        m_script.AddFunction(n, 1, 3, [n](const QList<Variant>&) -> Variant {
            QString text = frxGet(Q("enAggregates"));
            throw ScriptError(text.replace(Q("%s"), n));
        });
    }
}

bool frxPrepareReportScript(TfrxReport* report) {
    TfrxReportEvaluation* e = TfrxReportEvaluation::Of(report);
    e->ClearCache(report->ScriptLanguage());
    // The engine sets the start again when it runs; until then "Date" and "Time" are now.
    const QDateTime now = QDateTime::currentDateTime();
    e->Engine.StartDate = now.date();
    e->Engine.StartTime = now.time();
    for (TfrxComponent* c : report->AllObjects())
        c->BeforeStartReport();
    e->BindNames();
    TfrxScript& script = e->Script();
    if (!script.Compile(report->ScriptLanguage(), report->ScriptText().join(Q("\r\n")))) {
        report->AddError(frxFillIn(frxGet(Q("clScrError")), {script.ErrorPos(), script.ErrorMsg()}));
        return false;
    }
    return true;
}

bool frxResolveName(TfrxReport* report, const QString& name, Variant& value) {
    value = Variant::Null();
    if (const TfrxValueHandler& hook = frxCompatibilityValueHandler(); hook && hook(name, value))
        return true;
    TfrxReportEvaluation* e = TfrxReportEvaluation::Of(report);

    // Data field: DataSet."Field"
    const qsizetype dq = name.indexOf(QLatin1StringView(".\""));
    if (dq >= 0 && e->DataField) {
        QStringView field = QStringView(name).mid(dq + 2);
        const qsizetype endQuote = field.indexOf(QLatin1Char('"'));
        // Only the whole text names a field: in `DS."F" + 1` the sum is an expression.
        const bool whole = endQuote < 0 || field.mid(endQuote + 1).trimmed().isEmpty();
        if (endQuote >= 0)
            field.truncate(endQuote);
        Variant v;
        Variant::Type kind = Variant::Type::Null;
        if (whole && e->DataField(QStringView(name).left(dq), field.toString(), v, kind)) {
            if (v.IsNull() && report->EngineOptions()->ConvertNulls()) {
                if (kind == Variant::Type::Integer || kind == Variant::Type::Float)
                    v = Variant(0);
                else if (kind == Variant::Type::String)
                    v = Variant(QString());
                else if (kind == Variant::Type::Boolean)
                    v = Variant(false);
            }
            value = v;
            return true;
        }
    }

    // Built-in names.
    const QStringList& builtIns = report->BuiltInNames();
    for (qsizetype i = 0; i < builtIns.size(); ++i) {
        if (builtIns[i].compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const TfrxEngineValues& ev = e->Engine;
        const QString b = builtIns[i].toLower();
        if (b == Q("date"))
            value = Variant(ev.StartDate);
        else if (b == Q("time"))
            value = Variant(ev.StartTime);
        else if (b == Q("page"))
            value = Variant(ev.Page);
        else if (b == Q("page#"))
            value = Variant(ev.PageIndex + 1);
        else if (b == Q("totalpages"))
            value = Variant(ev.TotalPages);
        else if (b == Q("totalpages#"))
            value = Variant(ev.EngineTotalPages);
        else if (b == Q("line"))
            value = Variant(ev.Line);
        else if (b == Q("line#"))
            value = Variant(ev.LineNo);
        else if (b == Q("copyname#"))
            value = frxGlobalVariables().Get(Q("CopyName0"));
        else
            continue;
        return true;
    }

    // The program's value callback starts from an empty value, never from Null.
    if (report->OnGetValue) {
        Variant answer;
        report->OnGetValue(name, answer);
        if (!answer.IsEmpty()) {
            value = answer;
            return true;
        }
    }

    // Report variables: a one-line string is itself an expression.
    const int vi = report->Variables().IndexOf(name);
    if (vi >= 0) {
        const Variant v = report->Variables().Items(vi).Value;
        if (v.IsString() && !v.StringValue().contains(Q("\r\n")))
            value = frxCalc(report, v.StringValue());
        else
            value = v;
        return true;
    }

    const int gi = frxGlobalVariables().IndexOf(name);
    if (gi >= 0) {
        value = frxGlobalVariables().Items(gi).Value;
        return true;
    }

    if (e->Script().HasVariable(name)) {
        value = e->Script().GetVariable(name);
        return true;
    }
    return false;
}

Variant frxCalc(TfrxReport* report, const QString& expression, TfrxScript* script) {
    TfrxReportEvaluation* e = TfrxReportEvaluation::Of(report);
    if (!script)
        script = &e->Script();
    // Built only for an error: most expressions are names that resolve at once.
    auto prefix = [&expression] {
        return frxGet(Q("clExprError")) + Q(" '") + expression + Q("': ");
    };
    if (e->m_calcDepth >= kMaxCalcDepth)
        RaiseError(report, prefix() + Q("expressions refer to each other too deeply"));
    struct DepthGuard {
        int& d;
        explicit DepthGuard(int& depth) : d(depth) { ++d; }
        ~DepthGuard() { --d; }
    } guard(e->m_calcDepth);

    Variant value;
    if (frxResolveName(report, expression, value))
        return value;

    const QString key = expression.toCaseFolded();
    auto it = e->m_cache.find(key);
    if (it == e->m_cache.end()) {
        TfrxReportEvaluation::CacheEntry entry;
        entry.program = std::make_shared<TfrxScript>(script);
        const int n = e->CacheCount();
        entry.function = Q("fr3f") + QString::number(n);
        entry.text = TfrxScript::ExpressionProgram(e->CacheLanguage(), expression, n);
        if (!entry.program->Compile(e->CacheLanguage(), entry.text))
            RaiseError(report, prefix() + entry.program->ErrorMsg());
        if (!entry.program->HasFunction(entry.function))
            RaiseError(report, prefix() + Q("Unknown function: %1").arg(entry.function));
        it = e->m_cache.emplace(key, std::move(entry)).first;
    }
    // Held here as well: a callback may empty the cache while the function runs.
    const std::shared_ptr<TfrxScript> program = it->second.program;
    const QString function = it->second.function;
    program->SetParent(script);
    // The main program does not count as running its main block while an expression runs;
    // restored also when a nested evaluation raises through this one.
    struct RunningGuard {
        TfrxScript* s;
        bool was;
        ~RunningGuard() { s->SetRunning(was); }
    } running{script, script->IsRunning()};
    script->SetRunning(false);
    QString error;
    const bool ok = program->CallFunction(function, {}, value, &error);
    if (!ok)
        RaiseError(report, prefix() + error);
    return value;
}

namespace {

QString ExtractBracketed(const QString& s, QStringView open, QStringView close, qsizetype& i,
                         qsizetype& j) {
    j = i;
    const qsizetype len = s.size();
    if (open.isEmpty() || i < 0 || i >= len)
        return {};
    const QStringView view(s);
    const QChar open0 = open.front();
    const QChar close0 = close.isEmpty() ? QChar() : close.front();
    int depth = 0;
    bool inDouble = false, inSingle = false;
    qsizetype p = i;
    for (;; ++p) {
        const QChar c = view[p];
        if (!inDouble && !inSingle) {
            if (c == open0 && view.mid(p).startsWith(open)) {
                if (depth == 0)
                    i = p;
                ++depth;
            } else if (close.isEmpty() || (c == close0 && view.mid(p).startsWith(close))) {
                --depth;
            }
        }
        if (c == QLatin1Char('"') && !inSingle)
            inDouble = !inDouble;
        if (c == QLatin1Char('\'') && !inDouble)
            inSingle = !inSingle;
        if (depth == 0 || p >= len - 1)
            break;
    }
    j = p;
    const qsizetype innerStart = i + open.size();
    const QString inner = s.mid(innerStart, std::max<qsizetype>(0, j - innerStart));
    if (j != i)
        j = std::min(len - 1, j + close.size() - 1);
    return inner;
}

template <class Evaluate>
bool Substitute(QString& s, const QString& delimiters, const Evaluate& evaluate) {
    const qsizetype comma = delimiters.indexOf(QLatin1Char(','));
    const QStringView open = comma < 0 ? QStringView() : QStringView(delimiters).left(comma);
    const QStringView close =
        comma < 0 ? QStringView() : QStringView(delimiters).mid(comma + 1).left(255);
    if (open.isEmpty() || !s.contains(open))
        return false;
    const QChar open0 = open.front();
    qsizetype i = 0;
    for (;;) {
        while (i < s.size() - 1 && !(s.at(i) == open0 && QStringView(s).mid(i).startsWith(open)))
            ++i;
        qsizetype j = i;
        const QString inner = ExtractBracketed(s, open, close, i, j);
        if (j == i)
            break;
        s.remove(i, j - i + 1);
        const QString value = evaluate(inner);
        s.insert(i, value);
        i += value.size();
        if (i >= s.size())
            break;
    }
    return true;
}

QString EvaluateAndFormat(TfrxCustomMemoView* memo, TfrxReport* report, const QString& text);

} // namespace

QString frxExtractBracketed(const QString& s, const QString& open, const QString& close,
                            qsizetype& i, qsizetype& j) {
    return ExtractBracketed(s, open, close, i, j);
}

bool frxSubstitute(QString& s, const QString& delimiters,
                   const std::function<QString(const QString&)>& evaluate) {
    return Substitute(s, delimiters, evaluate);
}

QString frxFormatValue(const Variant& value, TfrxFormatKind kind, const QString& formatStr,
                       const QString& decimalSeparator) {
    if (value.IsNull())
        return {};
    try {
        switch (kind) {
        case fkText:
            return value.ToString();
        case fkNumeric: {
            const QChar sys = platform::DecimalSeparator();
            const QString group = QLocale::system().groupSeparator();
            QString text;
            if (formatStr.contains(QLatin1Char('#'))) {
                double d;
                if (!value.TryToFloat(d) || value.IsBlank())
                    return value.ToString();
                text = FormatFloatPicture(formatStr, d, sys, group.isEmpty() ? QLatin1Char(',') : group.at(0));
            } else if (formatStr.contains(QLatin1Char('d'))) {
                std::int64_t n;
                if (!value.TryToInt(n))
                    return value.ToString();
                text = FormatText(formatStr, {Variant(n)}, sys);
            } else {
                double d;
                if (!value.TryToFloat(d))
                    return value.ToString();
                text = FormatText(formatStr, {Variant(d)}, sys);
            }
            if (decimalSeparator.size() == 1 && decimalSeparator.at(0) != sys)
                text.replace(sys, decimalSeparator.at(0));
            return text;
        }
        case fkDateTime: {
            if (value.IsEmpty())
                return value.ToString();
            const QDateTime dt = value.ToDateTime();
            if (!dt.isValid())
                return value.ToString();
            return FormatDateTimeText(formatStr, dt);
        }
        case fkBoolean: {
            const qsizetype comma = formatStr.indexOf(QLatin1Char(','));
            const QString yes = comma < 0 ? formatStr : formatStr.left(comma);
            const QString no = comma < 0 ? QString() : formatStr.mid(comma + 1);
            // Equal to true: the boolean itself, the text "True", or the number true stands for.
            bool isTrue = false;
            if (value.IsBoolean())
                isTrue = value.BoolValue();
            else if (value.IsString())
                isTrue = value.StringValue().trimmed().compare(Q("True"), Qt::CaseInsensitive) == 0;
            else if (value.IsNumeric())
                isTrue = value.ToFloat() == -1;
            return isTrue ? yes : no;
        }
        }
    } catch (const ScriptError&) {
        // A format that does not fit the value shows the value's plain text.
    }
    return value.ToString();
}

QString frxEvaluateAndFormat(TfrxCustomMemoView* memo, const QString& text) {
    return EvaluateAndFormat(memo, nullptr, text);
}

namespace {

// `report` is the memo's report when the caller knows it already, else null.
QString EvaluateAndFormat(TfrxCustomMemoView* memo, TfrxReport* report, const QString& text) {
    TfrxFormatKind kind = memo->DisplayFormat()->Kind();
    QString formatStr = memo->DisplayFormat()->FormatStr();
    QString decimal = memo->DisplayFormat()->DecimalSeparator();
    QString expression = text;
    const qsizetype hash = text.indexOf(QLatin1StringView(" #"));
    if (hash >= 0 && !text.mid(hash + 2).contains(QLatin1Char(')'))) {
        expression = text.left(hash);
        QString part = text.mid(hash + 2);
        const QChar first = part.isEmpty() ? QChar() : part.at(0);
        if (first == QLatin1Char('N') || first == QLatin1Char('n'))
            kind = fkNumeric;
        else if (first == QLatin1Char('D') || first == QLatin1Char('T') || first == QLatin1Char('d') ||
                 first == QLatin1Char('t'))
            kind = fkDateTime;
        else if (first == QLatin1Char('B') || first == QLatin1Char('b'))
            kind = fkBoolean;
        else
            kind = fkText;
        formatStr = part.mid(1).left(255);
        decimal.clear();
        if (kind == fkNumeric) {
            for (qsizetype k = 0; k < formatStr.size(); ++k) {
                const QChar c = formatStr[k];
                if (c == QLatin1Char(',') || c == QLatin1Char('-') || c == QLatin1Char('.')) {
                    decimal = QString(c);
                    formatStr[k] = QLatin1Char('.');
                }
            }
        }
    }
    if (expression.compare(QLatin1StringView("TOTALPAGES#"), Qt::CaseInsensitive) == 0)
        return Q("[TotalPages#]");
    if (expression.compare(QLatin1StringView("COPYNAME#"), Qt::CaseInsensitive) == 0)
        return Q("[CopyName#]");
    if (!report)
        report = memo->Report();
    if (!report)
        throw TfrxException(Q("%1: the object belongs to no report").arg(memo->Name()));
    const Variant value = frxCalc(report, expression);
    memo->CurrentValue = value;
    if (memo->HideZeros() && !value.IsString() && EqualsZero(value))
        return {};
    return frxFormatValue(value, kind, formatStr, decimal);
}

} // namespace

void frxEvaluateContent(TfrxCustomMemoView* memo) {
    TfrxReport* report = memo->Report();
    if (!report)
        return;
    if (memo->AllowExpressions() && !memo->IsDataField()) {
        QString s = memo->Text();
        if (Substitute(s, memo->ExpressionDelimiters(), [memo, report](const QString& inner) {
                return EvaluateAndFormat(memo, report, inner);
            })) {
            // Mostly one line comes out: it becomes the text as it is, without being split.
            const bool oneLine =
                s.endsWith(QLatin1StringView("\r\n")) &&
                std::none_of(s.cbegin(), s.cend() - 2, [](QChar c) {
                    return c == u'\r' || c == u'\n' || c == QChar(0x2028);
                });
            if (oneLine) {
                s.chop(2);
                memo->SetMemo(QStringList{std::move(s)});
            } else {
                memo->SetText(s);
            }
        }
    }
    // Script names are kept case-folded; this one is folded already, so it is not copied.
    static const QString value = QStringLiteral("value");
    TfrxReportEvaluation::Of(report)->Script().SetVariable(value, memo->CurrentValue);
    TfrxHighlight* highlight = memo->Highlight();
    highlight->SetActive(false);
    if (!highlight->Condition().isEmpty()) {
        const Variant v = frxCalc(report, highlight->Condition());
        highlight->SetActive(v.IsBoolean() ? v.BoolValue() : v.ToBool(false));
    }
    if (memo->SuppressRepeated()) {
        const QString text = memo->Text();
        if (!(memo->LastValue.IsString() && memo->LastValue.StringValue() == text))
            memo->LastValue = Variant(text);
        else
            memo->SetMemo({});
    }
}

} // namespace frx

// --- the evaluator the object model calls -----------------------------------------------------

namespace {

class Evaluator final : public TfrxEvaluator {
public:
    Variant Calc(TfrxReport* report, const QString& expression, TfrxScript* script) override {
        return frx::frxCalc(report, expression, script);
    }
    bool ResolveName(TfrxReport* report, const QString& name, Variant& value) override {
        return frx::frxResolveName(report, name, value);
    }
    TfrxScript* Script(TfrxReport* report) override {
        return &frx::TfrxReportEvaluation::Of(report)->Script();
    }
    bool PrepareScript(TfrxReport* report) override { return frx::frxPrepareReportScript(report); }
    void EvaluateView(TfrxView* view) override {
        // Most views have no expression in either; their report is not even looked up.
        if (!view->TagStr().contains(QLatin1Char('[')) && !view->URL().contains(QLatin1Char('[')))
            return;
        TfrxReport* report = view->Report();
        if (!report)
            return;
        auto calcText = [report](const QString& inner) { return report->Calc(inner).ToString(); };
        QString tag = view->TagStr();
        if (tag.contains(QLatin1Char('[')) &&
            frx::frxSubstitute(tag, QStringLiteral("[,]"), calcText))
            view->SetTagStr(tag);
        QString url = view->URL();
        if (url.contains(QLatin1Char('[')) &&
            frx::frxSubstitute(url, QStringLiteral("[,]"), calcText))
            view->SetURL(url);
    }
    void EvaluateMemo(TfrxCustomMemoView* memo) override { frx::frxEvaluateContent(memo); }
    QString EvaluateAndFormat(TfrxCustomMemoView* memo, const QString& expression) override {
        return frx::frxEvaluateAndFormat(memo, expression);
    }
    QString FormatValue(const TfrxCustomMemoView*, const Variant& value,
                        const TfrxFormat* format) override {
        if (!format)
            return frx::frxFormatValue(value, fkText, QString(), QString());
        return frx::frxFormatValue(value, format->Kind(), format->FormatStr(),
                                   format->DecimalSeparator());
    }
};

} // namespace

std::shared_ptr<TfrxEvaluator> frxCreateEvaluator() { return std::make_shared<Evaluator>(); }
