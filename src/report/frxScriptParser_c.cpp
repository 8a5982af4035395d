// The C++ and JScript dialects: program, functions, declarations and statements.

#include "report/frxScriptParser_p.h"

using namespace frx::script;

void ScriptCompiler::CProgram() {
    while (m_tok.type != Token::End) {
        if (m_lang == Lang::JS && IsKw("function")) {
            CFunction(true);
            continue;
        }
        if (m_lang == Lang::CPP && m_tok.type == Token::Ident && !IsKeyword(m_tok)) {
            const Lexer::State st = m_lx.Save();
            const Token first = m_tok;
            Advance();
            bool isFunction = false;
            if (m_tok.type == Token::Ident && !IsKeyword(m_tok)) {
                Advance();
                isFunction = IsOp("(");
            }
            m_lx.Restore(st);
            m_tok = first;
            if (isFunction) {
                CFunction(false);
                continue;
            }
        }
        NodePtr s = CStatement();
        if (s)
            AddKid(*m_prog->main, std::move(s));
    }
}

void ScriptCompiler::CFunction(bool jscript) {
    Advance(); // "function" or the result type
    const Token at = m_tok;
    const QString name = ExpectIdent();
    const int index = DeclareFunction(name, at);
    Scope scope;
    scope.name = name;
    scope.hasResult = true;
    m_scope = &scope;
    ExpectOp("(");
    int params = 0;
    if (!IsOp(")")) {
        for (;;) {
            const Token pat = m_tok;
            QString pname = ExpectIdent();
            if (!jscript && m_tok.type == Token::Ident) {
                const Token nat = m_tok;
                pname = ExpectIdent();
                DeclareLocal(pname, nat);
            } else {
                DeclareLocal(pname, pat);
            }
            ++params;
            if (!IsOp(","))
                break;
            Advance();
        }
    }
    ExpectOp(")");
    m_prog->functions[index].params = params;
    scope.resultSlot = DeclareLocal(Q(" result"), at);
    if (!IsOp("{"))
        Fail(Q("'{' expected"));
    NodePtr body = CBlock();
    Function& fn = m_prog->functions[index];
    fn.body = std::move(body);
    fn.hasResult = true;
    fn.locals = scope.count;
    fn.resultSlot = scope.resultSlot;
    m_scope = nullptr;
}

NodePtr ScriptCompiler::CBlock() {
    Guard g(this);
    NodePtr block = Make(Node::Block);
    ExpectOp("{");
    while (!IsOp("}")) {
        if (m_tok.type == Token::End)
            Fail(Q("'}' expected"));
        NodePtr s = CStatement();
        if (s)
            AddKid(*block, std::move(s));
    }
    Advance();
    return block;
}

void ScriptCompiler::CEndStatement() {
    if (IsOp(";")) {
        Advance();
        return;
    }
    // JScript lets a statement end at a closing brace or at the end of the text.
    if (m_lang == Lang::JS && (IsOp("}") || m_tok.type == Token::End))
        return;
    Fail(Q("';' expected"));
}

bool ScriptCompiler::LooksLikeCDeclaration() {
    if (m_lang != Lang::CPP || m_tok.type != Token::Ident || IsKeyword(m_tok))
        return false;
    const Lexer::State st = m_lx.Save();
    const Token first = m_tok;
    Advance();
    const bool decl = m_tok.type == Token::Ident && !IsKeyword(m_tok);
    m_lx.Restore(st);
    m_tok = first;
    return decl;
}

NodePtr ScriptCompiler::CDeclaration(bool typed) {
    const Token at = m_tok;
    Advance(); // "var" or the type
    NodePtr block = Make(Node::Block, at);
    for (;;) {
        const Token nat = m_tok;
        const QString name = ExpectIdent();
        NodePtr target;
        if (m_scope) {
            target = Make(Node::Local, nat);
            target->slot = DeclareLocal(name, nat);
        } else {
            target = Make(Node::Global, nat);
            target->slot = DeclareGlobal(name, nat);
            target->script = m_owner;
        }
        if (IsOp("=")) {
            Advance();
            NodePtr a = Make(Node::Assign, nat);
            AddKid(*a, std::move(target));
            AddKid(*a, CExpr());
            NodePtr s = Make(Node::ExprStmt, nat);
            AddKid(*s, std::move(a));
            AddKid(*block, std::move(s));
        } else {
            // A declared variable starts as Null, also when a loop declares it again.
            NodePtr a = Make(Node::Assign, nat);
            AddKid(*a, std::move(target));
            NodePtr null = Make(Node::Literal, nat);
            null->value = Variant::Null();
            AddKid(*a, std::move(null));
            NodePtr s = Make(Node::ExprStmt, nat);
            AddKid(*s, std::move(a));
            AddKid(*block, std::move(s));
        }
        if (!IsOp(","))
            break;
        Advance();
    }
    return block;
}

