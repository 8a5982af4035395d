#include "report/frxScript.h"

#include "report/frxScript_p.h"

#include <QMetaProperty>
#include <QStringList>
#include <QVariant>

#include <cmath>
#include <limits>

using namespace frx::script;

namespace {

QString Q(const char* s) { return QString::fromLatin1(s); }

// Shared by every run on the thread: a script may call the host, which may run another
// expression, and all of them share one stack.
thread_local int t_runDepth = 0;
thread_local int t_calls = 0;

struct DepthGuard {
    int& d;
    explicit DepthGuard(int& depth) : d(depth) {
        if (++d > kMaxRunDepth) {
            --d;
            Runner::Fail(Q("Stack overflow: expressions or calls nested too deeply"));
        }
    }
    ~DepthGuard() { --d; }
};

bool Lookup(const QString& language, Lang& lang) {
    struct {
        const char* name;
        Lang lang;
    } static const table[] = {{"PascalScript", Lang::Pascal},
                              {"C++Script", Lang::CPP},
                              {"BasicScript", Lang::Basic},
                              {"JScript", Lang::JS}};
    for (const auto& e : table)
        if (language.compare(Q(e.name), Qt::CaseInsensitive) == 0) {
            lang = e.lang;
            return true;
        }
    return false;
}

bool HasStatements(const Node& n) {
    if (n.kind != Node::Block)
        return true;
    for (const auto& k : n.kids)
        if (HasStatements(*k))
            return true;
    return false;
}

QString OpText(BinOp op) {
    switch (op) {
    case BinOp::Add: return Q("+");
    case BinOp::Sub: return Q("-");
    case BinOp::Mul: return Q("*");
    case BinOp::Div: return Q("/");
    case BinOp::IntDiv: return Q("div");
    case BinOp::Mod: return Q("mod");
    case BinOp::Pow: return Q("^");
    case BinOp::And: return Q("and");
    case BinOp::Or: return Q("or");
    case BinOp::Xor: return Q("xor");
    case BinOp::Shl: return Q("shl");
    case BinOp::Shr: return Q("shr");
    case BinOp::Eq: return Q("=");
    case BinOp::Ne: return Q("<>");
    case BinOp::Lt: return Q("<");
    case BinOp::Gt: return Q(">");
    case BinOp::Le: return Q("<=");
    case BinOp::Ge: return Q(">=");
    case BinOp::Concat: return Q("&");
    case BinOp::LogAnd: return Q("&&");
    case BinOp::LogOr: return Q("||");
    case BinOp::BitAnd: return Q("&");
    case BinOp::BitOr: return Q("|");
    case BinOp::BitXor: return Q("^");
    }
    return {};
}

Val FromFloat(double d) {
    if (!std::isfinite(d))
        Runner::Fail(Q("Floating point overflow"));
    return Val(Variant(d));
}

// Integer arithmetic that turns into float arithmetic where 64 bits overflow.
Val IntOrFloat(BinOp op, std::int64_t a, std::int64_t b) {
    std::int64_t r = 0;
    bool overflow = false;
    switch (op) {
    case BinOp::Add: overflow = __builtin_add_overflow(a, b, &r); break;
    case BinOp::Sub: overflow = __builtin_sub_overflow(a, b, &r); break;
    case BinOp::Mul: overflow = __builtin_mul_overflow(a, b, &r); break;
    default: break;
    }
    if (!overflow)
        return Val(Variant(r));
    const double x = double(a), y = double(b);
    return FromFloat(op == BinOp::Add ? x + y : op == BinOp::Sub ? x - y : x * y);
}

// For arithmetic: a string operand must hold a number.
Variant Numeric(const Val& v, BinOp op) {
    if (v.IsObject() || v.IsArray())
        Runner::Fail(Q("Operator '%1' cannot be applied to %2").arg(OpText(op), TypeText(v)));
    if (v.v.IsString()) {
        double d;
        bool isInt = false;
        std::int64_t n = 0;
        if (!frx::TextToNumber(v.v.StringValue(), d, &isInt, &n))
            Runner::Fail(Q("Could not convert '%1' to a number").arg(v.v.StringValue().left(100)));
        return isInt ? Variant(n) : Variant(d);
    }
    if (v.v.IsEmpty())
        return Variant(0);
    if (v.v.IsBoolean())
        return Variant(v.v.BoolValue() ? -1 : 0);
    return v.v;
}

int Compare(const Val& a, const Val& b, BinOp op) {
    const Variant& x = a.v;
    const Variant& y = b.v;
    if (a.IsObject() || b.IsObject()) {
        if (a.IsObject() && b.IsObject())
            return a.obj.data() == b.obj.data() ? 0 : 1;
        return 1;
    }
    if (a.IsArray() || b.IsArray())
        Runner::Fail(Q("Arrays cannot be compared"));
    if (x.IsString() && y.IsString())
        return x.StringValue().compare(y.StringValue());
    if (x.IsString() || y.IsString()) {
        // A string against a number compares as numbers when the string holds one.
        double dx, dy;
        if (x.TryToFloat(dx) && y.TryToFloat(dy) && !(x.IsString() && x.StringValue().trimmed().isEmpty()) &&
            !(y.IsString() && y.StringValue().trimmed().isEmpty()))
            return dx < dy ? -1 : dx > dy ? 1 : 0;
        return x.ToString().compare(y.ToString());
    }
    if (x.IsInteger() && y.IsInteger())
        return x.IntValue() < y.IntValue() ? -1 : x.IntValue() > y.IntValue() ? 1 : 0;
    if (x.IsBoolean() && y.IsBoolean())
        return int(x.BoolValue()) - int(y.BoolValue());
    const double dx = x.ToFloat(), dy = y.ToFloat();
    return dx < dy ? -1 : dx > dy ? 1 : 0;
}

QString CheckedConcat(const QString& a, const QString& b) {
    if (a.size() + b.size() > kMaxString)
        Runner::Fail(Q("String too long"));
    return a + b;
}

std::int64_t IntArg(const Val& v, BinOp op) {
    if (v.v.IsBoolean())
        return v.v.BoolValue() ? -1 : 0;
    const Variant n = Numeric(v, op);
    std::int64_t i;
    if (!n.TryToInt(i))
        Runner::Fail(Q("Integer overflow"));
    return i;
}

QVariant ToQVariant(const Val& v) {
    if (v.IsObject())
        return QVariant::fromValue(v.obj.data());
    switch (v.v.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null: return {};
    case Variant::Type::Integer: return QVariant::fromValue<qlonglong>(v.v.IntValue());
    case Variant::Type::Float: return v.v.FloatValue();
    case Variant::Type::Boolean: return v.v.BoolValue();
    case Variant::Type::DateTime: return v.v.ToDateTime();
    case Variant::Type::String: return v.v.StringValue();
    }
    return {};
}

int FindProperty(const QObject* o, const QString& name) {
    const QMetaObject* mo = o->metaObject();
    for (int i = 0; i < mo->propertyCount(); ++i)
        if (QString::fromLatin1(mo->property(i).name()).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString ObjectName(const QObject* o) {
    return o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className())
                                     : o->objectName();
}

} // namespace

namespace frx::script {

void Runner::Fail(const QString& message) { throw frx::ScriptError(message); }

QString TypeText(const Val& v) {
    if (v.IsObject())
        return Q("an object");
    if (v.IsArray())
        return Q("an array");
    return Variant::TypeName(v.v.type());
}

Variant ToVariant(const QVariant& q) {
    if (!q.isValid())
        return Variant::Null();
    switch (q.metaType().id()) {
    case QMetaType::Bool: return Variant(q.toBool());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar: return Variant(static_cast<std::int64_t>(q.toLongLong()));
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong u = q.toULongLong();
        if (u > qulonglong(std::numeric_limits<std::int64_t>::max()))
            return Variant(double(u));
        return Variant(static_cast<std::int64_t>(u));
    }
    case QMetaType::Double:
    case QMetaType::Float: return Variant(q.toDouble());
    case QMetaType::QString: return Variant(q.toString());
    case QMetaType::QChar: return Variant(QString(q.toChar()));
    case QMetaType::QStringList: return Variant(q.toStringList().join(Q("\r\n")));
    case QMetaType::QDateTime: return Variant(q.toDateTime());
    case QMetaType::QDate: return Variant(q.toDate());
    case QMetaType::QTime: return Variant(q.toTime());
    default: break;
    }
    if (q.metaType().flags() & QMetaType::IsEnumeration)
        return Variant(static_cast<std::int64_t>(q.toLongLong()));
    if (q.canConvert<QString>())
        return Variant(q.toString());
    Runner::Fail(Q("A value of type %1 cannot be used in a script")
                     .arg(QString::fromLatin1(q.metaType().name())));
}

bool Truth(const Val& v, Lang lang) {
    if (v.IsObject())
        return true;
    if (v.IsArray())
        return !v.arr->empty();
    const Variant& x = v.v;
    switch (x.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null: return false;
    case Variant::Type::Boolean: return x.BoolValue();
    case Variant::Type::Integer: return x.IntValue() != 0;
    case Variant::Type::Float:
    case Variant::Type::DateTime: return x.FloatValue() != 0;
    case Variant::Type::String: {
        if (lang == Lang::JS)
            return !x.StringValue().isEmpty();
        bool b;
        if (!x.TryToBool(b))
            Runner::Fail(Q("Could not convert '%1' to a Boolean").arg(x.StringValue().left(100)));
        return b;
    }
    }
    return false;
}

double NeedFloat(const Val& v) {
    if (v.IsObject() || v.IsArray())
        Runner::Fail(Q("A number is needed instead of %1").arg(TypeText(v)));
    double d;
    if (v.v.IsString() && v.v.StringValue().trimmed().isEmpty())
        Runner::Fail(Q("Could not convert '' to a number"));
    if (!v.v.TryToFloat(d))
        Runner::Fail(Q("Could not convert '%1' to a number").arg(v.v.ToString().left(100)));
    return d;
}

std::int64_t NeedInt(const Val& v) {
    if (v.IsObject() || v.IsArray())
        Runner::Fail(Q("An integer is needed instead of %1").arg(TypeText(v)));
    std::int64_t n;
    if (!v.v.TryToInt(n))
        Runner::Fail(Q("Could not convert '%1' to an integer").arg(v.v.ToString().left(100)));
    return n;
}

QString NeedString(const Val& v) {
    if (v.IsObject())
        return ObjectName(v.obj.data());
    if (v.IsArray())
        Runner::Fail(Q("A string is needed instead of an array"));
    return v.v.ToString();
}

bool NeedBool(const Val& v) { return Truth(v, Lang::Pascal); }

Val Unary(UnOp op, const Val& a) {
    if (a.v.IsNull() && !a.IsObject() && !a.IsArray())
        return a;
    switch (op) {
    case UnOp::Plus: return Val(Numeric(a, BinOp::Add));
    case UnOp::Neg: {
        const Variant n = Numeric(a, BinOp::Sub);
        if (n.IsInteger()) {
            if (n.IntValue() == std::numeric_limits<std::int64_t>::min())
                return Val(Variant(-double(n.IntValue())));
            return Val(Variant(-n.IntValue()));
        }
        if (n.IsDateTime())
            return Val(Variant::FromDays(-n.FloatValue()));
        return Val(Variant(-n.FloatValue()));
    }
    case UnOp::Not:
        if (a.v.IsBoolean())
            return Val(Variant(!a.v.BoolValue()));
        if (a.v.IsString()) {
            const QString t = a.v.StringValue().trimmed();
            if (t.compare(Q("True"), Qt::CaseInsensitive) == 0)
                return Val(Variant(false));
            if (t.compare(Q("False"), Qt::CaseInsensitive) == 0)
                return Val(Variant(true));
        }
        return Val(Variant(~IntArg(a, BinOp::Xor)));
    case UnOp::LogNot: return Val(Variant(!Truth(a, Lang::JS)));
    case UnOp::BitNot: return Val(Variant(~IntArg(a, BinOp::BitXor)));
    }
    return a;
}

Val Binary(BinOp op, const Val& a, const Val& b, Lang lang) {
    const bool anyNull = (a.v.IsNull() && !a.IsObject() && !a.IsArray()) ||
                         (b.v.IsNull() && !b.IsObject() && !b.IsArray());
    switch (op) {
    case BinOp::Eq:
    case BinOp::Ne: {
        bool eq;
        if (anyNull)
            eq = a.v.IsNull() && b.v.IsNull() && !a.IsObject() && !b.IsObject();
        else
            eq = Compare(a, b, op) == 0;
        return Val(Variant(op == BinOp::Eq ? eq : !eq));
    }
    case BinOp::Lt:
    case BinOp::Gt:
    case BinOp::Le:
    case BinOp::Ge: {
        if (anyNull)
            return Val(Variant(false));
        const int c = Compare(a, b, op);
        const bool r = op == BinOp::Lt ? c < 0 : op == BinOp::Gt ? c > 0 : op == BinOp::Le ? c <= 0 : c >= 0;
        return Val(Variant(r));
    }
    case BinOp::Concat:
        return Val(Variant(CheckedConcat(NeedString(a), NeedString(b))));
    case BinOp::LogAnd: return Val(Variant(Truth(a, lang) && Truth(b, lang)));
    case BinOp::LogOr: return Val(Variant(Truth(a, lang) || Truth(b, lang)));
    default: break;
    }
    if (anyNull)
        return Val(Variant::Null());
    switch (op) {
    case BinOp::Add: {
        const bool sa = a.v.IsString() || a.IsObject(), sb = b.v.IsString() || b.IsObject();
        if ((a.v.IsString() || a.v.IsEmpty()) && (b.v.IsString() || b.v.IsEmpty()) && (sa || sb))
            return Val(Variant(CheckedConcat(a.v.ToString(), b.v.ToString())));
        if (lang == Lang::JS && (sa || sb))
            return Val(Variant(CheckedConcat(NeedString(a), NeedString(b))));
        [[fallthrough]];
    }
    case BinOp::Sub:
    case BinOp::Mul: {
        const Variant x = Numeric(a, op), y = Numeric(b, op);
        if (x.IsInteger() && y.IsInteger())
            return IntOrFloat(op, x.IntValue(), y.IntValue());
        const double dx = x.ToFloat(), dy = y.ToFloat();
        const double r = op == BinOp::Add ? dx + dy : op == BinOp::Sub ? dx - dy : dx * dy;
        // Date arithmetic: date + days and date - days stay dates; date - date is days.
        if (op != BinOp::Mul && (x.IsDateTime() != y.IsDateTime()) &&
            (x.IsDateTime() || op == BinOp::Add)) {
            if (!std::isfinite(r))
                Runner::Fail(Q("Floating point overflow"));
            return Val(Variant::FromDays(r));
        }
        return FromFloat(r);
    }
    case BinOp::Div: {
        const double y = Numeric(b, op).ToFloat();
        const double x = Numeric(a, op).ToFloat();
        if (y == 0)
            Runner::Fail(Q("Division by zero"));
        return FromFloat(x / y);
    }
    case BinOp::IntDiv:
    case BinOp::Mod: {
        const Variant x = Numeric(a, op), y = Numeric(b, op);
        if (op == BinOp::Mod && (lang == Lang::JS || lang == Lang::CPP) &&
            !(x.IsInteger() && y.IsInteger())) {
            const double dy = y.ToFloat();
            if (dy == 0)
                Runner::Fail(Q("Division by zero"));
            return FromFloat(std::fmod(x.ToFloat(), dy));
        }
        const std::int64_t n = IntArg(Val(x), op), d = IntArg(Val(y), op);
        if (d == 0)
            Runner::Fail(Q("Division by zero"));
        if (d == -1) // INT64_MIN / -1 overflows
            return op == BinOp::Mod ? Val(Variant(0)) : Unary(UnOp::Neg, Val(Variant(n)));
        return Val(Variant(op == BinOp::IntDiv ? n / d : n % d));
    }
    case BinOp::Pow:
        return FromFloat(std::pow(Numeric(a, op).ToFloat(), Numeric(b, op).ToFloat()));
    case BinOp::And:
    case BinOp::Or:
    case BinOp::Xor:
        if (a.v.IsBoolean() && b.v.IsBoolean()) {
            const bool x = a.v.BoolValue(), y = b.v.BoolValue();
            return Val(Variant(op == BinOp::And ? x && y : op == BinOp::Or ? x || y : x != y));
        }
        [[fallthrough]];
    case BinOp::BitAnd:
    case BinOp::BitOr:
    case BinOp::BitXor: {
        const std::int64_t x = IntArg(a, op), y = IntArg(b, op);
        if (op == BinOp::And || op == BinOp::BitAnd)
            return Val(Variant(x & y));
        if (op == BinOp::Or || op == BinOp::BitOr)
            return Val(Variant(x | y));
        return Val(Variant(x ^ y));
    }
    case BinOp::Shl:
    case BinOp::Shr: {
        const std::int64_t x = IntArg(a, op), y = IntArg(b, op);
        const unsigned s = static_cast<unsigned>(y) & 63u;
        const std::uint64_t u = static_cast<std::uint64_t>(x);
        return Val(Variant(static_cast<std::int64_t>(op == BinOp::Shl ? u << s : u >> s)));
    }
    default: break;
    }
    Runner::Fail(Q("Operator '%1' cannot be applied here").arg(OpText(op)));
}

// --- the interpreter ---------------------------------------------------------------------------

void Runner::Step() {
    if (stepLimit > 0 && ++steps > stepLimit)
        Fail(Q("The script ran too long and was stopped"));
    // An expression's program runs with the report's program as its parent.
    for (const TfrxScript* s = script; s; s = s->Parent())
        if (s->IsTerminated())
            Fail(Q("The script was stopped"));
}

Val Runner::Eval(const Node& n) {
    DepthGuard guard(t_runDepth);
    switch (n.kind) {
    case Node::Literal: return Val(n.value);
    case Node::Local:
        if (!frame || n.slot < 0 || n.slot >= int(frame->slots.size()))
            Fail(Q("'%1' is not available here").arg(n.name));
        return frame->slots[n.slot];
    case Node::Global: {
        Program* p = n.script->m_program.get();
        if (!p || n.slot >= int(p->globals.size()))
            Fail(Q("The variable '%1' no longer exists").arg(n.name));
        return p->globals[n.slot];
    }
    case Node::HostVar: {
        auto it = n.script->m_variables.constFind(TfrxScript::Key(n.name));
        if (it == n.script->m_variables.constEnd())
            Fail(Q("The variable '%1' no longer exists").arg(n.name));
        return Val(*it);
    }
    case Node::Object: {
        auto it = n.script->m_objects.constFind(TfrxScript::Key(n.name));
        if (it == n.script->m_objects.constEnd() || !*it)
            Fail(Q("The object '%1' no longer exists").arg(n.name));
        Val v;
        v.obj = *it;
        return v;
    }
    case Node::UserCall: {
        std::vector<Val> args;
        args.reserve(n.kids.size());
        for (const auto& k : n.kids)
            args.push_back(Eval(*k));
        return CallUser(n.script, n.slot, args, n);
    }
    case Node::HostCall: {
        QList<Variant> args;
        for (const auto& k : n.kids) {
            const Val v = Eval(*k);
            args.append(v.IsObject() ? Variant(ObjectName(v.obj.data())) : v.v);
        }
        auto it = n.script->m_functions.constFind(TfrxScript::Key(n.name));
        if (it == n.script->m_functions.constEnd())
            Fail(Q("The function '%1' no longer exists").arg(n.name));
        const TfrxScript::HostFunction fn = it->fn; // the call may change the table
        return Val(fn(args));
    }
    case Node::LibCall: {
        std::vector<Val> args;
        args.reserve(n.kids.size());
        for (const auto& k : n.kids)
            args.push_back(Eval(*k));
        return n.lib->fn(args);
    }
    case Node::Member: {
        const Val base = Eval(*n.kids[0]);
        if (base.v.IsString() && !base.IsObject() && n.name.compare(Q("length"), Qt::CaseInsensitive) == 0)
            return Val(Variant(static_cast<std::int64_t>(base.v.StringValue().size())));
        if (!base.IsObject())
            Fail(Q("'%1' needs an object, not %2").arg(n.name, TypeText(base)));
        const QObject* o = base.obj.data();
        const int index = FindProperty(o, n.name);
        if (index < 0) {
            // A child object by name (Page1.Memo1) before giving up.
            if (QObject* child = o->findChild<QObject*>(n.name, Qt::FindDirectChildrenOnly)) {
                Val v;
                v.obj = child;
                return v;
            }
            Fail(Q("'%1' has no property '%2'").arg(ObjectName(o), n.name));
        }
        const QVariant q = o->metaObject()->property(index).read(o);
        if (QObject* po = q.value<QObject*>()) {
            Val v;
            v.obj = po;
            return v;
        }
        return Val(ToVariant(q));
    }
    case Node::Index: {
        const Val base = Eval(*n.kids[0]);
        const std::int64_t i = NeedInt(Eval(*n.kids[1]));
        if (base.IsArray()) {
            if (i < 0 || i >= std::int64_t(base.arr->size()))
                Fail(Q("Index %1 out of bounds").arg(i));
            return (*base.arr)[size_t(i)];
        }
        const QString s = NeedString(base);
        const std::int64_t first = (lang == Lang::Pascal || lang == Lang::Basic) ? 1 : 0;
        if (i < first || i - first >= s.size())
            Fail(Q("Index %1 out of bounds").arg(i));
        return Val(Variant(QString(s[qsizetype(i - first)])));
    }
    case Node::Unary: return frx::script::Unary(n.uop, Eval(*n.kids[0]));
    case Node::Binary: {
        const Val a = Eval(*n.kids[0]);
        // Boolean and/or stop early: the right side of "x <> 0 and 10 / x > 1" is not run
        // when x is 0.
        switch (n.op) {
        case BinOp::And:
            if (a.v.IsBoolean() && !a.v.BoolValue())
                return Val(Variant(false));
            break;
        case BinOp::Or:
            if (a.v.IsBoolean() && a.v.BoolValue())
                return Val(Variant(true));
            break;
        case BinOp::LogAnd:
            if (!Truth(a, lang))
                return Val(Variant(false));
            return Val(Variant(Truth(Eval(*n.kids[1]), lang)));
        case BinOp::LogOr:
            if (Truth(a, lang))
                return Val(Variant(true));
            return Val(Variant(Truth(Eval(*n.kids[1]), lang)));
        default: break;
        }
        return frx::script::Binary(n.op, a, Eval(*n.kids[1]), lang);
    }
    case Node::ArrayCtor: {
        Val v;
        v.arr = std::make_shared<std::vector<Val>>();
        for (const auto& k : n.kids)
            v.arr->push_back(Eval(*k));
        return v;
    }
    case Node::Ternary:
        return Truth(Eval(*n.kids[0]), lang) ? Eval(*n.kids[1]) : Eval(*n.kids[2]);
    case Node::Assign: {
        const Val v = Eval(*n.kids[1]);
        Store(*n.kids[0], v);
        return v;
    }
    default: break;
    }
    Fail(Q("Internal error: a statement used as a value"));
}

void Runner::Store(const Node& target, const Val& v) {
    switch (target.kind) {
    case Node::Local:
        if (!frame || target.slot < 0 || target.slot >= int(frame->slots.size()))
            Fail(Q("'%1' is not available here").arg(target.name));
        frame->slots[target.slot] = v;
        return;
    case Node::Global: {
        Program* p = target.script->m_program.get();
        if (target.script == script && !p)
            Fail(Q("The variable '%1' no longer exists").arg(target.name));
        if (!p || target.slot >= int(p->globals.size()))
            Fail(Q("The variable '%1' no longer exists").arg(target.name));
        p->globals[target.slot] = v;
        return;
    }
    case Node::HostVar: {
        const QString key = TfrxScript::Key(target.name);
        if (!target.script->m_variables.contains(key))
            Fail(Q("The variable '%1' no longer exists").arg(target.name));
        if (v.IsArray())
            Fail(Q("An array cannot be stored in '%1'").arg(target.name));
        target.script->m_variables[key] = v.IsObject() ? Variant(ObjectName(v.obj.data())) : v.v;
        return;
    }
    case Node::Member: {
        const Val base = Eval(*target.kids[0]);
        if (!base.IsObject())
            Fail(Q("'%1' needs an object, not %2").arg(target.name, TypeText(base)));
        QObject* o = base.obj.data();
        const int index = FindProperty(o, target.name);
        if (index < 0)
            Fail(Q("'%1' has no property '%2'").arg(ObjectName(o), target.name));
        QMetaProperty prop = o->metaObject()->property(index);
        QVariant q = ToQVariant(v);
        if (!q.isValid() || !q.convert(prop.metaType()) || !prop.write(o, q))
            Fail(Q("The property '%1' of '%2' cannot be set to %3")
                     .arg(target.name, ObjectName(o), TypeText(v)));
        return;
    }
    default:
        Fail(Q("Left side cannot be assigned to"));
    }
}

Val Runner::CallUser(TfrxScript* owner, int index, std::vector<Val>& args, const Node& at) {
    Program* p = owner->m_program.get();
    if (!p || index < 0 || index >= int(p->functions.size()))
        Fail(Q("The function '%1' no longer exists").arg(at.name));
    if (++t_calls > kMaxCalls) {
        --t_calls;
        Fail(Q("Stack overflow: too many nested calls"));
    }
    struct CallGuard {
        int& c;
        ~CallGuard() { --c; }
    } callGuard{t_calls};
    const Function& fn = p->functions[index];
    if (int(args.size()) != fn.params)
        Fail(Q("Wrong number of arguments for '%1'").arg(fn.name));
    Frame f;
    f.slots.assign(size_t(fn.locals), Val(Variant::Null()));
    for (size_t i = 0; i < args.size(); ++i)
        f.slots[i] = std::move(args[i]);
    Frame* saved = frame;
    const Lang savedLang = lang;
    frame = &f;
    lang = p->lang;
    struct Restore {
        Runner* r;
        Frame* f;
        Lang l;
        ~Restore() {
            r->frame = f;
            r->lang = l;
        }
    } restore{this, saved, savedLang};
    Exec(*fn.body);
    if (fn.hasResult && fn.resultSlot >= 0)
        return f.slots[size_t(fn.resultSlot)];
    return Val(Variant::Null());
}

Runner::Flow Runner::Exec(const Node& n) {
    DepthGuard guard(t_runDepth);
    switch (n.kind) {
    case Node::Block:
        for (const auto& k : n.kids) {
            const Flow f = Exec(*k);
            if (f != Flow::Normal)
                return f;
        }
        return Flow::Normal;
    case Node::ExprStmt:
        Step();
        Eval(*n.kids[0]);
        return Flow::Normal;
    case Node::If:
        if (Truth(Eval(*n.kids[0]), lang))
            return Exec(*n.kids[1]);
        if (n.kids.size() > 2)
            return Exec(*n.kids[2]);
        return Flow::Normal;
    case Node::While:
        for (;;) {
            Step();
            if (!Truth(Eval(*n.kids[0]), lang))
                return Flow::Normal;
            const Flow f = Exec(*n.kids[1]);
            if (f == Flow::Break)
                return Flow::Normal;
            if (f == Flow::Return)
                return f;
        }
    case Node::Repeat:
        for (;;) {
            Step();
            const Flow f = Exec(*n.kids[0]);
            if (f == Flow::Break)
                return Flow::Normal;
            if (f == Flow::Return)
                return f;
            if (Truth(Eval(*n.kids[1]), lang))
                return Flow::Normal;
        }
    case Node::ForTo: {
        const std::int64_t from = NeedInt(Eval(*n.kids[1]));
        const std::int64_t to = NeedInt(Eval(*n.kids[2]));
        const bool down = n.flag;
        if (down ? from < to : from > to)
            return Flow::Normal;
        for (std::int64_t i = from;; down ? --i : ++i) {
            Step();
            Store(*n.kids[0], Val(Variant(i)));
            const Flow f = Exec(*n.kids[3]);
            if (f == Flow::Break)
                return Flow::Normal;
            if (f == Flow::Return)
                return f;
            if (i == to)
                return Flow::Normal;
        }
    }
    case Node::CFor: {
        Exec(*n.kids[0]);
        for (;;) {
            Step();
            if (!Truth(Eval(*n.kids[1]), lang))
                return Flow::Normal;
            const Flow f = Exec(*n.kids[3]);
            if (f == Flow::Break)
                return Flow::Normal;
            if (f == Flow::Return)
                return f;
            Exec(*n.kids[2]);
        }
    }
    case Node::Return: return Flow::Return;
    case Node::Break: return Flow::Break;
    case Node::Continue: return Flow::Continue;
    default:
        Eval(n);
        return Flow::Normal;
    }
}

} // namespace frx::script

