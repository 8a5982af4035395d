#pragma once
// The parts of the script compiler its dialect files share: tokens, the lexer and the
// compiler's declaration. Only the compiler's own files include this.

#include "report/frxScript_p.h"

#include <optional>

namespace frx::script {

struct CompileError {
    int line;
    int col;
    QString message;
};

struct Token {
    enum Type { End, Ident, Int, Float, Str, Op, Newline };
    Type type = End;
    QString text; // identifier, operator or string contents
    std::int64_t i = 0;
    double f = 0;
    int line = 1, col = 1;
    qsizetype start = 0, end = 0;
};

inline QString Q(const char* s) { return QString::fromLatin1(s); }

class Lexer {
public:
    Lexer(const QString& src, Lang lang) : m_src(src), m_lang(lang) {}

    struct State {
        qsizetype pos;
        int line;
        qsizetype lineStart;
    };
    State Save() const { return {m_pos, m_line, m_lineStart}; }
    void Restore(const State& s) {
        m_pos = s.pos;
        m_line = s.line;
        m_lineStart = s.lineStart;
    }

    Token Next();

    // The raw text from `from` up to the next '>' on the same line; the lexer continues after it.
    bool RawAngleName(qsizetype from, QString& name) {
        for (qsizetype p = from; p < m_src.size(); ++p) {
            const QChar c = m_src[p];
            if (c == QLatin1Char('>')) {
                name = m_src.mid(from, p - from);
                m_pos = p + 1;
                return true;
            }
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                return false;
        }
        return false;
    }

    [[noreturn]] void Fail(qsizetype at, const QString& msg) const {
        throw CompileError{m_line, static_cast<int>(at - m_lineStart) + 1, msg};
    }

private:
    QChar At(qsizetype p) const { return p < m_src.size() ? m_src[p] : QChar(); }
    void NewLine(qsizetype after) {
        ++m_line;
        m_lineStart = after;
    }
    void SkipBlanks(bool& sawNewline);
    Token Number(Token t);
    Token PascalString(Token t);
    Token QuotedString(Token t, QChar quote, bool backslash);

    const QString& m_src;
    Lang m_lang;
    qsizetype m_pos = 0;
    int m_line = 1;
    qsizetype m_lineStart = 0;
};

struct BinInfo {
    int prec;
    BinOp op;
};

class ScriptCompiler {
public:
    ScriptCompiler(TfrxScript* owner, Lang lang, const QString& text)
        : m_owner(owner), m_lang(lang), m_lx(text, lang) {}

    std::shared_ptr<Program> Run();

private:
    struct Scope {
        QHash<QString, int> locals;
        int count = 0;
        int resultSlot = -1;
        QString name;
        bool hasResult = false;
    };
    struct Guard {
        ScriptCompiler* c;
        explicit Guard(ScriptCompiler* comp) : c(comp) {
            if (++c->m_nesting > kMaxNesting)
                c->Fail(Q("Program nested too deeply"));
        }
        ~Guard() { --c->m_nesting; }
    };

    // tokens
    void Advance() { m_tok = m_lx.Next(); }
    bool IsOp(const char* op) const { return m_tok.type == Token::Op && m_tok.text == Q(op); }
    bool IsKw(const char* kw) const {
        return m_tok.type == Token::Ident && m_tok.text.compare(Q(kw), Qt::CaseInsensitive) == 0;
    }
    bool IsKeyword(const Token& t) const;
    void ExpectOp(const char* op) {
        if (!IsOp(op))
            Fail(Q("'%1' expected").arg(Q(op)));
        Advance();
    }
    void ExpectKw(const char* kw) {
        if (!IsKw(kw))
            Fail(Q("'%1' expected").arg(Q(kw)));
        Advance();
    }
    QString ExpectIdent() {
        if (m_tok.type != Token::Ident || IsKeyword(m_tok))
            Fail(Q("Identifier expected"));
        QString s = m_tok.text;
        Advance();
        return s;
    }
    [[noreturn]] void Fail(const QString& msg) const { Fail(m_tok, msg); }
    [[noreturn]] void Fail(const Token& at, const QString& msg) const {
        throw CompileError{at.line, at.col, msg};
    }
    [[noreturn]] void Unsupported(const QString& what) const {
        Fail(Q("%1 is not supported").arg(what));
    }

