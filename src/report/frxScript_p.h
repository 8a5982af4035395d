#pragma once
// Inside the script program: values, the syntax tree, the lexer and the run-time library.

#include "report/frxScript.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>
#include <vector>

class TfrxScript;

namespace frx::script {

enum class Lang { Pascal, CPP, Basic, JS };

// A value while a script runs: a Variant, an object reference, or an array (the argument list
// of Format).
struct Val {
    Variant v;
    QPointer<QObject> obj;
    std::shared_ptr<std::vector<Val>> arr;

    Val() = default;
    Val(const Variant& value) : v(value) {}
    bool IsObject() const { return !obj.isNull(); }
    bool IsArray() const { return arr != nullptr; }
};

enum class BinOp {
    Add, Sub, Mul, Div, IntDiv, Mod, Pow, And, Or, Xor, Shl, Shr, Eq, Ne, Lt, Gt, Le, Ge,
    Concat, LogAnd, LogOr, BitAnd, BitOr, BitXor
};
enum class UnOp { Neg, Plus, Not, LogNot, BitNot };

struct LibFunction;

struct Node {
    enum Kind {
        // expressions
        Literal,      // value
        Local,        // slot of the running function's frame
        Global,       // slot of `script`'s program globals
        HostVar,      // name in `script`'s host variables
        Object,       // name in `script`'s objects
        UserCall,     // slot = function index in `script`'s program; kids = arguments
        HostCall,     // name of `script`'s host function; kids = arguments
        LibCall,      // lib; kids = arguments
        Member,       // kids[0] . name
        Index,        // kids[0] [ kids[1] ]
        Unary,        // uop kids[0]
        Binary,       // kids[0] op kids[1]
        ArrayCtor,    // [ kids... ]
        Ternary,      // kids[0] ? kids[1] : kids[2]
        Assign,       // kids[0] := kids[1] (also a C-style assignment expression)
        PendingName,  // not resolved yet (while compiling only)
        // statements
        Block, ExprStmt, If, While, Repeat, ForTo, CFor, Return, Break, Continue
    };
    Kind kind;
    int line = 0, col = 0;
    Variant value;
    QString name;
    int slot = -1;
    int height = 1;    // of the subtree; bounded so that running and freeing it stay shallow
    bool flag = false; // ForTo: downto; PendingName: written parentheses; Assign: compound op
    BinOp op = BinOp::Add;
    UnOp uop = UnOp::Neg;
    const LibFunction* lib = nullptr;
    TfrxScript* script = nullptr;
    std::vector<std::unique_ptr<Node>> kids;

    Node(Kind k, int l, int c) : kind(k), line(l), col(c) {}
};
using NodePtr = std::unique_ptr<Node>;

struct Function {
    QString name;
    int params = 0;
    int locals = 0;      // params included; slot `locals` is Result when hasResult
    bool hasResult = false;
    int resultSlot = -1;
    NodePtr body;
};

struct Program {
    Lang lang = Lang::Pascal;
    std::vector<Function> functions;
    QHash<QString, int> functionIndex; // case-folded name -> index
    std::vector<Val> globals;
    QHash<QString, int> globalIndex;   // case-folded name -> slot
    NodePtr main;                      // Block; may be empty
    NodePtr init;                      // initialisers of global variables, or none
    bool initDone = false;
};

std::shared_ptr<Program> CompileProgram(TfrxScript* owner, Lang lang, const QString& text,
                                        int& line, int& col, QString& message);

// Runs the tree; one per top-level call.
struct Runner {
    TfrxScript* script;
    long long steps = 0;
    long long stepLimit = 0;
    Lang lang = Lang::Pascal;

    enum class Flow { Normal, Break, Continue, Return };
    struct Frame {
        std::vector<Val> slots;
    };
    Frame* frame = nullptr;

    Val Eval(const Node& n);
    Flow Exec(const Node& n);
    Val CallUser(TfrxScript* owner, int index, std::vector<Val>& args, const Node& at);
    void Step();
    void Store(const Node& target, const Val& v);
    [[noreturn]] static void Fail(const QString& message);
};

// Operations on values, shared by the interpreter and the library.
Val Binary(BinOp op, const Val& a, const Val& b, Lang lang);
Val Unary(UnOp op, const Val& a);
bool Truth(const Val& v, Lang lang);
Variant ToVariant(const QVariant& q);
QString TypeText(const Val& v);
double NeedFloat(const Val& v);
std::int64_t NeedInt(const Val& v);
QString NeedString(const Val& v);
bool NeedBool(const Val& v);

// The run-time library: unit constants and standard functions.
struct LibFunction {
    const char* name;
    int minArgs;
    int maxArgs;
    Val (*fn)(std::vector<Val>& args);
};
const LibFunction* FindLibFunction(const QString& name);
bool FindLibConstant(const QString& name, Variant& value);

// Limits that keep hostile input from exhausting the stack or the memory.
constexpr int kMaxNesting = 200;      // nested parentheses, statements, brackets while parsing
constexpr int kMaxHeight = 400;     // levels of one syntax tree
constexpr int kMaxRunDepth = 1500;    // nested evaluations while running, across calls
constexpr int kMaxCalls = 200;        // nested script function calls
constexpr qsizetype kMaxString = 16 * 1024 * 1024; // characters of one string value

} // namespace frx::script
