// The lexer and the compiler the four report languages share: expressions, names and the
// statement pieces every dialect uses. Each dialect's own program and statement syntax is in
// its part (frxScriptParser_pascal, _c, _basic); all of them build the same tree. Names that
// are not local are resolved once the whole program is read, so a function may be called
// before its text in the languages that allow it.

#include "report/frxScriptParser_p.h"

#include <cmath>
#include <span>

using namespace frx::script;

namespace {

bool IsIdentStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool IsIdentChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

} // namespace

void Lexer::SkipBlanks(bool& sawNewline) {
    sawNewline = false;
    for (;;) {
        const QChar c = At(m_pos);
        if (c.isNull())
            return;
        if (c == QLatin1Char('\n')) {
            ++m_pos;
            NewLine(m_pos);
            sawNewline = true;
            if (m_lang == Lang::Basic)
                return;
            continue;
        }
        if (c == QLatin1Char('\r')) {
            ++m_pos;
            if (At(m_pos) != QLatin1Char('\n')) {
                NewLine(m_pos);
                sawNewline = true;
                if (m_lang == Lang::Basic)
                    return;
            }
            continue;
        }
        if (c.isSpace()) {
            ++m_pos;
            continue;
        }
        const QChar d = At(m_pos + 1);
        if (m_lang != Lang::Basic && c == QLatin1Char('/') && d == QLatin1Char('/')) {
            while (!At(m_pos).isNull() && At(m_pos) != QLatin1Char('\n') &&
                   At(m_pos) != QLatin1Char('\r'))
                ++m_pos;
            continue;
        }
        if (m_lang == Lang::Basic &&
            (c == QLatin1Char('\'') ||
             (m_src.mid(m_pos, 3).compare(Q("rem"), Qt::CaseInsensitive) == 0 &&
              !IsIdentChar(At(m_pos + 3)) && (m_pos == 0 || !IsIdentChar(At(m_pos - 1)))))) {
            while (!At(m_pos).isNull() && At(m_pos) != QLatin1Char('\n') &&
                   At(m_pos) != QLatin1Char('\r'))
                ++m_pos;
            continue;
        }
        auto block = [&](qsizetype open, const QString& close) {
            const qsizetype start = m_pos;
            m_pos += open;
            for (;;) {
                if (At(m_pos).isNull())
                    Fail(start, Q("Unterminated comment"));
                if (m_src.mid(m_pos, close.size()) == close) {
                    m_pos += close.size();
                    return;
                }
                if (At(m_pos) == QLatin1Char('\n'))
                    NewLine(m_pos + 1);
                ++m_pos;
            }
        };
        if (m_lang == Lang::Pascal && c == QLatin1Char('{')) {
            block(1, Q("}"));
            continue;
        }
        if (m_lang == Lang::Pascal && c == QLatin1Char('(') && d == QLatin1Char('*')) {
            block(2, Q("*)"));
            continue;
        }
        if ((m_lang == Lang::CPP || m_lang == Lang::JS) && c == QLatin1Char('/') &&
            d == QLatin1Char('*')) {
            block(2, Q("*/"));
            continue;
        }
        return;
    }
}