    NodePtr Make(Node::Kind k) const { return std::make_unique<Node>(k, m_tok.line, m_tok.col); }
    NodePtr Make(Node::Kind k, const Token& at) const {
        return std::make_unique<Node>(k, at.line, at.col);
    }
    void AddKid(Node& parent, NodePtr kid) {
        if (kid->height + 1 > parent.height)
            parent.height = kid->height + 1;
        if (parent.height > kMaxHeight)
            throw CompileError{parent.line, parent.col, Q("Expression too complex")};
        parent.kids.push_back(std::move(kid));
    }

    // names
    int DeclareLocal(const QString& name, const Token& at);
    int DeclareGlobal(const QString& name, const Token& at);
    int DeclareFunction(const QString& name, const Token& at);
    NodePtr NameNode(const QString& name, const Token& at);
    void ResolvePending();
    void Resolve(Node& n);

    // expressions
    std::optional<BinInfo> Binary() const;
    NodePtr Expr(int minPrec = 0);
    NodePtr Unary();
    NodePtr Postfix(NodePtr base);
    NodePtr Operand();
    NodePtr Args(NodePtr call, const char* close);
    NodePtr CExpr();      // assignment and conditional of the C family
    NodePtr Assignable(NodePtr target, NodePtr value, const Token& at);

    // statement parts the languages share
    using StatementParser = NodePtr (ScriptCompiler::*)();
    // A statement, or an empty block where the source has none (a lone ";").
    NodePtr OrEmpty(NodePtr statement) {
        return statement ? std::move(statement) : Make(Node::Block);
    }
    // A loop's body, inside which break and continue are allowed.
    template <class Parse>
    NodePtr LoopBody(Parse parse) {
        ++m_loops;
        NodePtr body = parse();
        --m_loops;
        return body;
    }
    // The then part and an optional else part of the if `n`, one statement each.
    NodePtr ThenElse(NodePtr n, StatementParser statement);
    // `value` stored as the running function's result, as a statement.
    NodePtr SetResult(const Token& at, NodePtr value);
    // The counting variable of a for loop.
    NodePtr ForVariable();
    NodePtr ForTo(const Token& at, NodePtr var, NodePtr from, NodePtr to, NodePtr body,
                  bool down);
    // After a statement's first expression `target`: an assignment with the operator `op`, or a
    // call whose result is dropped.
    NodePtr AssignOrCall(const Token& at, NodePtr target, const char* op);
    NodePtr BreakOrContinue(const Token& at);

    // Pascal
    void PascalProgram();
    void PascalVarSection(bool global);
    void PascalConstSection();
    void PascalRoutine(bool isFunction);
    void PascalType();
    NodePtr PascalStatement();
    NodePtr PascalCompound();

    // C family
    void CProgram();
    void CFunction(bool jscript);
    NodePtr CStatement();
    NodePtr CBlock();
    NodePtr CDeclaration(bool typed);
    bool LooksLikeCDeclaration();
    void CEndStatement();

    // Basic
    void BasicProgram();
    void BasicRoutine(bool isFunction);
    NodePtr BasicStatement();
    NodePtr BasicBlock(std::initializer_list<const char*> enders);
    void BasicEndLine();
    void SkipNewlines() {
        while (m_tok.type == Token::Newline || IsOp(":"))
            Advance();
    }


    TfrxScript* m_owner;
    Lang m_lang;
    Lexer m_lx;
    Token m_tok;
    std::shared_ptr<Program> m_prog;
    Scope* m_scope = nullptr;
    std::vector<Node*> m_pending;
    std::vector<NodePtr> m_globalInit;
    std::vector<NodePtr> m_localInit;
    int m_nesting = 0;
    int m_loops = 0;
};

} // namespace frx::script