NodePtr ScriptCompiler::CStatement() {
    Guard g(this);
    const Token at = m_tok;
    if (IsOp("{"))
        return CBlock();
    if (IsOp(";")) {
        Advance();
        return nullptr;
    }
    if (IsKw("return")) {
        Advance();
        NodePtr block = Make(Node::Block, at);
        if (!IsOp(";") && !IsOp("}") && m_tok.type != Token::End) {
            if (!m_scope)
                Fail(at, Q("'return' outside a function"));
            AddKid(*block, SetResult(at, CExpr()));
        }
        CEndStatement();
        AddKid(*block, Make(Node::Return, at));
        return block;
    }
    if (IsKw("if")) {
        Advance();
        ExpectOp("(");
        NodePtr n = Make(Node::If, at);
        AddKid(*n, CExpr());
        ExpectOp(")");
        return ThenElse(std::move(n), &ScriptCompiler::CStatement);
    }
    if (IsKw("while")) {
        Advance();
        ExpectOp("(");
        NodePtr n = Make(Node::While, at);
        AddKid(*n, CExpr());
        ExpectOp(")");
        AddKid(*n, OrEmpty(LoopBody([this] { return CStatement(); })));
        return n;
    }
    if (IsKw("for")) {
        Advance();
        ExpectOp("(");
        NodePtr n = Make(Node::CFor, at);
        NodePtr init = Make(Node::Block, at);
        if (!IsOp(";")) {
            if (IsKw("var") || LooksLikeCDeclaration()) {
                AddKid(*init, CDeclaration(true));
            } else {
                NodePtr s = Make(Node::ExprStmt, at);
                AddKid(*s, CExpr());
                AddKid(*init, std::move(s));
            }
        }
        ExpectOp(";");
        NodePtr cond;
        if (!IsOp(";")) {
            cond = CExpr();
        } else {
            cond = Make(Node::Literal, at);
            cond->value = Variant(true);
        }
        ExpectOp(";");
        NodePtr step = Make(Node::Block, at);
        if (!IsOp(")")) {
            if (m_tok.type == Token::Ident) {
                // i++ and i-- are common enough in loop heads to spell out.
                const Lexer::State st = m_lx.Save();
                const Token first = m_tok;
                Advance();
                if (IsOp("++") || IsOp("--")) {
                    const bool inc = IsOp("++");
                    Advance();
                    NodePtr target = NameNode(first.text, first);
                    NodePtr again = NameNode(first.text, first);
                    NodePtr sum = Make(Node::Binary, first);
                    sum->op = inc ? BinOp::Add : BinOp::Sub;
                    AddKid(*sum, std::move(again));
                    NodePtr one = Make(Node::Literal, first);
                    one->value = Variant(1);
                    AddKid(*sum, std::move(one));
                    NodePtr s = Make(Node::ExprStmt, first);
                    AddKid(*s, Assignable(std::move(target), std::move(sum), first));
                    AddKid(*step, std::move(s));
                } else {
                    m_lx.Restore(st);
                    m_tok = first;
                }
            }
            if (step->kids.empty()) {
                NodePtr s = Make(Node::ExprStmt, at);
                AddKid(*s, CExpr());
                AddKid(*step, std::move(s));
            }
        }
        ExpectOp(")");
        NodePtr body = OrEmpty(LoopBody([this] { return CStatement(); }));
        AddKid(*n, std::move(init));
        AddKid(*n, std::move(cond));
        AddKid(*n, std::move(step));
        AddKid(*n, std::move(body));
        return n;
    }
    if (IsKw("break") || IsKw("continue")) {
        NodePtr n = BreakOrContinue(at);
        CEndStatement();
        return n;
    }
    if (IsKw("do") || IsKw("switch") || IsKw("try") || IsKw("case") || IsKw("delete"))
        Unsupported(Q("The statement '%1'").arg(m_tok.text));
    if (IsKw("function"))
        Unsupported(Q("A function inside a function"));
    if (IsKw("var") || LooksLikeCDeclaration()) {
        NodePtr n = CDeclaration(!IsKw("var"));
        CEndStatement();
        return n;
    }
    NodePtr e = CExpr();
    NodePtr s = Make(Node::ExprStmt, at);
    s->flag = e->kind != Node::Assign;
    AddKid(*s, std::move(e));
    CEndStatement();
    return s;
}

// --- Basic -------------------------------------------------------------------------------------