Token Lexer::Next() {
    bool newline = false;
    SkipBlanks(newline);
    Token t;
    t.line = m_line;
    t.col = static_cast<int>(m_pos - m_lineStart) + 1;
    t.start = m_pos;
    if (newline && m_lang == Lang::Basic) {
        t.type = Token::Newline;
        t.line = m_line - 1;
        t.end = m_pos;
        return t;
    }
    const QChar c = At(m_pos);
    if (c.isNull()) {
        t.type = Token::End;
        t.end = m_pos;
        return t;
    }
    if (IsIdentStart(c)) {
        qsizetype p = m_pos;
        while (IsIdentChar(At(p)))
            ++p;
        t.type = Token::Ident;
        t.text = m_src.mid(m_pos, p - m_pos);
        m_pos = p;
        t.end = p;
        return t;
    }
    if (c.isDigit() && c.unicode() < 128)
        return Number(t);
    if (m_lang == Lang::Pascal && c == QLatin1Char('$'))
        return Number(t);
    if (m_lang == Lang::Basic && c == QLatin1Char('&') &&
        (At(m_pos + 1) == QLatin1Char('H') || At(m_pos + 1) == QLatin1Char('h')))
        return Number(t);
    if (m_lang == Lang::Pascal && (c == QLatin1Char('\'') || c == QLatin1Char('#')))
        return PascalString(t);
    if (m_lang == Lang::Basic && c == QLatin1Char('"'))
        return QuotedString(t, c, false);
    if ((m_lang == Lang::CPP || m_lang == Lang::JS) &&
        (c == QLatin1Char('"') || c == QLatin1Char('\'')))
        return QuotedString(t, c, true);
    if (c == QLatin1Char('.') && At(m_pos + 1).isDigit() && m_lang != Lang::Pascal)
        return Number(t);

    static const char* const pascalOps[] = {":=", "<=", ">=", "<>", "..", nullptr};
    static const char* const cOps[] = {"==", "!=", "<=", ">=", "&&", "||", "+=", "-=", "*=",
                                       "/=", "++", "--", "<<", ">>", nullptr};
    static const char* const basicOps[] = {"<=", ">=", "<>", nullptr};
    const char* const* ops = m_lang == Lang::Pascal  ? pascalOps
                             : m_lang == Lang::Basic ? basicOps
                                                     : cOps;
    for (const char* const* o = ops; *o; ++o) {
        const QString op = Q(*o);
        if (m_src.mid(m_pos, op.size()) == op) {
            // "===" and "!==" of JScript mean the same here as "==" and "!=".
            qsizetype len = op.size();
            if (m_lang == Lang::JS && (op == Q("==") || op == Q("!=")) &&
                At(m_pos + 2) == QLatin1Char('='))
                ++len;
            t.type = Token::Op;
            t.text = op;
            m_pos += len;
            t.end = m_pos;
            return t;
        }
    }
    static const QString pascalSingles = Q("+-*/=<>()[],;:.@^");
    static const QString cSingles = Q("+-*/=<>()[]{},;:.!~%?&|^");
    static const QString basicSingles = Q("+-*/=<>(),.:&\\^");
    const QString& singles = m_lang == Lang::Pascal  ? pascalSingles
                             : m_lang == Lang::Basic ? basicSingles
                                                     : cSingles;
    if (singles.contains(c)) {
        t.type = Token::Op;
        t.text = QString(c);
        ++m_pos;
        t.end = m_pos;
        return t;
    }
    Fail(m_pos, Q("Illegal character '%1'").arg(c));
}

Token Lexer::Number(Token t) {
    qsizetype p = m_pos;
    int base = 10;
    if (At(p) == QLatin1Char('$')) {
        base = 16;
        ++p;
    } else if (At(p) == QLatin1Char('&')) {
        base = 16;
        p += 2;
    } else if (At(p) == QLatin1Char('0') && (At(p + 1) == QLatin1Char('x') || At(p + 1) == QLatin1Char('X')) &&
               (m_lang == Lang::CPP || m_lang == Lang::JS)) {
        base = 16;
        p += 2;
    }
    if (base == 16) {
        const qsizetype digits = p;
        std::uint64_t v = 0;
        bool overflow = false;
        while (true) {
            const QChar c = At(p);
            int d;
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                d = c.unicode() - '0';
            else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
                d = c.unicode() - 'a' + 10;
            else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
                d = c.unicode() - 'A' + 10;
            else
                break;
            if (v >> 60)
                overflow = true;
            v = (v << 4) | std::uint64_t(d);
            ++p;
        }
        if (p == digits)
            Fail(m_pos, Q("Hexadecimal digits expected"));
        if (overflow || IsIdentChar(At(p)))
            Fail(m_pos, Q("Invalid number"));
        t.type = Token::Int;
        t.i = static_cast<std::int64_t>(v);
        m_pos = p;
        t.end = p;
        return t;
    }
    while (At(p).isDigit() && At(p).unicode() < 128)
        ++p;
    bool isFloat = false;
    if (At(p) == QLatin1Char('.') && At(p + 1).isDigit() && At(p + 1).unicode() < 128) {
        isFloat = true;
        ++p;
        while (At(p).isDigit() && At(p).unicode() < 128)
            ++p;
    }
    if (At(p) == QLatin1Char('e') || At(p) == QLatin1Char('E')) {
        qsizetype q = p + 1;
        if (At(q) == QLatin1Char('+') || At(q) == QLatin1Char('-'))
            ++q;
        if (At(q).isDigit() && At(q).unicode() < 128) {
            isFloat = true;
            p = q;
            while (At(p).isDigit() && At(p).unicode() < 128)
                ++p;
        }
    }
    if (IsIdentStart(At(p)))
        Fail(m_pos, Q("Invalid number"));
    const QString text = m_src.mid(m_pos, p - m_pos);
    bool ok = false;
    if (!isFloat) {
        t.i = text.toLongLong(&ok);
        t.type = Token::Int;
    }
    if (!ok) {
        t.f = text.toDouble(&ok);
        t.type = Token::Float;
        if (!ok || !std::isfinite(t.f))
            Fail(m_pos, Q("Invalid number"));
    }
    m_pos = p;
    t.end = p;
    return t;
}