// --- TfrxScript ----------------------------------------------------------------------------------

TfrxScript::TfrxScript(TfrxScript* parent) : m_parent(parent) {}

TfrxScript::~TfrxScript() = default;

void TfrxScript::Clear() {
    m_objects.clear();
    m_variables.clear();
    m_functions.clear();
    m_program.reset();
    m_errorPos.clear();
    m_errorMsg.clear();
    m_runningMain = false;
}

void TfrxScript::AddObject(const QString& name, QObject* object) { m_objects.insert(Key(name), object); }

void TfrxScript::AddVariable(const QString& name, const Variant& value) {
    m_variables.insert(Key(name), value);
}

void TfrxScript::AddFunction(const QString& name, int minArgs, int maxArgs, HostFunction fn) {
    m_functions.insert(Key(name), HostFn{minArgs, maxArgs, std::move(fn)});
}

bool TfrxScript::HasVariable(const QString& name) const {
    const QString key = Key(name);
    return m_variables.contains(key) || (m_program && m_program->globalIndex.contains(key));
}

Variant TfrxScript::GetVariable(const QString& name) const {
    const QString key = Key(name);
    auto it = m_variables.constFind(key);
    if (it != m_variables.constEnd())
        return *it;
    if (m_program) {
        auto g = m_program->globalIndex.constFind(key);
        if (g != m_program->globalIndex.constEnd()) {
            const Val& v = m_program->globals[size_t(*g)];
            if (v.IsObject())
                return Variant(ObjectName(v.obj.data()));
            return v.IsArray() ? Variant::Null() : v.v;
        }
    }
    return Variant::Null();
}

