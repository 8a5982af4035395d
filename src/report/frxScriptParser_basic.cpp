// The Basic dialect: program, routines, blocks and statements.

#include "report/frxScriptParser_p.h"

using namespace frx::script;

void ScriptCompiler::BasicEndLine() {
    if (m_tok.type == Token::Newline || IsOp(":")) {
        Advance();
        return;
    }
    if (m_tok.type == Token::End)
        return;
    Fail(Q("End of line expected"));
}

void ScriptCompiler::BasicProgram() {
    SkipNewlines();
    while (m_tok.type != Token::End) {
        if (IsKw("function") || IsKw("sub")) {
            BasicRoutine(IsKw("function"));
        } else {
            NodePtr s = BasicStatement();
            if (s)
                AddKid(*m_prog->main, std::move(s));
            BasicEndLine();
        }
        SkipNewlines();
    }
}

void ScriptCompiler::BasicRoutine(bool isFunction) {
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
                if (IsKw("byval") || IsKw("byref"))
                    Advance();
                const Token pat = m_tok;
                DeclareLocal(ExpectIdent(), pat);
                ++params;
                if (IsKw("as")) {
                    Advance();
                    ExpectIdent();
                }
                if (!IsOp(","))
                    break;
                Advance();
            }
        }
        ExpectOp(")");
    }
    if (IsKw("as")) {
        Advance();
        ExpectIdent();
    }
    m_prog->functions[index].params = params;
    scope.resultSlot = DeclareLocal(Q(" result"), at);
    if (m_tok.type != Token::Newline && !IsOp(":"))
        Fail(Q("End of line expected"));
    NodePtr body = BasicBlock({"end"});
    ExpectKw("end");
    if (isFunction)
        ExpectKw("function");
    else
        ExpectKw("sub");
    Function& fn = m_prog->functions[index];
    fn.body = std::move(body);
    fn.hasResult = isFunction;
    fn.locals = scope.count;
    fn.resultSlot = scope.resultSlot;
    m_scope = nullptr;
}

NodePtr ScriptCompiler::BasicBlock(std::initializer_list<const char*> enders) {
    Guard g(this);
    NodePtr block = Make(Node::Block);
    for (;;) {
        SkipNewlines();
        if (m_tok.type == Token::End)
            Fail(Q("'%1' expected").arg(Q(*enders.begin())));
        for (const char* e : enders)
            if (IsKw(e))
                return block;
        NodePtr s = BasicStatement();
        if (s)
            AddKid(*block, std::move(s));
        BasicEndLine();
    }
}

NodePtr ScriptCompiler::BasicStatement() {
    Guard g(this);
    const Token at = m_tok;
    if (IsKw("return")) {
        Advance();
        NodePtr block = Make(Node::Block, at);
        if (m_tok.type != Token::Newline && m_tok.type != Token::End && !IsOp(":")) {
            if (!m_scope || !m_scope->hasResult)
                Fail(at, Q("'return' with a value outside a function"));
            AddKid(*block, SetResult(at, Expr()));
        }
        AddKid(*block, Make(Node::Return, at));
        return block;
    }
    if (IsKw("dim")) {
        Advance();
        NodePtr block = Make(Node::Block, at);
        for (;;) {
            const Token nat = m_tok;
            const QString name = ExpectIdent();
            if (IsOp("("))
                Unsupported(Q("An array variable"));
            if (IsKw("as")) {
                Advance();
                ExpectIdent();
            }
            NodePtr target;
            if (m_scope) {
                target = Make(Node::Local, nat);
                target->slot = DeclareLocal(name, nat);
            } else {
                target = Make(Node::Global, nat);
                target->slot = DeclareGlobal(name, nat);
                target->script = m_owner;
            }
            NodePtr value;
            if (IsOp("=")) {
                Advance();
                value = Expr();
            } else {
                value = Make(Node::Literal, nat);
                value->value = Variant::Null();
            }
            NodePtr a = Make(Node::Assign, nat);
            AddKid(*a, std::move(target));
            AddKid(*a, std::move(value));
            NodePtr s = Make(Node::ExprStmt, nat);
            AddKid(*s, std::move(a));
            AddKid(*block, std::move(s));
            if (!IsOp(","))
                break;
            Advance();
        }
        return block;
    }
    if (IsKw("if")) {
        Advance();
        NodePtr n = Make(Node::If, at);
        AddKid(*n, Expr());
        ExpectKw("then");
        if (m_tok.type != Token::Newline) {
            // One-line form: If c Then s [Else s]
            return ThenElse(std::move(n), &ScriptCompiler::BasicStatement);
        }
        AddKid(*n, BasicBlock({"else", "elseif", "end"}));
        if (IsKw("elseif")) {
            // ElseIf continues as a nested If that shares the closing End If.
            m_tok.text = Q("if");
            NodePtr block = Make(Node::Block);
            AddKid(*block, BasicStatement());
            AddKid(*n, std::move(block));
            return n;
        }
        if (IsKw("else")) {
            Advance();
            AddKid(*n, BasicBlock({"end"}));
        }
        ExpectKw("end");
        ExpectKw("if");
        return n;
    }
    if (IsKw("while")) {
        Advance();
        NodePtr n = Make(Node::While, at);
        AddKid(*n, Expr());
        AddKid(*n, LoopBody([this] { return BasicBlock({"wend", "end"}); }));
        if (IsKw("wend")) {
            Advance();
        } else {
            ExpectKw("end");
            ExpectKw("while");
        }
        return n;
    }
    if (IsKw("for")) {
        Advance();
        NodePtr var = ForVariable();
        ExpectOp("=");
        NodePtr from = Expr();
        ExpectKw("to");
        NodePtr to = Expr();
        if (IsKw("step"))
            Unsupported(Q("'Step' in a For loop"));
        NodePtr body = LoopBody([this] { return BasicBlock({"next"}); });
        ExpectKw("next");
        if (m_tok.type == Token::Ident && !IsKeyword(m_tok))
            Advance();
        return ForTo(at, std::move(var), std::move(from), std::move(to), std::move(body), false);
    }
    if (IsKw("exit")) {
        Advance();
        if (IsKw("function") || IsKw("sub")) {
            Advance();
            return Make(Node::Return, at);
        }
        if (IsKw("for") || IsKw("do") || IsKw("while")) {
            if (!m_loops)
                Fail(Q("'Exit' outside a loop"));
            Advance();
            return Make(Node::Break, at);
        }
        Fail(Q("'Function', 'Sub' or 'For' expected"));
    }
    if (IsKw("select") || IsKw("do") || IsKw("loop") || IsKw("case") || IsKw("goto") ||
        IsKw("on") || IsKw("redim") || IsKw("set") || IsKw("with"))
        Unsupported(Q("The statement '%1'").arg(m_tok.text));
    if (IsKeyword(m_tok))
        Fail(Q("Statement expected but '%1' found").arg(m_tok.text));
    return AssignOrCall(at, Unary(), "=");
}
