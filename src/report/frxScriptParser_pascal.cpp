// The Pascal dialect: program, declarations, routines and statements.

#include "report/frxScriptParser_p.h"

using namespace frx::script;

void ScriptCompiler::PascalProgram() {
    if (IsKw("program")) {
        Advance();
        ExpectIdent();
        ExpectOp(";");
    }
    if (IsKw("uses")) {
        Advance();
        for (;;) {
            if (m_tok.type == Token::Str)
                Advance();
            else
                ExpectIdent();
            if (IsKw("in")) {
                Advance();
                if (m_tok.type != Token::Str)
                    Fail(Q("String expected"));
                Advance();
            }
            if (!IsOp(","))
                break;
            Advance();
        }
        ExpectOp(";");
    }
    for (;;) {
        if (IsKw("var"))
            PascalVarSection(true);
        else if (IsKw("const"))
            PascalConstSection();
        else if (IsKw("function"))
            PascalRoutine(true);
        else if (IsKw("procedure"))
            PascalRoutine(false);
        else if (IsKw("type"))
            Unsupported(Q("Declaring types"));
        else
            break;
    }
    if (!IsKw("begin"))
        Fail(Q("'begin' expected"));
    m_prog->main = PascalCompound();
    ExpectOp(".");
    if (m_tok.type != Token::End)
        Fail(Q("Text after the end of the program"));
}

void ScriptCompiler::PascalType() {
    if (IsKw("array") || IsKw("record") || IsKw("set") || IsKw("class"))
        Unsupported(Q("The type '%1'").arg(m_tok.text));
    if (m_tok.type != Token::Ident || (IsKeyword(m_tok)))
        Fail(Q("Type expected"));
    Advance();
    while (IsOp(".")) {
        Advance();
        ExpectIdent();
    }
}

void ScriptCompiler::PascalVarSection(bool global) {
    Advance(); // var
    do {
        std::vector<std::pair<QString, Token>> names;
        for (;;) {
            const Token at = m_tok;
            names.emplace_back(ExpectIdent(), at);
            if (!IsOp(","))
                break;
            Advance();
        }
        ExpectOp(":");
        PascalType();
        NodePtr init;
        if (IsOp("=")) {
            Advance();
            init = Expr();
            if (names.size() != 1)
                Fail(Q("Only one variable can be initialised at a time"));
        }
        ExpectOp(";");
        for (auto& [name, at] : names) {
            NodePtr target;
            if (global) {
                const int slot = DeclareGlobal(name, at);
                target = Make(Node::Global, at);
                target->slot = slot;
                target->script = m_owner;
            } else {
                const int slot = DeclareLocal(name, at);
                target = Make(Node::Local, at);
                target->slot = slot;
            }
            if (init) {
                NodePtr a = Make(Node::Assign, at);
                AddKid(*a, std::move(target));
                AddKid(*a, std::move(init));
                NodePtr s = Make(Node::ExprStmt, at);
                AddKid(*s, std::move(a));
                if (global)
                    m_globalInit.push_back(std::move(s));
                else
                    m_localInit.push_back(std::move(s));
            }
        }
    } while (m_tok.type == Token::Ident && !IsKeyword(m_tok));
}

void ScriptCompiler::PascalConstSection() {
    Advance(); // const
    do {
        const Token at = m_tok;
        const QString name = ExpectIdent();
        if (IsOp(":")) {
            Advance();
            PascalType();
        }
        ExpectOp("=");
        NodePtr init = Expr();
        ExpectOp(";");
        const int slot = DeclareGlobal(name, at);
        NodePtr target = Make(Node::Global, at);
        target->slot = slot;
        target->script = m_owner;
        NodePtr a = Make(Node::Assign, at);
        AddKid(*a, std::move(target));
        AddKid(*a, std::move(init));
        NodePtr s = Make(Node::ExprStmt, at);
        AddKid(*s, std::move(a));
        m_globalInit.push_back(std::move(s));
    } while (m_tok.type == Token::Ident && !IsKeyword(m_tok));
}

void ScriptCompiler::PascalRoutine(bool isFunction) {
    if (m_scope)
        Unsupported(Q("A routine inside a routine"));
    Advance();
    const Token at = m_tok;
    const QString name = ExpectIdent();
    const int index = DeclareFunction(name, at);
    Scope scope;
    scope.name = name;
    scope.hasResult = isFunction;
    m_scope = &scope;
    int params = 0;
    if (IsOp("(")) {
        Advance();
        if (!IsOp(")")) {
            for (;;) {
                if (IsKw("var") || IsKw("const") || IsKw("out"))
                    Advance();
                for (;;) {
                    const Token pat = m_tok;
                    DeclareLocal(ExpectIdent(), pat);
                    ++params;
                    if (!IsOp(","))
                        break;
                    Advance();
                }
                ExpectOp(":");
                PascalType();
                if (IsOp("="))
                    Unsupported(Q("A default parameter value"));
                if (!IsOp(";"))
                    break;
                Advance();
            }
        }
        ExpectOp(")");
    }
    if (isFunction) {
        ExpectOp(":");
        PascalType();
    }
    ExpectOp(";");
    m_prog->functions[index].params = params;
    if (isFunction)
        scope.resultSlot = DeclareLocal(Q("Result"), at);
    while (IsKw("var") || IsKw("const")) {
        if (IsKw("const"))
            Unsupported(Q("A local constant"));
        PascalVarSection(false);
    }
    if (IsKw("function") || IsKw("procedure"))
        Unsupported(Q("A routine inside a routine"));
    if (!IsKw("begin"))
        Fail(Q("'begin' expected"));
    NodePtr body = PascalCompound();
    ExpectOp(";");
    if (!m_localInit.empty()) {
        NodePtr block = Make(Node::Block, at);
        for (auto& n : m_localInit)
            AddKid(*block, std::move(n));
        m_localInit.clear();
        AddKid(*block, std::move(body));
        body = std::move(block);
    }
    Function& fn = m_prog->functions[index];
    fn.body = std::move(body);
    fn.hasResult = isFunction;
    fn.locals = scope.count;
    fn.resultSlot = scope.resultSlot;
    m_scope = nullptr;
}