bool TfrxScript::SetVariable(const QString& name, const Variant& value) {
    const QString key = Key(name);
    auto it = m_variables.find(key);
    if (it != m_variables.end()) {
        *it = value;
        return true;
    }
    if (m_program) {
        auto g = m_program->globalIndex.constFind(key);
        if (g != m_program->globalIndex.constEnd()) {
            m_program->globals[size_t(*g)] = Val(value);
            return true;
        }
    }
    return false;
}

bool TfrxScript::Compile(const QString& language, const QString& text) {
    m_program.reset();
    m_terminated = false;
    m_errorPos.clear();
    m_errorMsg.clear();
    m_language = language;
    Lang lang;
    if (!Lookup(language, lang)) {
        m_errorPos = Q("1:1");
        m_errorMsg = Q("Unknown script language '%1'").arg(language);
        return false;
    }
    int line = 0, col = 0;
    QString message;
    std::shared_ptr<Program> p = CompileProgram(this, lang, text, line, col, message);
    if (!p) {
        m_errorPos = Q("%1:%2").arg(line).arg(col);
        m_errorMsg = message;
        return false;
    }
    m_program = std::move(p);
    return true;
}

bool TfrxScript::HasMainStatements() const {
    return m_program && m_program->main && HasStatements(*m_program->main);
}