Token Lexer::PascalString(Token t) {
    QString out;
    qsizetype p = m_pos;
    for (;;) {
        if (At(p) == QLatin1Char('\'')) {
            ++p;
            for (;;) {
                const QChar c = At(p);
                if (c.isNull() || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                    Fail(t.start, Q("Unterminated string"));
                if (c == QLatin1Char('\'')) {
                    if (At(p + 1) == QLatin1Char('\'')) {
                        out += c;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                out += c;
                ++p;
                if (out.size() > kMaxString)
                    Fail(t.start, Q("String too long"));
            }
        } else if (At(p) == QLatin1Char('#')) {
            ++p;
            const qsizetype s = p;
            bool hex = false;
            if (At(p) == QLatin1Char('$')) {
                hex = true;
                ++p;
            }
            const qsizetype ds = p;
            while (hex ? QString(Q("0123456789abcdefABCDEF")).contains(At(p)) && !At(p).isNull()
                       : (At(p).isDigit() && At(p).unicode() < 128))
                ++p;
            if (p == ds || p - ds > 6)
                Fail(s - 1, Q("Invalid character code"));
            bool ok = false;
            const uint code = m_src.mid(ds, p - ds).toUInt(&ok, hex ? 16 : 10);
            if (!ok || code > 0xFFFF)
                Fail(s - 1, Q("Invalid character code"));
            out += QChar(static_cast<char16_t>(code));
        } else {
            break;
        }
    }
    t.type = Token::Str;
    t.text = out;
    m_pos = p;
    t.end = p;
    return t;
}

Token Lexer::QuotedString(Token t, QChar quote, bool backslash) {
    QString out;
    qsizetype p = m_pos + 1;
    for (;;) {
        const QChar c = At(p);
        if (c.isNull() || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            Fail(t.start, Q("Unterminated string"));
        if (c == quote) {
            if (!backslash && At(p + 1) == quote) {
                out += c;
                p += 2;
                continue;
            }
            ++p;
            break;
        }
        if (backslash && c == QLatin1Char('\\')) {
            const QChar e = At(p + 1);
            p += 2;
            switch (e.unicode()) {
            case 'n': out += QLatin1Char('\n'); break;
            case 'r': out += QLatin1Char('\r'); break;
            case 't': out += QLatin1Char('\t'); break;
            case '0': out += QChar(0); break;
            case 'x':
            case 'u': {
                const int n = e == QLatin1Char('x') ? 2 : 4;
                bool ok = false;
                const uint code = m_src.mid(p, n).toUInt(&ok, 16);
                if (!ok || m_src.mid(p, n).size() != n)
                    Fail(p - 2, Q("Invalid escape sequence"));
                out += QChar(static_cast<char16_t>(code));
                p += n;
                break;
            }
            default:
                if (e.isNull())
                    Fail(t.start, Q("Unterminated string"));
                out += e;
            }
        } else {
            out += c;
            ++p;
        }
        if (out.size() > kMaxString)
            Fail(t.start, Q("String too long"));
    }
    t.type = Token::Str;
    t.text = out;
    m_pos = p;
    t.end = p;
    return t;
}

namespace {

// The binary operators of each language with their precedence (higher binds tighter); words
// are matched without case.
struct OperatorRow {
    const char* text;
    bool word;
    BinInfo info;
};

constexpr OperatorRow kPascalOperators[] = {
    {"=", false, {1, BinOp::Eq}},
    {"<>", false, {1, BinOp::Ne}},
    {"<", false, {1, BinOp::Lt}},
    {">", false, {1, BinOp::Gt}},
    {"<=", false, {1, BinOp::Le}},
    {">=", false, {1, BinOp::Ge}},
    {"+", false, {2, BinOp::Add}},
    {"-", false, {2, BinOp::Sub}},
    {"or", true, {2, BinOp::Or}},
    {"xor", true, {2, BinOp::Xor}},
    {"*", false, {3, BinOp::Mul}},
    {"/", false, {3, BinOp::Div}},
    {"div", true, {3, BinOp::IntDiv}},
    {"mod", true, {3, BinOp::Mod}},
    {"and", true, {3, BinOp::And}},
    {"shl", true, {3, BinOp::Shl}},
    {"shr", true, {3, BinOp::Shr}},
};

constexpr OperatorRow kCOperators[] = {
    {"||", false, {1, BinOp::LogOr}},
    {"&&", false, {2, BinOp::LogAnd}},
    {"|", false, {3, BinOp::BitOr}},
    {"^", false, {4, BinOp::BitXor}},
    {"&", false, {5, BinOp::BitAnd}},
    {"==", false, {6, BinOp::Eq}},
    {"!=", false, {6, BinOp::Ne}},
    {"<", false, {7, BinOp::Lt}},
    {">", false, {7, BinOp::Gt}},
    {"<=", false, {7, BinOp::Le}},
    {">=", false, {7, BinOp::Ge}},
    {"<<", false, {8, BinOp::Shl}},
    {">>", false, {8, BinOp::Shr}},
    {"+", false, {9, BinOp::Add}},
    {"-", false, {9, BinOp::Sub}},
    {"*", false, {10, BinOp::Mul}},
    {"/", false, {10, BinOp::Div}},
    {"%", false, {10, BinOp::Mod}},
};

constexpr OperatorRow kBasicOperators[] = {
    {"xor", true, {1, BinOp::Xor}},
    {"or", true, {2, BinOp::Or}},
    {"and", true, {3, BinOp::And}},
    // 4: prefix Not
    {"=", false, {5, BinOp::Eq}},
    {"<>", false, {5, BinOp::Ne}},
    {"<", false, {5, BinOp::Lt}},
    {">", false, {5, BinOp::Gt}},
    {"<=", false, {5, BinOp::Le}},
    {">=", false, {5, BinOp::Ge}},
    {"&", false, {6, BinOp::Concat}},
    {"+", false, {7, BinOp::Add}},
    {"-", false, {7, BinOp::Sub}},
    {"mod", true, {8, BinOp::Mod}},
    {"\\", false, {9, BinOp::IntDiv}},
    {"*", false, {10, BinOp::Mul}},
    {"/", false, {10, BinOp::Div}},
    // 11: prefix minus
    {"^", false, {12, BinOp::Pow}},
};

} // namespace

// ---------------------------------------------------------------------------------------------

bool ScriptCompiler::IsKeyword(const Token& t) const {
    if (t.type != Token::Ident)
        return false;
    static const char* const pascal[] = {
        "and", "array", "as", "begin", "case", "const", "div", "do", "downto", "else", "end",
        "except", "finally", "for", "function", "goto", "if", "in", "is", "mod", "nil", "not",
        "of", "or", "procedure", "program", "record", "repeat", "set", "shl", "shr", "then",
        "to", "try", "type", "until", "uses", "var", "while", "with", "xor", nullptr};
    static const char* const cpp[] = {"if", "else", "while", "for", "do", "return", "break",
                                      "continue", "switch", "case", "try", "catch", "new",
                                      "delete", "function", "var", nullptr};
    static const char* const basic[] = {
        "and", "or", "not", "xor", "mod", "if", "then", "else", "elseif", "end", "function",
        "sub", "dim", "as", "for", "to", "step", "next", "while", "wend", "do", "loop",
        "return", "select", "case", "exit", "byval", "byref", nullptr};
    const char* const* list = m_lang == Lang::Pascal  ? pascal
                              : m_lang == Lang::Basic ? basic
                                                      : cpp;
    const Qt::CaseSensitivity cs =
        (m_lang == Lang::CPP || m_lang == Lang::JS) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (const char* const* k = list; *k; ++k)
        if (t.text.compare(Q(*k), cs) == 0)
            return true;
    return false;
}

std::shared_ptr<Program> ScriptCompiler::Run() {
    m_prog = std::make_shared<Program>();
    m_prog->lang = m_lang;
    m_prog->main = Make(Node::Block);
    Advance();
    switch (m_lang) {
    case Lang::Pascal: PascalProgram(); break;
    case Lang::CPP:
    case Lang::JS: CProgram(); break;
    case Lang::Basic: BasicProgram(); break;
    }
    ResolvePending();
    // Initialisers of global variables run before the main block.
    if (!m_globalInit.empty()) {
        m_prog->init = Make(Node::Block);
        for (auto& n : m_globalInit)
            AddKid(*m_prog->init, std::move(n));
    }
    return m_prog;
}

// --- names -----------------------------------------------------------------------------------

int ScriptCompiler::DeclareLocal(const QString& name, const Token& at) {
    const QString key = name.toCaseFolded();
    if (m_scope->locals.contains(key))
        Fail(at, Q("Identifier redeclared: '%1'").arg(name));
    const int slot = m_scope->count++;
    m_scope->locals.insert(key, slot);
    return slot;
}

int ScriptCompiler::DeclareGlobal(const QString& name, const Token& at) {
    const QString key = name.toCaseFolded();
    if (m_prog->globalIndex.contains(key) || m_prog->functionIndex.contains(key))
        Fail(at, Q("Identifier redeclared: '%1'").arg(name));
    const int slot = static_cast<int>(m_prog->globals.size());
    m_prog->globals.emplace_back(Variant::Null());
    m_prog->globalIndex.insert(key, slot);
    return slot;
}

int ScriptCompiler::DeclareFunction(const QString& name, const Token& at) {
    const QString key = name.toCaseFolded();
    if (m_prog->globalIndex.contains(key) || m_prog->functionIndex.contains(key))
        Fail(at, Q("Identifier redeclared: '%1'").arg(name));
    const int index = static_cast<int>(m_prog->functions.size());
    m_prog->functions.emplace_back();
    m_prog->functions.back().name = name;
    m_prog->functionIndex.insert(key, index);
    return index;
}

NodePtr ScriptCompiler::NameNode(const QString& name, const Token& at) {
    const QString key = name.toCaseFolded();
    if (m_scope) {
        auto it = m_scope->locals.constFind(key);
        if (it != m_scope->locals.constEnd()) {
            NodePtr n = Make(Node::Local, at);
            n->slot = *it;
            n->name = name;
            return n;
        }
    }
    NodePtr n = Make(Node::PendingName, at);
    n->name = name;
    m_pending.push_back(n.get());
    return n;
}

void ScriptCompiler::ResolvePending() {
    for (Node* n : m_pending)
        Resolve(*n);
    m_pending.clear();
}

void ScriptCompiler::Resolve(Node& n) {
    const bool target = n.slot == -2;
    const QString key = n.name.toCaseFolded();
    const bool parens = n.flag;
    const int argc = static_cast<int>(n.kids.size());
    auto fail = [&](const QString& msg) -> void { throw CompileError{n.line, n.col, msg}; };
    auto notCallable = [&] {
        if (parens)
            fail(Q("'%1' is not a function").arg(n.name));
    };
    auto notAssignable = [&] {
        if (target)
            fail(Q("Cannot assign to '%1'").arg(n.name));
    };
    for (TfrxScript* s = m_owner; s; s = s->Parent()) {
        const Program* prog = s == m_owner ? m_prog.get() : s->m_program.get();
        if (prog) {
            auto g = prog->globalIndex.constFind(key);
            if (g != prog->globalIndex.constEnd()) {
                notCallable();
                n.kind = Node::Global;
                n.slot = *g;
                n.script = s;
                return;
            }
            auto f = prog->functionIndex.constFind(key);
            if (f != prog->functionIndex.constEnd()) {
                const Function& fn = prog->functions[*f];
                if (argc != fn.params)
                    fail(Q("Wrong number of arguments for '%1': %2 expected")
                             .arg(n.name)
                             .arg(fn.params));
                notAssignable();
                n.kind = Node::UserCall;
                n.slot = *f;
                n.script = s;
                return;
            }
        }
        if (s->m_variables.contains(key)) {
            notCallable();
            n.kind = Node::HostVar;
            n.script = s;
            return;
        }
        if (s->m_objects.contains(key)) {
            notCallable();
            notAssignable();
            n.kind = Node::Object;
            n.script = s;
            return;
        }
        auto h = s->m_functions.constFind(key);
        if (h != s->m_functions.constEnd()) {
            if (argc < h->minArgs || argc > h->maxArgs)
                fail(Q("Wrong number of arguments for '%1'").arg(n.name));
            notAssignable();
            n.kind = Node::HostCall;
            n.script = s;
            return;
        }
    }
    Variant c;
    if (FindLibConstant(n.name, c)) {
        notCallable();
        notAssignable();
        n.kind = Node::Literal;
        n.value = c;
        return;
    }
    if (const LibFunction* lib = FindLibFunction(n.name)) {
        if (argc < lib->minArgs || argc > lib->maxArgs)
            fail(Q("Wrong number of arguments for '%1'").arg(n.name));
        notAssignable();
        n.kind = Node::LibCall;
        n.lib = lib;
        return;
    }
    fail(Q("Undeclared identifier: '%1'").arg(n.name));
}

// --- expressions -----------------------------------------------------------------------------

std::optional<BinInfo> ScriptCompiler::Binary() const {
    if (m_tok.type != Token::Op && m_tok.type != Token::Ident)
        return std::nullopt;
    std::span<const OperatorRow> table;
    switch (m_lang) {
    case Lang::Pascal:
        table = kPascalOperators;
        break;
    case Lang::CPP:
    case Lang::JS:
        table = kCOperators;
        break;
    case Lang::Basic:
        table = kBasicOperators;
        break;
    }
    const bool word = m_tok.type == Token::Ident;
    for (const OperatorRow& row : table)
        if (row.word == word && (word ? m_tok.text.compare(Q(row.text), Qt::CaseInsensitive) == 0
                                      : m_tok.text == Q(row.text)))
            return row.info;
    return std::nullopt;
}

NodePtr ScriptCompiler::Expr(int minPrec) {
    Guard g(this);
    NodePtr left;
    // Basic's Not and unary minus bind less tightly than some binary operators.
    if (m_lang == Lang::Basic && minPrec <= 4 && IsKw("not")) {
        NodePtr n = Make(Node::Unary);
        n->uop = UnOp::Not;
        Advance();
        AddKid(*n, Expr(5));
        left = std::move(n);
    } else if (m_lang == Lang::Basic && minPrec <= 11 && (IsOp("-") || IsOp("+"))) {
        NodePtr n = Make(Node::Unary);
        n->uop = IsOp("-") ? UnOp::Neg : UnOp::Plus;
        Advance();
        AddKid(*n, Expr(12));
        left = std::move(n);
    } else {
        left = Unary();
    }
    for (;;) {
        const std::optional<BinInfo> info = Binary();
        if (!info || info->prec < minPrec)
            break;
        const Token at = m_tok;
        Advance();
        // ^ of Basic is the one right-associative operator here.
        NodePtr right = Expr(info->op == BinOp::Pow ? info->prec : info->prec + 1);
        NodePtr n = Make(Node::Binary, at);
        n->op = info->op;
        AddKid(*n, std::move(left));
        AddKid(*n, std::move(right));
        left = std::move(n);
    }
    return left;
}

NodePtr ScriptCompiler::Unary() {
    Guard g(this);
    const Token at = m_tok;
    auto unary = [&](UnOp op) {
        Advance();
        NodePtr n = Make(Node::Unary, at);
        n->uop = op;
        AddKid(*n, Unary());
        return n;
    };
    if (IsOp("-"))
        return unary(UnOp::Neg);
    if (IsOp("+"))
        return unary(UnOp::Plus);
    if (m_lang == Lang::Pascal && IsKw("not"))
        return unary(UnOp::Not);
    if ((m_lang == Lang::CPP || m_lang == Lang::JS)) {
        if (IsOp("!"))
            return unary(UnOp::LogNot);
        if (IsOp("~"))
            return unary(UnOp::BitNot);
        if (IsOp("++") || IsOp("--"))
            Unsupported(Q("The operator '%1'").arg(m_tok.text));
    }
    if (m_lang == Lang::Basic && IsKw("not")) {
        Advance();
        NodePtr n = Make(Node::Unary, at);
        n->uop = UnOp::Not;
        AddKid(*n, Expr(5));
        return n;
    }
    return Postfix(Operand());
}

NodePtr ScriptCompiler::Operand() {
    const Token at = m_tok;
    switch (m_tok.type) {
    case Token::Int: {
        NodePtr n = Make(Node::Literal);
        n->value = Variant(m_tok.i);
        Advance();
        return n;
    }
    case Token::Float: {
        NodePtr n = Make(Node::Literal);
        n->value = Variant(m_tok.f);
        Advance();
        return n;
    }
    case Token::Str: {
        NodePtr n = Make(Node::Literal);
        n->value = Variant(m_tok.text);
        Advance();
        return n;
    }
    case Token::Ident: {
        if (IsKeyword(m_tok)) {
            if (m_lang == Lang::Pascal && IsKw("nil")) {
                NodePtr n = Make(Node::Literal);
                n->value = Variant::Null();
                Advance();
                return n;
            }
            if ((m_lang == Lang::CPP || m_lang == Lang::JS) && (IsKw("new") || IsKw("function")))
                Unsupported(Q("'%1'").arg(m_tok.text));
            Fail(Q("Expression expected but '%1' found").arg(m_tok.text));
        }
        const QString name = m_tok.text;
        Advance();
        if (m_lang == Lang::JS || m_lang == Lang::CPP) {
            if (name == Q("true") || name == Q("false")) {
                NodePtr n = Make(Node::Literal, at);
                n->value = Variant(name == Q("true"));
                return n;
            }
            if (name == Q("null")) {
                NodePtr n = Make(Node::Literal, at);
                n->value = Variant::Null();
                return n;
            }
        }
        NodePtr n = NameNode(name, at);
        if (IsOp("(")) {
            if (n->kind == Node::Local)
                Fail(Q("'%1' is not a function").arg(name));
            n->flag = true;
            Advance();
            return Args(std::move(n), ")");
        }
        return n;
    }
    case Token::Op:
        if (IsOp("(")) {
            Guard g(this);
            Advance();
            NodePtr n = m_lang == Lang::CPP || m_lang == Lang::JS ? CExpr() : Expr();
            ExpectOp(")");
            return n;
        }
        if (IsOp("<")) {
            // <name> asks the report for the value of a name: a call of Get.
            QString name;
            if (!m_lx.RawAngleName(m_tok.end, name))
                Fail(Q("'>' expected after the name that begins with '<'"));
            NodePtr call = NameNode(Q("Get"), at);
            call->flag = true;
            NodePtr arg = Make(Node::Literal, at);
            arg->value = Variant(name);
            AddKid(*call, std::move(arg));
            Advance();
            return call;
        }
        if (IsOp("[") && m_lang != Lang::Basic) {
            Guard g(this);
            Advance();
            NodePtr n = Make(Node::ArrayCtor, at);
            return Args(std::move(n), "]");
        }
        if (IsOp("@") || IsOp("^"))
            Unsupported(Q("The operator '%1'").arg(m_tok.text));
        break;
    case Token::End:
        Fail(Q("Unexpected end of text"));
    case Token::Newline:
        Fail(Q("Unexpected end of line"));
    }
    Fail(Q("Expression expected but '%1' found").arg(m_tok.text));
}

NodePtr ScriptCompiler::Args(NodePtr call, const char* close) {
    if (IsOp(close)) {
        Advance();
        return call;
    }
    for (;;) {
        AddKid(*call, m_lang == Lang::CPP || m_lang == Lang::JS ? CExpr() : Expr());
        if (IsOp(",")) {
            Advance();
            continue;
        }
        ExpectOp(close);
        return call;
    }
}

NodePtr ScriptCompiler::Postfix(NodePtr base) {
    for (;;) {
        const Token at = m_tok;
        if (IsOp(".")) {
            Advance();
            if (m_tok.type != Token::Ident)
                Fail(Q("Identifier expected"));
            NodePtr n = Make(Node::Member, at);
            n->name = m_tok.text;
            Advance();
            if (IsOp("("))
                Unsupported(Q("Calling the method '%1'").arg(n->name));
            AddKid(*n, std::move(base));
            base = std::move(n);
        } else if (IsOp("[")) {
            Advance();
            NodePtr n = Make(Node::Index, at);
            AddKid(*n, std::move(base));
            AddKid(*n, m_lang == Lang::CPP || m_lang == Lang::JS ? CExpr() : Expr());
            if (IsOp(","))
                Unsupported(Q("Indexing with more than one index"));
            ExpectOp("]");
            base = std::move(n);
        } else if ((m_lang == Lang::CPP || m_lang == Lang::JS) && (IsOp("++") || IsOp("--"))) {
            Unsupported(Q("The operator '%1'").arg(m_tok.text));
        } else if (m_lang == Lang::Basic && IsOp("(") && base->kind != Node::PendingName) {
            Unsupported(Q("Calling the result of an expression"));
        } else {
            return base;
        }
    }
}

NodePtr ScriptCompiler::Assignable(NodePtr target, NodePtr value, const Token& at) {
    switch (target->kind) {
    case Node::Local:
    case Node::Member:
    case Node::Index:
        break;
    case Node::PendingName:
        if (target->flag)
            Fail(at, Q("Left side cannot be assigned to"));
        target->slot = -2; // checked when resolved
        break;
    default:
        Fail(at, Q("Left side cannot be assigned to"));
    }
    NodePtr n = Make(Node::Assign, at);
    AddKid(*n, std::move(target));
    AddKid(*n, std::move(value));
    return n;
}

NodePtr ScriptCompiler::CExpr() {
    Guard g(this);
    NodePtr left = Expr(1);
    if (IsOp("?")) {
        const Token at = m_tok;
        Advance();
        NodePtr n = Make(Node::Ternary, at);
        AddKid(*n, std::move(left));
        AddKid(*n, CExpr());
        ExpectOp(":");
        AddKid(*n, CExpr());
        return n;
    }
    if (IsOp("=") || IsOp("+=") || IsOp("-=") || IsOp("*=") || IsOp("/=")) {
        const Token at = m_tok;
        const QString op = m_tok.text;
        Advance();
        NodePtr value = CExpr();
        if (op != Q("=")) {
            // a += b is a = a + b; the target is evaluated twice, which is harmless here
            // because targets have no side effects.
            NodePtr copy = Make(Node::Binary, at);
            copy->op = op == Q("+=")   ? BinOp::Add
                       : op == Q("-=") ? BinOp::Sub
                       : op == Q("*=") ? BinOp::Mul
                                       : BinOp::Div;
            if (left->kind != Node::Local && left->kind != Node::PendingName)
                Unsupported(Q("Compound assignment to '%1'").arg(left->name));
            NodePtr again = left->kind == Node::Local ? Make(Node::Local, at) : NameNode(left->name, at);
            again->slot = left->slot;
            again->name = left->name;
            AddKid(*copy, std::move(again));
            AddKid(*copy, std::move(value));
            value = std::move(copy);
        }
        return Assignable(std::move(left), std::move(value), at);
    }
    return left;
}

// --- statement parts -------------------------------------------------------------------------

NodePtr ScriptCompiler::ThenElse(NodePtr n, StatementParser statement) {
    AddKid(*n, OrEmpty((this->*statement)()));
    if (IsKw("else")) {
        Advance();
        AddKid(*n, OrEmpty((this->*statement)()));
    }
    return n;
}

NodePtr ScriptCompiler::SetResult(const Token& at, NodePtr value) {
    NodePtr r = Make(Node::Local, at);
    r->slot = m_scope->resultSlot;
    NodePtr a = Make(Node::Assign, at);
    AddKid(*a, std::move(r));
    AddKid(*a, std::move(value));
    NodePtr s = Make(Node::ExprStmt, at);
    AddKid(*s, std::move(a));
    return s;
}

NodePtr ScriptCompiler::ForVariable() {
    const Token at = m_tok;
    NodePtr var = NameNode(ExpectIdent(), at);
    if (var->kind == Node::PendingName)
        var->slot = -2;
    return var;
}

NodePtr ScriptCompiler::ForTo(const Token& at, NodePtr var, NodePtr from, NodePtr to,
                              NodePtr body, bool down) {
    NodePtr n = Make(Node::ForTo, at);
    n->flag = down;
    AddKid(*n, std::move(var));
    AddKid(*n, std::move(from));
    AddKid(*n, std::move(to));
    AddKid(*n, std::move(body));
    return n;
}

NodePtr ScriptCompiler::AssignOrCall(const Token& at, NodePtr target, const char* op) {
    if (IsOp(op)) {
        const Token aat = m_tok;
        Advance();
        NodePtr value = Expr();
        NodePtr s = Make(Node::ExprStmt, at);
        AddKid(*s, Assignable(std::move(target), std::move(value), aat));
        return s;
    }
    if (target->kind != Node::PendingName && target->kind != Node::Member)
        Fail(at, Q("Statement expected"));
    NodePtr s = Make(Node::ExprStmt, at);
    s->flag = true; // a call whose result is dropped
    AddKid(*s, std::move(target));
    return s;
}

NodePtr ScriptCompiler::BreakOrContinue(const Token& at) {
    if (!m_loops)
        Fail(Q("'%1' outside a loop").arg(m_tok.text));
    NodePtr n = Make(IsKw("break") ? Node::Break : Node::Continue, at);
    Advance();
    return n;
}

// --- Pascal ------------------------------------------------------------------------------------

// --- entry -------------------------------------------------------------------------------------

namespace frx::script {

// Compiles `text`; on failure fills line, column and message.
std::shared_ptr<Program> CompileProgram(TfrxScript* owner, Lang lang, const QString& text,
                                        int& line, int& col, QString& message) {
    try {
        ScriptCompiler c(owner, lang, text);
        return c.Run();
    } catch (const CompileError& e) {
        line = e.line;
        col = e.col;
        message = e.message;
        return nullptr;
    }
}

} // namespace frx::script
