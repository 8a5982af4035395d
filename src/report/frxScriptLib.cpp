// The run-time library every script sees: the report unit constants and the standard functions.

#include "report/frxExprFormat.h"
#include "report/frxScript_p.h"

#include "platform/LocaleInfo.h"

#include <QDateTime>

#include <cmath>
#include <limits>

using namespace frx::script;

namespace {

QString Q(const char* s) { return QString::fromLatin1(s); }

[[noreturn]] void Fail(const QString& m) { throw frx::ScriptError(m); }

Val V(const Variant& v) { return Val(v); }

QString Str(const Val& v) { return NeedString(v); }

Val FormatFn(std::vector<Val>& a) {
    QList<Variant> args;
    if (a.size() > 1) {
        if (a[1].IsArray()) {
            for (const Val& x : *a[1].arr)
                args.append(x.IsObject() ? Variant(NeedString(x)) : x.v);
        } else {
            args.append(a[1].v);
        }
    }
    return V(frx::FormatText(Str(a[0]), args, platform::DecimalSeparator()));
}

Val IntToStr(std::vector<Val>& a) { return V(QString::number(NeedInt(a[0]))); }

Val FloatToStr(std::vector<Val>& a) {
    return V(frx::FloatToText(NeedFloat(a[0]), platform::DecimalSeparator()));
}

Val StrToInt(std::vector<Val>& a) {
    const QString s = Str(a[0]);
    bool ok = false;
    const qlonglong n = s.trimmed().toLongLong(&ok);
    if (!ok)
        Fail(Q("'%1' is not a valid integer value").arg(s.left(100)));
    return V(Variant(static_cast<std::int64_t>(n)));
}

Val StrToFloat(std::vector<Val>& a) {
    const QString s = Str(a[0]);
    double d;
    if (!frx::TextToNumber(s, d))
        Fail(Q("'%1' is not a valid floating point value").arg(s.left(100)));
    return V(Variant(d));
}

Val Copy(std::vector<Val>& a) {
    const QString s = Str(a[0]);
    std::int64_t index = NeedInt(a[1]);
    std::int64_t count = NeedInt(a[2]);
    if (index < 1)
        index = 1;
    if (count <= 0 || index > s.size())
        return V(QString());
    return V(s.mid(qsizetype(index - 1), qsizetype(std::min<std::int64_t>(count, s.size()))));
}

Val Pos(std::vector<Val>& a) {
    return V(Variant(static_cast<std::int64_t>(Str(a[1]).indexOf(Str(a[0])) + 1)));
}

Val Length(std::vector<Val>& a) {
    if (a[0].IsArray())
        return V(Variant(static_cast<std::int64_t>(a[0].arr->size())));
    return V(Variant(static_cast<std::int64_t>(Str(a[0]).size())));
}

Val UpperCase(std::vector<Val>& a) { return V(Str(a[0]).toUpper()); }
Val LowerCase(std::vector<Val>& a) { return V(Str(a[0]).toLower()); }
Val Trim(std::vector<Val>& a) { return V(Str(a[0]).trimmed()); }

std::int64_t ToWhole(double d, bool round) {
    const double r = round ? std::nearbyint(d) : std::trunc(d); // nearbyint: halves to even
    if (!(std::fabs(r) < 9.2e18))
        Fail(Q("Invalid floating point operation"));
    return static_cast<std::int64_t>(r);
}

Val Round(std::vector<Val>& a) { return V(Variant(ToWhole(NeedFloat(a[0]), true))); }
Val Trunc(std::vector<Val>& a) { return V(Variant(ToWhole(NeedFloat(a[0]), false))); }

Val Abs(std::vector<Val>& a) {
    if (a[0].v.IsInteger()) {
        const std::int64_t n = a[0].v.IntValue();
        if (n == std::numeric_limits<std::int64_t>::min())
            return V(Variant(-double(n)));
        return V(Variant(n < 0 ? -n : n));
    }
    return V(Variant(std::fabs(NeedFloat(a[0]))));
}

Val DateFn(std::vector<Val>&) { return V(Variant(QDate::currentDate())); }
Val TimeFn(std::vector<Val>&) { return V(Variant(QTime::currentTime())); }
Val NowFn(std::vector<Val>&) { return V(Variant(QDateTime::currentDateTime())); }

Val FormatFloat(std::vector<Val>& a) {
    const QString sep = QLocale::system().groupSeparator();
    return V(frx::FormatFloatPicture(Str(a[0]), NeedFloat(a[1]), platform::DecimalSeparator(),
                                     sep.isEmpty() ? QLatin1Char(',') : sep.at(0)));
}

QDateTime NeedDateTime(const Val& v) {
    if (v.IsObject() || v.IsArray())
        Fail(Q("A date is needed instead of %1").arg(TypeText(v)));
    const QDateTime dt = v.v.ToDateTime();
    if (!dt.isValid())
        Fail(Q("'%1' is not a valid date").arg(v.v.ToString().left(100)));
    return dt;
}

Val FormatDateTime(std::vector<Val>& a) {
    return V(frx::FormatDateTimeText(Str(a[0]), NeedDateTime(a[1])));
}

Val DateToStr(std::vector<Val>& a) {
    return V(QLocale::system().toString(NeedDateTime(a[0]).date(), QLocale::ShortFormat));
}
Val TimeToStr(std::vector<Val>& a) {
    return V(NeedDateTime(a[0]).time().toString(Q("hh:mm:ss")));
}
Val DateTimeToStr(std::vector<Val>& a) { return V(Variant(NeedDateTime(a[0])).ToString()); }

Val IIF(std::vector<Val>& a) { return NeedBool(a[0]) ? a[1] : a[2]; }

Val VarToStr(std::vector<Val>& a) { return V(Str(a[0])); }

Val Chr(std::vector<Val>& a) {
    const std::int64_t n = NeedInt(a[0]);
    if (n < 0 || n > 0xFFFF)
        Fail(Q("Character code %1 out of range").arg(n));
    return V(QString(QChar(static_cast<char16_t>(n))));
}

Val Ord(std::vector<Val>& a) {
    if (a[0].v.IsBoolean())
        return V(Variant(a[0].v.BoolValue() ? 1 : 0));
    const QString s = Str(a[0]);
    if (s.size() != 1)
        Fail(Q("Ord needs one character"));
    return V(Variant(static_cast<std::int64_t>(s[0].unicode())));
}

Val Frac(std::vector<Val>& a) {
    const double d = NeedFloat(a[0]);
    return V(Variant(d - std::trunc(d)));
}

Val Int(std::vector<Val>& a) { return V(Variant(std::trunc(NeedFloat(a[0])))); }

Val Sqrt(std::vector<Val>& a) {
    const double d = NeedFloat(a[0]);
    if (d < 0)
        Fail(Q("Invalid floating point operation"));
    return V(Variant(std::sqrt(d)));
}

const LibFunction kFunctions[] = {
    {"Abs", 1, 1, Abs},
    {"Chr", 1, 1, Chr},
    {"Copy", 3, 3, Copy},
    {"Date", 0, 0, DateFn},
    {"DateTimeToStr", 1, 1, DateTimeToStr},
    {"DateToStr", 1, 1, DateToStr},
    {"FloatToStr", 1, 1, FloatToStr},
    {"Format", 1, 2, FormatFn},
    {"FormatDateTime", 2, 2, FormatDateTime},
    {"FormatFloat", 2, 2, FormatFloat},
    {"Frac", 1, 1, Frac},
    {"IIF", 3, 3, IIF},
    {"Int", 1, 1, Int},
    {"IntToStr", 1, 1, IntToStr},
    {"Length", 1, 1, Length},
    {"LowerCase", 1, 1, LowerCase},
    {"Now", 0, 0, NowFn},
    {"Ord", 1, 1, Ord},
    {"Pos", 2, 2, Pos},
    {"Round", 1, 1, Round},
    {"Sqrt", 1, 1, Sqrt},
    {"StrToFloat", 1, 1, StrToFloat},
    {"StrToInt", 1, 1, StrToInt},
    {"Time", 0, 0, TimeFn},
    {"TimeToStr", 1, 1, TimeToStr},
    {"Trim", 1, 1, Trim},
    {"Trunc", 1, 1, Trunc},
    {"UpperCase", 1, 1, UpperCase},
    {"VarToStr", 1, 1, VarToStr},
};

} // namespace

namespace frx::script {

const LibFunction* FindLibFunction(const QString& name) {
    for (const LibFunction& f : kFunctions)
        if (name.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

bool FindLibConstant(const QString& name, Variant& value) {
    struct Constant {
        const char* name;
        Variant value;
    };
    static const Constant constants[] = {
        {"fr01cm", Variant(3.77953)},
        {"fr1cm", Variant(37.7953)},
        {"fr01in", Variant(9.6)},
        {"fr1in", Variant(96)},
        {"fr1CharX", Variant(9.6)},
        {"fr1CharY", Variant(17)},
        {"clTransparent", Variant(536870911)},
        {"True", Variant(true)},
        {"False", Variant(false)},
        {"Null", Variant::Null()},
        {"Unassigned", Variant()},
        {"CRLF", Variant(QStringLiteral("\r\n"))},
    };
    for (const Constant& c : constants)
        if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            value = c.value;
            return true;
        }
    return false;
}

} // namespace frx::script