namespace {

bool Guarded(TfrxScript* script, QString* error, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const frx::ScriptError& e) {
        if (error)
            *error = e.Message();
    } catch (const std::bad_alloc&) {
        if (error)
            *error = Q("Out of memory");
    }
    return false;
}

void RunInit(Runner& r, Program& p) {
    if (p.initDone || !p.init)
        return;
    p.initDone = true;
    Runner::Frame none;
    r.frame = &none;
    r.Exec(*p.init);
    r.frame = nullptr;
}

} // namespace

bool TfrxScript::RunMain(QString* error) {
    if (!m_program) {
        if (error)
            *error = Q("The script is not compiled");
        return false;
    }
    std::shared_ptr<Program> keep = m_program; // the program may be replaced while it runs
    Runner r{this};
    r.stepLimit = m_stepLimit;
    r.lang = keep->lang;
    const bool wasRunning = m_runningMain;
    m_runningMain = true;
    const bool ok = Guarded(this, error, [&] {
        RunInit(r, *keep);
        Runner::Frame none;
        r.frame = &none;
        r.Exec(*keep->main);
    });
    m_runningMain = wasRunning;
    return ok;
}

bool TfrxScript::HasFunction(const QString& name) const {
    return m_program && m_program->functionIndex.contains(Key(name));
}