NodePtr ScriptCompiler::PascalCompound() {
    Guard g(this);
    NodePtr block = Make(Node::Block);
    ExpectKw("begin");
    for (;;) {
        NodePtr s = PascalStatement();
        if (s)
            AddKid(*block, std::move(s));
        if (IsOp(";")) {
            Advance();
            continue;
        }
        break;
    }
    ExpectKw("end");
    return block;
}

NodePtr ScriptCompiler::PascalStatement() {
    Guard g(this);
    const Token at = m_tok;
    if (IsKw("begin"))
        return PascalCompound();
    if (IsOp(";") || IsKw("end") || IsKw("until") || IsKw("else") || m_tok.type == Token::End)
        return nullptr;
    if (IsKw("if")) {
        Advance();
        NodePtr n = Make(Node::If, at);
        AddKid(*n, Expr());
        ExpectKw("then");
        return ThenElse(std::move(n), &ScriptCompiler::PascalStatement);
    }
    if (IsKw("while")) {
        Advance();
        NodePtr n = Make(Node::While, at);
        AddKid(*n, Expr());
        ExpectKw("do");
        AddKid(*n, OrEmpty(LoopBody([this] { return PascalStatement(); })));
        return n;
    }
    if (IsKw("repeat")) {
        Advance();
        NodePtr body = Make(Node::Block, at);
        ++m_loops;
        for (;;) {
            NodePtr s = PascalStatement();
            if (s)
                AddKid(*body, std::move(s));
            if (IsOp(";")) {
                Advance();
                continue;
            }
            break;
        }
        --m_loops;
        ExpectKw("until");
        NodePtr n = Make(Node::Repeat, at);
        AddKid(*n, std::move(body));
        AddKid(*n, Expr());
        return n;
    }
    if (IsKw("for")) {
        Advance();
        NodePtr var = ForVariable();
        ExpectOp(":=");
        NodePtr from = Expr();
        bool down = false;
        if (IsKw("downto"))
            down = true;
        else if (!IsKw("to"))
            Fail(Q("'to' or 'downto' expected"));
        Advance();
        NodePtr to = Expr();
        ExpectKw("do");
        NodePtr body = OrEmpty(LoopBody([this] { return PascalStatement(); }));
        return ForTo(at, std::move(var), std::move(from), std::move(to), std::move(body), down);
    }
    if (IsKw("case") || IsKw("try") || IsKw("with") || IsKw("goto") || IsKw("raise") ||
        IsKw("asm") || IsKw("inherited"))
        Unsupported(Q("The statement '%1'").arg(m_tok.text.toLower()));
    if (IsKw("exit")) {
        Advance();
        if (IsOp("(")) {
            Advance();
            NodePtr n = Make(Node::Return, at);
            if (!m_scope || !m_scope->hasResult)
                Fail(at, Q("Exit with a value outside a function"));
            NodePtr set = SetResult(at, Expr());
            ExpectOp(")");
            NodePtr block = Make(Node::Block, at);
            AddKid(*block, std::move(set));
            AddKid(*block, std::move(n));
            return block;
        }
        return Make(Node::Return, at);
    }
    if (IsKw("break") || IsKw("continue"))
        return BreakOrContinue(at);
    if (IsKeyword(m_tok))
        Fail(Q("Statement expected but '%1' found").arg(m_tok.text));
    // Assigning the function's own name sets its result.
    NodePtr target;
    if (m_scope && m_scope->hasResult && m_tok.type == Token::Ident &&
        m_tok.text.compare(m_scope->name, Qt::CaseInsensitive) == 0) {
        const Lexer::State st = m_lx.Save();
        const Token saved = m_tok;
        Advance();
        if (IsOp(":=")) {
            target = Make(Node::Local, saved);
            target->slot = m_scope->resultSlot;
        } else {
            m_lx.Restore(st);
            m_tok = saved;
        }
    }
    if (!target)
        target = Expr();
    return AssignOrCall(at, std::move(target), ":=");
}

// --- C family ----------------------------------------------------------------------------------