bool TfrxScript::CallFunction(const QString& name, const QList<Variant>& args, Variant& result,
                              QString* error) {
    if (!m_program || !m_program->functionIndex.contains(Key(name))) {
        if (error)
            *error = Q("Unknown function: %1").arg(name);
        return false;
    }
    std::shared_ptr<Program> keep = m_program;
    Runner r{this};
    r.stepLimit = m_stepLimit;
    r.lang = keep->lang;
    return Guarded(this, error, [&] {
        RunInit(r, *keep);
        std::vector<Val> a;
        for (const Variant& v : args)
            a.emplace_back(v);
        Node at(Node::UserCall, 0, 0);
        at.name = name;
        const Val v = r.CallUser(this, keep->functionIndex.value(Key(name)), a, at);
        if (v.IsArray())
            Runner::Fail(Q("An array is not a value here"));
        result = v.IsObject() ? Variant(ObjectName(v.obj.data())) : v.v;
    });
}

bool TfrxScript::CallEvent(const QString& name, QObject* sender, QString* error) {
    const int index = m_program ? m_program->functionIndex.value(Key(name), -1) : -1;
    if (index < 0) {
        if (error)
            *error = Q("Unknown function: %1").arg(name);
        return false;
    }
    std::shared_ptr<Program> keep = m_program;
    Runner r{this};
    r.stepLimit = m_stepLimit;
    r.lang = keep->lang;
    return Guarded(this, error, [&] {
        RunInit(r, *keep);
        std::vector<Val> a;
        if (keep->functions[size_t(index)].params == 1) {
            Val v;
            v.obj = sender;
            a.push_back(std::move(v));
        }
        Node at(Node::UserCall, 0, 0);
        at.name = name;
        r.CallUser(this, index, a, at);
    });
}

QStringList TfrxScript::Languages() {
    return {Q("PascalScript"), Q("C++Script"), Q("BasicScript"), Q("JScript")};
}

QString TfrxScript::ExpressionProgram(const QString& language, const QString& expression, int n) {
    const QString name = Q("fr3f") + QString::number(n);
    Lang lang;
    if (!Lookup(language, lang))
        return {};
    switch (lang) {
    case Lang::Pascal:
        return Q("function ") + name + Q(": Variant; begin ") + Q("Result := ") + expression +
               Q(" end; begin end.");
    case Lang::CPP:
        return Q("Variant ") + name + Q("() { ") + Q("return ") + expression + Q("; } {}");
    case Lang::Basic:
        return Q("function ") + name + Q("\r\n") + Q("return ") + expression + Q("\r\n") +
               Q("end function");
    case Lang::JS:
        return Q("function ") + name + Q("() { ") + Q("return ") + expression + Q("; }");
    }
    return {};
}
